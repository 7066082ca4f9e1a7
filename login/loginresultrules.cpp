#include "login/loginresultrules.h"

#include "comm/cs_ret_status.h"
#include "login/accountmask.h"
#include "login/authcodereply.h"
#include "login/logincolors.h"
#include "login/loginlockcountdown.h"
#include "login/loginrequestbuilder.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"

namespace {

void setTip(LoginAction& action, const QString& text, const QString& colour)
{
    action.setsTip = true;
    action.tip = text;
    action.tipColour = colour;
}

void setTip(ResetAction& action, const QString& text, bool error)
{
    action.setsTip = true;
    action.tip = text;
    action.tipIsError = error;
}

// The worker passes these login outcomes on as their number: the password must be changed first.
bool isForcedPasswordChange(const QString& text)
{
    return text == QString::number(CS_RET_LOGIN_14) || text == QString::number(CS_RET_LOGIN_15) ||
           text == QString::number(CS_RET_LOGIN_16);
}

}  // namespace

QString LoginResultRules::accessCheckFailedText()
{
    return QStringLiteral("2");
}

QString LoginResultRules::accessCheckRunningText()
{
    return QString::number(CS_RET_LOGIN_ACCESS_CHECK);
}

std::optional<LoginKind> LoginResultRules::kindOf(ClientReq req)
{
    switch (req) {
    case CReqClientLogin66:
    case CReqClientLogin76:
    case CReqClientLogin80:
        return LoginKind::Account;
    case CReqClientLoginAuthCode83:
    case CReqClientLoginAuthCode84:
    case CReqClientLogin85:
    case CReqClientLogin86:
        return LoginKind::Step;
    case CReqClientLogin70:
        return LoginKind::Phone;
    case CReqClientLogin74:
        return LoginKind::Qrcode;
    case CReqClientVeskCheckCertificate:
        return LoginKind::Certificate;
    default:
        return std::nullopt;
    }
}

PageLoginType LoginResultRules::pageOf(LoginKind kind, ClientReq req, PageLoginType currentPage)
{
    switch (kind) {
    case LoginKind::Account:
        return PageLoginAccount;
    case LoginKind::Step:
        // 83 and 85 are the vesk account steps; a phone step answers as 84 or 86.
        return req == CReqClientLoginAuthCode84 || req == CReqClientLogin86 ? PageLoginPhone : PageLoginAccount;
    case LoginKind::Phone:
        return PageLoginPhone;
    case LoginKind::Qrcode:
        return PageLoginQrcode;
    case LoginKind::Certificate:
        return currentPage;
    }
    return PageLoginAccount;
}

bool LoginResultRules::readsLoginFileStatus(LoginKind kind, bool isMsgError)
{
    return kind == LoginKind::Step && isMsgError;
}

