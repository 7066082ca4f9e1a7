#pragma once

#include "comm/clientreq.h"
#include "login/failurelock.h"
#include "login/pagelogintype.h"
#include "login/st_loginlock.h"
#include "src/PolicyAnalyzer/st_againbindinfo.h"

#include <QMetaType>
#include <QString>

#include <optional>

// A request the login dialog sends: its type and its text body.
struct LoginRequest {
    ClientReq req = CReqClientLogin76;
    QString body;

    bool operator==(const LoginRequest& other) const { return req == other.req && body == other.body; }
};

// What the login dialog does with one result, as LoginResultRules decided it. The dialog applies
// the fields in this order, which is the order the rows give them: tabs, code field, authMode,
// the login lock's stop, the tip, the failure lock, the login lock's start, step, page state,
// code field and button, (the tip here instead, with `tipAfterLocks`), focus, logging page, next
// request, step document, dialog, login.json, code button, jump.
struct LoginAction {
    enum class PageState { Unchanged, Idle };
    enum class LockChange { Unchanged, Stop, Restart };  // Restart: stop, then count `loginLock` down
    enum class Focus { None, Password };
    enum class Dialog {
        None,
        Reminder,         // the login reminder; accepted sends the same login again
        BindAgain,        // the device is bound to another user: `bindInfo`
        CommonResult,     // the common account dialog on its password page, status `dialogStatus`
        ImproveUserInfo,  // the common account dialog on its user-information page
    };

    // The page the action acts on: the account or phone page, the QR page for a QR login, the
    // current tab for the certificate login.
    PageLoginType page = PageLoginAccount;
    bool unlockTabs = false;
    bool clearCode = false;  // a step login: the code field is emptied and its button given back
    int authMode = -1;       // the new authMode; -1 leaves it

    bool setsTip = false;
    QString tip;
    QString tipColour;
    bool tipAfterLocks = false;  // the tip is shown after the locks started (it replaces theirs)

    std::optional<FailureLock::Kind> failureLock;  // started from `tip`'s text
    LockChange loginLockChange = LockChange::Unchanged;
    st_loginLock loginLock;

    int step = 0;  // 1: the page's stack returns to step 1; 0 leaves it
    PageState pageState = PageState::Unchanged;
    bool showCode = false;           // the account page's code field becomes visible
    bool refreshCodeButton = false;  // the page's code button shows its current state
    Focus focus = Focus::None;

    int logging = -1;  // the logging page in this state; -1 leaves it
    std::optional<LoginRequest> next;
    bool readStepFile = false;  // the step-login document of login.json (parseVeskLoginFile)
    Dialog dialog = Dialog::None;
    int dialogStatus = 0;
    st_againBindInfo bindInfo;
    bool readLoginFile = false;  // login.json (parseLoginResMsg); its success leads to LoginResultRules::afterLogin
    bool runCodeButton = false;  // the account page's code button runs as if clicked
    bool jump = false;           // the login is done: the main window takes over

    QString logLine;  // written before the action is applied
};

// What the reset page does with the result of a code request (67) or a reset (68).
struct ResetAction {
    bool setsTip = false;
    QString tip;
    bool tipIsError = true;
    int codeCountDown = -1;          // seconds of the reset code count-down to start; -1 none
    bool refreshCodeButton = false;  // the reset code button shows its current state
    bool stopFailureLock = false;
    bool startFailureLock = false;   // the reset failure lock from `tip`
    bool leaveSubmitting = false;
    bool clearPage = false;          // with leaveSubmitting: the page is emptied
    bool copyToLoginPage = false;    // teller number and new password into the account page
    bool backToLogin = false;
    QString loginTip;                // shown on the account page in `loginTipColour`
    QString loginTipColour;

    QString logLine;
};
Q_DECLARE_METATYPE(LoginAction::Dialog)
