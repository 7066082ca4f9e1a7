// What the fixture table cannot show: the singleton, records crossing threads, files that are no
// regular files, and what each reader leaves in a record the caller filled before the call.

#include "src/PolicyAnalyzer/documentfile.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"
#include "support/logcapture.h"
#include "support/testprefix.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <future>
#include <sys/stat.h>
#include <unistd.h>

// Emits a record from the thread it lives in.
class RecordSender : public QObject
{
    Q_OBJECT
signals:
    void resources(const QList<st_resource>& list);
};

class RecordReceiver : public QObject
{
    Q_OBJECT
public slots:
    void onResources(const QList<st_resource>& list)
    {
        names.clear();
        for (const st_resource& resource : list) {
            names.append(resource.AppName);
        }
        thread = QThread::currentThread();
    }

public:
    QStringList names;
    QThread* thread = nullptr;
};

// Keeps the source file name of every record.
class SourceNames : public google::LogSink
{
public:
    SourceNames() { google::AddLogSink(this); }
    ~SourceNames() override { google::RemoveLogSink(this); }
    void send(google::LogSeverity, const char*, const char* base_filename, int, const struct ::tm*, const char*,
              size_t) override
    {
        QMutexLocker lock(&mutex);
        names.insert(QString::fromLocal8Bit(base_filename));
    }
    QMutex mutex;
    QSet<QString> names;
};

class TestPolicyAnalyzer : public QObject
{
    Q_OBJECT

private slots:
    void recordsAreMetaTypes_data();
    void recordsAreMetaTypes();
    void singleton();
    void recordsCrossThreads();
    void logSourceIsThePolicyAnalyzer();

    void notRegularFiles_data();
    void notRegularFiles();
    void missingVersusUnreadable_data();
    void missingVersusUnreadable();
    void growingAndCarriageReturns();

    void remindPolicyUntouchedOnFailure();
    void accessResultKeepsNodeCountOnFailure();
    void dynamicResultKeepsOldValues();
    void passwordRulesKeepTheirValues();
    void kavItsmUntouchedWhenNotFound();
    void approveRecordsAreAppended();
    void heartbeatKeepsTheFlow();
    void singleValueReadersKeepOutputOnFailure();
    void applyTipKeptWhenNoData();
    void textReadersTakeLocalText();
    void iconCacheNames_data();
    void iconCacheNames();
};

void TestPolicyAnalyzer::singleton()
{
    std::vector<std::future<PolicyAnalyzer*>> futures;
    for (int i = 0; i < 8; ++i) {
        futures.push_back(std::async(std::launch::async, [] { return PolicyAnalyzer::instance(); }));
    }
    PolicyAnalyzer* first = PolicyAnalyzer::instance();
    QVERIFY(first != nullptr);
    QCOMPARE(first->parent(), nullptr);
    for (std::future<PolicyAnalyzer*>& future : futures) {
        QCOMPARE(future.get(), first);
    }
}

void TestPolicyAnalyzer::recordsAreMetaTypes_data()
{
    QTest::addColumn<QByteArray>("name");
    for (const char* name : {"st_operationEnv", "st_accessCheckResult", "st_dynamicAuthResult", "AuthAgainType",
                             "st_resource", "QList<st_resource>", "st_appCat", "QList<st_appCat>", "st_netmode",
                             "st_appforResource", "st_systemTitle", "st_carousel", "st_qrcodeInfo", "st_againBindInfo",
                             "st_bindingDevice", "SDeviceBindInfo", "st_deviceBindList", "st_loginAuditItem"}) {
        QTest::newRow(name) << QByteArray(name);
    }
}

void TestPolicyAnalyzer::recordsAreMetaTypes()
{
    QFETCH(QByteArray, name);
    // Registered with the application object, before any reader ran.
    QVERIFY2(QMetaType::type(name.constData()) != QMetaType::UnknownType, name.constData());
}

