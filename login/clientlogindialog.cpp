#include "login/clientlogindialog.h"

#include "app/common.h"
#include "comm/corvisweblauncher.h"
#include "comm/cs_ret_status.h"
#include "comm/uicomm.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"
#include "corviscommon/secretmask.h"
#include "login/accountmask.h"
#include "login/authcodereply.h"
#include "login/clientlogindialog_p.h"
#include "login/countdown.h"
#include "login/failurelock.h"
#include "login/imagecode.h"
#include "login/loggingpage.h"
#include "login/logincertificatepage.h"
#include "login/logincredentialpage.h"
#include "login/loginlockcountdown.h"
#include "login/loginqrcodepage.h"
#include "login/loginrequestbuilder.h"
#include "login/loginresultfile.h"
#include "login/loginresultrules.h"
#include "login/passwordrules.h"
#include "login/qrloginflow.h"
#include "login/resetpasswordpage.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/cusmessagebox.h"
#include "src/CustomControl/cuspasswordedit.h"
#include "src/CustomControl/cusstyle.h"
#include "src/CustomControl/custabbar.h"
#include "src/CustomControl/custabwidget.h"
#include "src/CustomControl/custiplabel.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"
#include "src/CustomControl/cuspicture.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

using clientlogin::errorColour;

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
            [this](const QString& tip) { accountPage_->setTip(tip, errorColour()); });
    connectBindAgain();
}

