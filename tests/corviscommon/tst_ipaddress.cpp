// Address, port and network matching.

#include "corviscommon/ipaddress.h"
#include "support/logcapture.h"

#include <QtTest>

Q_DECLARE_METATYPE(IPv6Address)

namespace {

QString parts(const IPv6Address& a)
{
    QStringList list;
    for (uint16_t p : a.part) {
        list << QString::number(p, 16);
    }
    return list.join(QLatin1Char(':'));
}

}  // namespace

class TestIpAddress : public QObject
{
    Q_OBJECT

private slots:
    void toInt_data();
    void toInt();
    void maskAddr_data();
    void maskAddr();
    void maskLen_data();
    void maskLen();
    void ipSegment_data();
    void ipSegment();
    void portSegment_data();
    void portSegment();
    void changeAddress_data();
    void changeAddress();
    void between_data();
    void between();
    void netScope_data();
    void netScope();
    void inNet_data();
    void inNet();
    void domain_data();
    void domain();
};

void TestIpAddress::toInt_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<uint>("value");

    QTest::newRow("address") << QByteArray("192.168.1.10") << 0xC0A8010Au;
    QTest::newRow("zero") << QByteArray("0.0.0.0") << 0u;
    QTest::newRow("all ones") << QByteArray("255.255.255.255") << 0xFFFFFFFFu;
    QTest::newRow("empty") << QByteArray() << 0u;
    QTest::newRow("two octets") << QByteArray("10.1") << 0x0A010000u;
}

void TestIpAddress::toInt()
{
    QFETCH(QByteArray, text);
    QFETCH(uint, value);
    QCOMPARE(ip_to_int(text.constData()), value);

    QCOMPARE(_to_int("a1234b", 1, 3), 123u);
    QCOMPARE(_to_int("1234", 2, 1), 0u);
    QCOMPARE(_to_int("12", 0, 50), 12u);  // stops at the end of the text
}

void TestIpAddress::maskAddr_data()
{
    QTest::addColumn<QByteArray>("ip1");
    QTest::addColumn<QByteArray>("ip2");
    QTest::addColumn<QByteArray>("mask");
    QTest::addColumn<bool>("same");

    QTest::newRow("same /24") << QByteArray("10.1.2.3") << QByteArray("10.1.2.200") << QByteArray("255.255.255.0") << true;
    QTest::newRow("not same /32") << QByteArray("10.1.2.3") << QByteArray("10.1.2.200") << QByteArray("255.255.255.255")
                                  << false;
    QTest::newRow("other /24") << QByteArray("10.1.3.3") << QByteArray("10.1.2.3") << QByteArray("255.255.255.0") << false;
    QTest::newRow("bad address") << QByteArray("10.1.2") << QByteArray("10.1.2.3") << QByteArray("255.255.255.0") << false;
    QTest::newRow("bad mask") << QByteArray("10.1.2.3") << QByteArray("10.1.2.3") << QByteArray("24") << false;
}

void TestIpAddress::maskAddr()
{
    QFETCH(QByteArray, ip1);
    QFETCH(QByteArray, ip2);
    QFETCH(QByteArray, mask);
    QFETCH(bool, same);
    QCOMPARE(isSameNetSementMaskAddr(ip1.constData(), ip2.constData(), mask.constData()), same);
}

void TestIpAddress::maskLen_data()
{
    QTest::addColumn<QByteArray>("ip");
    QTest::addColumn<QByteArray>("net");
    QTest::addColumn<bool>("same");

    QTest::newRow("same /24") << QByteArray("10.1.2.3") << QByteArray("10.1.2.200/24") << true;
    QTest::newRow("not same /32") << QByteArray("10.1.2.3") << QByteArray("10.1.2.200/32") << false;
    QTest::newRow("equal /32") << QByteArray("10.1.2.3") << QByteArray("10.1.2.3/32") << true;
    QTest::newRow("/0 compares the whole addresses") << QByteArray("10.1.2.3") << QByteArray("99.1.2.3/0") << false;
    QTest::newRow("/0 equal addresses") << QByteArray("10.1.2.3") << QByteArray("10.1.2.3/0") << true;
    QTest::newRow("/8") << QByteArray("10.200.2.3") << QByteArray("10.0.0.0/8") << true;
    QTest::newRow("prefix above 32") << QByteArray("10.1.2.3") << QByteArray("10.1.2.3/33") << false;
    QTest::newRow("no prefix") << QByteArray("10.1.2.3") << QByteArray("10.1.2.3") << false;
    QTest::newRow("ipv6") << QByteArray("::1") << QByteArray("::1/128") << false;
}

