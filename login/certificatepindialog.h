#pragma once

#include "src/CustomControl/customdialog.h"

class CusPasswordEdit;
class QPushButton;

// Asks for the PIN of the USB key before a certificate login that signs: a password box with
// "确定" and "取消". It is modal for the user but the program never waits in it: the answer comes
// as confirmed() (then takePin()) or cancelled(). "取消", Escape and the title bar's close button
// cancel; the box is emptied whenever the dialog is shown or the PIN taken.
//
// Children: "editCertPin", "btnCertPinConfirm", "btnCertPinCancel" (and those of CustomDialog).
class CertificatePinDialog : public CustomDialog
{
    Q_OBJECT
public:
    explicit CertificatePinDialog(QWidget* parent = nullptr);

    CusPasswordEdit* pinEdit() const { return pin_; }
    QPushButton* confirmButton() const { return confirm_; }
    QPushButton* cancelButton() const { return cancel_; }

    // Shows the dialog, empty, with the focus in the box.
    void ask();
    // The PIN typed, once: the box is emptied.
    QString takePin();
    // Hides the dialog without an answer (the login dialog went away meanwhile).
    void dismiss();

signals:
    void confirmed();
    void cancelled();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void answer(bool confirm);

    CusPasswordEdit* pin_ = nullptr;
    QPushButton* confirm_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool answered_ = true;
};
