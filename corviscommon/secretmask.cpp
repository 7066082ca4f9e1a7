#include "corviscommon/secretmask.h"

#include <QRegularExpression>

namespace corvis {

namespace {

// Names whose values are credentials; "code" alone is left out: it is the status of most replies.
const char kSecretNames[] =
    "password|passwd|pwd|oldpwd|newpwd|oldpassword|newpassword|authcode|auth_code|smscode|sms_code|"
    "verifycode|verify_code|validatecode|sessionid|session_id|token|sso_token|access_token|"
    "refresh_token|ticket|pin|secret|cookie";

}  // namespace

QString maskSecrets(const QString& text)
{
    static const QRegularExpression jsonMember(
        QStringLiteral("(\"(?:%1)\"\\s*:\\s*)\"(?:[^\"\\\\]|\\\\.)*\"").arg(QLatin1String(kSecretNames)),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression urlParameter(
        QStringLiteral("((?:^|[?&\\s'\"])(?:%1)=)[^&'\"\\s]+").arg(QLatin1String(kSecretNames)),
        QRegularExpression::CaseInsensitiveOption);
    QString masked = text;
    masked.replace(jsonMember, QStringLiteral("\\1\"***\""));
    masked.replace(urlParameter, QStringLiteral("\\1***"));
    return masked;
}

}  // namespace corvis
