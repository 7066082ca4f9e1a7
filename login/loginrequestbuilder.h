#pragma once

#include "corviscommon/edition.h"
#include "login/loginaction.h"
#include "login/pagelogintype.h"

#include <QString>
#include <QStringList>

#include <optional>

// The bodies of the requests the login dialog sends: fields joined by one line feed, none at
// the end. No widgets: the dialog hands in what the user typed (already unmasked).
class LoginRequestBuilder
{
public:
    // What a credential page holds when it sends.
    struct Fields {
        QString account;  // the real account or phone (the remembered one for its masked form)
        QString password;
        QString epoch;    // milliseconds since the epoch, in decimal
        QString code;
        bool bind = false;              // the bind-this-device switch
        bool reminderAccepted = false;  // the login reminder was accepted for this login
    };

    // A login of the account or phone page: the phone page and the vesk account page by their
    // step (1 or 2; any other step sends nothing), the account page of the other editions 80 in
    // SMS mode (authMode 2), else 76.
    static std::optional<LoginRequest> login(PageLoginType type, int step, int authMode,
                                             const corvis::Edition& edition, const Fields& fields);
    // The code button of the account or phone page; nothing when no code is requested (no code
    // or a dynamic code from a token).
    static std::optional<LoginRequest> codeRequest(PageLoginType type, int authMode, int validateCodeType,
                                                   const corvis::Edition& edition, const Fields& fields);
    // The account page of the editions other than vesk stops the login lock before it sends.
    static bool stopsLoginLock(PageLoginType type, const corvis::Edition& edition);

    // 78: ask the service to start the SMS second factor.
    static LoginRequest smsInit();
    // 67 and 68 of the reset page.
    static LoginRequest resetCode(const QString& user, const QString& idCard, const QString& password,
                                  const QString& repeat, const QString& epoch);
    static LoginRequest resetPassword(const QString& user, const QString& idCard, const QString& password,
                                      const QString& repeat, const QString& epoch, const QString& code);

    // "01" with the bind switch on, "02" off.
    static QString bindFlag(bool bind);
    static QString joined(const QStringList& fields);
};
