#include "src/Views/pagespa.h"

#include "app/common.h"
#include "comm/uicomm.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"
#include "corviscommon/secretmask.h"
#include "login/authcodereply.h"
#include "login/countdown.h"
#include "platform/corvismsg/msgoptions.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/cuspasswordedit.h"
#include "src/CustomControl/cusstyle.h"
#include "src/CustomControl/custabbar.h"
#include "src/CustomControl/custabwidget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

using corvis::Edition;
using Field = SpaRules::Field;
using ResetStep = SpaRules::ResetStep;

namespace {

const QString kSuccessColour = QStringLiteral("#4AB793");
const QString kLogin = QStringLiteral("登  录");
const QString kSimLogin = QStringLiteral("SIM登录");
const QString kLoggingIn = QStringLiteral("正在登录中...");
const QString kResetting = QStringLiteral("正在重置SPA...");
const QString kConnecting = QStringLiteral("正在连接CORVIS服务器...");
const QString kConnected = QStringLiteral("连接服务器成功");
const QString kControllerUnreachable = QStringLiteral("连接控制器失败，请检查网络是否正常！");
// What the messaging library answers when a service does not: a knock without an outcome ends so.
const QString kNoAnswer = QStringLiteral("后台通信失败");
const QString kGetCode = QStringLiteral("获取验证码");
const QString kSubmit = QStringLiteral("提交");
const QString kSubmitting = QStringLiteral("提交中，请稍后...");
const QString kChanged = QStringLiteral("修改成功，3s后自动返回登录界面");
const char* const kEditStyle = "QLineEdit { border: 1px solid #E0E0E0; border-radius: 4px; padding: 0 8px; }";

template <typename Edit>
Edit* makeEdit(QWidget* parent, const char* name, const QString& accessible, const QString& placeholder)
{
    auto* edit = new Edit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(accessible);
    edit->setPlaceholderText(placeholder);
    edit->setFixedHeight(40);
    edit->setStyleSheet(QString::fromLatin1(kEditStyle));
    return edit;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, const QString& accessible)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(accessible);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QPushButton* makeLoginButton(QWidget* parent, const char* name, const QString& text, const QString& accessible)
{
    QPushButton* button = makeButton(parent, name, text, accessible);
    button->setFixedHeight(42);
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 4px; "
                                         "font-size: 16px; }"
                                         "QPushButton:hover { background: %2; }"
                                         "QPushButton:disabled { background: white; color: %3; border: 1px solid %4; }")
                              .arg(QLatin1String(cusstyle::kTheme), QLatin1String(cusstyle::kThemeHover),
                                   QLatin1String(cusstyle::kTextMuted), QLatin1String(cusstyle::kBorder)));
    return button;
}

QLabel* makeHint(QWidget* parent, const char* name)
{
    auto* hint = new QLabel(parent);
    hint->setObjectName(QLatin1String(name));
    // Outcome texts come from the tray and the services: never markup.
    hint->setTextFormat(Qt::PlainText);
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignCenter);
    hint->setMinimumHeight(24);
    return hint;
}

}  // namespace

PageSPA* PageSPA::instance()
{
    static PageSPA* page = new PageSPA();
    return page;
}

