// The basic facts of the device page, gathered from a played host: the battery query, the OS
// name, the MAC and IP tries with their pauses, and the configuration's values as fallback.
// Commands that fail, time out or print garbage leave their field empty.

#include "src/Views/devicebaseinfo.h"

#include "corviscommon/fakehost.h"
#include "support/testprefix.h"

#include <QtTest>

#include <memory>

class TestDeviceBaseInfo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commands();
    void deviceType_data();
    void deviceType();
    void hostText_data();
    void hostText();
    void gatherReadsConfigurationAndHost();
    void ethernetTriesThreeTimes_data();
    void ethernetTriesThreeTimes();
    void incomplete_data();
    void incomplete();

private:
    std::unique_ptr<TestPrefix> prefix_;
};

void TestDeviceBaseInfo::initTestCase()
{
    prefix_ = std::make_unique<TestPrefix>();
    QVERIFY(prefix_->writeSysCfg("[appinfo]\nUUID=5f0c1e2a-9b7d-4c3e-8a21-6d4f0b9e7c55\n"));
    QVERIFY(prefix_->writeUserInfo("[UserInfo]\nPcName=lab-pc-07\nUserMac=aa:bb:cc:dd:ee:01\nUserIP=10.1.2.3\n"));
}

void TestDeviceBaseInfo::commands()
{
    QCOMPARE(QString::fromLatin1(DeviceBaseInfo::batteryCommand()), QStringLiteral("upower -i $(upower -e | grep battery)"));
    QCOMPARE(QString::fromLatin1(DeviceBaseInfo::osNameCommand()),
             QStringLiteral("cat /etc/os-release | grep PRETTY_NAME | awk -F \"=\" '{print $2}' | tr -d '\\n' | tr -d  '\"'"));
}

void TestDeviceBaseInfo::deviceType_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("type");
    QTest::newRow("battery") << 0 << QByteArray("  native-path:          BAT0\n  power supply:         yes\n") << "笔记本电脑";
    QTest::newRow("no battery") << 0 << QByteArray("") << "桌面PC";
    QTest::newRow("blank output") << 0 << QByteArray(" \n\t\n") << "桌面PC";
    // A query that hung past its time-out tells nothing: asked again at the next login.
    QTest::newRow("timed out") << -1 << QByteArray("  native-path:") << "";
}

void TestDeviceBaseInfo::deviceType()
{
    QFETCH(int, result);
    QFETCH(QByteArray, output);
    QFETCH(QString, type);
    QCOMPARE(DeviceBaseInfo::deviceType(result, output.toStdString()), type);
}

void TestDeviceBaseInfo::hostText_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("text");
    QTest::newRow("debian") << 0 << QByteArray("Debian GNU/Linux 12 (bookworm)") << "Debian GNU/Linux 12 (bookworm)";
    QTest::newRow("kylin, trimmed") << 0 << QByteArray("  Kylin V10 SP1\n") << "Kylin V10 SP1";
    QTest::newRow("chinese") << 0 << QByteArray("统信桌面操作系统 V20") << QStringLiteral("统信桌面操作系统 V20");
    QTest::newRow("markup stays text") << 0 << QByteArray("<b>OS</b>") << "<b>OS</b>";
    QTest::newRow("failed") << -1 << QByteArray("Debian") << "";
    QTest::newRow("empty") << 0 << QByteArray("") << "";
    QTest::newRow("binary") << 0 << QByteArray("\x7f" "ELF\x02\x01\x01\x00\x00", 9) << "";
    QTest::newRow("not utf-8") << 0 << QByteArray("Deb\xff\xfeian") << "";
    QTest::newRow("escape sequence") << 0 << QByteArray("Debian\x1b[31m") << "";
    QTest::newRow("two lines") << 0 << QByteArray("Debian\nrm -rf") << "";
    QTest::newRow("endless") << 0 << QByteArray(5000, 'x') << "";
}

void TestDeviceBaseInfo::hostText()
{
    QFETCH(int, result);
    QFETCH(QByteArray, output);
    QFETCH(QString, text);
    QCOMPARE(DeviceBaseInfo::hostText(result, output.toStdString()), text);
}

