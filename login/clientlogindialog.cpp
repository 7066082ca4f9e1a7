#include "login/clientlogindialog.h"

#include "app/common.h"
#include "comm/uicomm.h"
#include "corviscommon/command.h"
#include "corviscommon/inifile.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpath.h"
#include "corviscommon/secretmask.h"
#include "login/accountmask.h"
#include "login/authcodereply.h"
#include "login/countdown.h"
#include "login/failurelock.h"
#include "login/imagecode.h"
#include "login/loggingpage.h"
#include "login/logincredentialpage.h"
#include "login/loginedition.h"
#include "login/loginlockcountdown.h"
#include "login/loginresultfile.h"
#include "login/passwordrules.h"
#include "login/resetpasswordpage.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/cusmessagebox.h"
#include "src/CustomControl/cuspasswordedit.h"
#include "src/CustomControl/cusstyle.h"
#include "src/CustomControl/custabbar.h"
#include "src/CustomControl/custabwidget.h"
#include "src/CustomControl/custiplabel.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"
#include "src/Views/dialogcommon.h"
#include "src/Views/notbuilt.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QIcon>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum LockPage { LockAccount = 0, LockPhone = 1, LockReset = 2 };

const QString kError = QStringLiteral("#D8424E");

QString joined(const QStringList& fields)
{
    return fields.join(QLatin1Char('\n'));
}

}  // namespace

ClientLoginDialog* ClientLoginDialog::instance()
{
    static ClientLoginDialog* dialog = new ClientLoginDialog();
    return dialog;
}

ClientLoginDialog::ClientLoginDialog()
{
    setObjectName(QStringLiteral("ClientLoginDialog"));
    systemTitleTimer_ = new QTimer(this);
    systemTitleTimer_->setObjectName(QStringLiteral("timerSystemTitle"));
    systemTitleTimer_->setInterval(17000);
    connect(systemTitleTimer_, &QTimer::timeout, this, [this] { querySystemTitle(0); });
    accountCodeCountDown_ = new CountDown(QStringLiteral("accountCodeCountDown"), this);
    loginLockCountDown_ = new LoginLockCountDown(this);
    qrHeartbeatTimer_ = new QTimer(this);
    qrHeartbeatTimer_->setObjectName(QStringLiteral("timerQrHeartbeat"));
    qrHeartbeatTimer_->setInterval(2000);
    phoneCodeCountDown_ = new CountDown(QStringLiteral("phoneCodeCountDown"), this);
    resetCodeCountDown_ = new CountDown(QStringLiteral("resetCodeCountDown"), this);

    buildUi();

    connect(accountCodeCountDown_, &CountDown::changed, this, [this] { refreshCodeButton(PageLoginAccount); });
    connect(accountCodeCountDown_, &CountDown::finished, this, [this] { refreshCodeButton(PageLoginAccount); });
    connect(phoneCodeCountDown_, &CountDown::changed, this, [this] { refreshCodeButton(PageLoginPhone); });
    connect(phoneCodeCountDown_, &CountDown::finished, this, [this] { refreshCodeButton(PageLoginPhone); });
    connect(resetCodeCountDown_, &CountDown::changed, this, &ClientLoginDialog::refreshResetCodeButton);
    connect(resetCodeCountDown_, &CountDown::finished, this, &ClientLoginDialog::refreshResetCodeButton);
    connect(loginLockCountDown_, &LoginLockCountDown::tipChanged, this,
            [this](const QString& tip) { accountPage_->setTip(tip, kError); });
}

bool ClientLoginDialog::isVesk() const
{
    return LoginEdition::isVesk(Common::customProject());
}

QString ClientLoginDialog::theme() const
{
    return LoginEdition::themeColor(Common::customProject());
}

