// The real corvisbench under Xvfb: a pushed "open sandbox approvals" opens 我的申请, which asks
// the client service (corvissim) for the application records and the controller stand-in for the
// sandbox records, and lists what they answer.

#include "corviscommon/inivalues.h"
#include "support/ctlsim.h"
#include "support/logfiles.h"
#include "support/simprocess.h"
#include "support/testprefix.h"
#include "support/xsession.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include <memory>

namespace {

const char kSession[] = "sess-e2e-approvals";

QByteArray clientScenario()
{
    const QJsonArray records{
        QJsonObject{{"appName", "OA办公系统"}, {"approveResult", "0"}, {"applyAgo", 3600}, {"validFor", 0}},
        QJsonObject{{"appName", "财务报销平台"}, {"approveResult", "1"}, {"applyAgo", 86400}, {"validFor", 86400}},
    };
    return QJsonDocument(QJsonObject{{"corvisclient",
                                      QJsonObject{{"0x0137", QJsonObject{{"approveRecords", QJsonObject{{"records", records}}}}}}}})
        .toJson();
}

QByteArray controllerScenario()
{
    QJsonArray records;
    for (const char* result : {"0", "1", "2"}) {
        records.append(QJsonObject{{"recordId", QStringLiteral("r-%1").arg(QLatin1String(result))},
                                   {"approveResult", result},
                                   {"applyAgo", 7200},
                                   {"fileName", "a.txt"},
                                   {"fileSize", 2048}});
    }
    return QJsonDocument(
               QJsonObject{{"controller", QJsonObject{{"/Mervasso/approve/querySandboxApproveRecords.json",
                                                       QJsonObject{{"sandboxRecords", QJsonObject{{"records", records}}}}}}}})
        .toJson();
}

}  // namespace

class TestApprovalsE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void openedByPush();

private:
    std::unique_ptr<XSession> x_;
};

void TestApprovalsE2E::initTestCase()
{
    x_ = std::make_unique<XSession>();
    QVERIFY2(x_->isValid(), qPrintable(x_->error()));
}

void TestApprovalsE2E::openedByPush()
{
    TestPrefix prefix;
    CtlSim ctl(prefix, controllerScenario());
    QVERIFY2(ctl.isRunning(), qPrintable(ctl.startError()));
    QVERIFY(prefix.writeSysCfg(ctl.sysCfg()));
    // One [Mervasso] section: the controller's address and the client-service mode together.
    corvis::ini::write(prefix.installPath(QStringLiteral("ini/syscfg.ini")), "Mervasso", "csmode", QByteArrayLiteral("1"));
    QVERIFY(prefix.writeUserInfo(QByteArray("[UserInfo]\nUserName=zhang\nSessionID=") + kSession + "\n"));
    SimProcess sim(prefix.root());
    QVERIFY2(sim.start(clientScenario()), qPrintable(sim.errorOutput()));
    WorkbenchProcess bench(prefix.root(), x_->display());
    QVERIFY(bench.start());
    const QString client = QStringLiteral("corvisclient");
    QVERIFY2(sim.waitForRequest(client, QStringLiteral("0x0112"), 30000), qPrintable(workbenchLog(prefix.root(), QStringLiteral("info")).right(3000)));

    QCOMPARE(sim.push(0x0330), 0);
    // Both lists are reloaded with all states and all time.
    QVERIFY(sim.waitForRequest(client, QStringLiteral("0x0137"), 30000));
    QCOMPARE(sim.requests(client, QStringLiteral("0x0137")).first().value("body").toString(), QString());
    QVERIFY(QTest::qWaitFor([&] { return !ctl.requests().isEmpty(); }, 30000));
    QCOMPARE(ctl.requests().first().value("body").toString(), QStringLiteral("sessionid=") + kSession);
    QVERIFY(QTest::qWaitFor(
        [&] {
            const QString info = workbenchLog(prefix.root(), QStringLiteral("info"));
            return info.contains(QLatin1String("FUNC(SandboxForRight::onSandboxApproveRecordsRsp) records: 3")) &&
                   info.contains(QLatin1String("FUNC(AppforRight::updateInfo) records: 2, shown: 2"));
        },
        30000));

    QCOMPARE(sim.push(0x0311), 0);
    QVERIFY(bench.waitForExit(20000));
    QVERIFY(!bench.crashed());
    QCOMPARE(bench.exitCode(), 0);
    // The session id is a credential: never in the log.
    QVERIFY(!workbenchLog(prefix.root(), QStringLiteral("info")).contains(QLatin1String(kSession)));
}

QTEST_GUILESS_MAIN(TestApprovalsE2E)
#include "tst_approvals_e2e.moc"
