#pragma once

#include <QString>
#include <QStringList>

// Local password rules of the login dialog: a composition check before a login (vesk editions)
// and the full legality check for a new password on the reset page. Pure functions of the text,
// except that the weak-password list is read from its installed file on each check.
class PasswordRules
{
public:
    // True when the password is acceptable by composition (8 to 16 characters, at least three
    // of lower case, upper case, digits and the special characters), despite the name.
    static bool isPasswordWeak(const QString& pwd);
    // True when pwd contains n adjacent characters of any line, forwards or reversed.
    static bool findPwdRuleStr(const QString& pwd, const QStringList& lines, int n);
    // True when s holds n equal characters in a row.
    static bool hasConsecutiveChars(const QString& s, int n);
    // Shifted symbols replaced by the key they sit on.
    static QString convertToKeyboardBase(const QString& s);
    // True when pwd equals a whole line of the weak-password list.
    static bool comparedWeakCiphertext(const QString& pwd);
    // True when the password is a keyboard or keypad sequence, a repetition or a listed weak one.
    static bool checkSequentialKeyboard(const QString& pwd);
    // True when legal; otherwise msg holds the reason to show.
    static bool isPasswordLegal(const QString& pwd, QString& msg);

    static QString weakPasswordFile();
    static const QString& specialChars();
    static const QStringList& keypadTriples();
    static const QStringList& keyboardLines();
};
