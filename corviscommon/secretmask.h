#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <string>

// The one secret mask of the program. Every log line that carries a text from outside (a service
// reply, a pushed text, a controller reply) or a text sent out (a request parameter or body, a
// command) passes it through logSafe():
//
//     LOG(INFO) << "reply: " << corvis::logSafe(text);
//
// logSafe masks secrets, writes control characters escaped so that a text cannot forge a log
// line, and cuts a long text, noting its length.
namespace corvis {

// What stands for a secret value in a log line.
inline constexpr const char kSecretMark[] = "***";
// A logged text longer than this many characters is cut.
inline constexpr int kLogTextLimit = 4096;

// The text with its secrets masked, its control characters escaped and, beyond kLogTextLimit
// characters, cut with its full length noted.
QString logSafe(const QString& text);
QString logSafe(const QByteArray& utf8);
std::string logSafe(const std::string& utf8);
QString logSafe(const char* utf8);

// Only the masking of logSafe (the text keeps its length otherwise):
// - the value of every member or parameter whose name names a credential (isSecretName): JSON
//   members, also inside escaped JSON strings nested in JSON; URL and form parameters; "key=value"
//   and "key: value" pairs;
// - the credentials of "Bearer ..." and "Basic ..." authorizations;
// - mobile numbers, as the screen shows them ("138****5678").
QString maskSecrets(const QString& text);

// Whether a member or parameter of this name carries a credential: any name holding token, pwd,
// password, passwd, secret, session, ticket, authcode, smscode, verifycode, validatecode, cookie,
// authorization or credential (case, "_" and "-" ignored), or holding "pin" as a word of its own
// ("pin", "userPin", "pin_code", "PINCode"; not "spinner" or "pinyin").
bool isSecretName(const QString& name);

// Control characters written as escapes: "\n", "\r", "\t", other C0 bytes, DEL and the C1 range
// as "\xNN", the Unicode line and paragraph separators as "\u2028" and "\u2029".
QString escapeControls(const QString& text);

// A body of fields joined by `separator` with the fields at `positions` (from 0) masked. An
// empty field stays empty.
QString maskFields(const QString& body, const QList<int>& positions, QChar separator = QLatin1Char('\n'));

// The mark for a secret that is not empty, "" for an empty one.
std::string maskedSecret(const std::string& secret);
// `text` with every occurrence of `secret` masked.
std::string withoutSecret(std::string text, const std::string& secret);
// A cookie header with every value masked: "corvis_sessionid=***; a=***".
std::string maskedCookie(const std::string& cookie);

}  // namespace corvis