void TestPolicyAnalyzer::recordsCrossThreads()
{
    QThread worker;
    RecordSender sender;
    sender.moveToThread(&worker);
    RecordReceiver receiver;
    connect(&sender, &RecordSender::resources, &receiver, &RecordReceiver::onResources, Qt::QueuedConnection);
    QSignalSpy spy(&sender, &RecordSender::resources);
    worker.start();

    st_resource first;
    first.AppName = QStringLiteral("办公门户");
    st_resource second;
    second.AppName = QStringLiteral("Mail");
    QMetaObject::invokeMethod(&sender, [&sender, first, second] { emit sender.resources({first, second}); });
    QTRY_COMPARE(receiver.names, (QStringList{QStringLiteral("办公门户"), QStringLiteral("Mail")}));
    QCOMPARE(receiver.thread, QThread::currentThread());
    QCOMPARE(spy.count(), 1);

    // Item data holds records too.
    st_appforResource record;
    record.approver = QStringLiteral("王经理");
    QCOMPARE(QVariant::fromValue(record).value<st_appforResource>().approver, QStringLiteral("王经理"));

    worker.quit();
    worker.wait();
}

void TestPolicyAnalyzer::logSourceIsThePolicyAnalyzer()
{
    TestPrefix prefix;
    SourceNames sink;
    st_accessCheckResult result;
    QList<st_resource> list;
    PolicyAnalyzer::instance()->readAccessResult(result);
    PolicyAnalyzer::instance()->readAppList(list);
    // The readers' own files (the class spreads over policyanalyzer*.cpp and its internal header).
    QVERIFY(!sink.names.isEmpty());
    for (const QString& name : qAsConst(sink.names)) {
        QVERIFY2(name.startsWith(QLatin1String("policyanalyzer")), qPrintable(name));
    }
}

void TestPolicyAnalyzer::notRegularFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("fifo without writer") << "fifo";
    QTest::newRow("directory") << "directory";
    QTest::newRow("link to a device") << "device";
    QTest::newRow("larger than a document may be") << "huge";
}

// None of them may block or end up in memory; each reads as a file that cannot be opened.
void TestPolicyAnalyzer::notRegularFiles()
{
    QFETCH(QString, kind);
    TestPrefix prefix;
    const QString path = prefix.installPath(QStringLiteral("ini/accessCheckResult.json"));
    const QByteArray name = QFile::encodeName(path);
    if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    } else if (kind == QLatin1String("directory")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("device")) {
        QCOMPARE(::symlink("/dev/zero", name.constData()), 0);
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(DocumentFile::kMaxSize + 1));  // sparse: costs no disk
    }

    LogCapture capture;
    st_accessCheckResult result;
    result.nodeCount = 3;
    QVERIFY(!PolicyAnalyzer::instance()->readAccessResult(result));
    QCOMPARE(result.nodeCount, 3);
    QVERIFY(capture.contains(
        QStringLiteral("Error Code: 0x1021, Error Msg: filePath is %1, can't open!").arg(path), google::GLOG_ERROR));

    QByteArray bytes("stale");
    QCOMPARE(DocumentFile::read(path, bytes), DocumentFile::Unreadable);
    QVERIFY(bytes.isEmpty());
}

void TestPolicyAnalyzer::missingVersusUnreadable_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    QTest::newRow("nothing there") << "none" << int(DocumentFile::Missing);
    QTest::newRow("dangling link") << "dangling" << int(DocumentFile::Missing);
    QTest::newRow("below a file") << "belowFile" << int(DocumentFile::Missing);
    QTest::newRow("empty file") << "empty" << int(DocumentFile::Ok);
    if (::geteuid() != 0) {
        QTest::newRow("no permission") << "noPermission" << int(DocumentFile::Unreadable);
    }
}

void TestPolicyAnalyzer::missingVersusUnreadable()
{
    QFETCH(QString, kind);
    QFETCH(int, status);
    TestPrefix prefix;
    QString path = prefix.installPath(QStringLiteral("ini/carousel.json"));
    const QByteArray name = QFile::encodeName(path);
    if (kind == QLatin1String("dangling")) {
        QCOMPARE(::symlink("/nonexistent/carousel.json", name.constData()), 0);
    } else if (kind == QLatin1String("belowFile")) {
        QVERIFY(writeFile(path, "{}"));
        path += QStringLiteral("/carousel.json");
    } else if (kind == QLatin1String("empty")) {
        QVERIFY(writeFile(path, QByteArray()));
    } else if (kind == QLatin1String("noPermission")) {
        QVERIFY(writeFile(path, "{\"carousel\": {}}"));
        QCOMPARE(::chmod(name.constData(), 0), 0);
    }
    QByteArray bytes;
    QCOMPARE(int(DocumentFile::read(path, bytes)), status);
}

