// The line edit's Caps Lock hint (with the keyboard state injected) and the password edit.

#include "src/CustomControl/capslockstate.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/cuspasswordedit.h"
#include "support/testprefix.h"

#include <QAccessible>
#include <QLabel>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include <memory>

class TestCusLineEdit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void noDisplayMeansNoHint();
    void hintFollowsState_data();
    void hintFollowsState();
    void capsLockKeyTogglesHint();
    void focusOutHidesHint();
    void hintLeavesRoomForText();
    void passwordEditMasks();
    void revealToggle();
    void readOnlyCannotReveal();
    void placeholderLighterThanText_data();
    void placeholderLighterThanText();

private:
    TestPrefix prefix_;
    CapsLockState::State state_ = CapsLockState::Off;
    int reads_ = 0;
};

void TestCusLineEdit::init()
{
    state_ = CapsLockState::Off;
    reads_ = 0;
    CapsLockState::setReaderForTest([this] {
        ++reads_;
        return state_;
    });
}

void TestCusLineEdit::cleanup()
{
    CapsLockState::setReaderForTest({});
}

void TestCusLineEdit::noDisplayMeansNoHint()
{
    // The real reader on the offscreen platform: no X server behind it, so no state and no hint.
    CapsLockState::setReaderForTest({});
    QCOMPARE(CapsLockState::query(), CapsLockState::Unknown);
    CusPasswordEdit edit;
    QTest::keyClick(&edit, Qt::Key_CapsLock);
    QTest::keyClicks(&edit, "Abc");
    QVERIFY(!edit.capsLockHintShown());
    QCOMPARE(edit.text(), QStringLiteral("Abc"));
}

void TestCusLineEdit::hintFollowsState_data()
{
    QTest::addColumn<bool>("password");
    QTest::addColumn<bool>("enable");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("shown");
    QTest::newRow("password edit, on") << true << true << int(CapsLockState::On) << true;
    QTest::newRow("password edit, off") << true << true << int(CapsLockState::Off) << false;
    QTest::newRow("password edit, unknown") << true << true << int(CapsLockState::Unknown) << false;
    QTest::newRow("password edit, hint turned off") << true << false << int(CapsLockState::On) << false;
    QTest::newRow("line edit, hint turned on") << false << true << int(CapsLockState::On) << true;
}

void TestCusLineEdit::hintFollowsState()
{
    QFETCH(bool, password);
    QFETCH(bool, enable);
    QFETCH(int, state);
    QFETCH(bool, shown);

    QScopedPointer<CusLineEdit> edit(password ? new CusPasswordEdit : new CusLineEdit);
    edit->setCapsLockHintEnabled(enable);
    state_ = CapsLockState::State(state);
    QTest::keyClick(edit.data(), Qt::Key_A);
    QCOMPARE(edit->capsLockHintShown(), shown);
    auto* label = edit->findChild<QLabel*>(QStringLiteral("labelCapsLock"));
    QVERIFY(label != nullptr);
    QCOMPARE(label->text(), QStringLiteral("大写锁定已打开"));
    QCOMPARE(label->isVisibleTo(edit.data()), shown);
}

void TestCusLineEdit::capsLockKeyTogglesHint()
{
    CusPasswordEdit edit;
    QSignalSpy changed(&edit, &CusLineEdit::capsLockChanged);
    QTest::keyClick(&edit, Qt::Key_X);
    QVERIFY(!edit.capsLockHintShown());

    state_ = CapsLockState::On;
    QTest::keyClick(&edit, Qt::Key_CapsLock);
    QVERIFY(edit.capsLockHintShown());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.last().at(0).toBool(), true);

    state_ = CapsLockState::Off;
    QTest::keyClick(&edit, Qt::Key_CapsLock);
    QVERIFY(!edit.capsLockHintShown());
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.last().at(0).toBool(), false);
}

void TestCusLineEdit::focusOutHidesHint()
{
    QWidget window;
    auto* edit = new CusPasswordEdit(&window);
    auto* other = new CusLineEdit(&window);
    other->move(0, 50);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));

    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    state_ = CapsLockState::On;
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    // Getting the focus reads the state: Caps Lock switched on in another window shows at once.
    QVERIFY(edit->capsLockHintShown());
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    QVERIFY(!edit->capsLockHintShown());
    // A plain line edit does not ask for the state.
    const int reads = reads_;
    QTest::keyClick(other, Qt::Key_A);
    QCOMPARE(reads_, reads);
    QVERIFY(!other->capsLockHintShown());
}

