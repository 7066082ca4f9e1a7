#include "xsession.h"

#include "testpaths.h"

#include <QDeadlineTimer>
#include <QThread>

#include <QFileInfo>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Whether `window` or one of its children carries _NET_WM_PID == pid and is viewable.
bool findPidWindow(Display* dpy, Window window, Atom pidAtom, unsigned long pid, int depth)
{
    XWindowAttributes attributes;
    if (XGetWindowAttributes(dpy, window, &attributes) && attributes.map_state == IsViewable) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data)
                == Success
            && data != nullptr) {
            const bool match = count == 1 && *reinterpret_cast<unsigned long*>(data) == pid;
            XFree(data);
            if (match) {
                return true;
            }
        }
    }
    if (depth > 3) {
        return false;
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(dpy, window, &root, &parent, &children, &count)) {
        return false;
    }
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i) {
        found = findPidWindow(dpy, children[i], pidAtom, pid, depth + 1);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

}  // namespace

XSession::XSession(const QString& screen) : screen_(screen.isEmpty() ? QStringLiteral("1280x800x24") : screen)
{
    // A display lost to a server started at the same moment, or a tray program that died, throws
    // the session away; it starts again on another display.
    for (int attempt = 0; attempt < 3 && !valid_; ++attempt) {
        if (attempt > 0) {
            stop();
        }
        valid_ = start();
    }
}

XSession::~XSession()
{
    stop();
}

void XSession::stop()
{
    for (QProcess* process : {&trayer_, &xvfb_}) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(3000)) {
                process->kill();
                process->waitForFinished(3000);
            }
        }
    }
}

namespace {

// Whether nothing serves display `number`: no lock file, no socket file, and nothing on the
// abstract socket either (a server of another mount namespace leaves only that one).
bool displayFree(int number)
{
    if (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)) ||
        QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))) {
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QStringLiteral("/tmp/.X11-unix/X%1").arg(number).toLatin1();
    std::memcpy(address.sun_path + 1, name.constData(), static_cast<size_t>(name.size()));
    const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    const bool taken = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    ::close(fd);
    return !taken;
}

}  // namespace

