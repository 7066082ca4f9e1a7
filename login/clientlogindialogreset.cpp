// ClientLoginDialog: the password reset page, its requests and their results.

#include "login/clientlogindialog.h"

#include "app/common.h"
#include "corviscommon/logging.h"
#include "login/accountmask.h"
#include "login/clientlogindialog_p.h"
#include "login/countdown.h"
#include "login/logincredentialpage.h"
#include "login/loginrequestbuilder.h"
#include "login/loginresultrules.h"
#include "login/resetpasswordpage.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/cuspasswordedit.h"

#include <QPushButton>
#include <QStackedWidget>

void ClientLoginDialog::addResetPage()
{
    resetPage_->setEditionTexts(Common::edition());
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
    msg = resetPage_->resetAuthCodeVaildtyCheck(Common::edition());
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
    setAuthCodeText(PageResetPwd, true, PageLoginAccount);
    const LoginRequest request =
        LoginRequestBuilder::resetCode(resetUser(), resetPage_->idCardEdit()->text(), resetPage_->passwordEdit()->text(),
                                       resetPage_->repeatEdit()->text(), getEpochTime());
    LOG(INFO) << "slot_btn_reset_authcode_clicked req:" << hexCode(request.req);
    emit sendReqClientLogin(request.req, request.body);
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
    const LoginRequest request = LoginRequestBuilder::resetPassword(
        resetUser(), resetPage_->idCardEdit()->text(), resetPage_->passwordEdit()->text(),
        resetPage_->repeatEdit()->text(), getEpochTime(), resetPage_->codeEdit()->text());
    LOG(INFO) << "slot_btn_reset_clicked req:" << hexCode(request.req);
    emit sendReqClientLogin(request.req, request.body);
    setPageResetStatus(true, false);
}

QString ClientLoginDialog::resetUser() const
{
    // The vesk teller field may show the remembered account masked.
    const QString typed = resetPage_->userEdit()->text();
    const corvis::Edition edition = Common::edition();
    return edition.isVesk() ? AccountMask::realValue(typed, lastAccount_, PageLoginAccount, edition) : typed;
}

void ClientLoginDialog::parseResetAuthCodeResMsg(const QString& text)
{
    applyResetAction(LoginResultRules::decideReset(CReqClientResetAuthCode, text, false, Common::edition()));
}

void ClientLoginDialog::parseResetResMsg(const QString& text)
{
    applyResetAction(LoginResultRules::decideReset(CReqClientResetPwd, text, false, Common::edition()));
}

void ClientLoginDialog::applyResetAction(const ResetAction& action)
{
    if (!action.logLine.isEmpty()) {
        LOG(INFO) << action.logLine;
    }
    if (action.stopFailureLock) {
        stopResetFailureLock();
    }
    if (action.copyToLoginPage) {
        accountPage_->accountEdit()->setText(resetPage_->userEdit()->text());
        accountPage_->passwordEdit()->setText(resetPage_->passwordEdit()->text());
    }
    if (action.codeCountDown >= 0) {
        resetCodeCountDown_->start(action.codeCountDown);
    }
    if (action.setsTip) {
        setResetErrorTips(action.tip, action.tipIsError);
    }
    if (action.startFailureLock) {
        handleRestPswCodeCheckFail(action.tip);
    }
    if (action.leaveSubmitting) {
        setPageResetStatus(false, action.clearPage);
    }
    if (action.backToLogin) {
        outer_->setCurrentIndex(PageLoginTabs);
    }
    if (!action.loginTip.isEmpty()) {
        setLoginErrorTips(action.loginTip, PageLoginAccount, action.loginTipColour);
    }
    if (action.refreshCodeButton) {
        refreshResetCodeButton();
    }
}