void TestPolicyAnalyzer::growingAndCarriageReturns()
{
    TestPrefix prefix;
    const QString path = prefix.installPath(QStringLiteral("ini/doc.json"));
    QByteArray content;
    for (int i = 0; i < 20000; ++i) {
        content += "{\"a\": 1},\r\n";
    }
    QVERIFY(writeFile(path, content));
    QByteArray bytes;
    QCOMPARE(DocumentFile::read(path, bytes), DocumentFile::Ok);
    QCOMPARE(bytes, QByteArray(content).replace("\r", ""));
}

void TestPolicyAnalyzer::remindPolicyUntouchedOnFailure()
{
    st_operationEnv env;
    env.cpuReminderSwitch = 1;
    env.cpuThreshold = 55;
    env.cpuReminderTips = QStringLiteral("before");
    QVERIFY(!PolicyAnalyzer::instance()->parseResRemindInfo(
        QStringLiteral("{\"policyOperationEnv\": [{\"memoryReminderSwitch\": \"1\", \"memoryThreshold\": \"10\"}]}"), env));
    QCOMPARE(env.memoryReminderSwitch, 0);
    QCOMPARE(env.memoryThreshold, -1);
    QCOMPARE(env.cpuThreshold, 55);
    QCOMPARE(env.cpuReminderTips, QStringLiteral("before"));
}

void TestPolicyAnalyzer::accessResultKeepsNodeCountOnFailure()
{
    TestPrefix prefix;
    st_accessCheckResult result;
    result.state = 0;
    result.nodeCount = 7;
    result.nodes.append({QStringLiteral("old"), {}});
    QVERIFY(!PolicyAnalyzer::instance()->readAccessResult(result));
    QCOMPARE(result.state, 1);
    QVERIFY(result.nodes.isEmpty());
    QCOMPARE(result.nodeCount, 7);

    // A later successful read counts again.
    QVERIFY(prefix.writeInstallFile(QStringLiteral("ini/accessCheckResult.json"), "{\"x\": 1}"));
    QVERIFY(PolicyAnalyzer::instance()->readAccessResult(result));
    QCOMPARE(result.nodeCount, 0);
}

void TestPolicyAnalyzer::dynamicResultKeepsOldValues()
{
    TestPrefix prefix;
    st_dynamicAuthResult result;
    result.score = QStringLiteral("90");
    result.trustLevel = QStringLiteral("高");
    result.checkTime = QStringLiteral("earlier");
    result.items.append(st_dynamicAuthItem());

    QVERIFY(!PolicyAnalyzer::instance()->readDynamicResult(result));
    QVERIFY(result.items.isEmpty());
    QCOMPARE(result.checkTime, QStringLiteral("earlier"));

    QVERIFY(prefix.writeInstallFile(QStringLiteral("ini/dynamicAuthResult.json"), "{\"nScore\": \"70\", \"trustLevel\": null}"));
    QVERIFY(PolicyAnalyzer::instance()->readDynamicResult(result));
    QCOMPARE(result.score, QStringLiteral("90"));
    QCOMPARE(result.trustLevel, QStringLiteral("高"));
    QVERIFY(result.checkTime != QStringLiteral("earlier"));
}

void TestPolicyAnalyzer::passwordRulesKeepTheirValues()
{
    TestPrefix prefix;
    QVERIFY(prefix.writeInstallFile(QStringLiteral("ini/systemTitle.json"),
                                    "{\"data\": {\"validateCodeType\": \"1\", \"loginMenu\": [],"
                                    " \"pwdClaim\": {\"min_length\": \"8\"}}}"));
    st_systemTitle title;
    title.validateCodeType = 2;
    title.embeddedWeb = 1;
    title.loginMenu.append({QStringLiteral("9"), QStringLiteral("old")});
    title.pwdClaim.max_length = QStringLiteral("20");
    title.pwdClaim.min_length = QStringLiteral("6");
    title.pwdClaim.min_special_len = QStringLiteral("2");
    QVERIFY(PolicyAnalyzer::instance()->parseSystemTitle(title));
    QCOMPARE(title.validateCodeType, 1);
    QCOMPARE(title.embeddedWeb, 0);
    QVERIFY(title.loginMenu.isEmpty());
    QCOMPARE(title.pwdClaim.isPwdClaimOpen, 1);
    QCOMPARE(title.pwdClaim.min_length, QStringLiteral("8"));
    QCOMPARE(title.pwdClaim.max_length, QStringLiteral("20"));
    QCOMPARE(title.pwdClaim.min_special_len, QStringLiteral("2"));

    // A failed read resets what it owns and leaves the rules alone.
    QVERIFY(prefix.writeInstallFile(QStringLiteral("ini/systemTitle.json"), "{\"data\": {}}"));
    title.validateCodeType = 2;
    QVERIFY(!PolicyAnalyzer::instance()->parseSystemTitle(title));
    QCOMPARE(title.validateCodeType, 0);
    QCOMPARE(title.pwdClaim.min_length, QStringLiteral("8"));
    QCOMPARE(title.pwdClaim.isPwdClaimOpen, 1);
}