void ClientLoginDialog::buildUi()
{
    const QString project = Common::customProject();
    const QString themeColour = LoginEdition::themeColor(project);
    const QString hover = LoginEdition::themeHoverColor(project);
    const bool vesk = LoginEdition::isVesk(project);

    auto* title = new QLabel(Common::softName(), this);
    title->setObjectName(QStringLiteral("labelLoginTitle"));
    title->setStyleSheet(QStringLiteral("font-size: 16px; color: %1;").arg(QLatin1String(cusstyle::kTitle)));
    minButton_ = new QPushButton(this);
    minButton_->setObjectName(QStringLiteral("btnLoginMin"));
    minButton_->setIcon(QIcon(QStringLiteral(":/resources/Img/btn_min.png")));
    minButton_->setFlat(true);
    closeButton_ = new QPushButton(this);
    closeButton_->setObjectName(QStringLiteral("btnLoginClose"));
    closeButton_->setIcon(QIcon(QStringLiteral(":/resources/Img/btn_close.png")));
    closeButton_->setFlat(true);
    connect(minButton_, &QPushButton::clicked, this, [this] { emit sendWindowsChange(0); });
    connect(closeButton_, &QPushButton::clicked, this, [this] { emit sendWindowsChange(1); });
    auto* titleBar = new QHBoxLayout;
    titleBar->addWidget(title);
    titleBar->addStretch(1);
    titleBar->addWidget(minButton_);
    titleBar->addWidget(closeButton_);

    accountPage_ = new LoginCredentialPage(PageLoginAccount, this);
    phonePage_ = new LoginCredentialPage(PageLoginPhone, this);
    for (LoginCredentialPage* p : {accountPage_, phonePage_}) {
        p->setThemeColours(themeColour, hover);
        const PageLoginType type = p->type();
        connect(p, &LoginCredentialPage::loginClicked, this, [this, type] { onBtnLoginClicked(type); });
        connect(p, &LoginCredentialPage::codeClicked, this, [this, type] { onBtnLoginAuthcodeClicked(type); });
        connect(p, &LoginCredentialPage::rememberClicked, this, [this, type] { onBtnRemAccountClicked(type); });
        connect(p, &LoginCredentialPage::resetClicked, this, &ClientLoginDialog::addResetPage);
        p->rememberBox()->setChecked(type == PageLoginAccount ? Common::rememberAccount() == 1
                                                               : Common::rememberPhone() == 1);
    }
    if (vesk) {
        accountPage_->accountEdit()->setPlaceholderText(QStringLiteral("请输入手机号/柜员号"));
    }
    qrPage_ = new QLabel(QStringLiteral("扫码登录"), this);
    qrPage_->setObjectName(QStringLiteral("pageQrcode"));
    certPage_ = new QLabel(QStringLiteral("证书登录"), this);
    certPage_->setObjectName(QStringLiteral("pageCert"));
    for (QWidget* w : {static_cast<QWidget*>(accountPage_), static_cast<QWidget*>(phonePage_), qrPage_, certPage_}) {
        w->hide();
    }

    tabs_ = new CusTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabWidgetLogin"));
    tabs_->cusTabBar()->setThemeColor(themeColour);
    tabs_->setTabsCentered(true);

    auto* loadingPicture = new QLabel(this);
    loadingPicture->setObjectName(QStringLiteral("labelLoading"));
    loadingPicture->setAlignment(Qt::AlignCenter);
    auto* movie = new QMovie(corvis::installPathQ(QStringLiteral("resource/default/clientmain/loading.gif")),
                             QByteArray(), loadingPicture);
    loadingPicture->setMovie(movie);
    movie->start();
    loading_ = new QStackedWidget(this);
    loading_->setObjectName(QStringLiteral("stackLoading"));
    loading_->addWidget(loadingPicture);
    loading_->addWidget(tabs_);

    resetPage_ = new ResetPasswordPage(this);
    resetPage_->setThemeColours(themeColour, hover);
    resetPage_->setEditionTexts(vesk);
    connect(resetPage_, &ResetPasswordPage::codeClicked, this, &ClientLoginDialog::slot_btn_reset_authcode_clicked);
    connect(resetPage_, &ResetPasswordPage::submitClicked, this, &ClientLoginDialog::slot_btn_reset_clicked);
    connect(resetPage_, &ResetPasswordPage::backClicked, this, [this] {
        clearResetPage();
        outer_->setCurrentIndex(PageLoginTabs);
    });
    loggingPage_ = new LoggingPage(this);

    outer_ = new QStackedWidget(this);
    outer_->setObjectName(QStringLiteral("stackLogin"));
    outer_->addWidget(loading_);
    outer_->addWidget(resetPage_);
    outer_->addWidget(loggingPage_);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("widgetLoginPanel"));
    panel->setFixedSize(420, 520);
    panel->setStyleSheet(QStringLiteral("#widgetLoginPanel { background: white; border-radius: 8px; }"));
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(outer_);

    backVersion_ = new QPushButton(QStringLiteral("版本回退"), this);
    backVersion_->setObjectName(QStringLiteral("btnBackVersion"));
    backVersion_->setFlat(true);
    backVersion_->setVisible(isOpenRollbackUpdate());
    connect(backVersion_, &QPushButton::clicked, this, &ClientLoginDialog::onBackVersionBtn);

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("labelLoginLogo"));
    const QString logoPath = corvis::installPathQ(QStringLiteral("resource/logo.png"));
    logo->setPixmap(QPixmap(QFileInfo::exists(logoPath) ? logoPath : QStringLiteral(":/resources/Img/corvislogo.png"))
                        .scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    auto* name = new QLabel(Common::softName(), this);
    name->setObjectName(QStringLiteral("labelLoginProduct"));
    name->setStyleSheet(QStringLiteral("font-size: 24px; color: white;"));
    auto* left = new QVBoxLayout;
    left->addStretch(1);
    left->addWidget(logo, 0, Qt::AlignHCenter);
    left->addWidget(name, 0, Qt::AlignHCenter);
    left->addStretch(1);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(40, 10, 40, 30);
    body->addLayout(left, 1);
    body->addWidget(panel, 0, Qt::AlignVCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->addLayout(titleBar);
    layout->addLayout(body, 1);
    layout->addWidget(backVersion_, 0, Qt::AlignLeft);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("ClientLoginDialog { background: qlineargradient(x1:0, y1:0, x2:1, y2:1, "
                                 "stop:0 %1, stop:1 #F5F7FA); }")
                      .arg(themeColour));

    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (tabTypes_.value(index, PageLoginAccount) == PageLoginQrcode) {
            LOG(INFO) << "QR-code tab selected";
        }
    });
}

LoginCredentialPage* ClientLoginDialog::page(PageLoginType type) const
{
    return type == PageLoginPhone ? phonePage_ : accountPage_;
}

ClientLoginDialog::PageLoginType ClientLoginDialog::currentLoginType() const
{
    return tabTypes_.value(tabs_->currentIndex(), PageLoginAccount);
}

const st_loginLock& ClientLoginDialog::loginLock() const
{
    return loginLockCountDown_->lock();
}

QString ClientLoginDialog::getEpochTime()
{
    return QString::number(QDateTime::currentMSecsSinceEpoch());
}

bool ClientLoginDialog::isFirstInstall()
{
    char value[1024] = {0};
    ReadStringFromIni(Common::userInfoPath().toLocal8Bit().constData(), "UserInfo", "SessionIDDes", value,
                      sizeof value, "");
    return QString::fromUtf8(value).trimmed().isEmpty();
}

void ClientLoginDialog::querySystemTitle(int attempt)
{
    LOG(INFO) << "FUNC(querySystemTitle) attempt: " << attempt;
    UiComm::instance()->apiCorvisclientCommon(CReqClientQuerySystemTitle, QString(), true);
}

bool ClientLoginDialog::updateCarousel()
{
    const bool ok = PolicyAnalyzer::instance()->parseCarousel(carousel_);
    LOG(INFO) << "FUNC(updateCarousel) ok: " << ok << ", enabled: " << carousel_.isCarouselEnabled
              << ", pictures: " << carousel_.showPic.size();
    return ok;
}

void ClientLoginDialog::initLoginDialog()
{
    LOG(INFO) << "FUNC(ClientLoginDialog::initLoginDialog)";
    hideLogging();
    clearResetPage();
    setPageResetStatus(false, false);
    outer_->setCurrentIndex(PageLoginTabs);
    for (LoginCredentialPage* p : {accountPage_, phonePage_}) {
        setPageLoginStatus(p->type(), false, false);
        p->setStep(1);
    }
    setTabWidgetLoginEnabled(true);
    setLastAccount(PageLoginAccount);
    setLastAccount(PageLoginPhone);
}

void ClientLoginDialog::showCommonResult(int status, ClientReq req)
{
    DialogCommon::instance()->showWindow(PageDialogModifyPwd, cs_ret_status(status), req);
}

// ---- tabs -----------------------------------------------------------------------------------

void ClientLoginDialog::handleSystemTitle()
{
    st_systemTitle title;
    if (!PolicyAnalyzer::instance()->parseSystemTitle(title)) {
        LOG(WARNING) << "system title not readable, query again in 17 s";
        systemTitleTimer_->start();
        return;
    }
    systemTitleTimer_->stop();
    systemTitle_ = title;
    const QString project = Common::customProject();
    if (project == QLatin1String(PROJECT_ROLQ)) {
        if (title.embeddedWeb == 0) {
            UiComm::instance()->apiCorviswebCommon(CReqWebClose, QString());
            if (window()->isMinimized()) {
                window()->showNormal();
            }
        } else {
            window()->hide();
            const QString command =
                QStringLiteral("%1 %2 %3 &")
                    .arg(QStringLiteral("export LD_LIBRARY_PATH= && export QT_QPA_PLATFORM_PLUGIN_PATH= && export "
                                        "QML2_IMPORT_PATH= && export QT_QPA_PLATFORM= &&"),
                         corvis::installPathQ(QStringLiteral("bin/startcorvisweb")),
                         shellQuote(Common::portalIp().toStdString()).c_str());
            LOG(INFO) << "open url: " << command;
            posix_system(command.toStdString());
        }
    }
    if (!online_) {
        showLoginPage(title);
    }
}

