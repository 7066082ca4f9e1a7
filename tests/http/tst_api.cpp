// The controller API against the loopback controller: what each call sends (path, body,
// headers), how replies are read (typed keys only), and every failure path with its log line.

#include "http/api.h"

#include "app/common.h"
#include "corviscommon/machineinfo.h"
#include "corviscommon/productpath.h"

#include "support/ctlsim.h"
#include "support/logcapture.h"
#include "support/testprefix.h"
#include "testpaths.h"
#include "tools/corvisinspect/apijson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

constexpr const char* kSession = "sess-42";

QJsonObject object(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}

QByteArray scenarioFor(const QString& service, const QString& path, const QJsonObject& response)
{
    return QJsonDocument(QJsonObject{{service, QJsonObject{{path, response}}}}).toJson();
}

QByteArray replyScenario(const QString& path, const QByteArray& body)
{
    return scenarioFor("controller", path, QJsonObject{{"body", QString::fromUtf8(body)}});
}

// A prefix whose configuration points at a running stand-in, with a session.
struct Setup {
    explicit Setup(const QByteArray& scenario, const QByteArray& userInfo = QByteArray("[UserInfo]\nSessionID=") + kSession + "\n")
        : sim(prefix, scenario)
    {
        prefix.writeSysCfg(sim.sysCfg());
        prefix.writeUserInfo(userInfo);
    }
    TestPrefix prefix;
    CtlSim sim;
};

// One controller call by name, with fixed request fields; its result as JSON.
int callController(const QString& name, QJsonObject& result, const stQuerySandboxApproveRecordsReq& query = {})
{
    API* api = API::getInstance();
    int ret = -100;
    if (name == "ssoAuth") {
        stSsoAuthRsp rsp;
        ret = api->ssoAuth({"zhang", "app7", "1", "2", "0"}, rsp);
        result = toJson(rsp);
    } else if (name == "querySandboxApproveRecords") {
        stQuerySandboxApproveRecordsRsp rsp;
        ret = api->querySandboxApproveRecords(query, rsp);
        result = toJson(rsp);
    } else if (name == "getSandboxApproveNotice") {
        stSandboxApproveNoticeRsp rsp;
        ret = api->getSandboxApproveNotice("r-1,r-2", rsp);
        result = toJson(rsp);
    } else if (name == "checkSession") {
        stCheckSessionRsp rsp;
        ret = api->checkSession(rsp);
        result = toJson(rsp);
    } else if (name == "uploadEventResult") {
        stHttpRsp rsp;
        ret = api->uploadEventResult("ev-9", rsp);
        result = toJson(rsp);
    } else if (name == "submitSandboxApply") {
        stHttpRsp rsp;
        ret = api->submitSandboxApply({"1", "需要导出", "f-1", "sb-1", "办公", "a b.txt", 5000000000LL, "md5x"}, rsp);
        result = toJson(rsp);
    } else if (name == "getSandBoxPolicy") {
        stSandBoxPolicyRsp rsp;
        ret = api->getSandBoxPolicy(rsp);
        result = toJson(rsp);
    } else if (name == "getPersonalCertInfo") {
        stPersonalCertInfoRsp rsp;
        ret = api->getPersonalCertInfo(rsp);
        result = toJson(rsp);
    } else if (name == "sandboxUpload") {
        stSandboxUploadRsp rsp;
        ret = api->sandboxUpload(stSandboxUploadReq{corvis::installPath("ini/syscfg.ini")}, rsp);
        result = toJson(rsp);
    }
    return ret;
}

const QStringList kSessionCalls{"ssoAuth",           "querySandboxApproveRecords", "getSandboxApproveNotice",
                                "checkSession",      "uploadEventResult",          "submitSandboxApply",
                                "getSandBoxPolicy",  "sandboxUpload"};

QString pathOf(const QString& name)
{
    static const QMap<QString, QString> paths{
        {"ssoAuth", "/Mervasso/auth/ssoAuth.json"},
        {"getAuthInfo", "/Mervasso/cert/getAuthInfo.json"},
        {"querySandboxApproveRecords", "/Mervasso/approve/querySandboxApproveRecords.json"},
        {"getSandboxApproveNotice", "/Mervasso/approve/getSandboxApproveNotice.json"},
        {"checkSession", "/Mervasso/auth/checkSession.json"},
        {"uploadEventResult", "/Mervasso/event/uploadEventResult.json"},
        {"submitSandboxApply", "/Mervasso/approve/submitSandboxApply.json"},
        {"getSandBoxPolicy", "/Mervasso/policy/getSandBoxPolicy.json"},
        {"getPersonalCertInfo", "/getPersonalCertInfo"},
    };
    return paths.value(name);
}

}  // namespace

class TestApi : public QObject
{
    Q_OBJECT

private slots:
    void controllerCalls_data();
    void controllerCalls();
    void transportAndParseFailures_data();
    void transportAndParseFailures();
    void emptySessionSendsNothing_data();
    void emptySessionSendsNothing();
    void concurrentCalls();
    void baseUrl_data();
    void baseUrl();
    void sandboxUpload();
    void sandboxUploadFailures();
    void sandboxService_data();
    void sandboxService();
    void sandboxStart();
    void sandboxServiceFailures_data();
    void sandboxServiceFailures();
    void sandboxToken_data();
    void sandboxToken();
    void splitBySeparator_data();
    void splitBySeparator();
    void processIsRunning();
    void configHelpers();
    void devInfoEncoding_data();
    void devInfoEncoding();
    void authInfo_data();
    void authInfo();
    void authInfoRequest_data();
    void authInfoRequest();
};

