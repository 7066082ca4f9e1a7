// corvisdemo OUT_DIR: the demo without a display. Under the prefix that CORVISBENCH_PREFIX names
// (prepared by scripts/demo.sh) it starts an X server with a system tray, the simulated services
// with the built-in demo scenario, an accessibility bus and the workbench, then uses the workbench
// as a person would: every control is found by its accessible name, as a screen reader finds it,
// and clicked or typed into. Each step writes a screenshot into OUT_DIR.
//
// The demo is a list of scenes. A scene is one run of the workbench with a prefix of its own (a
// copy of the demo installation), its own services and configuration; its steps share that run.
// A new screenshot is one more step of a scene; a flow that needs another configuration, other
// scenarios or other programs (the controller stand-in, a token) is one more scene.

#include "accessibility.h"
#include "ctlsim.h"
#include "simprocess.h"
#include "testprefix.h"
#include "xsession.h"

#include "corviscommon/inivalues.h"
#include "corviscommon/productpath.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

class SceneSetup;

// What a step may do with the running workbench.
class Demo
{
public:
    Demo(XSession& x, SimProcess& sim, AccessibleApp& app) : x_(x), sim_(sim), app_(app) {}

    // Clicks the middle of the showing control named `name`.
    bool click(const QString& name, const QString& role = QString())
    {
        const QRect rect = app_.waitFor(name, role, kWaitMs);
        if (rect.isEmpty()) {
            return fail(QStringLiteral("no control named \"%1\" is showing").arg(name));
        }
        const QPoint centre = rect.center();
        return run({QStringLiteral("mousemove"), QString::number(centre.x()), QString::number(centre.y()),
                    QStringLiteral("click"), QStringLiteral("1")});
    }

    // Clicks into the edit named `name`, clears it and types `text`.
    bool typeInto(const QString& name, const QString& text)
    {
        return click(name, QStringLiteral("text")) && key(QStringLiteral("ctrl+a")) && key(QStringLiteral("BackSpace")) &&
               run({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("25"), text});
    }

    bool key(const QString& keys) { return run({QStringLiteral("key"), keys}); }

    // Waits until something named `name` shows (a tip, a page, a dialog).
    bool waitShown(const QString& name, const QString& role = QString())
    {
        return !app_.waitFor(name, role, kWaitMs).isEmpty() ||
               fail(QStringLiteral("\"%1\" did not show").arg(name));
    }

    // Waits until the services got a request of this type ("0x0118").
    bool waitRequest(const QString& type)
    {
        return sim_.waitForRequest(QStringLiteral("corvisclient"), type, kWaitMs) ||
               fail(QStringLiteral("no request %1 reached the services").arg(type));
    }

    bool push(quint16 code)
    {
        return sim_.push(code) == 0 || fail(QStringLiteral("the push 0x%1 was not delivered").arg(code, 4, 16, QLatin1Char('0')));
    }

    bool waitWindow(qint64 pid)
    {
        return x_.waitForViewableWindow(pid, kWaitMs) || fail(QStringLiteral("the workbench window did not come up"));
    }

    bool fail(const QString& why)
    {
        std::fprintf(stderr, "corvisdemo: %s\n", why.toLocal8Bit().constData());
        return false;
    }

    qint64 pid = 0;
    SceneSetup* setup = nullptr;

private:
    static constexpr int kWaitMs = 20000;

    bool run(const QStringList& args)
    {
        // Lets the workbench take the pointer or the keys before the next action.
        const bool ok = x_.xdotool(args) == 0;
        QThread::msleep(150);
        return ok || fail(QStringLiteral("xdotool %1 failed").arg(args.join(QLatin1Char(' '))));
    }

    XSession& x_;
    SimProcess& sim_;
    AccessibleApp& app_;
};

struct Step {
    const char* screenshot;
    const char* what;
    std::function<bool(Demo&)> run;
};

// What a scene may prepare before its services and its workbench start.
class SceneSetup
{
public:
    explicit SceneSetup(TestPrefix& prefix) : prefix(prefix) {}

    // Sets one key of an INI file below the install root ("ini/syscfg.ini").
    bool setIni(const QString& relative, const char* section, const char* key, const QString& value)
    {
        corvis::ini::write(prefix.installPath(relative), section, key, value.toUtf8());
        return corvis::ini::readString(prefix.installPath(relative), section, key, 4096) == value;
    }

