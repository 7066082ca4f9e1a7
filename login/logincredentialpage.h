#pragma once

#include "login/pagelogintype.h"

#include <QWidget>

class CusLineEdit;
class CusPasswordEdit;
class CusTipLabel;
class QCheckBox;
class QLabel;
class QPushButton;
class QWidget;

// One credential tab of the login dialog: the account page or the phone page. Step 1 asks for
// the account (or phone) and the password; step 2 adds the authentication code and the
// bind-this-device switch. It only lays out and presents; the dialog decides what happens.
//
// Children: "editAccount", "editPassword", "editAuthCode", "btnAuthCode", "switchBindDev",
// "labelBindNote", "btnBindList", "checkRemember", "btnLogin", "labelTip", "linkResetPwd", "widgetCredentials",
// "widgetCode", "widgetBind".
class LoginCredentialPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kStepOneHeight = 110;

    LoginCredentialPage(PageLoginType type, QWidget* parent = nullptr);

    PageLoginType type() const { return type_; }
    CusLineEdit* accountEdit() const { return account_; }
    CusPasswordEdit* passwordEdit() const { return password_; }
    CusLineEdit* codeEdit() const { return code_; }
    QPushButton* codeButton() const { return codeButton_; }
    QCheckBox* bindSwitch() const { return bind_; }
    QCheckBox* rememberBox() const { return remember_; }
    QPushButton* loginButton() const { return login_; }
    CusTipLabel* tipLabel() const { return tip_; }
    QPushButton* resetLink() const { return reset_; }

    // 1: account and password only; 2: with code and bind switch.
    int step() const { return step_; }
    void setStep(int step);
    // The code row on its own (editions whose account page asks a code without a step 2).
    void setCodeVisible(bool visible, const QString& placeholder);
    bool isCodeVisible() const;
    // "01" with the bind switch on, "02" off.
    QString bindFlag() const;
    // Whether step 2 offers the bind switch (the service says so); a hidden switch is off.
    void setBindVisible(bool visible);
    bool isBindVisible() const { return bindVisible_; }
    QPushButton* bindListButton() const { return bindList_; }

    // Logging in: the button reads "登录中，请稍后..." and is disabled; idle: "登    录", enabled,
    // fields writable (emptied first with `clear`).
    void setLoggingState(bool logging, bool clear);
    bool isLogging() const { return logging_; }
    void setThemeColours(const QString& theme, const QString& hover);
    void setTip(const QString& text, const QString& colour);
    // Fills in and locks the account and password (SPA auto-fill).
    void fillLocked(const QString& account, const QString& password);

    static QString loginText() { return QStringLiteral("登    录"); }
    static QString loggingText() { return QStringLiteral("登录中，请稍后..."); }

signals:
    void loginClicked();
    void codeClicked();
    void rememberClicked(bool checked);
    void resetClicked();
    // "查看绑定设备": the devices bound to the user.
    void bindListClicked();

private:
    void applyButtonStyle();
    void applyResetStyle();

    PageLoginType type_;
    int step_ = 1;
    bool logging_ = false;
    bool codeAlone_ = false;
    bool bindVisible_ = true;
    QString theme_;
    QString hover_;
    QWidget* credentials_ = nullptr;
    QWidget* codeRow_ = nullptr;
    QWidget* bindRow_ = nullptr;
    CusLineEdit* account_ = nullptr;
    CusPasswordEdit* password_ = nullptr;
    CusLineEdit* code_ = nullptr;
    QPushButton* codeButton_ = nullptr;
    QCheckBox* bind_ = nullptr;
    QPushButton* bindList_ = nullptr;
    QCheckBox* remember_ = nullptr;
    QPushButton* login_ = nullptr;
    CusTipLabel* tip_ = nullptr;
    QPushButton* reset_ = nullptr;
};
