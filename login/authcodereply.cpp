#include "login/authcodereply.h"

#include "login/countdown.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kDefaultWait = 60;

// A wait sent as a number or as a decimal text; absent or unreadable counts as the default.
qint64 waitOf(const QJsonValue& value)
{
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (std::isfinite(d)) {
            return static_cast<qint64>(std::clamp(d, -1e12, 1e12));
        }
        return kDefaultWait;
    }
    if (value.isString()) {
        const QString text = value.toString().trimmed();
        bool ok = false;
        const qint64 parsed = text.toLongLong(&ok, 10);
        if (ok) {
            return parsed;
        }
        // Too many digits for a 64-bit number still means "very long".
        const bool digits = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
        return digits ? CountDown::kMaxSeconds : kDefaultWait;
    }
    return kDefaultWait;
}

}  // namespace

AuthCodeReply AuthCodeReply::parse(const QString& text)
{
    AuthCodeReply reply;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8());
    if (!doc.isObject()) {
        reply.outcome = ParseError;
        return reply;
    }
    const QJsonObject root = doc.object();
    const QJsonValue status = root.value(QLatin1String("status"));
    reply.status = status.isDouble() ? status.toInt(-1) : -1;
    const QJsonValue msg = root.value(QLatin1String("msg"));
    reply.msg = msg.isString() ? msg.toString() : QString();
    if (reply.status != 2000) {
        reply.outcome = StatusError;
        if (!msg.isString()) {
            reply.msg = QStringLiteral("未知错误");
        }
        return reply;
    }
    const QJsonValue result = root.value(QLatin1String("result"));
    if (!result.isObject()) {
        reply.outcome = NoResult;
        return reply;
    }
    const QJsonObject times = result.toObject();
    reply.seconds = waitSeconds(times);
    const QJsonValue phone = times.value(QLatin1String("phoneFormat"));
    reply.phoneFormat = phone.isString() ? phone.toString() : QString();
    reply.outcome = Ok;
    return reply;
}

int AuthCodeReply::waitSeconds(const QJsonObject& result)
{
    const qint64 longest = std::max({waitOf(result.value(QLatin1String("smsSendCodeButtonTime"))),
                                     waitOf(result.value(QLatin1String("iSendSmsTimeInterval"))),
                                     waitOf(result.value(QLatin1String("iUserSmsLockWaitTime")))});
    return CountDown::clampSeconds(longest);
}

QString AuthCodeReply::tip() const
{
    switch (outcome) {
    case ParseError:
        return QStringLiteral("后台数据处理异常！");
    case NoResult:
        return QStringLiteral("安全工作台启动异常，请重启电脑后重试！");
    case StatusError:
    case Ok:
        break;
    }
    return msg;
}
