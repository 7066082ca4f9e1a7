#pragma once

#include <QLineEdit>

class QLabel;

// The workbench's line edit. With the Caps Lock hint enabled it reads the keyboard's Caps Lock
// state (CapsLockState) when it gets the focus and at every key, and shows "大写锁定已打开"
// inside its right end while Caps Lock is on; the hint goes when the focus leaves. Its
// placeholder is drawn in the muted text colour, lighter than what is typed.
//
// Children: "labelCapsLock".
class CusLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit CusLineEdit(QWidget* parent = nullptr);

    static QString capsLockText();

    // Off by default; the password edit turns it on.
    void setCapsLockHintEnabled(bool enabled);
    bool capsLockHintEnabled() const { return hintEnabled_; }
    // Whether the hint is up (independent of the window being shown).
    bool capsLockHintShown() const;
    bool isCapsLockOn() const { return capsOn_; }

public slots:
    // Reads the Caps Lock state again and shows or hides the hint.
    void refreshCapsLock();

signals:
    // The Caps Lock state seen by this edit changed (only while the hint is enabled).
    void capsLockChanged(bool on);

protected:
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // Pixels at the right end taken by a subclass's own buttons; the hint sits left of them.
    void setRightReserve(int pixels);
    int rightReserve() const { return rightReserve_; }

private:
    void setCapsOn(bool on);
    void updateHint();
    void placeHint();
    void keepPlaceholderColour();

    QLabel* hint_ = nullptr;
    bool hintEnabled_ = false;
    bool hintSized_ = false;
    bool capsOn_ = false;
    int rightReserve_ = 0;
};
