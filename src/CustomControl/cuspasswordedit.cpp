#include "src/CustomControl/cuspasswordedit.h"

#include <QEvent>
#include <QToolButton>

CusPasswordEdit::CusPasswordEdit(QWidget* parent) : CusLineEdit(parent)
{
    setEchoMode(QLineEdit::Password);
    setContextMenuPolicy(Qt::NoContextMenu);
    setDragEnabled(false);
    setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
    setCapsLockHintEnabled(true);

    reveal_ = new QToolButton(this);
    reveal_->setObjectName(QStringLiteral("btnRevealPassword"));
    reveal_->setAccessibleName(QStringLiteral("显示密码"));
    reveal_->setCheckable(true);
    reveal_->setCursor(Qt::PointingHandCursor);
    reveal_->setFocusPolicy(Qt::NoFocus);
    reveal_->setIcon(QIcon(QStringLiteral(":/resources/Img/eye_close.png")));
    reveal_->setIconSize(QSize(16, 16));
    reveal_->setFixedSize(24, 24);
    reveal_->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
    reveal_->setToolTip(QStringLiteral("显示密码"));
    // A screen reader announces the toggle by this name and its checked state by its own.
    reveal_->setAccessibleName(QStringLiteral("显示密码"));
    connect(reveal_, &QToolButton::toggled, this, [this](bool on) {
        setEchoMode(on ? QLineEdit::Normal : QLineEdit::Password);
        reveal_->setIcon(QIcon(on ? QStringLiteral(":/resources/Img/eye_open.png")
                                  : QStringLiteral(":/resources/Img/eye_close.png")));
        reveal_->setToolTip(on ? QStringLiteral("隐藏密码") : QStringLiteral("显示密码"));
    });
    setRightReserve(reveal_->width() + 4);
}

void CusPasswordEdit::setRevealButtonVisible(bool visible)
{
    if (!visible) {
        setRevealed(false);
    }
    reveal_->setVisible(visible);
    setRightReserve(visible ? reveal_->width() + 4 : 0);
}

bool CusPasswordEdit::isRevealed() const
{
    return echoMode() == QLineEdit::Normal;
}

void CusPasswordEdit::setRevealed(bool revealed)
{
    if (revealed && (isReadOnly() || !reveal_->isEnabled())) {
        return;
    }
    reveal_->setChecked(revealed);
}

void CusPasswordEdit::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ReadOnlyChange) {
        // A password the program filled in stays masked.
        if (isReadOnly()) {
            reveal_->setChecked(false);
        }
        reveal_->setEnabled(!isReadOnly());
    }
    CusLineEdit::changeEvent(event);
}

void CusPasswordEdit::resizeEvent(QResizeEvent* event)
{
    CusLineEdit::resizeEvent(event);
    reveal_->move(width() - reveal_->width() - 6, (height() - reveal_->height()) / 2);
}