    // Runs one of the project's programs (build/bin) under the scene's prefix to its end.
    bool runTool(const QString& program, const QStringList& args)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CORVISBENCH_PREFIX"), prefix.root());
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QCoreApplication::applicationDirPath() + QLatin1Char('/') + program, args);
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            std::fprintf(stderr, "corvisdemo: %s %s failed:\n%s\n", program.toLocal8Bit().constData(),
                         args.join(QLatin1Char(' ')).toLocal8Bit().constData(), process.readAll().constData());
            return false;
        }
        return true;
    }

    // Starts the controller stand-in for the scene and points the configuration at it.
    bool startController(const QByteArray& scenario = QByteArray())
    {
        ctl = std::make_unique<CtlSim>(prefix, scenario);
        if (!ctl->isRunning()) {
            std::fprintf(stderr, "corvisdemo: the controller stand-in did not start: %s\n",
                         ctl->startError().toLocal8Bit().constData());
            return false;
        }
        const QByteArray current = prefix.readInstallFile(QStringLiteral("ini/syscfg.ini"));
        return prefix.writeSysCfg(ctl->sysCfg(current));
    }

    TestPrefix& prefix;
    std::unique_ptr<CtlSim> ctl;
    // "NAME=value" entries for the workbench's environment.
    QStringList environment;
};

struct Scene {
    const char* name;
    const char* what;
    // Built-in corvissim scenarios, loaded in order.
    QStringList scenarios;
    std::function<bool(SceneSetup&)> setup;  // may be empty
    std::vector<Step> steps;
};