void TestApi::controllerCalls_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QJsonObject>("headers");
    QTest::addColumn<QJsonObject>("expected");

    const QJsonObject form{{"Content-Type", "application/x-www-form-urlencoded"}};
    QTest::newRow("ssoAuth") << "ssoAuth"
                             << QByteArray(R"({"status":2000,"msg":"ok","data":{"sso_token":"tk-1"}})")
                             << "access_token=sess-42&uname=zhang&appid=app7&resourcetype=1&runmode=2&isProtectApp=0"
                             << form << object(R"({"status":2000,"msg":"ok","sso_token":"tk-1"})");
    QTest::newRow("ssoAuth wrong types ignored")
        << "ssoAuth" << QByteArray(R"({"status":"2000","msg":7,"data":{"sso_token":12}})")
        << "access_token=sess-42&uname=zhang&appid=app7&resourcetype=1&runmode=2&isProtectApp=0" << form
        << object(R"({"status":0,"msg":"","sso_token":""})");
    QTest::newRow("ssoAuth data not an object")
        << "ssoAuth" << QByteArray(R"({"status":2000,"msg":"ok","data":"tk"})")
        << "access_token=sess-42&uname=zhang&appid=app7&resourcetype=1&runmode=2&isProtectApp=0" << form
        << object(R"({"status":2000,"msg":"ok","sso_token":""})");
    QTest::newRow("records")
        << "querySandboxApproveRecords"
        << QByteArray(R"({"status":2000,"msg":"ok","data":{"totalCount":3,"recordList":[)"
                      R"({"recordId":"r-1","approveType":"1","fileName":"a.txt","fileSize":12,"approver":"admin"},)"
                      R"({"recordId":"r-2","fileName":"b.txt"},)"
                      R"({"recordId":3,"fileSize":"12","sandboxName":"办公"},)"
                      R"("not a record"]}})")
        << "sessionid=sess-42" << form
        << object(R"({"status":2000,"msg":"ok","totalCount":3,"recordList":[)"
                  R"({"recordId":"r-1","approveType":"1","approveTime":"","approveResult":"","applyTime":"","applyReason":"",)"
                  R"("sandboxId":"","sandboxName":"","fileName":"a.txt","fileSize":12,"fileMd5":"","approveRemark":"","approver":"admin"},)"
                  R"({"recordId":"r-2","approveType":"","approveTime":"","approveResult":"","applyTime":"","applyReason":"",)"
                  R"("sandboxId":"","sandboxName":"","fileName":"b.txt","fileSize":0,"fileMd5":"","approveRemark":"","approver":""},)"
                  R"({"recordId":"","approveType":"","approveTime":"","approveResult":"","applyTime":"","applyReason":"",)"
                  R"("sandboxId":"","sandboxName":"办公","fileName":"","fileSize":0,"fileMd5":"","approveRemark":"","approver":""}]})");
    QTest::newRow("records without data")
        << "querySandboxApproveRecords" << QByteArray(R"({"status":4001,"msg":"会话过期","data":[]})")
        << "sessionid=sess-42" << form << object(R"({"status":4001,"msg":"会话过期","totalCount":0,"recordList":[]})");
    QTest::newRow("notice reads RecordId")
        << "getSandboxApproveNotice"
        << QByteArray(R"({"status":2000,"msg":"ok","data":{"recordList":[{"RecordId":"r-7","recordId":"no","fileSize":3}]}})")
        << "sessionid=sess-42&recordIds=r-1,r-2" << form
        << object(R"({"status":2000,"msg":"ok","recordList":[{"recordId":"r-7","approveType":"","approveTime":"",)"
                  R"("approveResult":"","applyTime":"","applyReason":"","sandboxId":"","sandboxName":"","fileName":"",)"
                  R"("fileSize":3,"fileMd5":"","approveRemark":"","approver":""}]})");
    QTest::newRow("session events")
        << "checkSession"
        << QByteArray(R"({"status":2000,"msg":"ok","subStatus":3,"events":[)"
                      R"({"event":"approve","timestamp":1714972800123,"data":{"type":"sandbox","recordIds":["r-1",2,true]}},)"
                      R"({"event":"big","timestamp":18446744073709551615,"data":"none"},)"
                      R"({"event":"negative","timestamp":-5},)"
                      R"({"event":"text","timestamp":"1714972800"}, 5]})")
        << "sessionid=sess-42" << form
        << object(R"({"status":2000,"msg":"ok","subStatus":3,"events":[)"
                  R"({"event":"approve","timestamp":"1714972800123","type":"sandbox","recordIds":["r-1","2"]},)"
                  R"({"event":"big","timestamp":"18446744073709551615","type":"","recordIds":[]},)"
                  R"({"event":"negative","timestamp":"-5","type":"","recordIds":[]},)"
                  R"({"event":"text","timestamp":"","type":"","recordIds":[]}]})");
    QTest::newRow("event result") << "uploadEventResult" << QByteArray(R"({"status":2000,"msg":"done","extra":1})")
                                  << "sessionid=sess-42&eventid=ev-9" << form << object(R"({"status":2000,"msg":"done"})");
    QTest::newRow("sandbox apply as JSON with cookie")
        << "submitSandboxApply" << QByteArray(R"({"status":2000,"msg":"已提交"})")
        << R"({"approveType":"1","applyReason":"需要导出","fileId":"f-1","sandboxId":"sb-1","sandboxName":"办公",)"
           R"("fileName":"a b.txt","fileSize":5000000000,"fileMd5":"md5x"})"
        << QJsonObject{{"Content-Type", "application/json"}, {"Cookie", "corvis_sessionid=sess-42"}}
        << object(R"({"status":2000,"msg":"已提交"})");
    QTest::newRow("sandbox policy")
        << "getSandBoxPolicy"
        << QByteArray(R"({"status":2000,"msg":"ok","PolicySandBox":[)"
                      R"({"policyid":"p-1","policyname":"默认","sandBox":{"exprotType":2,"exportFileType":"doc","isCopyIn":1,)"
                      R"("copyInSize":"big","boxName":"办公","leaveNoTrace":1,"importData":"x"}},)"
                      R"({"policyid":"p-2","sandBox":{"exportType":1,"exprotType":2}},)"
                      R"({"policyid":"p-3","sandBox":[]}]})")
        << "sessionid=sess-42" << form
        << object(R"({"status":2000,"msg":"ok","policies":[)"
                  R"({"policyid":"p-1","policyname":"默认","sandBox":{"exportType":2,"exportFileType":"doc","enableExportFolder":0,)"
                  R"("isCopyOut":0,"copyOutSize":0,"importType":0,"importFileType":"","enableImportFolder":0,"isCopyIn":1,)"
                  R"("copyInSize":0,"iActionCtrl":0,"isFileImport":0,"isFileExport":0,"approveTip":"","boxName":"办公",)"
                  R"("leaveNoTrace":1,"auditReport":0,"exportData":"","importData":"x"}},)"
                  R"({"policyid":"p-2","policyname":"","sandBox":{"exportType":1,"exportFileType":"","enableExportFolder":0,)"
                  R"("isCopyOut":0,"copyOutSize":0,"importType":0,"importFileType":"","enableImportFolder":0,"isCopyIn":0,)"
                  R"("copyInSize":0,"iActionCtrl":0,"isFileImport":0,"isFileExport":0,"approveTip":"","boxName":"",)"
                  R"("leaveNoTrace":0,"auditReport":0,"exportData":"","importData":""}},)"
                  R"({"policyid":"p-3","policyname":"","sandBox":{"exportType":0,"exportFileType":"","enableExportFolder":0,)"
                  R"("isCopyOut":0,"copyOutSize":0,"importType":0,"importFileType":"","enableImportFolder":0,"isCopyIn":0,)"
                  R"("copyInSize":0,"iActionCtrl":0,"isFileImport":0,"isFileExport":0,"approveTip":"","boxName":"",)"
                  R"("leaveNoTrace":0,"auditReport":0,"exportData":"","importData":""}}]})");
    QTest::newRow("personal certificates")
        << "getPersonalCertInfo"
        << QByteArray(R"({"status":2000,"data":[{"certInfo":[{"certSerialNum":"01","issuer":"CN=CA","subject":"CN=a"},)"
                      R"({"certSerialNum":2,"subject":"CN=b"}]},{"certInfo":{}},{"certInfo":[{"issuer":"CN=CA2"}]}]})")
        << "" << form
        << object(R"({"status":2000,"certList":[{"certSerialNum":"01","issuer":"CN=CA","subject":"CN=a"},)"
                  R"({"certSerialNum":"","issuer":"","subject":"CN=b"},{"certSerialNum":"","issuer":"CN=CA2","subject":""}]})");
}

