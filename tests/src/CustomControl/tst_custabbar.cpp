// Tab visibility and the current tab, on the bar and on the tab widget.

#include "src/CustomControl/custabbar.h"
#include "src/CustomControl/custabwidget.h"
#include "support/testprefix.h"

#include <QLabel>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QtTest>

using IntList = QList<int>;

class TestCusTabBar : public QObject
{
    Q_OBJECT

private slots:
    void hideAndShow_data();
    void hideAndShow();
    void hiddenTabIsNotSelected();
    void tabWidgetPageFollows();
    void lockOnOneTab();

private:
    TestPrefix prefix_;
};

void TestCusTabBar::hideAndShow_data()
{
    // Five tabs; start on `current`, hide the tabs of `hide` in order, then show those of `show`.
    QTest::addColumn<int>("current");
    QTest::addColumn<IntList>("disabled");
    QTest::addColumn<IntList>("hide");
    QTest::addColumn<IntList>("show");
    QTest::addColumn<int>("expected");
    QTest::addColumn<IntList>("visible");

    QTest::newRow("hide another tab: current stays") << 2 << IntList{} << IntList{0} << IntList{} << 2 << IntList{1, 2, 3, 4};
    QTest::newRow("hide current: next after") << 2 << IntList{} << IntList{2} << IntList{} << 3 << IntList{0, 1, 3, 4};
    QTest::newRow("hide current last: before") << 4 << IntList{} << IntList{4} << IntList{} << 3 << IntList{0, 1, 2, 3};
    QTest::newRow("next after hidden too") << 1 << IntList{} << IntList{2, 1} << IntList{} << 3 << IntList{0, 3, 4};
    QTest::newRow("disabled next is skipped") << 1 << IntList{2} << IntList{1} << IntList{} << 3 << IntList{0, 2, 3, 4};
    QTest::newRow("only disabled left: taken") << 0 << IntList{1} << IntList{2, 3, 4, 0} << IntList{} << 1 << IntList{1};
    QTest::newRow("last visible hidden: index stays") << 0 << IntList{} << IntList{1, 2, 3, 4, 0} << IntList{} << 0 << IntList{};
    QTest::newRow("shown when none visible: selected") << 0 << IntList{} << IntList{1, 2, 3, 4, 0} << IntList{3} << 3 << IntList{3};
    QTest::newRow("shown beside a visible current: not selected") << 0 << IntList{} << IntList{3} << IntList{3} << 0 << IntList{0, 1, 2, 3, 4};
    QTest::newRow("out of range changes nothing") << 1 << IntList{} << IntList{-1, 5} << IntList{9} << 1 << IntList{0, 1, 2, 3, 4};
}

void TestCusTabBar::hideAndShow()
{
    QFETCH(int, current);
    QFETCH(IntList, disabled);
    QFETCH(IntList, hide);
    QFETCH(IntList, show);
    QFETCH(int, expected);
    QFETCH(IntList, visible);

    CusTabBar bar;
    for (const char* text : {"搜索结果", "资源申请", "全部应用(0)", "我的收藏(0)", "办公"}) {
        bar.addTab(QString::fromUtf8(text));
    }
    bar.setCurrentIndex(current);
    for (int index : disabled) {
        bar.setTabEnabled(index, false);
    }
    for (int index : hide) {
        bar.setTabVisible(index, false);
    }
    for (int index : show) {
        bar.setTabVisible(index, true);
    }
    QCOMPARE(bar.currentIndex(), expected);
    QCOMPARE(bar.visibleTabs(), visible);
    QCOMPARE(bar.visibleCount(), visible.size());
}

void TestCusTabBar::hiddenTabIsNotSelected()
{
    CusTabBar bar;
    for (int i = 0; i < 4; ++i) {
        bar.addTab(QString::number(i));
    }
    bar.setCurrentIndex(2);
    bar.setTabVisible(3, false);
    QSignalSpy changed(&bar, &QTabBar::currentChanged);
    bar.setCurrentIndex(3);
    QCOMPARE(bar.currentIndex(), 2);
    QCOMPARE(changed.count(), 0);
    bar.setTabVisible(3, true);
    bar.setCurrentIndex(3);
    QCOMPARE(bar.currentIndex(), 3);
    QCOMPARE(changed.count(), 1);
}

void TestCusTabBar::tabWidgetPageFollows()
{
    CusTabWidget tabs;
    QList<QWidget*> pages;
    for (int i = 0; i < 4; ++i) {
        pages.append(new QLabel(QString::number(i)));
        tabs.addTab(pages.last(), QString::number(i));
    }
    tabs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tabs));
    // The reset tab of the SPA page: hidden until asked for.
    tabs.setTabVisible(3, false);
    tabs.setCurrentIndex(3);
    QCOMPARE(tabs.currentIndex(), 0);
    QCOMPARE(tabs.currentWidget(), pages[0]);

    tabs.setTabVisible(3, true);
    tabs.setCurrentIndex(3);
    QCOMPARE(tabs.currentWidget(), pages[3]);
    QVERIFY(pages[3]->isVisible());

    tabs.setTabVisible(3, false);
    QCOMPARE(tabs.currentIndex(), 2);
    QCOMPARE(tabs.currentWidget(), pages[2]);
    QVERIFY(pages[2]->isVisible());
    QVERIFY(!pages[3]->isVisible());
    QCOMPARE(tabs.cusTabBar(), tabs.tabBar());
}

void TestCusTabBar::lockOnOneTab()
{
    CusTabBar bar;
    for (int i = 0; i < 3; ++i) {
        bar.addTab(QString::number(i));
    }
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    bar.setCurrentIndex(1);
    bar.setOnlyTabEnabled(1);
    QCOMPARE(bar.currentIndex(), 1);
    QVERIFY(!bar.isTabEnabled(0));
    QVERIFY(bar.isTabEnabled(1));
    QVERIFY(!bar.isTabEnabled(2));
    // A click on a locked tab does not switch.
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.tabRect(2).center());
    QCOMPARE(bar.currentIndex(), 1);

    bar.setAllTabsEnabled(true);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.tabRect(2).center());
    QCOMPARE(bar.currentIndex(), 2);
    bar.setAllTabsEnabled(false);
    QCOMPARE(bar.currentIndex(), 2);
}

QTEST_MAIN(TestCusTabBar)
#include "tst_custabbar.moc"