void TestIpAddress::maskLen()
{
    QFETCH(QByteArray, ip);
    QFETCH(QByteArray, net);
    QFETCH(bool, same);

    LogCapture log;
    QCOMPARE(isSameNetSegmentMaskLen(ip.constData(), net.constData()), same);
    QVERIFY(log.contains(QStringLiteral("isSameNetSegmentMaskLen:") + ip));
    QVERIFY(log.contains(same ? QStringLiteral("Same Net Segment.") : QStringLiteral("Diffrent Net Segment.")));
}

void TestIpAddress::ipSegment_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QByteArray>("end");
    QTest::addColumn<QByteArray>("ip");
    QTest::addColumn<bool>("belongs");

    QTest::newRow("inside") << QByteArray("10.0.0.1") << QByteArray("10.0.0.100") << QByteArray("10.0.0.50") << true;
    QTest::newRow("at the end") << QByteArray("10.0.0.1") << QByteArray("10.0.0.100") << QByteArray("10.0.0.100") << true;
    QTest::newRow("last octet above") << QByteArray("10.0.0.1") << QByteArray("10.0.0.100") << QByteArray("10.0.0.101")
                                      << false;
    QTest::newRow("across octets") << QByteArray("10.0.0.200") << QByteArray("10.0.1.5") << QByteArray("10.0.1.1") << true;
    QTest::newRow("start above end") << QByteArray("10.0.0.100") << QByteArray("10.0.0.1") << QByteArray("10.0.0.50")
                                     << false;
    QTest::newRow("not an address") << QByteArray("10.0.0.1") << QByteArray("10.0.0.100") << QByteArray("host") << false;
}

void TestIpAddress::ipSegment()
{
    QFETCH(QByteArray, start);
    QFETCH(QByteArray, end);
    QFETCH(QByteArray, ip);
    QFETCH(bool, belongs);

    LogCapture log;
    QCOMPARE(isBelongIpSegment(start.constData(), end.constData(), ip.constData()), belongs);
    QVERIFY(log.contains(QStringLiteral("isBelongIpSegment:%1 %2 %3").arg(QString(start), QString(end), QString(ip))));
    QVERIFY(log.contains(belongs ? QStringLiteral("yes isBelongIpSegment") : QStringLiteral("no isBelongIpSegment")));
}

void TestIpAddress::portSegment_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QByteArray>("end");
    QTest::addColumn<QByteArray>("port");
    QTest::addColumn<bool>("belongs");

    QTest::newRow("inside") << QByteArray("80") << QByteArray("443") << QByteArray("100") << true;
    QTest::newRow("at the end") << QByteArray("80") << QByteArray("443") << QByteArray("443") << true;
    QTest::newRow("at the start") << QByteArray("80") << QByteArray("443") << QByteArray("80") << true;
    QTest::newRow("above") << QByteArray("80") << QByteArray("443") << QByteArray("444") << false;
    QTest::newRow("start above end") << QByteArray("443") << QByteArray("80") << QByteArray("100") << false;
    QTest::newRow("start above end, at an end") << QByteArray("443") << QByteArray("80") << QByteArray("443") << false;
    QTest::newRow("not a number reads as 0") << QByteArray("0") << QByteArray("10") << QByteArray("http") << true;
}

void TestIpAddress::portSegment()
{
    QFETCH(QByteArray, start);
    QFETCH(QByteArray, end);
    QFETCH(QByteArray, port);
    QFETCH(bool, belongs);

    LogCapture log;
    QCOMPARE(isBelongPortSegment(start.constData(), end.constData(), port.constData()), belongs);
    QVERIFY(log.contains(QStringLiteral("isBelongPortSegment:%1 %2 %3").arg(QString(start), QString(end), QString(port))));
    QVERIFY(log.contains(belongs ? QStringLiteral("yes BelongPortSegment") : QStringLiteral("not BelongPortSegment")));
}

