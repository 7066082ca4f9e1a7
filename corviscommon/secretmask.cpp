#include "corviscommon/secretmask.h"

#include <QRegularExpression>
#include <QStringList>

#include <functional>

namespace corvis {

namespace {

// Longer texts are cut to this before masking: masking works on the part that can be logged
// (with room to spare) rather than on megabytes that are never written.
constexpr int kMaskWindow = 64 * 1024;

const QLatin1String kMark(kSecretMark);

// Credential words found anywhere in a name (lower case, "_" and "-" removed).
const char* const kSecretWords[] = {
    "token", "pwd", "password", "passwd", "secret", "session", "ticket", "authcode",
    "smscode", "verifycode", "validatecode", "cookie", "authorization", "credential",
};

using Replacer = std::function<QString(const QRegularExpressionMatch&)>;

QString replaceEach(const QString& text, const QRegularExpression& pattern, const Replacer& replace)
{
    QRegularExpressionMatchIterator it = pattern.globalMatch(text);
    if (!it.hasNext()) {
        return text;
    }
    QString out;
    out.reserve(text.size());
    int last = 0;
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        out += text.midRef(last, match.capturedStart() - last);
        out += replace(match);
        last = match.capturedEnd();
    }
    out += text.midRef(last);
    return out;
}

// The words of a name: split at anything that is not a letter or digit, between a lower-case
// letter and an upper-case one, at the end of an upper-case run ("PINCode": "PIN", "Code") and
// between letters and digits.
QStringList nameWords(const QString& name)
{
    QStringList words;
    QString word;
    const auto flush = [&]() {
        if (!word.isEmpty()) {
            words.append(word.toLower());
            word.clear();
        }
    };
    for (int i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (!c.isLetterOrNumber()) {
            flush();
            continue;
        }
        if (!word.isEmpty()) {
            const QChar prev = word.at(word.size() - 1);
            const bool next_lower = i + 1 < name.size() && name.at(i + 1).isLower();
            if ((prev.isLower() && c.isUpper()) || (prev.isUpper() && c.isUpper() && next_lower) ||
                (prev.isDigit() != c.isDigit())) {
                flush();
            }
        }
        word += c;
    }
    flush();
    return words;
}

// Whether the quote at `pos` closes a JSON string whose opening quote carried `opening`
// backslashes (0 for a plain string; 1, 3, 7 for a string nested once, twice, three times as
// an escaped string). Each nesting doubles the backslashes and adds one.
bool closesString(const QString& text, int pos, int opening)
{
    int run = 0;
    while (pos - run - 1 >= 0 && text.at(pos - run - 1) == QLatin1Char('\\')) {
        ++run;
    }
    for (int level = opening; level > 0; level = (level - 1) / 2) {
        if (run % 2 == 0) {
            // A quote of an outer string: the nested one cannot go on past it.
            return true;
        }
        run = (run - 1) / 2;
    }
    return run % 2 == 0;
}

// The end of the value that starts at `pos` after a key whose quotes carry `backslashes`: a string
// (its closing quote included; the end of the text when unterminated) or a number. -1 for any
// other value (objects, arrays, true, false, null stay).
int jsonValueEnd(const QString& text, int pos, int backslashes, bool* quoted)
{
    const QString quote = QString(backslashes, QLatin1Char('\\')) + QLatin1Char('"');
    if (text.midRef(pos, quote.size()) == quote) {
        *quoted = true;
        for (int i = pos + quote.size(); i < text.size(); ++i) {
            if (text.at(i) == QLatin1Char('"') && closesString(text, i, backslashes)) {
                return i + 1;
            }
        }
        return text.size();
    }
    *quoted = false;
    static const QRegularExpression number(QStringLiteral("-?[0-9][0-9.eE+\\-]*"));
    const QRegularExpressionMatch match =
        number.match(text, pos, QRegularExpression::NormalMatch, QRegularExpression::AnchoredMatchOption);
    return match.hasMatch() ? match.capturedEnd() : -1;
}

// JSON members, also those of a JSON text nested as an escaped string in another one (their
// quotes carry backslashes, as many at the key as at the value).
QString maskJson(const QString& text)
{
    static const QRegularExpression key(QStringLiteral(R"re((?<!\\)(\\*)"([^"\\]{1,64})\1"\s*:\s*)re"));
    QString out;
    int pos = 0;
    int copied = 0;
    for (;;) {
        const QRegularExpressionMatch m = key.match(text, pos);
        if (!m.hasMatch()) {
            break;
        }
        pos = m.capturedEnd();
        if (!isSecretName(m.captured(2))) {
            continue;
        }
        const int backslashes = m.capturedLength(1);
        bool quoted = false;
        const int end = jsonValueEnd(text, pos, backslashes, &quoted);
        if (end < 0) {
            continue;
        }
        out += text.midRef(copied, pos - copied);
        if (quoted) {
            const QString quote = QString(backslashes, QLatin1Char('\\')) + QLatin1Char('"');
            out += quote + kMark + quote;
        } else {
            out += kMark;
        }
        copied = pos = end;
    }
    if (copied == 0) {
        return text;
    }
    out += text.midRef(copied);
    return out;
}

// URL and form parameters, "key=value" and "key: value", the key and the value each possibly in
// quotes. Only the key is matched, so that a harmless key never hides a secret in its value
// ("https://h/a?token=..."); a secret key's value runs to its closing quote or, bare, to a blank,
// "&", ",", ";" or a quote.
QString maskPairs(const QString& text)
{
    static const QRegularExpression key(
        QStringLiteral(R"re((?<![A-Za-z0-9_.\-\\])(['"]?)([A-Za-z][A-Za-z0-9_.\-]{0,63})\1\s*[=:]\s*)re"));
    static const QRegularExpression bareValue(QStringLiteral(R"re([^\s&'",;]+)re"));
    static const QRegularExpression scheme(QStringLiteral("^(?:bearer|basic)$"), QRegularExpression::CaseInsensitiveOption);
    QString out;
    int pos = 0;
    int copied = 0;
    for (;;) {
        const QRegularExpressionMatch m = key.match(text, pos);
        if (!m.hasMatch()) {
            break;
        }
        pos = m.capturedEnd();
        if (!isSecretName(m.captured(2)) || pos >= text.size()) {
            continue;
        }
        const QChar first = text.at(pos);
        int end = -1;
        QString replacement;
        if (first == QLatin1Char('\'') || first == QLatin1Char('"')) {
            end = text.indexOf(first, pos + 1);
            end = end < 0 ? text.size() : end + 1;
            if (text.midRef(pos + 1, end - pos - 2) == kMark) {
                continue;
            }
            replacement = first + kMark + first;
        } else {
            const QRegularExpressionMatch value =
                bareValue.match(text, pos, QRegularExpression::NormalMatch, QRegularExpression::AnchoredMatchOption);
            // "Authorization: Bearer x": the scheme stays, its credential is masked on its own.
            if (!value.hasMatch() || value.captured(0) == kMark || scheme.match(value.captured(0)).hasMatch()) {
                continue;
            }
            end = value.capturedEnd();
            replacement = kMark;
        }
        out += text.midRef(copied, pos - copied);
        out += replacement;
        copied = pos = end;
    }
    if (copied == 0) {
        return text;
    }
    out += text.midRef(copied);
    return out;
}

QString maskAuthorizations(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(R"re(\b(Bearer|Basic)(\s+)[A-Za-z0-9._~+/=\-]+)re"),
                                            QRegularExpression::CaseInsensitiveOption);
    return replaceEach(text, pattern, [](const QRegularExpressionMatch& m) {
        return m.captured(1) + m.captured(2) + kMark;
    });
}

QString maskPhones(const QString& text)
{
    // A mainland mobile number of 11 digits, not part of a longer number.
    static const QRegularExpression pattern(QStringLiteral(R"re((?<![0-9])(1[3-9][0-9])[0-9]{4}([0-9]{4})(?![0-9]))re"));
    return replaceEach(text, pattern, [](const QRegularExpressionMatch& m) {
        return m.captured(1) + QStringLiteral("****") + m.captured(2);
    });
}

}  // namespace

bool isSecretName(const QString& name)
{
    QString plain = name.toLower();
    plain.remove(QLatin1Char('_'));
    plain.remove(QLatin1Char('-'));
    for (const char* word : kSecretWords) {
        if (plain.contains(QLatin1String(word))) {
            return true;
        }
    }
    return nameWords(name).contains(QStringLiteral("pin"));
}

QString maskSecrets(const QString& text)
{
    if (text.isEmpty()) {
        return text;
    }
    QString masked = maskJson(text);
    masked = maskPairs(masked);
    masked = maskAuthorizations(masked);
    return maskPhones(masked);
}

QString escapeControls(const QString& text)
{
    QString out;
    bool changed = false;
    for (int i = 0; i < text.size(); ++i) {
        const ushort c = text.at(i).unicode();
        QString escape;
        if (c == '\n') {
            escape = QStringLiteral("\\n");
        } else if (c == '\r') {
            escape = QStringLiteral("\\r");
        } else if (c == '\t') {
            escape = QStringLiteral("\\t");
        } else if (c < 0x20 || c == 0x7f || (c >= 0x80 && c <= 0x9f)) {
            escape = QString::asprintf("\\x%02x", static_cast<unsigned int>(c));
        } else if (c == 0x2028 || c == 0x2029) {
            escape = QString::asprintf("\\u%04x", static_cast<unsigned int>(c));
        }
        if (escape.isEmpty()) {
            if (changed) {
                out += text.at(i);
            }
            continue;
        }
        if (!changed) {
            out.reserve(text.size() + 16);
            out = text.left(i);
            changed = true;
        }
        out += escape;
    }
    return changed ? out : text;
}

QString logSafe(const QString& text)
{
    const int full = text.size();
    QString safe = escapeControls(maskSecrets(full > kMaskWindow ? text.left(kMaskWindow) : text));
    if (full <= kLogTextLimit && safe.size() <= kLogTextLimit) {
        return safe;
    }
    safe.truncate(kLogTextLimit);
    if (!safe.isEmpty() && safe.at(safe.size() - 1).isHighSurrogate()) {
        safe.chop(1);
    }
    return safe + QStringLiteral(" ...[cut, %1 characters in all]").arg(full);
}

QString logSafe(const QByteArray& utf8)
{
    return logSafe(QString::fromUtf8(utf8));
}

std::string logSafe(const std::string& utf8)
{
    return logSafe(QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size()))).toUtf8().toStdString();
}

