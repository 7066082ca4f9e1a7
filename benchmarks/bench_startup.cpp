// Start-up and memory of the real corvisbench against a minimal Qt Widgets window (minimalwindow),
// both started the same way on the same Xvfb (with trayer as the tray) while corvissim serves.
//
//   build/bin/bench_startup [RUNS] [OTHER_CORVISBENCH]
//
// RUNS: runs of each program after one warm-up run (default 10). OTHER_CORVISBENCH: another build
// of the workbench measured in the same runs (to set a change against what it replaces).
//
// Start-up: from the start of the process to the map of its first top-level window of at least
// 100x100 (seen as a MapNotify on the root window, the same watcher for both programs).
// Memory: VmRSS and the PSS of /proc/PID/smaps_rollup once the window is up and resident memory
// has stopped moving. Login: corvissim serves 10,000 applications in 200 categories, the pushed
// login fills the portal, a pushed "show" brings the work area up; its memory is set against the
// minimal window plus 60 MiB plus twice the size of the application list.
// Targets: start-up <= 1.5 x, memory <= 1.3 x the minimal window; after the login within the bound.

#include "support/simprocess.h"
#include "testpaths.h"
#include "support/testprefix.h"
#include "support/xsession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <poll.h>
#include <vector>

namespace {

constexpr int kApps = 10000;
constexpr int kCategories = 200;

// Every top-level map on one display, watched from before a program starts.
class MapWatcher
{
public:
    explicit MapWatcher(const QString& display)
    {
        dpy_ = XOpenDisplay(display.toLocal8Bit().constData());
        if (dpy_ != nullptr) {
            pidAtom_ = XInternAtom(dpy_, "_NET_WM_PID", False);
            XSelectInput(dpy_, DefaultRootWindow(dpy_), SubstructureNotifyMask);
            XSync(dpy_, False);
        }
    }
    ~MapWatcher()
    {
        if (dpy_ != nullptr) {
            XCloseDisplay(dpy_);
        }
    }
    MapWatcher(const MapWatcher&) = delete;
    MapWatcher& operator=(const MapWatcher&) = delete;

    bool isValid() const { return dpy_ != nullptr; }

    // Forgets the maps seen so far.
    void drain()
    {
        XSync(dpy_, False);
        while (XPending(dpy_) > 0) {
            XEvent event;
            XNextEvent(dpy_, &event);
        }
    }

    // Waits for a map of a large enough top-level window of `pid`; false on a time-out.
    bool waitForMap(qint64 pid, int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            while (XPending(dpy_) > 0) {
                XEvent event;
                XNextEvent(dpy_, &event);
                if (event.type == MapNotify && windowOf(event.xmap.window, pid)) {
                    return true;
                }
            }
            pollfd fd{ConnectionNumber(dpy_), POLLIN, 0};
            ::poll(&fd, 1, 5);
        }
        return false;
    }

private:
    bool windowOf(Window window, qint64 pid)
    {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(dpy_, window, &attributes) || attributes.width < 100 || attributes.height < 100) {
            return false;
        }
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        bool match = false;
        if (XGetWindowProperty(dpy_, window, pidAtom_, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data)
                == Success
            && data != nullptr) {
            match = count == 1 && *reinterpret_cast<unsigned long*>(data) == static_cast<unsigned long>(pid);
            XFree(data);
        }
        return match;
    }

    Display* dpy_ = nullptr;
    Atom pidAtom_ = None;
};

struct Memory {
    double rssMiB = 0;
    double pssMiB = 0;
};

// The value in kB of the line starting with `key` in a /proc file.
double procKiB(const QString& file, const QByteArray& key)
{
    const QByteArray text = readFile(file);
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith(key)) {
            return line.mid(key.size()).trimmed().split(' ').value(0).toDouble();
        }
    }
    return 0;
}

Memory memoryOf(qint64 pid)
{
    const QString base = QStringLiteral("/proc/%1/").arg(pid);
    return {procKiB(base + QStringLiteral("status"), "VmRSS:") / 1024.0,
            procKiB(base + QStringLiteral("smaps_rollup"), "Pss:") / 1024.0};
}

