#include "src/Views/dialogcommonrules.h"

#include "comm/cs_ret_status.h"
#include "login/authcodereply.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>

namespace {

DialogCommonRules::Check failed(const char* text, DialogCommonRules::Field focus)
{
    return {QString::fromUtf8(text), focus};
}

bool isEmptyValue(const DialogCommonRules::FormValue& value)
{
    return value.text.isEmpty() && value.checked.isEmpty();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Page 0

DialogCommonRules::ModifyPwdMode DialogCommonRules::modifyPwdMode(int status)
{
    switch (status) {
    case CS_RET_LOGIN_14:
        return {QStringLiteral("首次登陆修改密码"), 1, QString()};
    case CS_RET_LOGIN_15:
        return {QStringLiteral("密码过期修改密码"), 1, QString()};
    case CS_RET_LOGIN_16:
        return {QStringLiteral("修改密码"), 1, QStringLiteral("口令强度不符合要求，请修改密码")};
    default:
        return {QStringLiteral("修改密码"), 0, QString()};
    }
}

QStringList DialogCommonRules::pwdClaimRules(const st_pwdClaim& claim)
{
    return {QStringLiteral("· 密码长度不少于%1个字符").arg(claim.min_length),
            QStringLiteral("· 密码长度不超过%1个字符").arg(claim.max_length),
            QStringLiteral("· 密码最少包含%1个数字").arg(claim.min_numlen),
            QStringLiteral("· 密码最少包含%1个字母").arg(claim.min_charlen),
            QStringLiteral("· 密码最少包含%1个特殊字符").arg(claim.min_special_len)};
}

QSize DialogCommonRules::modifyPwdSize(bool claimOpen)
{
    return claimOpen ? QSize(605, 480) : QSize(520, 366);
}

DialogCommonRules::Check DialogCommonRules::checkModifyPwd(const QString& oldPwd, const QString& newPwd,
                                                           const QString& confirm, int firstLogin)
{
    // A forced change neither asks for nor compares the old password.
    const bool voluntary = firstLogin == 0;
    if (voluntary && oldPwd.isEmpty()) {
        return failed("原密码不能为空，请重新输入！", Field::OldPassword);
    }
    if (newPwd.isEmpty()) {
        return failed("新密码不能为空，请重新输入！", Field::NewPassword);
    }
    if (confirm.isEmpty()) {
        return failed("再次输入新密码不能为空，请重新输入！", Field::Confirm);
    }
    if (voluntary && newPwd == oldPwd) {
        return failed("新密码与原密码一致，请重新输入！", Field::NewPassword);
    }
    if (newPwd != confirm) {
        return failed("两次密码输入不一致，请重新输入！", Field::Confirm);
    }
    return {};
}

QString DialogCommonRules::modifyPwdBody(const QString& oldPwd, const QString& newPwd, int firstLogin)
{
    return oldPwd + QLatin1Char('\n') + newPwd + QLatin1Char('\n') + QString::number(firstLogin);
}

// ---------------------------------------------------------------------------------------------
// Pages 1 to 4

QString DialogCommonRules::title(PageCommonDialogIndex page)
{
    switch (page) {
    case PageDialogModifyPwd:
        return QStringLiteral("修改密码");
    case PageDialogUnbindling:
        return QStringLiteral("解绑手机");
    case PageDialogBindling:
        return QStringLiteral("绑定手机");
    case PageDialogAuthAgainPwd:
        return QStringLiteral("口令认证");
    case PageDialogAuthAgainSms:
        return QStringLiteral("短信认证");
    case PageDialogImproveUserInfo:
        return QStringLiteral("完善个人信息");
    }
    return QString();
}

QSize DialogCommonRules::size(PageCommonDialogIndex page)
{
    // Page 0 takes its size from the password claim (modifyPwdSize).
    switch (page) {
    case PageDialogUnbindling:
    case PageDialogBindling:
        return QSize(520, 320);
    case PageDialogAuthAgainPwd:
    case PageDialogAuthAgainSms:
        return QSize(520, 260);
    case PageDialogImproveUserInfo:
        return QSize(481, 470);
    case PageDialogModifyPwd:
        break;
    }
    return QSize(520, 366);
}

DialogCommonRules::Check DialogCommonRules::checkCode(const QString& code)
{
    return code.isEmpty() ? failed("验证码不能为空，请重新输入！", Field::Code) : Check{};
}

DialogCommonRules::Check DialogCommonRules::checkPhone(const QString& phone)
{
    return phone.isEmpty() ? failed("手机号不能为空，请重新输入！", Field::Phone) : Check{};
}

DialogCommonRules::Check DialogCommonRules::checkBind(const QString& code, const QString& phone)
{
    const Check codeCheck = checkCode(code);
    return codeCheck.ok() ? checkPhone(phone) : codeCheck;
}

DialogCommonRules::Check DialogCommonRules::checkAgainPwd(const QString& password)
{
    return password.isEmpty() ? failed("密码不能为空，请重新输入！", Field::Password) : Check{};
}

QString DialogCommonRules::againPwdBody(const QString& user, const QString& password)
{
    return user + QLatin1Char('\n') + password;
}

QString DialogCommonRules::bindBody(const QString& code, const QString& phone)
{
    return code + QLatin1Char('&') + phone;
}

int DialogCommonRules::codePageOf(ClientReq req)
{
    switch (req) {
    case CReqClientUnbindAuthCode:
        return PageDialogUnbindling;
    case CReqClientAgainAuthSmsCode:
        return PageDialogAuthAgainSms;
    case CReqClientBindAuthCode:
        return PageDialogBindling;
    default:
        return -1;
    }
}

// ---------------------------------------------------------------------------------------------
// Answers

DialogCommonRules::AuthCodeAnswer DialogCommonRules::parseAuthCodeJson(const QString& text)
{
    AuthCodeAnswer answer;
    const AuthCodeReply reply = AuthCodeReply::parse(text);
    switch (reply.outcome) {
    case AuthCodeReply::ParseError:
        // What the service said instead of a document is the best explanation there is.
        answer.logLine = QStringLiteral("parseAuthCodeJson ParseError");
        answer.tip = text;
        break;
    case AuthCodeReply::StatusError:
        answer.logLine = QStringLiteral("parseAuthCodeJson status:%1").arg(reply.status);
        answer.tip = reply.msg;
        break;
    case AuthCodeReply::NoResult:
        answer.logLine = QStringLiteral("parseAuthCodeJson no result!");
        answer.tip = restartText();
        break;
    case AuthCodeReply::Ok:
        answer.ok = true;
        answer.seconds = reply.seconds;
        answer.tip = reply.msg;
        answer.tipIsError = false;
        break;
    }
    return answer;
}

DialogCommonRules::ResultAction DialogCommonRules::decide(ClientReq req, const QString& text, bool isMsgError,
                                                          int firstLogin, const corvis::Edition& edition)
{
    ResultAction action;
    const auto tip = [&action](int page, const QString& t) {
        action.tipPage = page;
        action.tip = t;
        action.tipIsError = true;
    };
    switch (req) {
    case CReqClientModifyPwd:
        action.enableConfirm = true;
        if (isMsgError) {
            tip(PageDialogModifyPwd, text);
            return action;
        }
        if (text == QString::number(CS_RET_LOGIN_18)) {
            if (firstLogin == 1) {
                action.logLine = QStringLiteral("modifyPwd succ!");
                action.recoverLoginBtn = true;
            } else {
                action.trayText = QStringLiteral("修改密码成功，请重新登录");
                action.logLine = QStringLiteral("modifyPwdSucc need logout ..");
                action.logout = true;
            }
            // The typed passwords go with the dialog in both cases.
            action.hide = true;
            return action;
        }
        if (firstLogin == 1) {
            action.jumpToMain = true;
        } else {
            action.trayText = QStringLiteral("修改密码成功");
        }
        action.hide = true;
        return action;
    case CReqClientUnbindAuthCode:
    case CReqClientAgainAuthSmsCode:
    case CReqClientBindAuthCode:
        action.codePage = codePageOf(req);
        action.enableConfirm = true;
        if (isMsgError) {
            tip(action.codePage, text);
        } else if (!text.isEmpty()) {
            action.readCode = true;
        }
        return action;
    case CReqClientUnbind:
    case CReqClientBind: {
        const bool unbind = req == CReqClientUnbind;
        action.enableConfirm = true;
        if (!isMsgError && text.isEmpty()) {
            action.trayText = unbind ? QStringLiteral("解绑手机号成功") : QStringLiteral("绑定手机号成功");
            action.phone = unbind ? ResultAction::Phone::Empty : ResultAction::Phone::Typed;
            action.hide = true;
        } else {
            tip(unbind ? PageDialogUnbindling : PageDialogBindling, text);
        }
        return action;
    }
    case CReqClientAgainAuthPwd:
    case CReqClientAgainAuthSms: {
        const bool pwd = req == CReqClientAgainAuthPwd;
        action.enableConfirm = true;
        if (isMsgError) {
            tip(pwd ? PageDialogAuthAgainPwd : PageDialogAuthAgainSms, text);
            return action;
        }
        action.trayText = pwd ? QStringLiteral("二次认证-口令认证成功") : QStringLiteral("二次认证-短信认证成功");
        // The vesk editions have no portal to open again.
        action.enableApps = !edition.isVesk();
        action.hide = true;
        return action;
    }
    case CReqClientImproveUserInfo:
        action.enableConfirm = true;
        // A refused exchange is never a success, whatever its text says.
        if (!isMsgError && text.contains(QStringLiteral("成功"))) {
            action.hide = true;
        } else {
            tip(PageDialogImproveUserInfo, text);
        }
        return action;
    default:
        action.handled = false;
        return action;
    }
}

// ---------------------------------------------------------------------------------------------
// Page 5

bool DialogCommonRules::isKnownType(int type)
{
    switch (type) {
    case st_ImproveUserInfoElements::LineEdit:
    case st_ImproveUserInfoElements::TextEdit:
    case st_ImproveUserInfoElements::LineEdit3:
    case st_ImproveUserInfoElements::ComboBox:
    case st_ImproveUserInfoElements::CheckBoxes:
        return true;
    default:
        return false;
    }
}

QList<int> DialogCommonRules::formOrder(const QVector<st_ImproveUserInfoElements>& elements)
{
    QList<int> order;
    order.reserve(elements.size());
    for (int i = 0; i < elements.size(); ++i) {
        order.append(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&elements](int a, int b) { return elements.at(a).iorder < elements.at(b).iorder; });
    return order;
}

int DialogCommonRules::currentOption(const st_ImproveUserInfoElements& element)
{
    const QString& value = element.strelementvalue;
    if (value.isEmpty()) {
        return -1;
    }
    for (int i = 0; i < element.selectOption.size(); ++i) {
        if (element.selectOption.at(i).value == value) {
            return i;
        }
    }
    for (int i = 0; i < element.selectOption.size(); ++i) {
        if (element.selectOption.at(i).name == value) {
            return i;
        }
    }
    return -1;
}

QString DialogCommonRules::checkImproveUserInfo(const QVector<st_ImproveUserInfoElements>& elements,
                                                const QVector<FormValue>& values)
{
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    static const QRegularExpression mail(QStringLiteral("^[\\w\\.-]+@[\\w\\.-]+\\.\\w+$"));
    static const QRegularExpression idCard(QStringLiteral("^\\d{17}[\\dXx]$"));
    QString message;
    bool idCardType = false;
    for (int i = 0; i < elements.size() && i < values.size(); ++i) {
        const st_ImproveUserInfoElements& element = elements.at(i);
        const FormValue& value = values.at(i);
        if (!value.shown) {
            continue;
        }
        const QString& name = element.strelementname;
        const QString& text = value.text;
        const bool empty = isEmptyValue(value);
        // An optional field left empty is no error; the department is always asked for.
        const bool checkFormat = !empty || element.isRequired();
        QString error;
        if (name == QStringLiteral("手机号")) {
            if (checkFormat && (!digits.match(text).hasMatch() || text.size() != 11)) {
                error = QStringLiteral("手机号输入有误,");
            }
        } else if (name == QStringLiteral("邮箱")) {
            if (checkFormat && !mail.match(text).hasMatch()) {
                error = QStringLiteral("邮箱输入有误,");
            }
        } else if (name == QStringLiteral("证件号")) {
            if (checkFormat && idCardType && !idCard.match(text).hasMatch()) {
                error = QStringLiteral("身份证输入有误,");
            }
        } else if (name == QStringLiteral("科室")) {
            if (text.isEmpty()) {
                error = QStringLiteral("科室输入有误,");
            }
        }
        if (error.isEmpty() && element.isRequired() && empty) {
            error = QStringLiteral("%1不能为空,").arg(name);
        }
        message += error;
        if (name == QStringLiteral("证件类型")) {
            idCardType = text == QLatin1String("1");
        }
    }
    if (!message.isEmpty()) {
        message += QStringLiteral("请重新输入");
    }
    return message;
}

QString DialogCommonRules::improveUserInfoValue(const QVector<st_ImproveUserInfoElements>& elements,
                                                const QVector<FormValue>& values)
{
    QJsonObject object;
    for (int i = 0; i < elements.size() && i < values.size(); ++i) {
        const st_ImproveUserInfoElements& element = elements.at(i);
        const FormValue& value = values.at(i);
        if (!value.shown) {
            continue;
        }
        if (element.ielementtype == st_ImproveUserInfoElements::CheckBoxes) {
            object.insert(element.uidelementid, QJsonArray::fromStringList(value.checked));
        } else {
            object.insert(element.uidelementid, value.text);
        }
    }
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}
