// The tree list: sections, rows and which links become clickable.

#include "src/CustomControl/custreelist.h"
#include "support/testprefix.h"

#include <QLabel>
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
    void clickingLinkEmits();

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
    auto* label = tree.findChild<QLabel*>(QStringLiteral("linkRow_0_0"));
    QCOMPARE(label != nullptr, openable);
    if (label != nullptr) {
        QVERIFY(label->text().contains(CusTreeList::linkText()));
        // The link as text, never as markup.
        QVERIFY(label->toolTip().contains(link.trimmed().toHtmlEscaped()));
        QVERIFY(!label->toolTip().contains(QLatin1String("<a")));
        QVERIFY(!label->openExternalLinks());
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
    QVERIFY(tree.findChild<QLabel*>(QStringLiteral("linkRow_0_0")) != nullptr);
    QVERIFY(tree.findChild<QLabel*>(QStringLiteral("linkRow_0_1")) == nullptr);
    QVERIFY(tree.findChild<QLabel*>(QStringLiteral("linkRow_2_0")) != nullptr);
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
    QTRY_VERIFY(tree.findChild<QLabel*>(QStringLiteral("linkRow_0_0")) == nullptr);
    tree.setSections({});
    QCOMPARE(tree.sectionCount(), 0);
}

void TestCusTreeList::clickingLinkEmits()
{
    CusTreeList tree;
    tree.resize(500, 300);
    const QString url = QStringLiteral("https://help.example.com/fix?a=1&b=%E4%B8%AD");
    tree.setSections({{QStringLiteral("检查"), {{QStringLiteral("原因"), url}}}});
    tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tree));
    QSignalSpy activated(&tree, &CusTreeList::linkActivated);
    auto* label = tree.findChild<QLabel*>(QStringLiteral("linkRow_0_0"));
    QVERIFY(label != nullptr);
    QTRY_VERIFY(label->isVisible());
    const QPoint onLink(label->fontMetrics().horizontalAdvance(CusTreeList::linkText()) / 2, label->height() / 2);
    QTest::mouseClick(label, Qt::LeftButton, {}, onLink);
    QTRY_COMPARE(activated.count(), 1);
    QCOMPARE(activated.first().at(0).toString(), url);
}

QTEST_MAIN(TestCusTreeList)
#include "tst_custreelist.moc"
