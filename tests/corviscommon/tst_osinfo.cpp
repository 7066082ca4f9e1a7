// The operating-system family, its checks and the os-release reader.

#include "corviscommon/osinfo.h"
#include "fakehost.h"
#include "support/logcapture.h"
#include "testpaths.h"

#include <QFile>
#include <QtTest>

namespace {

std::string fixture(const char* name)
{
    QFile file(QStringLiteral(CORVIS_TEST_DATA_DIR "/host/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::string();
    }
    return file.readAll().toStdString();
}

}  // namespace

class TestOsInfo : public QObject
{
    Q_OBJECT

private slots:
    void systemOsName_data();
    void systemOsName();
    void issueChecks_data();
    void issueChecks();
    void osReleaseValue_data();
    void osReleaseValue();
};

void TestOsInfo::systemOsName_data()
{
    // Each row: the fragments of the commands that print something on that host.
    QTest::addColumn<QStringList>("printing");
    QTest::addColumn<QString>("family");

    QTest::newRow("nothing matches") << QStringList() << QString();
    QTest::newRow("ubuntu") << QStringList{"/etc/lsb-release"} << QStringLiteral("ubuntu");
    QTest::newRow("centos") << QStringList{"CentOS"} << QStringLiteral("centos");
    QTest::newRow("uos by issue") << QStringList{"grep -E 'UnionTech|UOS'"} << QStringLiteral("uos");
    QTest::newRow("uos by os-release") << QStringList{"cat /etc/os-release | grep uos"} << QStringLiteral("uos");
    QTest::newRow("uos professional") << QStringList{"grep -E 'UnionTech|UOS'", "grep Professional"}
                                      << QStringLiteral("uos-profession");
    QTest::newRow("professional alone is no uos") << QStringList{"grep Professional"} << QString();
    QTest::newRow("kylin") << QStringList{"cat /etc/issue | grep Kylin"} << QStringLiteral("kylin");
    QTest::newRow("neokylin") << QStringList{"cat /etc/issue | grep Kylin", "grep NeoKylin"} << QStringLiteral("neoKylin");
    QTest::newRow("ubuntu wins over kylin") << QStringList{"/etc/lsb-release", "cat /etc/issue | grep Kylin"}
                                            << QStringLiteral("ubuntu");
    QTest::newRow("uos wins over kylin") << QStringList{"grep -E 'UnionTech|UOS'", "cat /etc/issue | grep Kylin"}
                                         << QStringLiteral("uos");
}

void TestOsInfo::systemOsName()
{
    QFETCH(QStringList, printing);
    QFETCH(QString, family);

    FakeHost host;
    for (const QString& fragment : printing) {
        host.answerContaining(fragment.toStdString(), "some output\n");
    }
    std::string out = "stale";
    QCOMPARE(getSystemOsName(out, host.runner()), !family.isEmpty());
    QCOMPARE(QString::fromStdString(out), family);
}

void TestOsInfo::issueChecks_data()
{
    QTest::addColumn<QByteArray>("issue");
    QTest::addColumn<bool>("kylin");
    QTest::addColumn<bool>("uos");

    QTest::newRow("kylin") << QByteArray("Kylin V10 SP1 \\n \\l\n") << true << false;
    QTest::newRow("uniontech") << QByteArray("UnionTech OS Desktop 20\n") << false << true;
    QTest::newRow("debian") << QByteArray() << false << false;
}

void TestOsInfo::issueChecks()
{
    QFETCH(QByteArray, issue);
    QFETCH(bool, kylin);
    QFETCH(bool, uos);

    // The grep is the host's; the fake prints what grep would print for this /etc/issue.
    FakeHost host;
    host.answer("cat /etc/issue | grep -E 'Kylin' ", kylin ? issue.toStdString() : std::string());
    host.answer("cat /etc/issue | grep -E 'UnionTech|UOS' ", uos ? issue.toStdString() : std::string());
    LogCapture log;
    QCOMPARE(isKyliosSystem(host.runner()), kylin);
    QCOMPARE(isUosSystem(host.runner()), uos);
    QVERIFY(log.contains(QStringLiteral("isKyliosSystem: cmd:cat /etc/issue | grep -E 'Kylin' ")));
    QVERIFY(log.contains(QStringLiteral("isUosSystem: cmd:cat /etc/issue | grep -E 'UnionTech|UOS' ")));
    QVERIFY(log.contains(QStringLiteral("isKyliosSystem:") + (kylin ? QString::fromUtf8(issue).trimmed() : QString())));
}

void TestOsInfo::osReleaseValue_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("debian pretty name") << QByteArray::fromStdString(fixture("os-release-debian"))
                                        << QByteArray("PRETTY_NAME") << QByteArray("Debian GNU/Linux 12 (bookworm)");
    QTest::newRow("kylin codename") << QByteArray::fromStdString(fixture("os-release-kylin"))
                                    << QByteArray("PROJECT_CODENAME") << QByteArray("V10SP1");
    QTest::newRow("kylin chinese version") << QByteArray::fromStdString(fixture("os-release-kylin"))
                                           << QByteArray("VERSION") << QByteArray("银河麒麟桌面操作系统V10 (SP1)");
    QTest::newRow("uos minor version") << QByteArray::fromStdString(fixture("os-version-uos"))
                                       << QByteArray("MinorVersion") << QByteArray("1050");
    QTest::newRow("missing key") << QByteArray::fromStdString(fixture("os-release-debian"))
                                 << QByteArray("PROJECT_CODENAME") << QByteArray();
    QTest::newRow("prefix of a key is no key") << QByteArray("VERSION_ID=12\n") << QByteArray("VERSION")
                                               << QByteArray();
    QTest::newRow("first of two") << QByteArray("A=1\nA=2\n") << QByteArray("A") << QByteArray("1");
    QTest::newRow("crlf and single quotes") << QByteArray("A='x y'\r\n") << QByteArray("A") << QByteArray("x y");
    QTest::newRow("comment skipped") << QByteArray("#A=1\nA=2") << QByteArray("A") << QByteArray("2");
    QTest::newRow("empty text") << QByteArray() << QByteArray("A") << QByteArray();
}

void TestOsInfo::osReleaseValue()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);

    QCOMPARE(QByteArray::fromStdString(::osReleaseValue(text.toStdString(), key.toStdString())), value);
}

QTEST_GUILESS_MAIN(TestOsInfo)
#include "tst_osinfo.moc"
