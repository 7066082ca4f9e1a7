// corvissim's login paths: the "when" key that answers by what a request carries, and the demo
// scenario's accounts through UiComm over the real sockets (those the login dialog's demo paths
// do not already drive).

#include "comm/serverdeal.h"
#include "comm/uicomm.h"
#include "comm/unixserver.h"
#include "corviscommon/productpath.h"
#include "support/simprocess.h"
#include "support/testprefix.h"

#include <QJsonDocument>
#include <QtTest>

namespace {

struct Result {
    QString resMsg;
    QString extra;
    bool failed;
};

Result request(ClientReq req, const QString& param)
{
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    UiComm::instance()->apiCorvisclientCommon(req, param, true);
    if (!spy.wait(20000) && spy.isEmpty()) {
        return {QStringLiteral("no result"), QString(), true};
    }
    const QList<QVariant> args = spy.first();
    return {args.at(1).toString(), args.at(2).toString(), args.at(3).toBool()};
}

int exitOf(const QString& prefix, const QByteArray& scenario, QString* err)
{
    const QString file = prefix + QStringLiteral("/bad.json");
    writeFile(file, scenario);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CORVISBENCH_PREFIX"), prefix);
    process.setProcessEnvironment(env);
    process.start(SimProcess::program(), {QStringLiteral("serve"), QStringLiteral("--scenario"), file});
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    *err = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitCode();
}

const QString kPwd = QStringLiteral("Corvis@2024");

}  // namespace

class TestCorvisSimLogin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void whenSelects_data();
    void whenSelects();
    void whenSelectsFilesAndPush();
    void badWhen_data();
    void badWhen();
    void demoAccounts_data();
    void demoAccounts();
    void demoSecondFactor();
    void demoAccessCheck();
    void demoAccountCodes_data();
    void demoAccountCodes();

private:
    std::unique_ptr<TestPrefix> prefix_;
};

void TestCorvisSimLogin::initTestCase()
{
    UiComm::instance();
}

void TestCorvisSimLogin::init()
{
    prefix_ = std::make_unique<TestPrefix>();
}

void TestCorvisSimLogin::cleanup()
{
    prefix_.reset();
}

void TestCorvisSimLogin::whenSelects_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("reply");
    QTest::newRow("both fields") << "ann\nright\n1700000000000\n" << "welcome";
    QTest::newRow("wrong second field") << "ann\nwrong\n1700000000000\n" << "refused";
    QTest::newRow("field beyond the body") << "ann" << "refused";
    QTest::newRow("contains") << "bob\nx\n1\nphone\n0" << "phone";
    QTest::newRow("first match wins") << "ann\nright\nphone" << "welcome";
}

void TestCorvisSimLogin::whenSelects()
{
    QFETCH(QString, body);
    QFETCH(QString, reply);
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(R"({"corvisclient": {"0x0113": {"when": [
                 {"fields": {"0": "ann", "1": "right"}, "then": {"reply": "welcome"}},
                 {"contains": "phone", "then": {"reply": "phone"}}],
               "status": 1, "reply": "refused"}}})"),
             qPrintable(sim.errorOutput()));
    const Result result = request(CReqClientLogin76, body);
    QCOMPARE(result.resMsg, reply);
    QCOMPARE(result.failed, reply == QLatin1String("refused"));
}

void TestCorvisSimLogin::whenSelectsFilesAndPush()
{
    UnixServer server(corvis::productPathQ(QStringLiteral("/tmp/.corvisbench.us")));
    QSignalSpy window(server.severDeal(), &ServerDeal::sendWindowStatusChanged);
    server.start();
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(R"({"corvisclient": {"0x0113": {"when": [
                 {"fields": {"0": "ann"}, "then": {"files": {"ini/login.json": {"status": 2000}},
                                                   "push": [{"code": "0x0300"}]}}],
               "files": {"ini/other.json": "x"}}}})"),
             qPrintable(sim.errorOutput()));
    QVERIFY(!request(CReqClientLogin76, QStringLiteral("bob")).failed);
    QVERIFY(!QFileInfo::exists(prefix_->installPath("ini/login.json")));
    QCOMPARE(prefix_->readInstallFile("ini/other.json"), QByteArray("x"));
    QVERIFY(!request(CReqClientLogin76, QStringLiteral("ann")).failed);
    QCOMPARE(prefix_->readInstallFile("ini/login.json"), QByteArray(R"({"status":2000})"));
    QTRY_COMPARE(window.count(), 1);
    QCOMPARE(window.first().first().value<ServerReq>(), SReqUpline);
}

