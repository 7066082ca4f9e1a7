// Every PolicyAnalyzer reader against the fixture documents under tests/data/PolicyAnalyzer: one
// folder per document kind, whose cases.json lists, per case, the document (or reply text), the
// edition, the expected result, the whole record afterwards and the reader's whole log.
//
// In cases.json, "${INSTALL}" stands for the re-rooted install root, a record string "<any>" or
// "<datetime>" for any text or a "yyyy-MM-dd hh:mm:ss" time, and "<any>" inside a log line for
// any text at that place.

#include "src/PolicyAnalyzer/policyreadercatalog.h"
#include "support/logcapture.h"
#include "support/testprefix.h"
#include "testpaths.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QtTest>

class TestPolicyReaders : public QObject
{
    Q_OBJECT

private slots:
    void readers_data();
    void readers();
    void everyReaderHasCases();

private:
    QStringList casesSeen_;
};

namespace {

QString dataDir() { return QStringLiteral(CORVIS_TEST_DATA_DIR "/PolicyAnalyzer"); }

QJsonObject loadJson(const QString& path)
{
    QJsonParseError error{};
    const QJsonObject object = QJsonDocument::fromJson(readFile(path), &error).object();
    if (error.error != QJsonParseError::NoError) {
        qWarning("%s: %s", qPrintable(path), qPrintable(error.errorString()));
    }
    return object;
}

QString substitute(QString text, const QString& installRoot)
{
    return text.replace(QStringLiteral("${INSTALL}"), installRoot);
}

// Compares `actual` with `expected` and names the first difference in `where`.
bool matches(const QJsonValue& expected, const QJsonValue& actual, const QString& installRoot, QString& where)
{
    if (expected.isString()) {
        const QString text = substitute(expected.toString(), installRoot);
        if (text == QLatin1String("<any>") && actual.isString()) {
            return true;
        }
        if (text == QLatin1String("<datetime>")) {
            static const QRegularExpression time(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
            if (time.match(actual.toString()).hasMatch()) {
                return true;
            }
        }
        if (actual.isString() && actual.toString() == text) {
            return true;
        }
    } else if (expected.isObject() && actual.isObject()) {
        const QJsonObject e = expected.toObject();
        const QJsonObject a = actual.toObject();
        if (e.keys() != a.keys()) {
            where = QStringLiteral("keys %1 != %2").arg(e.keys().join(','), a.keys().join(','));
            return false;
        }
        for (auto it = e.begin(); it != e.end(); ++it) {
            if (!matches(it.value(), a.value(it.key()), installRoot, where)) {
                where.prepend(it.key() + QLatin1Char('.'));
                return false;
            }
        }
        return true;
    } else if (expected.isArray() && actual.isArray()) {
        const QJsonArray e = expected.toArray();
        const QJsonArray a = actual.toArray();
        if (e.size() != a.size()) {
            where = QStringLiteral("%1 elements, expected %2").arg(a.size()).arg(e.size());
            return false;
        }
        for (int i = 0; i < e.size(); ++i) {
            if (!matches(e.at(i), a.at(i), installRoot, where)) {
                where.prepend(QStringLiteral("[%1].").arg(i));
                return false;
            }
        }
        return true;
    } else if (expected == actual) {
        return true;
    }
    where = QStringLiteral("%1 != expected %2")
                .arg(QString::fromUtf8(QJsonDocument(QJsonArray{actual}).toJson(QJsonDocument::Compact)),
                     QString::fromUtf8(QJsonDocument(QJsonArray{expected}).toJson(QJsonDocument::Compact)));
    return false;
}

QString severityLetter(int severity)
{
    switch (severity) {
    case google::GLOG_INFO:
        return QStringLiteral("I");
    case google::GLOG_WARNING:
        return QStringLiteral("W");
    case google::GLOG_ERROR:
        return QStringLiteral("E");
    default:
        return QStringLiteral("F");
    }
}

}  // namespace

void TestPolicyReaders::readers_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QJsonObject>("testCase");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("file");