PageSPA::PageSPA() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("PageSPA"));

    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("labelSpaTitle"));
    title_->setTextFormat(Qt::PlainText);
    title_->setAlignment(Qt::AlignCenter);
    back_ = makeButton(this, "btnSpaBack", QStringLiteral("返回"), QStringLiteral("返回"));
    back_->setFlat(true);
    back_->setStyleSheet(QStringLiteral("color: %1; font-size: 14px; border: none;").arg(QLatin1String(cusstyle::kTheme)));
    back_->setVisible(false);
    connect(back_, &QPushButton::clicked, this, &PageSPA::onOauthToLogin);
    QPushButton* minimise = makeButton(this, "btnSpaMin", QString(), QStringLiteral("最小化"));
    minimise->setIcon(QIcon(QStringLiteral(":/resources/Img/btn_min.png")));
    minimise->setFlat(true);
    QPushButton* close = makeButton(this, "btnSpaClose", QString(), QStringLiteral("关闭"));
    close->setIcon(QIcon(QStringLiteral(":/resources/Img/btn_close.png")));
    close->setFlat(true);
    connect(minimise, &QPushButton::clicked, this, [this] { emit sendWindowsChange(0); });
    connect(close, &QPushButton::clicked, this, [this] { emit sendWindowsChange(1); });
    auto* softName = new QLabel(Common::softName(), this);
    softName->setObjectName(QStringLiteral("labelSpaSoftName"));
    softName->setTextFormat(Qt::PlainText);
    softName->setStyleSheet(QStringLiteral("font-size: 16px; color: %1;").arg(QLatin1String(cusstyle::kTitle)));
    auto* titleBar = new QHBoxLayout;
    titleBar->addWidget(softName);
    titleBar->addStretch(1);
    titleBar->addWidget(minimise);
    titleBar->addWidget(close);

    stack_ = new QStackedWidget(this);
    stack_->setObjectName(QStringLiteral("spaStack"));
    stack_->addWidget(buildAccountPage());
    stack_->addWidget(buildOauthTabs());
    stack_->addWidget(buildSimPage());

    mode_ = makeButton(this, "btnSpaChangeMode", QStringLiteral("SIM认证"), QStringLiteral("切换认证方式"));
    mode_->setFlat(true);
    mode_->setStyleSheet(QStringLiteral("color: %1; font-size: 14px; border: none;").arg(QLatin1String(cusstyle::kTheme)));
    connect(mode_, &QPushButton::clicked, this, &PageSPA::slot_btn_change_login_mode_clicked);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("widgetSpaPanel"));
    panel->setFixedSize(420, 520);
    panel->setAttribute(Qt::WA_StyledBackground);
    panel->setStyleSheet(QStringLiteral("#widgetSpaPanel { background: white; border-radius: 8px; }"));
    auto* backRow = new QHBoxLayout;
    backRow->addWidget(back_);
    backRow->addStretch(1);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(10, 18, 10, 14);
    panelLayout->addLayout(backRow);
    panelLayout->addWidget(title_);
    panelLayout->addWidget(stack_, 1);
    panelLayout->addWidget(mode_, 0, Qt::AlignHCenter);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(40, 10, 40, 30);
    body->addStretch(1);
    body->addWidget(panel, 0, Qt::AlignVCenter);
    body->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->addLayout(titleBar);
    layout->addLayout(body, 1);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("PageSPA { background: qlineargradient(x1:0, y1:0, x2:1, y2:1, "
                                 "stop:0 %1, stop:1 #F5F7FA); }")
                      .arg(QLatin1String(cusstyle::kTheme)));

    outcomeTimer_ = new QTimer(this);
    outcomeTimer_->setObjectName(QStringLiteral("spaOutcomeTimer"));
    outcomeTimer_->setSingleShot(true);
    connect(outcomeTimer_, &QTimer::timeout, this, &PageSPA::onOutcomeTimeout);
    resetReturnTimer_ = new QTimer(this);
    resetReturnTimer_->setObjectName(QStringLiteral("spaResetReturnTimer"));
    resetReturnTimer_->setSingleShot(true);
    resetReturnTimer_->setInterval(3000);
    connect(resetReturnTimer_, &QTimer::timeout, this, &PageSPA::onOauthToLogin);
    resetCountDown_ = new CountDown(QStringLiteral("spaResetCodeCountDown"), this);
    connect(resetCountDown_, &CountDown::changed, this, &PageSPA::refreshResetCodeButton);
    connect(resetCountDown_, &CountDown::finished, this, &PageSPA::refreshResetCodeButton);

    // These editions knock with the account of their own configuration section.
    if (SpaRules::keepsConfiguredAccount(Common::edition())) {
        account_->setText(Common::vlsUserName());
        password_->setText(Common::vlsPassword());
    }
    initSPAPage(RedoSpaNormal);
}

QWidget* PageSPA::buildAccountPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("pageSpaAccount"));
    account_ = makeEdit<CusLineEdit>(page, "editSpaAccount", QStringLiteral("账号"), QStringLiteral("请输入账号"));
    password_ = makeEdit<CusPasswordEdit>(page, "editSpaPassword", QStringLiteral("密码"), QStringLiteral("请输入密码"));
    login_ = makeLoginButton(page, "btnSpaLogin", kLogin, QStringLiteral("登录"));
    accountHint_ = makeHint(page, "labelSpaAccountHint");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(30, 20, 30, 10);
    layout->setSpacing(14);
    layout->addWidget(account_);
    layout->addWidget(password_);
    layout->addWidget(login_);
    layout->addWidget(accountHint_);
    layout->addStretch(1);
    connect(login_, &QPushButton::clicked, this, &PageSPA::slot_btn_common_login_clicked);
    for (QLineEdit* edit : {static_cast<QLineEdit*>(account_), static_cast<QLineEdit*>(password_)}) {
        connect(edit, &QLineEdit::returnPressed, this, &PageSPA::slot_btn_common_login_clicked);
    }
    return page;
}

