#pragma once

#include "src/CustomControl/cuslineedit.h"

class QToolButton;

// A line edit for passwords: masked, with the Caps Lock hint, no context menu, no drag, and an
// eye button that toggles showing the typed text. A read-only edit (filled in by the program)
// cannot be revealed.
//
// Children: "btnRevealPassword" (and those of CusLineEdit).
class CusPasswordEdit : public CusLineEdit
{
    Q_OBJECT
public:
    explicit CusPasswordEdit(QWidget* parent = nullptr);

    void setRevealButtonVisible(bool visible);
    bool isRevealed() const;
    void setRevealed(bool revealed);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* reveal_ = nullptr;
};
