#include "login/sparules.h"

#include "comm/reqbuffer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <initializer_list>
#include <utility>

using corvis::Edition;

namespace {

const QString kEmptyAccount = QStringLiteral("账号不能为空");
const QString kEmptyPassword = QStringLiteral("密码不能为空");
const QString kEmptyMobile = QStringLiteral("手机号码不能为空");

// The first field in `fields` that cannot travel in a body, or Field::None.
SpaRules::Field firstUnsafe(std::initializer_list<std::pair<SpaRules::Field, const QString*>> fields)
{
    for (const auto& field : fields) {
        if (!SpaRules::isSafeField(*field.second)) {
            return field.first;
        }
    }
    return SpaRules::Field::None;
}

SpaRules::Knock refused(SpaRules::Knock knock, const QString& hint, SpaRules::Field focus)
{
    knock.valid = false;
    knock.hint = hint;
    knock.focus = focus;
    return knock;
}

}  // namespace

QString SpaRules::joinFields(const QStringList& fields)
{
    return fields.join(QLatin1Char('\n'));
}

bool SpaRules::isSafeField(const QString& field)
{
    for (const QChar c : field) {
        const ushort u = c.unicode();
        if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029) {
            return false;
        }
    }
    return true;
}

bool SpaRules::fitsRequest(const QString& body)
{
    return body.toUtf8().size() <= ReqBuffer::kParamLimit;
}

QString SpaRules::controlCharacterHint()
{
    return QStringLiteral("输入内容不能包含换行符或控制字符，请重新输入！");
}

QString SpaRules::tooLongHint()
{
    return QStringLiteral("输入内容过长，请重新输入！");
}

SpaRules::Knock SpaRules::knock(const Input& input)
{
    Knock k;
    switch (input.page) {
    case PageAccount:
        k.known = true;
        if (input.account.isEmpty()) {
            return refused(k, kEmptyAccount, Field::Account);
        }
        if (input.password.isEmpty()) {
            return refused(k, kEmptyPassword, Field::Password);
        }
        if (const Field bad = firstUnsafe({{Field::Account, &input.account}, {Field::Password, &input.password}});
            bad != Field::None) {
            return refused(k, controlCharacterHint(), bad);
        }
        k.mode = QStringLiteral("0");
        k.second = input.account;
        k.third = input.password;
        k.account = input.account;
        k.password = input.password;
        break;
    case PageSim:
        k.known = true;
        if (input.mobile.isEmpty()) {
            return refused(k, kEmptyMobile, Field::Mobile);
        }
        if (!isSafeField(input.mobile)) {
            return refused(k, controlCharacterHint(), Field::Mobile);
        }
        k.mode = QStringLiteral("2");
        k.second = input.mobile;
        k.third = input.storedPassword;
        k.account = input.mobile;
        k.password = input.storedPassword;
        break;
    case PageOauth:
        if (input.tab == TabAccount) {
            k.known = true;
            if (input.oauthAccount.isEmpty()) {
                return refused(k, kEmptyMobile, Field::OauthAccount);
            }
            if (input.oauthPassword.isEmpty()) {
                return refused(k, kEmptyPassword, Field::OauthPassword);
            }
            if (const Field bad = firstUnsafe({{Field::OauthAccount, &input.oauthAccount},
                                               {Field::OauthPassword, &input.oauthPassword}});
                bad != Field::None) {
                return refused(k, controlCharacterHint(), bad);
            }
            k.mode = QStringLiteral("0");
            k.second = input.oauthAccount;
            k.third = input.oauthPassword;
            k.account = input.oauthAccount;
            k.password = input.oauthPassword;
        } else if (input.tab == TabQrcode || input.tab == TabWechat) {
            // The QR-code providers need no input: the tray shows the provider's code.
            k.known = true;
            k.mode = QStringLiteral("1");
            k.second = input.tab == TabQrcode ? QStringLiteral("1") : QStringLiteral("2");
            k.third = input.storedPassword;
            k.password = input.storedPassword;
        } else {
            return k;
        }
        break;
    default:
        return k;
    }
    // A stored password comes from an earlier checked input; check it all the same.
    if (!isSafeField(k.third)) {
        k.third.clear();
        k.password.clear();
    }
    if (!fitsRequest(k.body())) {
        return refused(k, tooLongHint(), input.page == PageSim ? Field::Mobile
                                         : input.page == PageOauth ? Field::OauthAccount
                                                                   : Field::Account);
    }
    k.valid = true;
    return k;
}

QString SpaRules::resetStepBody(bool commit)
{
    return joinFields({QStringLiteral("3"), commit ? QStringLiteral("UPDATEPWD") : QStringLiteral("SENDSMS"), QString()});
}

