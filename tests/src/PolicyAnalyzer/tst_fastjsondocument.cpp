// The readers of large documents parse with RapidJSON (FastJsonDocument) and fall back to Qt for
// a document RapidJSON would read otherwise. Each row runs a reader twice on the same bytes, once
// with Qt alone and once as it runs in the product, and requires the same result, the same record
// and the same log lines; `fast` says whether RapidJSON takes the document at all. The fixture
// documents of the reader tables are run the same way.

#include "src/PolicyAnalyzer/fastjsondocument.h"
#include "src/PolicyAnalyzer/policyreadercatalog.h"
#include "support/logcapture.h"
#include "support/testprefix.h"
#include "testpaths.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

class TestFastJsonDocument : public QObject
{
    Q_OBJECT

private slots:
    void sameAsQt_data();
    void sameAsQt();
    void fixturesSameAsQt_data();
    void fixturesSameAsQt();
    void lastDuplicateKeyCounts();
    void parseTaking_data();
    void parseTaking();
    void cleanup() { FastJsonDocument::setDisabled(false); }
};

// Qt 5.15's JSON parser loses the earlier value of a duplicated key when that value is an object
// or an array, and the rows here duplicate such keys on purpose. Qt is built without frame
// pointers, so such a report stops inside Qt and can only be told by its module.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libQt5Core.so\n";
}

namespace {

struct Run {
    QJsonObject outcome;
    QStringList log;
};

Run runReader(const PolicyReaderEntry& entry, bool qtOnly)
{
    FastJsonDocument::setDisabled(qtOnly);
    LogCapture capture;
    Run run;
    run.outcome = entry.run(QString(), PolicyRecordJson::ShowSecrets);
    for (const auto& record : capture.records()) {
        run.log.append(QString::number(record.first) + QLatin1Char(' ') + record.second);
    }
    FastJsonDocument::setDisabled(false);
    return run;
}

// Runs `reader` on `bytes` both ways and compares; `fast` < 0 skips the parser check.
void compareBothWays(const QString& reader, const QByteArray& edition, const QByteArray& bytes, int fast)
{
    if (fast >= 0) {
        FastJsonDocument document;
        QCOMPARE(document.parse(bytes), fast != 0);
    }
    const PolicyReaderEntry* entry = PolicyReaderCatalog::find(reader);
    QVERIFY2(entry != nullptr, qPrintable(reader));
    TestPrefix prefix;
    if (!edition.isEmpty()) {
        QVERIFY(prefix.writeSysCfg("[Mervasso]\ncustomProject=" + edition + "\n"));
    }
    for (const QString& file : entry->files) {
        QVERIFY(prefix.writeInstallFile(file, bytes));
    }
    const Run qt = runReader(*entry, true);
    const Run product = runReader(*entry, false);
    QVERIFY(!qt.log.isEmpty());
    QCOMPARE(product.outcome, qt.outcome);
    QCOMPARE(product.log, qt.log);
}

const char kVesk[] = "vesk-uos-4.19.71";

// An application entry of appList.json with `extra` members added at its end.
QByteArray app(const QByteArray& id, const QByteArray& extra = QByteArray())
{
    return "{\"AppID\": \"" + id +
           "\", \"AppName\": \"业务系统\", \"AppIco\": \"https://portal.example.com/icons/a%20b.png?v=1\", \"Url\": "
           "\"https://app.example.com/\", \"uidclassid\": \"cat-1\", \"ibrowsertype\": \"1\", \"isProtectApp\": \"0\", "
           "\"enable\": 1, \"iAppHide\": \"0\", \"collect\": 1, \"RunMode\": \"2\", \"ResourceType\": \"1\"" +
           extra + "}";
}

QByteArray appList(const QByteArray& entries) { return "{\"code\": 0, \"data\": [" + entries + "]}"; }

QByteArray nested(int depth) { return QByteArray(depth, '[') + QByteArray(depth, ']'); }

}  // namespace

