#include "login/logincredentialpage.h"

#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/cuspasswordedit.h"
#include "src/CustomControl/cusstyle.h"
#include "src/CustomControl/custiplabel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char* const kEditStyle = "QLineEdit { border: 1px solid #E0E0E0; border-radius: 4px; padding: 0 8px; }";

}  // namespace

LoginCredentialPage::LoginCredentialPage(PageLoginType type, QWidget* parent)
    : QWidget(parent), type_(type), theme_(QString::fromLatin1(cusstyle::kTheme)),
      hover_(QString::fromLatin1(cusstyle::kThemeHover))
{
    setObjectName(type == PageLoginPhone ? QStringLiteral("pagePhone") : QStringLiteral("pageAccount"));
    const bool phone = type == PageLoginPhone;

    credentials_ = new QWidget(this);
    credentials_->setObjectName(QStringLiteral("widgetCredentials"));
    account_ = new CusLineEdit(credentials_);
    account_->setObjectName(QStringLiteral("editAccount"));
    account_->setAccessibleName(phone ? QStringLiteral("手机号") : QStringLiteral("账号"));
    account_->setPlaceholderText(phone ? QStringLiteral("请输入手机号") : QStringLiteral("请输入账号"));
    password_ = new CusPasswordEdit(credentials_);
    password_->setObjectName(QStringLiteral("editPassword"));
    password_->setAccessibleName(QStringLiteral("密码"));
    password_->setPlaceholderText(QStringLiteral("请输入密码"));
    auto* credentialLayout = new QVBoxLayout(credentials_);
    credentialLayout->setContentsMargins(0, 0, 0, 0);
    credentialLayout->setSpacing(14);
    for (QLineEdit* edit : {static_cast<QLineEdit*>(account_), static_cast<QLineEdit*>(password_)}) {
        edit->setFixedHeight(40);
        edit->setStyleSheet(QString::fromLatin1(kEditStyle));
        credentialLayout->addWidget(edit);
    }

    codeRow_ = new QWidget(this);
    codeRow_->setObjectName(QStringLiteral("widgetCode"));
    code_ = new CusLineEdit(codeRow_);
    code_->setObjectName(QStringLiteral("editAuthCode"));
    code_->setAccessibleName(QStringLiteral("验证码"));
    code_->setPlaceholderText(QStringLiteral("请输入验证码"));
    code_->setFixedHeight(40);
    code_->setStyleSheet(QString::fromLatin1(kEditStyle));
    codeButton_ = new QPushButton(QStringLiteral("发送验证码"), codeRow_);
    codeButton_->setObjectName(QStringLiteral("btnAuthCode"));
    codeButton_->setAccessibleName(QStringLiteral("发送验证码"));
    codeButton_->setFixedSize(110, 40);
    codeButton_->setCursor(Qt::PointingHandCursor);
    auto* codeLayout = new QHBoxLayout(codeRow_);
    codeLayout->setContentsMargins(0, 0, 0, 0);
    codeLayout->addWidget(code_, 1);
    codeLayout->addWidget(codeButton_);

    bindRow_ = new QWidget(this);
    bindRow_->setObjectName(QStringLiteral("widgetBind"));
    bind_ = new QCheckBox(QStringLiteral("绑定此设备"), bindRow_);
    bind_->setObjectName(QStringLiteral("switchBindDev"));
    bind_->setAccessibleName(QStringLiteral("绑定此设备"));
    auto* note = new QLabel(QStringLiteral("*信任并绑定设备后可无需验证码"), bindRow_);
    note->setObjectName(QStringLiteral("labelBindNote"));
    note->setStyleSheet(QStringLiteral("color: %1; font-size: 12px;").arg(QLatin1String(cusstyle::kTextMuted)));
    bindList_ = new QPushButton(QStringLiteral("查看绑定设备"), bindRow_);
    bindList_->setObjectName(QStringLiteral("btnBindList"));
    bindList_->setAccessibleName(QStringLiteral("查看绑定设备"));
    bindList_->setFlat(true);
    bindList_->setCursor(Qt::PointingHandCursor);
    // The note has a line of its own under the switch: beside it and the button the row is
    // narrower than the note, which was cut.
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);
    auto* switchLayout = new QHBoxLayout;
    switchLayout->setContentsMargins(0, 0, 0, 0);
    switchLayout->addWidget(bind_);
    switchLayout->addStretch(1);
    switchLayout->addWidget(bindList_);
    auto* bindLayout = new QVBoxLayout(bindRow_);
    bindLayout->setContentsMargins(0, 0, 0, 0);
    bindLayout->setSpacing(2);
    bindLayout->addLayout(switchLayout);
    bindLayout->addWidget(note);

    remember_ = new QCheckBox(phone ? QStringLiteral("记住手机号") : QStringLiteral("记住账号"), this);
    remember_->setObjectName(QStringLiteral("checkRemember"));
    remember_->setAccessibleName(remember_->text());
    // A flat button drawn as a link: reached by Tab, pressed by Enter or Space, and by a screen
    // reader's press.
    reset_ = new QPushButton(QStringLiteral("重置密码"), this);
    reset_->setObjectName(QStringLiteral("linkResetPwd"));
    reset_->setAccessibleName(QStringLiteral("重置密码"));
    reset_->setFlat(true);
    reset_->setAutoDefault(true);
    reset_->setFocusPolicy(Qt::StrongFocus);
    reset_->setCursor(Qt::PointingHandCursor);
    applyResetStyle();
    auto* optionLayout = new QHBoxLayout;
    optionLayout->addWidget(remember_);
    optionLayout->addStretch(1);
    optionLayout->addWidget(reset_);

    login_ = new QPushButton(loginText(), this);
    login_->setObjectName(QStringLiteral("btnLogin"));
    login_->setAccessibleName(QStringLiteral("登录"));
    login_->setFixedHeight(42);
    login_->setCursor(Qt::PointingHandCursor);
    tip_ = new CusTipLabel(this);
    tip_->setObjectName(QStringLiteral("labelTip"));
    tip_->setWordWrap(true);
    tip_->setAlignment(Qt::AlignCenter);
    tip_->setMinimumHeight(40);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 20, 30, 10);
    layout->setSpacing(14);
    layout->addWidget(credentials_);
    layout->addWidget(codeRow_);
    layout->addWidget(bindRow_);
    layout->addLayout(optionLayout);
    layout->addWidget(login_);
    layout->addWidget(tip_);
    layout->addStretch(1);

    connect(login_, &QPushButton::clicked, this, &LoginCredentialPage::loginClicked);
    connect(codeButton_, &QPushButton::clicked, this, &LoginCredentialPage::codeClicked);
    connect(remember_, &QCheckBox::clicked, this, &LoginCredentialPage::rememberClicked);
    connect(reset_, &QPushButton::clicked, this, &LoginCredentialPage::resetClicked);
    connect(bindList_, &QPushButton::clicked, this, &LoginCredentialPage::bindListClicked);

    setStep(1);
    applyButtonStyle();
}

