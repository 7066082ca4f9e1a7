// The tree list: sections, rows and which links become clickable.

#include "src/CustomControl/custreelist.h"
#include "support/testprefix.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestCusTreeList : public QObject
{
    Q_OBJECT

private slots:
    void openableLinks_data();
    void openableLinks();
    void sectionsAndRows();
    void replaceAndEmpty();
    void pressingLinkEmits_data();
    void pressingLinkEmits();
    void tabWalksLinks();

private:
    TestPrefix prefix_;
};

void TestCusTreeList::openableLinks_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("openable");
    QTest::newRow("https") << "https://help.example.com/fix?id=3" << true;
    QTest::newRow("http with blanks around") << "  http://10.0.0.1:8080/guide  " << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("no host") << "http://" << false;
    QTest::newRow("script") << "javascript:alert(1)" << false;
    QTest::newRow("local file") << "file:///etc/passwd" << false;
    QTest::newRow("not a url") << "请联系管理员" << false;
    QTest::newRow("command") << "http://x\"; rm -rf ~; \"" << false;
}

void TestCusTreeList::openableLinks()
{
    QFETCH(QString, link);
    QFETCH(bool, openable);
    QCOMPARE(CusTreeList::isOpenableLink(link), openable);

    CusTreeList tree;
    tree.setSections({{QStringLiteral("杀毒软件检查"), {{QStringLiteral("未安装杀毒软件"), link}}}});
    QCOMPARE(tree.rowCount(0), 1);
    auto* button = tree.findChild<QPushButton*>(QStringLiteral("linkRow_0_0"));
    QCOMPARE(button != nullptr, openable);
    if (button != nullptr) {
        QCOMPARE(button->text(), CusTreeList::linkText());
        QCOMPARE(button->accessibleName(), CusTreeList::linkText());
        QCOMPARE(button->accessibleDescription(), QStringLiteral("未安装杀毒软件"));
        QVERIFY(button->focusPolicy() & Qt::TabFocus);
        QVERIFY(button->isFlat());
        // The link as text, never as markup.
        QVERIFY(button->toolTip().contains(link.trimmed().toHtmlEscaped()));
        QVERIFY(!button->toolTip().contains(QLatin1String("<a")));
    }
}

void TestCusTreeList::sectionsAndRows()
{
    CusTreeList tree;
    tree.setSections({
        {QStringLiteral("系统补丁检查"),
         {{QStringLiteral("缺少补丁 KB1"), QStringLiteral("https://a.example/1")},
          {QStringLiteral("缺少补丁 KB2"), QString()}}},
        {QStringLiteral("空的检查项"), {}},
        {QStringLiteral("进程检查"), {{QStringLiteral("禁止进程 x 正在运行"), QStringLiteral("https://a.example/2")}}},
    });
    QCOMPARE(tree.sectionCount(), 3);
    QCOMPARE(tree.rowCount(0), 2);
    QCOMPARE(tree.rowCount(1), 0);
    QCOMPARE(tree.rowCount(2), 1);
    QCOMPARE(tree.rowCount(7), 0);
    QCOMPARE(tree.topLevelItem(0)->text(0), QStringLiteral("系统补丁检查"));
    QCOMPARE(tree.topLevelItem(0)->child(1)->text(0), QStringLiteral("缺少补丁 KB2"));
    QVERIFY(tree.topLevelItem(0)->child(1)->toolTip(0).contains(QStringLiteral("缺少补丁 KB2")));
    QVERIFY(tree.topLevelItem(0)->isExpanded());
    QVERIFY(tree.topLevelItem(2)->isExpanded());
    QVERIFY(tree.findChild<QPushButton*>(QStringLiteral("linkRow_0_0")) != nullptr);
    QVERIFY(tree.findChild<QPushButton*>(QStringLiteral("linkRow_0_1")) == nullptr);
    QVERIFY(tree.findChild<QPushButton*>(QStringLiteral("linkRow_2_0")) != nullptr);
    // Nothing can be selected.
    QCOMPARE(tree.selectionMode(), QAbstractItemView::NoSelection);
    QVERIFY(!(tree.topLevelItem(0)->child(0)->flags() & Qt::ItemIsSelectable));
}

