#include "accessibility.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QList>
#include <QThread>

#include <atomic>

namespace {

// An object reference as AT-SPI passes it: the owner's bus name and the object path.
struct ObjectRef {
    QString service;
    QDBusObjectPath path;
};

QDBusArgument& operator<<(QDBusArgument& argument, const ObjectRef& ref)
{
    argument.beginStructure();
    argument << ref.service << ref.path;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ObjectRef& ref)
{
    argument.beginStructure();
    argument >> ref.service >> ref.path;
    argument.endStructure();
    return argument;
}

}  // namespace

Q_DECLARE_METATYPE(ObjectRef)

namespace {

const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
constexpr int kCallTimeoutMs = 5000;
// AT-SPI state bits: the object and all its ancestors are shown.
constexpr int kStateShowing = 25;

QString uniqueName(const char* what)
{
    static std::atomic<int> counter{0};
    return QStringLiteral("corvis-%1-%2").arg(QLatin1String(what)).arg(++counter);
}

QDBusMessage call(const QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& args = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(args);
    return bus.call(message, QDBus::Block, kCallTimeoutMs);
}

QList<ObjectRef> children(const QDBusConnection& bus, const QString& service, const QString& path)
{
    const QDBusMessage reply = call(bus, service, path, kAccessible, QStringLiteral("GetChildren"));
    QList<ObjectRef> refs;
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        reply.arguments().constFirst().value<QDBusArgument>() >> refs;
    }
    return refs;
}

QString property(const QDBusConnection& bus, const QString& service, const QString& path, const QString& name)
{
    const QDBusMessage reply = call(bus, service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {kAccessible, name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return QString();
    }
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toString();
}

bool isShowing(const QDBusConnection& bus, const QString& service, const QString& path)
{
    const QDBusMessage reply = call(bus, service, path, kAccessible, QStringLiteral("GetState"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return false;
    }
    QList<uint> words;
    reply.arguments().constFirst().value<QDBusArgument>() >> words;
    return words.size() == 2 && (words.at(kStateShowing / 32) & (1u << (kStateShowing % 32))) != 0;
}

QRect extents(const QDBusConnection& bus, const QString& service, const QString& path)
{
    // Coordinates relative to the screen (0).
    const QDBusMessage reply = call(bus, service, path, QStringLiteral("org.a11y.atspi.Component"),
                                    QStringLiteral("GetExtents"), {QVariant::fromValue(uint(0))});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return QRect();
    }
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    const QDBusArgument argument = reply.arguments().constFirst().value<QDBusArgument>();
    argument.beginStructure();
    argument >> x >> y >> width >> height;
    argument.endStructure();
    return QRect(x, y, width, height);
}

}  // namespace

AccessibilityBus::AccessibilityBus(const QString& display)
{
    // The accessibility bus's launcher, started by this bus, publishes the bus's address on the
    // display's root window, where Qt looks first.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    daemon_.setProcessEnvironment(env);
    daemon_.setProgram(QStringLiteral("dbus-daemon"));
    daemon_.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                          QStringLiteral("--print-address=1")});
    daemon_.setStandardErrorFile(QProcess::nullDevice());
    daemon_.start();
    if (!daemon_.waitForStarted(5000)) {
        error_ = QStringLiteral("dbus-daemon did not start");
        return;
    }
    QDeadlineTimer deadline(10000);
    QByteArray line;
    while (!line.endsWith('\n')) {
        if (deadline.hasExpired() || !daemon_.waitForReadyRead(int(deadline.remainingTime()))) {
            error_ = QStringLiteral("dbus-daemon gave no address");
            return;
        }
        line += daemon_.readAllStandardOutput();
    }
    address_ = QString::fromLocal8Bit(line.trimmed());

    // The accessibility bus is started on demand by the session bus. Its address goes to the
    // program directly: Qt then switches its bridge on at once, without waiting to be told that
    // a screen reader runs.
    const QString connection = uniqueName("session");
    {
        QDBusConnection session = QDBusConnection::connectToBus(address_, connection);
        QDeadlineTimer busDeadline(20000);
        while (a11yAddress_.isEmpty() && !busDeadline.hasExpired()) {
            const QDBusMessage reply = call(session, QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                            QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                a11yAddress_ = reply.arguments().constFirst().toString();
            } else {
                error_ = QStringLiteral("no accessibility bus: ") + reply.errorMessage();
                QThread::msleep(200);
            }
        }
    }
    QDBusConnection::disconnectFromBus(connection);
    if (a11yAddress_.isEmpty()) {
        return;
    }
    // Published on the root window before any program starts: Qt reads it there first, and asked
    // only over the session bus it may try the registry before its connection is up and then
    // never register.
    QProcess xprop;
    xprop.setProcessEnvironment(env);
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("-f"), QStringLiteral("AT_SPI_BUS"),
                                          QStringLiteral("8s"), QStringLiteral("-set"), QStringLiteral("AT_SPI_BUS"),
                                          a11yAddress_});
    if (!xprop.waitForFinished(10000) || xprop.exitStatus() != QProcess::NormalExit || xprop.exitCode() != 0) {
        xprop.kill();
        xprop.waitForFinished();
        error_ = QStringLiteral("cannot publish AT_SPI_BUS on the root window");
        a11yAddress_.clear();
    }
}