void ClientLoginDialog::showLoginPage(const st_systemTitle& title)
{
    validateCodeType_ = title.validateCodeType;
    const int previous = tabs_->currentIndex();
    const PageLoginType previousType = tabTypes_.value(previous, PageLoginAccount);
    tabs_->blockSignals(true);
    tabs_->clear();
    tabTypes_.clear();
    for (const st_loginMenu& menu : title.loginMenu) {
        QWidget* widget = nullptr;
        PageLoginType type = PageLoginAccount;
        if (menu.menuId == QLatin1String("accountLoginTab")) {
            widget = accountPage_;
        } else if (menu.menuId == QLatin1String("phoneLoginTab")) {
            widget = phonePage_;
            type = PageLoginPhone;
        } else if (menu.menuId == QLatin1String("QrCodeLoginTab")) {
            widget = qrPage_;
            type = PageLoginQrcode;
        } else if (menu.menuId == QLatin1String("certLoginTab")) {
            widget = certPage_;
            type = PageLoginCert;
        } else {
            LOG(WARNING) << "unknown login menu: " << menu.menuId;
            continue;
        }
        const int index = tabs_->addTab(widget, menu.menuText);
        tabTypes_.insert(index, type);
    }
    // A rebuilt bar keeps the tab the user was on.
    for (auto it = tabTypes_.constBegin(); it != tabTypes_.constEnd(); ++it) {
        if (it.value() == previousType) {
            tabs_->setCurrentIndex(it.key());
        }
    }
    tabs_->blockSignals(false);
    if (!isVesk()) {
        setAuthcodeVisible(validateCodeType_ != 0 || authMode_ == 2);
    }
    setLastAccount(PageLoginAccount);
    setLastAccount(PageLoginPhone);
    loading_->setCurrentIndex(1);
    // The user starts typing where the current tab asks first.
    const PageLoginType current = currentLoginType();
    if (current == PageLoginAccount || current == PageLoginPhone) {
        LoginCredentialPage* p = page(current);
        (p->accountEdit()->text().isEmpty() ? static_cast<QWidget*>(p->accountEdit())
                                            : static_cast<QWidget*>(p->passwordEdit()))
            ->setFocus();
    }
}

void ClientLoginDialog::setTabWidgetLoginEnabled(bool enabled)
{
    tabs_->cusTabBar()->setAllTabsEnabled(enabled);
}

void ClientLoginDialog::setTabWidgetLoginEnabled(PageLoginType type)
{
    for (auto it = tabTypes_.constBegin(); it != tabTypes_.constEnd(); ++it) {
        if (it.value() == type) {
            tabs_->cusTabBar()->setOnlyTabEnabled(it.key());
            return;
        }
    }
}

// ---- remembered accounts --------------------------------------------------------------------

void ClientLoginDialog::setLastAccount(PageLoginType type)
{
    LOG(INFO) << "setLastAccount PageLoginType(0:pwd, 1:phnoe, 2:Qrcode):" << static_cast<int>(type);
    const bool vesk = isVesk();
    if (type == PageLoginPhone) {
        lastPhone_ = Common::csUserPhone();
        if (lastPhone_.size() == 11) {
            phonePage_->accountEdit()->setText(AccountMask::encryptLastAccount(lastPhone_, type, vesk));
        } else {
            lastPhone_.clear();
            LOG(INFO) << "setLastAccount:PageLoginPhone error account!";
        }
    } else if (type == PageLoginAccount) {
        lastAccount_ = Common::csUserName();
        if (lastAccount_.size() == 11) {
            accountPage_->accountEdit()->setText(AccountMask::encryptLastAccount(lastAccount_, type, vesk));
        } else {
            lastAccount_.clear();
            LOG(INFO) << "setLastAccount:PageLoginAccount error account!";
        }
    }
}

void ClientLoginDialog::onBtnRemAccountClicked(PageLoginType type)
{
    const bool checked = page(type)->rememberBox()->isChecked();
    if (type == PageLoginPhone) {
        Common::setRememberPhone(checked);
        if (!checked) {
            Common::setCsUserPhone(QString());
        }
    } else if (type == PageLoginAccount) {
        Common::setRememberAccount(checked);
        if (!checked) {
            Common::setCsUserName(QString());
        }
    }
}

QString ClientLoginDialog::realAccount(PageLoginType type) const
{
    const QString remembered = type == PageLoginPhone ? lastPhone_ : lastAccount_;
    return AccountMask::realValue(page(type)->accountEdit()->text(), remembered, type, isVesk());
}

// ---- sending a login ------------------------------------------------------------------------

QString ClientLoginDialog::loginAuthCodeVaildtyCheck(PageLoginType type)
{
    LoginCredentialPage* p = page(type);
    const QString account = p->accountEdit()->text();
    const bool phone = type == PageLoginPhone;
    if (account.isEmpty()) {
        p->accountEdit()->setFocus();
        return phone ? QStringLiteral("手机号不能为空，请重新输入！") : QStringLiteral("账号不能为空，请重新输入！");
    }
    if (p->passwordEdit()->text().isEmpty()) {
        p->passwordEdit()->setFocus();
        return QStringLiteral("密码不能为空，请重新输入！");
    }
    if (AccountMask::isBrokenMask(account, phone ? lastPhone_ : lastAccount_, type, isVesk())) {
        p->accountEdit()->setFocus();
        return phone ? QStringLiteral("手机号输入有误，请重新输入!") : QStringLiteral("账号输入有误，请重新输入!");
    }
    return QString();
}

bool ClientLoginDialog::loginAuthCodeVaildtyCheckKAV() const
{
    return !accountPage_->accountEdit()->text().isEmpty() && !accountPage_->passwordEdit()->text().isEmpty();
}

void ClientLoginDialog::setLoginErrorTips(const QString& text, PageLoginType type, const QString& colour)
{
    // Tips carry the service's texts, never what the user typed.
    if (!text.isEmpty()) {
        LOG(INFO) << "FUNC(setLoginErrorTips) type: " << static_cast<int>(type) << ", tip: " << corvis::maskSecrets(text);
    }
    page(type)->setTip(text, colour);
}