void ClientLoginDialog::buildUi()
{
    const corvis::Edition edition = Common::edition();
    const QString themeColour = LoginColors::theme(edition);
    const QString hover = LoginColors::themeHover(edition);

    auto* title = new QLabel(Common::softName(), this);
    title->setObjectName(QStringLiteral("labelLoginTitle"));
    title->setStyleSheet(QStringLiteral("font-size: 16px; color: %1;").arg(QLatin1String(cusstyle::kTitle)));
    minButton_ = new QPushButton(this);
    minButton_->setObjectName(QStringLiteral("btnLoginMin"));
    minButton_->setAccessibleName(QStringLiteral("最小化"));
    minButton_->setIcon(QIcon(QStringLiteral(":/resources/Img/btn_min.png")));
    minButton_->setFlat(true);
    closeButton_ = new QPushButton(this);
    closeButton_->setObjectName(QStringLiteral("btnLoginClose"));
    closeButton_->setAccessibleName(QStringLiteral("关闭"));
    closeButton_->setIcon(QIcon(QStringLiteral(":/resources/Img/btn_close.png")));
    closeButton_->setFlat(true);
    connect(minButton_, &QPushButton::clicked, this, [this] { emit sendWindowsChange(0); });
    connect(closeButton_, &QPushButton::clicked, this, [this] { emit sendWindowsChange(1); });
    // Hidden while a login finishes: the title and the pages below must not move up meanwhile.
    for (QPushButton* button : {minButton_, closeButton_}) {
        QSizePolicy policy = button->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        button->setSizePolicy(policy);
    }
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
    if (edition.isVesk()) {
        accountPage_->accountEdit()->setPlaceholderText(QStringLiteral("请输入手机号/柜员号"));
    }
    addLoginPageQrcode();
    addLoginPageCertificate();
    for (QWidget* w : {static_cast<QWidget*>(accountPage_), static_cast<QWidget*>(phonePage_)}) {
        w->hide();
    }

    tabs_ = new CusTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabWidgetLogin"));
    tabs_->tabBar()->setAccessibleName(QStringLiteral("登录方式"));
    tabs_->cusTabBar()->setThemeColor(themeColour);
    tabs_->setTabsCentered(true);

    auto* loadingPicture = new QLabel(this);
    loadingPicture->setObjectName(QStringLiteral("labelLoading"));
    loadingPicture->setAlignment(Qt::AlignCenter);
    auto* movie = new QMovie(corvis::paths::resource(QStringLiteral("default/clientmain/loading.gif")),
                             QByteArray(), loadingPicture);
    loadingPicture->setMovie(movie);
    movie->start();
    loading_ = new QStackedWidget(this);
    loading_->setObjectName(QStringLiteral("stackLoading"));
    loading_->addWidget(loadingPicture);
    loading_->addWidget(tabs_);

    resetPage_ = new ResetPasswordPage(this);
    resetPage_->setThemeColours(themeColour, hover);
    resetPage_->setEditionTexts(edition);
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
    backVersion_->setAccessibleName(QStringLiteral("版本回退"));
    backVersion_->setFlat(true);
    backVersion_->setVisible(isOpenRollbackUpdate());
    connect(backVersion_, &QPushButton::clicked, this, &ClientLoginDialog::onBackVersionBtn);

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("labelLoginLogo"));
    const QString logoPath = corvis::paths::logo();
    logo->setPixmap(CusPicture::load(QFileInfo::exists(logoPath) ? logoPath : QStringLiteral(":/resources/Img/corvislogo.png"),
                                     QSize(96, 96)));
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

    connect(tabs_, &QTabWidget::currentChanged, this, &ClientLoginDialog::onLoginTabChanged);
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
    return Common::sessionIdDes().isEmpty();
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
    if (Common::edition().is(corvis::Edition::Id::Rolq)) {
        if (title.embeddedWeb == 0) {
            UiComm::instance()->apiCorviswebCommon(CReqWebClose, QString());
            if (window()->isMinimized()) {
                window()->showNormal();
            }
        } else {
            window()->hide();
            CorviswebLauncher::start(Common::portalIp());
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
            LOG(WARNING) << "unknown login menu: " << corvis::logSafe(menu.menuId);
            continue;
        }
        const int index = tabs_->addTab(widget, menu.menuText);
        tabTypes_.insert(index, type);
    }
    // A rebuilt bar keeps the tab the user was on; a first one starts on its first tab.
    for (auto it = tabTypes_.constBegin(); it != tabTypes_.constEnd(); ++it) {
        if (previous >= 0 && it.value() == previousType) {
            tabs_->setCurrentIndex(it.key());
        }
    }
    tabs_->blockSignals(false);
    if (!Common::edition().isVesk()) {
        setAuthcodeVisible(validateCodeType_ != 0 || authMode_ == 2);
    }
    setLastAccount(PageLoginAccount);
    setLastAccount(PageLoginPhone);
    loading_->setCurrentIndex(1);
    // The rebuilt bar switched tabs silently: the QR flow runs only while its tab shows.
    onLoginTabChanged(tabs_->currentIndex());
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
    const corvis::Edition edition = Common::edition();
    if (type == PageLoginPhone) {
        lastPhone_ = Common::csUserPhone();
        if (lastPhone_.size() == 11) {
            phonePage_->accountEdit()->setText(AccountMask::encryptLastAccount(lastPhone_, type, edition));
        } else {
            lastPhone_.clear();
            LOG(INFO) << "setLastAccount:PageLoginPhone error account!";
        }
    } else if (type == PageLoginAccount) {
        lastAccount_ = Common::csUserName();
        if (lastAccount_.size() == 11) {
            accountPage_->accountEdit()->setText(AccountMask::encryptLastAccount(lastAccount_, type, edition));
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
    return AccountMask::realValue(page(type)->accountEdit()->text(), remembered, type, Common::edition());
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
    if (AccountMask::isBrokenMask(account, phone ? lastPhone_ : lastAccount_, type, Common::edition())) {
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
        LOG(INFO) << "FUNC(setLoginErrorTips) type: " << static_cast<int>(type)
                  << ", tip: " << corvis::logSafe(text);
    }
    if (type == PageLoginQrcode) {
        setQrcodeTip(text, colour);
    } else if (type == PageLoginCert) {
        setCertificateTip(text, colour);
    } else {
        page(type)->setTip(text, colour);
    }
}

void ClientLoginDialog::onBtnLoginClicked(PageLoginType type)
{
    if (type != PageLoginAccount && type != PageLoginPhone) {
        return;
    }
    LoginCredentialPage* p = page(type);
    const corvis::Edition edition = Common::edition();
    QString error = loginAuthCodeVaildtyCheck(type);
    if (error.isEmpty() && p->codeEdit()->text().isEmpty()) {
        if (type == PageLoginPhone || edition.isVesk()) {
            if (p->step() == 2) {
                error = QStringLiteral("验证码不能为空，请重新输入！");
            }
        } else if (validateCodeType_ == 1) {
            error = QStringLiteral("动态码不能为空，请重新输入！");
        } else if (validateCodeType_ == 2) {
            error = QStringLiteral("验证码不能为空，请重新输入！");
        }
    }
    if (error.isEmpty() && edition.isVesk() && !PasswordRules::isPasswordWeak(p->passwordEdit()->text())) {
        error = QStringLiteral("当前密码不符合（密码长度8-16位，必须包含大写字母、小写字母、数字和特殊字符中的3种或3种以上。）"
                               "规则，请点击忘记密码进行修改");
    }
    setLoginErrorTips(error, type, errorColour());
    if (!error.isEmpty()) {
        return;
    }

    setPageLoginStatus(type, true, true);
    LoginRequestBuilder::Fields fields;
    fields.epoch = getEpochTime();
    fields.reminderAccepted = reminderAccepted_ == 1;
    reminderAccepted_ = 0;
    fields.account = realAccount(type);
    fields.password = p->passwordEdit()->text();
    fields.code = p->codeEdit()->text();
    fields.bind = p->bindSwitch()->isChecked();

    if (LoginRequestBuilder::stopsLoginLock(type, edition)) {
        closeLoginLock();
    }
    const std::optional<LoginRequest> request = LoginRequestBuilder::login(type, p->step(), authMode_, edition, fields);
    if (request) {
        if (request->req == CReqClientLogin80) {
            LOG(INFO) << "is smsAuth login...";
        }
        // Logging in another way ends the QR flow.
        stopQrcodeFlow();
        emit sendReqClientLogin(request->req, request->body);
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
    const corvis::Edition edition = Common::edition();
    switch (req) {
    case CReqClientLogin65:
    case CReqClientLoginPage77:
    case CReqClientAuthCode79:
        if (isMsgError) {
            setLoginErrorTips(text, PageLoginAccount, errorColour());
            setAuthCodeText(PageLoginTabs, false, PageLoginAccount);
        } else {
            parseLoginAuthCodeResMsg(PageLoginAccount, text);
        }
        break;
    case CReqClientLoginResult78:
        applyAction(LoginResultRules::decideSmsInit(text, isMsgError, edition), LoginKind::Account, req, text);
        break;
    case CReqClientLogin66:
        // A refused check leaves the logging page, so that the tip under the login shows.
        if (isMsgError && outer_->currentIndex() == PageLogging) {
            hideLogging();
        }
        handleLoginResult(LoginKind::Account, req, text, isMsgError, substatus);
        break;
    case CReqClientLogin76:
    case CReqClientLogin80:
        handleLoginResult(LoginKind::Account, req, text, isMsgError, substatus);
        break;
    case CReqClientLoginAuthCode83:
    case CReqClientLoginAuthCode84:
    case CReqClientLogin85:
    case CReqClientLogin86:
        handleLoginResult(LoginKind::Step, req, text, isMsgError, substatus);
        break;
    case CReqClientLogin69:
        if (isMsgError) {
            setLoginErrorTips(text, PageLoginPhone, errorColour());
            setAuthCodeText(PageLoginTabs, false, PageLoginPhone);
        } else {
            parseLoginAuthCodeResMsg(PageLoginPhone, text);
        }
        break;
    case CReqClientResetAuthCode:
    case CReqClientResetPwd:
        applyResetAction(LoginResultRules::decideReset(req, text, isMsgError, edition));
        break;
    case CReqClientLogin70:
        handleLoginResult(LoginKind::Phone, req, text, isMsgError, substatus);
        break;
    case CReqClientQrcodeSign:
    case CReqClientQrcode72:
    case CReqClientQrcode73:
    case CReqClientLogin82:
    case CReqClientLogin74:
        handleQrcodeResult(req, text, isMsgError, substatus);
        break;
    case CReqClient114:
        applyAction(LoginResultRules::decideBindAgainAnswer(text, isMsgError, currentLoginType(), edition),
                    LoginKind::Account, req, text);
        break;
    case CReqClientVeskCheckCertificate:
        handleCertificateResult(text, isMsgError);
        break;
    default:
        LOG(WARNING) << "exception request code: " << hexCode(req);
        break;
    }
}

void ClientLoginDialog::handleLoginResult(LoginKind kind, ClientReq req, const QString& text, bool isMsgError,
                                          int substatus)
{
    LoginReply reply;
    reply.kind = kind;
    reply.req = req;
    reply.text = text;
    reply.isMsgError = isMsgError;
    reply.substatus = substatus;
    reply.currentPage = currentLoginType();
    if (LoginResultRules::readsLoginFileStatus(kind, isMsgError)) {
        reply.loginFileStatus = parseVeskLoginFileStatus(LoginResultRules::pageOf(kind, req, reply.currentPage));
    }
    if (kind != LoginKind::Certificate) {
        // Every login result clears the QR page; the scanned user stays for the rows that name him.
        qrPage_->flow()->clear();
    }
    applyAction(LoginResultRules::decide(reply, Common::edition()), kind, req, text);
}

void ClientLoginDialog::applyAction(const LoginAction& action, LoginKind kind, ClientReq req, const QString& text)
{
    const PageLoginType type = action.page;
    const bool credential = type == PageLoginAccount || type == PageLoginPhone;
    if (!action.logLine.isEmpty()) {
        LOG(INFO) << action.logLine;
    }
    if (action.unlockTabs) {
        setTabWidgetLoginEnabled(true);
    }
    if (action.clearCode && credential) {
        page(type)->codeEdit()->clear();
        refreshCodeButton(type);
    }
    if (action.authMode >= 0) {
        authMode_ = action.authMode;
    }
    if (action.loginLockChange != LoginAction::LockChange::Unchanged) {
        loginLockCountDown_->stop();
    }
    if (action.setsTip && !action.tipAfterLocks) {
        setLoginErrorTips(action.tip, type, action.tipColour);
    }
    if (action.failureLock) {
        if (*action.failureLock == FailureLock::LoginFailed) {
            handleCodeCheckFail(action.tip, type);
        } else {
            handleCodeCheckFail1(action.tip, type);
        }
    }
    if (action.loginLockChange == LoginAction::LockChange::Restart) {
        loginLockCountDown_->start(action.loginLock);
    }
    if (action.step == 1 && credential) {
        page(type)->setStep(1);
    }
    if (action.pageState == LoginAction::PageState::Idle) {
        setPageLoginStatus(type, false, false);
    }
    if (action.showCode) {
        setAuthcodeVisible(true);
    }
    if (action.refreshCodeButton) {
        refreshCodeButton(type);
    }
    if (action.setsTip && action.tipAfterLocks) {
        setLoginErrorTips(action.tip, type, action.tipColour);
    }
    if (action.focus == LoginAction::Focus::Password && credential) {
        page(type)->passwordEdit()->setFocus();
    }
    if (action.logging >= 0) {
        showLogging(action.logging);
    }
    if (action.next) {
        emit sendReqClientLogin(action.next->req, action.next->body);
    }
    if (action.readStepFile) {
        parseVeskLoginFile(type);
    }
    switch (action.dialog) {
    case LoginAction::Dialog::Reminder:
        askReminder(type, text);
        break;
    case LoginAction::Dialog::CommonResult:
        emit sendShowCommonDialog(action.dialog, action.dialogStatus, req);
        break;
    case LoginAction::Dialog::ImproveUserInfo:
        showImproveUserInfo(type, text);
        break;
    case LoginAction::Dialog::BindAgain:
        showBindAgain(action, kind);
        break;
    case LoginAction::Dialog::None:
        break;
    }
    if (action.readLoginFile && parseLoginResMsg(type, text)) {
        applyAfterLogin(kind);
    }
    if (action.runCodeButton) {
        onBtnLoginAuthcodeClicked(PageLoginAccount);
    }
    if (action.jump) {
        emit sendJumpToMain();
    }
}

void ClientLoginDialog::applyAfterLogin(LoginKind kind)
{
    // Only the kav edition asks whether a sandbox is set up.
    const corvis::Edition edition = Common::edition();
    const bool sandbox = edition.is(corvis::Edition::Id::Kav) && !Common::sandboxInfo().trimmed().isEmpty();
    if (LoginResultRules::afterLogin(kind, edition, sandbox) == LoginResultRules::AfterLogin::LoggingPage) {
        showLogging(0);
        return;
    }
    hideLogging();
    emit sendJumpToMain();
}

void ClientLoginDialog::askReminder(PageLoginType type, const QString& text)
{
    CusMessageBox box(this);
    box.setThemeColours(LoginColors::theme(Common::edition()), LoginColors::themeHover(Common::edition()));
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
    setLoginErrorTips(QString(), type, errorColour());
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
        setLoginErrorTips(QStringLiteral("后台数据处理异常！"), type, errorColour());
    } else if (file.status == CS_DOC_SUCCESS) {
        ok = true;
        if (type == PageLoginAccount || type == PageLoginPhone) {
            LoginCredentialPage* p = page(type);
            const bool phone = type == PageLoginPhone;
            const QString typed = p->accountEdit()->text();
            const QString stored = phone ? Common::csUserPhone() : Common::csUserName();
            if (p->rememberBox()->isChecked()) {
                if (typed != stored && typed != AccountMask::encryptLastAccount(stored, type, Common::edition())) {
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
        } else if (type == PageLoginQrcode) {
            qrPage_->flow()->resetHint();
        }
    } else {
        LOG(INFO) << "parseLoginResMsg status:" << file.status;
        setLoginErrorTips(file.msg, type, errorColour());
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

// ---- logging page ---------------------------------------------------------------------------

void ClientLoginDialog::setPageLoggingStatus(bool ing, int status)
{
    const corvis::Edition edition = Common::edition();
    const bool buttons = !ing || edition.isVesk();
    minButton_->setVisible(buttons);
    closeButton_->setVisible(buttons);
    loggingPage_->setStatus(status, edition, isFirstInstall());
}

void ClientLoginDialog::showLogging(int status)
{
    outer_->setCurrentIndex(PageLogging);
    setPageLoggingStatus(true, status);
    if (status == 3) {
        showDialogAccess();
    } else if (status != 1) {
        emit sendAccessCheckDone();
    }
}

void ClientLoginDialog::hideLogging()
{
    outer_->setCurrentIndex(PageLoginTabs);
    loggingPage_->stop();
    minButton_->setVisible(true);
    closeButton_->setVisible(true);
    emit sendAccessCheckDone();
}

void ClientLoginDialog::resultAfterAccessLogin(int state, const QString& text)
{
    switch (state) {
    case 2:
        onReqClientLoginResult(CReqClientLogin66, LoginResultRules::accessCheckFailedText(), false, 0);
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
    LOG(INFO) << "FUNC(showDialogAccess) access check result read: " << read;
    emit sendShowAccessCheckResult(result);
}

void ClientLoginDialog::onCloseAccessCheckResult()
{
    logout();
    onReqClientLoginResult(CReqClientLogin66, QString(), true, 0);
}

void ClientLoginDialog::onCheckStart()
{
    LOG(INFO) << "FUNC(onCheckStart) the access check runs again";
    showLogging(1);
    // The service still holds the login that waits for its check: the request names nothing.
    emit sendReqClientLogin(CReqClientLogin66, QString());
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
    // Whatever the edition, nothing of a QR or certificate login goes out after the user left.
    stopQrcodeFlow();
    stopCertificateLogin();
    if (Common::edition().isVesk()) {
        return;
    }
    authMode_ = 0;
    qrPage_->flow()->clear();
    for (LoginCredentialPage* p : {accountPage_, phonePage_}) {
        setPageLoginStatus(p->type(), false, true);
        p->setTip(QString(), errorColour());
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
        accountPage_->setTip(QString(), errorColour());
    }
}

void ClientLoginDialog::showDiskSpaceLack()
{
    setLoginErrorTips(QStringLiteral("无法创建安全工作台，请清理磁盘空间后重新登录！"), PageLoginAccount, errorColour());
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
        // Enter on a focused button presses that button ("获取验证码", "返回登录页"), as a
        // dialog would; in a field it submits the form.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button != nullptr && button->isVisible()) {
            if (button->isEnabled()) {
                button->click();
            }
            return;
        }
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
    const QString path = corvis::paths::updateBackup();
    CusMessageBox box(this);
    box.setThemeColours(LoginColors::theme(Common::edition()), LoginColors::themeHover(Common::edition()));
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
