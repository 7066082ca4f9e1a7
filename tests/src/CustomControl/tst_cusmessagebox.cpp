// The message box: its answers by click, by closing and through the test hook.

#include "src/CustomControl/cusmessagebox.h"
#include "support/testprefix.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestCusMessageBox : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void hookAnswers_data();
    void hookAnswers();
    void hookAnswersInOrder();
    void askUsesHook();
    void clickAnswers_data();
    void clickAnswers();
    void closingIsCancel();
    void oneAnswerPerShowing();
    void themeColours_data();
    void themeColours();
    void buttonsNamed();
    void questionOnOneLine();

private:
    TestPrefix prefix_;
};

void TestCusMessageBox::cleanup()
{
    CusMessageBox::clearNextAnswers();
}

void TestCusMessageBox::hookAnswers_data()
{
    QTest::addColumn<bool>("withCancel");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("sure");
    QTest::addColumn<int>("cancel");
    QTest::newRow("confirm, no cancel button") << false << int(CusMessageBox::Confirm) << 1 << 0;
    QTest::newRow("confirm, with cancel button") << true << int(CusMessageBox::Confirm) << 1 << 0;
    QTest::newRow("cancel") << true << int(CusMessageBox::Cancel) << 0 << 1;
}

void TestCusMessageBox::hookAnswers()
{
    QFETCH(bool, withCancel);
    QFETCH(int, answer);
    QFETCH(int, sure);
    QFETCH(int, cancel);

    CusMessageBox box;
    QSignalSpy sureSpy(&box, &CusMessageBox::clickSure);
    QSignalSpy cancelSpy(&box, &CusMessageBox::clickCancel);
    CusMessageBox::setNextAnswer(CusMessageBox::Answer(answer));
    box.showMessage(QStringLiteral("检测到上一版本，是否回退并安装"), withCancel);

    // The box never appears; the answer comes on the next turn of the event loop, like a click.
    QVERIFY(!box.isVisible());
    QCOMPARE(sureSpy.count() + cancelSpy.count(), 0);
    QTRY_COMPARE(sureSpy.count() + cancelSpy.count(), 1);
    QCOMPARE(sureSpy.count(), sure);
    QCOMPARE(cancelSpy.count(), cancel);
    QCOMPARE(box.message(), QStringLiteral("检测到上一版本，是否回退并安装"));
    QCOMPARE(box.findChild<QLabel*>(QStringLiteral("labelMessage"))->text(), box.message());
    QCOMPARE(box.hasCancel(), withCancel);
    QVERIFY(!box.isVisible());
    QCOMPARE(CusMessageBox::pendingAnswers(), 0);
}

void TestCusMessageBox::hookAnswersInOrder()
{
    CusMessageBox first;
    CusMessageBox second;
    QSignalSpy firstSure(&first, &CusMessageBox::clickSure);
    QSignalSpy secondCancel(&second, &CusMessageBox::clickCancel);
    CusMessageBox::setNextAnswer(CusMessageBox::Confirm);
    CusMessageBox::setNextAnswer(CusMessageBox::Cancel);
    QCOMPARE(CusMessageBox::pendingAnswers(), 2);
    first.showMessage(QStringLiteral("一"), true);
    second.showMessage(QStringLiteral("二"), true);
    QTRY_COMPARE(firstSure.count(), 1);
    QTRY_COMPARE(secondCancel.count(), 1);
}

void TestCusMessageBox::askUsesHook()
{
    CusMessageBox box;
    QSignalSpy sure(&box, &CusMessageBox::clickSure);
    CusMessageBox::setNextAnswer(CusMessageBox::Confirm);
    QVERIFY(box.ask(QStringLiteral("确认？"), true));
    QCOMPARE(sure.count(), 1);
    CusMessageBox::setNextAnswer(CusMessageBox::Cancel);
    QVERIFY(!box.ask(QStringLiteral("确认？"), true));
    QVERIFY(!box.isVisible());
}

void TestCusMessageBox::clickAnswers_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("sure");
    QTest::addColumn<int>("cancel");
    QTest::newRow("确定") << "btnConfirm" << 1 << 0;
    QTest::newRow("取消") << "btnCancel" << 0 << 1;
}

