#include "src/Views/mainwindow.h"

#include "app/common.h"
#include "comm/cs_ret_status.h"
#include "comm/serverdeal.h"
#include "comm/uicomm.h"
#include "comm/unixserver.h"
#include "corviscommon/downloadstore.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "corviscommon/productpath.h"
#include "login/clientlogindialog.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"
#include "src/Views/dialogappfor.h"
#include "src/Views/dialogcommon.h"
#include "src/Views/dialoginform.h"
#include "src/Views/dialogpersonalcenter.h"
#include "src/Views/dialogspadisconnect.h"
#include "src/Views/pagedeviceinfo.h"
#include "src/Views/pagedynamicauth.h"
#include "src/Views/pageportal.h"
#include "src/Views/pagesandbox.h"
#include "src/Views/pagespa.h"
#include "src/Views/pageversioncheck.h"
#include "src/Views/viewleft.h"
#include "src/Views/viewtop.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QScreen>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QThread>

namespace {

int g_trayWaitAttempts = 30;

const QString kConnectError = QStringLiteral("__CONNECT_ERROR__");
const QString kRestartMessage = QStringLiteral("安全工作台启动异常，请重启电脑后重试！");

// Results the login dialog interprets itself.
bool isLoginResult(int req)
{
    return (req >= CReqClientLogin65 && req <= CReqClientLogin74) || (req >= CReqClientLogin76 && req <= CReqClientLogin80)
           || (req >= CReqClientLogin82 && req <= CReqClientLogin86) || req == CReqClient114
           || req == CReqClientVeskCheckCertificate;
}

// Client-service results routed by onReqClientResult.
bool isRoutedClientResult(int req)
{
    switch (req) {
    case CReqClientUserBind:
    case CReqClientQuerySystemTitle:
    case CReqClientModifyPwd:
    case CReqClientVeskUnbindDev:
    case CReqClientGetCarousel:
    case CReqClientOperationEnv:
    case CReqClientResource99:
    case CReqClientPortalRefresh116:
    case CReqClientApplyCommit:
    case CReqClientAppforCombobox:
    case CReqClientOauthResetAuthCode:
    case CReqClientOauthResetCommit:
    case CReqClientImproveUserInfo:
        return true;
    default:
        return req >= CReqClientPortalRefresh101 && req <= CReqClientBind;
    }
}

// A client-service request from the main window; results come back through onCommMsg.
void requestClient(ClientReq req, const QString& body = QString())
{
    UiComm::instance()->apiCorvisclientCommon(req, body, true);
}

}  // namespace

void MainWindow::setTrayWaitAttempts(int attempts)
{
    g_trayWaitAttempts = attempts;
}

MainWindow* MainWindow::instance()
{
    static MainWindow* window = new MainWindow();
    return window;
}

QList<MainLeftItem> MainWindow::leftItems(const QString& project)
{
    const bool vesk = project == QLatin1String(PROJECT_VESK_UOS) || project == QLatin1String(PROJECT_VESK_KYLIN);
    const bool kav = project == QLatin1String(PROJECT_KAV);
    const auto veskIcon = [](const char* name) {
        return corvis::installPathQ(QStringLiteral("resource/vesk/clientmain/") + QLatin1String(name));
    };
    QList<MainLeftItem> items;
    if (!vesk) {
        items.append({MainLeftPortal, kav ? QStringLiteral("应用入口") : QStringLiteral("统一门户"),
                      QStringLiteral(":/resources/Img/icon_portal.png")});
        items.append({MainLeftSandbox, kav ? QStringLiteral("安全空间") : QStringLiteral("安全沙箱"),
                      QStringLiteral(":/resources/Img/icon_sandbox.png")});
    }
    items.append({MainLeftDeviceInfo, QStringLiteral("设备信息"),
                  vesk ? veskIcon("device_info_checked.png") : QStringLiteral(":/resources/Img/icon_device_info.png")});
    items.append({MainLeftDynamicAuth, vesk ? QStringLiteral("评分信息") : QStringLiteral("动态授权"),
                  vesk ? veskIcon("dynamic_score_checked.png") : QStringLiteral(":/resources/Img/icon_dynamic_auth.png")});
    items.append({MainLeftVersionCheck, QStringLiteral("版本检测"),
                  vesk ? veskIcon("version_check.png") : QStringLiteral(":/resources/Img/icon_version_check.png")});
    return items;
}

