// corvissim as the workbench meets it: requests through UiComm answered by scenarios, files and
// pushes that follow an answer, the request record of every peer, and its command line.

#include "comm/serverdeal.h"
#include "comm/uicomm.h"
#include "comm/unixserver.h"
#include "comm/unsocket.h"
#include "corviscommon/productpath.h"
#include "platform/corvismsg/msgoptions.h"
#include "support/simprocess.h"
#include "support/testprefix.h"

#include <QtTest>

namespace {

struct Result {
    int req;
    QString resMsg;
    QString extra;
    bool failed;
};

// Sends one client-service request and waits for its result.
Result request(ClientReq req, const QString& param, bool withSubStatus = true)
{
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    UiComm::instance()->apiCorvisclientCommon(req, param, withSubStatus);
    if (!spy.wait(20000) && spy.isEmpty()) {
        return {-1, QStringLiteral("no result"), QString(), true};
    }
    const QList<QVariant> args = spy.first();
    return {args.at(0).value<ClientReq>(), args.at(1).toString(), args.at(2).toString(), args.at(3).toBool()};
}

// Runs corvissim with arguments under a prefix (or none); exit status and standard error.
int run(const QStringList& args, const QString& prefix, QString* err)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("CORVISBENCH_PREFIX"));
    if (!prefix.isEmpty()) {
        env.insert(QStringLiteral("CORVISBENCH_PREFIX"), prefix);
    }
    process.setProcessEnvironment(env);
    process.start(SimProcess::program(), args);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    *err = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitCode();
}

}  // namespace

class TestCorvisSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void defaultAnswer();
    void responsesInTurn();
    void anyTypeAndJsonReply();
    void filesBeforeTheAnswer();
    void pushAfterTheAnswer();
    void noAnswer_data();
    void noAnswer();
    void replyTypeZero();
    void echoTellsConcurrentRequestsApart();
    void everyPeerRecorded();
    void stationCommandNotExecuted();
    void badScenario_data();
    void badScenario();
    void serveNeedsPrefix();
    void pushCommandLine();
    void builtinScenarios();
    void termEndsCleanly();

private:
    std::unique_ptr<TestPrefix> prefix_;
};

void TestCorvisSim::initTestCase()
{
    UiComm::instance();
}

void TestCorvisSim::init()
{
    prefix_ = std::make_unique<TestPrefix>();
}

void TestCorvisSim::cleanup()
{
    corvismsg::setReceiveTimeoutMs(30000);
    prefix_.reset();
}

void TestCorvisSim::defaultAnswer()
{
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(), qPrintable(sim.errorOutput()));
    const Result result = request(CReqClientQuerySystemTitle, QStringLiteral("{}"));
    QCOMPARE(result.req, int(CReqClientQuerySystemTitle));
    QVERIFY(!result.failed);
    QCOMPARE(result.resMsg, QString());
    QCOMPARE(result.extra, QStringLiteral("0"));
    const QList<QJsonObject> recorded = sim.requests();
    QCOMPARE(recorded.size(), 1);
    QCOMPARE(recorded.first(), (QJsonObject{{"peer", "corvisclient"}, {"type", "0x0112"}, {"body", "{}"}}));
}

void TestCorvisSim::responsesInTurn()
{
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(R"({"corvisclient": {"0x0113": [{"status": 3}, {"status": 7, "reply": "bind"}, {"reply": "ok"}]}})"),
             qPrintable(sim.errorOutput()));
    QStringList seen;
    for (int i = 0; i < 4; ++i) {
        const Result result = request(CReqClientLogin76, QStringLiteral("u\np"));
        QVERIFY(!result.failed);
        seen << result.resMsg + QLatin1Char('/') + result.extra;
    }
    QCOMPARE(seen, (QStringList{"3/0", "bind/7", "ok/0", "ok/0"}));
}