void TestCusMessageBox::clickAnswers()
{
    QFETCH(QString, button);
    QFETCH(int, sure);
    QFETCH(int, cancel);

    CusMessageBox box;
    QSignalSpy sureSpy(&box, &CusMessageBox::clickSure);
    QSignalSpy cancelSpy(&box, &CusMessageBox::clickCancel);
    box.showMessage(QStringLiteral("检测到上一版本，是否回退并安装"), true);
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto* confirm = box.findChild<QPushButton*>(QStringLiteral("btnConfirm"));
    auto* cancelButton = box.findChild<QPushButton*>(QStringLiteral("btnCancel"));
    QCOMPARE(confirm->text(), QStringLiteral("确定"));
    QCOMPARE(cancelButton->text(), QStringLiteral("取消"));
    QVERIFY(cancelButton->isVisible());

    QTest::mouseClick(box.findChild<QPushButton*>(button), Qt::LeftButton);
    QCOMPARE(sureSpy.count(), sure);
    QCOMPARE(cancelSpy.count(), cancel);
    QVERIFY(!box.isVisible());
}

void TestCusMessageBox::closingIsCancel()
{
    CusMessageBox box;
    QSignalSpy sure(&box, &CusMessageBox::clickSure);
    QSignalSpy cancel(&box, &CusMessageBox::clickCancel);
    box.showMessage(QStringLiteral("检测不到安装包，无法进行回退操作"), false);
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QVERIFY(!box.findChild<QPushButton*>(QStringLiteral("btnCancel"))->isVisible());
    QTest::mouseClick(box.findChild<QPushButton*>(QStringLiteral("btnClose")), Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(sure.count(), 0);
    QCOMPARE(cancel.count(), 1);
}

void TestCusMessageBox::oneAnswerPerShowing()
{
    CusMessageBox box;
    QSignalSpy sure(&box, &CusMessageBox::clickSure);
    QSignalSpy cancel(&box, &CusMessageBox::clickCancel);
    box.showMessage(QStringLiteral("确认？"), true);
    auto* confirm = box.findChild<QPushButton*>(QStringLiteral("btnConfirm"));
    emit confirm->clicked();
    emit confirm->clicked();
    box.close();
    QCOMPARE(sure.count(), 1);
    QCOMPARE(cancel.count(), 0);

    // Shown again, it answers again.
    box.showMessage(QStringLiteral("确认？"), true);
    emit confirm->clicked();
    QCOMPARE(sure.count(), 2);
}

void TestCusMessageBox::themeColours_data()
{
    QTest::addColumn<QString>("theme");  // empty: the box as made
    QTest::addColumn<QColor>("confirm");
    QTest::newRow("common theme") << QString() << QColor(0x1A, 0xA9, 0xFF);
    QTest::newRow("vesk theme") << QStringLiteral("#4AB793") << QColor(0x4A, 0xB7, 0x93);
    QTest::newRow("kav theme") << QStringLiteral("#D70A2A") << QColor(0xD7, 0x0A, 0x2A);
}

// The confirm button is painted in the theme colour of the page the box stands over.
void TestCusMessageBox::themeColours()
{
    QFETCH(QString, theme);
    QFETCH(QColor, confirm);
    CusMessageBox box;
    if (!theme.isEmpty()) {
        box.setThemeColours(theme, theme);
    }
    auto* button = box.findChild<QPushButton*>(QStringLiteral("btnConfirm"));
    QVERIFY(button != nullptr);
    button->ensurePolished();
    const QImage picture = button->grab().toImage();
    // Left of the text, clear of the rounded corners.
    QCOMPARE(picture.pixelColor(6, picture.height() / 2), confirm);
}

void TestCusMessageBox::buttonsNamed()
{
    CusMessageBox box;
    auto* confirm = box.findChild<QPushButton*>(QStringLiteral("btnConfirm"));
    auto* cancel = box.findChild<QPushButton*>(QStringLiteral("btnCancel"));
    QCOMPARE(confirm->accessibleName(), QStringLiteral("确定"));
    QCOMPARE(cancel->accessibleName(), QStringLiteral("取消"));
    // A screen reader reads what the buttons say now.
    box.setButtonTexts(QStringLiteral("回退"), QStringLiteral("稍后"));
    QCOMPARE(confirm->accessibleName(), QStringLiteral("回退"));
    QCOMPARE(cancel->accessibleName(), QStringLiteral("稍后"));
}

void TestCusMessageBox::questionOnOneLine()
{
    // The longest question the workbench asks; a last character alone on a second line reads badly.
    const QString question = QStringLiteral("确定要解绑该设备吗？解绑后该设备需重新绑定才能使用。");
    CusMessageBox box;
    box.showMessage(question, true);
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto* label = box.findChild<QLabel*>(QStringLiteral("labelMessage"));
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QVERIFY2(label->fontMetrics().horizontalAdvance(question) <= label->contentsRect().width(),
             qPrintable(QStringLiteral("%1 px of text in %2 px").arg(label->fontMetrics().horizontalAdvance(question))
                            .arg(label->contentsRect().width())));
    box.close();
}

QTEST_MAIN(TestCusMessageBox)
#include "tst_cusmessagebox.moc"