void TestFastJsonDocument::sameAsQt_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QByteArray>("edition");
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<bool>("fast");

    const QString apps = QStringLiteral("readAppList");
    auto row = [&](const char* name, const QString& reader, const QByteArray& document, bool fast, const QByteArray& edition = {}) {
        QTest::newRow(name) << reader << edition << document << fast;
    };

    // Taken by RapidJSON.
    row("apps: two entries", apps, appList(app("a") + ", " + app("b")), true);
    row("apps: duplicate member, last counts", apps, appList(app("a", ", \"AppName\": \"second\", \"enable\": 0")), true);
    row("apps: duplicate list, last is no list", apps, "{\"data\": [" + app("a") + "], \"data\": {}}", true);
    row("apps: duplicate list, last is the list", apps, "{\"data\": 5, \"data\": [" + app("a") + "]}", true);
    row("apps: types swapped", apps,
        appList("{\"AppID\": 7, \"AppName\": null, \"AppIco\": [], \"Url\": {}, \"uidclassid\": true, \"ibrowsertype\": 1, "
                "\"isProtectApp\": \"x\", \"enable\": \"1\", \"iAppHide\": 1, \"collect\": false, \"RunMode\": \" 3\", "
                "\"ResourceType\": \"+4\"}"),
        true);
    row("apps: numbers at the int edges", apps,
        appList(app("a", ", \"enable\": 2147483648") + "," + app("b", ", \"collect\": -2147483648.5") + "," +
                app("c", ", \"enable\": 9223372036854775808") + "," + app("d", ", \"enable\": 0.5") + "," +
                app("e", ", \"collect\": -1e-300") + "," + app("f", ", \"enable\": 123456789012345678901234567890")),
        true);
    row("apps: decimal texts", apps,
        appList(app("a", ", \"RunMode\": \"007\", \"ResourceType\": \"123456789\"") + "," +
                app("b", ", \"RunMode\": \"1234567890\", \"ResourceType\": \"2147483648\"") + "," +
                app("c", ", \"RunMode\": \"-5\", \"ResourceType\": \"12a\", \"ibrowsertype\": \"\"") + "," +
                app("d", ", \"RunMode\": \"3 \", \"ResourceType\": \"٣\", \"isProtectApp\": \"1e3\"") + "," +
                app("e", ", \"RunMode\": \"0x1f\", \"ResourceType\": \"１\", \"iAppHide\": \"00000000001\"")),
        true);
        row("apps: missing required key", apps, appList(app("a") + ", {\"AppID\": \"b\", \"AppName\": \"n\"}"), true);
    row("apps: entries that are not objects", apps, appList("null, 1, \"x\", [], " + app("a") + ", {}"), true);
    row("apps: top level array", apps, "[" + app("a") + "]", true);
    row("apps: empty top level", apps, "{}", true);
    row("apps: no list", apps, "{\"code\": 0}", true);
    row("apps: empty list", apps, appList(""), true);
    row("apps: escaped key and NUL", apps, appList(app("a\\u0000b", ", \"\\u0041ppName\": \"esc\\/\\n\\t\\\"\"")), true);
    row("apps: noncharacter", apps, appList(app("\xef\xbf\xbe")), true);
    row("apps: deep but not too deep", apps, "{\"x\": " + nested(500) + ", \"data\": [" + app("a") + "]}", true);
    row("vesk: resource list", apps,
        "{\"GatewayConfig\": [" + app("a", ", \"source\": \"s\", \"isCreateIconInSandbox\": \"1\"") + ", " +
            app("b", ", \"source\": \"\", \"isCreateIconInSandbox\": \"1\"") + ", " + app("c") + ", " +
            app("d", ", \"source\": 5, \"isCreateIconInSandbox\": 1, \"source\": \"t\"") + "]}",
        true, kVesk);
    row("vesk: data list is not read", apps, appList(app("a")), true, kVesk);

    const QString cats = QStringLiteral("readAppCat");
    const QByteArray cat = "{\"icount\": \"3\", \"uidclassid\": \"c\", \"strdesc\": \"  说明 \", \"acfid\": \"f\", \"strclassname\": \"N\"}";
    row("categories: list", cats, "[" + cat + ", 1, null, {\"icount\": 2, \"uidclassid\": null, \"strdesc\": \" \", \"acfid\": [], "
                                  "\"strclassname\": \"\", \"strdesc\": \"\"}]", true);
    row("categories: name first", cats, "[" + cat + "]", true, "tirrowa-uos-x86");
    row("categories: missing key", cats, "[" + cat + ", {\"icount\": \"1\"}]", true);
    row("categories: top level object", cats, "{\"list\": [" + cat + "]}", true);
    row("categories: empty array", cats, "[]", true);
    row("categories: underflow", cats, "[{\"icount\": 1e-999}]", false);
    // RapidJSON would convert these with clz(0): a wrong value, undefined behaviour.
    row("apps: zeros with a scale", apps,
        appList(app("a", ", \"enable\": 0e80") + "," + app("b", ", \"collect\": -0.0E-40") + "," +
                app("c", ", \"enable\": 0.00000000000000000000000000")),
        false);
    row("apps: scaled zeros in a text", apps, appList(app("a", ", \"AppName\": \"0e80 \\\" 0.000000000000000000000000e5\\\\\"")), true);

    const QString audit = QStringLiteral("readLoginAudit");
    const QByteArray record = "{\"action_time\": \"2026-12-06 09:00:00\", \"auth_type\": \"1\", \"client_ip\": \"10.0.0.1\", "
                              "\"client_mac\": 5, \"description\": \"登录\", \"description\": \"second\"}";
    row("audit: list", audit, "{\"data\": {\"list\": [" + record + ", {}, 3, [], {\"x\": 1}]}}", true);
    row("audit: duplicate data", audit, "{\"data\": {\"list\": [" + record + "]}, \"data\": {\"list\": 1}}", true);
    row("audit: list not an array", audit, "{\"data\": {\"list\": {}}}", true);
    row("audit: data not an object", audit, "{\"data\": [1]}", true);
    row("audit: top level array", audit, "[" + record + "]", true);
    row("audit: empty top level", audit, "{}", true);

    const QString informs = QStringLiteral("readInformList");
    const QByteArray message = "{\"id\": \"m1\", \"title\": \"通知\", \"content\": \"c\", \"time\": \"t\", \"read\": 1}";
    row("messages: list", informs,
        "{\"data\": {\"list\": [" + message + ", {\"id\": 2, \"read\": \"1\"}, {\"read\": 3.9}, {\"read\": -7e9}, {}, null]}}", true);
    row("messages: list not an array", informs, "{\"data\": {\"list\": \"x\"}}", true);
    row("messages: invalid UTF-8", informs, "{\"data\": {\"list\": [{\"id\": \"\xc3\"}]}}", false);
    row("messages: vesk file", QStringLiteral("readInformListForVesk"), "{\"data\": {\"list\": [" + message + "]}}", true, kVesk);

    const QString access = QStringLiteral("readAccessResult");
    const QByteArray item = "{\"reason\": \"r\", \"softname\": \"s\", \"repairguideURL\": \"u\"}";
    row("access: every section", access,
        "{\"avcheck\": {\"avlist\": [" + item + ", {}, 1]}, \"software\": {\"checktype\": 3, \"softlist\": [" + item +
            ", {\"reason\": 5, \"softname\": \"only\"}]}, \"scrsaverpwd\": [], \"advancedConfig\": [" + item +
            "], \"hostnamecheck\": {}, \"firewalldcheck\": [" + item + "], \"highriskports\": [null], \"rootlogincheck\": [" +
            item + "]}",
        true);
    row("access: duplicate sections, last counts", access,
        "{\"avcheck\": {\"avlist\": [" + item + "]}, \"avcheck\": 1, \"software\": {\"checktype\": 9, \"softlist\": []}, "
        "\"software\": {\"checktype\": 2.7, \"softlist\": [" + item + "], \"checktype\": \"1\"}}",
        true);
    row("access: avlist not an array", access, "{\"avcheck\": {\"avlist\": {}}, \"firewalldcheck\": [" + item + "]}", true);
    row("access: top level array", access, "[" + item + "]", true);
    row("access: empty top level", access, "{}", true);
    row("access: check type out of range", access, "{\"software\": {\"checktype\": 4294967297, \"softlist\": []}}", true);

    // Of a duplicated key Qt keeps the last in the text up to 16 members, beyond that whichever its
    // unstable sort leaves last.
    const QByteArray sixteen = "\"enable\": 0, \"enable\": 1, \"x0\": 0, \"x1\": 1";
    row("apps: duplicate in 16 members", apps, appList(app("a", ", " + sixteen)), true);
    row("apps: duplicate in 17 members", apps, appList(app("a", ", " + sixteen + ", \"x2\": 2")), false);
    row("apps: 17 members, no duplicate", apps, appList(app("a", ", \"x1\": 1, \"x2\": 2, \"x3\": 3, \"x4\": 4, \"x5\": 5")), true);
    row("apps: duplicate Url in 20 members", apps,
        appList("{\"AppID\": \"a1\", \"AppName\": \"n\", \"AppIco\": \"i\", \"Url\": \"https://oa.example/\", \"uidclassid\": \"c1\", "
                "\"ibrowsertype\": \"1\", \"isProtectApp\": \"0\", \"enable\": 1, \"iAppHide\": \"0\", \"collect\": 1, \"Url\": \"\", "
                "\"uidclassid\": \"c2\", \"ibrowsertype\": \"0\", \"isProtectApp\": \"1\", \"enable\": 0, \"iAppHide\": \"1\", "
                "\"collect\": 0, \"RunMode\": \"1\", \"ResourceType\": \"2\", \"RunMode\": \"0\"}"),
        false);

    // Left to Qt.
    row("apps: invalid UTF-8", apps, appList(app("\xff")), false);
    row("apps: surrogate bytes", apps, appList(app("\xed\xa0\x80")), false);
    row("apps: overlong", apps, appList(app("\xc0\x80")), false);
    row("apps: lone low surrogate escape", apps, appList(app("\\udc00")), false);
    row("apps: lone high surrogate escape", apps, appList(app("\\uD800x")), false);
    row("apps: surrogate pair escape", apps, appList(app("\\ud83d\\ude00")), false);
    row("apps: escaped backslash before u", apps, appList(app("\\\\ud800")), true);
    row("apps: NUL after the document", apps, appList(app("a")) + QByteArray(1, '\0') + "x", false);
    row("apps: BOM", apps, "\xef\xbb\xbf" + appList(app("a")), false);
    row("apps: underflow", apps, appList(app("a", ", \"enable\": 1e-400")), false);
    row("apps: overflow", apps, appList(app("a", ", \"enable\": 1e400")), false);
    row("apps: zero with fraction", apps, appList(app("a", ", \"enable\": 0.0")), false);
    row("apps: lenient number", apps, appList(app("a", ", \"enable\": 1.")), false);
    row("apps: lenient escape", apps, appList(app("a\\q")), false);
    row("apps: control character", apps, appList(app("a\x01")), false);
    row("apps: too deep for RapidJSON", apps, "{\"x\": " + nested(600) + ", \"data\": [" + app("a") + "]}", false);
    row("apps: too deep for Qt", apps, "{\"x\": " + nested(1100) + ", \"data\": []}", false);
    row("apps: garbage at the end", apps, appList(app("a")) + " x", false);
    row("apps: trailing comma", apps, appList(app("a") + ","), false);
    row("apps: scalar", apps, "42", false);
    row("apps: empty file", apps, "", false);
}