void TestCorvisSim::anyTypeAndJsonReply()
{
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(R"({"corvisclient": {"*": [{"status": 1, "reply": "any"}],
                                             "0x0114": [{"reply": {"apps": [1, 2]}}]}})"),
             qPrintable(sim.errorOutput()));
    Result result = request(CReqClientPortalRefresh101, QString());
    QVERIFY(!result.failed);
    QCOMPARE(result.resMsg, QStringLiteral(R"({"apps":[1,2]})"));
    result = request(CReqClientPortalRefresh102, QString());
    QVERIFY(result.failed);
    QCOMPARE(result.resMsg, QStringLiteral("any"));
}

void TestCorvisSim::filesBeforeTheAnswer()
{
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(R"({"corvisclient": {"0x0113": [{"files": {
                 "ini/login.json": {"code": 0, "name": "张三"},
                 "ini/notes.txt": "plain text",
                 "cache/n.json": 5}}]}})"),
             qPrintable(sim.errorOutput()));
    const Result result = request(CReqClientLogin76, QStringLiteral("u\np"));
    QVERIFY(!result.failed);
    QCOMPARE(prefix_->readInstallFile(QStringLiteral("ini/login.json")), QByteArray(R"({"code":0,"name":"张三"})"));
    QCOMPARE(prefix_->readInstallFile(QStringLiteral("ini/notes.txt")), QByteArray("plain text"));
    QCOMPARE(prefix_->readInstallFile(QStringLiteral("cache/n.json")), QByteArray("5"));
}

void TestCorvisSim::pushAfterTheAnswer()
{
    UnixServer server(corvis::productPathQ(QStringLiteral("/tmp/.corvisbench.us")));
    QSignalSpy window(server.severDeal(), &ServerDeal::sendWindowStatusChanged);
    QSignalSpy message(server.severDeal(), &ServerDeal::sendServerMsg);
    server.start();
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(R"({"corvisclient": {"0x0113": [{"push": [{"code": "0x0300"},
                 {"code": "0x0201", "arg": 2, "text": "done", "delayMs": 10}]}]}})"),
             qPrintable(sim.errorOutput()));
    QVERIFY(!request(CReqClientLogin76, QStringLiteral("u\np")).failed);
    QTRY_COMPARE(message.count(), 1);
    QCOMPARE(window.count(), 1);
    QCOMPARE(window.first().first().value<ServerReq>(), SReqUpline);
    QCOMPARE(message.first().at(0).value<ServerReq>(), SReqAccessLoginResult);
    QCOMPARE(message.first().at(1).toString(), QStringLiteral("done"));
    QCOMPARE(message.first().at(2).toInt(), 2);
}

void TestCorvisSim::noAnswer_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::newRow("close") << QByteArray(R"({"close": true})");
    QTest::newRow("hang") << QByteArray(R"({"hang": true})");
    QTest::newRow("late beyond the time-out") << QByteArray(R"({"delayMs": 3000})");
}

void TestCorvisSim::noAnswer()
{
    QFETCH(QByteArray, response);
    corvismsg::setReceiveTimeoutMs(300);
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(R"({"corvisclient": {"0x0113": [)" + response + "]}}"), qPrintable(sim.errorOutput()));
    const Result result = request(CReqClientLogin76, QStringLiteral("u\np"));
    QVERIFY(result.failed);
    QCOMPARE(result.resMsg, QStringLiteral("后台通信失败"));
    // The simulator ends promptly even with a connection held or an answer pending.
    QVERIFY(sim.stop());
}

void TestCorvisSim::replyTypeZero()
{
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(R"({"corvisclient": {"0x0112": [{"replyType": 0, "reply": "x"}]}})"), qPrintable(sim.errorOutput()));
    const Result result = request(CReqClientQuerySystemTitle, QString());
    QVERIFY(result.failed);
    QCOMPARE(result.resMsg, QStringLiteral("接受后台信息失败"));
}

void TestCorvisSim::echoTellsConcurrentRequestsApart()
{
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(R"({"corvisclient": {"0x0114": [{"echo": true, "delayMs": 20}]}})"), qPrintable(sim.errorOutput()));
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    for (int i = 0; i < 8; ++i) {
        UiComm::instance()->apiCorvisclientCommon(CReqClientPortalRefresh101, QStringLiteral("req-%1").arg(i), false);
    }
    QTRY_COMPARE(spy.count(), 8);
    QStringList answers;
    for (const QList<QVariant>& args : spy) {
        QVERIFY(!args.at(3).toBool());
        answers << args.at(1).toString();
    }
    answers.sort();
    QCOMPARE(answers, (QStringList{"req-0", "req-1", "req-2", "req-3", "req-4", "req-5", "req-6", "req-7"}));
}

