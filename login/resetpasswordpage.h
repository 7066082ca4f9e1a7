#pragma once

#include "corviscommon/edition.h"

#include <QWidget>

class CusLineEdit;
class CusPasswordEdit;
class CusTipLabel;
class QLabel;
class QPushButton;

// The self-service password reset page: teller number, identity card number, the new password
// twice and an SMS code. The new-password fields are judged by the password rules as soon as
// their editing ends.
//
// Children: "editResetUser", "editIdCard", "editNewPwd", "editNewPwdRe", "editResetCode",
// "btnResetCode", "btnResetSubmit", "labelResetTip", "linkBackLogin", "labelResetTitle".
class ResetPasswordPage : public QWidget
{
    Q_OBJECT
public:
    explicit ResetPasswordPage(QWidget* parent = nullptr);

    CusLineEdit* userEdit() const { return user_; }
    CusLineEdit* idCardEdit() const { return idCard_; }
    CusPasswordEdit* passwordEdit() const { return password_; }
    CusPasswordEdit* repeatEdit() const { return repeat_; }
    CusLineEdit* codeEdit() const { return code_; }
    QPushButton* codeButton() const { return codeButton_; }
    QPushButton* submitButton() const { return submit_; }
    CusTipLabel* tipLabel() const { return tip_; }

    // Checks the fields in order; the first failure gets the focus and its message is returned.
    // The vesk editions add the full legality check of the repeated password.
    QString resetAuthCodeVaildtyCheck(const corvis::Edition& edition);
    // Submitting: "提交中，请稍后..." and disabled; otherwise "提    交".
    void setPageResetStatus(bool submitting, bool clear);
    bool isSubmitting() const { return submitting_; }
    void clearResetPage();
    void setResetErrorTips(const QString& text, bool error);
    void setThemeColours(const QString& theme, const QString& hover);
    // Placeholders that differ by edition.
    void setEditionTexts(const corvis::Edition& edition);

public slots:
    void editingFinishedPasswd();
    void editingFinishedPasswdRe();

signals:
    void codeClicked();
    void submitClicked();
    void backClicked();

private:
    void judge(CusPasswordEdit* edit);
    void applyStyles();

    bool submitting_ = false;
    QString theme_;
    QString hover_;
    CusLineEdit* user_ = nullptr;
    CusLineEdit* idCard_ = nullptr;
    CusPasswordEdit* password_ = nullptr;
    CusPasswordEdit* repeat_ = nullptr;
    CusLineEdit* code_ = nullptr;
    QPushButton* codeButton_ = nullptr;
    QPushButton* submit_ = nullptr;
    CusTipLabel* tip_ = nullptr;
    QPushButton* back_ = nullptr;
};
