// The real corvisbench under Xvfb with trayer, against corvissim: a login held back because the
// device is bound to another user asks to move the binding (114 with the account and the ticket),
// and a login held back for the user information shows the form whose answer reaches the client
// service as JSON. Controls are found over the accessibility bus, as a screen reader finds them.

#include "support/accessibility.h"
#include "support/logfiles.h"
#include "support/simprocess.h"
#include "support/testprefix.h"
#include "support/xsession.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <memory>

#include <csignal>

class TestAccountLoginE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void bindAgainAsksToMoveTheBinding();
    void userInformationFormIsAnswered();
    void stepLoginOffersTheBinding();

private:
    struct Run {
        std::unique_ptr<TestPrefix> prefix;
        std::unique_ptr<SimProcess> sim;
        std::unique_ptr<AccessibilityBus> bus;
        std::unique_ptr<WorkbenchProcess> bench;
        std::unique_ptr<AccessibleApp> app;
    };
    // The workbench of `edition` on its login page, with the account scenarios served.
    bool start(Run& run, const QByteArray& edition, const QString& scenario = QStringLiteral("personal"));
    bool logIn(Run& run, const QString& account, const QString& request = QStringLiteral("0x0113"));
    bool click(AccessibleApp& app, const QString& name, const QString& role);
    bool type(const QString& text);

    std::unique_ptr<XSession> x_;
    const QString client_ = QStringLiteral("corvisclient");
};

void TestAccountLoginE2E::initTestCase()
{
    x_ = std::make_unique<XSession>();
    QVERIFY2(x_->isValid(), qPrintable(x_->error()));
}

bool TestAccountLoginE2E::click(AccessibleApp& app, const QString& name, const QString& role)
{
    const QRect rect = app.waitFor(name, role, 20000);
    if (rect.isEmpty()) {
        qWarning() << "no control named" << name << "is showing";
        return false;
    }
    return x_->xdotool({QStringLiteral("mousemove"), QString::number(rect.center().x()), QString::number(rect.center().y()),
                        QStringLiteral("click"), QStringLiteral("1")}) == 0;
}

bool TestAccountLoginE2E::type(const QString& text)
{
    return x_->xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text}) == 0;
}

bool TestAccountLoginE2E::start(Run& run, const QByteArray& edition, const QString& scenario)
{
    run.prefix = std::make_unique<TestPrefix>();
    if (!run.prefix->writeSysCfg("[Mervasso]\ncsmode=1\ncustomProject=" + edition + "\n[functions]\nrememberaccount=0\n") ||
        !run.prefix->writeUserInfo("[UserInfo]\nPcName=demo-pc\n")) {
        return false;
    }
    run.sim = std::make_unique<SimProcess>(run.prefix->root());
    if (!run.sim->startBuiltins({QStringLiteral("demo"), scenario})) {
        qWarning() << run.sim->errorOutput();
        return false;
    }
    run.bus = std::make_unique<AccessibilityBus>(x_->display());
    if (!run.bus->isValid()) {
        qWarning() << run.bus->error();
        return false;
    }
    run.bench = std::make_unique<WorkbenchProcess>(run.prefix->root(), x_->display());
    if (!run.bench->start(run.bus->environment())) {
        return false;
    }
    run.app = std::make_unique<AccessibleApp>(*run.bus, QStringLiteral("corvisbench"));
    return run.app->waitForApp(30000) && run.sim->waitForRequest(client_, QStringLiteral("0x0112"), 20000) &&
           x_->waitForViewableWindow(run.bench->pid(), 10000);
}

bool TestAccountLoginE2E::logIn(Run& run, const QString& account, const QString& request)
{
    return click(*run.app, QStringLiteral("账号"), QStringLiteral("text")) && type(account) &&
           click(*run.app, QStringLiteral("密码"), QStringLiteral("text")) && type(QStringLiteral("Corvis@2024")) &&
           x_->xdotool({QStringLiteral("key"), QStringLiteral("Return")}) == 0 &&
           run.sim->waitForRequest(client_, request, 10000);
}

void TestAccountLoginE2E::bindAgainAsksToMoveTheBinding()
{
    Run run;
    QVERIFY(start(run, "tirrowa-uos-x86"));
    QVERIFY(logIn(run, QStringLiteral("bindagain")));
    // The dialog names the bound user and the one who tried; the page waits for it.
    QVERIFY2(!run.app->waitFor(QStringLiteral("设备绑定检查"), QString(), 20000).isEmpty(), qPrintable(run.bench->output()));
    QVERIFY(!run.app->find(QStringLiteral("该设备已绑定其他用户"), QStringLiteral("label")).isEmpty());
    QVERIFY(run.sim->requests(client_, QStringLiteral("0x0126")).isEmpty());

    QVERIFY(click(*run.app, QStringLiteral("提交"), QStringLiteral("push button")));
    QVERIFY(run.sim->waitForRequest(client_, QStringLiteral("0x0126"), 10000));
    const QList<QJsonObject> sent = run.sim->requests(client_, QStringLiteral("0x0126"));
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first().value(QStringLiteral("body")).toString(), QStringLiteral("bindagain\nbind-ticket-7f3a"));
    // Its answer is the login page's tip.
    QVERIFY2(!run.app->waitFor(QStringLiteral("设备变更申请已提交，请等待管理员审批"), QStringLiteral("label"), 20000).isEmpty(),
             qPrintable(run.bench->output()));
    QVERIFY(!run.bench->crashed());
    run.bench->signal(SIGTERM);
    QVERIFY(run.bench->waitForExit(10000));
    // Neither the password nor the binding ticket reached a log line.
    for (const char* severity : {"info", "warning", "error"}) {
        const QString log = workbenchLog(run.prefix->root(), QLatin1String(severity));
        QVERIFY(!log.contains(QStringLiteral("Corvis@2024")));
        QVERIFY(!log.contains(QStringLiteral("bind-ticket-7f3a")));
    }
    QVERIFY(workbenchLog(run.prefix->root(), QStringLiteral("info")).contains(QStringLiteral("0x72")));
}

