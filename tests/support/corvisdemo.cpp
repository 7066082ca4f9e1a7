// corvisdemo OUT_DIR: the demo without a display. Under the prefix that CORVISBENCH_PREFIX names
// (prepared by scripts/demo.sh) it starts an X server with a system tray, the simulated services
// with the built-in demo scenario, an accessibility bus and the workbench, then uses the workbench
// as a person would: every control is found by its accessible name, as a screen reader finds it,
// and clicked or typed into. Each step writes a screenshot into OUT_DIR.
//
// A new step is one more row of kSteps.

#include "accessibility.h"
#include "simprocess.h"
#include "xsession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include <cstdio>
#include <functional>

namespace {

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

// The accounts and answers are those of the built-in demo scenario (tools/corvissim/README.md).
const Step kSteps[] = {
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
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvisdemo OUT_DIR (with CORVISBENCH_PREFIX set)\n");
        return 2;
    }
    const QString prefix = qEnvironmentVariable("CORVISBENCH_PREFIX");
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (prefix.isEmpty() || !QDir().mkpath(out)) {
        std::fprintf(stderr, "corvisdemo: needs CORVISBENCH_PREFIX and a writable OUT_DIR\n");
        return 2;
    }

    XSession x;
    if (!x.isValid()) {
        std::fprintf(stderr, "corvisdemo: %s\n", x.error().toLocal8Bit().constData());
        return 1;
    }
    SimProcess sim(prefix);
    if (!sim.startBuiltin(QStringLiteral("demo"))) {
        std::fprintf(stderr, "corvisdemo: the simulated services did not start: %s\n",
                     sim.errorOutput().toLocal8Bit().constData());
        return 1;
    }
    AccessibilityBus bus(x.display());
    if (!bus.isValid()) {
        std::fprintf(stderr, "corvisdemo: %s\n", bus.error().toLocal8Bit().constData());
        return 1;
    }
    WorkbenchProcess bench(prefix, x.display());
    if (!bench.start(bus.environment())) {
        std::fprintf(stderr, "corvisdemo: the workbench did not start\n");
        return 1;
    }
    AccessibleApp accessible(bus, QStringLiteral("corvisbench"));
    if (!accessible.waitForApp(30000)) {
        std::fprintf(stderr, "corvisdemo: %s\n", accessible.error().toLocal8Bit().constData());
        return 1;
    }

    Demo demo(x, sim, accessible);
    demo.pid = bench.pid();
    for (const Step& step : kSteps) {
        if (!step.run(demo)) {
            std::fprintf(stderr, "corvisdemo: the step \"%s\" failed; the workbench said:\n%s\n", step.what,
                         bench.output().toLocal8Bit().constData());
            return 1;
        }
        // Lets the last change paint before the picture.
        QThread::msleep(500);
        const QString shot = out + QLatin1Char('/') + QLatin1String(step.screenshot);
        if (!x.screenshot(shot)) {
            std::fprintf(stderr, "corvisdemo: no screenshot %s\n", shot.toLocal8Bit().constData());
            return 1;
        }
        std::printf("demo: screenshot of %s: %s\n", step.what, shot.toLocal8Bit().constData());
        std::fflush(stdout);
    }
    return 0;
}
