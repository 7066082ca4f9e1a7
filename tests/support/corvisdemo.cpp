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
#include "testpaths.h"
#include "testprefix.h"
#include "xsession.h"

#include "corviscommon/inivalues.h"
#include "corviscommon/productpath.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
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

    // Gives the workbench's showing window the keyboard focus.
    bool focusWindow()
    {
        QProcess search;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), x_.display());
        search.setProcessEnvironment(env);
        search.start(QStringLiteral("xdotool"),
                     {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), QString::number(pid)});
        if (!search.waitForFinished(10000)) {
            search.kill();
            search.waitForFinished();
        }
        const QString window = QString::fromLocal8Bit(search.readAllStandardOutput()).trimmed().section(QLatin1Char('\n'), 0, 0);
        return (!window.isEmpty() || fail(QStringLiteral("no showing window of the workbench"))) &&
               run({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    }

    // Types `text` where the keyboard focus is.
    bool type(const QString& text)
    {
        return run({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("25"), text});
    }

    // Waits until something named `name` shows (a tip, a page, a dialog).
    bool waitShown(const QString& name, const QString& role = QString())
    {
        return !app_.waitFor(name, role, kWaitMs).isEmpty() ||
               fail(QStringLiteral("\"%1\" did not show").arg(name));
    }

    // Waits until something whose name begins with `start` shows (a text that counts down).
    bool waitShownStart(const QString& start, const QString& role = QString())
    {
        return !app_.waitForStart(start, role, kWaitMs).isEmpty() ||
               fail(QStringLiteral("nothing beginning with \"%1\" showed").arg(start));
    }

    // Waits until the services got a request of this type ("0x0118").
    bool waitRequest(const QString& type, const QString& peer = QStringLiteral("corvisclient"))
    {
        return sim_.waitForRequest(peer, type, kWaitMs) ||
               fail(QStringLiteral("no request %1 reached %2").arg(type, peer));
    }

    bool push(quint16 code, int arg = 0, const QString& text = QString())
    {
        return sim_.push(code, arg, text) == 0 ||
               fail(QStringLiteral("the push 0x%1 was not delivered").arg(code, 4, 16, QLatin1Char('0')));
    }

    bool waitWindow(qint64 pid)
    {
        return x_.waitForViewableWindow(pid, kWaitMs) || fail(QStringLiteral("the workbench window did not come up"));
    }

    // Reads the screen with zbarimg, as a phone would: exactly one QR code, holding `text`.
    bool screenCodeIs(const QString& text, const QString& scratch)
    {
        QString seen;
        QDeadlineTimer deadline(kWaitMs);
        while (!deadline.hasExpired()) {
            QProcess zbar;
            if (x_.screenshot(scratch)) {
                zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), scratch});
                zbar.waitForFinished(30000);
                seen = QString::fromUtf8(zbar.readAllStandardOutput()).trimmed();
                if (seen == text) {
                    return true;
                }
            }
            QThread::msleep(300);
        }
        return fail(QStringLiteral("the screen shows no QR code of %1 (zbarimg read \"%2\")").arg(text, seen));
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

    // Writes a file below the install root, as a sibling service leaves its documents.
    bool writeFile(const QString& relative, const QByteArray& content)
    {
        QFile file(prefix.installPath(relative));
        return QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               file.write(content) == content.size();
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
    bool startController(const QByteArray& scenario = QByteArray(), const QStringList& extraArgs = QStringList())
    {
        ctl = std::make_unique<CtlSim>(prefix, scenario, extraArgs);
        if (!ctl->isRunning()) {
            std::fprintf(stderr, "corvisdemo: the controller stand-in did not start: %s\n",
                         ctl->startError().toLocal8Bit().constData());
            return false;
        }
        // Into the sections the installation already has: only their first occurrence counts.
        const QString syscfg = QStringLiteral("ini/syscfg.ini");
        const QString local = QStringLiteral("127.0.0.1");
        return setIni(syscfg, "Mervasso", "ServerIP", local) &&
               setIni(syscfg, "Mervasso", "ServerPort", QString::number(ctl->httpsPort())) &&
               setIni(syscfg, "NewSandbox", "ServerIP", local) &&
               setIni(syscfg, "NewSandbox", "ServerPort", QString::number(ctl->sandboxPort()));
    }

    TestPrefix& prefix;
    std::unique_ptr<CtlSim> ctl;
    // "NAME=value" entries for the workbench's environment.
    QStringList environment;
    // The X screen, WIDTHxHEIGHTxDEPTH; empty: the usual one.
    QString screen;
};

struct Scene {
    const char* name;
    const char* what;
    // Built-in corvissim scenarios, loaded in order.
    QStringList scenarios;
    std::function<bool(SceneSetup&)> setup;  // may be empty
    std::vector<Step> steps;
};

// The controller stand-in serving the applications' icons at the address the demo's application
// list names.
bool startPortalController(SceneSetup& s)
{
    QJsonObject icons;
    for (const char* name : {"web", "cs", "prot", "office", "dev"}) {
        QFile file(QStringLiteral(CORVIS_SOURCE_DIR "/tools/corvisctlsim/scenarios/portal-icons/%1.png").arg(QLatin1String(name)));
        if (!file.open(QIODevice::ReadOnly)) {
            return false;
        }
        icons.insert(QStringLiteral("/portal/icons/%1.png").arg(QLatin1String(name)),
                     QJsonObject{{"headers", QJsonObject{{"Content-Type", "image/png"}}},
                                 {"bodyBase64", QString::fromLatin1(file.readAll().toBase64())}});
    }
    return s.startController(QJsonDocument(QJsonObject{{"controller", icons}}).toJson(QJsonDocument::Compact),
                             {QStringLiteral("--https-port"), QStringLiteral("18443")});
}