void TestApi::controllerCalls()
{
    QFETCH(QString, call);
    QFETCH(QByteArray, reply);
    QFETCH(QString, body);
    QFETCH(QJsonObject, headers);
    QFETCH(QJsonObject, expected);

    Setup setup(replyScenario(pathOf(call), reply));
    QVERIFY2(setup.sim.isRunning(), qPrintable(setup.sim.startError()));
    LogCapture log;
    QJsonObject result;
    QCOMPARE(callController(call, result), 0);
    QCOMPARE(result, expected);

    const QList<QJsonObject> requests = setup.sim.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().value("method").toString(), QStringLiteral("POST"));
    QCOMPARE(requests.first().value("uri").toString(), pathOf(call));
    QCOMPARE(requests.first().value("body").toString(), body);
    const QJsonObject received = requests.first().value("headers").toObject();
    for (auto it = headers.begin(); it != headers.end(); ++it) {
        QCOMPARE(received.value(it.key()).toString(), it.value().toString());
    }
    // The session id is a credential: it never reaches the log.
    QVERIFY2(!log.text().contains(kSession), qPrintable(log.text()));
}

void TestApi::transportAndParseFailures_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QJsonObject>("response");
    QTest::addColumn<QString>("logLine");

    for (const QString& call : {QStringLiteral("ssoAuth"), QStringLiteral("checkSession"),
                                QStringLiteral("submitSandboxApply"), QStringLiteral("getPersonalCertInfo")}) {
        QTest::addRow("%s empty reply", qPrintable(call)) << call << QJsonObject{{"body", ""}} << call + " post_method Fail.";
        QTest::addRow("%s hang-up", qPrintable(call)) << call << QJsonObject{{"close", true}} << call + " post_method Fail.";
        QTest::addRow("%s not JSON", qPrintable(call))
            << call << QJsonObject{{"status", 502}, {"body", "<html>bad gateway</html>"}}
            << call + " parse false :<html>bad gateway</html>";
        QTest::addRow("%s not an object", qPrintable(call)) << call << QJsonObject{{"body", "[1,2]"}}
                                                            << call + " parse false :[1,2]";
    }
}

void TestApi::transportAndParseFailures()
{
    QFETCH(QString, call);
    QFETCH(QJsonObject, response);
    QFETCH(QString, logLine);

    Setup setup(scenarioFor("controller", pathOf(call), response));
    QVERIFY2(setup.sim.isRunning(), qPrintable(setup.sim.startError()));
    LogCapture log;
    QJsonObject result;
    QCOMPARE(callController(call, result), -1);
    QVERIFY2(log.contains(logLine, google::GLOG_ERROR), qPrintable(log.text()));
    QCOMPARE(result.value("status").toInt(), 0);
}

void TestApi::emptySessionSendsNothing_data()
{
    QTest::addColumn<QString>("call");
    for (const QString& call : kSessionCalls) {
        QTest::newRow(qPrintable(call)) << call;
    }
}

void TestApi::emptySessionSendsNothing()
{
    QFETCH(QString, call);
    Setup setup(QByteArray(), "[UserInfo]\nSessionID=\nUserName=zhang\n");
    QVERIFY2(setup.sim.isRunning(), qPrintable(setup.sim.startError()));
    LogCapture log;
    QJsonObject result;
    QCOMPARE(callController(call, result), -1);
    QVERIFY(log.contains("session id is empty", google::GLOG_WARNING));
    QVERIFY(log.contains("init_base_url failed", google::GLOG_ERROR));
    QVERIFY(setup.sim.requests().isEmpty());
}