QString logSafe(const char* utf8)
{
    return logSafe(QString::fromUtf8(utf8));
}

QString maskFields(const QString& body, const QList<int>& positions, QChar separator)
{
    QStringList fields = body.split(separator);
    for (int position : positions) {
        if (position >= 0 && position < fields.size() && !fields.at(position).isEmpty()) {
            fields[position] = kMark;
        }
    }
    return fields.join(separator);
}

std::string maskedSecret(const std::string& secret)
{
    return secret.empty() ? std::string() : std::string(kSecretMark);
}

std::string withoutSecret(std::string text, const std::string& secret)
{
    if (secret.empty()) {
        return text;
    }
    const std::string mask = maskedSecret(secret);
    size_t pos = 0;
    while ((pos = text.find(secret, pos)) != std::string::npos) {
        text.replace(pos, secret.size(), mask);
        pos += mask.size();
    }
    return text;
}

std::string maskedCookie(const std::string& cookie)
{
    std::string out;
    size_t start = 0;
    while (start < cookie.size()) {
        size_t end = cookie.find(';', start);
        if (end == std::string::npos) {
            end = cookie.size();
        }
        const std::string pair = cookie.substr(start, end - start);
        const size_t eq = pair.find('=');
        out += eq == std::string::npos ? pair : pair.substr(0, eq + 1) + maskedSecret(pair.substr(eq + 1));
        if (end < cookie.size()) {
            out += ';';
        }
        start = end + 1;
    }
    return out;
}

}  // namespace corvis
