// The ring gauge: clamping of the fractions, the threshold state and what it paints.

#include "src/CustomControl/cuscircleratio.h"
#include "support/testprefix.h"

#include <QImage>
#include <QtTest>

#include <limits>

namespace {

// Pixels of the grabbed gauge close to `colour`.
int pixelsNear(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 12 && qAbs(c.green() - colour.green()) < 12
                && qAbs(c.blue() - colour.blue()) < 12) {
                ++count;
            }
        }
    }
    return count;
}

}  // namespace

class TestCusCircleRatio : public QObject
{
    Q_OBJECT

private slots:
    void usedClamped_data();
    void usedClamped();
    void thresholdClamped_data();
    void thresholdClamped();
    void overThreshold_data();
    void overThreshold();
    void paintsWarningOnlyOverThreshold();
    void paintsAtAnySize();

private:
    TestPrefix prefix_;
};

void TestCusCircleRatio::usedClamped_data()
{
    QTest::addColumn<double>("input");
    QTest::addColumn<double>("expected");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << 0.0 << "0%";
    QTest::newRow("middle") << 0.374 << 0.374 << "37%";
    QTest::newRow("rounds to whole percent") << 0.996 << 0.996 << "100%";
    QTest::newRow("full") << 1.0 << 1.0 << "100%";
    QTest::newRow("negative") << -0.2 << 0.0 << "0%";
    QTest::newRow("above one") << 1.7 << 1.0 << "100%";
    QTest::newRow("percent by mistake") << 85.0 << 1.0 << "100%";
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0.0 << "0%";
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 1.0 << "100%";
    QTest::newRow("minus infinite") << -std::numeric_limits<double>::infinity() << 0.0 << "0%";
}

void TestCusCircleRatio::usedClamped()
{
    QFETCH(double, input);
    QFETCH(double, expected);
    QFETCH(QString, text);
    CusCircleRatio gauge;
    gauge.setUsedRatio(0.5);
    gauge.setUsedRatio(input);
    QCOMPARE(gauge.usedRatio(), expected);
    QCOMPARE(gauge.percentText(), text);
}

void TestCusCircleRatio::thresholdClamped_data()
{
    QTest::addColumn<double>("input");
    QTest::addColumn<double>("expected");
    QTest::addColumn<bool>("has");
    QTest::newRow("none") << -1.0 << -1.0 << false;
    QTest::newRow("other negative means none") << -0.3 << -1.0 << false;
    QTest::newRow("not a number means none") << std::numeric_limits<double>::quiet_NaN() << -1.0 << false;
    QTest::newRow("zero is a threshold") << 0.0 << 0.0 << true;
    QTest::newRow("eighty percent") << 0.8 << 0.8 << true;
    QTest::newRow("above one") << 1.2 << 1.0 << true;
}

void TestCusCircleRatio::thresholdClamped()
{
    QFETCH(double, input);
    QFETCH(double, expected);
    QFETCH(bool, has);
    CusCircleRatio gauge;
    gauge.setThreshold(0.5);
    gauge.setThreshold(input);
    QCOMPARE(gauge.threshold(), expected);
    QCOMPARE(gauge.hasThreshold(), has);
}

void TestCusCircleRatio::overThreshold_data()
{
    QTest::addColumn<double>("used");
    QTest::addColumn<double>("threshold");
    QTest::addColumn<bool>("over");
    QTest::newRow("no threshold, full") << 1.0 << -1.0 << false;
    QTest::newRow("below") << 0.79 << 0.8 << false;
    QTest::newRow("equal counts") << 0.8 << 0.8 << true;
    QTest::newRow("above") << 0.95 << 0.8 << true;
    QTest::newRow("zero threshold") << 0.0 << 0.0 << true;
    QTest::newRow("clamped used against clamped threshold") << 3.0 << 7.0 << true;
}

void TestCusCircleRatio::overThreshold()
{
    QFETCH(double, used);
    QFETCH(double, threshold);
    QFETCH(bool, over);
    CusCircleRatio gauge;
    gauge.setUsedRatio(used);
    gauge.setThreshold(threshold);
    QCOMPARE(gauge.isOverThreshold(), over);
}

void TestCusCircleRatio::paintsWarningOnlyOverThreshold()
{
    CusCircleRatio gauge;
    gauge.setTitle(QStringLiteral("内存"));
    gauge.resize(gauge.sizeHint());
    const QColor warning(QStringLiteral("#FF5F4F"));
    const QColor theme(QStringLiteral("#1AA9FF"));

    gauge.setUsedRatio(0.6);
    gauge.setThreshold(0.8);
    QImage below = gauge.grab().toImage();
    QVERIFY(pixelsNear(below, theme) > 50);
    QCOMPARE(pixelsNear(below, warning), 0);

    gauge.setUsedRatio(0.9);
    QImage above = gauge.grab().toImage();
    QVERIFY(pixelsNear(above, warning) > 50);
    QCOMPARE(pixelsNear(above, theme), 0);

    // Nothing used: no arc at all.
    gauge.setUsedRatio(0.0);
    gauge.setThreshold(-1.0);
    QImage empty = gauge.grab().toImage();
    QCOMPARE(pixelsNear(empty, theme), 0);
}

void TestCusCircleRatio::paintsAtAnySize()
{
    CusCircleRatio gauge;
    gauge.setTitle(QStringLiteral("处理器"));
    gauge.setUsedRatio(0.5);
    gauge.setThreshold(0.25);
    for (const QSize& size : {QSize(0, 0), QSize(1, 1), QSize(10, 200), QSize(300, 20), QSize(400, 400)}) {
        gauge.resize(size);
        const QPixmap shot = gauge.grab();
        QCOMPARE(shot.size(), size.expandedTo(QSize(0, 0)));
    }
}

QTEST_MAIN(TestCusCircleRatio)
#include "tst_cuscircleratio.moc"
