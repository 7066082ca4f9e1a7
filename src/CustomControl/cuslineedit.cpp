#include "src/CustomControl/cuslineedit.h"

#include "src/CustomControl/capslockstate.h"
#include "src/CustomControl/cusstyle.h"

#include <QKeyEvent>
#include <QLabel>

CusLineEdit::CusLineEdit(QWidget* parent) : QLineEdit(parent)
{
    setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid %1; border-radius: 4px; padding: 0 8px;"
                                 " min-height: 34px; font-size: 14px; color: %2; background: white; }"
                                 "QLineEdit:focus { border-color: %3; }"
                                 "QLineEdit:read-only { background: #F5F7FA; }")
                      .arg(QLatin1String(cusstyle::kBorder), QLatin1String(cusstyle::kText),
                           QLatin1String(cusstyle::kTheme)));
    hint_ = new QLabel(capsLockText(), this);
    hint_->setObjectName(QStringLiteral("labelCapsLock"));
    hint_->setStyleSheet(QStringLiteral("font-size: 12px; color: %1; background: transparent; border: none;")
                             .arg(QLatin1String(cusstyle::kError)));
    hint_->setAttribute(Qt::WA_TransparentForMouseEvents);
    // Sized when first shown: measuring its text loads a font, a cost every edit would pay at
    // construction for a hint most never show.
    hint_->hide();
}

QString CusLineEdit::capsLockText()
{
    return QStringLiteral("大写锁定已打开");
}

void CusLineEdit::setCapsLockHintEnabled(bool enabled)
{
    hintEnabled_ = enabled;
    if (!enabled) {
        setCapsOn(false);
    }
    updateHint();
}

bool CusLineEdit::capsLockHintShown() const
{
    return hint_->isVisibleTo(this);
}

void CusLineEdit::refreshCapsLock()
{
    if (!hintEnabled_) {
        return;
    }
    // Unknown (no X display) shows no hint rather than a guess.
    setCapsOn(CapsLockState::query() == CapsLockState::On);
}

void CusLineEdit::setCapsOn(bool on)
{
    const bool changed = on != capsOn_;
    capsOn_ = on;
    updateHint();
    if (changed) {
        emit capsLockChanged(on);
    }
}

void CusLineEdit::updateHint()
{
    const bool show = hintEnabled_ && capsOn_;
    if (show == hint_->isVisibleTo(this)) {
        return;
    }
    if (show && !hintSized_) {
        hint_->adjustSize();
        hintSized_ = true;
    }
    hint_->setVisible(show);
    placeHint();
}

void CusLineEdit::setRightReserve(int pixels)
{
    rightReserve_ = pixels;
    placeHint();
}

void CusLineEdit::placeHint()
{
    // Typed text must not run under the hint or the subclass's buttons.
    QMargins margins = textMargins();
    margins.setRight(capsLockHintShown() ? hint_->width() + rightReserve_ + 6 : rightReserve_);
    setTextMargins(margins);
    hint_->move(width() - rightReserve_ - hint_->width() - 8, (height() - hint_->height()) / 2);
}

void CusLineEdit::keepPlaceholderColour()
{
    const QColor muted(QLatin1String(cusstyle::kTextMuted));
    if (palette().color(QPalette::PlaceholderText) == muted) {
        return;
    }
    QPalette colours = palette();
    colours.setColor(QPalette::PlaceholderText, muted);
    setPalette(colours);
}

bool CusLineEdit::event(QEvent* event)
{
    const bool handled = QLineEdit::event(event);
    // A style sheet's text colour becomes the placeholder's too, as dark as typed text, at every
    // polish and every new sheet a form gives the edit: the muted colour is put back after them.
    if (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange ||
        event->type() == QEvent::PaletteChange) {
        keepPlaceholderColour();
    }
    return handled;
}

void CusLineEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    refreshCapsLock();
}

void CusLineEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (hintEnabled_) {
        setCapsOn(false);
    }
}

void CusLineEdit::keyPressEvent(QKeyEvent* event)
{
    QLineEdit::keyPressEvent(event);
    refreshCapsLock();
}

void CusLineEdit::keyReleaseEvent(QKeyEvent* event)
{
    QLineEdit::keyReleaseEvent(event);
    // The indicator changes with the Caps Lock key itself; the release sees the new state.
    refreshCapsLock();
}

void CusLineEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    placeHint();
}