void ClientLoginDialog::onBtnLoginClicked(PageLoginType type)
{
    if (type != PageLoginAccount && type != PageLoginPhone) {
        return;
    }
    LoginCredentialPage* p = page(type);
    const bool vesk = isVesk();
    QString error = loginAuthCodeVaildtyCheck(type);
    if (error.isEmpty() && p->codeEdit()->text().isEmpty()) {
        if (type == PageLoginPhone) {
            if (p->step() == 2) {
                error = QStringLiteral("验证码不能为空，请重新输入！");
            }
        } else if (vesk) {
            if (p->step() == 2) {
                error = QStringLiteral("验证码不能为空，请重新输入！");
            }
        } else if (validateCodeType_ == 1) {
            error = QStringLiteral("动态码不能为空，请重新输入！");
        } else if (validateCodeType_ == 2) {
            error = QStringLiteral("验证码不能为空，请重新输入！");
        }
    }
    if (error.isEmpty() && vesk && !PasswordRules::isPasswordWeak(p->passwordEdit()->text())) {
        error = QStringLiteral("当前密码不符合（密码长度8-16位，必须包含大写字母、小写字母、数字和特殊字符中的3种或3种以上。）"
                               "规则，请点击忘记密码进行修改");
    }
    setLoginErrorTips(error, type, kError);
    if (!error.isEmpty()) {
        return;
    }

    setPageLoginStatus(type, true, true);
    const QString epoch = getEpochTime();
    const QString reminder = QString::number(reminderAccepted_);
    reminderAccepted_ = 0;
    const QString account = realAccount(type);
    const QString password = p->passwordEdit()->text();
    const QString code = p->codeEdit()->text();

    if (type == PageLoginPhone) {
        if (p->step() == 1) {
            emit sendReqClientLogin(CReqClientLoginAuthCode84, joined({account, password, epoch, "phone", reminder}));
        } else if (p->step() == 2) {
            emit sendReqClientLogin(CReqClientLogin86,
                                    joined({account, password, epoch, "phone", code, p->bindFlag(), reminder}));
        }
    } else if (vesk) {
        if (p->step() == 1) {
            emit sendReqClientLogin(CReqClientLoginAuthCode83, joined({account, password, epoch, reminder}));
        } else if (p->step() == 2) {
            emit sendReqClientLogin(CReqClientLogin85, joined({account, password, epoch, code, p->bindFlag(), reminder}));
        }
    } else {
        closeLoginLock();
        if (authMode_ == 2) {
            LOG(INFO) << "is smsAuth login...";
            emit sendReqClientLogin(CReqClientLogin80, code);
        } else {
            emit sendReqClientLogin(CReqClientLogin76, joined({account, password, epoch, code}));
        }
    }
    setTabWidgetLoginEnabled(type);
}

void ClientLoginDialog::setPageLoginStatus(PageLoginType type, bool logging, bool clear)
{
    if (type != PageLoginAccount && type != PageLoginPhone) {
        return;
    }
    page(type)->setLoggingState(logging, clear);
}

// ---- results --------------------------------------------------------------------------------

void ClientLoginDialog::onReqClientLoginResult(ClientReq req, QString text, bool isMsgError, int substatus)
{
    LOG(INFO) << "FUNC(onReqClientLoginResult) reqType: " << hexCode(req);
    switch (req) {
    case CReqClientLogin65:
    case CReqClientLoginPage77:
    case CReqClientAuthCode79:
        if (isMsgError) {
            setLoginErrorTips(text, PageLoginAccount, kError);
            setAuthCodeText(PageLoginTabs, false, PageLoginAccount);
        } else {
            parseLoginAuthCodeResMsg(PageLoginAccount, text);
        }
        break;
    case CReqClientLoginResult78:
        handleSmsInit(text, isMsgError);
        break;
    case CReqClientLogin66:
    case CReqClientLogin76:
    case CReqClientLogin80:
        handleLoginRows('A', req, text, isMsgError, substatus, PageLoginAccount);
        if (isMsgError && req == CReqClientLogin76) {
            authMode_ = 0;
            onBtnLoginAuthcodeClicked(PageLoginAccount);
        }
        break;
    case CReqClientLoginAuthCode83:
    case CReqClientLoginAuthCode84:
    case CReqClientLogin85:
    case CReqClientLogin86: {
        // 83 and 85 are the vesk account steps; a phone step answers as 84 or 86.
        const PageLoginType type =
            req == CReqClientLoginAuthCode84 || req == CReqClientLogin86 ? PageLoginPhone : PageLoginAccount;
        handleLoginRows('S', req, text, isMsgError, substatus, type);
        break;
    }
    case CReqClientLogin69:
        if (isMsgError) {
            setLoginErrorTips(text, PageLoginPhone, kError);
            setAuthCodeText(PageLoginTabs, false, PageLoginPhone);
        } else {
            parseLoginAuthCodeResMsg(PageLoginPhone, text);
        }
        break;
    case CReqClientResetAuthCode:
        if (isMsgError) {
            setResetErrorTips(text, true);
            refreshResetCodeButton();
        } else {
            parseResetAuthCodeResMsg(text);
        }
        break;
    case CReqClientResetPwd:
        if (isMsgError) {
            setResetErrorTips(text, true);
            setPageResetStatus(false, false);
        } else {
            parseResetResMsg(text);
        }
        break;
    case CReqClientLogin70:
        handleLoginRows('P', req, text, isMsgError, substatus, PageLoginPhone);
        break;
    case CReqClientQrcodeSign:
    case CReqClientQrcode72:
    case CReqClientQrcode73:
    case CReqClientLogin82:
        LOG(INFO) << "QR-code login step " << hexCode(req) << " goes to the QR page";
        setTabWidgetLoginEnabled(true);
        break;
    case CReqClientLogin74:
        handleLoginRows('Q', req, text, isMsgError, substatus, PageLoginQrcode);
        break;
    case CReqClient114:
        setLoginErrorTips(text, currentLoginType(), isMsgError ? kError : theme());
        break;
    case CReqClientVeskCheckCertificate:
        LOG(INFO) << "CReqClientVeskCheckCertificate: " << corvis::maskSecrets(text) << ", " << static_cast<int>(currentLoginType()) << ", "
                  << isMsgError;
        setTabWidgetLoginEnabled(true);
        if (isMsgError) {
            setLoginErrorTips(text, currentLoginType(), kError);
        } else {
            setLoginErrorTips(text, currentLoginType(), theme());
            emit sendJumpToMain();
        }
        break;
    default:
        LOG(WARNING) << "exception request code: " << hexCode(req);
        break;
    }
}