    const QStringList folders = QDir(dataDir()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QVERIFY(!folders.isEmpty());
    for (const QString& folder : folders) {
        const QString folderPath = dataDir() + QLatin1Char('/') + folder;
        const QJsonObject table = loadJson(folderPath + QStringLiteral("/cases.json"));
        QVERIFY2(!table.isEmpty(), qPrintable(folder));
        for (const QJsonValue& value : table.value(QLatin1String("cases")).toArray()) {
            const QJsonObject testCase = value.toObject();
            const QString reader = testCase.value(QLatin1String("reader")).toString(table.value(QLatin1String("reader")).toString());
            const QString file = testCase.value(QLatin1String("file")).toString(table.value(QLatin1String("file")).toString());
            const QString name = folder + QLatin1Char('/') + testCase.value(QLatin1String("name")).toString();
            QTest::newRow(qPrintable(name)) << reader << testCase << folderPath << file;
        }
    }
}

void TestPolicyReaders::readers()
{
    QFETCH(QString, reader);
    QFETCH(QJsonObject, testCase);
    QFETCH(QString, folder);
    QFETCH(QString, file);
    casesSeen_.append(reader);

    const PolicyReaderEntry* entry = PolicyReaderCatalog::find(reader);
    QVERIFY2(entry != nullptr, qPrintable(reader));
    TestPrefix prefix;
    const QString installRoot = prefix.installPath(QString()).chopped(1);
    const QString edition = testCase.value(QLatin1String("edition")).toString();
    if (!edition.isEmpty()) {
        QVERIFY(prefix.writeSysCfg("[Mervasso]\ncustomProject=" + edition.toUtf8() + "\n"));
    }

    QString text = testCase.value(QLatin1String("text")).toString();
    const QString document = testCase.value(QLatin1String("document")).toString();
    if (!document.isEmpty()) {
        const QByteArray bytes = readFile(folder + QLatin1Char('/') + document);
        QVERIFY2(!bytes.isEmpty(), qPrintable(document));
        if (entry->takesText) {
            text = QString::fromUtf8(bytes);
        } else {
            QVERIFY(!file.isEmpty());
            QVERIFY(prefix.writeInstallFile(file, bytes));
        }
    }

    LogCapture capture;
    const QJsonObject outcome = entry->run(text, PolicyRecordJson::ShowSecrets);

    QCOMPARE(outcome.value(QLatin1String("ok")).toBool(), testCase.value(QLatin1String("ok")).toBool());
    QString where;
    QVERIFY2(matches(testCase.value(QLatin1String("record")), outcome.value(QLatin1String("record")), installRoot, where),
             qPrintable(where + QStringLiteral("\nrecord: ") +
                        QString::fromUtf8(QJsonDocument(outcome.value(QLatin1String("record")).toObject()).toJson(QJsonDocument::Compact))));

    QStringList expectedLog;
    for (const QJsonValue& line : testCase.value(QLatin1String("log")).toArray()) {
        expectedLog.append(substitute(line.toString(), installRoot));
    }
    QStringList actualLog;
    for (const auto& record : capture.records()) {
        actualLog.append(severityLetter(record.first) + QLatin1Char(' ') + record.second);
    }
    bool same = actualLog.size() == expectedLog.size();
    for (int i = 0; same && i < expectedLog.size(); ++i) {
        QStringList pieces = expectedLog.at(i).split(QStringLiteral("<any>"));
        for (QString& piece : pieces) {
            piece = QRegularExpression::escape(piece);
        }
        const QString pattern = pieces.join(QStringLiteral(".*"));
        same = QRegularExpression(QRegularExpression::anchoredPattern(pattern), QRegularExpression::DotMatchesEverythingOption)
                   .match(actualLog.at(i))
                   .hasMatch();
    }
    QVERIFY2(same, qPrintable(QStringLiteral("log:\n  ") + actualLog.join(QStringLiteral("\n  ")) +
                              QStringLiteral("\nexpected:\n  ") + expectedLog.join(QStringLiteral("\n  "))));
}

// Runs after the table: every reader the tool offers has fixture cases.
void TestPolicyReaders::everyReaderHasCases()
{
    for (const PolicyReaderEntry& entry : PolicyReaderCatalog::readers()) {
        QVERIFY2(casesSeen_.contains(entry.name), qPrintable(entry.name + QStringLiteral(" has no cases")));
    }
}

QTEST_GUILESS_MAIN(TestPolicyReaders)
#include "tst_policyreaders.moc"