void TestApi::concurrentCalls()
{
    // Pages call the API from pool threads; calls running together keep their own state.
    Setup setup(QByteArray{});
    QVERIFY2(setup.sim.isRunning(), qPrintable(setup.sim.startError()));
    const QString file = setup.prefix.root() + "/up.txt";
    writeFile(file, "x");
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&good, &file, t] {
            for (int i = 0; i < 4; ++i) {
                API* api = API::getInstance();
                if (t % 2 == 0) {
                    stSsoAuthRsp rsp;
                    good += api->ssoAuth({}, rsp) == 0 && rsp.sso_token == "sso-token-0001" ? 1 : 0;
                } else {
                    stSandboxUploadRsp rsp;
                    good += api->sandboxUpload({file.toStdString()}, rsp) == 0 && rsp.fileId == "file-0001" ? 1 : 0;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    QCOMPARE(good.load(), 16);
    QCOMPARE(setup.sim.requests().size(), 16);
}

void TestApi::baseUrl_data()
{
    QTest::addColumn<QByteArray>("server");
    QTest::addColumn<QString>("expectedUrl");
    QTest::addColumn<QString>("peer");

    QTest::newRow("empty port is 443") << QByteArray("ServerIP=127.0.0.1\nServerPort=\n") << "https://127.0.0.1:443"
                                       << "";
    QTest::newRow("missing port is 443") << QByteArray("ServerIP=ctl.example\n") << "https://ctl.example:443" << "";
    QTest::newRow("given port") << QByteArray("ServerIP=127.0.0.1\nServerPort=PORT\n") << "https://127.0.0.1:PORT"
                                << "127.0.0.1";
    QTest::newRow("ipv6 address gets brackets") << QByteArray("ServerIP=::1\nServerPort=PORT\n")
                                                << "https://[::1]:PORT" << "::1";
}

void TestApi::baseUrl()
{
    QFETCH(QByteArray, server);
    QFETCH(QString, expectedUrl);
    QFETCH(QString, peer);

    Setup setup(replyScenario(pathOf("uploadEventResult"), R"({"status":2000,"msg":"ok"})"));
    QVERIFY2(setup.sim.isRunning(), qPrintable(setup.sim.startError()));
    if (peer == "::1" && !setup.sim.hasIpv6()) {
        QSKIP("no ::1 on this machine");
    }
    const QByteArray port = QByteArray::number(setup.sim.httpsPort());
    setup.prefix.writeSysCfg("[Mervasso]\n" + server.replace("PORT", port));
    expectedUrl.replace("PORT", port);

    API* api = API::getInstance();
    QCOMPARE(api->init_base_url(false), 0);
    QCOMPARE(QString::fromStdString(api->baseUrl()), expectedUrl);
    if (!peer.isEmpty()) {
        stHttpRsp rsp;
        QCOMPARE(api->uploadEventResult("e", rsp), 0);
        QCOMPARE(rsp.status, 2000);
        QCOMPARE(setup.sim.requests().value(0).value("peer").toString(), peer);
    }
}

void TestApi::sandboxUpload()
{
    Setup setup(replyScenario("/corvis-file-server/sandbox/upload",
                              R"({"status":2000,"msg":"上传成功","data":{"fileId":"fid-77"}})"));
    QVERIFY2(setup.sim.isRunning(), qPrintable(setup.sim.startError()));
    const QString file = setup.prefix.root() + "/报告 1.txt";
    QVERIFY(writeFile(file, "first line\nsecond line\n"));

    stSandboxUploadRsp rsp;
    QCOMPARE(API::getInstance()->sandboxUpload({file.toStdString()}, rsp), 0);
    QCOMPARE(rsp.status, 2000);
    QCOMPARE(QString::fromStdString(rsp.msg), QStringLiteral("上传成功"));
    QCOMPARE(QString::fromStdString(rsp.fileId), QStringLiteral("fid-77"));

    const QList<QJsonObject> requests = setup.sim.requests();
    QCOMPARE(requests.size(), 1);
    const QJsonObject headers = requests.first().value("headers").toObject();
    QCOMPARE(headers.value("Cookie").toString(), QStringLiteral("corvis_sessionid=sess-42;"));
    QVERIFY(headers.value("Content-Type").toString().startsWith("multipart/form-data; boundary="));
    const QString body = requests.first().value("body").toString();
    QVERIFY(body.contains("name=\"file\""));
    QVERIFY(body.contains("first line\nsecond line\n"));
}

void TestApi::sandboxUploadFailures()
{
    Setup setup(replyScenario("/corvis-file-server/sandbox/upload", "not json"));
    QVERIFY2(setup.sim.isRunning(), qPrintable(setup.sim.startError()));
    LogCapture log;
    API* api = API::getInstance();
    stSandboxUploadRsp rsp;

    const std::string missing = setup.prefix.root().toStdString() + "/none.txt";
    QCOMPARE(api->sandboxUpload({missing}, rsp), -2);
    QVERIFY(log.contains(QString::fromStdString(missing) + " file is not exist", google::GLOG_ERROR));
    QCOMPARE(api->sandboxUpload({setup.prefix.root().toStdString()}, rsp), -2);
    QVERIFY(setup.sim.requests().isEmpty());

    const QString file = setup.prefix.root() + "/a.txt";
    writeFile(file, "x");
    QCOMPARE(api->sandboxUpload({file.toStdString()}, rsp), -1);
    QVERIFY(log.contains("sandboxUpload parse false", google::GLOG_ERROR));

    API::UploadFileCallback(true, "{}", nullptr);
    QVERIFY(log.contains("UploadFileCallback contex is null", google::GLOG_ERROR));
}

void TestApi::sandboxService_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QJsonObject>("body");
    QTest::addColumn<QJsonObject>("expected");

    const QString box = QStringLiteral("office-c0ffee");
    QTest::newRow("stop") << "stop" << "stop"
                          << QByteArray(R"({"status":0,"message":"stopped","data":{"container_id":"office-c0ffee"}})")
                          << QJsonObject{{"exit_type", 2}, {"container_id", box}}
                          << object(R"({"status":0,"message":"stopped","containerId":"office-c0ffee","imageId":"",)"
                                    R"("conStatus":0,"imageStatus":0})");
    QTest::newRow("showType") << "showType" << "showType"
                              << QByteArray(R"({"status":0,"message":"ok","data":{"container_id":"c"}})")
                              << QJsonObject{{"showType", 1}, {"container_id", box}}
                              << object(R"({"status":0,"message":"ok","containerId":"c","imageId":"","conStatus":0,"imageStatus":0})");
    QTest::newRow("switch") << "switch" << "switch"
                            << QByteArray(R"({"status":3,"message":"busy","data":{"container_id":"c"}})")
                            << QJsonObject{{"model", 4}, {"container_id", box}}
                            << object(R"({"status":3,"message":"busy","containerId":"c","imageId":"","conStatus":0,"imageStatus":0})");
    QTest::newRow("import") << "import" << "import" << QByteArray(R"({"status":0,"message":"ok"})")
                            << QJsonObject{{"container_id", box},
                                           {"import_path", "/home/u/a.txt"},
                                           {"import_con_path", "/data"},
                                           {"nocover_file", 1}}
                            << object(R"({"status":0,"message":"ok","containerId":"","imageId":"","conStatus":0,"imageStatus":0})");
    QTest::newRow("export") << "export" << "export" << QByteArray(R"({"status":0,"message":"ok","data":"x"})")
                            << QJsonObject{{"container_id", box},
                                           {"export_path", "/home/u"},
                                           {"export_con_path", "/data/b.txt"},
                                           {"nocover_file", 0}}
                            << object(R"({"status":0,"message":"ok","containerId":"","imageId":"","conStatus":0,"imageStatus":0})");
    QTest::newRow("is running") << "isRunning" << "getConStatus"
                                << QByteArray(R"({"status":0,"message":"ok","data":{"con_status":1}})")
                                << QJsonObject{{"container_id", box}}
                                << object(R"({"status":0,"message":"ok","containerId":"","imageId":"","conStatus":1,"imageStatus":0})");
    QTest::newRow("images sync") << "imagesSync" << "ImagesSync" << QByteArray(R"({"status":0,"message":"syncing"})")
                                 << QJsonObject()
                                 << object(R"({"status":0,"message":"syncing","containerId":"","imageId":"","conStatus":0,"imageStatus":0})");
    QTest::newRow("image status") << "imageStatus" << "getImageStatus"
                                  << QByteArray(R"({"status":0,"message":"ok","data":{"image_status":2}})") << QJsonObject()
                                  << object(R"({"status":0,"message":"ok","containerId":"","imageId":"","conStatus":0,"imageStatus":2})");
    QTest::newRow("token refused") << "stop" << "stop" << QByteArray(R"({"status":-1,"message":"token invalid"})")
                                   << QJsonObject{{"exit_type", 2}, {"container_id", box}}
                                   << object(R"({"status":-1,"message":"token invalid","containerId":"","imageId":"",)"
                                             R"("conStatus":0,"imageStatus":0})");
}

namespace {

int callSandbox(const QString& call, QJsonObject& result)
{
    API* api = API::getInstance();
    stNewSandboxRsp rsp;
    int ret = -100;
    if (call == "stop") {
        ret = api->reqNewSandboxStop("office", 2, rsp);
    } else if (call == "showType") {
        ret = api->reqNewSandboxShowType("office", 1, rsp);
    } else if (call == "switch") {
        ret = api->reqNewSandboxSwitch("office", 4, rsp);
    } else if (call == "import") {
        ret = api->reqNewSandboxImportFile("office", "/home/u/a.txt", "/data", 1, rsp);
    } else if (call == "export") {
        ret = api->reqNewSandboxExportFile("office", "/home/u", "/data/b.txt", 0, rsp);
    } else if (call == "isRunning") {
        ret = api->reqNewSandboxIsRunning("office", rsp);
    } else if (call == "imagesSync") {
        ret = api->reqNewSandboxImagesSync(rsp);
    } else if (call == "imageStatus") {
        ret = api->reqNewSandboxImageStatus(rsp);
    } else if (call == "start") {
        ret = api->reqNewSandboxStart({"office", "img-3", "/share", "10.8.0.1", "10.8.0.2", "fd00::2", "办公", "zhang"}, rsp);
    }
    result = toJson(rsp);
    return ret;
}

const QByteArray kSandboxIni = "[SafeWorkSpaceMain]\nToken=tok-abc\n[SafeWorkSpace]\noffice=c0ffee\n[Display]\noffice=办公沙箱\n";

}  // namespace

void TestApi::sandboxService()
{
    QFETCH(QString, call);
    QFETCH(QString, name);
    QFETCH(QByteArray, reply);
    QFETCH(QJsonObject, body);
    QFETCH(QJsonObject, expected);

    Setup setup(scenarioFor("sandbox", "/quarrow/api/v1/" + name, QJsonObject{{"body", QString::fromUtf8(reply)}}));
    QVERIFY2(setup.sim.isRunning(), qPrintable(setup.sim.startError()));
    setup.prefix.writeInstallFile("sandbox/ini/init.ini", kSandboxIni);
    LogCapture log;
    QJsonObject result;
    QCOMPARE(callSandbox(call, result), 0);
    QCOMPARE(result, expected);
    QCOMPARE(log.contains("token verify failed", google::GLOG_ERROR), expected.value("status").toInt() == -1);

    const QList<QJsonObject> requests = setup.sim.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().value("service").toString(), QStringLiteral("sandbox"));
    QCOMPARE(requests.first().value("uri").toString(), "/quarrow/api/v1/" + name);
    QCOMPARE(object(requests.first().value("body").toString().toUtf8()), body);
    const QJsonObject headers = requests.first().value("headers").toObject();
    QCOMPARE(headers.value("Authorization").toString(), QStringLiteral("tok-abc"));
    QCOMPARE(headers.value("Content-Type").toString(), QStringLiteral("application/json"));
    QVERIFY(!log.text().contains("tok-abc"));
}