void TestAccountLoginE2E::userInformationFormIsAnswered()
{
    Run run;
    QVERIFY(start(run, QByteArray()));
    QVERIFY(logIn(run, QStringLiteral("userinfo")));
    QVERIFY2(!run.app->waitFor(QStringLiteral("个人信息"), QString(), 20000).isEmpty(), qPrintable(run.bench->output()));

    // A wrong phone number and a missing choice are refused before anything is sent.
    QVERIFY(click(*run.app, QStringLiteral("姓名"), QStringLiteral("text")));
    QVERIFY(type(QStringLiteral("Wang Xiaoming")));
    QVERIFY(click(*run.app, QStringLiteral("手机号"), QStringLiteral("text")));
    QVERIFY(type(QStringLiteral("1380013")));
    QVERIFY(click(*run.app, QStringLiteral("提交"), QStringLiteral("push button")));
    QVERIFY(!run.app->waitFor(QStringLiteral("手机号输入有误,常用系统不能为空,请重新输入"), QStringLiteral("label"), 20000).isEmpty());
    QVERIFY(run.sim->requests(client_, QStringLiteral("0x0143")).isEmpty());

    // Mended: the phone completed, the first system ticked (reached by the keyboard, which
    // scrolls the form to it).
    QVERIFY(click(*run.app, QStringLiteral("手机号"), QStringLiteral("text")));
    QCOMPARE(x_->xdotool({QStringLiteral("key"), QStringLiteral("End")}), 0);
    QVERIFY(type(QStringLiteral("8000")));
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(x_->xdotool({QStringLiteral("key"), QStringLiteral("Tab")}), 0);
    }
    QCOMPARE(x_->xdotool({QStringLiteral("key"), QStringLiteral("space")}), 0);
    QVERIFY(click(*run.app, QStringLiteral("提交"), QStringLiteral("push button")));
    QVERIFY2(run.sim->waitForRequest(client_, QStringLiteral("0x0143"), 20000), qPrintable(run.bench->output()));
    const QList<QJsonObject> sent = run.sim->requests(client_, QStringLiteral("0x0143"));
    QCOMPARE(sent.size(), 1);
    QJsonParseError error;
    const QJsonObject answer =
        QJsonDocument::fromJson(sent.first().value(QStringLiteral("body")).toString().toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(answer.value(QStringLiteral("uid-name")).toString(), QStringLiteral("Wang Xiaoming"));
    QCOMPARE(answer.value(QStringLiteral("uid-phone")).toString(), QStringLiteral("13800138000"));
    QCOMPARE(answer.value(QStringLiteral("uid-idtype")).toString(), QStringLiteral("1"));
    QCOMPARE(answer.value(QStringLiteral("uid-mail")).toString(), QString());
    QCOMPARE(answer.value(QStringLiteral("uid-systems")).toArray(), QJsonArray{QStringLiteral("portal")});
    // Accepted: the form goes.
    QTRY_VERIFY_WITH_TIMEOUT(run.app->find(QStringLiteral("个人信息"), QString()).isEmpty(), 20000);
    QVERIFY(!run.bench->crashed());
    run.bench->signal(SIGTERM);
    QVERIFY(run.bench->waitForExit(10000));
}

void TestAccountLoginE2E::stepLoginOffersTheBinding()
{
    Run run;
    QVERIFY(start(run, "vesk-uos-4.19.71", QStringLiteral("vesk")));
    QVERIFY(logIn(run, QStringLiteral("stepsms"), QStringLiteral("0x0129")));
    // "03": the second step offers to bind this device; its list shows the bound devices.
    QVERIFY2(!run.app->waitFor(QStringLiteral("验证码已发送至138****8000"), QStringLiteral("label"), 20000).isEmpty(),
             qPrintable(workbenchLog(run.prefix->root(), QStringLiteral("warning"))));
    QVERIFY(click(*run.app, QStringLiteral("查看绑定设备"), QStringLiteral("push button")));
    QVERIFY2(!run.app->waitFor(QStringLiteral("展示绑定设备"), QString(), 20000).isEmpty(), qPrintable(run.bench->output()));
    QVERIFY(!run.bench->crashed());
    run.bench->signal(SIGTERM);
    QVERIFY(run.bench->waitForExit(10000));
}

QTEST_GUILESS_MAIN(TestAccountLoginE2E)
#include "tst_accountlogin_e2e.moc"