MainWindow::MainWindow() : QMainWindow(nullptr)
{
    setObjectName(QStringLiteral("MainWindow"));
    buildWorkArea();
    // Kylin on mips runs odd scalings: let the window grow there.
    if (Common::unameRelease().contains(QLatin1String("mips"))) {
        setMinimumSize(960, 700);
        resize(960, 700);
    } else {
        setFixedSize(960, 700);
    }
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    if (!Common::csMode()) {
        // Only a pushed message brings the window up without client-server mode.
        setVisible(false);
    }
    setWindowTitle(Common::softName());
    waitForSystemTray();
    setIcon();
    centre();
    init();
}

void MainWindow::buildWorkArea()
{
    stack_ = new QStackedWidget(this);
    stack_->setObjectName(QStringLiteral("mainStack"));
    auto* empty = new QWidget(stack_);
    empty->setObjectName(QStringLiteral("pageEmpty"));
    stack_->addWidget(empty);

    workArea_ = new QWidget(stack_);
    workArea_->setObjectName(QStringLiteral("workArea"));
    auto* grid = new QGridLayout(workArea_);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    viewLeft_ = new ViewLeft(workArea_);
    viewLeft_->setMinimumWidth(168);
    viewTop_ = new ViewTop(workArea_);
    viewTop_->setMinimumHeight(53);
    workStack_ = new QStackedWidget(workArea_);
    workStack_->setObjectName(QStringLiteral("workStack"));
    workStack_->setStyleSheet(QStringLiteral("QStackedWidget#workStack{background-color: white;}"));
    grid->addWidget(viewLeft_, 0, 0, 2, 1);
    grid->addWidget(viewTop_, 0, 1);
    grid->addWidget(workStack_, 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);
    stack_->addWidget(workArea_);
    setCentralWidget(stack_);
}

void MainWindow::waitForSystemTray()
{
    for (int i = 0; i < g_trayWaitAttempts; ++i) {
        if (QSystemTrayIcon::isSystemTrayAvailable()) {
            return;
        }
        LOG(WARNING) << "system tray is unavailable, sleep " << 2;
        QThread::sleep(2);
    }
}

void MainWindow::setIcon()
{
    const QString logo = corvis::installPathQ(QStringLiteral("resource/logo.png"));
    if (QFileInfo::exists(logo)) {
        setWindowIcon(QIcon(logo));
    } else if (Common::isVeskProject()) {
        setWindowIcon(QIcon(QStringLiteral(":/resource/vesk/logo.png")));
    } else {
        setWindowIcon(QIcon(QStringLiteral(":/resources/Img/corvislogo.png")));
    }
}

void MainWindow::centre()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect free = screen->availableGeometry();
    move(free.x() + (free.width() - width()) / 2, free.y() + (free.height() - height()) / 3);
}

void MainWindow::init()
{
    login_ = ClientLoginDialog::instance();
    spa_ = PageSPA::instance();
    stack_->insertWidget(PageMainLogin, login_);
    stack_->insertWidget(PageMainSpa, spa_);

    qRegisterMetaType<ServerReq>("ServerReq");
    qRegisterMetaType<ClientReq>("ClientReq");
    qRegisterMetaType<stQuerySandboxApproveRecordsRsp>("stQuerySandboxApproveRecordsRsp");

    portal_ = PagePortal::instance();
    sandbox_ = new PageSandbox(workStack_);
    deviceInfo_ = new PageDeviceInfo(workStack_);
    dynamicAuth_ = new PageDynamicAuth(workStack_);
    versionCheck_ = new PageVersionCheck(workStack_);
    addLeftItems();

    connect(UiComm::instance(), &UiComm::sendCommMsg, this, &MainWindow::onCommMsg);
    server_ = new UnixServer(corvis::productPathQ(QStringLiteral("/tmp/.corvisbench.us")), this);
    server_->start(QThread::InheritPriority);
    ServerDeal* deal = server_->severDeal();
    connect(deal, &ServerDeal::sendServerMsg, this, &MainWindow::onServerMsg);
    connect(deal, &ServerDeal::sendWindowStatusChanged, this, &MainWindow::onWindowStatusChanged);
    connect(deal, &ServerDeal::sendSandboxReady, this, &MainWindow::onSandboxReady);
    connectPages();

    stack_->setCurrentIndex(PageMainLogin);
    querySystemTitle();
}

void MainWindow::addLeftItems()
{
    const QList<MainLeftItem> items = leftItems(Common::customProject());
    for (const MainLeftItem& item : items) {
        QWidget* page = nullptr;
        switch (item.index) {
        case MainLeftPortal:
            page = portal_;
            break;
        case MainLeftSandbox:
            page = sandbox_;
            break;
        case MainLeftDeviceInfo:
            page = deviceInfo_;
            break;
        case MainLeftDynamicAuth:
            page = dynamicAuth_;
            break;
        case MainLeftVersionCheck:
            page = versionCheck_;
            break;
        }
        viewLeft_->addItem(item.label, QIcon(item.icon));
        workStack_->addWidget(page);
        leftOrder_.append(item.index);
    }
    if (Common::isProject(PROJECT_KAV)) {
        viewLeft_->setThemeColor(QStringLiteral("#D70A2A"));
    } else if (Common::isVeskProject()) {
        viewLeft_->setThemeColor(QStringLiteral("#4AB793"));
    }
    // Shown once the service reports sandboxes and an active dynamic authorization.
    hideSidebar(MainLeftSandbox);
    hideSidebar(MainLeftDynamicAuth);
}