void TestCusTreeList::replaceAndEmpty()
{
    CusTreeList tree;
    tree.setSections({{QStringLiteral("一"), {{QStringLiteral("a"), QStringLiteral("https://a.example/")}}}});
    tree.setSections({{QStringLiteral("二"), {}}});
    QCOMPARE(tree.sectionCount(), 1);
    QCOMPARE(tree.topLevelItem(0)->text(0), QStringLiteral("二"));
    QTRY_VERIFY(tree.findChild<QPushButton*>(QStringLiteral("linkRow_0_0")) == nullptr);
    tree.setSections({});
    QCOMPARE(tree.sectionCount(), 0);
}

void TestCusTreeList::pressingLinkEmits_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("mouse") << "mouse";
    QTest::newRow("space") << "space";
    QTest::newRow("return") << "return";
    QTest::newRow("enter") << "enter";
    QTest::newRow("screen reader") << "press action";
}

void TestCusTreeList::pressingLinkEmits()
{
    QFETCH(QString, how);
    CusTreeList tree;
    tree.resize(500, 300);
    const QString url = QStringLiteral("https://help.example.com/fix?a=1&b=%E4%B8%AD");
    tree.setSections({{QStringLiteral("检查"), {{QStringLiteral("原因"), url}}}});
    tree.show();
    QVERIFY(QTest::qWaitForWindowActive(&tree, 20000));
    QSignalSpy activated(&tree, &CusTreeList::linkActivated);
    auto* button = tree.findChild<QPushButton*>(QStringLiteral("linkRow_0_0"));
    QVERIFY(button != nullptr);
    QTRY_VERIFY(button->isVisible());
    if (how == QLatin1String("mouse")) {
        QTest::mouseClick(button, Qt::LeftButton);
    } else if (how == QLatin1String("press action")) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
        QVERIFY(accessible != nullptr && accessible->actionInterface() != nullptr);
        QCOMPARE(accessible->text(QAccessible::Name), CusTreeList::linkText());
        accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    } else {
        // Tab from the list lands on the link.
        tree.setFocus(Qt::TabFocusReason);
        QTest::keyClick(&tree, Qt::Key_Tab);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget*>(button), 10000);
        const Qt::Key key = how == QLatin1String("space")    ? Qt::Key_Space
                            : how == QLatin1String("return") ? Qt::Key_Return
                                                             : Qt::Key_Enter;
        QTest::keyClick(button, key);
    }
    QTRY_COMPARE(activated.count(), 1);
    QCOMPARE(activated.first().at(0).toString(), url);
}

void TestCusTreeList::tabWalksLinks()
{
    CusTreeList tree;
    tree.resize(500, 120);
    QList<st_treeListSection> sections;
    for (int s = 0; s < 6; ++s) {
        sections.append({QStringLiteral("检查 %1").arg(s),
                         {{QStringLiteral("原因 %1-0").arg(s), QStringLiteral("https://a.example/%1").arg(s)},
                          {QStringLiteral("原因 %1-1").arg(s), QString()}}});
    }
    tree.setSections(sections);
    tree.show();
    QVERIFY(QTest::qWaitForWindowActive(&tree, 20000));
    tree.setFocus(Qt::TabFocusReason);
    for (int s = 0; s < 6; ++s) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        auto* button = tree.findChild<QPushButton*>(QStringLiteral("linkRow_%1_0").arg(s));
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget*>(button), 10000);
        // The row of the focused link is brought into view.
        QTRY_VERIFY_WITH_TIMEOUT(tree.viewport()->rect().contains(
                                     QRect(button->mapTo(tree.viewport(), QPoint(0, 0)), button->size())),
                                 10000);
    }
}

QTEST_MAIN(TestCusTreeList)
#include "tst_custreelist.moc"
