#include "login/resetpasswordpage.h"

#include "login/passwordrules.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/cuspasswordedit.h"
#include "src/CustomControl/cusstyle.h"
#include "src/CustomControl/custiplabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kIdleBorder = QStringLiteral("QLineEdit { border: 1px solid #E0E0E0}");
const QString kBadBorder = QStringLiteral("QLineEdit { border: 1px solid red}");

}  // namespace

ResetPasswordPage::ResetPasswordPage(QWidget* parent)
    : QWidget(parent), theme_(QString::fromLatin1(cusstyle::kTheme)), hover_(QString::fromLatin1(cusstyle::kThemeHover))
{
    setObjectName(QStringLiteral("pageReset"));
    auto* title = new QLabel(QStringLiteral("重置密码"), this);
    title->setObjectName(QStringLiteral("labelResetTitle"));
    title->setStyleSheet(QStringLiteral("font-size: 18px; color: %1;").arg(QLatin1String(cusstyle::kTitle)));
    user_ = new CusLineEdit(this);
    user_->setObjectName(QStringLiteral("editResetUser"));
    user_->setAccessibleName(QStringLiteral("柜员号"));
    idCard_ = new CusLineEdit(this);
    idCard_->setObjectName(QStringLiteral("editIdCard"));
    idCard_->setAccessibleName(QStringLiteral("身份证号码"));
    idCard_->setPlaceholderText(QStringLiteral("请输入身份证号码"));
    password_ = new CusPasswordEdit(this);
    password_->setObjectName(QStringLiteral("editNewPwd"));
    password_->setAccessibleName(QStringLiteral("新密码"));
    password_->setPlaceholderText(QStringLiteral("请输入新密码(包含大小写、数字和字符)"));
    repeat_ = new CusPasswordEdit(this);
    repeat_->setObjectName(QStringLiteral("editNewPwdRe"));
    repeat_->setAccessibleName(QStringLiteral("确认新密码"));
    auto* rule = new QLabel(QStringLiteral("密码包含大写,小写,数字和字符的三种及以上"), this);
    rule->setObjectName(QStringLiteral("labelPwdRule"));
    rule->setStyleSheet(QStringLiteral("color: %1; font-size: 12px;").arg(QLatin1String(cusstyle::kTextMuted)));
    code_ = new CusLineEdit(this);
    code_->setObjectName(QStringLiteral("editResetCode"));
    code_->setAccessibleName(QStringLiteral("重置验证码"));
    code_->setPlaceholderText(QStringLiteral("请输入验证码"));
    codeButton_ = new QPushButton(QStringLiteral("获取验证码"), this);
    codeButton_->setObjectName(QStringLiteral("btnResetCode"));
    codeButton_->setAccessibleName(QStringLiteral("获取重置验证码"));
    codeButton_->setFixedSize(110, 36);
    submit_ = new QPushButton(QStringLiteral("提    交"), this);
    submit_->setObjectName(QStringLiteral("btnResetSubmit"));
    submit_->setAccessibleName(QStringLiteral("提交"));
    submit_->setFixedHeight(40);
    tip_ = new CusTipLabel(this);
    tip_->setObjectName(QStringLiteral("labelResetTip"));
    tip_->setWordWrap(true);
    tip_->setAlignment(Qt::AlignCenter);
    // A flat button drawn as a link, so that Tab reaches it and Enter, Space or a screen reader
    // presses it.
    back_ = new QPushButton(QStringLiteral("返回登录页"), this);
    back_->setObjectName(QStringLiteral("linkBackLogin"));
    back_->setAccessibleName(QStringLiteral("返回登录页"));
    back_->setFlat(true);
    back_->setFocusPolicy(Qt::StrongFocus);
    back_->setCursor(Qt::PointingHandCursor);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 10, 30, 10);
    layout->setSpacing(10);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    for (QLineEdit* edit : {static_cast<QLineEdit*>(user_), static_cast<QLineEdit*>(idCard_),
                            static_cast<QLineEdit*>(password_), static_cast<QLineEdit*>(repeat_)}) {
        edit->setFixedHeight(36);
        edit->setTextMargins(6, 0, 6, 0);
        edit->setStyleSheet(kIdleBorder);
        layout->addWidget(edit);
    }
    layout->addWidget(rule);
    code_->setFixedHeight(36);
    code_->setTextMargins(6, 0, 6, 0);
    code_->setStyleSheet(kIdleBorder);
    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(code_, 1);
    codeRow->addWidget(codeButton_);
    layout->addLayout(codeRow);
    layout->addWidget(submit_);
    layout->addWidget(tip_);
    layout->addWidget(back_, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    connect(codeButton_, &QPushButton::clicked, this, &ResetPasswordPage::codeClicked);
    connect(submit_, &QPushButton::clicked, this, &ResetPasswordPage::submitClicked);
    connect(back_, &QPushButton::clicked, this, &ResetPasswordPage::backClicked);
    connect(password_, &QLineEdit::editingFinished, this, &ResetPasswordPage::editingFinishedPasswd);
    connect(repeat_, &QLineEdit::editingFinished, this, &ResetPasswordPage::editingFinishedPasswdRe);
    setEditionTexts(corvis::Edition());
    applyStyles();
}

