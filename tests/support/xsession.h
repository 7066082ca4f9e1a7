#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// An X server (Xvfb) with trayer as its system tray, for whole-program tests. Started in the
// constructor; isValid() says whether both came up. Stopped with the object.
class XSession
{
public:
    // `screen`: the screen's WIDTHxHEIGHTxDEPTH (default 1280x800x24).
    explicit XSession(const QString& screen = QString());
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool isValid() const { return valid_; }
    QString display() const { return display_; }
    QString error() const { return error_; }

    // Whether a client of `pid` has a viewable top-level window (its _NET_WM_PID).
    bool hasViewableWindow(qint64 pid) const;
    // Waits up to `timeoutMs` for such a window.
    bool waitForViewableWindow(qint64 pid, int timeoutMs) const;
    // Writes a screenshot of the whole screen.
    bool screenshot(const QString& file) const;
    // Runs xdotool with the session's display; returns its exit code.
    int xdotool(const QStringList& args) const;
    // Runs xdotool with the session's display; returns what it printed (empty on a time-out).
    QString xdotoolOutput(const QStringList& args) const;

private:
    bool start();
    void stop();
    bool displayOpens() const;
    bool trayAvailable() const;

    QString screen_;
    QProcess xvfb_;
    QProcess trayer_;
    QString display_;
    QString error_;
    bool valid_ = false;
};

// The real corvisbench binary, started with a prefix and a display.
class WorkbenchProcess
{
public:
    WorkbenchProcess(const QString& prefixRoot, const QString& display);
    ~WorkbenchProcess();

    // Runs another corvisbench (an installed one) instead of the build's.
    void setProgram(const QString& path) { program_ = path; }
    bool start(const QStringList& extraEnv = {});
    bool waitForExit(int timeoutMs);
    bool isRunning() const;
    int exitCode() const;
    bool crashed() const;
    qint64 pid() const;
    void signal(int sig);
    QString output();

private:
    QProcess process_;
    QString prefix_;
    QString display_;
    QString program_;
};
