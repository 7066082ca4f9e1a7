// The primary interface and its MAC address: candidate rules, the fallback, the default route.

#include "corviscommon/machineinfo.h"
#include "corviscommon/netinfo.h"
#include "support/logcapture.h"
#include "testpaths.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

namespace {

// "name:flags:mac:ip" with flags from "u" (up) and "w" (wireless); the MAC with dashes.
std::vector<NetInterfaceInfo> interfaces(const QStringList& specs)
{
    std::vector<NetInterfaceInfo> list;
    for (const QString& spec : specs) {
        const QStringList f = spec.split(QLatin1Char('|'));
        NetInterfaceInfo info;
        info.name = f.value(0).toStdString();
        info.up = f.value(1).contains(QLatin1Char('u'));
        info.wireless = f.value(1).contains(QLatin1Char('w'));
        info.mac = f.value(2).toStdString();
        info.ipv4 = f.value(3).toStdString();
        list.push_back(info);
    }
    return list;
}

const QRegularExpression kRandomMac(QStringLiteral("^[0-9A-F]{2}(:[0-9A-F]{2}){5}$"));
const QRegularExpression kLowerMac(QStringLiteral("^[0-9a-f]{2}(:[0-9a-f]{2}){5}$"));

}  // namespace

class TestNetInfo : public QObject
{
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
    void randomMac();
    void defaultRoute_data();
    void defaultRoute();
    void thisHost();
};

void TestNetInfo::choice_data()
{
    QTest::addColumn<QStringList>("specs");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("ip");

    QTest::newRow("lo and a docker bridge give a random MAC")
        << QStringList{"lo|u|00:00:00:00:00:00|127.0.0.1", "docker0|u|02:42:ac:11:00:01|172.17.0.1"} << false
        << QString() << QString();
    QTest::newRow("all-zero wired loses to wireless")
        << QStringList{"eth0|u|00:00:00:00:00:00|", "wlan0|uw|3c:a9:f4:00:11:22|192.168.1.7"} << true
        << QStringLiteral("3c:a9:f4:00:11:22") << QStringLiteral("192.168.1.7");
    QTest::newRow("wired before wireless, whatever the order found")
        << QStringList{"wlan0|uw|3c:a9:f4:00:11:22|192.168.1.7", "enp3s0|u|52:54:00:12:34:56|10.0.0.8"} << true
        << QStringLiteral("52:54:00:12:34:56") << QStringLiteral("10.0.0.8");
    QTest::newRow("first wired in discovery order")
        << QStringList{"enp1s0|u|52:54:00:00:00:01|", "enp2s0|u|52:54:00:00:00:02|10.0.0.2"} << true
        << QStringLiteral("52:54:00:00:00:01") << QString();
    QTest::newRow("down interfaces are skipped")
        << QStringList{"eth0||52:54:00:00:00:01|10.0.0.1", "eth1|u|52:54:00:00:00:02|10.0.0.2"} << true
        << QStringLiteral("52:54:00:00:00:02") << QStringLiteral("10.0.0.2");
    QTest::newRow("skipped names and prefixes")
        << QStringList{"can0|u|11:11:11:11:11:11|", "can1|u|11:11:11:11:11:12|", "can2|u|11:11:11:11:11:13|",
                       "usb0|u|11:11:11:11:11:14|", "corvis-br0|u|11:11:11:11:11:15|", "veth12ab|u|11:11:11:11:11:16|",
                       "docker_gwbridge|u|11:11:11:11:11:17|", "br-5f1e|u|11:11:11:11:11:18|",
                       "can10|u|aa:bb:cc:dd:ee:ff|10.1.1.1"}
        << true << QStringLiteral("aa:bb:cc:dd:ee:ff") << QStringLiteral("10.1.1.1");
    QTest::newRow("unreadable address is skipped")
        << QStringList{"eth0|u||", "eth1|u|52:54:00:00:00:09|"} << true << QStringLiteral("52:54:00:00:00:09")
        << QString();
    QTest::newRow("no interfaces at all") << QStringList() << false << QString() << QString();
}

void TestNetInfo::choice()
{
    QFETCH(QStringList, specs);
    QFETCH(bool, found);
    QFETCH(QString, mac);
    QFETCH(QString, ip);

    LogCapture log;
    std::string gotMac = "stale";
    std::string gotIp = "stale";
    QCOMPARE(getEthernetInfo(interfaces(specs), gotMac, gotIp), found);
    if (found) {
        QCOMPARE(QString::fromStdString(gotMac), mac);
        QCOMPARE(QString::fromStdString(gotIp), ip);
        QVERIFY(log.contains(QStringLiteral("getEthernetInfo done, mac=") + mac));
        QVERIFY(log.contains(QStringLiteral("find wired interface name = ")) || log.contains(QStringLiteral("find wireless interface name = ")));
    } else {
        QVERIFY(kRandomMac.match(QString::fromStdString(gotMac)).hasMatch());
        QVERIFY(gotIp.empty());
        QVERIFY(log.contains(QStringLiteral("No valid MAC found, generating random MAC address as fallback")));
        QVERIFY(log.contains(QStringLiteral("Generated fallback MAC: ") + QString::fromStdString(gotMac)));
    }
    QCOMPARE(log.contains(QStringLiteral("No valid network interface found, will use fallback MAC")),
             ethernetCandidates(interfaces(specs)).empty());
}

void TestNetInfo::randomMac()
{
    std::string mac;
    for (int i = 0; i < 20; ++i) {
        genRandomMACAddr(mac);
        QCOMPARE(mac.size(), size_t(17));
        QVERIFY(kRandomMac.match(QString::fromStdString(mac)).hasMatch());
    }
}

void TestNetInfo::defaultRoute_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("name");

    QFile file(QStringLiteral(CORVIS_TEST_DATA_DIR "/host/proc-route.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTest::newRow("default after another route") << file.readAll() << QByteArray("wlan0");
    QTest::newRow("no default route") << QByteArray("Iface\tDestination\neth0\t000200C0\t00000000\n") << QByteArray();
    QTest::newRow("header only") << QByteArray("Iface\tDestination\tGateway\n") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestNetInfo::defaultRoute()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, name);
    QCOMPARE(QByteArray::fromStdString(defaultRouteInterface(text.toStdString())), name);
}

void TestNetInfo::thisHost()
{
    // Whatever interfaces this machine has, the answer is a well-formed address.
    std::string mac;
    std::string ip;
    const bool found = MachineInfo::getEthernetInfo(mac, ip);
    const QString text = QString::fromStdString(mac);
    QVERIFY2(found ? kLowerMac.match(text).hasMatch() : kRandomMac.match(text).hasMatch(), qPrintable(text));

    std::string systemMac;
    if (getSystemMacAddr(systemMac)) {
        QVERIFY(kRandomMac.match(QString::fromStdString(systemMac)).hasMatch());
    } else {
        QVERIFY(systemMac.empty());
    }
}

QTEST_GUILESS_MAIN(TestNetInfo)
#include "tst_netinfo.moc"