// Memory once resident memory moved less than 1 % over half a second (at most `timeoutMs`).
Memory settledMemory(qint64 pid, int timeoutMs = 10000)
{
    QDeadlineTimer deadline(timeoutMs);
    Memory last = memoryOf(pid);
    while (!deadline.hasExpired()) {
        QThread::msleep(500);
        const Memory now = memoryOf(pid);
        if (now.rssMiB > 0 && std::abs(now.rssMiB - last.rssMiB) < last.rssMiB * 0.01) {
            return now;
        }
        last = now;
    }
    return last;
}

double median(std::vector<double> values)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// CPU time of every thread of `pid` so far (ms): less moved by other load than the wall time.
double cpuMs(qint64 pid)
{
    double ns = 0;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        ns += readFile(tasks + QLatin1Char('/') + tid + QStringLiteral("/schedstat")).split(' ').value(0).toDouble();
    }
    return ns / 1e6;
}

struct Run {
    bool ok = false;
    double ms = 0;
    double cpu = 0;
    Memory memory;
};

QProcessEnvironment programEnvironment(const QString& prefix, const QString& display)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CORVISBENCH_PREFIX"), prefix);
    env.insert(QStringLiteral("DISPLAY"), display);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

void stopProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

// Starts `program`, times its window, measures it settled and ends it.
Run launchOnce(MapWatcher& watcher, const QString& program, const QProcessEnvironment& env)
{
    Run run;
    QProcess process;
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    watcher.drain();
    QElapsedTimer timer;
    timer.start();
    process.start(program, QStringList());
    if (process.waitForStarted(10000) && watcher.waitForMap(process.processId(), 30000)) {
        run.ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        run.cpu = cpuMs(process.processId());
        run.memory = settledMemory(process.processId());
        run.ok = true;
    }
    stopProcess(process);
    return run;
}

QByteArray appListDocument()
{
    QJsonArray data;
    for (int i = 0; i < kApps; ++i) {
        const QString n = QString::number(i);
        data.append(QJsonObject{
            {"AppID", "app-" + n},
            {"AppName", QStringLiteral("业务系统%1").arg(i)},
            {"AppIco", ""},
            {"Url", "https://app" + n + ".intranet.example.com/login?from=workbench"},
            {"uidclassid", "cat-" + QString::number(i % kCategories)},
            {"ibrowsertype", "0"},
            {"isProtectApp", i % 7 == 0 ? "1" : "0"},
            {"enable", i % 50 == 0 ? 0 : 1},
            {"iAppHide", "0"},
            {"collect", i % 9 == 0 ? 1 : 0},
            {"RunMode", "1"},
            {"ResourceType", i % 3 == 0 ? "0" : "1"},
        });
    }
    return QJsonDocument(QJsonObject{{"code", 0}, {"msg", "success"}, {"data", data}}).toJson(QJsonDocument::Compact);
}

QByteArray largePortalScenario()
{
    QJsonArray categories;
    for (int i = 0; i < kCategories; ++i) {
        const QString n = QString::number(i);
        categories.append(QJsonObject{{"icount", "50"},
                                      {"uidclassid", "cat-" + n},
                                      {"strdesc", QStringLiteral("分类 ") + n},
                                      {"acfid", "acf-" + n},
                                      {"strclassname", "Class " + n}});
    }
    const QJsonObject appList = QJsonDocument::fromJson(appListDocument()).object();
    const QJsonObject client{
        {"0x0114", QJsonObject{{"files", QJsonObject{{"ini/appCat.json", categories}}}}},
        {"0x0115", QJsonObject{{"files", QJsonObject{{"ini/appList.json", appList}}}}},
    };
    return QJsonDocument(QJsonObject{{"corvisclient", client}}).toJson(QJsonDocument::Compact);
}