QWidget* PageSPA::buildQrcodeTab(const QString& name, QLabel** hint, QPushButton** login)
{
    auto* tab = new QWidget(this);
    auto* note = new QLabel(QStringLiteral("点击登录后，请使用%1扫描弹出的二维码完成认证").arg(name), tab);
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignCenter);
    note->setStyleSheet(QStringLiteral("font-size: 14px; color: %1;").arg(QLatin1String(cusstyle::kText)));
    *login = makeLoginButton(tab, "btnSpaQrcodeLogin", kLogin, QStringLiteral("登录"));
    *hint = makeHint(tab, "labelSpaQrcodeHint");
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(30, 30, 30, 10);
    layout->setSpacing(14);
    layout->addWidget(note);
    layout->addWidget(*login);
    layout->addWidget(*hint);
    layout->addStretch(1);
    connect(*login, &QPushButton::clicked, this, &PageSPA::slot_btn_common_login_clicked);
    return tab;
}

QWidget* PageSPA::buildOauthTabs()
{
    oauthTabs_ = new CusTabWidget(this);
    oauthTabs_->setObjectName(QStringLiteral("spaOauthTabs"));
    // A document-mode bar spans the whole width, which would leave the tabs on the left.
    oauthTabs_->setDocumentMode(false);
    oauthTabs_->setTabsCentered(true);

    oauthTabs_->addTab(buildQrcodeTab(QStringLiteral("手机扫码应用"), &qrcodeHint_, &qrcodeLogin_), QStringLiteral("扫码登录"));
    oauthTabs_->addTab(buildQrcodeTab(QStringLiteral("微信"), &wechatHint_, &wechatLogin_), QStringLiteral("微信扫码"));
    wechatLogin_->setObjectName(QStringLiteral("btnSpaWechatLogin"));
    wechatHint_->setObjectName(QStringLiteral("labelSpaWechatHint"));

    auto* account = new QWidget(this);
    oauthAccount_ = makeEdit<CusLineEdit>(account, "editSpaOauthAccount", QStringLiteral("手机号码"), QStringLiteral("请输入手机号码"));
    oauthPassword_ = makeEdit<CusPasswordEdit>(account, "editSpaOauthPassword", QStringLiteral("密码"), QStringLiteral("请输入密码"));
    oauthLogin_ = makeLoginButton(account, "btnSpaOauthLogin", kLogin, QStringLiteral("登录"));
    oauthHint_ = makeHint(account, "labelSpaOauthHint");
    forget_ = makeButton(account, "btnSpaOauthForget", QStringLiteral("忘记密码"), QStringLiteral("忘记密码"));
    forget_->setFlat(true);
    forget_->setStyleSheet(QStringLiteral("color: %1; border: none;").arg(QLatin1String(cusstyle::kTheme)));
    auto* accountLayout = new QVBoxLayout(account);
    accountLayout->setContentsMargins(30, 20, 30, 10);
    accountLayout->setSpacing(14);
    accountLayout->addWidget(oauthAccount_);
    accountLayout->addWidget(oauthPassword_);
    accountLayout->addWidget(forget_, 0, Qt::AlignRight);
    accountLayout->addWidget(oauthLogin_);
    accountLayout->addWidget(oauthHint_);
    accountLayout->addStretch(1);
    connect(oauthLogin_, &QPushButton::clicked, this, &PageSPA::slot_btn_common_login_clicked);
    connect(oauthPassword_, &QLineEdit::returnPressed, this, &PageSPA::slot_btn_common_login_clicked);
    connect(forget_, &QPushButton::clicked, this, &PageSPA::onOauthToReset);
    oauthTabs_->addTab(account, QStringLiteral("账号登录"));

    oauthTabs_->addTab(buildResetForm(), QStringLiteral("重置密码"));
    oauthTabs_->setTabVisible(OauthReset, false);
    connect(oauthTabs_, &QTabWidget::currentChanged, this, &PageSPA::onOauthTabChanged);
    return oauthTabs_;
}

