// The approval record filters: box index to state and time span, the 118 body and the controller
// query made from them at a fixed clock, and which records a state passes.

#include "src/Views/approvefilter.h"

#include <QtTest>

class TestApproveFilter : public QObject
{
    Q_OBJECT

private slots:
    void boxTexts();
    void timeRange_data();
    void timeRange();
    void badIndexKeepsFilter_data();
    void badIndexKeepsFilter();
    void matches_data();
    void matches();
    void clockInjection();
};

namespace {

// 2026-05-06 08:00:00 UTC.
constexpr qint64 kNow = 1778054400;

}  // namespace

void TestApproveFilter::boxTexts()
{
    QCOMPARE(ApproveFilter::statusTexts(), (QStringList{"全部状态", "待审批", "已通过", "已拒绝"}));
    QCOMPARE(ApproveFilter::timeTexts(), (QStringList{"所有时间", "近3天", "近7天", "近30天", "近90天"}));
}

void TestApproveFilter::timeRange_data()
{
    QTest::addColumn<int>("timeIndex");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::newRow("所有时间") << 0 << "" << "" << "";
    QTest::newRow("近3天") << 1 << "1777795200\n1778054400" << "1777795200" << "1778054400";
    QTest::newRow("近7天") << 2 << "1777449600\n1778054400" << "1777449600" << "1778054400";
    QTest::newRow("近30天") << 3 << "1775462400\n1778054400" << "1775462400" << "1778054400";
    QTest::newRow("近90天") << 4 << "1770278400\n1778054400" << "1770278400" << "1778054400";
}

void TestApproveFilter::timeRange()
{
    QFETCH(int, timeIndex);
    QFETCH(QString, body);
    QFETCH(QString, start);
    QFETCH(QString, end);
    ApproveFilter filter;
    // The state never changes the range: it is applied on the workbench side.
    QVERIFY(filter.setStatusIndex(3));
    QVERIFY(filter.setTimeIndex(timeIndex));
    QCOMPARE(filter.timeIndex(), timeIndex);
    QCOMPARE(filter.appRequestBody(kNow), body);
    const stQuerySandboxApproveRecordsReq req = filter.sandboxRequest(kNow);
    QCOMPARE(QString::fromStdString(req.startTime), start);
    QCOMPARE(QString::fromStdString(req.endTime), end);
    QCOMPARE(QString::fromStdString(req.approveStatus), QString());
    QCOMPARE(req.pageIndex, -1);
    QCOMPARE(req.pageSize, -1);
}

void TestApproveFilter::badIndexKeepsFilter_data()
{
    QTest::addColumn<int>("statusIndex");
    QTest::addColumn<int>("timeIndex");
    QTest::newRow("below") << -1 << -1;
    QTest::newRow("above") << 4 << 5;
    QTest::newRow("far") << 1000 << 99999;
}

void TestApproveFilter::badIndexKeepsFilter()
{
    QFETCH(int, statusIndex);
    QFETCH(int, timeIndex);
    ApproveFilter filter;
    QVERIFY(filter.setStatusIndex(2));
    QVERIFY(filter.setTimeIndex(1));
    QVERIFY(!filter.setStatusIndex(statusIndex));
    QVERIFY(!filter.setTimeIndex(timeIndex));
    QCOMPARE(filter.status(), 1);
    QCOMPARE(filter.statusIndex(), 2);
    QCOMPARE(filter.timeIndex(), 1);
    filter.reset();
    QCOMPARE(filter.status(), -1);
    QCOMPARE(filter.timeIndex(), 0);
}

void TestApproveFilter::matches_data()
{
    QTest::addColumn<int>("statusIndex");
    QTest::addColumn<QString>("approveResult");
    QTest::addColumn<bool>("passes");
    QTest::newRow("all passes pending") << 0 << "0" << true;
    QTest::newRow("all passes no number") << 0 << "x" << true;
    QTest::newRow("all passes empty") << 0 << "" << true;
    QTest::newRow("pending") << 1 << "0" << true;
    QTest::newRow("pending not approved") << 1 << "1" << false;
    QTest::newRow("pending not empty") << 1 << "" << false;
    QTest::newRow("pending not text") << 1 << "abc" << false;
    QTest::newRow("approved") << 2 << "1" << true;
    QTest::newRow("approved spaces") << 2 << " 1 " << true;
    QTest::newRow("rejected") << 3 << "2" << true;
    QTest::newRow("rejected not pending") << 3 << "0" << false;
    QTest::newRow("rejected not 3") << 3 << "3" << false;
}

void TestApproveFilter::matches()
{
    QFETCH(int, statusIndex);
    QFETCH(QString, approveResult);
    QFETCH(bool, passes);
    ApproveFilter filter;
    QVERIFY(filter.setStatusIndex(statusIndex));
    QCOMPARE(filter.matches(approveResult), passes);
}

void TestApproveFilter::clockInjection()
{
    ApproveFilter::setClock([] { return kNow; });
    QCOMPARE(ApproveFilter::now(), kNow);
    ApproveFilter::setClock(nullptr);
    QVERIFY(qAbs(ApproveFilter::now() - QDateTime::currentSecsSinceEpoch()) < 3600);
}

QTEST_GUILESS_MAIN(TestApproveFilter)
#include "tst_approvefilter.moc"