// corvissim with the demo and, optionally, a scenario file loaded after it.
bool startSim(QProcess& sim, const QString& prefix, const QString& extraScenario)
{
    QStringList args{QStringLiteral("serve"), QStringLiteral("--scenario"), QStringLiteral("builtin:demo")};
    if (!extraScenario.isEmpty()) {
        args << QStringLiteral("--scenario") << extraScenario;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CORVISBENCH_PREFIX"), prefix);
    sim.setProcessEnvironment(env);
    sim.start(SimProcess::program(), args);
    if (!sim.waitForStarted(5000)) {
        return false;
    }
    QByteArray out;
    QDeadlineTimer deadline(30000);
    while (!out.contains("corvissim: serving under")) {
        if (deadline.hasExpired() || sim.state() == QProcess::NotRunning) {
            std::fprintf(stderr, "corvissim: %s\n", sim.readAllStandardError().constData());
            return false;
        }
        sim.waitForReadyRead(50);
        out += sim.readAllStandardOutput();
    }
    return true;
}

// Whether the request record holds a request of `type` to the client service.
bool waitForClientRequest(const QString& prefix, const QString& type, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const QByteArray text = readFile(prefix + QStringLiteral("/sim/requests.jsonl"));
        for (const QByteArray& line : text.split('\n')) {
            const QJsonObject request = QJsonDocument::fromJson(line).object();
            if (request.value(QStringLiteral("peer")).toString() == QLatin1String("corvisclient") &&
                request.value(QStringLiteral("type")).toString() == type) {
                return true;
            }
        }
        QThread::msleep(50);
    }
    return false;
}

