#include "login/passwordrules.h"

#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>

const QString& PasswordRules::specialChars()
{
    static const QString chars = QStringLiteral("`~!@#$%^&*()_+-=[]{}\\|;':\",.<>/?");
    return chars;
}

const QStringList& PasswordRules::keypadTriples()
{
    static const QStringList triples = {QStringLiteral("147"), QStringLiteral("258"), QStringLiteral("369"),
                                        QStringLiteral("753"), QStringLiteral("159"), QStringLiteral("*96"),
                                        QStringLiteral("/85"), QStringLiteral("/*-"), QStringLiteral("63.")};
    return triples;
}

const QStringList& PasswordRules::keyboardLines()
{
    static const QStringList lines = {
        QStringLiteral("~1234567890-="), QStringLiteral("qwertyuiop[]\\"), QStringLiteral("asdfghjkl;'"),
        QStringLiteral("zxcvbnm,./"),
        // the columns, walked top to bottom and left to right
        QStringLiteral("1qaz2wsx3edc4rfv5tgb6yhn7ujm8ik,9ol.0p;/-['=]\\")};
    return lines;
}

QString PasswordRules::weakPasswordFile()
{
    // The product directory occurs twice: a folder orvane/bin/john below the install root.
    return corvis::paths::weakPasswords();
}

bool PasswordRules::isPasswordWeak(const QString& pwd)
{
    if (pwd.size() < 8 || pwd.size() > 16) {
        return false;
    }
    bool lower = false;
    bool upper = false;
    bool digit = false;
    bool special = false;
    for (const QChar c : pwd) {
        const ushort u = c.unicode();
        if (u >= 'a' && u <= 'z') {
            lower = true;
        } else if (u >= 'A' && u <= 'Z') {
            upper = true;
        } else if (u >= '0' && u <= '9') {
            digit = true;
        } else if (specialChars().contains(c)) {
            special = true;
        }
    }
    return int(lower) + int(upper) + int(digit) + int(special) >= 3;
}

bool PasswordRules::findPwdRuleStr(const QString& pwd, const QStringList& lines, int n)
{
    if (n <= 0) {
        return false;
    }
    for (const QString& line : lines) {
        for (int start = 0; start + n <= line.size(); ++start) {
            QString window = line.mid(start, n);
            if (pwd.contains(window)) {
                return true;
            }
            std::reverse(window.begin(), window.end());
            if (pwd.contains(window)) {
                return true;
            }
        }
    }
    return false;
}

bool PasswordRules::hasConsecutiveChars(const QString& s, int n)
{
    if (s.size() < 2) {
        return false;
    }
    int run = 1;
    for (int i = 1; i < s.size(); ++i) {
        run = s.at(i) == s.at(i - 1) ? run + 1 : 1;
        if (run >= n) {
            return true;
        }
    }
    return false;
}

QString PasswordRules::convertToKeyboardBase(const QString& s)
{
    static const QHash<QChar, QChar> base = {
        {'!', '1'}, {'@', '2'}, {'#', '3'}, {'$', '4'}, {'%', '5'}, {'^', '6'}, {'&', '7'},
        {'*', '8'}, {'(', '9'}, {')', '0'}, {'_', '-'}, {'+', '='}, {'{', '['}, {'}', ']'},
        {'|', '\\'}, {':', ';'}, {'"', '\''}, {'<', ','}, {'>', '.'}, {'?', '/'},
        // The first keyboard line begins with the tilde, so the backquote becomes one.
        {'`', '~'}};
    QString out = s;
    for (QChar& c : out) {
        if (c.unicode() >= 33 && c.unicode() <= 125) {
            c = base.value(c, c);
        }
    }
    return out;
}

bool PasswordRules::comparedWeakCiphertext(const QString& pwd)
{
    const QString path = weakPasswordFile();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        LOG(WARNING) << "open weak password file failed: " << path;
        return false;
    }
    QTextStream in(&file);
    in.setCodec("UTF-8");
    QString line;
    while (in.readLineInto(&line)) {
        if (line == pwd) {
            return true;
        }
    }
    return false;
}

bool PasswordRules::checkSequentialKeyboard(const QString& pwd)
{
    if (findPwdRuleStr(pwd, keypadTriples(), 3)) {
        return true;
    }
    if (comparedWeakCiphertext(pwd)) {
        return true;
    }
    const QString base = convertToKeyboardBase(pwd).toLower();
    return findPwdRuleStr(base, keyboardLines(), 3) || hasConsecutiveChars(base, 3);
}

bool PasswordRules::isPasswordLegal(const QString& pwd, QString& msg)
{
    static const QRegularExpression ideograph(QStringLiteral("[\u4e00-\u9fff]"));
    const bool blank = std::any_of(pwd.begin(), pwd.end(), [](QChar c) { return c.isSpace(); });
    if (blank || pwd.contains(ideograph)) {
        msg = QStringLiteral("输入有非法字符，请修改。");
        return false;
    }
    if (!isPasswordWeak(pwd)) {
        msg = QStringLiteral("密码长度8-16位，必须包含大写字母、小写字母、数字和特殊字符中的3种或3种以上。");
        return false;
    }
    if (checkSequentialKeyboard(pwd)) {
        // The password itself never reaches the log.
        LOG(INFO) << "checkSequentialKeyboard: " << "rejected";
        msg = QStringLiteral("不能使用连续的字符或者常见弱口令。");
        return false;
    }
    return true;
}