void TestCorvisSim::everyPeerRecorded()
{
    UnixServer server(corvis::productPathQ(QStringLiteral("/tmp/.corvisbench.us")));
    QSignalSpy message(server.severDeal(), &ServerDeal::sendServerMsg);
    server.start();
    SimProcess sim(prefix_->root());
    // A scripted reaction of a peer that does not answer: the tray reports an SPA result.
    QVERIFY2(sim.start(R"({"corvistray": {"0x0601": [{"push": [{"code": "0x0326", "arg": 1, "text": "OPEN1443"}]}]}})"),
             qPrintable(sim.errorOutput()));
    QSignalSpy results(UiComm::instance(), &UiComm::sendCommMsg);
    UiComm::instance()->apiCorvistrayCommon(CReqTraySpaLogin, QStringLiteral("spa"));
    UiComm::instance()->apiCorvisUpdateSrvCommon(CReqUpdate40, QStringLiteral("rollback"));
    UiComm::instance()->apiCorviswebCommon(CReqWebClose, QStringLiteral("close"), false);
    UiComm::instance()->apiCorvisdaemonCommon(CReqDaemonSandbox, QStringLiteral("{\"id\":3}"));
    QTRY_COMPARE(results.count(), 4);
    QCOMPARE(corvis_station_execute_cmd("xdg-open x"), 0);
    QVERIFY(sim.waitForRequests(5));
    QSet<QString> seen;
    for (const QJsonObject& r : sim.requests()) {
        seen.insert(r.value("peer").toString() + ' ' + r.value("type").toString() + ' ' + r.value("body").toString());
    }
    QCOMPARE(seen, (QSet<QString>{"corvistray 0x0601 spa", "corvisupdatesrv 0x4001 rollback", "corvisweb 0x1220 close",
                                  "corvisdaemon 0x1012 {\"id\":3}", "userstation 0x1006 xdg-open x"}));
    QTRY_COMPARE(message.count(), 1);
    QCOMPARE(message.first().at(0).value<ServerReq>(), SReqTraySpaLoginResult);
    QCOMPARE(message.first().at(1).toString(), QStringLiteral("OPEN1443"));
}

void TestCorvisSim::stationCommandNotExecuted()
{
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(), qPrintable(sim.errorOutput()));
    const QString marker = prefix_->root() + QStringLiteral("/executed");
    QCOMPARE(corvis_station_execute_cmd(QStringLiteral("touch %1").arg(marker).toLocal8Bit().constData()), 0);
    QVERIFY(sim.waitForRequest(QStringLiteral("userstation"), QStringLiteral("0x1006")));
    QVERIFY(sim.stop());
    QVERIFY(!QFileInfo::exists(marker));
}

void TestCorvisSim::badScenario_data()
{
    QTest::addColumn<QByteArray>("scenario");
    QTest::addColumn<QString>("message");
    QTest::newRow("not JSON") << QByteArray("{") << "not a JSON object";
    QTest::newRow("unknown peer") << QByteArray(R"({"corvisfoo": {}})") << "unknown peer \"corvisfoo\"";
    QTest::newRow("unknown key") << QByteArray(R"({"corvisclient": {"0x0113": [{"stauts": 1}]}})")
                                 << "corvisclient.0x0113[0].stauts: unknown key";
    QTest::newRow("type not hex") << QByteArray(R"({"corvisclient": {"275": [{}]}})") << "a type is written \"0xNNNN\"";
    QTest::newRow("file outside the root") << QByteArray(R"({"corvisclient": {"0x0113": [{"files": {"../x": ""}}]}})")
                                           << "\"../x\" is not a path below the install root";
    QTest::newRow("push without code") << QByteArray(R"({"corvisclient": {"0x0113": [{"push": [{"arg": 1}]}]}})")
                                       << "each message needs \"code\"";
    QTest::newRow("status not a number") << QByteArray(R"({"corvisclient": {"0x0113": [{"status": "x"}]}})")
                                         << ".status: a number 0..65535";
    QTest::newRow("empty list") << QByteArray(R"({"corvisclient": {"0x0113": []}})") << "no response";
}

