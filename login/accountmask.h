#pragma once

#include "corviscommon/edition.h"
#include "login/pagelogintype.h"

#include <QString>

// The remembered account and phone number are shown masked in the login fields; what the user
// sees is turned back into the real value before any request.
class AccountMask
{
public:
    // The masked form of an 11-character value: "****" over positions 3 to 6 (phone, and account
    // in the vesk editions) or 4 to 7 (account elsewhere). Any other length gives an empty text.
    static QString encryptLastAccount(const QString& value, PageLoginType type, const corvis::Edition& edition);
    // Where "****" stands in a masked field.
    static int maskPosition(PageLoginType type, const corvis::Edition& edition);
    // The value to send: the remembered one when the field shows its masked form, else the text.
    static QString realValue(const QString& fieldText, const QString& remembered, PageLoginType type,
                             const corvis::Edition& edition);
    // True when the field holds "****" at the mask position of an 11-character remembered value
    // but is not that value's masked form: the user edited a masked field.
    static bool isBrokenMask(const QString& fieldText, const QString& remembered, PageLoginType type,
                             const corvis::Edition& edition);
};