bool XSession::start()
{
    // Displays well above the usual ones, spread by process so that parallel tests rarely meet.
    static int next = 100 + static_cast<int>(::getpid() % 400);
    int number = -1;
    for (int tries = 0; tries < 200 && number < 0; ++tries) {
        const int candidate = next;
        next = next >= 599 ? 100 : next + 1;
        if (displayFree(candidate)) {
            number = candidate;
        }
    }
    if (number < 0) {
        error_ = QStringLiteral("no free display");
        return false;
    }
    display_ = QStringLiteral(":") + QString::number(number);
    xvfb_.setProgram(QStringLiteral("Xvfb"));
    // -noreset: the server keeps its root-window properties (AT_SPI_BUS) when the last client
    // goes; otherwise a program started after that would miss the accessibility bus.
    xvfb_.setArguments({display_, QStringLiteral("-screen"), QStringLiteral("0"), screen_,
                        QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
    xvfb_.setStandardOutputFile(QProcess::nullDevice());
    xvfb_.setStandardErrorFile(QProcess::nullDevice());
    xvfb_.start();
    if (!xvfb_.waitForStarted(5000)) {
        error_ = QStringLiteral("Xvfb did not start");
        return false;
    }
    // A server that lost the display to another one started at the same moment ends at once.
    QDeadlineTimer opens(10000);
    while (!displayOpens()) {
        if (opens.hasExpired() || xvfb_.state() == QProcess::NotRunning) {
            error_ = QStringLiteral("the display ") + display_ + QStringLiteral(" takes no connection");
            return false;
        }
        QThread::msleep(50);
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    trayer_.setProcessEnvironment(env);
    trayer_.setProgram(QStringLiteral("trayer"));
    trayer_.setArguments({QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                          QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                          QStringLiteral("--width"), QStringLiteral("120"), QStringLiteral("--height"),
                          QStringLiteral("24")});
    trayer_.setStandardOutputFile(QProcess::nullDevice());
    trayer_.setStandardErrorFile(QProcess::nullDevice());
    trayer_.start();
    if (!trayer_.waitForStarted(5000)) {
        error_ = QStringLiteral("trayer did not start");
        return false;
    }
    // trayer takes a while to claim the tray on a loaded machine.
    QDeadlineTimer deadline(30000);
    while (!trayAvailable()) {
        if (deadline.hasExpired() || trayer_.state() == QProcess::NotRunning) {
            error_ = QStringLiteral("no system tray on ") + display_;
            return false;
        }
        QThread::msleep(50);
        trayer_.waitForFinished(0);  // notice an exit without an event loop
    }
    error_.clear();
    return true;
}

bool XSession::displayOpens() const
{
    Display* dpy = XOpenDisplay(display_.toLocal8Bit().constData());
    if (dpy == nullptr) {
        return false;
    }
    XCloseDisplay(dpy);
    return true;
}

bool XSession::trayAvailable() const
{
    Display* dpy = XOpenDisplay(display_.toLocal8Bit().constData());
    if (dpy == nullptr) {
        return false;
    }
    const Atom selection = XInternAtom(dpy, "_NET_SYSTEM_TRAY_S0", False);
    const bool owned = XGetSelectionOwner(dpy, selection) != None;
    XCloseDisplay(dpy);
    return owned;
}

bool XSession::hasViewableWindow(qint64 pid) const
{
    Display* dpy = XOpenDisplay(display_.toLocal8Bit().constData());
    if (dpy == nullptr) {
        return false;
    }
    const Atom pidAtom = XInternAtom(dpy, "_NET_WM_PID", False);
    const bool found = findPidWindow(dpy, DefaultRootWindow(dpy), pidAtom, static_cast<unsigned long>(pid), 0);
    XCloseDisplay(dpy);
    return found;
}

bool XSession::waitForViewableWindow(qint64 pid, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    while (!hasViewableWindow(pid)) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(100);
    }
    return true;
}

bool XSession::screenshot(const QString& file) const
{
    return QProcess::execute(QStringLiteral("import"), {QStringLiteral("-display"), display_, QStringLiteral("-window"),
                                                        QStringLiteral("root"), file})
           == 0;
}

namespace {

// xdotool on `display`; false when it did not end in time (it is killed then).
bool runXdotool(QProcess& process, const QString& display, const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("xdotool"), args);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return true;
}

}  // namespace

int XSession::xdotool(const QStringList& args) const
{
    QProcess process;
    return runXdotool(process, display_, args) ? process.exitCode() : -1;
}

QString XSession::xdotoolOutput(const QStringList& args) const
{
    QProcess process;
    return runXdotool(process, display_, args) ? QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed()
                                               : QString();
}

WorkbenchProcess::WorkbenchProcess(const QString& prefixRoot, const QString& display)
    : prefix_(prefixRoot), display_(display)
{
    process_.setProcessChannelMode(QProcess::MergedChannels);
}

WorkbenchProcess::~WorkbenchProcess()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

bool WorkbenchProcess::start(const QStringList& extraEnv)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CORVISBENCH_PREFIX"), prefix_);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (display_.isEmpty()) {
        env.remove(QStringLiteral("DISPLAY"));
    } else {
        env.insert(QStringLiteral("DISPLAY"), display_);
    }
    for (const QString& entry : extraEnv) {
        const int equal = entry.indexOf(QLatin1Char('='));
        if (equal > 0) {
            env.insert(entry.left(equal), entry.mid(equal + 1));
        }
    }
    process_.setProcessEnvironment(env);
    process_.start(program_.isEmpty() ? QStringLiteral(CORVIS_BIN_DIR "/corvisbench") : program_, QStringList());
    return process_.waitForStarted(5000);
}

bool WorkbenchProcess::waitForExit(int timeoutMs)
{
    if (process_.state() == QProcess::NotRunning) {
        return true;
    }
    return process_.waitForFinished(timeoutMs);
}

bool WorkbenchProcess::isRunning() const
{
    return process_.state() != QProcess::NotRunning;
}

int WorkbenchProcess::exitCode() const
{
    return process_.exitCode();
}

bool WorkbenchProcess::crashed() const
{
    return process_.exitStatus() == QProcess::CrashExit;
}

qint64 WorkbenchProcess::pid() const
{
    return process_.processId();
}

void WorkbenchProcess::signal(int sig)
{
    if (process_.processId() > 0) {
        ::kill(static_cast<pid_t>(process_.processId()), sig);
    }
}

QString WorkbenchProcess::output()
{
    return QString::fromLocal8Bit(process_.readAll());
}
