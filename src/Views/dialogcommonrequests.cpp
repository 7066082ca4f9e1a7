// DialogCommon: the buttons of pages 0 to 4, the requests they send, the results that come back
// and the code count-downs.

#include "src/Views/dialogcommon.h"

#include "app/common.h"
#include "comm/uicomm.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "login/countdown.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/cuspasswordedit.h"
#include "src/CustomControl/custiplabel.h"

#include <QPushButton>

namespace {

// The page a result of `req` belongs to.
PageCommonDialogIndex pageOfRequest(ClientReq req)
{
    switch (req) {
    case CReqClientUnbindAuthCode:
    case CReqClientUnbind:
        return PageDialogUnbindling;
    case CReqClientBindAuthCode:
    case CReqClientBind:
        return PageDialogBindling;
    case CReqClientAgainAuthPwd:
        return PageDialogAuthAgainPwd;
    case CReqClientAgainAuthSmsCode:
    case CReqClientAgainAuthSms:
        return PageDialogAuthAgainSms;
    case CReqClientImproveUserInfo:
        return PageDialogImproveUserInfo;
    default:
        return PageDialogModifyPwd;
    }
}

}  // namespace

void DialogCommon::connectButtons()
{
    for (int i = PageDialogModifyPwd; i <= PageDialogImproveUserInfo; ++i) {
        const auto page = static_cast<PageCommonDialogIndex>(i);
        PageWidgets& widgets = pages_[i];
        connect(widgets.confirm, &QPushButton::clicked, this, [this, page] { onConfirmClicked(page); });
        if (widgets.cancel != nullptr) {
            connect(widgets.cancel, &QPushButton::clicked, this, [this, page] { onCancelClicked(page); });
        }
        if (widgets.codeButton != nullptr) {
            connect(widgets.codeButton, &QPushButton::clicked, this, [this, page] { onCodeClicked(page); });
            CountDown* running = countDown(page);
            connect(running, &CountDown::changed, this, [this, page] { refreshCodeButton(page); });
            connect(running, &CountDown::finished, this, [this, page] {
                refreshCodeButton(page);
                pages_[page].tip->clearTip();
            });
        }
    }
}

void DialogCommon::refreshCodeButton(PageCommonDialogIndex page)
{
    QPushButton* button = pages_[page].codeButton;
    const CountDown* running = countDown(page);
    if (button == nullptr || running == nullptr) {
        return;
    }
    if (running->isRunning()) {
        button->setText(CountDown::runningText(running->remaining()));
        button->setEnabled(false);
        return;
    }
    button->setText(QStringLiteral("获取验证码"));
    button->setEnabled(true);
}

void DialogCommon::sendRequest(ClientReq req, const QString& body)
{
    emit sendReqClientModifyPwd(req, body);
}

void DialogCommon::sendTray(const QString& text)
{
    UiComm::instance()->apiCorvistrayCommon(CReqTray36, text);
}

void DialogCommon::logout()
{
    sendRequest(CReqClientLogout, QString());
}

bool DialogCommon::isLoggedIn() const
{
    const int state = loginState_ ? loginState_() : 0;
    return state == 1 || state == 2;
}

void DialogCommon::focusField(DialogCommonRules::Field field, PageCommonDialogIndex page)
{
    QWidget* widget = nullptr;
    switch (field) {
    case DialogCommonRules::Field::OldPassword:
        widget = oldPwd_;
        break;
    case DialogCommonRules::Field::NewPassword:
        widget = newPwd_;
        break;
    case DialogCommonRules::Field::Confirm:
        widget = confirmPwd_;
        break;
    case DialogCommonRules::Field::Code:
        widget = pages_[page].code;
        break;
    case DialogCommonRules::Field::Phone:
        widget = bindPhone_;
        break;
    case DialogCommonRules::Field::Password:
        widget = againPwd_;
        break;
    case DialogCommonRules::Field::None:
        break;
    }
    if (widget != nullptr) {
        widget->setFocus();
    }
}

void DialogCommon::onCodeClicked(PageCommonDialogIndex page)
{
    switch (page) {
    case PageDialogUnbindling:
        sendRequest(CReqClientUnbindAuthCode, QString());
        break;
    case PageDialogBindling: {
        const DialogCommonRules::Check check = DialogCommonRules::checkPhone(bindPhone_->text());
        if (!check.ok()) {
            setTips(check.error, page, true);
            focusField(check.focus, page);
            return;
        }
        sendRequest(CReqClientBindAuthCode, bindPhone_->text());
        break;
    }
    case PageDialogAuthAgainSms:
        sendRequest(CReqClientAgainAuthSmsCode, QString());
        break;
    default:
        return;
    }
    // One code request at a time: the button comes back with the answer.
    pages_[page].codeButton->setEnabled(false);
}

void DialogCommon::onConfirmClicked(PageCommonDialogIndex page)
{
    DialogCommonRules::Check check;
    ClientReq req = CReqClientUnbind;
    QString body;
    switch (page) {
    case PageDialogModifyPwd:
        onModifyPwd();
        return;
    case PageDialogImproveUserInfo:
        onSubmitImproveUserInfo();
        return;
    case PageDialogUnbindling:
        check = DialogCommonRules::checkCode(pages_[page].code->text());
        body = pages_[page].code->text();
        break;
    case PageDialogBindling:
        check = DialogCommonRules::checkBind(pages_[page].code->text(), bindPhone_->text());
        req = CReqClientBind;
        body = DialogCommonRules::bindBody(pages_[page].code->text(), bindPhone_->text());
        break;
    case PageDialogAuthAgainPwd:
        check = DialogCommonRules::checkAgainPwd(againPwd_->text());
        req = CReqClientAgainAuthPwd;
        body = DialogCommonRules::againPwdBody(Common::userName(), againPwd_->text());
        break;
    case PageDialogAuthAgainSms:
        check = DialogCommonRules::checkCode(pages_[page].code->text());
        req = CReqClientAgainAuthSms;
        body = pages_[page].code->text();
        break;
    }
    if (!check.ok()) {
        setTips(check.error, page, true);
        focusField(check.focus, page);
        return;
    }
    setTips(QString(), page, true);
    // The answer gives the buttons back, so that one typing is sent once.
    setBtnStatus(false, page);
    sendRequest(req, body);
}