void TestFastJsonDocument::sameAsQt()
{
    QFETCH(QString, reader);
    QFETCH(QByteArray, edition);
    QFETCH(QByteArray, document);
    QFETCH(bool, fast);
    compareBothWays(reader, edition, document, fast ? 1 : 0);
}

void TestFastJsonDocument::fixturesSameAsQt_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QByteArray>("edition");
    QTest::addColumn<QByteArray>("document");

    const QString dataDir = QStringLiteral(CORVIS_TEST_DATA_DIR "/PolicyAnalyzer");
    const QStringList folders = QDir(dataDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QVERIFY(!folders.isEmpty());
    int rows = 0;
    for (const QString& folder : folders) {
        const QString folderPath = dataDir + QLatin1Char('/') + folder;
        const QJsonObject table = QJsonDocument::fromJson(readFile(folderPath + QStringLiteral("/cases.json"))).object();
        for (const QJsonValue& value : table.value(QLatin1String("cases")).toArray()) {
            const QJsonObject testCase = value.toObject();
            const QString reader = testCase.value(QLatin1String("reader")).toString(table.value(QLatin1String("reader")).toString());
            const QString document = testCase.value(QLatin1String("document")).toString();
            const PolicyReaderEntry* entry = PolicyReaderCatalog::find(reader);
            if (entry == nullptr || entry->takesText || document.isEmpty()) {
                continue;
            }
            const QString name = folder + QLatin1Char('/') + testCase.value(QLatin1String("name")).toString();
            QTest::newRow(qPrintable(name)) << reader << testCase.value(QLatin1String("edition")).toString().toUtf8()
                                            << readFile(folderPath + QLatin1Char('/') + document);
            ++rows;
        }
    }
    QVERIFY(rows > 0);
}

