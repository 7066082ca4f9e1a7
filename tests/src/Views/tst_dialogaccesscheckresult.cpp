// The access-check result dialog: the head with the number of non-compliant sections, the tree
// of sections and items as plain text, repair links opened only for http and https, "重新检查"
// going busy and asking for a new check, and closing that hides the dialog for the next
// refused login.

#include "src/Views/dialogaccesscheckresult.h"

#include "src/CustomControl/custreelist.h"
#include "support/testprefix.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

st_accessCheckResult result(int sections, int itemsEach, const QString& link = QString())
{
    st_accessCheckResult r;
    r.state = 3;
    r.nodeCount = sections;
    for (int s = 0; s < sections; ++s) {
        st_primaryNode node;
        node.title = QStringLiteral("检查项 %1").arg(s);
        for (int i = 0; i < itemsEach; ++i) {
            node.items.append({QStringLiteral("原因 %1-%2").arg(s).arg(i), link});
        }
        r.nodes.append(node);
    }
    return r;
}

}  // namespace

class TestDialogAccessCheckResult : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void showsTheResult();
    void noSections();
    void markupIsText();
    void repairLinks_data();
    void repairLinks();
    void checkAgain();
    void closeHidesAndShowsAgain();
    void thousandSections();

private:
    std::unique_ptr<TestPrefix> prefix_;
};

void TestDialogAccessCheckResult::initTestCase()
{
    prefix_ = std::make_unique<TestPrefix>();
}

void TestDialogAccessCheckResult::showsTheResult()
{
    DialogAccessCheckResult dialog;
    QCOMPARE(dialog.headText(), QStringLiteral("检查已完成，共发现 ? 个不合规项，请立即修复!"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("接入检查"));
    dialog.updateData(result(3, 2, QStringLiteral("https://help.example/repair")));
    dialog.showCentred();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.headText(), QStringLiteral("检查已完成，共发现 3 个不合规项，请立即修复!"));
    QCOMPARE(dialog.tree()->sectionCount(), 3);
    QCOMPARE(dialog.tree()->rowCount(1), 2);
    QCOMPARE(dialog.tree()->topLevelItem(2)->text(0), QStringLiteral("检查项 2"));
    QCOMPARE(dialog.tree()->topLevelItem(2)->child(1)->text(0), QStringLiteral("原因 2-1"));
    auto* again = dialog.findChild<QPushButton*>(QStringLiteral("btnCheckAgain"));
    QVERIFY(again->isVisible());
    QCOMPARE(again->text(), QStringLiteral("重新检查"));
    QVERIFY(again->styleSheet().contains(QLatin1String("#5BC48E")));
    QVERIFY(!again->accessibleName().isEmpty());
}

void TestDialogAccessCheckResult::noSections()
{
    DialogAccessCheckResult dialog;
    dialog.updateData(result(4, 1));
    dialog.updateData(st_accessCheckResult{});
    QCOMPARE(dialog.headText(), QStringLiteral("检查已完成，共发现 0 个不合规项，请立即修复!"));
    QCOMPARE(dialog.tree()->sectionCount(), 0);
}

void TestDialogAccessCheckResult::markupIsText()
{
    DialogAccessCheckResult dialog;
    st_accessCheckResult r = result(1, 1);
    r.nodes[0].title = QStringLiteral("<b>软件</b>");
    r.nodes[0].items[0].reason = QStringLiteral("<img src=x onerror=alert(1)>远程控制");
    dialog.updateData(r);
    QCOMPARE(dialog.tree()->topLevelItem(0)->text(0), QStringLiteral("<b>软件</b>"));
    QCOMPARE(dialog.tree()->topLevelItem(0)->child(0)->text(0), QStringLiteral("<img src=x onerror=alert(1)>远程控制"));
    QVERIFY(!dialog.tree()->topLevelItem(0)->child(0)->toolTip(0).contains(QLatin1String("<img")));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("labelHead"))->textFormat(), Qt::PlainText);
}

