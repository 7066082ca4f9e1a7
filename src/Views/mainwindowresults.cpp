// MainWindow: the results of requests to the services, routed by request type.

#include "src/Views/mainwindow_p.h"

using corvis::Edition;
using namespace mainwindowdetail;

namespace {

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

}  // namespace

// ---------------------------------------------------------------------------------------------
// Request results

void MainWindow::onCommMsg(ClientReq req, QString resMsg, QString extra, bool failed)
{
    if (req == CReqDaemonSandbox) {
        LOG(INFO) << QStringLiteral("get message from corvisdaemon, reqType: %1, resMsg: %2").arg(hexCode(req), corvis::logSafe(resMsg));
        return;
    }
    if (req == CReqUpdate39 || req == CReqUpdate40) {
        LOG(INFO) << QStringLiteral("get message from corvisupdatesrv, reqType: %1, resMsg: %2").arg(hexCode(req), corvis::logSafe(resMsg));
        // The tray shows the text to the user: never the internal marker of a missing service.
        showTrayMessage(resMsg == kConnectError ? kRestartMessage : resMsg);
        if (req == CReqUpdate39) {
            pageVersionCheck()->changeCheckVersionBtnStatus(true);
        } else {
            pageVersionCheck()->changeBackVersionBtnStatus(true);
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
    if (req == CReqTraySpaLogin) {
        // An SPA request the tray never got gets no outcome either: the page must not wait.
        if (failed) {
            spa_->onSpaRequestFailed(resMsg == kConnectError ? kRestartMessage : resMsg);
        }
        return;
    }
    const bool loginResult = isLoginResult(req);
    if (!loginResult && !isRoutedClientResult(req)) {
        return;
    }
    LOG(INFO) << QStringLiteral("get message from corvisclient, reqType: %1, resMsg: %2").arg(hexCode(req), corvis::logSafe(resMsg));
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
        if (!Common::edition().isVesk()) {
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
            LOG(INFO) << "fail to collectAppstore: " << corvis::logSafe(text);
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
            LOG(INFO) << "fail to getInformList: " << corvis::logSafe(text);
        } else {
            viewTop_->dialogInform()->updateInformList();
        }
        break;
    case CReqClientInformRead106:
        if (failed) {
            LOG(INFO) << "fail to readAllInfo: " << corvis::logSafe(text);
            viewTop_->dialogInform()->readAllFailed();
        } else {
            viewTop_->dialogInform()->markAllRead();
        }
        break;
    case CReqClientPortalRefresh116:
        if (failed) {
            LOG(INFO) << "fail to queryAppApplyList: " << corvis::logSafe(text);
            portal_->requestListFailed();
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
    if (Common::edition().is(Edition::Id::Rolq) && login_->systemTitle().embeddedWeb != 0) {
        // The web component logs in there; the login page is not shown.
        LOG(INFO) << "rolq embedded web, not auto login.";
        return;
    }
    QString account;
    QString password;
    if (spa_->needAutoLogin(account, password)) {
        if (Common::edition().is(Edition::Id::Kav) && login_->loginAuthCodeVaildtyCheckKAV()) {
            // kav keeps what the user has typed already.
            LOG(INFO) << "kav account already filled, not auto login.";
            return;
        }
        login_->spaAutoFill(account, password);
        return;
    }
    // These editions knock with the account of their own section; a passed SPA of an earlier
    // start leaves it as the login account.
    const Edition edition = Common::edition();
    if ((edition.is(Edition::Id::TirrowaUosX86) || edition.is(Edition::Id::Velmora)) && Common::spaMark()
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
    if (Common::edition().is(Edition::Id::Kav)) {
        // kav asks through its IT-service application instead of the portal's request list.
        st_resource itsm;
        if (PolicyAnalyzer::instance()->parseKavItsm(itsm)) {
            portal_->handleResource(itsm);
        } else {
            LOG(WARNING) << "FUNC(onApplyFor) no itsm application in the resource list";
            showTrayMessage(QStringLiteral("未找到资源申请应用，请联系管理员。"));
        }
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
    const DialogPersonalCenter* center = viewTop_->builtPersonalCenter();
    DialogCommon* personal = center != nullptr ? center->dialogCommon() : nullptr;
    return personal != nullptr && personal->isVisible() ? personal : DialogCommon::instance();
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