void TestPolicyAnalyzer::kavItsmUntouchedWhenNotFound()
{
    TestPrefix prefix;
    QVERIFY(prefix.writeInstallFile(
        QStringLiteral("ini/resource.json"),
        "{\"GatewayConfig\": [{\"AppID\": \"k1\", \"AppName\": \"邮件\", \"AppIco\": \"\", \"Url\": \"u\", \"uidclassid\": \"c\","
        " \"ibrowsertype\": \"1\", \"isProtectApp\": \"1\", \"enable\": 1, \"iAppHide\": \"1\", \"RunMode\": \"1\","
        " \"ResourceType\": \"1\"}]}"));
    st_resource resource;
    resource.AppID = QStringLiteral("previous");
    resource.collect = true;
    QVERIFY(!PolicyAnalyzer::instance()->parseKavItsm(resource));
    QCOMPARE(resource.AppID, QStringLiteral("previous"));
    QVERIFY(resource.collect);
    QVERIFY(!resource.enable);
}

void TestPolicyAnalyzer::approveRecordsAreAppended()
{
    QList<st_appforResource> records;
    st_appforResource earlier;
    earlier.appName = QStringLiteral("earlier");
    records.append(earlier);
    QVERIFY(PolicyAnalyzer::instance()->parseApproveRecords(
        QStringLiteral("{\"data\": {\"recordList\": [{\"appName\": \"财务系统\"}]}}"), records));
    QCOMPARE(records.size(), 2);
    QCOMPARE(records.at(0).appName, QStringLiteral("earlier"));
    QCOMPARE(records.at(1).appName, QStringLiteral("财务系统"));
    QVERIFY(!PolicyAnalyzer::instance()->parseApproveRecords(QStringLiteral("{\"code\": 1}"), records));
    QCOMPARE(records.size(), 2);
}

void TestPolicyAnalyzer::heartbeatKeepsTheFlow()
{
    st_qrcodeInfo info;
    info.ready = 0;
    info.sign = QStringLiteral("6f1c");
    info.username = QStringLiteral("previous");
    info.authcode = QStringLiteral("old-code");
    info.sessionid = QStringLiteral("old-session");
    info.msg = QStringLiteral("old");
    LogCapture capture;
    QVERIFY(PolicyAnalyzer::instance()->parseQrcodeHeartbeat(QStringLiteral("{\"status\": 2004, \"msg\": \"等待扫码\"}"), info));
    QCOMPARE(info.ready, 0);
    QCOMPARE(info.sign, QStringLiteral("6f1c"));
    QCOMPARE(info.status, 2004);
    QVERIFY(info.username.isEmpty());
    QVERIFY(info.authcode.isEmpty());
    QVERIFY(info.sessionid.isEmpty());
    QCOMPARE(info.msg, QStringLiteral("等待扫码"));

    // The credentials of a confirmed scan never reach the log.
    QVERIFY(PolicyAnalyzer::instance()->parseQrcodeHeartbeat(
        QStringLiteral("{\"status\": 2002, \"data\": {\"username\": \"u\", \"authcode\": \"c0de-77\", \"sessionid\": \"sess-91\"}}"),
        info));
    QCOMPARE(info.authcode, QStringLiteral("c0de-77"));
    QVERIFY(!capture.text().contains(QStringLiteral("c0de-77")));
    QVERIFY(!capture.text().contains(QStringLiteral("sess-91")));
}

