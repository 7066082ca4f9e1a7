// corvisinspect api: every controller and sandbox-service call reached from the command line
// against the loopback controller's default answers, and the refusals of bad arguments.

#include "support/ctlsim.h"
#include "support/testprefix.h"
#include "testpaths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

namespace {

int run(const QStringList& args, QJsonObject& out, QByteArray& err)
{
    QProcess process;
    process.start(QStringLiteral(CORVIS_BIN_DIR "/corvisinspect"), args);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        return -1;
    }
    out = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    err = process.readAllStandardError();
    return process.exitCode();
}

// "a.b.0.c" inside a JSON object.
QJsonValue at(const QJsonObject& root, const QString& path)
{
    QJsonValue value = root;
    for (const QString& part : path.split('.')) {
        bool index = false;
        const int n = part.toInt(&index);
        value = index ? value.toArray().at(n) : value.toObject().value(part);
    }
    return value;
}

}  // namespace

class TestCorvisinspectApi : public QObject
{
    Q_OBJECT

private slots:
    void calls_data();
    void calls();
    void devInfo();
    void badArguments_data();
    void badArguments();
};

void TestCorvisinspectApi::calls_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("requestPath");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QJsonValue>("value");

    auto row = [](const char* name, const QStringList& args, const char* path, const char* field, const QJsonValue& value) {
        QTest::newRow(name) << args << QString::fromLatin1(path) << QString::fromLatin1(field) << value;
    };
    row("ssoAuth", {"ssoAuth", "uname=zhang", "appid=3"}, "/Mervasso/auth/ssoAuth.json", "response.sso_token",
        "sso-token-0001");
    row("getAuthInfo", {"getAuthInfo", "data=sig"}, "/Mervasso/cert/getAuthInfo.json", "response.status", 2000);
    row("records", {"querySandboxApproveRecords", "pageIndex=1", "pageSize=20"},
        "/Mervasso/approve/querySandboxApproveRecords.json", "response.recordList.1.fileSize", 1048576);
    row("notice", {"getSandboxApproveNotice", "recordIds=r-1"}, "/Mervasso/approve/getSandboxApproveNotice.json",
        "response.recordList.0.recordId", "r-1");
    row("checkSession", {"checkSession"}, "/Mervasso/auth/checkSession.json", "response.status", 2000);
    row("uploadEventResult", {"uploadEventResult", "eventid=e-1"}, "/Mervasso/event/uploadEventResult.json",
        "response.msg", "success");
    row("submitSandboxApply", {"submitSandboxApply", "fileName=a.txt", "fileSize=12"},
        "/Mervasso/approve/submitSandboxApply.json", "response.status", 2000);
    row("getSandBoxPolicy", {"getSandBoxPolicy"}, "/Mervasso/policy/getSandBoxPolicy.json",
        "response.policies.0.sandBox.copyInSize", 1024);
    row("getPersonalCertInfo", {"getPersonalCertInfo"}, "/getPersonalCertInfo", "response.certList.0.subject",
        "CN=zhangsan");
    row("sandboxUpload", {"sandboxUpload", "file=FILE"}, "/corvis-file-server/sandbox/upload", "response.fileId",
        "file-0001");
    row("token", {"reqNewSandboxToken"}, "/quarrow/api/v1/token", "result", 0);
    row("start", {"reqNewSandboxStart", "sandboxName=office", "imageId=i-1"}, "/quarrow/api/v1/start",
        "response.imageId", "image-1");
    row("stop", {"reqNewSandboxStop", "sandboxName=office", "exitType=1"}, "/quarrow/api/v1/stop",
        "response.containerId", "box-1");
    row("showType", {"reqNewSandboxShowType", "sandboxName=office", "showType=2"}, "/quarrow/api/v1/showType",
        "response.containerId", "box-1");
    row("switch", {"reqNewSandboxSwitch", "sandboxName=office", "model=1"}, "/quarrow/api/v1/switch",
        "response.containerId", "box-1");
    row("import", {"reqNewSandboxImportFile", "sandboxName=office", "importPath=/a"}, "/quarrow/api/v1/import",
        "response.message", "success");
    row("export", {"reqNewSandboxExportFile", "sandboxName=office", "exportPath=/b"}, "/quarrow/api/v1/export",
        "response.message", "success");
    row("isRunning", {"reqNewSandboxIsRunning", "sandboxName=office"}, "/quarrow/api/v1/getConStatus",
        "response.conStatus", 1);
    row("imagesSync", {"reqNewSandboxImagesSync"}, "/quarrow/api/v1/ImagesSync", "result", 0);
    row("imageStatus", {"reqNewSandboxImageStatus"}, "/quarrow/api/v1/getImageStatus", "response.imageStatus", 1);
}

void TestCorvisinspectApi::calls()
{
    QFETCH(QStringList, args);
    QFETCH(QString, requestPath);
    QFETCH(QString, field);
    QFETCH(QJsonValue, value);

    TestPrefix prefix;
    CtlSim sim(prefix);
    QVERIFY2(sim.isRunning(), qPrintable(sim.startError()));
    prefix.writeSysCfg(sim.sysCfg());
    prefix.writeUserInfo("[UserInfo]\nSessionID=s-1\n");
    prefix.writeInstallFile("sandbox/ini/init.ini", "[SafeWorkSpaceMain]\nToken=t-1\n[SafeWorkSpace]\noffice=1\n");
    prefix.writeInstallFile("upload.txt", "data");
    args.replaceInStrings("FILE", prefix.installPath("upload.txt"));

    QJsonObject out;
    QByteArray err;
    QCOMPARE(run(QStringList{"api"} + args, out, err), 0);
    QCOMPARE(out.value("api").toString(), args.first());
    QCOMPARE(out.value("result").toInt(), 0);
    QVERIFY2(at(out, field) == value, QJsonDocument(out).toJson().constData());
    const QList<QJsonObject> requests = sim.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().value("path").toString(), requestPath);
}

void TestCorvisinspectApi::devInfo()
{
    TestPrefix prefix;
    prefix.writeSysCfg("[appinfo]\nUUID=u-1\n");
    QJsonObject out;
    QByteArray err;
    QCOMPARE(run({"api", "getCorvisDevInfo"}, out, err), 0);
    QCOMPARE(out.value("result").toInt(), 0);
    const QString devInfo = at(out, "response.devinfo").toString();
    QVERIFY(!devInfo.isEmpty());
    QVERIFY(!devInfo.contains('/') && !devInfo.contains('+') && !devInfo.contains('='));
}

void TestCorvisinspectApi::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");

    QTest::newRow("no call") << QStringList{"api"} << "which call?";
    QTest::newRow("unknown call") << QStringList{"api", "dropTables"} << "unknown call";
    QTest::newRow("unknown key") << QStringList{"api", "ssoAuth", "password=x"} << "takes key=value";
    QTest::newRow("no value sign") << QStringList{"api", "ssoAuth", "uname"} << "takes key=value";
    QTest::newRow("keys on a call without any") << QStringList{"api", "checkSession", "a=b"} << "(none)";
    QTest::newRow("not an integer") << QStringList{"api", "querySandboxApproveRecords", "pageSize=ten"}
                                    << "pageSize must be an integer";
}

void TestCorvisinspectApi::badArguments()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    TestPrefix prefix;
    QJsonObject out;
    QByteArray err;
    QCOMPARE(run(args, out, err), 1);
    QVERIFY(out.isEmpty());
    QVERIFY2(err.contains(message.toUtf8()), err.constData());
}

QTEST_GUILESS_MAIN(TestCorvisinspectApi)
#include "tst_corvisinspect_api.moc"