LoginAction LoginResultRules::decide(const LoginReply& reply, const corvis::Edition& edition)
{
    const QString error = LoginColors::error();
    const QString theme = LoginColors::theme(edition);
    const bool account = reply.kind == LoginKind::Account;
    const bool step = reply.kind == LoginKind::Step;
    const bool phone = reply.kind == LoginKind::Phone;
    const bool qrcode = reply.kind == LoginKind::Qrcode;
    const QString& text = reply.text;
    const int substatus = reply.substatus;

    LoginAction action;
    action.page = pageOf(reply.kind, reply.req, reply.currentPage);
    action.unlockTabs = true;

    if (reply.kind == LoginKind::Certificate) {
        if (reply.isMsgError) {
            setTip(action, text, error);
        } else {
            setTip(action, text, theme);
            action.jump = true;
        }
        return action;
    }

    // The reminder comes before anything else: accepted, the same login goes out again.
    if (step && substatus == CS_RET_ROMOTE_LOGIN_WARN) {
        action.dialog = LoginAction::Dialog::Reminder;
        return action;
    }
    if (step) {
        action.clearCode = true;
    }

    if (reply.isMsgError) {
        setTip(action, text, error);
        if (step) {
            if (edition.isVesk()) {
                if (text.contains(QStringLiteral("已登录失败"))) {
                    action.failureLock = FailureLock::LoginFailed;
                } else if (text.contains(QStringLiteral("因您多次输入错误"))) {
                    action.failureLock = FailureLock::LoginLocked;
                }
            }
            action.pageState = LoginAction::PageState::Idle;
            if (reply.loginFileStatus == CS_DOC_STEP_AGAIN) {
                action.step = 1;
                action.focus = LoginAction::Focus::Password;
                action.tipAfterLocks = true;
            }
        } else if (account || phone) {
            action.pageState = LoginAction::PageState::Idle;
        }
        if (reply.req == CReqClientLogin76) {
            action.authMode = 0;
            action.runCodeButton = true;
        }
        return action;
    }

    if (text.isEmpty()) {
        return action;
    }
    if (text == accessCheckFailedText()) {
        action.logging = 3;
        return action;
    }
    if (text == accessCheckRunningText()) {
        action.logging = 1;
        return action;
    }
    if (account && substatus == CS_RET_LOGIN_SECOND_FACTOR) {
        setTip(action, text, theme);
        action.showCode = true;
        action.next = LoginRequestBuilder::smsInit();
        return action;
    }
    if (step && (substatus == CS_RET_LOGIN_SECOND_FACTOR || substatus == CS_RET_LOGIN_STEP_CODE)) {
        action.pageState = LoginAction::PageState::Idle;
        action.readStepFile = true;
        return action;
    }
    if (account && substatus == CS_RET_LOGIN_SMS_REFUSED) {
        setTip(action, text, error);
        action.pageState = LoginAction::PageState::Idle;
        return action;
    }
    if ((account || qrcode) && substatus == CS_RET_LOGIN_BIND_AGAIN) {
        if (account) {
            action.logLine = QStringLiteral("popup applyAccount...");
        }
        PolicyAnalyzer::instance()->parseBindedInfo(text, action.bindInfo);
        setTip(action, action.bindInfo.msg.isEmpty() ? text : action.bindInfo.msg, error);
        // The page stays busy while the dialog is up; closing it gives the page back.
        action.dialog = LoginAction::Dialog::BindAgain;
        return action;
    }
    if (account && substatus == CS_RET_LOGIN_LOCKED) {
        action.logLine = QStringLiteral("login lock...");
        action.loginLock = LoginLockCountDown::parse(text);
        action.loginLockChange =
            edition.is(corvis::Edition::Id::Kav) ? LoginAction::LockChange::Stop : LoginAction::LockChange::Restart;
        setTip(action, action.loginLock.msg, error);
        action.pageState = LoginAction::PageState::Idle;
        return action;
    }
    if (account && substatus == CS_RET_LOGIN_RETRY) {
        action.logLine = QStringLiteral("login retry...");
        action.loginLock = LoginLockCountDown::parse(text);
        action.pageState = LoginAction::PageState::Idle;
        action.loginLockChange = LoginAction::LockChange::Stop;
        if (action.loginLock.restTime == -1 || action.loginLock.failCount == -1) {
            setTip(action, text, error);
        } else if (edition.is(corvis::Edition::Id::Kav)) {
            setTip(action, action.loginLock.msg, error);
        } else {
            // The count-down tells the rest; no tip until its first tick.
            action.loginLockChange = LoginAction::LockChange::Restart;
        }
        return action;
    }
    if (account && isForcedPasswordChange(text)) {
        action.pageState = LoginAction::PageState::Idle;
        action.dialog = LoginAction::Dialog::CommonResult;
        action.dialogStatus = text.toInt();
        return action;
    }
    if (account && substatus == CS_RET_LOGIN_IMPROVE_USER_INFO) {
        action.pageState = LoginAction::PageState::Idle;
        action.dialog = LoginAction::Dialog::ImproveUserInfo;
        action.dialogStatus = CS_RET_LOGIN_IMPROVE_USER_INFO;
        return action;
    }
    action.readLoginFile = true;
    return action;
}

LoginResultRules::AfterLogin LoginResultRules::afterLogin(LoginKind kind, const corvis::Edition& edition,
                                                          bool sandboxConfigured)
{
    if (kind == LoginKind::Phone || kind == LoginKind::Step) {
        return AfterLogin::LoggingPage;
    }
    if (edition.isVesk() || (edition.is(corvis::Edition::Id::Kav) && sandboxConfigured)) {
        return AfterLogin::LoggingPage;
    }
    return AfterLogin::JumpToMain;
}