void TestPolicyAnalyzer::singleValueReadersKeepOutputOnFailure()
{
    PolicyAnalyzer* analyzer = PolicyAnalyzer::instance();
    QString value = QStringLiteral("kept");
    QVERIFY(!analyzer->parseSmsInit(QStringLiteral("{}"), value));
    QVERIFY(!analyzer->parseQrcodeSign(QStringLiteral("{\"data\": {}}"), value));
    QVERIFY(!analyzer->parseQrcodeUrl(QStringLiteral("[]"), value));
    QCOMPARE(value, QStringLiteral("kept"));
    int seconds = 5;
    QVERIFY(!analyzer->parseResetAuthCodeResMsg(QStringLiteral("{\"status\": 1}"), seconds));
    QCOMPARE(seconds, 5);
    st_againBindInfo info;
    info.token = QStringLiteral("kept");
    QVERIFY(!analyzer->parseBindedInfo(QStringLiteral("{\"msg\": \"m\"}"), info));
    QCOMPARE(info.token, QStringLiteral("kept"));
    QVERIFY(info.msg.isEmpty());
}

void TestPolicyAnalyzer::applyTipKeptWhenNoData()
{
    TestPrefix prefix;
    QVERIFY(prefix.writeInstallFile(QStringLiteral("ini/appApplyList.json"), "{\"code\": 1}"));
    QList<st_resource> list{st_resource()};
    QString tip = QStringLiteral("kept");
    QVERIFY(!PolicyAnalyzer::instance()->readAppApplyList(list, tip));
    QVERIFY(list.isEmpty());
    QCOMPARE(tip, QStringLiteral("kept"));
}

void TestPolicyAnalyzer::textReadersTakeLocalText()
{
    // The reply text arrives decoded; names in any script come back as they were.
    QList<QString> ids;
    QVERIFY(PolicyAnalyzer::instance()->parseAppApply(QStringLiteral("{\"data\": {\"successAppIdList\": [\"应用-é-✓\"]}}"), ids));
    QCOMPARE(ids, QList<QString>{QStringLiteral("应用-é-✓")});
}

void TestPolicyAnalyzer::iconCacheNames_data()
{
    QTest::addColumn<QString>("url");
    const char* const urls[] = {
        "https://portal.example/icons/oa.png",
        "https://portal.example/icons/oa.png?v=3&s=64",
        "https://portal.example/icons/oa.png#top",
        "https://portal.example/icons/a.png?next=/b/c.png",
        "https://portal.example/icons/",
        "https://portal.example",
        "https://portal.example?x=1",
        "https://portal.example:8443/i/x.png",
        "https://portal.example:port/i/x.png",
        "http://10.0.0.1/i/x.ico",
        "http://[::1]/i/x.ico",
        "http://user:pw@portal.example/i/x.png",
        "https://portal.example/i/%E5%9B%BE%E6%A0%87.png",
        "https://portal.example/i/a%2Fb.png",
        "https://portal.example/i/a b.png",
        "https://portal.example/i/图标.png",
        "https://portal.example/i/..",
        "https://portal.example//x.png",
        "https:///x.png",
        "https://:80/x.png",
        "https://portal.example/i/x.png?q=%zz",
        "https://portal.example/i/x.png?q=a b",
        "https://portal.example/i/x(1).png;v=2",
        "HTTPS://portal.example/i/x.png",
        "ftp://files.example/i/x.png",
        "//portal.example/i/x.png",
        "icons/x.png",
        "x.png",
        "",
        "data:image/png;base64,iVBORw0KGgo=",
        "javascript:alert(1)",
    };
    for (const char* url : urls) {
        QTest::newRow(url) << QString::fromUtf8(url);
    }
}

// The cache file is named by the icon URL as QUrl reads it, whatever shortcut the reader takes.
void TestPolicyAnalyzer::iconCacheNames()
{
    QFETCH(QString, url);
    TestPrefix prefix;
    QJsonObject entry{{"appId", "p1"}, {"appName", "n"}, {"appIco", url}, {"appPackageName", "k"}};
    const QJsonObject document{{"data", QJsonObject{{"appList", QJsonArray{entry}}}}};
    QVERIFY(prefix.writeInstallFile(QStringLiteral("ini/appApplyList.json"), QJsonDocument(document).toJson()));
    QList<st_resource> list;
    QString tip;
    QVERIFY(PolicyAnalyzer::instance()->readAppApplyList(list, tip));
    QCOMPARE(list.size(), 1);
    QCOMPARE(list.first().icoPath,
             prefix.installPath(QStringLiteral("cache")) + QLatin1Char('/') + QUrl(url).fileName(QUrl::FullyDecoded));
}

QTEST_GUILESS_MAIN(TestPolicyAnalyzer)
#include "tst_policyanalyzer.moc"
