#pragma once

#include "corviscommon/edition.h"

#include <QString>
#include <QStringList>

// The rules of the SPA page ("预认证") without widgets: which page it starts on, what one press
// of a login button sends to the tray (request 37) or why it sends nothing, the checks of the
// password-reset form and its bodies (requests 128 and 129), and what a pushed SPA outcome means.
// The page applies what these decide.
class SpaRules
{
public:
    // The page's stacked pages and the OAuth page's tabs.
    enum Page { PageAccount = 0, PageOauth = 1, PageSim = 2 };
    enum OauthTab { TabQrcode = 0, TabWechat = 1, TabAccount = 2, TabReset = 3 };

    // The field a refused input puts the focus on.
    enum class Field {
        None,
        Account,
        Password,
        Mobile,
        OauthAccount,
        OauthPassword,
        ResetUser,
        ResetMobile,
        ResetPassword,
        ResetRepeated,
        ResetCode,
    };

    // What the page holds when a login button is pressed.
    struct Input {
        int page = PageAccount;
        int tab = TabQrcode;  // the OAuth tab, on the OAuth page
        QString account;        // account page
        QString password;       // account page
        QString mobile;         // SIM page
        QString oauthAccount;   // OAuth account tab
        QString oauthPassword;  // OAuth account tab
        QString storedPassword;  // the password kept from the last request (normally empty)
    };

    // One knock: the three fields of request 37, or why nothing is sent.
    struct Knock {
        bool known = false;  // false: a page or tab without a login button; nothing is sent
        bool valid = false;  // false: nothing is sent; `hint` says why
        QString hint;
        Field focus = Field::None;
        QString mode;    // "0" account, "1" QR code, "2" SIM
        QString second;  // account, QR provider ("1" or "2") or mobile number
        QString third;   // password
        // The account and password the page keeps for the outcome (sendSPALoginSucc).
        QString account;
        QString password;

        QString body() const { return joinFields({mode, second, third}); }
    };

    // Input checks of the page in use (CheckInput) and the fields request 37 carries.
    static Knock knock(const Input& input);

    // The one-time authorization of the reset form: request 37 with "3", the step, "".
    static QString resetStepBody(bool commit);

    // The reset form's fields.
    struct ResetInput {
        QString user;
        QString mobile;
        QString password;
        QString repeated;
        QString code;
    };
    struct Check {
        bool ok = true;
        QString hint;
        Field focus = Field::None;
    };
    // resetAuthCodeVaildtyCheck: the code step checks all but the code; the commit the code too.
    static Check resetCheck(const ResetInput& input, bool commit);
    // Request 128: user name and mobile number; request 129: user, mobile, new password, code.
    static QString resetAuthCodeBody(const ResetInput& input);
    static QString resetCommitBody(const ResetInput& input);

    // The answer of request 129: success, or the text to show in red.
    struct CommitOutcome {
        bool ok = false;
        QString text;
    };
    static CommitOutcome commitOutcome(const QString& text, bool failed);

    // The page the SPA page starts on (and returns to on every reset of the page).
    static int startPage(const corvis::Edition& edition, int spaLoginType, int spaSim, bool spaOauth);

    // Title and mode button of the account page (0) and the SIM page (2). kav shows its logo
    // picture as the account page's title.
    struct Titles {
        QString title;
        bool logo = false;
        QString modeButton;
    };
    static Titles titles(const corvis::Edition& edition, int page);

    // The texts of the account page's login button after a failure.
    static QString retryText(const corvis::Edition& edition);
    // Editions that knock with the account of their own configuration section: the account page
    // is filled from it at start and keeps its account when the page is reset.
    static bool keepsConfiguredAccount(const corvis::Edition& edition);

    // What a pushed SPA outcome (push 38) asks of the page.
    enum class TrayOutcome {
        Success,
        Failure,           // with the text as message
        ContinueAuthCode,  // the reset form's code step: send request 128
        ContinueCommit,    // the reset form's commit step: send request 129
        Ignore,
    };
    static TrayOutcome trayOutcome(const QString& text, bool inResetPage);

    // A failed one-time authorization on the reset tab: which step it ends.
    enum class ResetStep { None, AuthCode, Commit };
    static ResetStep failedResetStep(const QString& msg, ResetStep pending);

    // Fields of a body joined by line feeds (none at the end).
    static QString joinFields(const QStringList& fields);
    // Whether a field can travel in a body joined by line feeds: no line feed (it would make an
    // extra field), and no other control character (a NUL would end the body early).
    static bool isSafeField(const QString& field);
    // A request body must fit the request buffer (64500 bytes of UTF-8), or it would be cut.
    static bool fitsRequest(const QString& body);

    // Texts the page shows.
    static QString controlCharacterHint();
    static QString tooLongHint();
};