void ClientLoginDialog::handleLoginRows(char rows, ClientReq req, const QString& text, bool isMsgError, int substatus,
                                        PageLoginType type)
{
    const bool a = rows == 'A';
    const bool s = rows == 'S';
    const bool credential = type == PageLoginAccount || type == PageLoginPhone;
    setTabWidgetLoginEnabled(true);

    if (s && substatus == 27) {
        askReminder(type, text);
        return;
    }
    if (s) {
        page(type)->codeEdit()->clear();
        // A code request of these pages is a step login: its answer gives the button back.
        refreshCodeButton(type);
    }
    if (isMsgError) {
        setLoginErrorTips(text, type, kError);
        if (s) {
            if (isVesk()) {
                if (text.contains(QStringLiteral("已登录失败"))) {
                    handleCodeCheckFail(text, type);
                } else if (text.contains(QStringLiteral("因您多次输入错误"))) {
                    handleCodeCheckFail1(text, type);
                }
            }
            if (parseVeskLoginFileStatus(type) == 6638) {
                page(type)->setStep(1);
                setPageLoginStatus(type, false, false);
                page(type)->passwordEdit()->setFocus();
                setLoginErrorTips(text, type, kError);
            } else {
                setPageLoginStatus(type, false, false);
            }
        } else if (credential) {
            setPageLoginStatus(type, false, false);
        }
        return;
    }
    if (text.isEmpty()) {
        return;
    }
    if (text == QLatin1String("2")) {
        showLogging(3);
        return;
    }
    if (text == QLatin1String("3")) {
        showLogging(1);
        return;
    }
    if (a && substatus == 7) {
        setLoginErrorTips(text, type, theme());
        setAuthcodeVisible(true);
        emit sendReqClientLogin(CReqClientLoginResult78, QString());
        return;
    }
    if (s && (substatus == 7 || substatus == 25)) {
        setPageLoginStatus(type, false, false);
        parseVeskLoginFile(type);
        return;
    }
    if (a && substatus == 19) {
        setLoginErrorTips(text, type, kError);
        setPageLoginStatus(type, false, false);
        return;
    }
    if ((a || rows == 'Q') && substatus == 20) {
        if (a) {
            LOG(INFO) << "popup applyAccount...";
        }
        st_againBindInfo info;
        PolicyAnalyzer::instance()->parseBindedInfo(text, info);
        setLoginErrorTips(info.msg.isEmpty() ? text : info.msg, type, kError);
        setPageLoginStatus(type, false, false);
        return;
    }
    if (a && substatus == 21) {
        LOG(INFO) << "login lock...";
        loginLockCountDown_->stop();
        const st_loginLock lock = LoginLockCountDown::parse(text);
        setLoginErrorTips(lock.msg, type, kError);
        setPageLoginStatus(type, false, false);
        if (Common::customProject() != QLatin1String(PROJECT_KAV)) {
            loginLockCountDown_->start(lock);
        }
        return;
    }
    if (a && substatus == 22) {
        LOG(INFO) << "login retry...";
        loginLockCountDown_->stop();
        const st_loginLock lock = LoginLockCountDown::parse(text);
        setPageLoginStatus(type, false, false);
        if (lock.restTime != -1 && lock.failCount != -1) {
            if (Common::customProject() == QLatin1String(PROJECT_KAV)) {
                setLoginErrorTips(lock.msg, type, kError);
            } else {
                loginLockCountDown_->start(lock);
            }
        } else {
            setLoginErrorTips(text, type, kError);
        }
        return;
    }
    if (a && (text == QLatin1String("14") || text == QLatin1String("15") || text == QLatin1String("16"))) {
        setPageLoginStatus(type, false, false);
        showCommonResult(text.toInt(), req);
        return;
    }
    if (a && substatus == 26) {
        setPageLoginStatus(type, false, false);
        LOG(INFO) << "improve user info: the form comes from the common dialog";
        DialogCommon::instance()->showWindow(PageDialogImproveUserInfo, CS_RET_LOGIN_26, req);
        return;
    }
    if (!parseLoginResMsg(type, text)) {
        return;
    }
    if (a || rows == 'Q') {
        loginSucceeded();
    } else {
        showLogging(0);
    }
}

void ClientLoginDialog::askReminder(PageLoginType type, const QString& text)
{
    CusMessageBox box(this);
    box.setObjectName(QStringLiteral("veskloginreminderwidget"));
    box.setButtonTexts(QStringLiteral("继续登录"), QStringLiteral("取消"));
    if (box.ask(text, true, QStringLiteral("登录提醒"))) {
        reminderAccepted_ = 1;
        onBtnLoginClicked(type);
        return;
    }
    page(type)->setStep(1);
    setPageLoginStatus(type, false, false);
    page(type)->passwordEdit()->setFocus();
    setLoginErrorTips(QString(), type, kError);
}

void ClientLoginDialog::loginSucceeded()
{
    const QString project = Common::customProject();
    if (LoginEdition::isVesk(project) ||
        (project == QLatin1String(PROJECT_KAV) && !Common::sandboxInfo().trimmed().isEmpty())) {
        showLogging(0);
        return;
    }
    hideLogging();
    emit sendJumpToMain();
}

bool ClientLoginDialog::parseLoginResMsg(PageLoginType type, const QString& text)
{
    Q_UNUSED(text);
    const LoginResultFile file = LoginResultFile::read();
    bool ok = false;
    if (file.outcome != LoginResultFile::Ok) {
        if (file.outcome == LoginResultFile::Missing) {
            LOG(INFO) << "parseLoginResMsg login JSON not exist!";
        }
        setLoginErrorTips(QStringLiteral("后台数据处理异常！"), type, kError);
    } else if (file.status == 2000) {
        ok = true;
        if (type == PageLoginAccount || type == PageLoginPhone) {
            LoginCredentialPage* p = page(type);
            const bool phone = type == PageLoginPhone;
            const QString typed = p->accountEdit()->text();
            const QString stored = phone ? Common::csUserPhone() : Common::csUserName();
            if (p->rememberBox()->isChecked()) {
                if (typed != stored && typed != AccountMask::encryptLastAccount(stored, type, isVesk())) {
                    LOG(INFO) << (phone ? "update csUserPhone." : "update csUserName.");
                    if (phone) {
                        Common::setCsUserPhone(typed);
                        lastPhone_ = typed;
                    } else {
                        Common::setCsUserName(typed);
                        lastAccount_ = typed;
                    }
                }
            } else if (phone) {
                Common::setCsUserPhone(QString());
            } else {
                Common::setCsUserName(QString());
            }
        }
    } else {
        LOG(INFO) << "parseLoginResMsg status:" << file.status;
        setLoginErrorTips(file.msg, type, kError);
    }
    setPageLoginStatus(type, false, false);
    return ok;
}

int ClientLoginDialog::parseVeskLoginFileStatus(PageLoginType type)
{
    Q_UNUSED(type);
    const LoginResultFile file = LoginResultFile::read();
    return file.outcome == LoginResultFile::Ok ? file.status : -1;
}

