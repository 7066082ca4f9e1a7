// The real corvisbench under Xvfb with trayer, against corvissim: it asks for the system title at
// start, follows a pushed login to the work area with its requests, shows itself on request,
// and ends when the close command is pushed.

#include "support/logfiles.h"
#include "support/simprocess.h"
#include "support/testprefix.h"
#include "support/xsession.h"

#include <QtTest>

#include <memory>

class TestMainWindowE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loginStateAndQuit();

private:
    std::unique_ptr<XSession> x_;
};

void TestMainWindowE2E::initTestCase()
{
    x_ = std::make_unique<XSession>();
    QVERIFY2(x_->isValid(), qPrintable(x_->error()));
}

void TestMainWindowE2E::loginStateAndQuit()
{
    TestPrefix prefix;
    prefix.writeSysCfg("[Mervasso]\ncsmode=1\n");
    prefix.writeUserInfo("[UserInfo]\nUserName=zhang\n");
    SimProcess sim(prefix.root());
    QVERIFY2(sim.start(), qPrintable(sim.errorOutput()));
    WorkbenchProcess bench(prefix.root(), x_->display());
    QVERIFY(bench.start());

    const QString client = QStringLiteral("corvisclient");
    QVERIFY(sim.waitForRequest(client, QStringLiteral("0x0112"), 20000));
    QVERIFY(x_->waitForViewableWindow(bench.pid(), 10000));

    QCOMPARE(sim.push(0x0300), 0);
    // The work area's requests: audit, messages, title again, 89, carousel, binding, portal.
    for (const char* type : {"0x011b", "0x011d", "0x0142", "0x0144", "0x0106", "0x0114", "0x0115"}) {
        QVERIFY2(sim.waitForRequest(client, QString::fromLatin1(type), 10000), type);
    }
    QVERIFY(QTest::qWaitFor([&]() { return sim.requests(client, QStringLiteral("0x0112")).size() >= 2; }, 10000));
    // The tray takes over after the login; a pushed "show" brings the work area up.
    QVERIFY(QTest::qWaitFor([&]() { return !x_->hasViewableWindow(bench.pid()); }, 10000));
    QCOMPARE(sim.push(0x0310), 0);
    QVERIFY(x_->waitForViewableWindow(bench.pid(), 10000));

    QCOMPARE(sim.push(0x0311), 0);
    QVERIFY(bench.waitForExit(10000));
    QVERIFY(!bench.crashed());
    QCOMPARE(bench.exitCode(), 0);
    const QString info = workbenchLog(prefix.root(), QStringLiteral("info"));
    QVERIFY(info.contains(QLatin1String("==========updateLoginState SReqUpline happen!")));
    QVERIFY(info.contains(QLatin1String("corvisbench will quit")));
}

QTEST_GUILESS_MAIN(TestMainWindowE2E)
#include "tst_mainwindow_e2e.moc"
