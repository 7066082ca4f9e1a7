// Load figures from /proc texts and statfs numbers, and readable sizes.

#include "corviscommon/sysusage.h"
#include "testpaths.h"

#include <QFile>
#include <QtTest>

namespace {

std::string fixture(const QString& name)
{
    QFile file(QStringLiteral(CORVIS_TEST_DATA_DIR "/host/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

std::string firstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

}  // namespace

class TestSysUsage : public QObject
{
    Q_OBJECT

private slots:
    void cpuLine_data();
    void cpuLine();
    void cpuUsage_data();
    void cpuUsage();
    void memory_data();
    void memory();
    void disk_data();
    void disk();
    void readableSize_data();
    void readableSize();
    void thisHost();
};

void TestSysUsage::cpuLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qulonglong>("idle");

    QTest::newRow("fixture") << QByteArray::fromStdString(firstLine(fixture("proc-stat-1.txt"))) << true
                             << qulonglong(240290);
    QTest::newRow("seven counters only") << QByteArray("cpu 1 2 3 4 5 6 7") << true << qulonglong(4);
    QTest::newRow("six counters") << QByteArray("cpu 1 2 3 4 5 6") << false << qulonglong(0);
    QTest::newRow("empty") << QByteArray() << false << qulonglong(0);
}

void TestSysUsage::cpuLine()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, ok);
    QFETCH(qulonglong, idle);

    CpuSample sample;
    QCOMPARE(parseCpuSample(line.toStdString(), sample), ok);
    QCOMPARE(qulonglong(sample.idle), idle);
}

void TestSysUsage::cpuUsage_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<double>("usage");

    QTest::newRow("fixture pair, half idle") << QByteArray::fromStdString(firstLine(fixture("proc-stat-1.txt")))
                                             << QByteArray::fromStdString(firstLine(fixture("proc-stat-2.txt")))
                                             << 50.0;
    QTest::newRow("zero total difference") << QByteArray("cpu 10 0 10 80 0 0 0") << QByteArray("cpu 10 0 10 80 9 9 9")
                                           << 0.0;
    QTest::newRow("all idle") << QByteArray("cpu 10 0 10 80 0 0 0") << QByteArray("cpu 10 0 10 180 0 0 0") << 0.0;
    QTest::newRow("all busy") << QByteArray("cpu 10 0 10 80 0 0 0") << QByteArray("cpu 60 10 40 80 0 0 0") << 100.0;
    QTest::newRow("iowait is not in the total") << QByteArray("cpu 0 0 0 0 0 0 0")
                                                << QByteArray("cpu 25 0 0 75 500 0 0") << 25.0;
    QTest::newRow("counters went backwards") << QByteArray("cpu 100 0 100 800 0 0 0")
                                             << QByteArray("cpu 10 0 10 80 0 0 0") << 0.0;
}

void TestSysUsage::cpuUsage()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(double, usage);

    CpuSample a;
    CpuSample b;
    QVERIFY(parseCpuSample(first.toStdString(), a));
    QVERIFY(parseCpuSample(second.toStdString(), b));
    QCOMPARE(::cpuUsage(a, b), usage);
}

void TestSysUsage::memory_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("usage");

    QTest::newRow("fixture") << QStringLiteral("meminfo.txt") << true << 75.0;
    QTest::newRow("MemTotal 0") << QStringLiteral("meminfo-zero.txt") << true << 0.0;
    QTest::newRow("no MemAvailable") << QStringLiteral("meminfo-old-kernel.txt") << true << 50.0;
    QTest::newRow("missing file text") << QStringLiteral("no-such-file") << false << 0.0;
}

void TestSysUsage::memory()
{
    QFETCH(QString, file);
    QFETCH(bool, ok);
    QFETCH(double, usage);

    MemSample sample;
    QCOMPARE(parseMemInfo(fixture(file), sample), ok);
    QCOMPARE(memUsage(sample), usage);
}

void TestSysUsage::disk_data()
{
    QTest::addColumn<qulonglong>("blocks");
    QTest::addColumn<qulonglong>("freeBlocks");
    QTest::addColumn<qulonglong>("available");
    QTest::addColumn<double>("usage");

    QTest::newRow("half used, nothing reserved") << qulonglong(1000) << qulonglong(500) << qulonglong(500) << 51.0;
    QTest::newRow("reserved blocks count as unavailable") << qulonglong(1000) << qulonglong(550) << qulonglong(500)
                                                          << 48.0;
    QTest::newRow("fraction cut, then rounded up") << qulonglong(3) << qulonglong(2) << qulonglong(2) << 34.0;
    QTest::newRow("full disk stays at 100") << qulonglong(1000) << qulonglong(50) << qulonglong(0) << 100.0;
    QTest::newRow("empty disk") << qulonglong(1000) << qulonglong(1000) << qulonglong(1000) << 1.0;
    QTest::newRow("no blocks") << qulonglong(0) << qulonglong(0) << qulonglong(0) << 0.0;
}

void TestSysUsage::disk()
{
    QFETCH(qulonglong, blocks);
    QFETCH(qulonglong, freeBlocks);
    QFETCH(qulonglong, available);
    QFETCH(double, usage);

    QCOMPARE(diskUsage(blocks, freeBlocks, available), usage);
}

void TestSysUsage::readableSize_data()
{
    QTest::addColumn<qulonglong>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("0") << qulonglong(0) << QStringLiteral("0B");
    QTest::newRow("1023") << qulonglong(1023) << QStringLiteral("1023B");
    QTest::newRow("1024") << qulonglong(1024) << QStringLiteral("1KB");
    QTest::newRow("1536") << qulonglong(1536) << QStringLiteral("1KB");
    QTest::newRow("1048575") << qulonglong(1048575) << QStringLiteral("1023KB");
    QTest::newRow("1048576") << qulonglong(1048576) << QStringLiteral("1MB");
    QTest::newRow("5 GB") << qulonglong(5) * 1024 * 1024 * 1024 << QStringLiteral("5GB");
    QTest::newRow("2048 TB stays in TB") << qulonglong(2048) * 1024 * 1024 * 1024 * 1024 << QStringLiteral("2048TB");
}

void TestSysUsage::readableSize()
{
    QFETCH(qulonglong, bytes);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(readableFileSize(bytes)), text);
}

void TestSysUsage::thisHost()
{
    for (double usage : {getSysCpuUsage(), getsysMemUsage(), getsysDiskUsage()}) {
        QVERIFY2(usage >= 0.0 && usage <= 100.0, qPrintable(QString::number(usage)));
    }
    QVERIFY(getsysMemUsage() > 0.0);
    QVERIFY(getsysDiskUsage() >= 1.0);
}

QTEST_GUILESS_MAIN(TestSysUsage)
#include "tst_sysusage.moc"