bool ClientLoginDialog::parseVeskLoginFile(PageLoginType type)
{
    const LoginResultFile file = LoginResultFile::read();
    if (file.outcome != LoginResultFile::Ok) {
        setLoginErrorTips(QStringLiteral("后台数据处理异常！"), type, kError);
        return false;
    }
    LoginCredentialPage* p = page(type);
    p->setStep(2);
    const QJsonObject result = file.result;
    authImage_ = result.value(QLatin1String("authImage")).toString();
    if (!authImage_.isEmpty()) {
        const QString path = type == PageLoginPhone ? ImageCode::phoneImagePath() : ImageCode::accountImagePath();
        (type == PageLoginPhone ? phoneImageInUse_ : accountImageInUse_) = saveBase64Imgae(path);
    }
    const QString sms = result.value(QLatin1String("sendSmsMsg")).toString();
    if (!sms.isEmpty()) {
        setLoginErrorTips(sms, type, theme());
        QJsonObject wrapped{{QStringLiteral("status"), 2000}, {QStringLiteral("result"), result}};
        const AuthCodeReply reply = AuthCodeReply::parse(QString::fromUtf8(QJsonDocument(wrapped).toJson()));
        (type == PageLoginPhone ? phoneCodeCountDown_ : accountCodeCountDown_)->start(reply.seconds);
    } else if (file.status != 2000 && !file.msg.isEmpty()) {
        setLoginErrorTips(file.msg, type, kError);
    }
    if (result.contains(QLatin1String("bindData"))) {
        LOG(INFO) << "bindData: the device binding question follows";
    }
    refreshCodeButton(type);
    p->codeEdit()->setFocus();
    return true;
}

// ---- logging page ---------------------------------------------------------------------------

void ClientLoginDialog::setPageLoggingStatus(bool ing, int status)
{
    const bool buttons = !ing || isVesk();
    minButton_->setVisible(buttons);
    closeButton_->setVisible(buttons);
    loggingPage_->setStatus(status, Common::customProject(), isFirstInstall());
}

void ClientLoginDialog::showLogging(int status)
{
    outer_->setCurrentIndex(PageLogging);
    setPageLoggingStatus(true, status);
    if (status == 3) {
        showDialogAccess();
    }
}

void ClientLoginDialog::hideLogging()
{
    outer_->setCurrentIndex(PageLoginTabs);
    loggingPage_->stop();
    minButton_->setVisible(true);
    closeButton_->setVisible(true);
}

void ClientLoginDialog::resultAfterAccessLogin(int state, const QString& text)
{
    switch (state) {
    case 2:
        onReqClientLoginResult(CReqClientLogin66, QStringLiteral("2"), false, 0);
        break;
    case 4:
        LOG(INFO) << "resultAfterAccessLogin success";
        onReqClientLoginResult(CReqClientLogin66, text, false, 0);
        break;
    case 5:
    case 6:
        LOG(INFO) << "resultAfterAccessLogin fail";
        hideLogging();
        onReqClientLoginResult(CReqClientLogin66, text, true, 0);
        break;
    default:
        break;
    }
}

void ClientLoginDialog::showDialogAccess()
{
    st_accessCheckResult result;
    const bool read = PolicyAnalyzer::instance()->readAccessResult(result);
    logNotBuilt("ClientLoginDialog::showDialogAccess",
                QStringLiteral("the access check result dialog, result read: %1").arg(read));
}

void ClientLoginDialog::onCloseAccessCheckResult()
{
    logout();
    onReqClientLoginResult(CReqClientLogin66, QString(), true, 0);
}

// ---- lifecycle ------------------------------------------------------------------------------

void ClientLoginDialog::logout()
{
    LOG(INFO) << "FUNC(ClientLoginDialog::logout)";
    if (outer_->currentIndex() == PageLogging) {
        hideLogging();
    }
    for (LoginCredentialPage* p : {accountPage_, phonePage_}) {
        if (p->step() == 2) {
            p->setStep(1);
        }
    }
    closeLoginLock();
}

void ClientLoginDialog::exitClear()
{
    LOG(INFO) << "FUNC(ClientLoginDialog::exitClear)";
    if (isVesk()) {
        return;
    }
    authMode_ = 0;
    for (LoginCredentialPage* p : {accountPage_, phonePage_}) {
        setPageLoginStatus(p->type(), false, true);
        p->setTip(QString(), kError);
    }
    setTabWidgetLoginEnabled(true);
}

void ClientLoginDialog::onRecoverLoginBtn(ClientReq req)
{
    LOG(INFO) << "FUNC(onRecoverLoginBtn) need to login again.";
    if (validateCodeType_ == 0) {
        setAuthcodeVisible(false);
    }
    onReqClientLoginResult(req, QString(), true, 0);
}

void ClientLoginDialog::closeLoginLock()
{
    if (loginLockCountDown_->isRunning()) {
        loginLockCountDown_->stop();
        accountPage_->setTip(QString(), kError);
    }
}

void ClientLoginDialog::showDiskSpaceLack()
{
    setLoginErrorTips(QStringLiteral("无法创建安全工作台，请清理磁盘空间后重新登录！"), PageLoginAccount, kError);
}

void ClientLoginDialog::spaAutoFill(const QString& user, const QString& password)
{
    accountPage_->fillLocked(user, password);
    if (tabs_->count() == 1 && tabTypes_.value(0, PageLoginQrcode) == PageLoginAccount && authMode_ == 0) {
        LOG(INFO) << "ClientLoginDialog::spaAutoFill autologin!";
        onBtnLoginClicked(PageLoginAccount);
    }
}

void ClientLoginDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (outer_->currentIndex() == PageResetPwd) {
            slot_btn_reset_clicked();
        } else if (outer_->currentIndex() == PageLoginTabs && loading_->currentIndex() == 1) {
            const PageLoginType type = currentLoginType();
            if (!page(type)->isLogging()) {
                onBtnLoginClicked(type);
            }
        }
        return;
    }
    QWidget::keyPressEvent(event);
}

void ClientLoginDialog::onBackVersionBtn()
{
    const QString path = corvis::installPathQ(QStringLiteral("update/bak/corvis_update.zip"));
    CusMessageBox box(this);
    if (!QFileInfo::exists(path)) {
        LOG(INFO) << "file is not exist! path" << path;
        box.ask(QStringLiteral("检测不到安装包，无法进行回退操作"), false);
        return;
    }
    if (box.ask(QStringLiteral("检测到上一版本，是否回退并安装"), true) && QFileInfo::exists(path)) {
        backVersion_->setEnabled(false);
        backVersion_->setText(QStringLiteral("正在检查版本回退"));
        LOG(INFO) << "clientLoginDialog send msg to corvisupdatesrv to backVersion!";
        UiComm::instance()->apiCorvisUpdateSrvCommon(CReqUpdate40, QString());
    }
}

void ClientLoginDialog::changeBackVersionBtnStatus(bool enabled)
{
    LOG(INFO) << "FUNC(changeBackVersionBtnStatus) enable: " << enabled;
    backVersion_->setEnabled(enabled);
    if (enabled) {
        backVersion_->setText(QStringLiteral("版本回退"));
    }
}

// ---- codes ----------------------------------------------------------------------------------

void ClientLoginDialog::setAuthcodeVisible(bool visible, bool alsoPhone)
{
    const QString placeholder = validateCodeType_ == 2 || authMode_ == 2 ? QStringLiteral("请输入验证码")
                                                                        : QStringLiteral("请输入动态码");
    accountPage_->setCodeVisible(visible, placeholder);
    if (alsoPhone) {
        phonePage_->setCodeVisible(visible, placeholder);
    }
}

