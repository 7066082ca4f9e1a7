// The calendar pop-up: choosing, dismissing, the range, and the test hook.

#include "src/CustomControl/cuscalendarpopup.h"
#include "src/CustomControl/cusstyle.h"
#include "support/testprefix.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

class TestCusCalendarPopup : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void hookAnswers_data();
    void hookAnswers();
    void returnChoosesSelectedDate();
    void escapeDismisses();
    void outOfRangeNotChosen();
    void everyPartNamed();
    void borderDrawn();

private:
    TestPrefix prefix_;
};

void TestCusCalendarPopup::cleanup()
{
    CusCalendarPopup::clearNextAnswers();
}

void TestCusCalendarPopup::hookAnswers_data()
{
    const QDate today(2026, 3, 10);
    QTest::addColumn<QDate>("answer");
    QTest::addColumn<bool>("chosen");
    QTest::newRow("a date in range") << today.addDays(5) << true;
    QTest::newRow("the first day of the range") << today << true;
    QTest::newRow("before the range") << today.addDays(-1) << false;
    QTest::newRow("after the range") << today.addYears(2) << false;
    QTest::newRow("no date: dismissed") << QDate() << false;
}

void TestCusCalendarPopup::hookAnswers()
{
    QFETCH(QDate, answer);
    QFETCH(bool, chosen);
    const QDate today(2026, 3, 10);
    QLineEdit field;
    CusCalendarPopup popup;
    popup.setDateRange(today, today.addYears(1));
    QSignalSpy selected(&popup, &CusCalendarPopup::dateSelected);
    QSignalSpy dismissed(&popup, &CusCalendarPopup::dismissed);

    CusCalendarPopup::setNextAnswer(answer);
    popup.popupBelow(&field);
    QVERIFY(!popup.isVisible());
    QTRY_COMPARE(selected.count() + dismissed.count(), 1);
    QCOMPARE(selected.count(), chosen ? 1 : 0);
    if (chosen) {
        QCOMPARE(selected.first().at(0).toDate(), answer);
        QCOMPARE(popup.selectedDate(), answer);
    }
}

void TestCusCalendarPopup::returnChoosesSelectedDate()
{
    CusCalendarPopup popup;
    QSignalSpy selected(&popup, &CusCalendarPopup::dateSelected);
    QSignalSpy dismissed(&popup, &CusCalendarPopup::dismissed);
    const QDate date(2026, 5, 20);
    popup.setSelectedDate(date);
    popup.popup(QPoint(100, 100));
    QVERIFY(QTest::qWaitForWindowExposed(&popup));
    auto* view = popup.calendar()->findChild<QTableView*>();
    QVERIFY(view != nullptr);
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_COMPARE(selected.count(), 1);
    QCOMPARE(selected.first().at(0).toDate(), date.addDays(1));
    QVERIFY(!popup.isVisible());
    // Hidden by the choice: not also dismissed.
    QCOMPARE(dismissed.count(), 0);
}

void TestCusCalendarPopup::escapeDismisses()
{
    CusCalendarPopup popup;
    QSignalSpy selected(&popup, &CusCalendarPopup::dateSelected);
    QSignalSpy dismissed(&popup, &CusCalendarPopup::dismissed);
    popup.popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(&popup));
    QTest::keyClick(&popup, Qt::Key_Escape);
    QTRY_COMPARE(dismissed.count(), 1);
    QVERIFY(!popup.isVisible());
    QCOMPARE(selected.count(), 0);
    // A second hide is not a second dismissal.
    popup.hide();
    QCOMPARE(dismissed.count(), 1);
}

void TestCusCalendarPopup::outOfRangeNotChosen()
{
    const QDate today(2026, 3, 10);
    CusCalendarPopup popup;
    popup.setDateRange(today, today.addDays(30));
    QSignalSpy selected(&popup, &CusCalendarPopup::dateSelected);
    popup.popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(&popup));
    // The calendar's own signal with a date it would never offer.
    emit popup.calendar()->clicked(today.addDays(-3));
    QCOMPARE(selected.count(), 0);
    QVERIFY(popup.isVisible());
    emit popup.calendar()->clicked(today.addDays(3));
    QCOMPARE(selected.count(), 1);
}

void TestCusCalendarPopup::everyPartNamed()
{
    CusCalendarPopup popup;
    popup.popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(&popup));
    QStringList unnamed;
    for (QWidget* w : popup.findChildren<QWidget*>()) {
        const bool control =
            qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QAbstractItemView*>(w);
        if (!control || !w->isVisibleTo(&popup)) {
            continue;
        }
        // Qt's own English names would be read to a Chinese user: every name here is ours.
        const QString name = w->accessibleName();
        if (name.isEmpty() || name.at(0).unicode() < 0x3000) {
            unnamed.append(QStringLiteral("%1 \"%2\" \"%3\"").arg(QLatin1String(w->metaObject()->className()), w->objectName(), name));
        }
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

void TestCusCalendarPopup::borderDrawn()
{
    CusCalendarPopup popup;
    popup.popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(&popup));
    const QImage image = popup.grab().toImage();
    // The pop-up's one-pixel edge, on every side, in the border colour.
    const QColor border(QLatin1String(cusstyle::kBorder));
    const int w = image.width();
    const int h = image.height();
    for (const QPoint& p : {QPoint(0, h / 2), QPoint(w - 1, h / 2), QPoint(w / 2, 0), QPoint(w / 2, h - 1)}) {
        QCOMPARE(image.pixelColor(p).name(), border.name());
    }
}

QTEST_MAIN(TestCusCalendarPopup)
#include "tst_cuscalendarpopup.moc"
