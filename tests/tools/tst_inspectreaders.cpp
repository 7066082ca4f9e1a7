// corvisinspect read NAME / parse NAME as a support engineer runs it: every reader reachable,
// the record as JSON on standard output, the reader's log lines on standard error.

#include "src/PolicyAnalyzer/policyreadercatalog.h"
#include "support/testprefix.h"
#include "testpaths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

class TestInspectReaders : public QObject
{
    Q_OBJECT

private slots:
    void everyReader_data();
    void everyReader();
    void readsTheInstallRoot();
    void parsesStandardInput();
    void wrongUse_data();
    void wrongUse();

private:
    int run(const QStringList& args, const QByteArray& input, QByteArray& out, QByteArray& err);
};

int TestInspectReaders::run(const QStringList& args, const QByteArray& input, QByteArray& out, QByteArray& err)
{
    QProcess process;
    process.start(QStringLiteral(CORVIS_BIN_DIR "/corvisinspect"), args);
    if (!process.waitForStarted(30000)) {
        return -1;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000)) {
        process.kill();
        return -1;
    }
    out = process.readAllStandardOutput();
    err = process.readAllStandardError();
    return process.exitCode();
}

void TestInspectReaders::everyReader_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("name");
    for (const PolicyReaderEntry& entry : PolicyReaderCatalog::readers()) {
        QTest::newRow(qPrintable(entry.name)) << (entry.takesText ? QStringLiteral("parse") : QStringLiteral("read"))
                                              << entry.name;
    }
}

// With nothing to read, each reader still answers with its result and an empty record.
void TestInspectReaders::everyReader()
{
    QFETCH(QString, command);
    QFETCH(QString, name);
    TestPrefix prefix;
    QByteArray out;
    QByteArray err;
    QCOMPARE(run({command, name}, QByteArray(), out, err), 0);
    QJsonParseError error{};
    const QJsonObject json = QJsonDocument::fromJson(out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(json.keys(), (QStringList{QStringLiteral("ok"), QStringLiteral("record")}));
    QCOMPARE(json.value("ok").toBool(), false);
    if (name != QLatin1String("getAuthType")) {
        const QString reader = name.section(QLatin1Char(':'), 0, 0);
        QVERIFY2(err.contains("FUNC(" + reader.toLatin1() + ") enter"), err.constData());
    }
}

void TestInspectReaders::readsTheInstallRoot()
{
    TestPrefix prefix;
    QVERIFY(prefix.writeSysCfg("[Mervasso]\ncustomProject=vesk-kylin-5.4.18-32\n"));
    QVERIFY(prefix.writeInstallFile(
        QStringLiteral("ini/resource.json"),
        "{\"GatewayConfig\": [{\"AppID\": \"v1\", \"AppName\": \"沙箱浏览器\", \"AppIco\": \"https://gw.example/b.png\","
        " \"Url\": \"\", \"uidclassid\": \"c\", \"ibrowsertype\": \"1\", \"isProtectApp\": \"0\", \"source\": \"gw\","
        " \"isCreateIconInSandbox\": \"1\", \"RunMode\": \"1\", \"ResourceType\": \"1\"}]}"));
    QByteArray out;
    QByteArray err;
    QCOMPARE(run({QStringLiteral("read"), QStringLiteral("readAppList")}, QByteArray(), out, err), 0);
    const QJsonObject json = QJsonDocument::fromJson(out).object();
    QCOMPARE(json.value("ok").toBool(), true);
    const QJsonObject entry = json.value("record").toArray().at(0).toObject();
    QCOMPARE(entry.value("AppName").toString(), QStringLiteral("沙箱浏览器"));
    QCOMPARE(entry.value("icoPath").toString(), prefix.installPath(QStringLiteral("cache/b.png")));
    QCOMPARE(entry.value("isCreateIconInSandbox").toBool(), true);
    QVERIFY(err.contains("source:gw, aum Ico: https://gw.example/b.png"));
    QVERIFY(err.contains("FUNC(readAppList) exit"));
}

void TestInspectReaders::parsesStandardInput()
{
    TestPrefix prefix;
    QByteArray out;
    QByteArray err;
    const QByteArray reply = "{\"status\": 2002, \"msg\": \"确认登录\","
                             " \"data\": {\"username\": \"zhangsan\", \"authcode\": \"c0de-77\", \"sessionid\": \"sess-91\"}}";
    QCOMPARE(run({QStringLiteral("parse"), QStringLiteral("parseQrcodeHeartbeat")}, reply, out, err), 0);
    const QJsonObject record = QJsonDocument::fromJson(out).object().value("record").toObject();
    QCOMPARE(record.value("status").toInt(), 2002);
    QCOMPARE(record.value("username").toString(), QStringLiteral("zhangsan"));
    QCOMPARE(record.value("msg").toString(), QStringLiteral("确认登录"));
    // One-time credentials are shown as present, never in clear.
    QCOMPARE(record.value("authcode").toString(), QStringLiteral("***"));
    QCOMPARE(record.value("sessionid").toString(), QStringLiteral("***"));
    QVERIFY(!out.contains("c0de-77") && !err.contains("c0de-77"));

    QCOMPARE(run({QStringLiteral("parse"), QStringLiteral("getAuthType")}, "6\n", out, err), 0);
    QCOMPARE(QJsonDocument::fromJson(out).object().value("record").toObject().value("name").toString(),
             QStringLiteral("短信认证"));
}

void TestInspectReaders::wrongUse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("read without name") << QStringList{"read"} << QByteArray("one reader name expected");
    QTest::newRow("unknown reader") << QStringList{"read", "readEverything"} << QByteArray("unknown reader");
    QTest::newRow("text reader with read") << QStringList{"read", "parseQrcodeSign"} << QByteArray("use parse parseQrcodeSign");
    QTest::newRow("file reader with parse") << QStringList{"parse", "readAppCat"} << QByteArray("use read readAppCat");
    QTest::newRow("two names") << QStringList{"parse", "parseQrcodeUrl", "parseQrcodeSign"} << QByteArray("one reader name");
}

void TestInspectReaders::wrongUse()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, message);
    TestPrefix prefix;
    QByteArray out;
    QByteArray err;
    QCOMPARE(run(args, QByteArray(), out, err), 1);
    QVERIFY(out.isEmpty());
    QVERIFY2(err.contains(message), err.constData());
}

QTEST_GUILESS_MAIN(TestInspectReaders)
#include "tst_inspectreaders.moc"