void MainWindow::connectPages()
{
    connect(this, &MainWindow::sendClientLoginResult, login_, &ClientLoginDialog::onReqClientLoginResult);
    connect(login_, &ClientLoginDialog::sendReqClientLogin, this,
            [](ClientReq req, const QString& text) { UiComm::instance()->apiCorvisclientCommon(req, text, true); });
    connect(login_, &ClientLoginDialog::sendJumpToMain, this, &MainWindow::onJumpToMain);
    connect(login_, &ClientLoginDialog::sendWindowsChange, this, &MainWindow::onWindows);
    connect(login_, &ClientLoginDialog::sendShowCommonDialog, this,
            [](LoginAction::Dialog page, int status, ClientReq req) {
                DialogCommon::instance()->showWindow(
                    page == LoginAction::Dialog::ImproveUserInfo ? PageDialogImproveUserInfo : PageDialogModifyPwd,
                    cs_ret_status(status), req);
            });
    connect(spa_, &PageSPA::sendSPALoginSucc, this, &MainWindow::onSPALoginSucc);
    connect(spa_, &PageSPA::sendWindowsChange, this, &MainWindow::onWindows);
    connect(DialogSPADisconnect::instance(), &DialogSPADisconnect::sendTriggerRedoSPA, this, &MainWindow::onTriggerRedoSPA);
    connect(portal_, &PagePortal::sendFileDownload, this, &MainWindow::onFileDownload);

    for (DialogCommon* dialog : {DialogCommon::instance(), viewTop_->dialogPersonalCenter()->dialogCommon()}) {
        connect(dialog, &DialogCommon::sendReqClientModifyPwd, this,
                [](ClientReq req, const QString& text) { UiComm::instance()->apiCorvisclientCommon(req, text, true); });
        connect(dialog, &DialogCommon::sendJumpToMain, this, &MainWindow::onJumpToMain);
        connect(dialog, &DialogCommon::sendRecoverLoginBtn, login_, &ClientLoginDialog::onRecoverLoginBtn);
    }

    connect(viewLeft_, &ViewLeft::sendIndexChanged, this, &MainWindow::onLeftBtnChanged);
    connect(viewTop_, &ViewTop::sendRefresh, this, &MainWindow::onTopRefresh);
    connect(viewTop_, &ViewTop::sendMinimize, this, &MainWindow::showMinimized);
    connect(viewTop_, &ViewTop::sendClose, this, &MainWindow::hideWindow);
    connect(viewTop_, &ViewTop::sendApplyFor, this, &MainWindow::onApplyFor);
}

// ---------------------------------------------------------------------------------------------
// Showing, hiding, quitting

void MainWindow::show(int index)
{
    LOG(INFO) << "FUNC(MainWindow::show) index: " << index;
    if (index >= 0 && index < stack_->count()) {
        stack_->setCurrentIndex(index);
    }
    showNormal();
    raise();
    activateWindow();
    // tirrowa knocks at once when the SPA page comes up, once per SPA round.
    if (index == PageMainSpa && Common::isProject(PROJECT_TIRROWA) && !spaTriggered_) {
        spaTriggered_ = true;
        spa_->slot_btn_common_login_clicked();
    }
}