QWidget* PageSPA::buildResetForm()
{
    auto* form = new QWidget(this);
    form->setObjectName(QStringLiteral("pageSpaReset"));
    resetUser_ = makeEdit<CusLineEdit>(form, "editSpaResetUser", QStringLiteral("用户名"), QStringLiteral("请输入用户名"));
    resetMobile_ = makeEdit<CusLineEdit>(form, "editSpaResetMobile", QStringLiteral("手机号"), QStringLiteral("请输入手机号"));
    resetPassword_ = makeEdit<CusPasswordEdit>(form, "editSpaResetPassword", QStringLiteral("新密码"), QStringLiteral("请输入新密码"));
    resetRepeated_ =
        makeEdit<CusPasswordEdit>(form, "editSpaResetRepeated", QStringLiteral("确认新密码"), QStringLiteral("请再次输入新密码"));
    resetCode_ = makeEdit<CusLineEdit>(form, "editSpaResetCode", QStringLiteral("手机验证码"), QStringLiteral("请输入手机验证码"));
    resetCodeButton_ = makeButton(form, "btnSpaResetAuthCode", kGetCode, QStringLiteral("获取验证码"));
    resetCodeButton_->setFixedSize(110, 40);
    resetCommit_ = makeLoginButton(form, "btnSpaResetCommit", kSubmit, QStringLiteral("提交"));
    resetHint_ = makeHint(form, "labelSpaResetHint");
    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(resetCode_, 1);
    codeRow->addWidget(resetCodeButton_);
    auto* layout = new QVBoxLayout(form);
    layout->setContentsMargins(30, 6, 30, 6);
    layout->setSpacing(10);
    for (QLineEdit* edit : {static_cast<QLineEdit*>(resetUser_), static_cast<QLineEdit*>(resetMobile_),
                            static_cast<QLineEdit*>(resetPassword_), static_cast<QLineEdit*>(resetRepeated_)}) {
        layout->addWidget(edit);
    }
    layout->addLayout(codeRow);
    layout->addWidget(resetCommit_);
    layout->addWidget(resetHint_);
    layout->addStretch(1);
    connect(resetCodeButton_, &QPushButton::clicked, this, [this] { onOauthResetBtnAuthCode(true); });
    connect(resetCommit_, &QPushButton::clicked, this, [this] { onOauthResetBtnCommit(true); });
    return form;
}

QWidget* PageSPA::buildSimPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("pageSpaSim"));
    sim_ = makeEdit<CusLineEdit>(page, "editSpaSim", QStringLiteral("手机号码"), QStringLiteral("请输入手机号码"));
    simLogin_ = makeLoginButton(page, "btnSpaSimLogin", kSimLogin, QStringLiteral("SIM登录"));
    simHint_ = makeHint(page, "labelSpaSimHint");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(30, 20, 30, 10);
    layout->setSpacing(14);
    layout->addWidget(sim_);
    layout->addWidget(simLogin_);
    layout->addWidget(simHint_);
    layout->addStretch(1);
    connect(simLogin_, &QPushButton::clicked, this, &PageSPA::slot_btn_common_login_clicked);
    connect(sim_, &QLineEdit::returnPressed, this, &PageSPA::slot_btn_common_login_clicked);
    return page;
}

// ---------------------------------------------------------------------------------------------
// Small helpers

void PageSPA::setLabelText(QLabel* label, const QString& text, bool ok)
{
    label->setStyleSheet(ok ? QStringLiteral("font-size:14px;color:%1").arg(kSuccessColour)
                            : QStringLiteral("font-size:14px;color:red;"));
    label->setText(text);
}

void PageSPA::setControlsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{account_, password_, login_, mode_, qrcodeLogin_, wechatLogin_,
                                                      oauthAccount_, oauthPassword_, oauthLogin_, forget_, sim_,
                                                      simLogin_, oauthTabs_->tabBar()}) {
        w->setEnabled(enabled);
    }
}

void PageSPA::clearHints()
{
    for (QLabel* hint : {accountHint_, qrcodeHint_, wechatHint_, oauthHint_, resetHint_, simHint_}) {
        hint->clear();
    }
}

void PageSPA::clearCredentials()
{
    if (!SpaRules::keepsConfiguredAccount(Common::edition())) {
        account_->clear();
        password_->clear();
    }
    sim_->clear();
    oauthAccount_->clear();
    oauthPassword_->clear();
}

void PageSPA::clearResetForm()
{
    for (QLineEdit* edit : {static_cast<QLineEdit*>(resetUser_), static_cast<QLineEdit*>(resetMobile_),
                            static_cast<QLineEdit*>(resetPassword_), static_cast<QLineEdit*>(resetRepeated_),
                            static_cast<QLineEdit*>(resetCode_)}) {
        edit->clear();
    }
    resetHint_->clear();
}

