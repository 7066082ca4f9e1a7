// Utility: the sandbox type and its cache, the processor checks, the NAT decision.

#include "corviscommon/utility.h"
#include "fakehost.h"
#include "support/logcapture.h"
#include "support/testprefix.h"
#include "testpaths.h"

#include <QFile>
#include <QtTest>

namespace {

std::string fixture(const QString& name)
{
    QFile file(QStringLiteral(CORVIS_TEST_DATA_DIR "/host/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

const std::string kHardware = "cat /proc/cpuinfo | grep Hardware";

}  // namespace

class TestUtility : public QObject
{
    Q_OBJECT

private slots:
    void sandboxType_data();
    void sandboxType();
    void kirin_data();
    void kirin();
    void lscpu_data();
    void lscpu();
    void needNat_data();
    void needNat();
};

void TestUtility::sandboxType_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<int>("firstType");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<int>("secondType");

    const QByteArray none;
    QTest::newRow("absent is 0 and stays") << none << 0 << QByteArray("1") << 0;
    QTest::newRow("1 stays") << QByteArray("1") << 1 << QByteArray("0") << 1;
    QTest::newRow("0 stays") << QByteArray("0") << 0 << QByteArray("1") << 0;
    QTest::newRow("other value read again") << QByteArray("5") << 2 << QByteArray("1") << 1;
    QTest::newRow("negative read again") << QByteArray("-1") << 2 << QByteArray("0") << 0;
    QTest::newRow("text is 0") << QByteArray("abc") << 0 << QByteArray("1") << 0;
}

void TestUtility::sandboxType()
{
    QFETCH(QByteArray, first);
    QFETCH(int, firstType);
    QFETCH(QByteArray, second);
    QFETCH(int, secondType);

    TestPrefix prefix;
    auto config = [](const QByteArray& value) {
        return value.isNull() ? QByteArray("[Mervasso]\ncsmode=1\n") : "[Mervasso]\nsandboxtype=" + value + "\n";
    };
    QVERIFY(prefix.writeSysCfg(config(first)));
    QCOMPARE(Utility::getSandboxtype(), firstType);
    // Written directly, so that no cache is reset behind the function's back.
    QVERIFY(writeFile(prefix.installPath(QStringLiteral("ini/syscfg.ini")), config(second)));
    QCOMPARE(Utility::getSandboxtype(), secondType);
}

void TestUtility::kirin_data()
{
    QTest::addColumn<QByteArray>("hardware");
    QTest::addColumn<bool>("kirin");

    QTest::newRow("kirin 990") << QByteArray("Hardware\t: HUAWEI Kirin990\n") << true;
    QTest::newRow("upper case") << QByteArray("Hardware\t: KIRIN 9006C\n") << true;
    QTest::newRow("other soc") << QByteArray("Hardware\t: Phytium FT-2000/4\n") << false;
    QTest::newRow("no hardware line") << QByteArray() << false;
}

void TestUtility::kirin()
{
    QFETCH(QByteArray, hardware);
    QFETCH(bool, kirin);

    FakeHost host;
    host.answer(kHardware, hardware.toStdString());
    LogCapture log;
    QCOMPARE(Utility::isHuaweiKirinCpu(host.runner()), kirin);
    QVERIFY(log.contains(QStringLiteral("isHuaweiKirinCpu output:") + QString::fromUtf8(hardware).trimmed()));
}

void TestUtility::lscpu_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("arch");

    QTest::newRow("english") << QStringLiteral("lscpu-en.txt") << QStringLiteral("HUAWEI Kirin 990")
                             << QStringLiteral("aarch64");
    QTest::newRow("chinese, full-width colons") << QStringLiteral("lscpu-zh.txt") << QStringLiteral("FT-2000/4")
                                                << QStringLiteral("aarch64");
    QTest::newRow("chinese, plain colons") << QStringLiteral("lscpu-zh-halfwidth.txt")
                                           << QStringLiteral("Loongson-3A4000") << QStringLiteral("mips64");
    QTest::newRow("no lscpu") << QString() << QString() << QString();
}

void TestUtility::lscpu()
{
    QFETCH(QString, file);
    QFETCH(QString, name);
    QFETCH(QString, arch);

    FakeHost host;
    host.answer("lscpu", file.isEmpty() ? std::string() : fixture(file));
    std::string gotName = "stale";
    std::string gotArch = "stale";
    QCOMPARE(Utility::getCpuInfo(gotName, gotArch, host.runner()), !name.isEmpty());
    QCOMPARE(QString::fromStdString(gotName), name);
    QCOMPARE(QString::fromStdString(gotArch), arch);
}

void TestUtility::needNat_data()
{
    QTest::addColumn<QByteArray>("sysCfg");
    QTest::addColumn<bool>("kirin");
    QTest::addColumn<QByteArray>("modprobe");
    QTest::addColumn<QByteArray>("lsmod");
    QTest::addColumn<bool>("need");
    QTest::addColumn<bool>("probes");

    const QByteArray sandboxOn = "[functions]\nudpnat=0\n[Mervasso]\nsandboxStatus=1\n";
    const QByteArray loaded = "xt_TPROXY              20480  0\n";
    const QByteArray missing = "modprobe: FATAL: Module xt_TPROXY not found in directory /lib/modules/5.4.18\n";
    QTest::newRow("udpnat set") << QByteArray("[functions]\nudpnat=1\n[Mervasso]\nsandboxStatus=1\n") << true
                                << QByteArray() << QByteArray() << true << false;
    QTest::newRow("sandbox off") << QByteArray("[Mervasso]\nsandboxStatus=0\n") << true << QByteArray() << loaded
                                 << false << false;
    QTest::newRow("not kirin") << sandboxOn << false << QByteArray() << QByteArray() << false << false;
    QTest::newRow("kirin, module loads") << sandboxOn << true << QByteArray() << loaded << false << true;
    QTest::newRow("kirin, module missing") << sandboxOn << true << missing << QByteArray() << true << true;
    QTest::newRow("kirin, module not listed") << sandboxOn << true << QByteArray() << QByteArray() << true << true;
    QTest::newRow("no configuration") << QByteArray() << true << QByteArray() << QByteArray() << false << false;
}

void TestUtility::needNat()
{
    QFETCH(QByteArray, sysCfg);
    QFETCH(bool, kirin);
    QFETCH(QByteArray, modprobe);
    QFETCH(QByteArray, lsmod);
    QFETCH(bool, need);
    QFETCH(bool, probes);

    TestPrefix prefix;
    QVERIFY(prefix.writeSysCfg(sysCfg));
    // The fake host runs nothing: no test ever loads a kernel module.
    FakeHost host;
    host.answer(kHardware, kirin ? "Hardware\t: HUAWEI Kirin990\n" : "Hardware\t: Phytium\n");
    host.answer("lscpu", fixture(QStringLiteral("lscpu-en.txt")));
    host.answer("modprobe xt_TPROXY 2>&1", modprobe.toStdString());
    host.answer("lsmod | grep xt_TPROXY", lsmod.toStdString());

    LogCapture log;
    QCOMPARE(Utility::isNeedNat(host.runner()), need);
    bool probed = false;
    for (const std::string& cmd : host.commands()) {
        probed = probed || cmd.find("modprobe") != std::string::npos;
    }
    QCOMPARE(probed, probes);
    QVERIFY(log.contains(QStringLiteral("is_need_nat_")));
    if (sysCfg.contains("sandboxStatus=1") && !sysCfg.contains("udpnat=1")) {
        QVERIFY(log.contains(QStringLiteral("sandboxStatus output:1")));
        QVERIFY(log.contains(QStringLiteral("cpu info name:HUAWEI Kirin 990 arch:aarch64")));
    }
}

QTEST_GUILESS_MAIN(TestUtility)
#include "tst_utility.moc"