void TestDeviceBaseInfo::gatherReadsConfigurationAndHost()
{
    FakeHost fake;
    fake.answer(DeviceBaseInfo::batteryCommand(), "native-path: BAT0\n")
        .answer(DeviceBaseInfo::osNameCommand(), "Debian GNU/Linux 12 (bookworm)");
    DeviceBaseInfo::Host host;
    host.run = fake.runner();
    host.ethernet = [](std::string& mac, std::string& ip) {
        mac = "52:54:00:12:34:56";
        ip = "192.168.10.23";
        return true;
    };
    host.pause = [](int) {};
    const st_deviceBaseInfo info = DeviceBaseInfo::gather(host);
    QCOMPARE(info.pcName, QStringLiteral("lab-pc-07"));
    QCOMPARE(info.deviceType, QStringLiteral("笔记本电脑"));
    QCOMPARE(info.osName, QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
    QCOMPARE(info.uuid, QStringLiteral("5f0c1e2a-9b7d-4c3e-8a21-6d4f0b9e7c55"));
    QCOMPARE(info.mac, QStringLiteral("52:54:00:12:34:56"));
    QCOMPARE(info.ip, QStringLiteral("192.168.10.23"));
    QVERIFY(!info.isIncomplete());
    QCOMPARE(fake.commands().size(), size_t(2));
}

void TestDeviceBaseInfo::ethernetTriesThreeTimes_data()
{
    QTest::addColumn<int>("failures");  // tries that find nothing before one that does
    QTest::addColumn<bool>("noIp");     // the interface found has no IPv4 address
    QTest::addColumn<int>("tries");
    QTest::addColumn<int>("pauses");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("ip");
    QTest::newRow("first try") << 0 << false << 1 << 0 << "52:54:00:12:34:56" << "192.168.10.23";
    QTest::newRow("third try") << 2 << false << 3 << 2 << "52:54:00:12:34:56" << "192.168.10.23";
    // Never the made-up address of a failed search: the configuration stands in.
    QTest::newRow("never") << 3 << false << 3 << 2 << "aa:bb:cc:dd:ee:01" << "10.1.2.3";
    QTest::newRow("an interface without IPv4") << 0 << true << 3 << 2 << "52:54:00:12:34:56" << "10.1.2.3";
}

void TestDeviceBaseInfo::ethernetTriesThreeTimes()
{
    QFETCH(int, failures);
    QFETCH(bool, noIp);
    QFETCH(int, tries);
    QFETCH(int, pauses);
    QFETCH(QString, mac);
    QFETCH(QString, ip);
    auto calls = std::make_shared<int>(0);
    auto waits = std::make_shared<QList<int>>();
    DeviceBaseInfo::Host host;
    host.run = FakeHost().runner();
    host.ethernet = [calls, failures, noIp](std::string& m, std::string& i) {
        if ((*calls)++ < failures) {
            m = "9A:3F:00:11:22:33";  // what getEthernetInfo leaves after a failed search
            return false;
        }
        m = "52:54:00:12:34:56";
        i = noIp ? std::string() : std::string("192.168.10.23");
        return true;
    };
    host.pause = [waits](int ms) { waits->append(ms); };
    const st_deviceBaseInfo info = DeviceBaseInfo::gather(host);
    QCOMPARE(*calls, tries);
    QCOMPARE(waits->size(), pauses);
    for (int ms : *waits) {
        QCOMPARE(ms, 100);
    }
    QCOMPARE(info.mac, mac);
    QCOMPARE(info.ip, ip);
}

void TestDeviceBaseInfo::incomplete_data()
{
    QTest::addColumn<int>("emptyField");
    for (int i = 0; i < 6; ++i) {
        QTest::addRow("field %d empty", i) << i;
    }
}

void TestDeviceBaseInfo::incomplete()
{
    QFETCH(int, emptyField);
    st_deviceBaseInfo info{"pc", "桌面PC", "Debian", "uuid", "mac", "ip"};
    QVERIFY(!info.isIncomplete());
    QString* fields[] = {&info.pcName, &info.deviceType, &info.osName, &info.uuid, &info.mac, &info.ip};
    fields[emptyField]->clear();
    QVERIFY(info.isIncomplete());
}

QTEST_GUILESS_MAIN(TestDeviceBaseInfo)
#include "tst_devicebaseinfo.moc"