void DialogCommon::onModifyPwd()
{
    const DialogCommonRules::Check check =
        DialogCommonRules::checkModifyPwd(oldPwd_->text(), newPwd_->text(), confirmPwd_->text(), m_isFirstLogin);
    if (!check.ok()) {
        setTips(check.error, PageDialogModifyPwd, true);
        focusField(check.focus, PageDialogModifyPwd);
        return;
    }
    setTips(QString(), PageDialogModifyPwd, true);
    pages_[PageDialogModifyPwd].confirm->setEnabled(false);
    LOG(INFO) << "m_isFirstLogin:" << m_isFirstLogin;
    sendRequest(CReqClientModifyPwd,
                DialogCommonRules::modifyPwdBody(m_isFirstLogin == 1 ? QString() : oldPwd_->text(), newPwd_->text(),
                                                 m_isFirstLogin));
}

void DialogCommon::onSubmitImproveUserInfo()
{
    if (!checkImproveUserInfo()) {
        return;
    }
    setTips(QString(), PageDialogImproveUserInfo, true);
    setBtnStatus(false, PageDialogImproveUserInfo);
    sendRequest(CReqClientImproveUserInfo, getImproveUserInfoValue());
}

void DialogCommon::onCancelClicked(PageCommonDialogIndex page)
{
    switch (page) {
    case PageDialogModifyPwd:
        if (m_isFirstLogin == 1) {
            emit sendRecoverLoginBtn(req_);
        }
        break;
    case PageDialogAuthAgainPwd:
    case PageDialogAuthAgainSms: {
        const bool pwd = page == PageDialogAuthAgainPwd;
        if (isLoggedIn()) {
            LOG(INFO) << (pwd ? "isLogin, m_btnCancelModifyPwd happen, so need logout"
                              : "isLogin, m_btnCancelAgainAuthSms happen, so need logout");
            logout();
        } else {
            LOG(INFO) << (pwd ? "notLogin, m_btnCancelModifyPwd happen, so just hideWindow"
                              : "notLogin, m_btnCancelAgainAuthSms happen, so just hideWindow");
        }
        break;
    }
    default:
        break;
    }
    hideAndClearData();
}

bool DialogCommon::parseAuthCodeJson(const QString& text, int& seconds, PageCommonDialogIndex page)
{
    const DialogCommonRules::AuthCodeAnswer answer = DialogCommonRules::parseAuthCodeJson(text);
    if (!answer.logLine.isEmpty()) {
        LOG(INFO) << answer.logLine;
    }
    setTips(answer.tip, page, answer.tipIsError);
    if (answer.ok) {
        seconds = answer.seconds;
    }
    return answer.ok;
}

void DialogCommon::handleReqClientResult(ClientReq req, const QString& text, bool isMsgError)
{
    LOG(INFO) << QStringLiteral("FUNC(handleReqClientResult) reqType: %1").arg(hexCode(req)) << ", msg:"
              << corvis::logSafe(text) << ", isMsgError:" << isMsgError;
    const DialogCommonRules::ResultAction action =
        DialogCommonRules::decide(req, text, isMsgError, m_isFirstLogin, Common::edition());
    if (!action.handled) {
        LOG(INFO) << "exception request code: " << hexCode(req);
        emit resultReceived(req, text, isMsgError);
        return;
    }
    if (!action.logLine.isEmpty()) {
        LOG(INFO) << action.logLine;
    }
    if (action.enableConfirm) {
        setBtnStatus(true, pageOfRequest(req));
    }
    if (action.tipPage >= 0) {
        setTips(action.tip, static_cast<PageCommonDialogIndex>(action.tipPage), action.tipIsError);
    }
    if (action.readCode) {
        const auto page = static_cast<PageCommonDialogIndex>(action.codePage);
        int seconds = 60;
        if (parseAuthCodeJson(text, seconds, page)) {
            countDown(page)->start(seconds);
        }
    }
    if (!action.trayText.isEmpty()) {
        sendTray(action.trayText);
    }
    switch (action.phone) {
    case DialogCommonRules::ResultAction::Phone::Empty:
        emit sendSetPersonalCenterPhone(QString());
        break;
    case DialogCommonRules::ResultAction::Phone::Typed:
        emit sendSetPersonalCenterPhone(bindPhone_->text());
        break;
    case DialogCommonRules::ResultAction::Phone::Unchanged:
        break;
    }
    if (action.recoverLoginBtn) {
        emit sendRecoverLoginBtn(req_);
    }
    if (action.jumpToMain) {
        emit sendJumpToMain();
    }
    if (action.enableApps) {
        emit sendHandleEnable(true, QStringList());
    }
    if (action.logout) {
        logout();
    }
    if (action.hide) {
        hideAndClearData();
    }
    emit resultReceived(req, text, isMsgError);
}