void TestDialogAccessCheckResult::repairLinks_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("opened");
    QTest::newRow("https") << QStringLiteral("https://help.example/repair/ports") << true;
    QTest::newRow("http, spaces around") << QStringLiteral("  http://help.example/fw  ") << true;
    QTest::newRow("javascript") << QStringLiteral("javascript:alert(1)") << false;
    QTest::newRow("file") << QStringLiteral("file:///etc/shadow") << false;
    QTest::newRow("shell text") << QStringLiteral("$(rm -rf ~)") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestDialogAccessCheckResult::repairLinks()
{
    QFETCH(QString, link);
    QFETCH(bool, opened);
    DialogAccessCheckResult dialog;
    QStringList openedUrls;
    dialog.setUrlOpener([&openedUrls](const QString& url) { openedUrls.append(url); });
    dialog.updateData(result(1, 1, link));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog, 20000));
    auto* button = dialog.findChild<QPushButton*>(QStringLiteral("linkRow_0_0"));
    QCOMPARE(button != nullptr, opened);
    if (button != nullptr) {
        // The link as a user follows it: a click, then Tab to it and Space.
        QTRY_VERIFY(button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(openedUrls, QStringList{link.trimmed()});
        dialog.tree()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(dialog.tree(), Qt::Key_Tab);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget*>(button), 10000);
        QTest::keyClick(button, Qt::Key_Space);
        QCOMPARE(openedUrls, (QStringList{link.trimmed(), link.trimmed()}));
        // Enter on the focused link opens it, not the dialog's other button.
        QSignalSpy started(&dialog, &DialogAccessCheckResult::sendCheckStart);
        QTest::keyClick(button, Qt::Key_Return);
        QCOMPARE(openedUrls.size(), 3);
        QCOMPARE(started.count(), 0);
    }
    // Asked directly, the dialog refuses what it does not show.
    openedUrls.clear();
    dialog.openRepairGuide(link);
    QCOMPARE(openedUrls.size(), opened ? 1 : 0);
}

void TestDialogAccessCheckResult::checkAgain()
{
    DialogAccessCheckResult dialog;
    dialog.updateData(result(2, 1));
    dialog.show();
    QSignalSpy started(&dialog, &DialogAccessCheckResult::sendCheckStart);
    auto* again = dialog.findChild<QPushButton*>(QStringLiteral("btnCheckAgain"));
    QTest::mouseClick(again, Qt::LeftButton);
    QCOMPARE(started.count(), 1);
    QVERIFY(dialog.isChecking());
    QVERIFY(!again->isVisible());
    QVERIFY(again->styleSheet().contains(QLatin1String("#8F959E")));
    QCOMPARE(dialog.headText(), QStringLiteral("正在处理中，请稍候..."));

    // The next result gives the button back.
    dialog.updateData(result(1, 1));
    QVERIFY(!dialog.isChecking());
    QVERIFY(again->isVisible());
    QVERIFY(again->styleSheet().contains(QLatin1String("#5BC48E")));
    QCOMPARE(dialog.headText(), QStringLiteral("检查已完成，共发现 1 个不合规项，请立即修复!"));
}

void TestDialogAccessCheckResult::closeHidesAndShowsAgain()
{
    auto dialog = std::make_unique<DialogAccessCheckResult>();
    QPointer<DialogAccessCheckResult> alive(dialog.get());
    QSignalSpy closed(dialog.get(), &DialogAccessCheckResult::sendCloseAccessCheckResult);
    dialog->updateData(result(2, 1));
    dialog->showCentred();
    // The close is refused so that the dialog stays for the next refused login.
    dialog->close();
    QCoreApplication::processEvents();
    QVERIFY(!alive.isNull());
    QVERIFY(!dialog->isVisible());
    QCOMPARE(closed.count(), 1);

    // The next refused login shows it again with its own data.
    dialog->updateData(result(5, 1));
    dialog->showCentred();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->tree()->sectionCount(), 5);

    // The login left the check: the dialog goes without telling the login dialog.
    dialog->dismiss();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(closed.count(), 1);
}

void TestDialogAccessCheckResult::thousandSections()
{
    DialogAccessCheckResult dialog;
    dialog.setUrlOpener([](const QString&) {});
    dialog.updateData(result(1000, 2, QStringLiteral("javascript:void(0)")));
    QCOMPARE(dialog.tree()->sectionCount(), 1000);
    QCOMPARE(dialog.headText(), QStringLiteral("检查已完成，共发现 1000 个不合规项，请立即修复!"));
    QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("linkRow_0_0")) == nullptr);
}

QTEST_MAIN(TestDialogAccessCheckResult)
#include "tst_dialogaccesscheckresult.moc"
