// How approval records read: state texts and tag styles, times in local time (also the odd ones
// services send), validity, file sizes.

#include "src/Views/approvetext.h"

#include <QtTest>

#include <ctime>

class TestApproveText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void status_data();
    void status();
    void time_data();
    void time();
    void validity_data();
    void validity();
    void fileSize_data();
    void fileSize();
};

void TestApproveText::initTestCase()
{
    // Times are shown in local time: fix the zone so that the rows hold.
    qputenv("TZ", "Asia/Shanghai");
    tzset();
}

void TestApproveText::status_data()
{
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("style");
    QTest::newRow("pending") << "0" << "待审批"
                             << "border: 1px solid #FFAB20;font-size: 14px; color: #FFAB20;background: #FFF7EB;";
    QTest::newRow("approved") << "1" << "已通过"
                              << "border: 1px solid #34BB86;font-size: 14px; color: #34BB86;background: #EDFDF7;";
    QTest::newRow("rejected") << "2" << "已拒绝"
                              << "border: 1px solid #FF5F4F;font-size: 14px; color: #FF5F4F;background: #FFF2F0;";
    QTest::newRow("spaces") << " 2 " << "已拒绝"
                            << "border: 1px solid #FF5F4F;font-size: 14px; color: #FF5F4F;background: #FFF2F0;";
    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("text is no state") << "abc" << "" << "";
    QTest::newRow("unknown number") << "3" << "" << "";
    QTest::newRow("negative") << "-1" << "" << "";
}

void TestApproveText::status()
{
    QFETCH(QString, result);
    QFETCH(QString, text);
    QFETCH(QString, style);
    QCOMPARE(ApproveText::statusText(result), text);
    QCOMPARE(ApproveText::tagStyle(result), style);
}

void TestApproveText::time_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("shown");
    QTest::newRow("seconds") << "1714972800" << "2024-05-06 13:20:00";
    QTest::newRow("milliseconds") << "1714972800123" << "2024-05-06 13:20:00";
    QTest::newRow("first second") << "1" << "1970-01-01 08:00:01";
    QTest::newRow("past 2038") << "2147483648" << "2038-01-19 11:14:08";
    QTest::newRow("year 2100") << "4102444800" << "2100-01-01 08:00:00";
    QTest::newRow("zero") << "0" << "";
    QTest::newRow("negative") << "-5" << "";
    QTest::newRow("past year 9999 in ms") << "999999999999999999" << "";
    QTest::newRow("too large for a number") << "99999999999999999999999" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("readable text kept") << "2024-05-06 09:30:00" << "2024-05-06 09:30:00";
    QTest::newRow("minutes") << "2024-05-06 09:30" << "2024-05-06 09:30:00";
    QTest::newRow("date only") << "2024-05-06" << "2024-05-06";
    QTest::newRow("ISO in UTC") << "2024-05-06T05:20:00Z" << "2024-05-06 13:20:00";
    QTest::newRow("garbage") << "<b>yesterday</b>" << "";
    QTest::newRow("impossible date") << "2024-02-30 10:00:00" << "";
}

void TestApproveText::time()
{
    QFETCH(QString, input);
    QFETCH(QString, shown);
    QCOMPARE(ApproveText::time(input), shown);
}

void TestApproveText::validity_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("shown");
    QTest::newRow("none") << "" << "永不过期";
    QTest::newRow("zero") << "0" << "永不过期";
    QTest::newRow("negative") << "-1" << "永不过期";
    QTest::newRow("an end") << "1714972800" << "2024-05-06 13:20:00";
    QTest::newRow("garbage") << "forever" << "";
}

void TestApproveText::validity()
{
    QFETCH(QString, input);
    QFETCH(QString, shown);
    QCOMPARE(ApproveText::validity(input), shown);
}

void TestApproveText::fileSize_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("zero") << qint64(0) << "0B";
    QTest::newRow("bytes") << qint64(512) << "512B";
    QTest::newRow("just below a KB") << qint64(1023) << "1023B";
    QTest::newRow("one KB") << qint64(1024) << "1KB";
    QTest::newRow("KB rounded down") << qint64(482133) << "470KB";
    QTest::newRow("one MB") << qint64(1048576) << "1MB";
    QTest::newRow("MB") << qint64(367001600) << "350MB";
    QTest::newRow("GB") << qint64(2040109465) << "1GB";
    QTest::newRow("TB") << qint64(5) * 1024 * 1024 * 1024 * 1024 << "5TB";
    QTest::newRow("beyond TB stays TB") << qint64(3) * 1024 * 1024 * 1024 * 1024 * 1024 << "3072TB";
    QTest::newRow("negative") << qint64(-1) << "";
}

void TestApproveText::fileSize()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, shown);
    QCOMPARE(ApproveText::fileSize(bytes), shown);
}

QTEST_GUILESS_MAIN(TestApproveText)
#include "tst_approvetext.moc"