void ClientLoginDialog::onBtnLoginAuthcodeClicked(PageLoginType type, const QString& text)
{
    Q_UNUSED(text);
    if (type != PageLoginAccount && type != PageLoginPhone) {
        return;
    }
    const QString error = loginAuthCodeVaildtyCheck(type);
    if (!error.isEmpty()) {
        setLoginErrorTips(error, type, kError);
        return;
    }
    setAuthCodeText(PageLoginTabs, true, type);
    const QString epoch = getEpochTime();
    LoginCredentialPage* p = page(type);
    if (type == PageLoginPhone) {
        emit sendReqClientLogin(CReqClientLoginAuthCode84,
                                joined({realAccount(type), p->passwordEdit()->text(), epoch, "phone"}));
        return;
    }
    if (isVesk()) {
        emit sendReqClientLogin(CReqClientLoginAuthCode83, joined({realAccount(type), p->passwordEdit()->text(), epoch}));
        return;
    }
    closeLoginLock();
    LOG(INFO) << "m_authCodeType: " << authMode_;
    if (authMode_ == 2) {
        const bool kav = Common::customProject() == QLatin1String(PROJECT_KAV);
        emit sendReqClientLogin(CReqClientAuthCode79,
                                kav ? joined({realAccount(type), p->passwordEdit()->text(), epoch}) : QString());
        return;
    }
    switch (validateCodeType_) {
    case 0:
        setAuthcodeVisible(false);
        LOG(INFO) << "noting to do, validateCodeType is " << validateCodeType_;
        setAuthCodeText(PageLoginTabs, false, type);
        break;
    case 2:
        emit sendReqClientLogin(CReqClientLoginPage77, epoch);
        break;
    default:
        setAuthCodeText(PageLoginTabs, false, type);
        break;
    }
}

void ClientLoginDialog::setAuthCodeText(PageIndex pageIndex, bool running, PageLoginType type)
{
    if (pageIndex == PageResetPwd) {
        resetPage_->codeButton()->setEnabled(!running);
        if (!running) {
            refreshResetCodeButton();
        }
        return;
    }
    if (running) {
        page(type)->codeButton()->setEnabled(false);
        return;
    }
    refreshCodeButton(type);
}

void ClientLoginDialog::refreshCodeButton(PageLoginType type)
{
    if (type != PageLoginAccount && type != PageLoginPhone) {
        return;
    }
    QPushButton* button = page(type)->codeButton();
    CountDown* countDown = type == PageLoginPhone ? phoneCodeCountDown_ : accountCodeCountDown_;
    if (countDown->isRunning()) {
        button->setIcon(QIcon());
        button->setText(CountDown::runningText(countDown->remaining()));
        button->setEnabled(false);
        return;
    }
    button->setEnabled(true);
    const bool image = type == PageLoginPhone ? phoneImageInUse_ : accountImageInUse_;
    if (image) {
        const QString path = type == PageLoginPhone ? ImageCode::phoneImagePath() : ImageCode::accountImagePath();
        button->setText(QString());
        button->setIcon(QIcon(path));
        button->setIconSize(button->size());
        return;
    }
    button->setIcon(QIcon());
    if (type == PageLoginPhone) {
        button->setText(QStringLiteral("发送验证码"));
    } else {
        button->setText(authMode_ == 2 ? QStringLiteral("获取验证码") : QStringLiteral("发送验证码"));
    }
}

void ClientLoginDialog::refreshResetCodeButton()
{
    QPushButton* button = resetPage_->codeButton();
    if (resetCodeCountDown_->isRunning()) {
        button->setText(CountDown::runningText(resetCodeCountDown_->remaining()));
        button->setEnabled(false);
    } else {
        button->setText(QStringLiteral("获取验证码"));
        button->setEnabled(true);
    }
}

void ClientLoginDialog::handleSmsInit(const QString& text, bool isMsgError)
{
    if (isMsgError) {
        setLoginErrorTips(text, PageLoginAccount, kError);
        authMode_ = 2;
        setPageLoginStatus(PageLoginAccount, false, false);
        onBtnLoginAuthcodeClicked(PageLoginAccount);
        return;
    }
    QString phone;
    // The page goes idle either way: the user types the code and logs in again.
    setPageLoginStatus(PageLoginAccount, false, false);
    if (!PolicyAnalyzer::instance()->parseSmsInit(text, phone)) {
        setLoginErrorTips(QStringLiteral("短信认证初始化结果异常，请重试！"), PageLoginAccount, kError);
        return;
    }
    if (phone.size() == 11) {
        phone = AccountMask::encryptLastAccount(phone, PageLoginPhone, isVesk());
    }
    authMode_ = 2;
    setAuthcodeVisible(true);
    refreshCodeButton(PageLoginAccount);
    setLoginErrorTips(QStringLiteral("短信验证码将发送至手机号码：%1，请点击\"获取验证码\"").arg(phone), PageLoginAccount,
                      theme());
}

void ClientLoginDialog::parseLoginAuthCodeResMsg(PageLoginType type, const QString& text)
{
    LOG(INFO) << "parseLoginAuthCodeResMsg enter, loginType: " << static_cast<int>(type) << ", "
              << corvis::maskSecrets(text);
    const bool vesk = isVesk();
    const bool image = text == QLatin1String("get ImageCode succ");
    int seconds = 60;
    if (type == PageLoginPhone) {
        if (image) {
            phoneImageInUse_ = saveBase64Imgae(ImageCode::phoneImagePath());
        } else if (parseLoginAuthCodeJson(type, text, seconds)) {
            phoneCodeCountDown_->start(seconds);
            phonePage_->codeEdit()->setFocus();
        }
        refreshCodeButton(type);
        return;
    }
    if (vesk) {
        authMode_ = 0;
    }
    if (image) {
        authMode_ = 1;
        if (vesk) {
            accountImageInUse_ = saveBase64Imgae(ImageCode::accountImagePath());
        }
    } else if (parseLoginAuthCodeJson(type, text, seconds)) {
        accountCodeCountDown_->start(seconds);
        accountPage_->codeEdit()->setFocus();
    }
    refreshCodeButton(type);
}

bool ClientLoginDialog::parseLoginAuthCodeJson(PageLoginType type, const QString& text, int& seconds)
{
    const AuthCodeReply reply = AuthCodeReply::parse(text);
    if (reply.outcome == AuthCodeReply::StatusError) {
        LOG(INFO) << "parseLoginAuthCodeJson status:" << reply.status;
    }
    if (reply.isError()) {
        setLoginErrorTips(reply.tip(), type, kError);
        return false;
    }
    seconds = reply.seconds;
    setLoginErrorTips(reply.tip(), type, theme());
    return true;
}

bool ClientLoginDialog::saveBase64Imgae(const QString& path)
{
    return ImageCode::saveBase64Imgae(authImage_, path);
}

