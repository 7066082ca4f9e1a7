// PolicyAnalyzer: the login replies (SMS, reset codes, QR code, device binding).

#include "src/PolicyAnalyzer/policyanalyzer_p.h"

#include <algorithm>
#include <iterator>

using namespace policyreader;

// ---------------------------------------------------------------------------------------------
// Login replies.

namespace {

// The string at `path` (object members, outermost first) of a reply text; false when any part is
// missing or of another type. Shared by the single-value login readers.
bool replyString(ReaderRun& run, const QString& reply, std::initializer_list<QLatin1String> path, QString& out)
{
    QJsonObject object;
    if (!run.loadText(reply, JSON_PARSE_ERROR) || !run.object(object, 0)) {
        return false;
    }
    QJsonValue value = object;
    for (const QLatin1String& key : path) {
        if (!value.isObject()) {
            return false;
        }
        value = value.toObject().value(key);
    }
    if (!value.isString()) {
        return false;
    }
    out = value.toString();
    return true;
}

}  // namespace

bool PolicyAnalyzer::parseSmsInit(const QString& text, QString& phone)
{
    ReaderRun run("parseSmsInit", ErrorExit::Always);
    QString value;
    if (!replyString(run, text, {QLatin1String("result"), QLatin1String("phoneFormat")}, value)) {
        return run.fail();
    }
    phone = value;
    return run.succeed();
}

bool PolicyAnalyzer::parseResetAuthCodeResMsg(const QString& text, int& seconds)
{
    ReaderRun run("parseResetAuthCodeResMsg", ErrorExit::Always);
    QJsonObject root;
    if (!run.loadText(text, JSON_PARSE_ERROR) || !run.object(root, 0)) {
        return run.fail();
    }
    const QJsonValue status = root.value(QLatin1String("status"));
    const QJsonValue result = root.value(QLatin1String("result"));
    if (!status.isDouble() || integer(status) != 2000 || !result.isObject()) {
        return run.fail();
    }
    // The largest of the three waits; each is 60 seconds when not sent.
    const QJsonObject times = result.toObject();
    const QJsonValue buttonTime = times.value(QLatin1String("smsSendCodeButtonTime"));
    const QJsonValue interval = times.value(QLatin1String("iSendSmsTimeInterval"));
    const QJsonValue lockWait = times.value(QLatin1String("iUserSmsLockWaitTime"));
    seconds = std::max({buttonTime.isDouble() ? integer(buttonTime) : 60,
                        interval.isString() ? interval.toString().toInt(nullptr, 10) : 60,
                        lockWait.isString() ? lockWait.toString().toInt(nullptr, 10) : 60});
    return run.succeed();
}

QString PolicyAnalyzer::getAuthType(const QString& code)
{
    static const char* const names[] = {
        "口令认证",       "二维码认证",     "证书认证",  "单点登录",           "客户端接入检查",     "短信认证",
        "SPA认证",        "设备绑定检查",   "企业微信二维码", "钉钉二维码",     "IAM认证",            "口令认证(二次认证)",
        "短信认证(二次认证)", "客户端自动登录", "简单密码认证", "客户端签名检查",
    };
    // Only the plain decimal texts "1" to "16" name a type.
    bool ok = false;
    const int number = code.toInt(&ok, 10);
    if (!ok || number < 1 || number > static_cast<int>(std::size(names)) || code != QString::number(number)) {
        return QString();
    }
    return QString::fromUtf8(names[number - 1]);
}

bool PolicyAnalyzer::parseQrcodeSign(const QString& text, QString& sign)
{
    ReaderRun run("parseQrcodeSign", ErrorExit::Always);
    QString value;
    if (!replyString(run, text, {QLatin1String("data"), QLatin1String("sign")}, value)) {
        return run.fail();
    }
    sign = value;
    return run.succeed();
}

bool PolicyAnalyzer::parseQrcodeUrl(const QString& text, QString& url)
{
    ReaderRun run("parseQrcodeUrl", ErrorExit::Always);
    QString value;
    if (!replyString(run, text, {QLatin1String("loginurl")}, value)) {
        return run.fail();
    }
    url = value;
    return run.succeed();
}

bool PolicyAnalyzer::parseQrcodeHeartbeat(const QString& text, st_qrcodeInfo& info)
{
    ReaderRun run("parseQrcodeHeartbeat", ErrorExit::Always);
    info.username.clear();
    info.authcode.clear();
    info.sessionid.clear();
    info.status = 0;
    QJsonObject root;
    if (!run.loadText(text, JSON_PARSE_ERROR) || !run.object(root, 0)) {
        return run.fail();
    }
    const QJsonValue status = root.value(QLatin1String("status"));
    if (!status.isDouble()) {
        return run.fail();
    }
    info.status = integer(status);
    info.msg = ::text(root, QLatin1String("msg"));

    // A scanned code names the user; a confirmed one also carries the credentials of the QR
    // login, which must be complete before the dialog sends it.
    const QJsonObject data = root.value(QLatin1String("data")).toObject();
    const bool scanned = info.status == 2001 || info.status == 2002;
    const bool confirmed = info.status == 2002;
    if ((scanned && !data.value(QLatin1String("username")).isString()) ||
        (confirmed && (!data.value(QLatin1String("authcode")).isString() ||
                       !data.value(QLatin1String("sessionid")).isString()))) {
        return run.fail();
    }
    if (scanned) {
        info.username = ::text(data, QLatin1String("username"));
    }
    if (confirmed) {
        info.authcode = ::text(data, QLatin1String("authcode"));
        info.sessionid = ::text(data, QLatin1String("sessionid"));
    }
    return run.succeed();
}

bool PolicyAnalyzer::parseBindedInfo(const QString& text, st_againBindInfo& info)
{
    ReaderRun run("parseBindedInfo", ErrorExit::Always);
    QJsonObject root;
    if (!run.loadText(text, JSON_PARSE_ERROR) || !run.object(root, 0)) {
        return run.fail();
    }
    const QJsonValue msg = root.value(QLatin1String("msg"));
    const QJsonValue result = root.value(QLatin1String("result"));
    const QJsonObject bind = result.toObject();
    if (!msg.isString() || !result.isObject() || !bind.value(QLatin1String("bindUserName")).isString() ||
        !bind.value(QLatin1String("token")).isString()) {
        return run.fail();
    }
    info.msg = msg.toString();
    info.bindUserName = ::text(bind, QLatin1String("bindUserName"));
    info.token = ::text(bind, QLatin1String("token"));
    return run.succeed();
}