void TestApi::sandboxStart()
{
    Setup setup(QByteArray{});
    QVERIFY2(setup.sim.isRunning(), qPrintable(setup.sim.startError()));
    setup.prefix.writeInstallFile("sandbox/ini/init.ini", kSandboxIni);
    QJsonObject result;
    QCOMPARE(callSandbox("start", result), 0);
    QCOMPARE(result.value("containerId").toString(), QStringLiteral("box-1"));
    QCOMPARE(result.value("imageId").toString(), QStringLiteral("image-1"));

    const QList<QJsonObject> requests = setup.sim.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().value("uri").toString(), QStringLiteral("/quarrow/api/v1/start"));
    const QJsonObject body = object(requests.first().value("body").toString().toUtf8());
    const QJsonObject expected{{"container_id", "office-c0ffee"}, {"image_id", "img-3"},     {"share_path", "/share"},
                               {"bridge_ip", "10.8.0.1"},         {"ip_addr", "10.8.0.2"},    {"ipv6_addr", "fd00::2"},
                               {"title", "办公"},                 {"exec_user", "zhang"},
                               {"script_path", "/opt/apps/corvisclient/startcorvisclient.sh"}};
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        QCOMPARE(body.value(it.key()), it.value());
    }
    const QJsonArray mounts = body.value("mounts").toArray();
    QCOMPARE(mounts.size(), 3);
    const QStringList targets{"/opt/quintrel/orvane/mbox_mount", "/tmp/.corvis_cfs", "/tmp/._corvisdata"};
    for (int i = 0; i < mounts.size(); ++i) {
        const QJsonObject mount = mounts.at(i).toObject();
        QCOMPARE(mount.value("target").toString(), targets.at(i));
        QCOMPARE(mount.value("source").toString(), setup.prefix.root() + targets.at(i));
        QCOMPARE(mount.value("type").toString(), QStringLiteral("bind"));
        QCOMPARE(mount.value("options").toString(), QStringLiteral("rw"));
    }
}