AccessibilityBus::~AccessibilityBus()
{
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        if (!daemon_.waitForFinished(3000)) {
            daemon_.kill();
            daemon_.waitForFinished(3000);
        }
    }
}

QStringList AccessibilityBus::environment() const
{
    return {QStringLiteral("DBUS_SESSION_BUS_ADDRESS=") + address_, QStringLiteral("AT_SPI_BUS_ADDRESS=") + a11yAddress_,
            QStringLiteral("QT_ACCESSIBILITY=1"), QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1")};
}

AccessibleApp::AccessibleApp(const AccessibilityBus& bus, const QString& appName)
    : a11y_(QDBusConnection::connectToBus(bus.a11yAddress(), uniqueName("a11y"))), appName_(appName)
{
    qDBusRegisterMetaType<ObjectRef>();
    qDBusRegisterMetaType<QList<ObjectRef>>();
}

AccessibleApp::~AccessibleApp()
{
    QDBusConnection::disconnectFromBus(a11y_.name());
}

bool AccessibleApp::waitForApp(int timeoutMs)
{
    if (!a11y_.isConnected()) {
        error_ = QStringLiteral("cannot connect to the accessibility bus");
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const QString registry = QStringLiteral("org.a11y.atspi.Registry");
        for (const ObjectRef& app : children(a11y_, registry, QStringLiteral("/org/a11y/atspi/accessible/root"))) {
            if (property(a11y_, app.service, app.path.path(), QStringLiteral("Name")) == appName_) {
                appService_ = app.service;
                appPath_ = app.path.path();
                return true;
            }
        }
        QThread::msleep(200);
    }
    error_ = appName_ + QStringLiteral(" did not join the accessibility bus");
    return false;
}

QRect AccessibleApp::find(const QString& name, const QString& role)
{
    return locate(name, role).rect;
}

AccessibleApp::Located AccessibleApp::locate(const QString& name, const QString& role)
{
    if (appService_.isEmpty()) {
        return Located();
    }
    return search(appService_, appPath_, name, role, 0);
}

AccessibleApp::Located AccessibleApp::search(const QString& service, const QString& path, const QString& name,
                                             const QString& role, int depth)
{
    // The widget tree of the workbench is about twenty levels deep at most.
    if (depth > 40) {
        return Located();
    }
    for (const ObjectRef& child : children(a11y_, service, path)) {
        const QString childPath = child.path.path();
        if (!isShowing(a11y_, child.service, childPath)) {
            continue;
        }
        const QString childName = property(a11y_, child.service, childPath, QStringLiteral("Name"));
        if (matchStart_ ? childName.startsWith(name) : childName == name) {
            const QDBusMessage reply = call(a11y_, child.service, childPath, kAccessible, QStringLiteral("GetRoleName"));
            const QString childRole = reply.arguments().isEmpty() ? QString() : reply.arguments().constFirst().toString();
            const QRect rect = extents(a11y_, child.service, childPath);
            if ((role.isEmpty() || role == childRole) && !rect.isEmpty()) {
                return Located{child.service, childPath, rect};
            }
        }
        const Located found = search(child.service, childPath, name, role, depth + 1);
        if (!found.rect.isEmpty()) {
            return found;
        }
    }
    return Located();
}

bool AccessibleApp::setText(const QString& name, const QString& role, const QString& text)
{
    const Located field = locate(name, role);
    if (field.rect.isEmpty()) {
        error_ = QStringLiteral("no showing %1 named %2").arg(role, name);
        return false;
    }
    const QDBusMessage reply = call(a11y_, field.service, field.path, QStringLiteral("org.a11y.atspi.EditableText"),
                                    QStringLiteral("SetTextContents"), {text});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() || !reply.arguments().constFirst().toBool()) {
        error_ = QStringLiteral("%1 %2 refused the text: %3").arg(role, name, reply.errorMessage());
        return false;
    }
    return true;
}