void TestCusLineEdit::hintLeavesRoomForText()
{
    CusPasswordEdit edit;
    edit.resize(300, 36);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    const int before = edit.textMargins().right();
    state_ = CapsLockState::On;
    QTest::keyClick(&edit, Qt::Key_A);
    auto* label = edit.findChild<QLabel*>(QStringLiteral("labelCapsLock"));
    QVERIFY(edit.textMargins().right() >= before + label->width());
    // Sized to its text as it is first shown.
    QCOMPARE(label->size(), label->sizeHint());
    // The hint sits inside the edit, left of the eye button.
    auto* eye = edit.findChild<QToolButton*>(QStringLiteral("btnRevealPassword"));
    QVERIFY(edit.rect().contains(label->geometry()));
    QVERIFY(label->geometry().right() < eye->geometry().left());
}

void TestCusLineEdit::passwordEditMasks()
{
    CusPasswordEdit edit;
    QCOMPARE(edit.echoMode(), QLineEdit::Password);
    QCOMPARE(edit.contextMenuPolicy(), Qt::NoContextMenu);
    QVERIFY(edit.inputMethodHints() & Qt::ImhSensitiveData);
    QVERIFY(edit.capsLockHintEnabled());
    QTest::keyClicks(&edit, "s3cret");
    QCOMPARE(edit.text(), QStringLiteral("s3cret"));
    QVERIFY(!edit.displayText().contains(QStringLiteral("s3cret")));
    CusLineEdit plain;
    QVERIFY(!plain.capsLockHintEnabled());
}

void TestCusLineEdit::revealToggle()
{
    CusPasswordEdit edit;
    auto* eye = edit.findChild<QToolButton*>(QStringLiteral("btnRevealPassword"));
    QVERIFY(eye != nullptr);
    QTest::keyClicks(&edit, "s3cret");
    QTest::mouseClick(eye, Qt::LeftButton);
    QVERIFY(edit.isRevealed());
    QCOMPARE(edit.displayText(), QStringLiteral("s3cret"));
    QTest::mouseClick(eye, Qt::LeftButton);
    QVERIFY(!edit.isRevealed());
    QCOMPARE(edit.echoMode(), QLineEdit::Password);

    // A screen reader finds the eye by its name and toggles it as a click does.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(eye);
    QVERIFY(accessible != nullptr);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("显示密码"));
    QVERIFY(accessible->actionInterface() != nullptr);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(edit.isRevealed());
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(!edit.isRevealed());

    edit.setRevealed(true);
    edit.setRevealButtonVisible(false);
    QVERIFY(!edit.isRevealed());
    QVERIFY(!eye->isVisibleTo(&edit));
}

void TestCusLineEdit::readOnlyCannotReveal()
{
    CusPasswordEdit edit;
    edit.setText(QStringLiteral("filled"));
    edit.setRevealed(true);
    edit.setReadOnly(true);
    // Making it read-only masks it again, and it stays masked.
    QVERIFY(!edit.isRevealed());
    auto* eye = edit.findChild<QToolButton*>(QStringLiteral("btnRevealPassword"));
    QVERIFY(!eye->isEnabled());
    QTest::mouseClick(eye, Qt::LeftButton);
    edit.setRevealed(true);
    QVERIFY(!edit.isRevealed());
    edit.setReadOnly(false);
    QVERIFY(eye->isEnabled());
}

void TestCusLineEdit::placeholderLighterThanText_data()
{
    QTest::addColumn<bool>("password");
    QTest::addColumn<QString>("sheet");
    QTest::newRow("own sheet") << false << QString();
    QTest::newRow("form sheet") << false << "QLineEdit { border: 1px solid #E0E0E0; border-radius: 4px; padding: 0 8px; }";
    QTest::newRow("coloured sheet") << false << "QLineEdit { color: #000000; }";
    QTest::newRow("password edit") << true << QString();
}

void TestCusLineEdit::placeholderLighterThanText()
{
    QFETCH(bool, password);
    QFETCH(QString, sheet);
    std::unique_ptr<CusLineEdit> edit(password ? new CusPasswordEdit : new CusLineEdit);
    if (!sheet.isEmpty()) {
        edit->setStyleSheet(sheet);
    }
    edit->resize(240, 40);
    // No text cursor in the picture.
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setPlaceholderText(QStringLiteral("请输入姓名"));
    edit->show();
    QVERIFY(QTest::qWaitForWindowExposed(edit.get()));
    QCOMPARE(edit->palette().color(QPalette::PlaceholderText), QColor(QStringLiteral("#8F959E")));
    // What is drawn: the darkest pixel of the placeholder against that of the same typed text.
    auto darkest = [&edit] {
        const QImage image = edit->grab().toImage();
        int value = 255;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width() * 2 / 3; ++x) {
                value = qMin(value, qGray(image.pixel(x, y)));
            }
        }
        return value;
    };
    const int placeholder = darkest();
    edit->setText(QStringLiteral("请输入姓名"));
    const int typed = darkest();
    QVERIFY2(placeholder > typed + 40, qPrintable(QStringLiteral("placeholder %1, typed %2").arg(placeholder).arg(typed)));
}

QTEST_MAIN(TestCusLineEdit)
#include "tst_cuslineedit.moc"