void TestApi::sandboxServiceFailures_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QJsonObject>("response");
    QTest::addColumn<QByteArray>("sandboxIni");
    QTest::addColumn<QByteArray>("sysCfgExtra");
    QTest::addColumn<QString>("logLine");
    QTest::addColumn<bool>("sent");

    auto body = [](const char* text) { return QJsonObject{{"body", QString::fromUtf8(text)}}; };
    QTest::newRow("no status") << "stop" << body(R"({"message":"x","data":{"container_id":"c"}})") << kSandboxIni
                               << QByteArray() << "Parse Json-string Error [status]" << true;
    QTest::newRow("status as text") << "stop" << body(R"({"status":"0","message":"x"})") << kSandboxIni
                                    << QByteArray() << "Parse Json-string Error [status]" << true;
    QTest::newRow("no message") << "imagesSync" << body(R"({"status":0})") << kSandboxIni << QByteArray()
                                << "Parse Json-string Error [message]" << true;
    QTest::newRow("no data") << "stop" << body(R"({"status":0,"message":"x"})") << kSandboxIni << QByteArray()
                             << "Parse Json-string Error [date]" << true;
    QTest::newRow("no container id") << "start" << body(R"({"status":0,"message":"x","data":{"image_id":"i"}})")
                                     << kSandboxIni << QByteArray() << "not exist [container_id]" << true;
    QTest::newRow("no con_status") << "isRunning" << body(R"({"status":0,"message":"x","data":{}})") << kSandboxIni
                                   << QByteArray() << "not exist [con_status]" << true;
    QTest::newRow("not JSON") << "imageStatus" << body("oops") << kSandboxIni << QByteArray()
                              << "reqNewSandboxImageStatus parse false :oops" << true;
    QTest::newRow("hang-up") << "switch" << QJsonObject{{"close", true}} << kSandboxIni << QByteArray()
                             << "reqNewSandboxSwitch post_method Fail." << true;
    QTest::newRow("no token") << "stop" << body("{}") << QByteArray("[SafeWorkSpace]\noffice=1\n") << QByteArray()
                              << "got token failed" << false;
    QTest::newRow("empty address") << "stop" << body("{}") << kSandboxIni << QByteArray("[NewSandbox]\nServerIP=\n")
                                   << "got serverIp or serverPort failed" << false;
}

void TestApi::sandboxServiceFailures()
{
    QFETCH(QString, call);
    QFETCH(QJsonObject, response);
    QFETCH(QByteArray, sandboxIni);
    QFETCH(QByteArray, sysCfgExtra);
    QFETCH(QString, logLine);
    QFETCH(bool, sent);

    Setup setup(scenarioFor("sandbox", "*", response));
    QVERIFY2(setup.sim.isRunning(), qPrintable(setup.sim.startError()));
    setup.prefix.writeInstallFile("sandbox/ini/init.ini", sandboxIni);
    if (!sysCfgExtra.isEmpty()) {
        setup.prefix.writeSysCfg(sysCfgExtra);
    }
    LogCapture log;
    QJsonObject result;
    QCOMPARE(callSandbox(call, result), -1);
    QVERIFY2(log.contains(logLine, google::GLOG_ERROR), qPrintable(log.text()));
    QCOMPARE(!setup.sim.requests().isEmpty(), sent);
}

void TestApi::sandboxToken_data()
{
    QTest::addColumn<QJsonObject>("response");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("logLine");

    auto body = [](const char* text) { return QJsonObject{{"body", QString::fromUtf8(text)}}; };
    QTest::newRow("stored") << body("eyJhbGciOi.J9.sig") << 0 << QByteArray("eyJhbGciOi.J9.sig") << "";
    QTest::newRow("line end dropped") << body("tok-2\r\n") << 0 << QByteArray("tok-2") << "";
    QTest::newRow("line break inside") << body("tok\nSessionID=x") << -1 << QByteArray("old")
                                       << "Failed to write init.ini";
    QTest::newRow("comment sign cuts it") << body("tok#3") << -1 << QByteArray("tok") << "Failed to write init.ini";
    QTest::newRow("no answer") << QJsonObject{{"close", true}} << -1 << QByteArray("old")
                               << "reqNewSandboxToken post_method Fail.";
}

void TestApi::sandboxToken()
{
    QFETCH(QJsonObject, response);
    QFETCH(int, result);
    QFETCH(QByteArray, stored);
    QFETCH(QString, logLine);

    Setup setup(scenarioFor("sandbox", "/quarrow/api/v1/token", response));
    QVERIFY2(setup.sim.isRunning(), qPrintable(setup.sim.startError()));
    setup.prefix.writeInstallFile("sandbox/ini/init.ini", "[SafeWorkSpaceMain]\nToken=old\n");
    LogCapture log;
    QCOMPARE(API::getInstance()->reqNewSandboxToken(), result);
    if (!logLine.isEmpty()) {
        QVERIFY2(log.contains(logLine, google::GLOG_ERROR), qPrintable(log.text()));
    }
    const QByteArray ini = setup.prefix.readInstallFile("sandbox/ini/init.ini");
    QVERIFY2(ini.contains("Token=" + stored), ini.constData());
    QVERIFY(!ini.contains("SessionID"));

    const QList<QJsonObject> requests = setup.sim.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().value("uri").toString(), QStringLiteral("/quarrow/api/v1/token"));
    QCOMPARE(requests.first().value("headers").toObject().value("Content-Type").toString(), QStringLiteral("text/html"));
    QCOMPARE(requests.first().value("body").toString(), QString());
}

