#pragma once

#include "comm/clientreq.h"
#include "login/sparules.h"

#include <QString>
#include <QWidget>

class CountDown;
class CusLineEdit;
class CusPasswordEdit;
class CusTabWidget;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTimer;

// Passed to PageSPA::initSPAPage: a plain reset, or the services repeating the SPA.
enum redoSpaStatus {
    RedoSpaNormal = 0,
    RedoSpaStart = 1,
    RedoSpaDone = 2,
};

// The single-packet-authorization page ("预认证"), shown before login in SPA deployments. The
// user's credentials go to the tray (request 37), which knocks; the main window routes the
// tray's pushed outcome back here. On success the credentials go on to the login dialog. The
// OAuth page also hosts a password reset that needs an authorization of its own. SpaRules decides
// what is checked and sent; the page applies it.
//
// A knock that gets no outcome ends after the messaging library's time-out with its failure text,
// so that the buttons always come back.
//
// Children: "labelSpaTitle", "btnSpaBack", "btnSpaMin", "btnSpaClose", "btnSpaChangeMode",
// "spaStack" (0 "pageSpaAccount", 1 "spaOauthTabs", 2 "pageSpaSim"), timers "spaOutcomeTimer" and
// "spaResetReturnTimer", the count-down "spaResetCodeCountDown".
// Account page: "editSpaAccount", "editSpaPassword", "btnSpaLogin", "labelSpaAccountHint".
// OAuth tabs (0 first QR code, 1 WeChat QR code, 2 account, 3 password reset, hidden until asked
// for): "labelSpaQrcodeHint", "btnSpaQrcodeLogin", "labelSpaWechatHint", "btnSpaWechatLogin",
// "editSpaOauthAccount", "editSpaOauthPassword", "btnSpaOauthLogin", "labelSpaOauthHint",
// "btnSpaOauthForget", "editSpaResetUser", "editSpaResetMobile", "editSpaResetPassword",
// "editSpaResetRepeated", "editSpaResetCode", "btnSpaResetAuthCode", "btnSpaResetCommit",
// "labelSpaResetHint". SIM page: "editSpaSim", "btnSpaSimLogin", "labelSpaSimHint".
class PageSPA : public QWidget
{
    Q_OBJECT
public:
    enum OauthTab {
        OauthQrcode = SpaRules::TabQrcode,
        OauthWechat = SpaRules::TabWechat,
        OauthAccount = SpaRules::TabAccount,
        OauthReset = SpaRules::TabReset,
    };

    static PageSPA* instance();

    void initSPAPage(redoSpaStatus status);
    void onOauthToLogin();
    void onOauthToReset();
    bool isInOauthResetPage() const;

    // Outcome of an SPA.
    void slot_SPA_login_result(bool ok, const QString& msg);
    // When the last SPA (account page) succeeded: its credentials, once; otherwise false.
    bool needAutoLogin(QString& account, QString& password);

    // The reset form's two steps: true when the user clicked, false when the tray's success
    // continues the step.
    void onOauthResetBtnAuthCode(bool clicked);
    void onOauthResetBtnCommit(bool clicked);
    void handleOauthResetAuthCode(const QString& msg, bool failed);
    void handleOauthResetCommit(const QString& msg, bool failed);

    // The login button of the page in use.
    void slot_btn_common_login_clicked();
    // The mode button: between the account page and the SIM page.
    void slot_btn_change_login_mode_clicked();
    // Request 37 could not be handed to the tray: the knock in progress fails with `text`.
    void onSpaRequestFailed(const QString& text);
    // Logged out: what was typed and kept goes.
    void exitClear();

    // Whether a request 37 waits for its outcome.
    bool isKnocking() const;

signals:
    void sendSPALoginSucc(QString account, QString password);
    void sendWindowsChange(int change);
    // What the page was handed, once it has applied it (also what tests watch the routing by):
    // an SPA outcome; a reset step continued after the tray's authorization (the request it
    // sends, 128 or 129); the answer to such a request.
    void spaResultShown(bool ok, const QString& msg);
    void oauthResetStepStarted(ClientReq req);
    void oauthResetResultShown(ClientReq req, const QString& msg, bool failed);

private:
    PageSPA();
    QWidget* buildAccountPage();
    QWidget* buildOauthTabs();
    QWidget* buildResetForm();
    QWidget* buildSimPage();
    QWidget* buildQrcodeTab(const QString& name, QLabel** hint, QPushButton** login);

    static void setLabelText(QLabel* label, const QString& text, bool ok);
    void setControlsEnabled(bool enabled);
    void clearHints();
    void clearCredentials();
    void clearResetForm();
    void applyTitles(int page);
    void setTitleText(const QString& text, bool reset);
    void onOauthTabChanged(int index);
    void focusField(SpaRules::Field field);
    QLabel* oauthTabHint(int tab) const;
    void sendKnock(const QString& body);
    void sendResetStep(SpaRules::ResetStep step);
    void finishResetStep(SpaRules::ResetStep step);
    void cancelResetStep();
    void onOutcomeTimeout();
    void refreshResetCodeButton();
    void setResetSubmitting(bool submitting);
    SpaRules::ResetInput resetInput() const;

    // Title bar and the stacked pages.
    QLabel* title_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* mode_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    // Account page.
    CusLineEdit* account_ = nullptr;
    CusPasswordEdit* password_ = nullptr;
    QPushButton* login_ = nullptr;
    QLabel* accountHint_ = nullptr;
    // OAuth tabs.
    CusTabWidget* oauthTabs_ = nullptr;
    QLabel* qrcodeHint_ = nullptr;
    QPushButton* qrcodeLogin_ = nullptr;
    QLabel* wechatHint_ = nullptr;
    QPushButton* wechatLogin_ = nullptr;
    CusLineEdit* oauthAccount_ = nullptr;
    CusPasswordEdit* oauthPassword_ = nullptr;
    QPushButton* oauthLogin_ = nullptr;
    QLabel* oauthHint_ = nullptr;
    QPushButton* forget_ = nullptr;
    // Password reset (OAuth tab 3).
    CusLineEdit* resetUser_ = nullptr;
    CusLineEdit* resetMobile_ = nullptr;
    CusPasswordEdit* resetPassword_ = nullptr;
    CusPasswordEdit* resetRepeated_ = nullptr;
    CusLineEdit* resetCode_ = nullptr;
    QPushButton* resetCodeButton_ = nullptr;
    QPushButton* resetCommit_ = nullptr;
    QLabel* resetHint_ = nullptr;
    // SIM page.
    CusLineEdit* sim_ = nullptr;
    QPushButton* simLogin_ = nullptr;
    QLabel* simHint_ = nullptr;

    QTimer* outcomeTimer_ = nullptr;
    QTimer* resetReturnTimer_ = nullptr;
    CountDown* resetCountDown_ = nullptr;

    // The credentials of the last SPA request.
    QString storedAccount_;
    QString storedPassword_;
    bool autoLogin_ = false;
    // A knock (modes 0 to 2) waits for its outcome; the page it was made on.
    bool knocking_ = false;
    int knockPage_ = -1;
    // A reset step under way, and whether it waits for the tray (else for the client service).
    SpaRules::ResetStep resetStep_ = SpaRules::ResetStep::None;
    bool resetAtTray_ = false;
};
