#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

// A private session bus with the accessibility (AT-SPI) bus behind it, for one X display. A
// program started on that display with environment() shows its widgets there as a screen reader
// sees them: by role and accessible name, with their place on the screen. Stopped with the object.
class AccessibilityBus
{
public:
    explicit AccessibilityBus(const QString& display);
    ~AccessibilityBus();
    AccessibilityBus(const AccessibilityBus&) = delete;
    AccessibilityBus& operator=(const AccessibilityBus&) = delete;

    bool isValid() const { return !a11yAddress_.isEmpty(); }
    QString error() const { return error_; }
    QString address() const { return address_; }
    QString a11yAddress() const { return a11yAddress_; }
    // "NAME=value" entries for the program: the session bus, the accessibility bus, and Qt's
    // bridge switched on.
    QStringList environment() const;

private:
    QProcess daemon_;
    QString address_;
    QString a11yAddress_;
    QString error_;
};

// The accessible objects of one running application, found by role and name. Only objects that
// are showing count: a hidden page keeps its objects, but a user cannot reach them.
class AccessibleApp
{
public:
    AccessibleApp(const AccessibilityBus& bus, const QString& appName);
    ~AccessibleApp();
    AccessibleApp(const AccessibleApp&) = delete;
    AccessibleApp& operator=(const AccessibleApp&) = delete;

    // Waits up to `timeoutMs` for the application to join the accessibility bus.
    bool waitForApp(int timeoutMs);
    // The screen rectangle of the first showing object named `name` (of `role` when given, as
    // AT-SPI names roles: "push button", "text", "label", "check box", "page tab", "dialog"), or
    // an empty rectangle.
    QRect find(const QString& name, const QString& role = QString());
    // Waits up to `timeoutMs` for such an object.
    QRect waitFor(const QString& name, const QString& role, int timeoutMs);
    // The same for an object whose name begins with `start` (a text that changes as it counts).
    QRect waitForStart(const QString& start, const QString& role, int timeoutMs);
    QString error() const { return error_; }

    // Puts `text` into the first showing editable object named `name` of `role` ("text",
    // "password text") through its EditableText interface, as a screen reader's user types.
    bool setText(const QString& name, const QString& role, const QString& text);
    // Does the first action (press, toggle) of the first showing object named `name` of `role`,
    // without waiting for its end (a menu or a modal window answers only when it closes).
    bool press(const QString& name, const QString& role);

    // Every showing control a user can operate (buttons, check boxes, fields, tabs, ...) that has
    // no accessible name, described as "ROLE at X,Y WxH": what a screen reader cannot announce.
    QStringList unnamedControls();

private:
    void collectUnnamed(const QString& service, const QString& path, int depth, QStringList& out);
    struct Located {
        QString service;
        QString path;
        QRect rect;
    };
    Located locate(const QString& name, const QString& role);
    Located search(const QString& service, const QString& path, const QString& name, const QString& role, int depth);

    QDBusConnection a11y_;
    QString appName_;
    QString appService_;
    QString appPath_;
    bool matchStart_ = false;
    QString error_;
};
