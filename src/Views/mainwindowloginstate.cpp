// MainWindow: the login state the client service pushes, and the SPA round.

#include "src/Views/mainwindow_p.h"

#include <QStackedWidget>

using corvis::Edition;
using namespace mainwindowdetail;

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
        const bool rolqWeb = Common::edition().is(Edition::Id::Rolq) && login_->systemTitle().embeddedWeb != 0;
        if (rolqWeb) {
            showWindow();
            UiComm::instance()->apiCorviswebCommon(CReqWebClose, QString());
        }
        if (Common::edition().isVesk()) {
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
    spa_->exitClear();
    if (!Common::edition().is(Edition::Id::TirrowaUosX86) || stack_->currentIndex() != PageMainSpa) {
        stack_->setCurrentIndex(PageMainLogin);
    }
    portal_->exitClear();
    if (sandbox_ != nullptr) {
        sandbox_->exitClear();
    }
    hideSidebar(MainLeftSandbox);
    // The next login reports its own sandbox and runs its own portal refresh.
    sandboxReady_ = false;
    viewTop_->setRefreshEnabled(true);
    hide();
    login_->initLoginDialog();
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
        // Past the SPA the service reaches the controller: the title's answer builds the tabs and
        // hands the SPA credentials to the login page (needAutoLogin).
        querySystemTitle();
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