void TestFastJsonDocument::fixturesSameAsQt()
{
    QFETCH(QString, reader);
    QFETCH(QByteArray, edition);
    QFETCH(QByteArray, document);
    compareBothWays(reader, edition, document, -1);
}

// Qt keeps the last of duplicated keys; so does the view, at every level.
void TestFastJsonDocument::lastDuplicateKeyCounts()
{
    FastJsonDocument document;
    QVERIFY(document.parse("{\"a\": 1, \"b\": {\"c\": \"x\", \"c\": \"y\"}, \"a\": \"two\"}"));
    QCOMPARE(document.root()[QLatin1String("a")].toString(), QStringLiteral("two"));
    QCOMPARE(document.root()[QLatin1String("b")][QLatin1String("c")].toString(), QStringLiteral("y"));
    QVERIFY(document.root()[QLatin1String("z")].isUndefined());
    QVERIFY(document.root()[QLatin1String("a")][QLatin1String("a")].isUndefined());
    QCOMPARE(document.root()[QLatin1String("b")].toDouble(), 0.0);
    QVERIFY(!document.root()[QLatin1String("b")].isEmptyObject());
    QCOMPARE(document.root()[QLatin1String("a")].toArray().size(), 0);
}

// Parsing the reader's own bytes in place: a document declined at any point, after strings were
// already read, gives the bytes back exactly as they came, for Qt to read.
void TestFastJsonDocument::parseTaking_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("a");  // the member "a" of a document taken

    QByteArray large = "{";
    for (int i = 0; i < 17; ++i) {
        large += "\"k" + QByteArray::number(i % 16) + "\": \"v" + QByteArray::number(i) + "\", ";
    }
    large += "\"a\": \"last\"}";

    QTest::newRow("plain object") << QByteArray("{\"a\": \"x y\", \"b\": [1, \"z\", {\"c\": \"\"}]}") << true << "x y";
    QTest::newRow("escapes") << QByteArray("{\"a\": \"x\\ny\\u00e9\\\"\", \"b\": \"\\/\"}") << true
                             << QStringLiteral("x\ny\u00e9\"");
    QTest::newRow("utf-8") << QByteArray("{\"a\": \"业务系统\"}") << true << QStringLiteral("业务系统");
    QTest::newRow("trailing comma") << QByteArray("{\"a\": \"x\", \"b\": \"y\",}") << false << QString();
    QTest::newRow("garbage after") << QByteArray("{\"a\": \"x\"} \"y\"") << false << QString();
    QTest::newRow("escape, then an error") << QByteArray("{\"a\": \"x\\ty\", \"b\": \"\\u0041\" ]") << false << QString();
    QTest::newRow("lenient escape") << QByteArray("{\"a\": \"x\", \"b\": \"\\q\"}") << false << QString();
    QTest::newRow("zero with a fraction") << QByteArray("{\"a\": \"x\", \"b\": 0.0}") << false << QString();
    QTest::newRow("duplicate in a large object") << large << false << QString();
    QTest::newRow("too deep after strings") << "[\"a\", \"b\", " + nested(600) + "]" << false << QString();
    QTest::newRow("unterminated string") << QByteArray("{\"a\": \"x\", \"b\": \"yz") << false << QString();
    QTest::newRow("top-level string") << QByteArray("\"abc\"") << false << QString();
    QTest::newRow("NUL") << QByteArray("{\"a\": \"x\"}").append('\0') << false << QString();
}

void TestFastJsonDocument::parseTaking()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, taken);
    QFETCH(QString, a);
    const QByteArray original(bytes.constData(), bytes.size());
    FastJsonDocument document;
    QCOMPARE(document.parseTaking(bytes), taken);
    if (!taken) {
        QCOMPARE(bytes, original);
        return;
    }
    QVERIFY(bytes.isEmpty());
    QCOMPARE(document.root()[QLatin1String("a")].toString(), a);
    FastJsonDocument copy;
    QVERIFY(copy.parse(original));
    QCOMPARE(document.root()[QLatin1String("b")].toArray().size(), copy.root()[QLatin1String("b")].toArray().size());
    QCOMPARE(document.root()[QLatin1String("b")].toString(), copy.root()[QLatin1String("b")].toString());
}

QTEST_GUILESS_MAIN(TestFastJsonDocument)
#include "tst_fastjsondocument.moc"