// The accounts and answers are those of the built-in demo scenario (tools/corvissim/README.md).
const Scene kScenes[] = {
    {"login", "the login page and the work area", {QStringLiteral("demo")}, {}, {
    {"01-login-page.png", "the login page",
     [](Demo& d) { return d.waitWindow(d.pid) && d.waitShown(QStringLiteral("登录"), QStringLiteral("push button")); }},
    {"02-refused.png", "a refused password",
     [](Demo& d) {
         return d.typeInto(QStringLiteral("账号"), QStringLiteral("demo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Wrong@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitShown(QStringLiteral("用户名或密码错误"), QStringLiteral("label"));
     }},
    {"03-reset-page.png", "the reset page",
     [](Demo& d) {
         return d.click(QStringLiteral("重置密码"), QStringLiteral("label")) &&
                d.typeInto(QStringLiteral("柜员号"), QStringLiteral("t1001")) &&
                d.typeInto(QStringLiteral("身份证号码"), QStringLiteral("110105194912")) &&
                d.typeInto(QStringLiteral("新密码"), QStringLiteral("Kq9z!mA2")) &&
                d.typeInto(QStringLiteral("确认新密码"), QStringLiteral("Kq9z!mA2")) && d.click(QStringLiteral("提交")) &&
                d.waitShown(QStringLiteral("身份证号码输入不正确，请重新输入！"), QStringLiteral("label"));
     }},
    {"04-sms-step.png", "the SMS step",
     [](Demo& d) {
         return d.click(QStringLiteral("返回登录页"), QStringLiteral("label")) &&
                d.typeInto(QStringLiteral("账号"), QStringLiteral("smsdemo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0118")) && d.click(QStringLiteral("发送验证码"), QStringLiteral("push button")) &&
                d.waitRequest(QStringLiteral("0x0119")) && d.waitShown(QStringLiteral("验证码"), QStringLiteral("text"));
     }},
    {"05-work-area.png", "the work area",
     [](Demo& d) {
         // The client service reports the login; the workbench asks for the work area's data and
         // leaves the desktop to the tray until the tray asks for the window.
         return d.typeInto(QStringLiteral("验证码"), QStringLiteral("123456")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x011a")) && d.waitRequest(QStringLiteral("0x0106")) &&
                d.waitRequest(QStringLiteral("0x0115")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.waitShown(QStringLiteral("统一门户"), QStringLiteral("check box"));
     }},
    {"06-messages.png", "the message centre",
     [](Demo& d) { return d.push(0x0331) && d.waitShown(QStringLiteral("消息中心")); }},
    }},
    {"account", "the forced password change, the personal centre, the password and phone operations",
     {QStringLiteral("demo"), QStringLiteral("personal")}, {}, {
    {"account-01-forced-change.png", "the forced password change at first login",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.waitShown(QStringLiteral("登录"), QStringLiteral("push button")) &&
                d.typeInto(QStringLiteral("账号"), QStringLiteral("firstpwd")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0113")) && d.waitShown(QStringLiteral("确认密码"));
     }},
    {"account-02-personal-centre.png", "the personal centre with the login history",
     [](Demo& d) {
         return d.click(QStringLiteral("取消"), QStringLiteral("push button")) &&
                d.typeInto(QStringLiteral("账号"), QStringLiteral("center")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x011b")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.waitShown(QStringLiteral("统一门户"), QStringLiteral("check box")) &&
                d.click(QStringLiteral("用户菜单")) && d.key(QStringLiteral("Down")) && d.key(QStringLiteral("Return")) &&
                d.waitShown(QStringLiteral("登录记录"));
     }},
    {"account-03-change-password.png", "changing the password from the personal centre",
     [](Demo& d) {
         return d.click(QStringLiteral("修改密码"), QStringLiteral("push button")) &&
                d.typeInto(QStringLiteral("原密码"), QStringLiteral("Corvis@2024")) &&
                d.typeInto(QStringLiteral("新密码"), QStringLiteral("Corvis@2025")) &&
                d.typeInto(QStringLiteral("确认密码"), QStringLiteral("Corvis@2026")) &&
                d.click(QStringLiteral("确定"), QStringLiteral("push button")) &&
                d.waitShown(QStringLiteral("两次密码输入不一致，请重新输入！"));
     }},
    {"account-04-bind-phone.png", "binding a phone: the code is on its way",
     [](Demo& d) {
         return d.click(QStringLiteral("取消"), QStringLiteral("push button")) &&
                d.click(QStringLiteral("绑定手机"), QStringLiteral("push button")) &&
                d.typeInto(QStringLiteral("手机号码"), QStringLiteral("13800138000")) &&
                d.click(QStringLiteral("获取验证码"), QStringLiteral("push button")) &&
                d.waitRequest(QStringLiteral("0x0124")) && d.waitShown(QStringLiteral("验证码已发送至138****8000"));
     }},
    }},
};

// Copies the demo installation that scripts/demo.sh prepared into a scene's prefix.
bool copyInstallation(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + file.mid(from.size());
        QFile::remove(target);
        if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(file, target)) {
            std::fprintf(stderr, "corvisdemo: cannot copy %s\n", file.toLocal8Bit().constData());
            return false;
        }
    }
    return true;
}

// One scene: its own X server, services, accessibility bus and workbench, so that no scene sees
// what an earlier one left behind.
bool runScene(const Scene& scene, const QString& installation, const QString& out)
{
    std::printf("demo: scene %s: %s\n", scene.name, scene.what);
    std::fflush(stdout);
    TestPrefix prefix;
    if (!prefix.isValid() || !copyInstallation(installation, prefix.installPath(QString()))) {
        std::fprintf(stderr, "corvisdemo: no prefix for the scene %s\n", scene.name);
        return false;
    }
    SceneSetup setup(prefix);
    if (scene.setup && !scene.setup(setup)) {
        std::fprintf(stderr, "corvisdemo: the scene %s could not be prepared\n", scene.name);
        return false;
    }
    XSession x;
    if (!x.isValid()) {
        std::fprintf(stderr, "corvisdemo: %s\n", x.error().toLocal8Bit().constData());
        return false;
    }
    SimProcess sim(prefix.root());
    if (!sim.startBuiltins(scene.scenarios)) {
        std::fprintf(stderr, "corvisdemo: the simulated services did not start: %s\n",
                     sim.errorOutput().toLocal8Bit().constData());
        return false;
    }
    AccessibilityBus bus(x.display());
    if (!bus.isValid()) {
        std::fprintf(stderr, "corvisdemo: %s\n", bus.error().toLocal8Bit().constData());
        return false;
    }
    WorkbenchProcess bench(prefix.root(), x.display());
    if (!bench.start(bus.environment() + setup.environment)) {
        std::fprintf(stderr, "corvisdemo: the workbench did not start\n");
        return false;
    }
    AccessibleApp accessible(bus, QStringLiteral("corvisbench"));
    if (!accessible.waitForApp(30000)) {
        std::fprintf(stderr, "corvisdemo: %s\n", accessible.error().toLocal8Bit().constData());
        return false;
    }

    Demo demo(x, sim, accessible);
    demo.pid = bench.pid();
    demo.setup = &setup;
    for (const Step& step : scene.steps) {
        if (!step.run(demo)) {
            std::fprintf(stderr, "corvisdemo: the step \"%s\" of the scene %s failed; the workbench said:\n%s\n",
                         step.what, scene.name, bench.output().toLocal8Bit().constData());
            return false;
        }
        // Lets the last change paint before the picture.
        QThread::msleep(500);
        const QString shot = out + QLatin1Char('/') + QLatin1String(step.screenshot);
        if (!x.screenshot(shot)) {
            std::fprintf(stderr, "corvisdemo: no screenshot %s\n", shot.toLocal8Bit().constData());
            return false;
        }
        std::printf("demo: screenshot of %s: %s\n", step.what, shot.toLocal8Bit().constData());
        std::fflush(stdout);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: corvisdemo OUT_DIR [SCENE...] (with CORVISBENCH_PREFIX set)\n");
        return 2;
    }
    const QString prefix = qEnvironmentVariable("CORVISBENCH_PREFIX");
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (prefix.isEmpty() || !QDir().mkpath(out)) {
        std::fprintf(stderr, "corvisdemo: needs CORVISBENCH_PREFIX and a writable OUT_DIR\n");
        return 2;
    }

    // Every scene starts from a copy of the installation below the prefix scripts/demo.sh made.
    const QString installation = QString::fromStdString(corvis::installPath(""));
    // A scene named on the command line runs alone (corvisdemo OUT_DIR [SCENE...]).
    QStringList only;
    for (int i = 2; i < argc; ++i) {
        only << QString::fromLocal8Bit(argv[i]);
    }
    for (const Scene& scene : kScenes) {
        if (!only.isEmpty() && !only.contains(QLatin1String(scene.name))) {
            continue;
        }
        if (!runScene(scene, installation, out)) {
            return 1;
        }
    }
    return 0;
}
