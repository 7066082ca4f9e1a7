// The left navigation: one exclusive selection, hidden items, and indices out of range.

#include "src/Views/viewleft.h"
#include "support/logcapture.h"

#include <QAbstractButton>
#include <QtTest>

#include <memory>

class TestViewLeft : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void clickSelectsOne();
    void hiding_data();
    void hiding();
    void showingKeepsOrder();
    void outOfRange_data();
    void outOfRange();

private:
    std::unique_ptr<ViewLeft> left_;
};

void TestViewLeft::init()
{
    left_ = std::make_unique<ViewLeft>();
    for (const char* label : {"统一门户", "安全沙箱", "设备信息", "动态授权", "版本检测"}) {
        left_->addItem(QString::fromUtf8(label), QIcon());
    }
    left_->show();
}

void TestViewLeft::clickSelectsOne()
{
    QSignalSpy spy(left_.get(), &ViewLeft::sendIndexChanged);
    QTest::mouseClick(left_->findChild<QAbstractButton*>(QStringLiteral("leftItem3")), Qt::LeftButton);
    QCOMPARE(left_->currentIndex(), 3);
    left_->setCurrentIndex(1);
    QCOMPARE(left_->currentIndex(), 1);
    QVERIFY(!left_->item(3)->isChecked());
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toInt(), 3);
    QCOMPARE(spy.at(1).at(0).toInt(), 1);
}

void TestViewLeft::hiding_data()
{
    QTest::addColumn<int>("checked");
    QTest::addColumn<QList<int>>("hide");
    QTest::addColumn<int>("current");
    QTest::addColumn<QList<int>>("emittedSignals");
    QTest::newRow("checked item moves to the first visible") << 2 << QList<int>{2} << 0 << QList<int>{0};
    QTest::newRow("first item checked") << 0 << QList<int>{0} << 1 << QList<int>{1};
    QTest::newRow("hidden first, then checked") << 3 << QList<int>{0, 3} << 1 << QList<int>{1};
    QTest::newRow("unchecked item") << 2 << QList<int>{4} << 2 << QList<int>{};
    QTest::newRow("every item") << 1 << QList<int>{0, 1, 2, 3, 4} << -1 << QList<int>{2, 3, 4};
}

void TestViewLeft::hiding()
{
    QFETCH(int, checked);
    QFETCH(QList<int>, hide);
    QFETCH(int, current);
    QFETCH(QList<int>, emittedSignals);
    left_->setCurrentIndex(checked);
    QSignalSpy spy(left_.get(), &ViewLeft::sendIndexChanged);
    for (int index : hide) {
        left_->hideItem(index);
        QVERIFY(!left_->item(index)->isVisible());
        QVERIFY(!left_->item(index)->isEnabled());
    }
    QCOMPARE(left_->currentIndex(), current);
    QList<int> emitted;
    for (const QList<QVariant>& args : spy) {
        emitted.append(args.at(0).toInt());
    }
    QCOMPARE(emitted, emittedSignals);
    for (int index : hide) {
        QVERIFY(!left_->visibleItems().contains(index));
    }
    // A hidden item cannot be selected.
    left_->setCurrentIndex(hide.first());
    QCOMPARE(left_->currentIndex(), current);
}

void TestViewLeft::showingKeepsOrder()
{
    left_->hideItem(1);
    left_->hideItem(3);
    QCOMPARE(left_->visibleItems(), (QList<int>{0, 2, 4}));
    left_->showItem(3);
    left_->showItem(1);
    left_->showItem(1);
    QCOMPARE(left_->visibleItems(), (QList<int>{0, 1, 2, 3, 4}));
    QVERIFY(left_->item(1)->isVisible() && left_->item(1)->isEnabled());
}

void TestViewLeft::outOfRange_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("index");
    for (const char* operation : {"setCurrentIndex", "showItem", "hideItem"}) {
        for (int index : {-1, 5, 99}) {
            QTest::addRow("%s %d", operation, index) << QString::fromLatin1(operation) << index;
        }
    }
}

void TestViewLeft::outOfRange()
{
    QFETCH(QString, operation);
    QFETCH(int, index);
    left_->setCurrentIndex(2);
    left_->hideItem(4);
    LogCapture log;
    QSignalSpy spy(left_.get(), &ViewLeft::sendIndexChanged);
    if (operation == QLatin1String("setCurrentIndex")) {
        left_->setCurrentIndex(index);
    } else if (operation == QLatin1String("showItem")) {
        left_->showItem(index);
    } else {
        left_->hideItem(index);
    }
    QCOMPARE(log.lines(), QStringList{QStringLiteral("error index: %1").arg(index)});
    QCOMPARE(spy.count(), 0);
    QCOMPARE(left_->currentIndex(), 2);
    QCOMPARE(left_->visibleItems(), (QList<int>{0, 1, 2, 3}));
}

QTEST_MAIN(TestViewLeft)
#include "tst_viewleft.moc"