LoginAction LoginResultRules::decideSmsInit(const QString& text, bool isMsgError, const corvis::Edition& edition)
{
    LoginAction action;
    action.page = PageLoginAccount;
    if (isMsgError) {
        setTip(action, text, LoginColors::error());
        action.authMode = 2;
        action.pageState = LoginAction::PageState::Idle;
        action.runCodeButton = true;
        return action;
    }
    // The page goes idle either way: the user types the code and logs in again.
    action.pageState = LoginAction::PageState::Idle;
    QString phone;
    if (!PolicyAnalyzer::instance()->parseSmsInit(text, phone)) {
        setTip(action, QStringLiteral("短信认证初始化结果异常，请重试！"), LoginColors::error());
        return action;
    }
    if (phone.size() == 11) {
        phone = AccountMask::encryptLastAccount(phone, PageLoginPhone, edition);
    }
    action.authMode = 2;
    action.showCode = true;
    action.refreshCodeButton = true;
    setTip(action, QStringLiteral("短信验证码将发送至手机号码：%1，请点击\"获取验证码\"").arg(phone),
           LoginColors::theme(edition));
    return action;
}

LoginAction LoginResultRules::decideBindAgainAnswer(const QString& text, bool isMsgError, PageLoginType currentPage,
                                                    const corvis::Edition& edition)
{
    LoginAction action;
    action.page = currentPage;
    setTip(action, text, isMsgError ? LoginColors::error() : LoginColors::theme(edition));
    return action;
}

ResetAction LoginResultRules::decideReset(ClientReq req, const QString& text, bool isMsgError,
                                          const corvis::Edition& edition)
{
    ResetAction action;
    if (req == CReqClientResetAuthCode) {
        action.refreshCodeButton = true;
        if (isMsgError) {
            setTip(action, text, true);
            return action;
        }
        const AuthCodeReply reply = AuthCodeReply::parse(text);
        switch (reply.outcome) {
        case AuthCodeReply::ParseError:
        case AuthCodeReply::NoResult:
            setTip(action, reply.tip(), true);
            break;
        case AuthCodeReply::Ok:
            action.codeCountDown = reply.seconds;
            if (!reply.phoneFormat.isEmpty() && edition.isVesk()) {
                action.stopFailureLock = true;
                setTip(action, QStringLiteral("验证码已发送至手机号") + reply.phoneFormat +
                                   QStringLiteral("绑定的【岚汀】微信公众号"),
                       false);
            } else {
                setTip(action, reply.msg, false);
            }
            break;
        case AuthCodeReply::StatusError:
            action.logLine = QStringLiteral("parseResetAuthCodeResMsg status:%1").arg(reply.status);
            setTip(action, reply.msg, true);
            action.startFailureLock = edition.isVesk() && reply.status == CS_DOC_RESET_LOCKED;
            break;
        }
        return action;
    }

    action.leaveSubmitting = true;
    if (isMsgError) {
        setTip(action, text, true);
        return action;
    }
    const AuthCodeReply reply = AuthCodeReply::parse(text);
    if (reply.outcome == AuthCodeReply::ParseError) {
        setTip(action, reply.tip(), true);
        return action;
    }
    if (reply.status == CS_DOC_SUCCESS) {
        action.clearPage = true;
        action.backToLogin = true;
        // Only the vesk editions carry the teller number and password over and say so.
        if (edition.isVesk()) {
            action.stopFailureLock = true;
            action.copyToLoginPage = true;
            action.loginTip = QStringLiteral("重置密码成功，请重新登录");
            action.loginTipColour = LoginColors::theme(edition);
        }
        return action;
    }
    action.logLine = QStringLiteral("parseResetResMsg status:%1").arg(reply.status);
    setTip(action, reply.msg, true);
    // A lock count-down shows its own text from here on.
    action.startFailureLock = edition.isVesk() && reply.status == CS_DOC_RESET_LOCKED;
    return action;
}