void TestIpAddress::changeAddress_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("parts");

    QTest::newRow("ipv4 in the last parts") << QByteArray("192.168.1.10") << true << QStringLiteral("0:0:0:0:0:0:c0a8:10a");
    QTest::newRow("ipv6 part 0 first") << QByteArray("2001:db8::5") << true << QStringLiteral("2001:db8:0:0:0:0:0:5");
    QTest::newRow("loopback") << QByteArray("::1") << true << QStringLiteral("0:0:0:0:0:0:0:1");
    QTest::newRow("mapped ipv4") << QByteArray("::ffff:10.0.0.1") << true << QStringLiteral("0:0:0:0:0:ffff:a00:1");
    QTest::newRow("name") << QByteArray("example.com") << false << QStringLiteral("0:0:0:0:0:0:0:0");
    QTest::newRow("empty") << QByteArray() << false << QStringLiteral("0:0:0:0:0:0:0:0");
}

void TestIpAddress::changeAddress()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(QString, parts);

    IPv6Address address;
    QCOMPARE(ChangeIPAddress(text.constData(), address), ok);
    QCOMPARE(::parts(address), parts);

    IPv6Address set;
    SetIPv6PartValue(0, 0x2001, set);
    SetIPv6PartValue(8, 0xFFFF, set);
    SetIPv6PartValue(-1, 0xFFFF, set);
    QCOMPARE(::parts(set), QStringLiteral("2001:0:0:0:0:0:0:0"));
}

void TestIpAddress::between_data()
{
    QTest::addColumn<QByteArray>("low");
    QTest::addColumn<QByteArray>("high");
    QTest::addColumn<QByteArray>("x");
    QTest::addColumn<bool>("inside");

    QTest::newRow("1::5 between 1:: and 2::") << QByteArray("1::") << QByteArray("2::") << QByteArray("1::5") << true;
    QTest::newRow("2::1 above 2::") << QByteArray("1::") << QByteArray("2::") << QByteArray("2::1") << false;
    QTest::newRow("at the low end") << QByteArray("1::") << QByteArray("2::") << QByteArray("1::") << true;
    QTest::newRow("part 0 outweighs part 7") << QByteArray("1::ffff") << QByteArray("1:0:0:0:0:0:1:0")
                                             << QByteArray("1::1:0") << true;
    QTest::newRow("ipv4") << QByteArray("10.0.0.1") << QByteArray("10.0.0.9") << QByteArray("10.0.0.5") << true;
    QTest::newRow("unparsable") << QByteArray("1::") << QByteArray("2::") << QByteArray("x::y") << false;
}

void TestIpAddress::between()
{
    QFETCH(QByteArray, low);
    QFETCH(QByteArray, high);
    QFETCH(QByteArray, x);
    QFETCH(bool, inside);
    QCOMPARE(is_ip_between(low.constData(), high.constData(), x.constData()), inside);
}

void TestIpAddress::netScope_data()
{
    QTest::addColumn<QByteArray>("net");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("low");
    QTest::addColumn<QString>("high");

    QTest::newRow("ipv4 /24") << QByteArray("10.1.2.0/24") << true << QStringLiteral("0:0:0:0:0:0:a01:200")
                              << QStringLiteral("0:0:0:0:0:0:a01:2ff");
    QTest::newRow("ipv4 host bits cleared") << QByteArray("10.1.2.77/24") << true << QStringLiteral("0:0:0:0:0:0:a01:200")
                                            << QStringLiteral("0:0:0:0:0:0:a01:2ff");
    QTest::newRow("ipv4 /32") << QByteArray("10.1.2.3/32") << true << QStringLiteral("0:0:0:0:0:0:a01:203")
                              << QStringLiteral("0:0:0:0:0:0:a01:203");
    QTest::newRow("ipv4 /0") << QByteArray("10.1.2.3/0") << true << QStringLiteral("0:0:0:0:0:0:0:0")
                             << QStringLiteral("0:0:0:0:0:0:ffff:ffff");
    QTest::newRow("ipv6 /16") << QByteArray("2001::/16") << true << QStringLiteral("2001:0:0:0:0:0:0:0")
                              << QStringLiteral("2001:ffff:ffff:ffff:ffff:ffff:ffff:ffff");
    QTest::newRow("ipv6 prefix inside a part") << QByteArray("2001:db8::/20") << true
                                               << QStringLiteral("2001:0:0:0:0:0:0:0")
                                               << QStringLiteral("2001:fff:ffff:ffff:ffff:ffff:ffff:ffff");
    QTest::newRow("ipv6 /128") << QByteArray("1::5/128") << true << QStringLiteral("1:0:0:0:0:0:0:5")
                               << QStringLiteral("1:0:0:0:0:0:0:5");
    QTest::newRow("no prefix") << QByteArray("10.1.2.0") << false << QString() << QString();
    QTest::newRow("two slashes") << QByteArray("10.1.2.0/24/8") << false << QString() << QString();
    QTest::newRow("ipv4 prefix 33") << QByteArray("10.1.2.0/33") << false << QString() << QString();
    QTest::newRow("ipv6 prefix 129") << QByteArray("1::/129") << false << QString() << QString();
    QTest::newRow("prefix not a number") << QByteArray("10.1.2.0/x") << false << QString() << QString();
    QTest::newRow("negative prefix") << QByteArray("10.1.2.0/-1") << false << QString() << QString();
    QTest::newRow("name") << QByteArray("example.com/24") << false << QString() << QString();
}