void TestCorvisSimLogin::badWhen_data()
{
    QTest::addColumn<QByteArray>("scenario");
    QTest::addColumn<QString>("message");
    QTest::newRow("not an array") << QByteArray(R"({"corvisclient": {"0x0113": [{"when": {}}]}})")
                                  << "corvisclient.0x0113[0].when: an array of";
    QTest::newRow("no then") << QByteArray(R"({"corvisclient": {"0x0113": [{"when": [{"contains": "a"}]}]}})")
                             << "[0]: an object with a \"then\" response expected";
    QTest::newRow("bad field number") << QByteArray(R"({"corvisclient": {"0x0113": [{"when": [
                                             {"fields": {"x": "a"}, "then": {}}]}]}})")
                                      << "[0].fields.x: a field number and a text expected";
    QTest::newRow("unknown key") << QByteArray(R"({"corvisclient": {"0x0113": [{"when": [
                                        {"field": {"0": "a"}, "then": {}}]}]}})")
                                 << "[0].field: unknown key";
    QTest::newRow("bad nested response") << QByteArray(R"({"corvisclient": {"0x0113": [{"when": [
                                                {"then": {"status": "x"}}]}]}})")
                                         << "[0].then.status: a number 0..65535";
}

void TestCorvisSimLogin::badWhen()
{
    QFETCH(QByteArray, scenario);
    QFETCH(QString, message);
    QString err;
    QCOMPARE(exitOf(prefix_->root(), scenario, &err), 1);
    QVERIFY2(err.contains(message), qPrintable(err));
}

void TestCorvisSimLogin::demoAccounts_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("resMsg");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<bool>("loginJson");
    const QString epoch = QStringLiteral("\n1700000000000\n");
    QTest::newRow("retry") << int(CReqClientLogin76) << "retry\n" + kPwd + epoch
                           << R"({"failCount":2,"msg":"密码错误，还可尝试3次","restTime":30})" << "22" << false;
    QTest::newRow("change password") << int(CReqClientLogin76) << "expired\n" + kPwd + epoch << "14" << "0" << false;
    QTest::newRow("reminder") << int(CReqClientLoginAuthCode84) << "13800000000\n" + kPwd + epoch + "phone\n0"
                              << "该账号已在其他设备登录，继续登录将使其下线" << "27" << false;
    QTest::newRow("reminder accepted") << int(CReqClientLoginAuthCode84) << "13800000000\n" + kPwd + epoch + "phone\n1"
                                       << "登录成功" << "0" << true;
    QTest::newRow("wrong SMS code") << int(CReqClientLogin80) << "000000" << "验证码错误，请重新输入" << "19" << false;
}

void TestCorvisSimLogin::demoAccounts()
{
    QFETCH(int, req);
    QFETCH(QString, body);
    QFETCH(QString, resMsg);
    QFETCH(QString, extra);
    QFETCH(bool, loginJson);
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.startBuiltin(QStringLiteral("demo")), qPrintable(sim.errorOutput()));
    const Result result = request(ClientReq(req), body);
    QVERIFY(!result.failed);
    QCOMPARE(result.resMsg, resMsg);
    QCOMPARE(result.extra, extra);
    const QJsonObject login = QJsonDocument::fromJson(prefix_->readInstallFile("ini/login.json")).object();
    QCOMPARE(login.value("status").toInt(), loginJson ? 2000 : 0);
}