bool AccessibleApp::press(const QString& name, const QString& role)
{
    const Located control = locate(name, role);
    if (control.rect.isEmpty()) {
        error_ = QStringLiteral("no showing %1 named %2").arg(role, name);
        return false;
    }
    // The first action is the press (or toggle). Not waited for: a press that opens a menu or a
    // modal window answers only when that closes.
    QDBusMessage message = QDBusMessage::createMethodCall(control.service, control.path,
                                                          QStringLiteral("org.a11y.atspi.Action"),
                                                          QStringLiteral("DoAction"));
    message.setArguments({QVariant::fromValue(0)});
    if (!a11y_.send(message)) {
        error_ = QStringLiteral("cannot press %1 %2: %3").arg(role, name, a11y_.lastError().message());
        return false;
    }
    return true;
}

QRect AccessibleApp::waitFor(const QString& name, const QString& role, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const QRect rect = find(name, role);
        if (!rect.isEmpty() || deadline.hasExpired()) {
            return rect;
        }
        QThread::msleep(100);
    }
}

QRect AccessibleApp::waitForStart(const QString& start, const QString& role, int timeoutMs)
{
    matchStart_ = !start.isEmpty();
    const QRect rect = waitFor(start, role, timeoutMs);
    matchStart_ = false;
    return rect;
}

QStringList AccessibleApp::unnamedControls()
{
    QStringList out;
    if (!appService_.isEmpty()) {
        collectUnnamed(appService_, appPath_, 0, out);
    }
    return out;
}

void AccessibleApp::collectUnnamed(const QString& service, const QString& path, int depth, QStringList& out)
{
    static const QStringList interactive{
        QStringLiteral("push button"), QStringLiteral("toggle button"), QStringLiteral("check box"),
        QStringLiteral("radio button"), QStringLiteral("text"),         QStringLiteral("password text"),
        QStringLiteral("combo box"),   QStringLiteral("spin button"),   QStringLiteral("page tab"),
        QStringLiteral("slider"),      QStringLiteral("link")};
    if (depth > 40) {
        return;
    }
    for (const ObjectRef& child : children(a11y_, service, path)) {
        const QString childPath = child.path.path();
        if (!isShowing(a11y_, child.service, childPath)) {
            continue;
        }
        const QDBusMessage reply = call(a11y_, child.service, childPath, kAccessible, QStringLiteral("GetRoleName"));
        const QString role = reply.arguments().isEmpty() ? QString() : reply.arguments().constFirst().toString();
        if (interactive.contains(role) &&
            property(a11y_, child.service, childPath, QStringLiteral("Name")).trimmed().isEmpty()) {
            const QRect r = extents(a11y_, child.service, childPath);
            out << QStringLiteral("%1 at %2,%3 %4x%5").arg(role).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
        }
        collectUnnamed(child.service, childPath, depth + 1, out);
    }
}