// The accounts and answers are those of the built-in demo scenario (tools/corvissim/README.md).
const Scene kScenes[] = {
    // SPA on: the workbench starts on the SPA page and knocks through corvissim's tray.
    {"spa", "the SPA page and the login it opens", {QStringLiteral("demo")},
     [](SceneSetup& s) {
         return s.setIni(QStringLiteral("ini/syscfg.ini"), "corvisspa", "spamark", QStringLiteral("1")) &&
                s.setIni(QStringLiteral("ini/syscfg.ini"), "corvisspa", "spasim", QStringLiteral("1"));
     }, {
    {"spa-01-account.png", "the SPA page in account mode",
     [](Demo& d) { return d.waitWindow(d.pid) && d.waitShown(QStringLiteral("预认证"), QStringLiteral("label")); }},
    {"spa-02-refused.png", "a refused SPA",
     [](Demo& d) {
         return d.typeInto(QStringLiteral("账号"), QStringLiteral("demo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Wrong@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitShown(QStringLiteral("SPA认证失败：用户名或密码错误"), QStringLiteral("label"));
     }},
    {"spa-03-sim.png", "the SIM mode",
     [](Demo& d) {
         return d.click(QStringLiteral("切换认证方式"), QStringLiteral("push button")) &&
                d.waitShown(QStringLiteral("SIM认证"), QStringLiteral("label"));
     }},
    {"spa-04-login-filled.png", "the login page filled after a successful SPA",
     [](Demo& d) {
         return d.click(QStringLiteral("切换认证方式"), QStringLiteral("push button")) &&
                d.typeInto(QStringLiteral("账号"), QStringLiteral("demo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0112")) && d.waitShown(QStringLiteral("登录"), QStringLiteral("push button"));
     }},
    }},
    {"spa-oauth", "the SPA page's OAuth tabs and its password reset", {QStringLiteral("demo")},
     [](SceneSetup& s) {
         return s.setIni(QStringLiteral("ini/syscfg.ini"), "corvisspa", "spamark", QStringLiteral("1")) &&
                s.setIni(QStringLiteral("ini/syscfg.ini"), "corvisspa", "spaoauth", QStringLiteral("1"));
     }, {
    {"spa-05-oauth-tabs.png", "the OAuth tabs",
     [](Demo& d) { return d.waitWindow(d.pid) && d.waitShown(QStringLiteral("微信扫码"), QStringLiteral("page tab")); }},
    {"spa-06-reset-refused.png", "the reset form refusing different passwords",
     [](Demo& d) {
         return d.click(QStringLiteral("账号登录"), QStringLiteral("page tab")) &&
                d.click(QStringLiteral("忘记密码"), QStringLiteral("push button")) &&
                d.typeInto(QStringLiteral("用户名"), QStringLiteral("demo")) &&
                d.typeInto(QStringLiteral("手机号"), QStringLiteral("13800000000")) &&
                d.typeInto(QStringLiteral("新密码"), QStringLiteral("Kq9z!mA2")) &&
                d.typeInto(QStringLiteral("确认新密码"), QStringLiteral("Kq9z!mA3")) &&
                d.click(QStringLiteral("获取验证码"), QStringLiteral("push button")) &&
                d.waitShown(QStringLiteral("两次密码输入不一致，请重新输入！"), QStringLiteral("label"));
     }},
    {"spa-07-reset-code-sent.png", "the reset form after the code was sent",
     [](Demo& d) {
         return d.typeInto(QStringLiteral("确认新密码"), QStringLiteral("Kq9z!mA2")) &&
                d.click(QStringLiteral("获取验证码"), QStringLiteral("push button")) &&
                d.waitRequest(QStringLiteral("0x0133")) && d.waitShown(QStringLiteral("验证码已发送"), QStringLiteral("label"));
     }},
    {"spa-08-reset-done.png", "the password changed",
     [](Demo& d) {
         return d.typeInto(QStringLiteral("手机验证码"), QStringLiteral("123456")) &&
                d.click(QStringLiteral("提交"), QStringLiteral("push button")) && d.waitRequest(QStringLiteral("0x0134")) &&
                d.waitShown(QStringLiteral("修改成功，3s后自动返回登录界面"), QStringLiteral("label"));
     }},
    }},
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
         return d.click(QStringLiteral("重置密码"), QStringLiteral("push button")) &&
                d.typeInto(QStringLiteral("柜员号"), QStringLiteral("t1001")) &&
                d.typeInto(QStringLiteral("身份证号码"), QStringLiteral("110105194912")) &&
                d.typeInto(QStringLiteral("新密码"), QStringLiteral("Kq9z!mA2")) &&
                d.typeInto(QStringLiteral("确认新密码"), QStringLiteral("Kq9z!mA2")) && d.click(QStringLiteral("提交")) &&
                d.waitShown(QStringLiteral("身份证号码输入不正确，请重新输入！"), QStringLiteral("label"));
     }},
    {"04-sms-step.png", "the SMS step",
     [](Demo& d) {
         return d.click(QStringLiteral("返回登录页"), QStringLiteral("push button")) &&
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
    {"sandbox", "the sandbox page and the approval records", {QStringLiteral("demo")}, {}, {
    {"sandbox-page.png", "the sandbox page with three sandboxes",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.typeInto(QStringLiteral("账号"), QStringLiteral("demo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0106")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.waitShown(QStringLiteral("统一门户"), QStringLiteral("check box")) &&
                d.click(QStringLiteral("安全沙箱")) && d.waitShown(QStringLiteral("沙箱列表"));
     }},
    {"approvals-apps.png", "我的申请 on the application requests",
     [](Demo& d) {
         // The controller, with the demo session the client service logged in with.
         QFile records(QStringLiteral(CORVIS_SOURCE_DIR "/tools/corvisctlsim/scenarios/approvals.json"));
         return records.open(QIODevice::ReadOnly) && d.setup->startController(records.readAll()) &&
                d.setup->setIni(QStringLiteral("ini/userinfo.ini"), "UserInfo", "SessionID",
                                QStringLiteral("demo-session-demo")) &&
                d.push(0x0328) && d.waitShown(QStringLiteral("我的申请")) && d.waitRequest(QStringLiteral("0x0137")) &&
                d.waitShown(QStringLiteral("申请记录"));
     }},
    {"approvals-app-detail.png", "the details of an application request",
     [](Demo& d) {
         return d.click(QStringLiteral("申请记录")) && d.key(QStringLiteral("Return")) &&
                d.waitShown(QStringLiteral("应用资源申请"));
     }},
    {"approvals-sandbox-detail.png", "the sandbox data requests with the details of one",
     [](Demo& d) {
         return d.key(QStringLiteral("Escape")) && d.push(0x0330) && d.waitShown(QStringLiteral("申请记录")) &&
                d.click(QStringLiteral("申请记录")) && d.key(QStringLiteral("Return")) &&
                d.waitShown(QStringLiteral("沙箱数据导出申请"), QStringLiteral("label"));
     }},
    }},
    {"device", "the device page, the dynamic authorization and the version page", {QStringLiteral("demo")},
     // This installation's identifier is the one the bound-device list knows.
     [](SceneSetup& s) {
         return s.setIni(QStringLiteral("ini/syscfg.ini"), "appinfo", "UUID", QStringLiteral("8f3c2a7e-5d41-4b9a-9c0e-2f6d1b7a4c13"));
     }, {
    {"device-info-load.png", "the device facts, the live load and the bound devices",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.typeInto(QStringLiteral("账号"), QStringLiteral("demo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0106")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.click(QStringLiteral("设备信息")) && d.waitShown(QStringLiteral("处理器")) &&
                d.waitShown(QStringLiteral("安全设备"));
     }},
    {"device-bound-cards.png", "the bound devices as cards with their unbind buttons",
     [](Demo& d) {
         return d.click(QStringLiteral("绑定设备"), QStringLiteral("page tab")) &&
                d.waitShown(QStringLiteral("解绑 demo-pc"), QStringLiteral("push button"));
     }},
    {"dynamic-auth-score.png", "the security score, the trust level and the risk items",
     [](Demo& d) {
         return d.push(0x0202) && d.click(QStringLiteral("动态授权")) && d.waitShown(QStringLiteral("风险评估项"));
     }},
    {"version-page.png", "the version page",
     [](Demo& d) { return d.click(QStringLiteral("版本检测")) && d.waitShown(QStringLiteral("版本更新"), QStringLiteral("push button")); }},
    }},
    {"accesscheck", "a login refused by the access check", {QStringLiteral("demo"), QStringLiteral("accesscheck")}, {}, {
    {"access-check-result.png", "the sections that failed the check, with their repair links",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.typeInto(QStringLiteral("账号"), QStringLiteral("accessfail")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitShown(QStringLiteral("重新检查"), QStringLiteral("push button"));
     }},
    {"access-check-again.png", "the result of a second check",
     [](Demo& d) {
         return d.click(QStringLiteral("重新检查"), QStringLiteral("push button")) && d.waitRequest(QStringLiteral("0x0102")) &&
                d.waitShown(QStringLiteral("重新检查"), QStringLiteral("push button"));
     }},
    }},
    {"portal", "the portal filled with applications: cards, list, search, a category, the request mode",
     {QStringLiteral("demo")},
     startPortalController, {
    {"portal-card-mode.png", "the portal in card mode after login",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.typeInto(QStringLiteral("账号"), QStringLiteral("demo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0115")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.waitShown(QStringLiteral("统一门户"), QStringLiteral("check box")) && d.click(QStringLiteral("卡片模式")) &&
                d.waitShown(QStringLiteral("OA 办公系统"));
     }},
    {"portal-list-mode.png", "the list mode",
     [](Demo& d) { return d.click(QStringLiteral("列表模式")) && d.waitShown(QStringLiteral("企业邮箱")); }},
    {"portal-category.png", "a category tab",
     [](Demo& d) {
         // From the favourites, three tabs on by the keyboard.
         return d.click(QStringLiteral("我的收藏(4)")) && d.key(QStringLiteral("Right")) && d.key(QStringLiteral("Right")) &&
                d.key(QStringLiteral("Right")) && d.waitShown(QStringLiteral("核心账务系统")) &&
                d.waitShown(QStringLiteral("受保护应用(6)"));
     }},
    {"portal-search.png", "a search",
     [](Demo& d) {
         return d.click(QStringLiteral("卡片模式")) && d.typeInto(QStringLiteral("搜索应用"), QStringLiteral("OA")) &&
                d.waitShown(QStringLiteral("OA 办公系统"));
     }},
    {"portal-netmode.png", "the network mode 远程办公, which leaves the web and office applications",
     [](Demo& d) {
         // The client service names the current mode in the user's settings; a refresh reads it.
         return d.typeInto(QStringLiteral("搜索应用"), QStringLiteral(" ")) && d.key(QStringLiteral("BackSpace")) &&
                d.setup->setIni(QStringLiteral("ini/userinfo.ini"), "netmode", "modecount", QStringLiteral("2")) &&
                d.setup->setIni(QStringLiteral("ini/userinfo.ini"), "netmode", "curnetmodeid", QStringLiteral("m-remote")) &&
                d.click(QStringLiteral("刷新")) && d.waitShown(QStringLiteral("当前网络模式：远程办公")) &&
                d.waitShown(QStringLiteral("全部应用(18)"));
     }},
    {"portal-request-mode.png", "the request list with two applications ticked",
     [](Demo& d) {
         return d.typeInto(QStringLiteral("搜索应用"), QStringLiteral(" ")) && d.key(QStringLiteral("BackSpace")) &&
                d.click(QStringLiteral("用户菜单")) && d.key(QStringLiteral("Down")) && d.key(QStringLiteral("Down")) &&
                d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0136")) && d.click(QStringLiteral("数据仓库")) && d.key(QStringLiteral("space")) &&
                d.click(QStringLiteral("审计平台")) && d.key(QStringLiteral("space")) && d.waitShown(QStringLiteral("申请"), QStringLiteral("push button"));
     }},
    {"portal-request-dialog.png", "the request form for the ticked applications",
     [](Demo& d) { return d.click(QStringLiteral("申请"), QStringLiteral("push button")) && d.waitShown(QStringLiteral("永不过期")); }},
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
    // What holds a login back: a device bound to another user, the user information to complete.
    // The edition whose client service holds a login for a device bound to another user.
    {"account-login", "the bind-again question and the user-information form at login",
     {QStringLiteral("demo"), QStringLiteral("personal")},
     [](SceneSetup& s) {
         return s.setIni(QStringLiteral("ini/syscfg.ini"), "Mervasso", "customProject", QStringLiteral("tirrowa-uos-x86"));
     }, {
    {"account-05-bind-again.png", "this device is bound to another user: ask to move the binding",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.waitShown(QStringLiteral("登录"), QStringLiteral("push button")) &&
                d.typeInto(QStringLiteral("账号"), QStringLiteral("bindagain")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0113")) && d.waitShown(QStringLiteral("新绑定用户"));
     }},
    {"account-06-bind-again-sent.png", "the request to move the binding went out",
     [](Demo& d) {
         return d.click(QStringLiteral("提交"), QStringLiteral("push button")) && d.waitRequest(QStringLiteral("0x0126")) &&
                d.waitShown(QStringLiteral("设备变更申请已提交，请等待管理员审批"));
     }},
    {"account-07-user-information.png", "the user information to complete before the first login",
     [](Demo& d) {
         return d.typeInto(QStringLiteral("账号"), QStringLiteral("userinfo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitShown(QStringLiteral("个人信息")) && d.typeInto(QStringLiteral("姓名"), QStringLiteral("王晓明")) &&
                d.typeInto(QStringLiteral("手机号"), QStringLiteral("1380013")) &&
                d.click(QStringLiteral("提交"), QStringLiteral("push button")) &&
                d.waitShown(QStringLiteral("手机号输入有误,常用系统不能为空,请重新输入"));
     }},
    }},
    // The vesk editions' step login: a code as second step, and this device may be bound.
    {"account-step", "the step login with its SMS code, the bind switch and the bound devices",
     {QStringLiteral("demo"), QStringLiteral("vesk")},
     [](SceneSetup& s) {
         return s.setIni(QStringLiteral("ini/syscfg.ini"), "Mervasso", "customProject", QStringLiteral("vesk-uos-4.19.71"));
     }, {
    {"account-08-step-sms.png", "the second step: the SMS code, and the switch to bind this device",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.waitShown(QStringLiteral("登录"), QStringLiteral("push button")) &&
                d.typeInto(QStringLiteral("账号"), QStringLiteral("stepsms")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0129")) && d.waitShown(QStringLiteral("查看绑定设备"), QStringLiteral("push button"));
     }},
    {"account-09-bound-devices.png", "the devices bound to the account",
     [](Demo& d) {
         return d.click(QStringLiteral("查看绑定设备"), QStringLiteral("push button")) && d.waitShown(QStringLiteral("展示绑定设备"));
     }},
    }},
    // Unbinding the phone from the personal centre of an account with a bound phone.
    {"account-unbind", "unbinding the phone from the personal centre", {QStringLiteral("demo"), QStringLiteral("personal")}, {}, {
    {"account-10-unbind-phone.png", "unbinding the phone: the code was sent and typed",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.waitShown(QStringLiteral("登录"), QStringLiteral("push button")) &&
                d.typeInto(QStringLiteral("账号"), QStringLiteral("centerbound")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x011b")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.waitShown(QStringLiteral("统一门户"), QStringLiteral("check box")) &&
                d.click(QStringLiteral("用户菜单")) && d.key(QStringLiteral("Down")) && d.key(QStringLiteral("Return")) &&
                d.waitShown(QStringLiteral("登录记录")) && d.click(QStringLiteral("解绑手机"), QStringLiteral("push button")) &&
                d.click(QStringLiteral("获取验证码"), QStringLiteral("push button")) && d.waitRequest(QStringLiteral("0x011f")) &&
                d.waitShown(QStringLiteral("验证码已发送至138****8000")) &&
                d.typeInto(QStringLiteral("验证码"), QStringLiteral("123456"));
     }},
    {"account-11-phone-unbound.png", "the personal centre after the phone was unbound",
     [](Demo& d) {
         return d.click(QStringLiteral("确定"), QStringLiteral("push button")) && d.waitRequest(QStringLiteral("0x0120")) &&
                d.waitShown(QStringLiteral("未绑定手机号")) && d.waitShown(QStringLiteral("绑定手机"), QStringLiteral("push button"));
     }},
    }},
    // A dynamic authorization that asks for a second authentication, by password and then by SMS
    // code: the client service leaves the kind in its answer document and pushes the status.
    {"second-auth", "the second authentication by password and by SMS code", {QStringLiteral("demo")}, {}, {
    {"second-auth-password.png", "the second authentication by password refusing a wrong password",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.typeInto(QStringLiteral("账号"), QStringLiteral("demo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0115")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.waitShown(QStringLiteral("统一门户"), QStringLiteral("check box")) &&
                d.setup->writeFile(QStringLiteral("ini/dynamicAuthResponse.json"),
                                   R"({"status":2000,"data":{"quadratic_auth_type":0}})") &&
                d.push(0x0202, 30) && d.typeInto(QStringLiteral("二次认证密码"), QStringLiteral("Wrong@2024")) &&
                d.click(QStringLiteral("确定"), QStringLiteral("push button")) && d.waitRequest(QStringLiteral("0x0121")) &&
                d.waitShown(QStringLiteral("密码错误，请重新输入"));
     }},
    {"second-auth-sms.png", "the second authentication by SMS code: the code was sent",
     [](Demo& d) {
         return d.typeInto(QStringLiteral("二次认证密码"), QStringLiteral("Corvis@2024")) &&
                d.click(QStringLiteral("确定"), QStringLiteral("push button")) && d.waitRequest(QStringLiteral("0x0121")) &&
                d.setup->writeFile(QStringLiteral("ini/dynamicAuthResponse.json"),
                                   R"({"status":2000,"data":{"quadratic_auth_type":1}})") &&
                d.push(0x0202, 30) && d.click(QStringLiteral("获取验证码"), QStringLiteral("push button")) &&
                d.waitRequest(QStringLiteral("0x0122")) && d.waitShown(QStringLiteral("验证码已发送至138****5678"));
     }},
    {"second-auth-sms-refused.png", "the second authentication by SMS code refusing a wrong code",
     [](Demo& d) {
         return d.typeInto(QStringLiteral("验证码"), QStringLiteral("654321")) &&
                d.click(QStringLiteral("确定"), QStringLiteral("push button")) && d.waitRequest(QStringLiteral("0x0123")) &&
                d.waitShown(QStringLiteral("验证码错误，请重新输入"));
     }},
    }},
    // The questions asked before an irreversible step, and the log-out from the user menu.
    {"confirm", "unbinding a bound device and logging out",
     {QStringLiteral("demo")},
     // This installation's identifier is the one the bound-device list knows.
     [](SceneSetup& s) {
         return s.setIni(QStringLiteral("ini/syscfg.ini"), "appinfo", "UUID", QStringLiteral("8f3c2a7e-5d41-4b9a-9c0e-2f6d1b7a4c13"));
     }, {
    {"confirm-unbind-device.png", "the question before a bound device is unbound",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.typeInto(QStringLiteral("账号"), QStringLiteral("demo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0106")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.click(QStringLiteral("设备信息")) && d.waitShown(QStringLiteral("安全设备")) &&
                d.click(QStringLiteral("绑定设备"), QStringLiteral("page tab")) &&
                d.click(QStringLiteral("解绑 研发部-笔记本-张三的第二台工作电脑"), QStringLiteral("push button")) &&
                d.waitShown(QStringLiteral("确定要解绑该设备吗？解绑后该设备需重新绑定才能使用。"));
     }},
    {"device-unbound.png", "the bound devices after the unbinding",
     [](Demo& d) {
         return d.click(QStringLiteral("确定"), QStringLiteral("push button")) && d.waitRequest(QStringLiteral("0x0131")) &&
                d.waitShown(QStringLiteral("绑定设备"), QStringLiteral("page tab"));
     }},
    {"logout-menu.png", "the user menu with its log-out entry",
     [](Demo& d) { return d.click(QStringLiteral("用户菜单")) && d.waitShown(QStringLiteral("注销")); }},
    {"logout-login-page.png", "the login page after logging out",
     [](Demo& d) {
         // The client service reports the log-out by pushing "offline"; the tray shows the window.
         return d.key(QStringLiteral("Up")) && d.key(QStringLiteral("Return")) && d.waitRequest(QStringLiteral("0x9002")) &&
                d.push(0x0301) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.waitShown(QStringLiteral("登录"), QStringLiteral("push button"));
     }},
    }},
    // The date picker of the request form: 自定义 opens it below the deadline field.
    {"date-picker", "the request form's date picker", {QStringLiteral("demo")}, startPortalController, {
    {"date-picker.png", "the date picker below the deadline field",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.typeInto(QStringLiteral("账号"), QStringLiteral("demo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0115")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.waitShown(QStringLiteral("统一门户"), QStringLiteral("check box")) &&
                d.click(QStringLiteral("用户菜单")) && d.key(QStringLiteral("Down")) && d.key(QStringLiteral("Down")) &&
                d.key(QStringLiteral("Return")) && d.waitRequest(QStringLiteral("0x0136")) &&
                d.click(QStringLiteral("数据仓库")) && d.key(QStringLiteral("space")) &&
                d.click(QStringLiteral("申请"), QStringLiteral("push button")) && d.waitShown(QStringLiteral("永不过期")) &&
                // The popup is a window of its own that the accessibility tree does not list; the
                // deadline field shows with it.
                d.click(QStringLiteral("自定义"), QStringLiteral("radio button")) && d.waitShown(QStringLiteral("截止日期"));
     }},
    {"date-picked.png", "the request form with a deadline a week ahead",
     [](Demo& d) { return d.key(QStringLiteral("Down")) && d.key(QStringLiteral("Return")); }},
    }},
    // The QR-code login: corvissim plays the phone of alice (corvissim qrcode scan|confirm).
    {"qrcode", "the QR-code login", {QStringLiteral("demo")}, {}, {
    {"qrcode-tab.png", "the QR tab with its code, read back with zbarimg",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.click(QStringLiteral("扫码登录"), QStringLiteral("page tab")) &&
                d.waitRequest(QStringLiteral("0x010e")) &&
                d.screenCodeIs(QStringLiteral("https://portal.corvis.example/mobile/qrlogin?sign=qrsign-0001"),
                               d.setup->prefix.root() + QStringLiteral("/screen-check.png"));
     }},
    {"qrcode-scanned.png", "the code scanned on the phone",
     [](Demo& d) {
         return d.setup->runTool(QStringLiteral("corvissim"), {QStringLiteral("qrcode"), QStringLiteral("scan")}) &&
                d.waitShown(QStringLiteral("“alice”扫描成功"), QStringLiteral("push button"));
     }},
    {"qrcode-work-area.png", "the work area after the confirmation on the phone",
     [](Demo& d) {
         return d.setup->runTool(QStringLiteral("corvissim"), {QStringLiteral("qrcode"), QStringLiteral("confirm")}) &&
                d.waitRequest(QStringLiteral("0x010f")) && d.waitRequest(QStringLiteral("0x0106")) &&
                d.waitRequest(QStringLiteral("0x0115")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.waitShown(QStringLiteral("统一门户"), QStringLiteral("check box"));
     }},
    }},
    // The certificate login with the demo's USB key of the software token (PIN 123456): the
    // service refuses the certificate "revoked", the workbench goes on with "zhangsan" by itself.
    {"certificate", "the certificate login with a USB key", {QStringLiteral("demo")},
     [](SceneSetup& s) {
         return s.runTool(QStringLiteral("corvistoken"), {"create", "demo-key", "--pin", "123456"}) &&
                s.runTool(QStringLiteral("corvistoken"), {"add", "demo-key", "revoked"}) &&
                s.runTool(QStringLiteral("corvistoken"), {"add", "demo-key", "zhangsan"}) && s.startController();
     }, {
    {"certificate-tab.png", "the certificate tab",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.click(QStringLiteral("证书登录"), QStringLiteral("page tab")) &&
                d.waitShown(QStringLiteral("请插入U-key点击登录"), QStringLiteral("label"));
     }},
    {"certificate-pin.png", "the PIN dialog",
     [](Demo& d) {
         return d.click(QStringLiteral("登录"), QStringLiteral("push button")) &&
                d.typeInto(QStringLiteral("PIN码"), QStringLiteral("000000"));
     }},
    {"certificate-wrong-pin.png", "a wrong PIN",
     [](Demo& d) {
         return d.key(QStringLiteral("Return")) && d.waitShown(QStringLiteral("PIN码验证错误"), QStringLiteral("label"));
     }},
    {"certificate-work-area.png", "the work area after the certificate login",
     [](Demo& d) {
         return d.click(QStringLiteral("登录"), QStringLiteral("push button")) &&
                d.typeInto(QStringLiteral("PIN码"), QStringLiteral("123456")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0605")) && d.waitRequest(QStringLiteral("0x0106")) &&
                d.waitRequest(QStringLiteral("0x0115")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.waitShown(QStringLiteral("统一门户"), QStringLiteral("check box"));
     }},
    }},
    // The work area's pop-ups: the user menu; the services lost the controller and the SPA is redone.
    {"notices", "the user menu, the notice that the SPA must be redone and the redo", {QStringLiteral("demo")}, {}, {
    {"user-menu.png", "the user menu of the top bar",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.typeInto(QStringLiteral("账号"), QStringLiteral("demo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0115")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.waitShown(QStringLiteral("统一门户"), QStringLiteral("check box")) && d.click(QStringLiteral("用户菜单")) &&
                d.waitShown(QStringLiteral("注销"), QStringLiteral("menu item"));
     }},
    {"messages-all-read.png", "the message centre with every message read",
     [](Demo& d) {
         return d.key(QStringLiteral("Escape")) && d.click(QStringLiteral("消息")) &&
                d.click(QStringLiteral("全部已读"), QStringLiteral("push button")) && d.waitRequest(QStringLiteral("0x011e"));
     }},
    {"spa-disconnect.png", "the services lost the controller: the SPA must be redone",
     [](Demo& d) {
         return d.key(QStringLiteral("Escape")) && d.push(0x0327) && d.waitShown(QStringLiteral("立即前往"), QStringLiteral("push button"));
     }},
    {"spa-redo.png", "the SPA page while the tray redoes the SPA",
     [](Demo& d) {
         return d.click(QStringLiteral("立即前往"), QStringLiteral("push button")) &&
                d.waitRequest(QStringLiteral("0x0701"), QStringLiteral("corvistray")) &&
                d.waitShown(QStringLiteral("预认证"), QStringLiteral("label"));
     }},
    }},
    // The login page's other faces: the phone tab, an account locked after failed logins.
    {"login-lock", "the phone tab and the lock count-down", {QStringLiteral("demo")}, {}, {
    {"login-phone-tab.png", "the phone tab",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.click(QStringLiteral("手机号登录"), QStringLiteral("page tab")) &&
                d.waitShown(QStringLiteral("手机号"), QStringLiteral("text"));
     }},
    {"login-lock-countdown.png", "an account locked after five failed logins, counting down",
     [](Demo& d) {
         return d.click(QStringLiteral("账号登录"), QStringLiteral("page tab")) &&
                d.typeInto(QStringLiteral("账号"), QStringLiteral("locked")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0113")) && d.waitShownStart(QStringLiteral("您已登录失败5次，账户锁定"), QStringLiteral("label"));
     }},
    }},
    // The logging page stays while the service holds the access check (slowlogin withholds its
    // result until the step pushes it).
    {"logging", "the logging page during the access check", {QStringLiteral("demo"), QStringLiteral("slowlogin")}, {}, {
    {"logging-access-check.png", "the access check under way",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.typeInto(QStringLiteral("账号"), QStringLiteral("access")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0113")) &&
                d.waitShown(QStringLiteral("正在进行接入检查，请稍等"), QStringLiteral("label"));
     }},
    }},
    // The vesk step login's other faces: an image code, no bound device, the workbench being made.
    {"step-more", "the image code, the empty bound-device list and the workbench being created",
     {QStringLiteral("demo"), QStringLiteral("vesk"), QStringLiteral("slowlogin")},
     [](SceneSetup& s) {
         return s.setIni(QStringLiteral("ini/syscfg.ini"), "Mervasso", "customProject", QStringLiteral("vesk-uos-4.19.71"));
     }, {
    {"step-image-code.png", "the second step asking for the code of a picture",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.waitShown(QStringLiteral("登录"), QStringLiteral("push button")) &&
                d.typeInto(QStringLiteral("账号"), QStringLiteral("stepimage")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0129")) && d.waitShown(QStringLiteral("验证码"), QStringLiteral("text"));
     }},
    {"device-bind-empty.png", "no device bound to the account yet",
     [](Demo& d) {
         return d.setup->prefix.writeInstallFile(QStringLiteral("ini/devicebind.json"),
                                                 R"({"userName":"stepimage","data":[],"rows":[]})") &&
                d.click(QStringLiteral("查看绑定设备"), QStringLiteral("push button")) &&
                d.waitShown(QStringLiteral("暂无绑定设备"), QStringLiteral("label"));
     }},
    {"logging-first-workbench.png", "the code accepted: the first workbench on this computer is being created",
     [](Demo& d) {
         return d.key(QStringLiteral("Escape")) && d.typeInto(QStringLiteral("验证码"), QStringLiteral("123456")) &&
                d.key(QStringLiteral("Return")) && d.waitRequest(QStringLiteral("0x0130")) &&
                d.waitShownStart(QStringLiteral("首次创建安全工作台耗时会较长"), QStringLiteral("label"));
     }},
    }},
    // The login page before the service named its tabs (slowtitle answers the title late).
    {"login-loading", "the login page waiting for its tabs", {QStringLiteral("demo"), QStringLiteral("slowtitle")}, {}, {
    {"login-loading.png", "the loading picture until the service names the login tabs",
     [](Demo& d) { return d.waitWindow(d.pid) && d.waitRequest(QStringLiteral("0x0112")); }},
    }},
    // The self-service reset of a vesk edition: the code on its way, then back to the login page
    // with the new password filled in.
    {"login-reset", "the reset page sending its code and resetting the password", {QStringLiteral("demo")},
     [](SceneSetup& s) {
         return s.setIni(QStringLiteral("ini/syscfg.ini"), "Mervasso", "customProject", QStringLiteral("vesk-uos-4.19.71"));
     }, {
    {"reset-code-sent.png", "the reset page with its code sent",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.click(QStringLiteral("重置密码"), QStringLiteral("push button")) &&
                d.typeInto(QStringLiteral("柜员号"), QStringLiteral("t1001")) &&
                d.typeInto(QStringLiteral("身份证号码"), QStringLiteral("11010519491231002X")) &&
                d.typeInto(QStringLiteral("新密码"), QStringLiteral("Kq9z!mA2")) &&
                d.typeInto(QStringLiteral("确认新密码"), QStringLiteral("Kq9z!mA2")) &&
                d.click(QStringLiteral("获取重置验证码"), QStringLiteral("push button")) &&
                d.waitRequest(QStringLiteral("0x0103")) && d.waitShownStart(QStringLiteral("验证码已发送"), QStringLiteral("label"));
     }},
    {"reset-done.png", "the password reset: back on the login page, ready to log in",
     [](Demo& d) {
         return d.typeInto(QStringLiteral("重置验证码"), QStringLiteral("123456")) &&
                d.click(QStringLiteral("提交"), QStringLiteral("push button")) && d.waitRequest(QStringLiteral("0x0104")) &&
                d.waitShown(QStringLiteral("重置密码成功，请重新登录"), QStringLiteral("label"));
     }},
    }},
    // A step login from the phone tab of a vesk edition: the account is in use elsewhere.
    {"step-reminder", "the question whether to log in although the account is in use elsewhere", {QStringLiteral("demo")},
     [](SceneSetup& s) {
         return s.setIni(QStringLiteral("ini/syscfg.ini"), "Mervasso", "customProject", QStringLiteral("vesk-uos-4.19.71"));
     }, {
    {"login-reminder.png", "the login reminder",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.click(QStringLiteral("手机号登录"), QStringLiteral("page tab")) &&
                d.typeInto(QStringLiteral("手机号"), QStringLiteral("13800000000")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0129")) && d.waitShown(QStringLiteral("继续登录"), QStringLiteral("push button"));
     }},
    }},
    // Rolling back to the installed version's predecessor: from the login page before the
    // package is there, then from the version page.
    {"version-rollback", "the rollback without a package and the question before one", {QStringLiteral("demo")},
     [](SceneSetup& s) {
         return s.setIni(QStringLiteral("ini/syscfg.ini"), "functions", "rollbackUpdate", QStringLiteral("1"));
     }, {
    {"login-rollback-no-package.png", "the login page's rollback finding no package",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.click(QStringLiteral("版本回退"), QStringLiteral("push button")) &&
                d.waitShown(QStringLiteral("检测不到安装包，无法进行回退操作"), QStringLiteral("label"));
     }},
    {"version-rollback-confirm.png", "the question before rolling back to the previous version",
     [](Demo& d) {
         return d.click(QStringLiteral("确定"), QStringLiteral("push button")) &&
                d.setup->prefix.writeInstallFile(QStringLiteral("update/bak/corvis_update.zip"),
                                                 QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0')) &&
                d.typeInto(QStringLiteral("账号"), QStringLiteral("demo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0115")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.click(QStringLiteral("版本检测")) && d.click(QStringLiteral("版本回退"), QStringLiteral("push button")) &&
                d.waitShown(QStringLiteral("检测到上一版本，是否回退并安装"), QStringLiteral("label"));
     }},
    }},
    // A QR code nobody scanned in time.
    {"qrcode-expired", "the QR code expired", {QStringLiteral("demo"), QStringLiteral("qrcode-expired")}, {}, {
    {"qrcode-expired.png", "the expired code, with the way to a new one",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.click(QStringLiteral("扫码登录"), QStringLiteral("page tab")) &&
                d.waitShown(QStringLiteral("刷新二维码"));
     }},
    }},
    // The dynamic authorization stops three applications of the portal.
    {"portal-stopped", "the portal with applications stopped by the dynamic authorization", {QStringLiteral("demo")}, {}, {
    {"portal-stopped-apps.png", "three applications stopped after a low security score",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.typeInto(QStringLiteral("账号"), QStringLiteral("demo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0115")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.waitShown(QStringLiteral("OA 办公系统")) &&
                d.setup->prefix.writeInstallFile(
                    QStringLiteral("ini/dynamicAuthResponse.json"),
                    R"({"data":{"tips":"终端安全评分过低，部分应用已暂停访问","forbidAccessAppIds":["app01","app02","app05"]}})") &&
                d.push(0x0202, 29) && d.waitShown(QStringLiteral("OA 办公系统"));
     }},
    }},
    // A user without any application (emptyportal answers empty lists).
    {"portal-empty", "the portal without applications", {QStringLiteral("demo"), QStringLiteral("emptyportal")}, {}, {
    {"portal-empty.png", "no application to use",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.typeInto(QStringLiteral("账号"), QStringLiteral("demo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0115")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.waitShown(QStringLiteral("暂无应用可使用"), QStringLiteral("label"));
     }},
    }},
    // The certificate login without a USB key in the computer.
    {"certificate-nokey", "the certificate login without a key", {QStringLiteral("demo")},
     [](SceneSetup& s) { return s.startController(); }, {
    {"certificate-no-key.png", "no certificate found: insert the key",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.click(QStringLiteral("证书登录"), QStringLiteral("page tab")) &&
                d.click(QStringLiteral("登录"), QStringLiteral("push button")) &&
                d.typeInto(QStringLiteral("PIN码"), QStringLiteral("123456")) && d.key(QStringLiteral("Return")) &&
                d.waitShown(QStringLiteral("请插入U-key后点击登录"), QStringLiteral("label"));
     }},
    }},
    // Services that have not made a sandbox ready yet, for a user without device binding
    // (sandboxwait).
    {"waiting", "the sandboxes being prepared and no device binding", {QStringLiteral("demo"), QStringLiteral("sandboxwait")},
     [](SceneSetup& s) {
         return s.setIni(QStringLiteral("ini/syscfg.ini"), "appinfo", "UUID", QStringLiteral("8f3c2a7e-5d41-4b9a-9c0e-2f6d1b7a4c13"));
     }, {
    {"sandbox-loading.png", "the sandbox page while no sandbox is ready",
     [](Demo& d) {
         return d.waitWindow(d.pid) && d.typeInto(QStringLiteral("账号"), QStringLiteral("demo")) &&
                d.typeInto(QStringLiteral("密码"), QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0106")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.click(QStringLiteral("安全沙箱")) && d.waitShown(QStringLiteral("沙箱准备中"));
     }},
    {"device-no-bound-devices.png", "the device page's bound devices: none",
     [](Demo& d) {
         return d.click(QStringLiteral("设备信息")) && d.click(QStringLiteral("绑定设备"), QStringLiteral("page tab")) &&
                d.waitShown(QStringLiteral("暂无绑定设备"), QStringLiteral("label"));
     }},
    }},
    // Device pixel ratio 2 on a screen twice as large: pictures sharp ("@2x"), no text cut.
    {"hidpi", "the login page and the work area at device pixel ratio 2", {QStringLiteral("demo")},
     [](SceneSetup& s) {
         s.environment << QStringLiteral("QT_SCALE_FACTOR=2");
         s.screen = QStringLiteral("2560x1600x24");
         return true;
     }, {
    {"ratio2-login-page.png", "the login page at ratio 2",
     [](Demo& d) { return d.waitWindow(d.pid) && d.waitShown(QStringLiteral("登录"), QStringLiteral("push button")); }},
    {"ratio2-work-area.png", "the work area at ratio 2",
     [](Demo& d) {
         // Typed from the keyboard alone: the account field has the focus when the page opens.
         return d.focusWindow() && d.key(QStringLiteral("ctrl+a")) && d.type(QStringLiteral("demo")) && d.key(QStringLiteral("Tab")) &&
                d.type(QStringLiteral("Corvis@2024")) && d.key(QStringLiteral("Return")) &&
                d.waitRequest(QStringLiteral("0x0115")) && d.push(0x0310) && d.waitWindow(d.pid) &&
                d.waitShown(QStringLiteral("统一门户"), QStringLiteral("check box"));
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
    XSession x(setup.screen);
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
        for (const QString& unnamed : accessible.unnamedControls()) {
            std::fprintf(stderr, "corvisdemo: %s: a control without a name: %s\n", step.screenshot, unnamed.toLocal8Bit().constData());
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
