// The frameless dialog: its title bar, and closing that only hides.

#include "src/CustomControl/customdialog.h"
#include "support/testprefix.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

// A dialog that adds its own close behaviour, as the account dialog does.
class CountingDialog : public CustomDialog
{
public:
    int closes = 0;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        ++closes;
        CustomDialog::closeEvent(event);
    }
};

}  // namespace

class TestCustomDialog : public QObject
{
    Q_OBJECT

private slots:
    void titleFollowsWindowTitle();
    void closeButtonHides_data();
    void closeButtonHides();
    void closeEndsModalExec();
    void minimiseButton();
    void titleButtonsNamed();

private:
    TestPrefix prefix_;
};

void TestCustomDialog::titleFollowsWindowTitle()
{
    CustomDialog dialog;
    dialog.setWindowTitle(QStringLiteral("修改密码"));
    auto* title = dialog.findChild<QLabel*>(QStringLiteral("labelTitle"));
    QVERIFY(title != nullptr);
    QCOMPARE(title->text(), QStringLiteral("修改密码"));
}

void TestCustomDialog::closeButtonHides_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close button") << "button";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("close()") << "close";
    QTest::newRow("reject()") << "reject";
}

void TestCustomDialog::closeButtonHides()
{
    QFETCH(QString, how);
    QPointer<CountingDialog> dialog = new CountingDialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QSignalSpy closed(dialog.data(), &CustomDialog::closed);

    if (how == "button") {
        auto* button = dialog->findChild<QPushButton*>(QStringLiteral("btnClose"));
        QVERIFY(button != nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    } else if (how == "escape") {
        QTest::keyClick(dialog, Qt::Key_Escape);
    } else if (how == "close") {
        dialog->close();
    } else {
        dialog->reject();
    }

    QTRY_VERIFY(!dialog->isVisible());
    QCOMPARE(closed.count(), 1);
    // Every way of closing goes through closeEvent, and the object lives on.
    QCOMPARE(dialog->closes, 1);
    QCoreApplication::processEvents();
    QVERIFY(!dialog.isNull());

    dialog->show();
    QVERIFY(dialog->isVisible());
    delete dialog;
}

void TestCustomDialog::closeEndsModalExec()
{
    CustomDialog dialog;
    QTimer::singleShot(0, &dialog, [&dialog] {
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("btnClose")), Qt::LeftButton);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
}

void TestCustomDialog::minimiseButton()
{
    CustomDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("btnMin")), Qt::LeftButton);
    QTRY_VERIFY(dialog.windowState() & Qt::WindowMinimized);
}

// A screen reader reads the title bar's picture buttons by name.
void TestCustomDialog::titleButtonsNamed()
{
    CustomDialog dialog;
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("btnMin"))->accessibleName(), QStringLiteral("最小化"));
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("btnClose"))->accessibleName(), QStringLiteral("关闭"));
}

QTEST_MAIN(TestCustomDialog)
#include "tst_customdialog.moc"
