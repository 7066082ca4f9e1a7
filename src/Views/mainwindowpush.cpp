// MainWindow: the messages the services push, routed by their type.

#include "src/Views/mainwindow_p.h"

using corvis::Edition;
using namespace mainwindowdetail;

// ---------------------------------------------------------------------------------------------
// Pushed messages

void MainWindow::onServerMsg(ServerReq req, const QString& text, int arg)
{
    LOG(INFO) << QStringLiteral("FUNC(onServerMsg) reqType: %1, status: %2, msg: %3")
                     .arg(hexCode(req), QString::number(arg), corvis::logSafe(text));
    switch (req) {
    case SReqNetmodeChanged:
        portal_->updateCurrentNetmode(text);
        break;
    case SReqSandboxUpdate:
        pageSandbox()->updateSandbox(text, sandboxReady_);
        if (pageSandbox()->count() > 0) {
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
        // The user decides over the window: redo the SPA, or close the notice and log out.
        DialogSPADisconnect::instance()->show();
        DialogSPADisconnect::instance()->raise();
        DialogSPADisconnect::instance()->activateWindow();
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
        pageVersionCheck()->changeCheckVersionBtnStatus(true);
        break;
    case SReqUpdateResult81:
        showTrayMessage(text);
        pageVersionCheck()->changeBackVersionBtnStatus(true);
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
    if (Common::edition().is(Edition::Id::Rolq)) {
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
    LOG(INFO) << "onServerMsg meet SReqTraySpaLoginResult! msg:" << corvis::logSafe(text);
    // SpaRules::trayOutcome reads the outcome from the text, not from the pushed argument.
    switch (SpaRules::trayOutcome(text, spa_->isInOauthResetPage())) {
    case SpaRules::TrayOutcome::Success:
        spa_->slot_SPA_login_result(true, text);
        break;
    case SpaRules::TrayOutcome::Failure:
        spa_->slot_SPA_login_result(false, text);
        break;
    case SpaRules::TrayOutcome::ContinueAuthCode:
        LOG(INFO) << "spa auth success, begin sendsms.";
        spa_->onOauthResetBtnAuthCode(false);
        break;
    case SpaRules::TrayOutcome::ContinueCommit:
        LOG(INFO) << "spa auth success, begin updatepwd.";
        spa_->onOauthResetBtnCommit(false);
        break;
    case SpaRules::TrayOutcome::Ignore:
        break;
    }
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
    pageDynamicAuth()->updateData();
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
        ids.removeAll(QString());
        if (ids.isEmpty()) {
            // Told to stop and told nothing else: stop everything until the service releases it.
            LOG(WARNING) << "dynamic auth stops applications but names none (forbidAccessAppIds: []), so every application is stopped";
        }
        portal_->handleEnable(true, QStringList());
        portal_->handleEnable(false, ids);
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
        if (Common::edition().is(Edition::Id::TirrowaUosX86) && redoSpaPending_) {
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

void MainWindow::onSandboxReady(const QString& id)
{
    LOG(INFO) << "ready sandbox id:" << corvis::logSafe(id);
    if (sandboxReady_) {
        LOG(INFO) << "sandboxReady is true, noting to do.";
        return;
    }
    sandboxReady_ = true;
    pageSandbox()->handleSandboxReady(id);
}