QLabel* PageSPA::oauthTabHint(int tab) const
{
    switch (tab) {
    case OauthQrcode:
        return qrcodeHint_;
    case OauthWechat:
        return wechatHint_;
    case OauthAccount:
        return oauthHint_;
    default:
        return resetHint_;
    }
}

void PageSPA::setTitleText(const QString& text, bool reset)
{
    title_->setText(text);
    title_->setStyleSheet(reset ? QStringLiteral("font-size: 20px;color: black;") : QStringLiteral("font-size: 28px;color: black;"));
}

void PageSPA::applyTitles(int page)
{
    const SpaRules::Titles titles = SpaRules::titles(Common::edition(), page);
    mode_->setText(titles.modeButton);
    const QPixmap logo =
        titles.logo ? QPixmap(corvis::paths::resource(QStringLiteral("logo_kav.png"))) : QPixmap();
    if (!logo.isNull()) {
        title_->setText(QString());
        title_->setPixmap(logo.scaled(95, 95, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    } else {
        // Without its picture (a damaged installation) the page keeps a title.
        setTitleText(titles.title, false);
    }
    // The mode button leads between the account and the SIM page, where SIM is offered.
    mode_->setVisible(page != SpaRules::PageOauth && Common::spaSim() == 1);
}

void PageSPA::focusField(Field field)
{
    QLineEdit* edit = nullptr;
    switch (field) {
    case Field::Account: edit = account_; break;
    case Field::Password: edit = password_; break;
    case Field::Mobile: edit = sim_; break;
    case Field::OauthAccount: edit = oauthAccount_; break;
    case Field::OauthPassword: edit = oauthPassword_; break;
    case Field::ResetUser: edit = resetUser_; break;
    case Field::ResetMobile: edit = resetMobile_; break;
    case Field::ResetPassword: edit = resetPassword_; break;
    case Field::ResetRepeated: edit = resetRepeated_; break;
    case Field::ResetCode: edit = resetCode_; break;
    case Field::None: break;
    }
    if (edit != nullptr) {
        edit->setFocus();
    }
}

bool PageSPA::isKnocking() const
{
    return knocking_ || (resetStep_ != ResetStep::None && resetAtTray_);
}

// ---------------------------------------------------------------------------------------------
// Resetting the page

void PageSPA::initSPAPage(redoSpaStatus status)
{
    LOG(INFO) << "PageSPA::initSPAPage";
    autoLogin_ = false;
    outcomeTimer_->stop();
    knocking_ = false;
    resetStep_ = ResetStep::None;
    resetAtTray_ = false;
    resetReturnTimer_->stop();
    resetCountDown_->stop();
    setResetSubmitting(false);
    clearResetForm();
    oauthTabs_->setTabVisible(OauthReset, false);

    clearCredentials();
    // Every hint goes first, so that the redo texts below stay.
    clearHints();
    if (status == RedoSpaStart) {
        login_->setText(kResetting);
        simLogin_->setText(kResetting);
        setLabelText(qrcodeHint_, kResetting, true);
        setLabelText(wechatHint_, kResetting, true);
        oauthLogin_->setText(kLoggingIn);
        setControlsEnabled(false);
    } else {
        login_->setText(kLogin);
        simLogin_->setText(kSimLogin);
        oauthLogin_->setText(kLogin);
        setControlsEnabled(true);
    }

    const Edition edition = Common::edition();
    if (edition.is(Edition::Id::BrastelZtna)) {
        oauthAccount_->clear();
        oauthPassword_->clear();
    }
    const int page = SpaRules::startPage(edition, Common::spaLoginType(), Common::spaSim(), Common::spaOauth());
    stack_->setCurrentIndex(page);
    if (page == SpaRules::PageOauth) {
        oauthTabs_->setCurrentIndex(OauthQrcode);
    }
    applyTitles(page);
    back_->setVisible(false);
}

void PageSPA::exitClear()
{
    LOG(INFO) << "PageSPA::exitClear";
    // Only what was typed and kept: a redo under way keeps its state.
    autoLogin_ = false;
    storedAccount_.clear();
    storedPassword_.clear();
    clearCredentials();
    clearResetForm();
}

void PageSPA::slot_btn_change_login_mode_clicked()
{
    const int page = stack_->currentIndex();
    LOG(INFO) << "slot_btn_change_login_mode_clicked, currentIndex:" << page;
    if (page == SpaRules::PageSim) {
        stack_->setCurrentIndex(SpaRules::PageAccount);
        applyTitles(SpaRules::PageAccount);
        simHint_->clear();
    } else if (page == SpaRules::PageAccount) {
        stack_->setCurrentIndex(SpaRules::PageSim);
        applyTitles(SpaRules::PageSim);
        accountHint_->clear();
    }
}

// ---------------------------------------------------------------------------------------------
// OAuth tabs

void PageSPA::onOauthTabChanged(int index)
{
    const bool reset = index == OauthReset;
    oauthTabs_->tabBar()->setVisible(!reset);
    back_->setVisible(reset);
    if (reset) {
        setTitleText(QStringLiteral("重置密码"), true);
        return;
    }
    // Leaving the form gives up its step: a late authorization finds no form to continue.
    cancelResetStep();
    oauthTabs_->setTabVisible(OauthReset, false);
    setTitleText(QStringLiteral("预认证"), false);
}

void PageSPA::cancelResetStep()
{
    if (resetStep_ == ResetStep::None) {
        return;
    }
    LOG(INFO) << "the reset step under way is given up";
    finishResetStep(resetStep_);
    setResetSubmitting(false);
    refreshResetCodeButton();
}

void PageSPA::onOauthToLogin()
{
    resetReturnTimer_->stop();
    oauthTabs_->setCurrentIndex(OauthAccount);
    oauthTabs_->setTabVisible(OauthReset, false);
}

void PageSPA::onOauthToReset()
{
    resetReturnTimer_->stop();
    clearResetForm();
    stack_->setCurrentIndex(SpaRules::PageOauth);
    mode_->setVisible(false);
    oauthTabs_->setTabVisible(OauthReset, true);
    oauthTabs_->setCurrentIndex(OauthReset);
}

bool PageSPA::isInOauthResetPage() const
{
    return stack_->currentIndex() == SpaRules::PageOauth && oauthTabs_->currentIndex() == OauthReset;
}

// ---------------------------------------------------------------------------------------------
// Knocking

void PageSPA::slot_btn_common_login_clicked()
{
    const int page = stack_->currentIndex();
    LOG(INFO) << "slot_btn_common_login_clicked, currentIndex:" << page;
    if (isKnocking()) {
        // One request at a time: the outcome of the first one decides.
        LOG(INFO) << "an SPA request is under way, nothing sent";
        return;
    }
    SpaRules::Input input;
    input.page = page;
    input.tab = oauthTabs_->currentIndex();
    input.account = account_->text();
    input.password = password_->text();
    input.mobile = sim_->text();
    input.oauthAccount = oauthAccount_->text();
    input.oauthPassword = oauthPassword_->text();
    input.storedPassword = storedPassword_;
    const SpaRules::Knock knock = SpaRules::knock(input);
    if (!knock.known) {
        LOG(WARNING) << "exception index: " << (page == SpaRules::PageOauth ? input.tab : page);
        return;
    }
    QLabel* hint = page == SpaRules::PageAccount ? accountHint_ : page == SpaRules::PageSim ? simHint_ : oauthTabHint(input.tab);
    hint->clear();
    if (!knock.valid) {
        setLabelText(hint, knock.hint, false);
        focusField(knock.focus);
        return;
    }

    setControlsEnabled(false);
    if (page == SpaRules::PageAccount) {
        login_->setText(kLoggingIn);
    } else if (page == SpaRules::PageSim) {
        simLogin_->setText(kLoggingIn);
    } else if (input.tab == OauthAccount) {
        oauthLogin_->setText(kLoggingIn);
    } else {
        setLabelText(hint, kConnecting, true);
    }
    storedAccount_ = knock.account;
    storedPassword_ = knock.password;
    knocking_ = true;
    knockPage_ = page;
    sendKnock(knock.body());
}

void PageSPA::sendKnock(const QString& body)
{
    // The tray never answers request 37 itself; its outcome is pushed. Without one the knock ends
    // when the messaging library would have given up on a reply.
    outcomeTimer_->start(corvismsg::receiveTimeoutMs());
    UiComm::instance()->apiCorvistrayCommon(CReqTraySpaLogin, body);
}

void PageSPA::onOutcomeTimeout()
{
    LOG(WARNING) << "no SPA outcome from corvistray within " << outcomeTimer_->interval() << " ms";
    slot_SPA_login_result(false, kNoAnswer);
}

void PageSPA::onSpaRequestFailed(const QString& text)
{
    if (!isKnocking()) {
        return;
    }
    LOG(WARNING) << "the SPA request did not reach corvistray: " << corvis::logSafe(text);
    slot_SPA_login_result(false, text.isEmpty() ? kNoAnswer : text);
}

void PageSPA::slot_SPA_login_result(bool ok, const QString& msg)
{
    LOG(INFO) << "slot_SPA_login_result, flag:" << ok;
    outcomeTimer_->stop();
    const bool knocked = knocking_;
    knocking_ = false;
    const int page = stack_->currentIndex();
    const int tab = oauthTabs_->currentIndex();
    const bool resetFailure = !ok && page == SpaRules::PageOauth && tab == OauthReset;
    if (!resetFailure && resetAtTray_) {
        // Only the reset form's own failure ends its step below; any other outcome ends it here.
        cancelResetStep();
    }
    setControlsEnabled(true);
    simLogin_->setText(kSimLogin);
    if (ok) {
        setLabelText(accountHint_, kConnected, true);
        setLabelText(simHint_, kConnected, true);
        login_->setText(kLogin);
        if (page == SpaRules::PageOauth) {
            setLabelText(oauthTabHint(tab), kConnected, true);
            oauthLogin_->setText(kLogin);
        }
        // Only credentials this page sent go on to the login (an outcome nobody asked for has none).
        autoLogin_ = page == SpaRules::PageAccount && knocked && knockPage_ == SpaRules::PageAccount
                     && !storedAccount_.isEmpty();
        LOG(INFO) << "slot_SPA_login_result login succ!";
        emit sendSPALoginSucc(storedAccount_, storedPassword_);
        // The login dialog has them now (and needAutoLogin keeps them until asked once).
        clearCredentials();
        if (!autoLogin_) {
            storedPassword_.clear();
        }
    } else {
        LOG(INFO) << "slot_SPA_login_result fail: " << corvis::logSafe(msg);
        login_->setText(SpaRules::retryText(Common::edition()));
        storedPassword_.clear();
        if (page == SpaRules::PageAccount) {
            setLabelText(accountHint_, msg, false);
        } else if (page == SpaRules::PageSim) {
            setLabelText(simHint_, msg, false);
        } else if (tab == OauthQrcode || tab == OauthWechat) {
            setLabelText(oauthTabHint(tab), kControllerUnreachable, false);
        } else if (tab == OauthAccount) {
            setLabelText(oauthHint_, msg, false);
            oauthLogin_->setText(kLogin);
        } else {
            if (SpaRules::failedResetStep(msg, resetStep_) == ResetStep::AuthCode) {
                handleOauthResetAuthCode(kControllerUnreachable, true);
            } else {
                handleOauthResetCommit(kControllerUnreachable, true);
            }
        }
    }
    emit spaResultShown(ok, msg);
}

bool PageSPA::needAutoLogin(QString& account, QString& password)
{
    if (!autoLogin_) {
        return false;
    }
    autoLogin_ = false;
    account = storedAccount_;
    password = storedPassword_;
    storedPassword_.clear();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Password reset (OAuth tab 3)

SpaRules::ResetInput PageSPA::resetInput() const
{
    return SpaRules::ResetInput{resetUser_->text(), resetMobile_->text(), resetPassword_->text(), resetRepeated_->text(),
                                resetCode_->text()};
}

void PageSPA::sendResetStep(ResetStep step)
{
    const bool commit = step == ResetStep::Commit;
    const SpaRules::Check check = SpaRules::resetCheck(resetInput(), commit);
    if (!check.ok) {
        setLabelText(resetHint_, check.hint, false);
        focusField(check.focus);
        return;
    }
    resetHint_->clear();
    resetStep_ = step;
    resetAtTray_ = true;
    if (commit) {
        setResetSubmitting(true);
    } else {
        resetCodeButton_->setEnabled(false);
    }
    sendKnock(SpaRules::resetStepBody(commit));
}

void PageSPA::finishResetStep(ResetStep step)
{
    if (resetStep_ == step) {
        resetStep_ = ResetStep::None;
        resetAtTray_ = false;
        outcomeTimer_->stop();
    }
}

void PageSPA::onOauthResetBtnAuthCode(bool clicked)
{
    LOG(INFO) << "PageSPA::onOauthResetBtnAuthCode, clicked: " << clicked;
    if (clicked) {
        if (resetStep_ != ResetStep::None || resetCountDown_->isRunning()) {
            LOG(INFO) << "a reset step is under way, nothing sent";
            return;
        }
        sendResetStep(ResetStep::AuthCode);
        return;
    }
    // The tray authorized the step this form asked for: on to the client service.
    if (resetStep_ != ResetStep::AuthCode || !resetAtTray_) {
        LOG(INFO) << "no code step waits for the authorization, nothing sent";
        return;
    }
    const SpaRules::ResetInput input = resetInput();
    const SpaRules::Check check = SpaRules::resetCheck(input, false);
    if (!check.ok) {
        finishResetStep(ResetStep::AuthCode);
        refreshResetCodeButton();
        setLabelText(resetHint_, check.hint, false);
        focusField(check.focus);
        return;
    }
    outcomeTimer_->stop();
    resetAtTray_ = false;
    UiComm::instance()->apiCorvisclientCommon(CReqClientOauthResetAuthCode, SpaRules::resetAuthCodeBody(input), true);
    emit oauthResetStepStarted(CReqClientOauthResetAuthCode);
}

void PageSPA::onOauthResetBtnCommit(bool clicked)
{
    LOG(INFO) << "PageSPA::onOauthResetBtnCommit, clicked: " << clicked;
    if (clicked) {
        if (resetStep_ != ResetStep::None) {
            LOG(INFO) << "a reset step is under way, nothing sent";
            return;
        }
        sendResetStep(ResetStep::Commit);
        return;
    }
    if (resetStep_ != ResetStep::Commit || !resetAtTray_) {
        LOG(INFO) << "no commit waits for the authorization, nothing sent";
        return;
    }
    const SpaRules::ResetInput input = resetInput();
    const SpaRules::Check check = SpaRules::resetCheck(input, true);
    if (!check.ok) {
        finishResetStep(ResetStep::Commit);
        setResetSubmitting(false);
        setLabelText(resetHint_, check.hint, false);
        focusField(check.focus);
        return;
    }
    outcomeTimer_->stop();
    resetAtTray_ = false;
    UiComm::instance()->apiCorvisclientCommon(CReqClientOauthResetCommit, SpaRules::resetCommitBody(input), true);
    emit oauthResetStepStarted(CReqClientOauthResetCommit);
}

void PageSPA::handleOauthResetAuthCode(const QString& msg, bool failed)
{
    LOG(INFO) << "PageSPA::handleOauthResetAuthCode, failed: " << failed << ", msg: " << corvis::logSafe(msg);
    finishResetStep(ResetStep::AuthCode);
    if (failed) {
        setLabelText(resetHint_, msg.isEmpty() ? kNoAnswer : msg, false);
    } else {
        const AuthCodeReply reply = AuthCodeReply::parse(msg);
        if (reply.outcome == AuthCodeReply::Ok) {
            resetCountDown_->start(reply.seconds);
            if (reply.msg.isEmpty()) {
                resetHint_->clear();
            } else {
                setLabelText(resetHint_, reply.msg, true);
            }
        } else {
            setLabelText(resetHint_, reply.tip(), false);
        }
    }
    refreshResetCodeButton();
    emit oauthResetResultShown(CReqClientOauthResetAuthCode, msg, failed);
}

void PageSPA::handleOauthResetCommit(const QString& msg, bool failed)
{
    LOG(INFO) << "PageSPA::handleOauthResetCommit, failed: " << failed << ", msg: " << corvis::logSafe(msg);
    finishResetStep(ResetStep::Commit);
    setResetSubmitting(false);
    const SpaRules::CommitOutcome outcome = SpaRules::commitOutcome(msg, failed);
    if (outcome.ok) {
        // The new password is set: nothing of it stays on the form.
        clearResetForm();
        resetCountDown_->stop();
        setLabelText(resetHint_, kChanged, true);
        resetReturnTimer_->start();
    } else {
        // What the user typed stays, so that a mistyped code can be corrected.
        setLabelText(resetHint_, outcome.text, false);
    }
    emit oauthResetResultShown(CReqClientOauthResetCommit, msg, failed);
}

void PageSPA::refreshResetCodeButton()
{
    if (resetCountDown_->isRunning()) {
        resetCodeButton_->setEnabled(false);
        resetCodeButton_->setText(CountDown::runningText(resetCountDown_->remaining()));
        return;
    }
    resetCodeButton_->setText(kGetCode);
    resetCodeButton_->setEnabled(resetStep_ != ResetStep::AuthCode);
}

void PageSPA::setResetSubmitting(bool submitting)
{
    resetCommit_->setEnabled(!submitting);
    resetCommit_->setText(submitting ? kSubmitting : kSubmit);
}