void LoginCredentialPage::setStep(int step)
{
    step_ = step == 2 ? 2 : 1;
    const bool second = step_ == 2;
    codeRow_->setVisible(second || codeAlone_);
    bindRow_->setVisible(second && bindVisible_);
    if (second) {
        credentials_->setMinimumHeight(0);
        credentials_->setMaximumHeight(QWIDGETSIZE_MAX);
    } else {
        credentials_->setFixedHeight(kStepOneHeight);
    }
}

void LoginCredentialPage::setCodeVisible(bool visible, const QString& placeholder)
{
    codeAlone_ = visible;
    code_->setPlaceholderText(placeholder);
    codeRow_->setVisible(visible || step_ == 2);
}

bool LoginCredentialPage::isCodeVisible() const
{
    return !codeRow_->isHidden();
}

void LoginCredentialPage::setBindVisible(bool visible)
{
    bindVisible_ = visible;
    if (!visible) {
        bind_->setChecked(false);
    }
    bindRow_->setVisible(step_ == 2 && visible);
}

QString LoginCredentialPage::bindFlag() const
{
    return bind_->isChecked() ? QStringLiteral("01") : QStringLiteral("02");
}

void LoginCredentialPage::setLoggingState(bool logging, bool clear)
{
    logging_ = logging;
    if (!logging && clear) {
        account_->clear();
        password_->clear();
        code_->clear();
    }
    login_->setText(logging ? loggingText() : loginText());
    login_->setEnabled(!logging);
    reset_->setEnabled(!logging);
    if (!logging) {
        account_->setReadOnly(false);
        password_->setReadOnly(false);
    }
    applyButtonStyle();
}

void LoginCredentialPage::setThemeColours(const QString& theme, const QString& hover)
{
    theme_ = theme;
    hover_ = hover;
    applyResetStyle();
    tip_->setColours(QString::fromLatin1(cusstyle::kError), theme);
    applyButtonStyle();
}

void LoginCredentialPage::applyResetStyle()
{
    reset_->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; color: %1; padding: 0; }"
                                         "QPushButton:hover, QPushButton:focus { text-decoration: underline; }"
                                         "QPushButton:disabled { color: %2; }")
                              .arg(theme_, QLatin1String(cusstyle::kTextMuted)));
}

void LoginCredentialPage::applyButtonStyle()
{
    if (logging_) {
        login_->setStyleSheet(QStringLiteral("QPushButton { background: white; color: %1; border: 1px solid #C0C4CC; "
                                             "border-radius: 4px; font-size: 16px; }")
                                  .arg(QLatin1String(cusstyle::kTextMuted)));
    } else {
        login_->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; "
                                             "border-radius: 4px; font-size: 16px; }"
                                             "QPushButton:hover { background: %2; }")
                                  .arg(theme_, hover_));
    }
    bindList_->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; background: transparent; "
                                            "font-size: 12px; }").arg(theme_));
    codeButton_->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: 1px solid %1; border-radius: 4px; "
                                              "background: white; } QPushButton:disabled { color: #8F959E; "
                                              "border-color: #DCDFE6; }")
                                   .arg(theme_));
}

void LoginCredentialPage::setTip(const QString& text, const QString& colour)
{
    tip_->setTip(text, colour);
}

void LoginCredentialPage::fillLocked(const QString& account, const QString& password)
{
    account_->setText(account);
    password_->setText(password);
    account_->setReadOnly(true);
    password_->setReadOnly(true);
}
