#pragma once

#include "comm/clientreq.h"
#include "corviscommon/edition.h"
#include "login/loginaction.h"
#include "login/loginkind.h"
#include "login/pagelogintype.h"

#include <QString>

#include <optional>

// One result of a login request as the main window hands it to the login dialog.
struct LoginReply {
    LoginKind kind = LoginKind::Account;
    ClientReq req = CReqClientLogin76;
    QString text;
    bool isMsgError = false;
    int substatus = 0;
    // The status of login.json, -1 when absent or unreadable. Only the error of a step login
    // consults it (LoginResultRules::readsLoginFileStatus).
    int loginFileStatus = -1;
    // The login type of the current tab: the certificate login answers there.
    PageLoginType currentPage = PageLoginAccount;
};

// The rules that turn the results of the login requests into what the login dialog does. No
// widgets, no files: the dialog reads what a rule needs (login.json's status, the sandbox
// setting) and applies the returned action.
class LoginResultRules
{
public:
    // What a login.json with status 2000 leads to.
    enum class AfterLogin { LoggingPage, JumpToMain };

    // The kind of a login request's result; none for the other requests.
    static std::optional<LoginKind> kindOf(ClientReq req);
    // The page a login result acts on: the phone page for the phone logins (70, 84, 86), the QR
    // page for the QR login, the current tab for the certificate login, else the account page.
    static PageLoginType pageOf(LoginKind kind, ClientReq req, PageLoginType currentPage);

    // The result of a login request (kinds above).
    static LoginAction decide(const LoginReply& reply, const corvis::Edition& edition);
    // Whether `decide` needs LoginReply::loginFileStatus for this result.
    static bool readsLoginFileStatus(LoginKind kind, bool isMsgError);
    // After a successful login.json: the logging page, or straight to the work area.
    // `sandboxConfigured`: the user information names a sandbox (the kav edition asks).
    static AfterLogin afterLogin(LoginKind kind, const corvis::Edition& edition, bool sandboxConfigured);

    // The answer to the SMS initialisation (78) on the account page.
    static LoginAction decideSmsInit(const QString& text, bool isMsgError, const corvis::Edition& edition);
    // The answer to the bind-again request (114), shown on the current tab.
    static LoginAction decideBindAgainAnswer(const QString& text, bool isMsgError, PageLoginType currentPage,
                                             const corvis::Edition& edition);
    // The result of the reset page's code request (67) or reset (68).
    static ResetAction decideReset(ClientReq req, const QString& text, bool isMsgError, const corvis::Edition& edition);

    // Result texts that are not documents: the access check failed ("2", the access-login
    // state handed on by resultAfterAccessLogin) or runs ("3", the worker's status as text).
    static QString accessCheckFailedText();
    static QString accessCheckRunningText();
};