void ClientLoginDialog::startFailureLock(int lockPage, int kind, const QString& text)
{
    FailureLock*& lock = failureLocks_[lockPage];
    if (lock != nullptr && lock->isRunning()) {
        return;
    }
    delete lock;
    lock = new FailureLock(FailureLock::Kind(kind), this);
    lock->setObjectName(QStringLiteral("failureLock%1").arg(lockPage));
    if (lockPage == LockReset) {
        connect(lock, &FailureLock::tipChanged, this, [this](const QString& tip) { setResetErrorTips(tip, true); });
    } else {
        const PageLoginType type = lockPage == LockPhone ? PageLoginPhone : PageLoginAccount;
        connect(lock, &FailureLock::tipChanged, this,
                [this, type](const QString& tip) { setLoginErrorTips(tip, type, kError); });
    }
    lock->start(text);
}

void ClientLoginDialog::handleCodeCheckFail(const QString& text, PageLoginType type)
{
    startFailureLock(type == PageLoginPhone ? LockPhone : LockAccount, FailureLock::LoginFailed, text);
}

void ClientLoginDialog::handleCodeCheckFail1(const QString& text, PageLoginType type)
{
    startFailureLock(type == PageLoginPhone ? LockPhone : LockAccount, FailureLock::LoginLocked, text);
}

void ClientLoginDialog::handleRestPswCodeCheckFail(const QString& text)
{
    startFailureLock(LockReset, FailureLock::ResetFailed, text);
}

// ---- reset page -----------------------------------------------------------------------------

void ClientLoginDialog::addResetPage()
{
    resetPage_->setEditionTexts(isVesk());
    outer_->setCurrentIndex(PageResetPwd);
    resetPage_->userEdit()->setFocus();
}

void ClientLoginDialog::clearResetPage()
{
    resetPage_->clearResetPage();
}

void ClientLoginDialog::setResetErrorTips(const QString& text, bool error)
{
    resetPage_->setResetErrorTips(text, error);
}

void ClientLoginDialog::setPageResetStatus(bool submitting, bool clear)
{
    resetPage_->setPageResetStatus(submitting, clear);
}

bool ClientLoginDialog::resetAuthCodeVaildtyCheck(QString& msg)
{
    msg = resetPage_->resetAuthCodeVaildtyCheck(isVesk());
    return msg.isEmpty();
}

void ClientLoginDialog::editingFinishedPasswd()
{
    resetPage_->editingFinishedPasswd();
}

void ClientLoginDialog::editingFinishedPasswdRe()
{
    resetPage_->editingFinishedPasswdRe();
}

void ClientLoginDialog::slot_btn_reset_authcode_clicked()
{
    QString msg;
    if (!resetAuthCodeVaildtyCheck(msg)) {
        setResetErrorTips(msg, true);
        return;
    }
    const QString user = isVesk() ? AccountMask::realValue(resetPage_->userEdit()->text(), lastAccount_,
                                                           PageLoginAccount, true)
                                  : resetPage_->userEdit()->text();
    setAuthCodeText(PageResetPwd, true, PageLoginAccount);
    LOG(INFO) << "slot_btn_reset_authcode_clicked req:" << hexCode(CReqClientResetAuthCode);
    emit sendReqClientLogin(CReqClientResetAuthCode,
                            joined({user, resetPage_->idCardEdit()->text(), resetPage_->passwordEdit()->text(),
                                    resetPage_->repeatEdit()->text(), getEpochTime()}));
}

void ClientLoginDialog::slot_btn_reset_clicked()
{
    QString msg;
    if (!resetAuthCodeVaildtyCheck(msg)) {
        setResetErrorTips(msg, true);
        return;
    }
    if (resetPage_->codeEdit()->text().isEmpty()) {
        resetPage_->codeEdit()->setFocus();
        setResetErrorTips(QStringLiteral("验证码不能为空，请重新输入！"), true);
        return;
    }
    if (resetPage_->isSubmitting()) {
        return;
    }
    const QString user = isVesk() ? AccountMask::realValue(resetPage_->userEdit()->text(), lastAccount_,
                                                           PageLoginAccount, true)
                                  : resetPage_->userEdit()->text();
    LOG(INFO) << "slot_btn_reset_clicked req:" << hexCode(CReqClientResetPwd);
    emit sendReqClientLogin(CReqClientResetPwd,
                            joined({user, resetPage_->idCardEdit()->text(), resetPage_->passwordEdit()->text(),
                                    resetPage_->repeatEdit()->text(), getEpochTime(), resetPage_->codeEdit()->text()}));
    setPageResetStatus(true, false);
}

void ClientLoginDialog::parseResetAuthCodeResMsg(const QString& text)
{
    const AuthCodeReply reply = AuthCodeReply::parse(text);
    switch (reply.outcome) {
    case AuthCodeReply::ParseError:
    case AuthCodeReply::NoResult:
        setResetErrorTips(reply.tip(), true);
        break;
    case AuthCodeReply::Ok:
        resetCodeCountDown_->start(reply.seconds);
        if (!reply.phoneFormat.isEmpty() && isVesk()) {
            if (failureLocks_[LockReset] != nullptr) {
                failureLocks_[LockReset]->stop();
            }
            setResetErrorTips(QStringLiteral("验证码已发送至手机号") + reply.phoneFormat +
                                  QStringLiteral("绑定的【岚汀】微信公众号"),
                              false);
        } else {
            setResetErrorTips(reply.msg, false);
        }
        break;
    case AuthCodeReply::StatusError:
        LOG(INFO) << "parseResetAuthCodeResMsg status:" << reply.status;
        setResetErrorTips(reply.msg, true);
        if (isVesk() && reply.status == 6634) {
            handleRestPswCodeCheckFail(reply.msg);
        }
        break;
    }
    refreshResetCodeButton();
}

void ClientLoginDialog::parseResetResMsg(const QString& text)
{
    const AuthCodeReply reply = AuthCodeReply::parse(text);
    if (reply.outcome == AuthCodeReply::ParseError) {
        setResetErrorTips(reply.tip(), true);
        setPageResetStatus(false, false);
        return;
    }
    if (reply.status == 2000) {
        const bool vesk = isVesk();
        if (vesk) {
            if (failureLocks_[LockReset] != nullptr) {
                failureLocks_[LockReset]->stop();
            }
            accountPage_->accountEdit()->setText(resetPage_->userEdit()->text());
            accountPage_->passwordEdit()->setText(resetPage_->passwordEdit()->text());
        }
        setPageResetStatus(false, true);
        outer_->setCurrentIndex(PageLoginTabs);
        setLoginErrorTips(QStringLiteral("重置密码成功，请重新登录"), PageLoginAccount, theme());
        return;
    }
    LOG(INFO) << "parseResetResMsg status:" << reply.status;
    setResetErrorTips(reply.msg, true);
    // A lock count-down shows its own text from here on.
    if (isVesk() && reply.status == 6634) {
        handleRestPswCodeCheckFail(reply.msg);
    }
    setPageResetStatus(false, false);
}