void ResetPasswordPage::setEditionTexts(const corvis::Edition& edition)
{
    const bool vesk = edition.isVesk();
    user_->setPlaceholderText(vesk ? QStringLiteral("请输入手机号/柜员号") : QStringLiteral("请输入柜员号"));
    repeat_->setPlaceholderText(vesk ? QStringLiteral("请再次输入新密码(包含大小写、数字和字符)")
                                     : QStringLiteral("请再次输入新密码"));
}

void ResetPasswordPage::setThemeColours(const QString& theme, const QString& hover)
{
    theme_ = theme;
    hover_ = hover;
    tip_->setColours(QString::fromLatin1(cusstyle::kError), theme);
    applyStyles();
}

void ResetPasswordPage::applyStyles()
{
    back_->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; color: %1; padding: 0; }"
                                        "QPushButton:hover, QPushButton:focus { text-decoration: underline; }")
                             .arg(theme_));
    submit_->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 4px; "
                                          "font-size: 16px; } QPushButton:hover { background: %2; }"
                                          "QPushButton:disabled { background: white; color: #8F959E; "
                                          "border: 1px solid #C0C4CC; }")
                               .arg(theme_, hover_));
    codeButton_->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: 1px solid %1; border-radius: 4px; "
                                              "background: white; } QPushButton:disabled { color: #8F959E; "
                                              "border-color: #DCDFE6; }")
                                   .arg(theme_));
}

QString ResetPasswordPage::resetAuthCodeVaildtyCheck(const corvis::Edition& edition)
{
    struct Check {
        QLineEdit* edit;
        bool failed;
        QString message;
    };
    const QString pwd = password_->text();
    const QString repeat = repeat_->text();
    QString legalMsg;
    const Check checks[] = {
        {user_, user_->text().isEmpty(), QStringLiteral("未输入柜员号，请重新输入！")},
        {idCard_, idCard_->text().isEmpty(), QStringLiteral("未输入身份证号码，请重新输入！")},
        {password_, pwd.isEmpty(), QStringLiteral("密码不能为空，请重新输入！")},
        {repeat_, repeat.isEmpty(), QStringLiteral("密码不能为空，请重新输入！")},
        // Identity card numbers have 18 characters; checked before the passwords are compared.
        {idCard_, idCard_->text().size() != 18, QStringLiteral("身份证号码输入不正确，请重新输入！")},
        {repeat_, pwd != repeat, QStringLiteral("两次密码输入不一致，请重新输入！")},
    };
    for (const Check& check : checks) {
        if (check.failed) {
            check.edit->setFocus();
            return check.message;
        }
    }
    if (edition.isVesk() && !PasswordRules::isPasswordLegal(repeat, legalMsg)) {
        repeat_->setFocus();
        return legalMsg;
    }
    return QString();
}

void ResetPasswordPage::setPageResetStatus(bool submitting, bool clear)
{
    submitting_ = submitting;
    if (clear) {
        clearResetPage();
    }
    submit_->setText(submitting ? QStringLiteral("提交中，请稍后...") : QStringLiteral("提    交"));
    submit_->setEnabled(!submitting);
}

void ResetPasswordPage::clearResetPage()
{
    for (QLineEdit* edit : {static_cast<QLineEdit*>(user_), static_cast<QLineEdit*>(idCard_),
                            static_cast<QLineEdit*>(password_), static_cast<QLineEdit*>(repeat_),
                            static_cast<QLineEdit*>(code_)}) {
        edit->clear();
        edit->setStyleSheet(kIdleBorder);
    }
    tip_->clearTip();
}

void ResetPasswordPage::setResetErrorTips(const QString& text, bool error)
{
    if (error) {
        tip_->setErrorTip(text);
    } else {
        tip_->setInfoTip(text);
    }
}

void ResetPasswordPage::judge(CusPasswordEdit* edit)
{
    QString msg;
    if (PasswordRules::isPasswordLegal(edit->text(), msg)) {
        tip_->clearTip();
        edit->setStyleSheet(kIdleBorder);
    } else if (!edit->text().isEmpty()) {
        tip_->setErrorTip(msg);
        edit->setStyleSheet(kBadBorder);
    }
}

void ResetPasswordPage::editingFinishedPasswd()
{
    judge(password_);
}

void ResetPasswordPage::editingFinishedPasswdRe()
{
    judge(repeat_);
}