SpaRules::Check SpaRules::resetCheck(const ResetInput& input, bool commit)
{
    const auto fail = [](const QString& hint, Field focus) { return Check{false, hint, focus}; };
    if (input.user.isEmpty()) {
        return fail(QStringLiteral("用户名不能为空，请重新输入！"), Field::ResetUser);
    }
    if (input.mobile.isEmpty()) {
        return fail(QStringLiteral("手机号不能为空，请重新输入！"), Field::ResetMobile);
    }
    if (input.password.isEmpty()) {
        return fail(QStringLiteral("密码不能为空，请重新输入！"), Field::ResetPassword);
    }
    if (input.repeated.isEmpty()) {
        return fail(QStringLiteral("请再次输入密码！"), Field::ResetRepeated);
    }
    if (input.password != input.repeated) {
        return fail(QStringLiteral("两次密码输入不一致，请重新输入！"), Field::ResetRepeated);
    }
    if (commit && input.code.isEmpty()) {
        return fail(QStringLiteral("验证码不能为空，请重新输入！"), Field::ResetCode);
    }
    const Field bad = firstUnsafe({{Field::ResetUser, &input.user},
                                   {Field::ResetMobile, &input.mobile},
                                   {Field::ResetPassword, &input.password},
                                   {Field::ResetCode, &input.code}});
    if (bad != Field::None) {
        return fail(controlCharacterHint(), bad);
    }
    if (!fitsRequest(commit ? resetCommitBody(input) : resetAuthCodeBody(input))) {
        return fail(tooLongHint(), Field::ResetUser);
    }
    return Check{};
}

QString SpaRules::resetAuthCodeBody(const ResetInput& input)
{
    return joinFields({input.user, input.mobile});
}

QString SpaRules::resetCommitBody(const ResetInput& input)
{
    return joinFields({input.user, input.mobile, input.password, input.code});
}

SpaRules::CommitOutcome SpaRules::commitOutcome(const QString& text, bool failed)
{
    // The service may answer with its JSON status document: only 2000 is a success there.
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8());
    QString shown = text;
    bool ok = !failed;
    if (doc.isObject()) {
        const QJsonObject root = doc.object();
        const QJsonValue status = root.value(QLatin1String("status"));
        const QJsonValue msg = root.value(QLatin1String("msg"));
        if (status.isDouble()) {
            ok = ok && status.toInt(-1) == 2000;
            shown = msg.isString() ? msg.toString() : QStringLiteral("未知错误");
        }
    }
    if (!ok && shown.trimmed().isEmpty()) {
        shown = QStringLiteral("重置密码失败，请稍后重试！");
    }
    return CommitOutcome{ok, shown};
}

int SpaRules::startPage(const Edition& edition, int spaLoginType, int spaSim, bool spaOauth)
{
    if (edition.is(Edition::Id::BrastelZtna)) {
        return PageOauth;
    }
    if (spaLoginType == 2 && spaSim == 1) {
        return PageSim;
    }
    // A deployment whose SPA goes through OAuth offers its tabs.
    if (spaOauth) {
        return PageOauth;
    }
    return PageAccount;
}

SpaRules::Titles SpaRules::titles(const Edition& edition, int page)
{
    const bool rolq = edition.is(Edition::Id::Rolq);
    Titles t;
    if (page == PageSim) {
        t.title = rolq ? QStringLiteral("SIM登录") : QStringLiteral("SIM认证");
        t.modeButton = rolq ? QStringLiteral("账号登录") : QStringLiteral("预认证");
        return t;
    }
    t.title = QStringLiteral("预认证");
    t.logo = page == PageAccount && edition.is(Edition::Id::Kav);
    t.modeButton = rolq ? QStringLiteral("SIM登录") : QStringLiteral("SIM认证");
    return t;
}

QString SpaRules::retryText(const Edition& edition)
{
    return keepsConfiguredAccount(edition) ? QStringLiteral("再次尝试") : QStringLiteral("登  录");
}

bool SpaRules::keepsConfiguredAccount(const Edition& edition)
{
    return edition.is(Edition::Id::Velmora) || edition.is(Edition::Id::TirrowaUosX86);
}

SpaRules::TrayOutcome SpaRules::trayOutcome(const QString& text, bool inResetPage)
{
    // The text alone decides: empty or "OPEN1443" is a success, any other text a failure with
    // that text. The argument pushed with it is deliberately not taken as the outcome flag.
    if (text.isEmpty() || text == QLatin1String("OPEN1443")) {
        return TrayOutcome::Success;
    }
    if (text.contains(QLatin1String("YZY_ONLYAUTH_SUCCESS"))) {
        // The reset form's one-time authorization: only the form that asked for it continues.
        if (!inResetPage) {
            return TrayOutcome::Ignore;
        }
        return text.contains(QLatin1String("SENDSMS")) ? TrayOutcome::ContinueAuthCode : TrayOutcome::ContinueCommit;
    }
    if (text.contains(QLatin1String("YZY_ONLYAUTH_FAIL"))) {
        return inResetPage ? TrayOutcome::Failure : TrayOutcome::Ignore;
    }
    return TrayOutcome::Failure;
}

SpaRules::ResetStep SpaRules::failedResetStep(const QString& msg, ResetStep pending)
{
    if (msg.contains(QLatin1String("SENDSMS"))) {
        return ResetStep::AuthCode;
    }
    if (msg.contains(QLatin1String("UPDATEPWD"))) {
        return ResetStep::Commit;
    }
    // A text naming no step ends the step in progress (the commit when none is).
    return pending == ResetStep::None ? ResetStep::Commit : pending;
}