void TestCorvisSim::badScenario()
{
    QFETCH(QByteArray, scenario);
    QFETCH(QString, message);
    const QString file = prefix_->root() + QStringLiteral("/bad.json");
    QVERIFY(writeFile(file, scenario));
    QString err;
    QCOMPARE(run({QStringLiteral("serve"), QStringLiteral("--scenario"), file}, prefix_->root(), &err), 1);
    QVERIFY2(err.contains(message), qPrintable(err));
    QVERIFY(!QFileInfo::exists(prefix_->path(QStringLiteral("/tmp/.corvisclient.un"))));
}

void TestCorvisSim::serveNeedsPrefix()
{
    QString err;
    QCOMPARE(run({QStringLiteral("serve")}, QString(), &err), 1);
    QVERIFY(err.contains(QStringLiteral("CORVISBENCH_PREFIX is not set")));
}

void TestCorvisSim::pushCommandLine()
{
    QString err;
    QCOMPARE(SimProcess::push(prefix_->root(), {"--code", "0x0300"}, &err), 1);
    QVERIFY2(err.contains(QStringLiteral("/tmp/.corvisbench.us: No such file or directory")), qPrintable(err));
    QCOMPARE(SimProcess::push(prefix_->root(), {"--arg", "1"}, &err), 2);
    QCOMPARE(SimProcess::push(prefix_->root(), {"--code", "300"}, &err), 2);
    QCOMPARE(SimProcess::push(prefix_->root(), {"--code", "0x0300", "--arg", "70000"}, &err), 2);

    UnixServer server(corvis::productPathQ(QStringLiteral("/tmp/.corvisbench.us")));
    QSignalSpy ready(server.severDeal(), &ServerDeal::sendSandboxReady);
    server.start();
    QCOMPARE(SimProcess::push(prefix_->root(), {"--code", "0x0323", "--text", "沙箱-1"}, &err), 0);
    QTRY_COMPARE(ready.count(), 1);
    QCOMPARE(ready.first().first().toString(), QStringLiteral("沙箱-1"));
}

void TestCorvisSim::builtinScenarios()
{
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.startBuiltin(QStringLiteral("demo")), qPrintable(sim.errorOutput()));
    QVERIFY(!request(CReqClientQuerySystemTitle, QString()).failed);
    QVERIFY(sim.stop());
    QString err;
    QCOMPARE(run({QStringLiteral("serve"), QStringLiteral("--scenario"), QStringLiteral("builtin:nope")}, prefix_->root(), &err),
             1);
    QVERIFY2(err.contains(QStringLiteral("no built-in scenario \"nope\" (there are: ")) && err.contains(QStringLiteral("demo")),
             qPrintable(err));
}

void TestCorvisSim::termEndsCleanly()
{
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(), qPrintable(sim.errorOutput()));
    const QStringList sockets = {"/tmp/.corvisclient.un", "/tmp/.corvistray.un", "/tmp/.corvisupdatesrv.un",
                                 "/tmp/.corvisweb.un", "/tmp/.corvis_cfs/.corvisdaemon.sock",
                                 "/run/user/corvis/.corvisdaemon.sock", "/tmp/.corvisdaemon.un", "/tmp/.userstation.un"};
    for (const QString& socket : sockets) {
        QVERIFY2(QFileInfo(prefix_->path(socket)).exists(), qPrintable(socket));
    }
    QVERIFY(sim.stop());
    for (const QString& socket : sockets) {
        QVERIFY2(!QFileInfo::exists(prefix_->path(socket)), qPrintable(socket));
    }
}

QTEST_GUILESS_MAIN(TestCorvisSim)
#include "tst_corvissim.moc"
