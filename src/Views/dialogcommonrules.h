#pragma once

#include "comm/clientreq.h"
#include "corviscommon/edition.h"
#include "login/st_improveuserinfoelements.h"
#include "src/PolicyAnalyzer/st_systemtitle.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

// Pages of the common account dialog.
enum PageCommonDialogIndex {
    PageDialogModifyPwd = 0,
    PageDialogUnbindling = 1,
    PageDialogBindling = 2,
    PageDialogAuthAgainPwd = 3,
    PageDialogAuthAgainSms = 4,
    PageDialogImproveUserInfo = 5,
};

// What the common account dialog decides, without widgets: titles and sizes of its pages, the
// checks of what the user typed, the request bodies, the reading of code answers, what a result
// leads to, and the user-information form's checks and answer. The dialog applies them.
class DialogCommonRules
{
public:
    // The field a failed check puts the focus on.
    enum class Field { None, OldPassword, NewPassword, Confirm, Code, Phone, Password };
    struct Check {
        QString error;  // empty: passed
        Field focus = Field::None;
        bool ok() const { return error.isEmpty(); }
    };

    // ---- page 0: the password ----
    struct ModifyPwdMode {
        QString title;
        int firstLogin = 0;  // 1: a forced change at login; the old password is neither asked nor sent
        QString trayText;    // said by the tray when the page opens (a too weak password)
    };
    // By the login status that opened the page: 14, 15 and 16 force the change, anything else is
    // the user's own wish.
    static ModifyPwdMode modifyPwdMode(int status);
    // The five rule lines of the controller's password claim.
    static QStringList pwdClaimRules(const st_pwdClaim& claim);
    static QSize modifyPwdSize(bool claimOpen);
    // First failure wins.
    static Check checkModifyPwd(const QString& oldPwd, const QString& newPwd, const QString& confirm, int firstLogin);
    // 81: old password, new password, the first-login flag.
    static QString modifyPwdBody(const QString& oldPwd, const QString& newPwd, int firstLogin);

    // ---- pages 1 to 4 ----
    static QString title(PageCommonDialogIndex page);
    static QSize size(PageCommonDialogIndex page);
    static Check checkCode(const QString& code);
    static Check checkPhone(const QString& phone);
    // Page 2's confirm: the code first, then the phone.
    static Check checkBind(const QString& code, const QString& phone);
    static Check checkAgainPwd(const QString& password);
    // 109: the user, the password; 113: the code, "&", the phone.
    static QString againPwdBody(const QString& user, const QString& password);
    static QString bindBody(const QString& code, const QString& phone);
    // The page whose code button asks for `req` (107, 110, 112), or -1.
    static int codePageOf(ClientReq req);

    // ---- the answers to 107, 110 and 112 ----
    struct AuthCodeAnswer {
        bool ok = false;
        int seconds = 0;  // ok: how long the page's code button waits (clamped to a day)
        QString tip;
        bool tipIsError = true;
        QString logLine;
    };
    static AuthCodeAnswer parseAuthCodeJson(const QString& text);

    // ---- what a result of the dialog's requests leads to ----
    struct ResultAction {
        enum class Phone { Unchanged, Empty, Typed };  // the personal centre's phone row

        bool handled = true;      // false: not a request of this dialog
        bool enableConfirm = false;  // the page of the request gets its buttons back
        int tipPage = -1;
        QString tip;
        bool tipIsError = true;
        int codePage = -1;        // an answer to a code request for this page ...
        bool readCode = false;    // ... to read with parseAuthCodeJson
        QString trayText;
        bool recoverLoginBtn = false;
        bool jumpToMain = false;
        bool logout = false;
        bool enableApps = false;  // every portal application open again
        Phone phone = Phone::Unchanged;
        bool hide = false;
        QString logLine;
    };
    static ResultAction decide(ClientReq req, const QString& text, bool isMsgError, int firstLogin,
                               const corvis::Edition& edition);

    // ---- page 5: the user-information form ----
    // What the user entered for one element: the text of a line or text edit, the option value
    // chosen in a combo box (empty: none), the option values of the ticked check boxes.
    // `shown` is false for an element the form could not show (an unknown type).
    struct FormValue {
        bool shown = false;
        QString text;
        QStringList checked;
    };
    static bool isKnownType(int type);
    // The order of the form's rows: by `iorder`, equal orders and elements without one in the
    // order of the document (those without one last).
    static QList<int> formOrder(const QVector<st_ImproveUserInfoElements>& elements);
    // The index of the option a combo box starts on: the one whose value (else name) is the
    // element's value; -1 when none is.
    static int currentOption(const st_ImproveUserInfoElements& element);
    // Every failure's text joined, then "请重新输入"; empty when the form may be sent. `values`
    // follows `elements` index by index.
    static QString checkImproveUserInfo(const QVector<st_ImproveUserInfoElements>& elements,
                                        const QVector<FormValue>& values);
    // 130: the compact JSON object of element id to value.
    static QString improveUserInfoValue(const QVector<st_ImproveUserInfoElements>& elements,
                                        const QVector<FormValue>& values);

    static QString restartText() { return QStringLiteral("安全工作台启动异常，请重启电脑后重试！"); }
};