void TestApi::splitBySeparator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QStringList>("pieces");

    QTest::newRow("plain") << "a,b,c" << "," << QStringList{"a", "b", "c"};
    QTest::newRow("empty pieces kept") << ",a,,b," << "," << QStringList{"", "a", "", "b", ""};
    QTest::newRow("longer separator") << "x::y:z" << "::" << QStringList{"x", "y:z"};
    QTest::newRow("no separator found") << "abc" << ";" << QStringList{"abc"};
    QTest::newRow("empty text") << "" << "," << QStringList();
    QTest::newRow("empty separator") << "abc" << "" << QStringList{"abc"};
}

void TestApi::splitBySeparator()
{
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QFETCH(QStringList, pieces);
    QStringList out;
    for (const std::string& piece : API::get_vt_str_by_sep2(text.toStdString(), separator.toStdString())) {
        out.append(QString::fromStdString(piece));
    }
    QCOMPARE(out, pieces);
}

void TestApi::processIsRunning()
{
    QTemporaryDir proc;
    const QString root = proc.path();
    auto addProcess = [&](const QString& pid, const QString& exe) {
        QDir().mkpath(root + "/" + pid);
        QFile::link(exe, root + "/" + pid + "/exe");
    };
    addProcess("1", "/usr/lib/systemd/systemd");
    addProcess("731", "/opt/apps/corvisclient/corvisclient (deleted)");
    addProcess("88", "/usr/bin/corvisdaemon");
    QDir().mkpath(root + "/self");
    QFile::link("/usr/bin/notcounted", root + "/self/exe");

    QVERIFY(API::process_is_running("corvisclient", root.toStdString()));
    QVERIFY(API::process_is_running("daemon", root.toStdString()));
    // Only the base name counts, and only numeric entries.
    QVERIFY(!API::process_is_running("apps", root.toStdString()));
    QVERIFY(!API::process_is_running("notcounted", root.toStdString()));
    QVERIFY(!API::process_is_running("corvisclient", (root + "/missing").toStdString()));
    // This test's own executable is running on the real /proc.
    QVERIFY(API::process_is_running("tst_api"));
}

void TestApi::configHelpers()
{
    TestPrefix prefix;
    prefix.writeSysCfg("[Mervasso]\nServerIP=10.9.8.7\n");
    prefix.writeUserInfo("[UserInfo]\nSysUserName=zhangsan\n");
    prefix.writeInstallFile("sandbox/ini/init.ini", kSandboxIni);
    QCOMPARE(QString::fromStdString(API::get_portalip()), QStringLiteral("10.9.8.7"));
    QCOMPARE(QString::fromStdString(API::getSystemUserName()), QStringLiteral("zhangsan"));
    QCOMPARE(QString::fromStdString(API::getSandboxName("office")), QStringLiteral("办公沙箱"));
    QCOMPARE(QString::fromStdString(API::getSandboxName("other")), QString());
}

void TestApi::devInfoEncoding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("encoded");

    QTest::newRow("base64 signs") << "ab+/c==" << "ab%2B%2Fc%3D%3D";
    QTest::newRow("percent first") << "%2B+" << "%252B%2B";
    QTest::newRow("every sign") << "#&+= /\"?.:" << "%23%26%2B%3D%20%2F%22%3F%2E%3A";
    QTest::newRow("others kept") << "AZaz09-_~" << "AZaz09-_~";
}

void TestApi::devInfoEncoding()
{
    QFETCH(QString, text);
    QFETCH(QString, encoded);
    QCOMPARE(QString::fromStdString(API::encodeDevInfo(text.toStdString())), encoded);
}

namespace {

QJsonObject des(const QJsonValue& text, const char* key = "WQB63815")
{
    return QJsonObject{{"$des", QJsonObject{{"key", key}, {"text", text}}}};
}

// A clear text of exactly `size` bytes: {"authOriginal":"xxx…"}.
QJsonValue clearTextOfSize(int size)
{
    return QString::fromLatin1("{\"authOriginal\":\"") + QString(size - 19, QLatin1Char('x')) + "\"}";
}

}  // namespace

void TestApi::authInfo_data()
{
    QTest::addColumn<QJsonObject>("reply");
    QTest::addColumn<int>("result");
    QTest::addColumn<QJsonObject>("expected");
    QTest::addColumn<QString>("logLine");

    auto info = [](const char* json) {
        QJsonObject out = object(R"({"status":0,"subStatus":0,"msg":"","authOriginal":"","originalId":"","salt":"","data":""})");
        const QJsonObject given = object(json);
        for (auto it = given.begin(); it != given.end(); ++it) {
            out.insert(it.key(), it.value());
        }
        return out;
    };
    const QJsonObject challenge{{"authOriginal", "ch-1"}, {"originalId", "9"}, {"salt", "s1"}, {"extra", 1}};
    QTest::newRow("deciphered") << QJsonObject{{"status", 2000}, {"subStatus", 1}, {"msg", "ok"}, {"data", des(challenge)}}
                                << 0 << info(R"({"status":2000,"subStatus":1,"msg":"ok","authOriginal":"ch-1","originalId":"9","salt":"s1"})")
                                << "";
    QTest::newRow("other status keeps data closed")
        << QJsonObject{{"status", 4003}, {"subStatus", 2}, {"msg", "证书未授权"}, {"data", des(challenge)}} << 0
        << info(R"({"status":4003,"subStatus":2,"msg":"证书未授权"})") << "";
    QTest::newRow("clear text fills the buffer")
        << QJsonObject{{"status", 2000}, {"data", des(clearTextOfSize(1023))}} << 0
        << info(qPrintable(QStringLiteral(R"({"status":2000,"authOriginal":"%1"})").arg(QString(1004, 'x'))))
        << "";
    QTest::newRow("clear text longer than the buffer")
        << QJsonObject{{"status", 2000}, {"msg", "ok"}, {"data", des(clearTextOfSize(1024))}} << -3
        << info(R"({"status":2000,"msg":"ok"})") << "getAuthInfo decrypt failed: ";
    QTest::newRow("not DES text") << QJsonObject{{"status", 2000}, {"data", "bm90IERFUw=="}} << -3
                                  << info(R"({"status":2000})") << "getAuthInfo decrypt failed: bm90IERFUw==";
    QTest::newRow("empty clear text") << QJsonObject{{"status", 2000}, {"data", des("")}} << -3
                                      << info(R"({"status":2000})") << "getAuthInfo decrypt failed: ";
    QTest::newRow("clear text not JSON") << QJsonObject{{"status", 2000}, {"data", des("hello")}} << -1
                                         << info(R"({"status":2000})") << "getAuthInfo parse false :hello";
    QTest::newRow("data not a text") << QJsonObject{{"status", 2000}, {"data", challenge}} << 0
                                     << info(R"({"status":2000})") << "";
    QTest::newRow("wrong types ignored")
        << QJsonObject{{"status", 2000}, {"subStatus", "1"}, {"msg", 5},
                       {"data", des(QJsonObject{{"authOriginal", 5}, {"originalId", "9"}, {"salt", QJsonArray()}})}}
        << 0 << info(R"({"status":2000,"originalId":"9"})") << "";
}