void TestIpAddress::netScope()
{
    QFETCH(QByteArray, net);
    QFETCH(bool, ok);
    QFETCH(QString, low);
    QFETCH(QString, high);

    IPv6Address l;
    IPv6Address h;
    QCOMPARE(CalcIPNetScope(net.constData(), l, h), ok);
    if (ok) {
        QCOMPARE(parts(l), low);
        QCOMPARE(parts(h), high);
    }
}

void TestIpAddress::inNet_data()
{
    QTest::addColumn<QByteArray>("ip");
    QTest::addColumn<QByteArray>("net");
    QTest::addColumn<bool>("inside");

    QTest::newRow("ipv4 inside") << QByteArray("192.168.1.77") << QByteArray("192.168.1.0/24") << true;
    QTest::newRow("ipv4 broadcast") << QByteArray("192.168.1.255") << QByteArray("192.168.1.0/24") << true;
    QTest::newRow("ipv4 outside") << QByteArray("192.168.2.1") << QByteArray("192.168.1.0/24") << false;
    QTest::newRow("ipv6 inside") << QByteArray("2001:db8::1") << QByteArray("2001:db8::/32") << true;
    QTest::newRow("ipv6 outside") << QByteArray("2001:db9::1") << QByteArray("2001:db8::/32") << false;
    QTest::newRow("ipv4 never in an ipv6 network") << QByteArray("10.0.0.1") << QByteArray("::/0") << false;
    QTest::newRow("ipv6 never in an ipv4 network") << QByteArray("::1") << QByteArray("0.0.0.0/0") << false;
    QTest::newRow("bad network") << QByteArray("10.0.0.1") << QByteArray("10.0.0.0") << false;
    QTest::newRow("bad address") << QByteArray("ten") << QByteArray("10.0.0.0/8") << false;
}

void TestIpAddress::inNet()
{
    QFETCH(QByteArray, ip);
    QFETCH(QByteArray, net);
    QFETCH(bool, inside);
    QCOMPARE(is_ip_in_net(ip.constData(), net.constData()), inside);
}

void TestIpAddress::domain_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("domain");

    QTest::newRow("ipv4") << QByteArray("10.0.0.1") << false;
    QTest::newRow("ipv6") << QByteArray("2001:db8::1") << false;
    QTest::newRow("list") << QByteArray("10.0.0.1,10.0.0.2,::1") << false;
    QTest::newRow("list with a name") << QByteArray("10.0.0.1,intranet.example.com") << true;
    QTest::newRow("range") << QByteArray("10.0.0.1-10.0.0.9") << false;
    QTest::newRow("range with a bad end") << QByteArray("10.0.0.1-10.0.0") << true;
    QTest::newRow("network") << QByteArray("10.0.0.0/8") << false;
    QTest::newRow("network with a name") << QByteArray("intranet/8") << true;
    QTest::newRow("list of ranges and networks") << QByteArray("10.0.0.1-10.0.0.9,192.168.0.0/16") << false;
    QTest::newRow("hyphenated name") << QByteArray("my-host.example.com") << true;
    QTest::newRow("name") << QByteArray("example.com") << true;
    QTest::newRow("empty list part") << QByteArray("10.0.0.1,") << true;
    QTest::newRow("empty") << QByteArray() << true;
}

void TestIpAddress::domain()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, domain);
    QCOMPARE(checkIPisDomain(text.constData()), domain);
}

QTEST_GUILESS_MAIN(TestIpAddress)
#include "tst_ipaddress.moc"
