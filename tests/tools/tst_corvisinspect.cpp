// corvisinspect as a program: its JSON on standard output, its exit codes.

#include "support/testprefix.h"
#include "testpaths.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

class TestCorvisinspect : public QObject
{
    Q_OBJECT

private slots:
    void config();
    void host();
    void badArguments_data();
    void badArguments();

private:
    int run(const QStringList& args, QByteArray& out, QByteArray& err);
};

int TestCorvisinspect::run(const QStringList& args, QByteArray& out, QByteArray& err)
{
    QProcess process;
    process.start(QStringLiteral(CORVIS_BIN_DIR "/corvisinspect"), args);
    if (!process.waitForFinished(30000)) {
        process.kill();
        return -1;
    }
    out = process.readAllStandardOutput();
    err = process.readAllStandardError();
    return process.exitCode();
}

void TestCorvisinspect::config()
{
    TestPrefix prefix;
    prefix.writeSysCfg("[Mervasso]\nServerIP=10.2.3.4\ncsmode=1\ncustomProject=kav\n[about]\nname=安全工作台\n");
    prefix.writeUserInfo("[UserInfo]\nUserName=zhang\nPortalDisplayMode=0\n[VelmoraSpa]\nVlsPassword=secret\n");
    QByteArray out;
    QByteArray err;
    QCOMPARE(run({QStringLiteral("config")}, out, err), 0);
    QJsonParseError error{};
    const QJsonObject json = QJsonDocument::fromJson(out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(json.value("portalIp").toString(), QStringLiteral("10.2.3.4"));
    QCOMPARE(json.value("csMode").toBool(), true);
    QCOMPARE(json.value("spaMark").toBool(), false);
    QCOMPARE(json.value("customProject").toString(), QStringLiteral("kav"));
    QCOMPARE(json.value("softName").toString(), QStringLiteral("安全工作台"));
    QCOMPARE(json.value("csSoftName").toString(), QStringLiteral("Tessaly"));
    QCOMPARE(json.value("userName").toString(), QStringLiteral("zhang"));
    QCOMPARE(json.value("portalDisplayMode").toBool(), false);
    QCOMPARE(json.value("netmodeCount").toInt(), 0);
    QVERIFY(json.value("sysCfgPath").toString().startsWith(prefix.root()));
    // Secrets never leave the machine's files through the tool.
    QVERIFY(!out.contains("secret"));
}

void TestCorvisinspect::host()
{
    TestPrefix prefix;
    prefix.writeSysCfg("[Mervasso]\nsandboxtype=1\n[functions]\nbrowser=/bin/sh\n");
    QByteArray out;
    QByteArray err;
    QCOMPARE(run({QStringLiteral("host")}, out, err), 0);
    QJsonParseError error{};
    const QJsonObject json = QJsonDocument::fromJson(out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);

    const QJsonObject ethernet = json.value("getEthernetInfo").toObject();
    const QString mac = ethernet.value("mac").toString();
    const QRegularExpression lower(QStringLiteral("^[0-9a-f]{2}(:[0-9a-f]{2}){5}$"));
    const QRegularExpression upper(QStringLiteral("^[0-9A-F]{2}(:[0-9A-F]{2}){5}$"));
    QVERIFY2((ethernet.value("found").toBool() ? lower : upper).match(mac).hasMatch(), qPrintable(mac));
    QCOMPARE(json.value("getSandboxtype").toInt(), 1);
    // The configured browser, found by which.
    const QJsonObject browser = json.value("usableBrowser").toObject();
    QVERIFY(browser.value("found").toBool());
    QVERIFY(browser.value("browser").toString().endsWith(QStringLiteral("/sh")));
    for (const char* key : {"getSysCpuUsage", "getsysMemUsage", "getsysDiskUsage"}) {
        const QJsonValue value = json.value(QLatin1String(key));
        QVERIFY2(value.isDouble() && value.toDouble() >= 0.0 && value.toDouble() <= 100.0, key);
    }
    for (const char* key : {"getSystemOsName", "getOsFullName", "getOsMinorVersion", "getSystemMacAddr"}) {
        QVERIFY2(json.value(QLatin1String(key)).isString(), key);
    }
    QVERIFY(json.value("getCpuInfo").toObject().contains(QStringLiteral("arch")));
    QVERIFY(json.value("isHuaweiKirinCpu").isBool());
    QCOMPARE(run({QStringLiteral("host"), QStringLiteral("extra")}, out, err), 1);
}

void TestCorvisinspect::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("nothing") << QStringList();
    QTest::newRow("unknown") << QStringList{QStringLiteral("nosuchthing")};
    QTest::newRow("config with argument") << QStringList{QStringLiteral("config"), QStringLiteral("x")};
}

void TestCorvisinspect::badArguments()
{
    QFETCH(QStringList, args);
    TestPrefix prefix;
    QByteArray out;
    QByteArray err;
    QCOMPARE(run(args, out, err), 1);
    QVERIFY(out.isEmpty());
    QVERIFY(err.contains("usage"));
}

QTEST_GUILESS_MAIN(TestCorvisinspect)
#include "tst_corvisinspect.moc"