void TestApi::authInfo()
{
    QFETCH(QJsonObject, reply);
    QFETCH(int, result);
    QFETCH(QJsonObject, expected);
    QFETCH(QString, logLine);

    Setup setup(scenarioFor("controller", pathOf("getAuthInfo"), QJsonObject{{"body", reply}}));
    QVERIFY2(setup.sim.isRunning(), qPrintable(setup.sim.startError()));
    LogCapture log;
    AuthInfo info;
    info.data = "signed-data";
    QCOMPARE(API::getInstance()->getAuthInfo(info), result);
    QCOMPARE(toJson(info), expected);
    if (!logLine.isEmpty()) {
        QVERIFY2(log.contains(logLine, google::GLOG_ERROR), qPrintable(log.text()));
    }
}

void TestApi::authInfoRequest_data()
{
    QTest::addColumn<QByteArray>("project");
    QTest::addColumn<QString>("requestData");
    QTest::addColumn<QString>("deviceType");

    QTest::newRow("standard edition") << QByteArray() << "sig+/=" << "1";
    QTest::newRow("velmora") << QByteArray("velmora") << "" << "3";
    QTest::newRow("other edition") << QByteArray("kav") << "d" << "1";
}

void TestApi::authInfoRequest()
{
    QFETCH(QByteArray, project);
    QFETCH(QString, requestData);
    QFETCH(QString, deviceType);

    Setup setup(QByteArray{});
    QVERIFY2(setup.sim.isRunning(), qPrintable(setup.sim.startError()));
    // No session needed; the edition, the machine code and the product name go into devinfo.
    setup.prefix.writeSysCfg("[Mervasso]\nServerIP=127.0.0.1\nServerPort=" + QByteArray::number(setup.sim.httpsPort()) +
                             "\ncustomProject=" + project +
                             "\n[appinfo]\nUUID=5f0c-\"uuid\"\n[about]\nname=安全工作台\n");
    setup.prefix.writeUserInfo("[UserInfo]\nSessionID=\n");
    AuthInfo info;
    info.data = requestData.toStdString();
    QCOMPARE(API::getInstance()->getAuthInfo(info), 0);
    // A fresh challenge, the one the stand-in recorded as issued.
    const QJsonObject issued =
        QJsonDocument::fromJson(readFile(setup.prefix.root() + "/sim/challenges.jsonl").trimmed()).object();
    QVERIFY(!info.authOriginal.empty());
    QCOMPARE(QString::fromStdString(info.authOriginal), issued.value("authOriginal").toString());

    const QList<QJsonObject> requests = setup.sim.requests();
    QCOMPARE(requests.size(), 1);
    const QString body = requests.first().value("body").toString();
    QVERIFY2(body.startsWith("devinfo="), qPrintable(body));
    const int dataAt = body.indexOf("&data=");
    QCOMPARE(dataAt < 0, requestData.isEmpty());
    if (dataAt >= 0) {
        QCOMPARE(body.mid(dataAt + 6), requestData);
    }
    const QString devInfo = body.mid(8, dataAt < 0 ? -1 : dataAt - 8);
    // Percent-encoded Base64: no sign of the Base64 alphabet is left bare.
    QVERIFY(!devInfo.contains('+') && !devInfo.contains('/') && !devInfo.contains('='));

    // The stand-in's own DES reads it.
    QProcess decrypt;
    decrypt.start(QStringLiteral(CORVIS_BIN_DIR "/corvisctlsim"), {"des", "decrypt", "HTKRV529"});
    decrypt.write(QByteArray::fromPercentEncoding(devInfo.toLatin1()));
    decrypt.closeWriteChannel();
    QVERIFY(decrypt.waitForFinished(10000));
    QCOMPARE(decrypt.exitCode(), 0);
    const QByteArray clear = decrypt.readAllStandardOutput();
    QVERIFY2(QRegularExpression(R"(^\{"mac":".*","ip":".*","machineCode":".*","OSName":".*","OSVersion":".*",)"
                                R"("appId":".*","appName":".*","deviceType":"\d"\}$)")
                 .match(QString::fromUtf8(clear))
                 .hasMatch(),
             clear.constData());
    const QJsonObject fields = object(clear);
    std::string mac;
    std::string ip;
    MachineInfo::getEthernetInfo(mac, ip);
    QCOMPARE(fields.value("mac").toString().size(), 17);
    QCOMPARE(fields.value("ip").toString(), QString::fromStdString(ip));
    QCOMPARE(fields.value("machineCode").toString(), QStringLiteral("5f0c-\"uuid\""));
    QCOMPARE(fields.value("appId").toString(), QStringLiteral("5f0c-\"uuid\""));
    QCOMPARE(fields.value("OSName").toString(), QString::fromStdString(MachineInfo::getOsFullName()));
    QCOMPARE(fields.value("OSVersion").toString(), QString::fromStdString(MachineInfo::getOsMinorVersion()));
    QCOMPARE(fields.value("appName").toString(), QStringLiteral("安全工作台"));
    QCOMPARE(fields.value("deviceType").toString(), deviceType);
}

QTEST_GUILESS_MAIN(TestApi)
#include "tst_api.moc"