int push(const QString& prefix, const char* code)
{
    return SimProcess::push(prefix, {QStringLiteral("--code"), QString::fromLatin1(code)});
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 10;
    const QString minimal = QStringLiteral(CORVIS_BIN_DIR "/minimalwindow");
    const QString workbench = QStringLiteral(CORVIS_BIN_DIR "/corvisbench");
    const QString other = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    XSession x;
    if (!x.isValid()) {
        std::fprintf(stderr, "bench_startup: no X session: %s\n", qPrintable(x.error()));
        return 1;
    }
    MapWatcher watcher(x.display());
    if (!watcher.isValid()) {
        std::fprintf(stderr, "bench_startup: cannot watch display %s\n", qPrintable(x.display()));
        return 1;
    }

    // Start-up: both programs in turn, after one warm-up run each.
    TestPrefix prefix;
    prefix.writeSysCfg("[Mervasso]\ncsmode=1\n");
    QProcess sim;
    if (!startSim(sim, prefix.root(), QString())) {
        std::fprintf(stderr, "bench_startup: corvissim did not start\n");
        return 1;
    }
    const QProcessEnvironment env = programEnvironment(prefix.root(), x.display());
    std::vector<double> minMs, minCpu, minRss, minPss, benchMs, benchCpu, benchRss, benchPss, otherMs, otherCpu, otherRss;
    for (int i = -1; i < runs; ++i) {
        const Run a = launchOnce(watcher, minimal, env);
        const Run b = launchOnce(watcher, workbench, env);
        if (!a.ok || !b.ok) {
            std::fprintf(stderr, "bench_startup: run %d: no window (minimal %d, corvisbench %d)\n", i, a.ok, b.ok);
            return 1;
        }
        std::printf("run %2d  minimal %7.1f ms (cpu %6.1f) %6.1f MiB RSS %6.1f MiB PSS   corvisbench %7.1f ms (cpu %6.1f) %6.1f "
                    "MiB RSS %6.1f MiB PSS%s\n",
                    i, a.ms, a.cpu, a.memory.rssMiB, a.memory.pssMiB, b.ms, b.cpu, b.memory.rssMiB, b.memory.pssMiB,
                    i < 0 ? "  (warm-up)" : "");
        if (!other.isEmpty()) {
            const Run c = launchOnce(watcher, other, env);
            std::printf("        other   %7.1f ms (cpu %6.1f) %6.1f MiB RSS %6.1f MiB PSS%s\n", c.ms, c.cpu, c.memory.rssMiB,
                        c.memory.pssMiB, c.ok ? "" : "  (no window)");
            if (i >= 0 && c.ok) {
                otherMs.push_back(c.ms);
                otherCpu.push_back(c.cpu);
                otherRss.push_back(c.memory.rssMiB);
            }
        }
        std::fflush(stdout);
        if (i >= 0) {
            minMs.push_back(a.ms);
            minCpu.push_back(a.cpu);
            benchCpu.push_back(b.cpu);
            minRss.push_back(a.memory.rssMiB);
            minPss.push_back(a.memory.pssMiB);
            benchMs.push_back(b.ms);
            benchRss.push_back(b.memory.rssMiB);
            benchPss.push_back(b.memory.pssMiB);
        }
    }
    stopProcess(sim);
    const double floorRss = median(minRss);
    std::printf("\nmedians over %d runs\n", runs);
    std::printf("  start-up  minimal %7.1f ms   corvisbench %7.1f ms   ratio %.2f  (target <= 1.5)\n", median(minMs),
                median(benchMs), median(benchMs) / median(minMs));
    std::printf("  CPU       minimal %7.1f ms   corvisbench %7.1f ms   ratio %.2f  (all threads, to the window)\n",
                median(minCpu), median(benchCpu), median(benchCpu) / median(minCpu));
    std::printf("  RSS       minimal %7.1f MiB  corvisbench %7.1f MiB  ratio %.2f  (target <= 1.3)\n", floorRss,
                median(benchRss), median(benchRss) / floorRss);
    std::printf("  PSS       minimal %7.1f MiB  corvisbench %7.1f MiB  ratio %.2f  (target <= 1.3)\n", median(minPss),
                median(benchPss), median(benchPss) / median(minPss));
    if (!otherMs.empty()) {
        std::printf("  other     start-up %7.1f ms ratio %.2f   CPU %7.1f ms ratio %.2f   RSS %7.1f MiB ratio %.2f\n",
                    median(otherMs), median(otherMs) / median(minMs), median(otherCpu), median(otherCpu) / median(minCpu),
                    median(otherRss), median(otherRss) / floorRss);
    }
    std::fflush(stdout);

    // Login with 10,000 applications.
    const int loginRuns = std::max(1, runs / 3);
    std::vector<double> loginRss, loginPss;
    double documentMiB = 0;
    for (int i = 0; i < loginRuns; ++i) {
        TestPrefix loginPrefix;
        loginPrefix.writeSysCfg("[Mervasso]\ncsmode=1\n");
        const QString scenario = loginPrefix.root() + QStringLiteral("/large-portal.json");
        writeFile(scenario, largePortalScenario());
        QProcess loginSim;
        if (!startSim(loginSim, loginPrefix.root(), scenario)) {
            std::fprintf(stderr, "bench_startup: corvissim did not start with the large portal\n");
            return 1;
        }
        QProcess process;
        process.setProcessEnvironment(programEnvironment(loginPrefix.root(), x.display()));
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        watcher.drain();
        process.start(workbench, QStringList());
        bool ok = process.waitForStarted(10000) && watcher.waitForMap(process.processId(), 30000) &&
                  waitForClientRequest(loginPrefix.root(), QStringLiteral("0x0112"), 30000);
        ok = ok && push(loginPrefix.root(), "0x0300") == 0 &&
             waitForClientRequest(loginPrefix.root(), QStringLiteral("0x0115"), 30000);
        settledMemory(process.processId());
        watcher.drain();
        ok = ok && push(loginPrefix.root(), "0x0310") == 0 && watcher.waitForMap(process.processId(), 30000);
        if (!ok) {
            std::fprintf(stderr, "bench_startup: the login run %d did not reach the portal\n", i);
            return 1;
        }
        const Memory memory = settledMemory(process.processId());
        documentMiB = QFileInfo(loginPrefix.installPath(QStringLiteral("ini/appList.json"))).size() / 1048576.0;
        std::printf("login %d  corvisbench %6.1f MiB RSS %6.1f MiB PSS  (application list %.2f MiB)\n", i, memory.rssMiB,
                    memory.pssMiB, documentMiB);
        std::fflush(stdout);
        loginRss.push_back(memory.rssMiB);
        loginPss.push_back(memory.pssMiB);
        stopProcess(process);
        stopProcess(loginSim);
    }
    const double bound = floorRss + 60 + 2 * documentMiB;
    std::printf("\nafter login with %d applications (median of %d)\n", kApps, loginRuns);
    std::printf("  RSS corvisbench %6.1f MiB  PSS %6.1f MiB  bound %.1f MiB (minimal %.1f + 60 + 2 x %.2f)  %s\n",
                median(loginRss), median(loginPss), bound, floorRss, documentMiB,
                median(loginRss) <= bound ? "within" : "OVER");
    return 0;
}
