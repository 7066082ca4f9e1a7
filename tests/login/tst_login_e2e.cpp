// The real corvisbench under Xvfb with trayer, against corvissim's demo scenario: a person types
// an account and a password into the real window and presses Return. A wrong password is
// refused with the service's text; the right one sends its exact body, and the pushed login
// brings up the work area.

#include "support/logfiles.h"
#include "support/simprocess.h"
#include "support/testprefix.h"
#include "support/xsession.h"

#include <QtTest>

#include <memory>

#include <csignal>

class TestLoginE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void typeAndLogin();

private:
    std::unique_ptr<XSession> x_;
};

void TestLoginE2E::initTestCase()
{
    x_ = std::make_unique<XSession>();
    QVERIFY2(x_->isValid(), qPrintable(x_->error()));
}

void TestLoginE2E::typeAndLogin()
{
    TestPrefix prefix;
    prefix.writeSysCfg("[Mervasso]\ncsmode=1\ncustomProject=\n[functions]\nrememberaccount=0\n");
    prefix.writeUserInfo("[UserInfo]\nUserName=demo\n");
    SimProcess sim(prefix.root());
    QVERIFY2(sim.startBuiltin(QStringLiteral("demo")), qPrintable(sim.errorOutput()));
    WorkbenchProcess bench(prefix.root(), x_->display());
    QVERIFY(bench.start());
    const QString client = QStringLiteral("corvisclient");
    QVERIFY2(sim.waitForRequest(client, QStringLiteral("0x0112"), 20000),
             qPrintable(bench.output() + workbenchLog(prefix.root(), QStringLiteral("info"))));
    QVERIFY(x_->waitForViewableWindow(bench.pid(), 10000));
    // The tabs are up once the system title has been read.
    QVERIFY(QTest::qWaitFor(
        [&]() { return workbenchLog(prefix.root(), QStringLiteral("info")).contains("FUNC(parseSystemTitle) exit"); },
        10000));
    const QString window =
        x_->xdotoolOutput({"search", "--onlyvisible", "--pid", QString::number(bench.pid())}).section('\n', 0, 0);
    QVERIFY(!window.isEmpty());
    QCOMPARE(x_->xdotool({"windowfocus", "--sync", window}), 0);
    QTest::qWait(300);

    // A wrong password: typed into the focused account field, Tab to the password, Return.
    QCOMPARE(x_->xdotool({"type", "--delay", "30", "demo"}), 0);
    QCOMPARE(x_->xdotool({"key", "Tab"}), 0);
    QCOMPARE(x_->xdotool({"type", "--delay", "30", "Wrong@2024"}), 0);
    QCOMPARE(x_->xdotool({"key", "Return"}), 0);
    QVERIFY(sim.waitForRequest(client, QStringLiteral("0x0113"), 10000));
    QList<QJsonObject> logins = sim.requests(client, QStringLiteral("0x0113"));
    QCOMPARE(logins.size(), 1);
    QStringList fields = logins.first().value("body").toString().split('\n');
    QCOMPARE(fields.size(), 4);
    QCOMPARE(fields.at(0), QStringLiteral("demo"));
    QCOMPARE(fields.at(1), QStringLiteral("Wrong@2024"));
    QVERIFY(qAbs(fields.at(2).toLongLong() - QDateTime::currentMSecsSinceEpoch()) < 60000);
    QCOMPARE(fields.at(3), QString());
    QVERIFY(QTest::qWaitFor(
        [&]() {
            return workbenchLog(prefix.root(), QStringLiteral("info"))
                .contains(QStringLiteral("FUNC(setLoginErrorTips) type: 0, tip: 用户名或密码错误"));
        },
        10000));
    // The password never reaches the log.
    QVERIFY(!workbenchLog(prefix.root(), QStringLiteral("info")).contains("Wrong@2024"));

    // The right password: select what is in the password field and type over it.
    QCOMPARE(x_->xdotool({"key", "ctrl+a"}), 0);
    QCOMPARE(x_->xdotool({"type", "--delay", "30", "Corvis@2024"}), 0);
    QCOMPARE(x_->xdotool({"key", "Return"}), 0);
    QVERIFY(QTest::qWaitFor([&]() { return sim.requests(client, QStringLiteral("0x0113")).size() == 2; }, 10000));
    logins = sim.requests(client, QStringLiteral("0x0113"));
    fields = logins.at(1).value("body").toString().split('\n');
    QCOMPARE(fields.mid(0, 2), (QStringList{"demo", "Corvis@2024"}));
    QCOMPARE(fields.size(), 4);

    // The pushed login: the work area asks for its data and the window goes to the tray.
    for (const char* type : {"0x0114", "0x0115", "0x011b"}) {
        QVERIFY2(sim.waitForRequest(client, QString::fromLatin1(type), 10000), type);
    }
    const QString info = workbenchLog(prefix.root(), QStringLiteral("info"));
    QVERIFY(info.contains(QLatin1String("==========updateLoginState SReqUpline happen!")));
    QVERIFY(!info.contains("Corvis@2024"));
    QCOMPARE(sim.push(0x0310), 0);
    QVERIFY(x_->waitForViewableWindow(bench.pid(), 10000));

    bench.signal(SIGTERM);
    QVERIFY(bench.waitForExit(10000));
}

QTEST_GUILESS_MAIN(TestLoginE2E)
#include "tst_login_e2e.moc"