void MainWindow::showWindow()
{
    const bool wasHidden = isHidden();
    if (loginState_ == LoginOnline) {
        stack_->setCurrentIndex(PageMainWork);
    } else if (stack_->currentIndex() != PageMainSpa) {
        stack_->setCurrentIndex(PageMainLogin);
    }
    if (wasHidden) {
        querySystemTitle();
    }
    if (Common::isProject(PROJECT_ROLQ)) {
        UiComm::instance()->apiCorviswebCommon(CReqWebShow, QString());
    }
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::hideWindow()
{
    hide();
}

void MainWindow::closeWindow()
{
    server_->stop();
    server_->wait();
    if (Common::isProject(PROJECT_ROLQ)) {
        UiComm::instance()->apiCorviswebCommon(CReqWebClose, QString());
    }
    LOG(INFO) << "corvisbench will quit";
    QCoreApplication::quit();
}

bool MainWindow::isPushServerRunning() const
{
    return server_->isRunning();
}

void MainWindow::onWindows(int change)
{
    if (change == 0) {
        showMinimized();
    } else if (change == 1) {
        hide();
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    LOG(INFO) << "MainWindow::closeEvent!";
    hide();
    event->ignore();
}

int MainWindow::currentPage() const
{
    return stack_->currentIndex();
}

// ---------------------------------------------------------------------------------------------
// Navigation

int MainWindow::leftPosition(MainLeftItemIndex index) const
{
    return leftOrder_.indexOf(index);
}

QWidget* MainWindow::currentWorkPage() const
{
    return workStack_->currentWidget();
}

void MainWindow::showMainWorkPage(MainLeftItemIndex index)
{
    const int position = leftPosition(index);
    if (position < 0) {
        LOG(INFO) << "FUNC(showMainWorkPage) no item " << index << " in this edition";
        return;
    }
    viewLeft_->setCurrentIndex(position);
}

void MainWindow::onLeftBtnChanged(int position)
{
    workStack_->setCurrentIndex(position);
}

void MainWindow::showSidebar(int index)
{
    const int position = leftPosition(static_cast<MainLeftItemIndex>(index));
    if (position >= 0) {
        viewLeft_->showItem(position);
    }
}

void MainWindow::hideSidebar(int index)
{
    const int position = leftPosition(static_cast<MainLeftItemIndex>(index));
    if (position >= 0) {
        viewLeft_->hideItem(position);
    }
}

void MainWindow::onJumpToMain()
{
    LOG(INFO) << "MainWindow::onJumpToMain";
    stack_->setCurrentIndex(PageMainWork);
    if (viewLeft_->count() > 0) {
        viewLeft_->setCurrentIndex(0);
    }
}

// ---------------------------------------------------------------------------------------------
// Request results

void MainWindow::onCommMsg(ClientReq req, QString resMsg, QString extra, bool failed)
{
    if (req == CReqDaemonSandbox) {
        LOG(INFO) << QStringLiteral("get message from corvisdaemon, reqType: %1, resMsg: %2").arg(hexCode(req), resMsg);
        return;
    }
    if (req == CReqUpdate39 || req == CReqUpdate40) {
        LOG(INFO) << QStringLiteral("get message from corvisupdatesrv, reqType: %1, resMsg: %2").arg(hexCode(req), resMsg);
        // The tray shows the text to the user: never the internal marker of a missing service.
        showTrayMessage(resMsg == kConnectError ? kRestartMessage : resMsg);
        if (req == CReqUpdate39) {
            versionCheck_->changeCheckVersionBtnStatus(true);
        } else {
            versionCheck_->changeBackVersionBtnStatus(true);
            login_->changeBackVersionBtnStatus(true);
        }
        return;
    }
    if (req == CReqTray33) {
        if (failed) {
            LOG(WARNING) << "server error, cannot connect to corvistray！";
        }
        return;
    }
    const bool loginResult = isLoginResult(req);
    if (!loginResult && !isRoutedClientResult(req)) {
        return;
    }
    LOG(INFO) << QStringLiteral("get message from corvisclient, reqType: %1, resMsg: %2").arg(hexCode(req), corvis::maskSecrets(resMsg));
    QString text = resMsg;
    int substatus = extra.toInt();
    if (text == kConnectError) {
        text = kRestartMessage;
        substatus = 0;
    }
    if (loginResult) {
        emit sendClientLoginResult(req, text, failed, substatus);
    } else {
        onReqClientResult(req, text, failed);
    }
}

void MainWindow::onReqClientResult(ClientReq req, QString text, bool failed)
{
    switch (req) {
    case CReqClientUserBind:
        if (failed) {
            LOG(INFO) << "CReqClientUserBind Error!";
            break;
        }
        bindMaxNum_ = text.trimmed().toInt();
        // The vesk editions show the bound devices as cards only.
        if (!Common::isVeskProject()) {
            deviceInfo_->updateBindlingDevice();
        }
        deviceInfo_->updateBindState(bindMaxNum_);
        break;
    case CReqClientQuerySystemTitle:
        onSystemTitleResult(failed);
        break;
    case CReqClientModifyPwd:
    case CReqClientUnbindAuthCode:
    case CReqClientUnbind:
    case CReqClientAgainAuthPwd:
    case CReqClientAgainAuthSmsCode:
    case CReqClientAgainAuthSms:
    case CReqClientBindAuthCode:
    case CReqClientBind:
    case CReqClientImproveUserInfo:
        activeDialogCommon()->handleReqClientResult(req, text, failed);
        if (req == CReqClientModifyPwd && !failed && text == QLatin1String("18")) {
            login_->setLoginErrorTips(QStringLiteral("修改密码成功，请重新登陆"), login_->currentLoginType(), QStringLiteral("#D8424E"));
        }
        break;
    case CReqClientVeskUnbindDev:
        LOG(INFO) << "CReqClientVeskUnbindDev !!!!!!!!!!!!!";
        if (failed) {
            showTrayMessage(QStringLiteral("解绑指定设备失败：") + text);
        } else {
            deviceInfo_->updateBindState(bindMaxNum_);
            showTrayMessage(QStringLiteral("解绑成功"));
        }
        break;
    case CReqClientGetCarousel:
        if (failed) {
            LOG(INFO) << "CReqClientGetCarousel error, noting to do";
        } else {
            LOG(INFO) << "CReqClientGetCarousel return success";
            login_->updateCarousel();
        }
        break;
    case CReqClientOperationEnv:
        if (failed) {
            LOG(INFO) << "noting to do";
        } else {
            deviceInfo_->judgeEnvRemind(text);
        }
        break;
    case CReqClientResource99:
    case CReqClientResource100:
        break;
    case CReqClientPortalRefresh101:
        onAppCatResult(failed);
        break;
    case CReqClientPortalRefresh102:
        onAppListResult(failed);
        break;
    case CReqClientCollect: {
        if (failed) {
            LOG(INFO) << "fail to collectAppstore: " << text;
        }
        // "<...>&&<appId>": without the id the entry cannot be found.
        const QString appId = text.section(QStringLiteral("&&"), 1, 1);
        if (!appId.isEmpty()) {
            portal_->handleCollect(appId, !failed);
        }
        break;
    }
    case CReqClientGetLoginAudit:
        if (failed) {
            LOG(INFO) << "CReqClientGetLoginAudit error, noting to do";
        } else {
            viewTop_->dialogPersonalCenter()->updateLoginAudit();
        }
        break;
    case CReqClient105:
        if (failed) {
            LOG(INFO) << "fail to getInformList: " << text;
        } else {
            viewTop_->dialogInform()->updateInformList();
        }
        break;
    case CReqClientInformRead106:
        if (failed) {
            LOG(INFO) << "fail to readAllInfo: " << text;
            viewTop_->dialogInform()->readAllFailed();
        } else {
            viewTop_->dialogInform()->markAllRead();
        }
        break;
    case CReqClientPortalRefresh116:
        if (failed) {
            LOG(INFO) << "fail to queryAppApplyList: " << text;
        } else {
            portal_->onPortalRefresh(2, false);
        }
        viewTop_->setRefreshEnabled(true);
        break;
    case CReqClientApplyCommit:
        portal_->handleSubmitAppApply(text, !failed);
        break;
    case CReqClientAppforCombobox:
        DialogAppFor::instance(this)->handleAppApproveRecords(!failed, text);
        break;
    case CReqClientOauthResetAuthCode:
        spa_->handleOauthResetAuthCode(text, failed);
        break;
    case CReqClientOauthResetCommit:
        spa_->handleOauthResetCommit(text, failed);
        break;
    default:
        viewTop_->setRefreshEnabled(true);
        LOG(INFO) << "exception request code: " << hexCode(req);
        break;
    }
}

void MainWindow::onSystemTitleResult(bool failed)
{
    LOG(INFO) << "onReqClientResult CReqClientQuerySystemTitle";
    if (!failed) {
        login_->handleSystemTitle();
        autoLoginAfterSystemTitle();
        return;
    }
    LOG(WARNING) << "failed to query system title!";
    if (!titleRetryEnabled_) {
        return;
    }
    ++titleRetries_;
    if (titleRetries_ > 3) {
        titleRetryEnabled_ = false;
    }
    login_->querySystemTitle(titleRetries_);
}

void MainWindow::autoLoginAfterSystemTitle()
{
    if (Common::isProject(PROJECT_ROLQ) && login_->systemTitle().embeddedWeb != 0) {
        // The web component logs in there; the login page is not shown.
        LOG(INFO) << "rolq embedded web, not auto login.";
        return;
    }
    QString account;
    QString password;
    if (spa_->needAutoLogin(account, password)) {
        if (Common::isProject(PROJECT_KAV) && login_->loginAuthCodeVaildtyCheckKAV()) {
            // kav keeps what the user has typed already.
            LOG(INFO) << "kav account already filled, not auto login.";
            return;
        }
        login_->spaAutoFill(account, password);
        return;
    }
    // These editions knock with the account of their own section; a passed SPA of an earlier
    // start leaves it as the login account.
    if ((Common::isProject(PROJECT_TIRROWA) || Common::isProject(PROJECT_VELMORA)) && Common::spaMark()
        && !Common::spaUserName().isEmpty() && !Common::vlsUserName().isEmpty()) {
        login_->spaAutoFill(Common::vlsUserName(), Common::vlsPassword());
        return;
    }
    LOG(INFO) << "not auto login.";
}

void MainWindow::onAppCatResult(bool failed)
{
    if (failed) {
        LOG(INFO) << "failed to query appCat!";
        if (appCatRetries_ < 3) {
            ++appCatRetries_;
            requestClient(CReqClientPortalRefresh101);
            return;
        }
        portal_->updatePortal(1);
        viewTop_->setRefreshEnabled(true);
        return;
    }
    appCatOk_ = true;
    viewTop_->setRefreshEnabled(true);
    finishPortalRefresh();
}

void MainWindow::onAppListResult(bool failed)
{
    if (failed) {
        LOG(INFO) << "fail to queryAppList, display blank pages";
        portal_->updatePortal(1);
        return;
    }
    appListOk_ = true;
    finishPortalRefresh();
}

void MainWindow::finishPortalRefresh()
{
    if (appCatOk_ && appListOk_) {
        portal_->updateNetmodeApp();
        portal_->updatePortal(0);
    }
}

void MainWindow::startPortalRefresh(bool fromTopBar)
{
    viewTop_->setRefreshEnabled(false);
    appCatOk_ = false;
    appListOk_ = false;
    appCatRetries_ = 0;
    if (fromTopBar) {
        portal_->handleTopRefresh();
    } else {
        portal_->onPortalRefresh(1, false);
    }
}

void MainWindow::onTopRefresh()
{
    if (!viewTop_->isRefreshing()) {
        startPortalRefresh(true);
    }
}

void MainWindow::onApplyFor()
{
    if (leftPosition(MainLeftPortal) < 0) {
        LOG(INFO) << "FUNC(onApplyFor) no portal in this edition";
        return;
    }
    showMainWorkPage(MainLeftPortal);
    // Until the request list's answer (116).
    viewTop_->setRefreshEnabled(false);
    portal_->onPortalRefresh(2, true);
}

DialogCommon* MainWindow::activeDialogCommon() const
{
    // Both dialogs send the same requests; the answer belongs to the one the user works in.
    DialogCommon* personal = viewTop_->dialogPersonalCenter()->dialogCommon();
    return personal->isVisible() ? personal : DialogCommon::instance();
}

void MainWindow::showTrayMessage(const QString& text)
{
    if (!text.isEmpty()) {
        UiComm::instance()->apiCorvistrayCommon(CReqTray36, text);
    }
}

void MainWindow::querySystemTitle()
{
    requestClient(CReqClientQuerySystemTitle);
}

// ---------------------------------------------------------------------------------------------
// Pushed messages

void MainWindow::onServerMsg(ServerReq req, const QString& text, int arg)
{
    LOG(INFO) << QStringLiteral("FUNC(onServerMsg) reqType: %1, status: %2, msg: %3").arg(hexCode(req)).arg(arg).arg(text);
    switch (req) {
    case SReqNetmodeChanged:
        portal_->updateCurrentNetmode(text);
        break;
    case SReqSandboxUpdate:
        sandbox_->updateSandbox(text, sandboxReady_);
        if (sandbox_->count() > 0) {
            showSidebar(MainLeftSandbox);
        } else {
            hideSidebar(MainLeftSandbox);
        }
        break;
    case SReqRedoSpa:
        onRedoSpa(arg);
        break;
    case SReqTraySpaLoginResult:
        onTraySpaLoginResult(text);
        break;
    case SReqSpaDisconnect:
        LOG(INFO) << "spa disconnect ...";
        showNormal();
        raise();
        activateWindow();
        break;
    case SReqOpenAppApprove:
    case SReqOpenSandboxApprove:
        onOpenApprove(req);
        break;
    case SReqOpenPortal:
        LOG(INFO) << "open page portal.";
        showWindow();
        showMainWorkPage(MainLeftPortal);
        break;
    case SReqShowInform:
        LOG(INFO) << "check out new massge";
        viewTop_->showInform();
        break;
    case SReqNewMessage:
    case SReqMessageRefresh:
        // The service keeps the list: a new message is read with the rest.
        viewTop_->dialogInform()->requestInformList();
        break;
    case SReqMessageRead:
        viewTop_->dialogInform()->markAllRead();
        break;
    case SReqAccessLoginResult:
        login_->resultAfterAccessLogin(arg, text);
        break;
    case SReqDynamicAuth:
        onDynamicAuth(arg);
        break;
    case SReqUpdateResult80:
        showTrayMessage(text);
        versionCheck_->changeCheckVersionBtnStatus(true);
        break;
    case SReqUpdateResult81:
        showTrayMessage(text);
        versionCheck_->changeBackVersionBtnStatus(true);
        break;
    case SReqDiskSpaceLack:
        login_->showDiskSpaceLack();
        break;
    default:
        DialogAppFor::instance(this)->raise();
        LOG(INFO) << "exception server request code: " << hexCode(req);
        break;
    }
}

void MainWindow::onRedoSpa(int arg)
{
    LOG(INFO) << "RedoSpaStart!";
    if (Common::isProject(PROJECT_ROLQ)) {
        UiComm::instance()->apiCorviswebCommon(CReqWebClose, QString());
    }
    const redoSpaStatus status = arg == RedoSpaDone ? RedoSpaDone : RedoSpaStart;
    redoSpaPending_ = status == RedoSpaStart;
    // A new SPA round: tirrowa knocks again when the page comes up.
    spaTriggered_ = false;
    spa_->initSPAPage(status);
    show(PageMainSpa);
    LOG(INFO) << "RedoSpaDone!";
}

void MainWindow::onTraySpaLoginResult(const QString& text)
{
    LOG(INFO) << "onServerMsg meet SReqTraySpaLoginResult! msg:" << text;
    if (text.isEmpty() || text == QLatin1String("OPEN1443")) {
        spa_->slot_SPA_login_result(true, text);
        return;
    }
    if (text.contains(QLatin1String("YZY_ONLYAUTH_SUCCESS"))) {
        // The one-time authorization of the reset form; nothing to continue elsewhere.
        if (!spa_->isInOauthResetPage()) {
            return;
        }
        if (text.contains(QLatin1String("SENDSMS"))) {
            LOG(INFO) << "spa auth success, begin sendsms.";
            spa_->onOauthResetBtnAuthCode(false);
        } else {
            LOG(INFO) << "spa auth success, begin updatepwd.";
            spa_->onOauthResetBtnCommit(false);
        }
        return;
    }
    if (text.contains(QLatin1String("YZY_ONLYAUTH_FAIL"))) {
        if (spa_->isInOauthResetPage()) {
            spa_->slot_SPA_login_result(false, text);
        }
        return;
    }
    spa_->slot_SPA_login_result(false, text);
}

void MainWindow::onOpenApprove(ServerReq req)
{
    const bool app = req == SReqOpenAppApprove;
    LOG(INFO) << (app ? "open app approve." : "open sandbox approve.");
    DialogAppFor* dialog = DialogAppFor::instance(this);
    dialog->initAppApproveRecords();
    dialog->initSandboxApproveRecords();
    dialog->setCurrentIndex(app ? DialogAppFor::TabAppApprove : DialogAppFor::TabSandboxApprove);
    dialog->showNormal();
    dialog->raise();
    dialog->activateWindow();
}

void MainWindow::onDynamicAuth(int status)
{
    if (status == CS_RET_DYNAMIC_NOT_OPEN) {
        LOG(INFO) << "no dynamic Auth, so hide this tab";
        hideSidebar(MainLeftDynamicAuth);
        portal_->setDynamicAuthTips(QString());
        portal_->handleEnable(true, QStringList());
        return;
    }
    dynamicAuth_->updateData();
    showSidebar(MainLeftDynamicAuth);
    PolicyAnalyzer* analyzer = PolicyAnalyzer::instance();
    switch (status) {
    case CS_RET_SUCCESS:
        portal_->setDynamicAuthTips(QString());
        portal_->handleEnable(true, QStringList());
        break;
    case CS_RET_DYNAMIC_STOP_ALL_APP: {
        QString tips;
        analyzer->parseDynamicAuthTips(tips);
        portal_->setDynamicAuthTips(tips);
        portal_->handleEnable(false, QStringList());
        break;
    }
    case CS_RET_DYNAMIC_STOP_SPEC_APP: {
        QString tips;
        analyzer->parseDynamicAuthTips(tips);
        portal_->setDynamicAuthTips(tips);
        QStringList ids;
        analyzer->parseDynamicStopApp(ids);
        portal_->handleEnable(true, QStringList());
        // An empty list would stop every application: only a named one is stopped here.
        ids.removeAll(QString());
        if (ids.isEmpty()) {
            LOG(WARNING) << "dynamic auth stops some applications but names none, so none is stopped";
        } else {
            portal_->handleEnable(false, ids);
        }
        break;
    }
    case CS_RET_DYNAMIC_AUTH_AGAIN: {
        AuthAgainType type = AuthAgainPwd;
        analyzer->parseDynamicAuthAgainType(type);
        if (type == AuthAgainSms) {
            LOG(INFO) << "AuthAgainSms window show!";
            DialogCommon::instance()->showWindow(PageDialogAuthAgainSms, CS_RET_SUCCESS, CReqClientLogin76);
        } else {
            LOG(INFO) << "AuthAgainPwd window show!";
            DialogCommon::instance()->showWindow(PageDialogAuthAgainPwd, CS_RET_SUCCESS, CReqClientLogin76);
        }
        break;
    }
    default:
        LOG(INFO) << "dynamic auth status: " << status << ", nothing more to do";
        break;
    }
}

void MainWindow::onWindowStatusChanged(ServerReq req)
{
    switch (req) {
    case SReqUpline:
    case SReqDownline:
        updateLoginState(req);
        break;
    case SReqShowWindow:
        if (Common::isProject(PROJECT_TIRROWA) && redoSpaPending_) {
            UiComm::instance()->apiCorvistrayCommon(CReqTray38, QString());
        } else {
            showWindow();
        }
        break;
    case SReqCloseWindow:
        closeWindow();
        break;
    default:
        LOG(INFO) << "exception request code: " << hexCode(req);
        break;
    }
}

void MainWindow::updateLoginState(ServerReq req)
{
    if (req == SReqUpline) {
        LOG(INFO) << "==========updateLoginState SReqUpline happen!";
        loginState_ = LoginOnline;
        login_->setOnline(true);
        viewTop_->setUserName(Common::userName());
        deviceInfo_->onLoginStateChanged(loginState_, SDeviceInfo{Common::userName()});
        if (!viewTop_->isRefreshing()) {
            startPortalRefresh(false);
        }
        viewTop_->dialogPersonalCenter()->updateBaseData();
        requestClient(CReqClientGetLoginAudit);
        requestClient(CReqClient105);
        LOG(INFO) << "login Succ, so again systemtitle";
        querySystemTitle();
        stack_->setCurrentIndex(PageMainWork);
        if (viewLeft_->count() > 0) {
            viewLeft_->setCurrentIndex(0);
        }
        const bool rolqWeb = Common::isProject(PROJECT_ROLQ) && login_->systemTitle().embeddedWeb != 0;
        if (rolqWeb) {
            showWindow();
            UiComm::instance()->apiCorviswebCommon(CReqWebClose, QString());
        }
        if (Common::isVeskProject()) {
            portal_->initVeskResource();
        }
        requestClient(CReqClient89);
        requestClient(CReqClientGetCarousel);
        requestClient(CReqClientUserBind);
        login_->hideLogging();
        // The tray takes over; with the embedded web the window replaces the web view instead.
        if (!rolqWeb) {
            hide();
        }
        return;
    }

    LOG(INFO) << "==========updateLoginState SReqDownline happen!";
    loginState_ = LoginOffline;
    login_->setOnline(false);
    portal_->setDynamicAuthTips(QStringLiteral("动态授权评估中，请等待评估完成后再访问应用"));
    login_->logout();
    viewTop_->exitClear();
    deviceInfo_->onLoginStateChanged(loginState_, SDeviceInfo{});
    login_->exitClear();
    if (!Common::isProject(PROJECT_TIRROWA) || stack_->currentIndex() != PageMainSpa) {
        stack_->setCurrentIndex(PageMainLogin);
    }
    portal_->exitClear();
    sandbox_->exitClear();
    hideSidebar(MainLeftSandbox);
    // The next login reports its own sandbox and runs its own portal refresh.
    sandboxReady_ = false;
    viewTop_->setRefreshEnabled(true);
    hide();
    login_->initLoginDialog();
}

void MainWindow::onSandboxReady(const QString& id)
{
    LOG(INFO) << "ready sandbox id:" << id;
    if (sandboxReady_) {
        LOG(INFO) << "sandboxReady is true, noting to do.";
        return;
    }
    sandboxReady_ = true;
    sandbox_->handleSandboxReady(id);
}

void MainWindow::onSPALoginSucc(QString account, QString password)
{
    Q_UNUSED(account)
    Q_UNUSED(password)
    LOG(INFO) << "MainWindow::onSPALoginSucc!";
    redoSpaPending_ = false;
    if (Common::csMode()) {
        stack_->setCurrentIndex(PageMainLogin);
        login_->initLoginDialog();
    } else {
        hide();
    }
}

void MainWindow::onTriggerRedoSPA()
{
    LOG(INFO) << "MainWindow::onTriggerRedoSPA";
    UiComm::instance()->apiCorvisclientCommon(CReqClientLogout, QString());
    hide();
}

void MainWindow::onFileDownload(QString path, QByteArray data)
{
    DownloadStore::write(path, data);
}