void TestCorvisSimLogin::demoSecondFactor()
{
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.startBuiltin(QStringLiteral("demo")), qPrintable(sim.errorOutput()));
    QCOMPARE(request(CReqClientLogin76, "smsdemo\n" + kPwd + "\n1\n").extra, QStringLiteral("7"));
    const Result init = request(CReqClientLoginResult78, QString());
    QVERIFY(!init.failed);
    QVERIFY(init.resMsg.contains("13812345678"));
    const Result code = request(CReqClientAuthCode79, QString());
    QVERIFY(code.resMsg.contains("smsSendCodeButtonTime"));
    const Result login = request(CReqClientLogin80, QStringLiteral("123456"));
    QVERIFY(!login.failed);
    QCOMPARE(QJsonDocument::fromJson(prefix_->readInstallFile("ini/login.json")).object().value("loginName").toString(),
             QStringLiteral("smsdemo"));
}

void TestCorvisSimLogin::demoAccessCheck()
{
    UnixServer server(corvis::productPathQ(QStringLiteral("/tmp/.corvisbench.us")));
    QSignalSpy message(server.severDeal(), &ServerDeal::sendServerMsg);
    QSignalSpy window(server.severDeal(), &ServerDeal::sendWindowStatusChanged);
    server.start();
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.startBuiltin(QStringLiteral("demo")), qPrintable(sim.errorOutput()));
    const Result result = request(CReqClientLogin76, "access\n" + kPwd + "\n1\n");
    QCOMPARE(result.resMsg, QStringLiteral("3"));
    QTRY_COMPARE(message.count(), 1);
    QCOMPARE(message.first().at(0).value<ServerReq>(), SReqAccessLoginResult);
    QCOMPARE(message.first().at(2).toInt(), 4);
    QTRY_COMPARE(window.count(), 1);
}

void TestCorvisSimLogin::demoAccountCodes_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("resMsg");
    QTest::addColumn<bool>("refused");
    const QString wrongCode = QStringLiteral("验证码错误，请重新输入");
    QTest::newRow("unbind code") << int(CReqClientUnbindAuthCode) << QString() << "验证码已发送至138****8000" << false;
    QTest::newRow("unbind") << int(CReqClientUnbind) << "123456" << QString() << false;
    QTest::newRow("unbind, wrong code") << int(CReqClientUnbind) << "000000" << wrongCode << true;
    QTest::newRow("again by password") << int(CReqClientAgainAuthPwd) << "demo\n" + kPwd << QString() << false;
    QTest::newRow("again by password, wrong") << int(CReqClientAgainAuthPwd) << "demo\nWrong@2024"
                                              << "密码错误，请重新输入" << true;
    QTest::newRow("again: the code") << int(CReqClientAgainAuthSmsCode) << QString() << "验证码已发送至138****5678" << false;
    QTest::newRow("again by code") << int(CReqClientAgainAuthSms) << "123456" << QString() << false;
    QTest::newRow("again by code, wrong") << int(CReqClientAgainAuthSms) << "654321" << wrongCode << true;
}

void TestCorvisSimLogin::demoAccountCodes()
{
    QFETCH(int, req);
    QFETCH(QString, body);
    QFETCH(QString, resMsg);
    QFETCH(bool, refused);
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.startBuiltin(QStringLiteral("demo")), qPrintable(sim.errorOutput()));
    const Result result = request(ClientReq(req), body);
    // A refusal reaches the dialog as a failed exchange carrying the reason.
    QCOMPARE(result.failed, refused);
    if (resMsg.contains(QStringLiteral("验证码已发送"))) {
        // The code's answer: a document with the message and the wait before the next code.
        const QJsonObject answer = QJsonDocument::fromJson(result.resMsg.toUtf8()).object();
        QCOMPARE(answer.value("msg").toString(), resMsg);
        QCOMPARE(answer.value("result").toObject().value("smsSendCodeButtonTime").toInt(), 60);
    } else {
        QCOMPARE(result.resMsg, resMsg);
    }
}

QTEST_GUILESS_MAIN(TestCorvisSimLogin)
#include "tst_corvissim_login.moc"
