#pragma once

#include "comm/clientreq.h"
#include "login/loginaction.h"
#include "login/loginkind.h"
#include "login/pagelogintype.h"
#include "login/st_improveuserinfoelements.h"
#include "login/st_loginlock.h"
#include "src/PolicyAnalyzer/st_accesscheckresult.h"
#include "src/PolicyAnalyzer/st_carousel.h"
#include "src/PolicyAnalyzer/st_systemtitle.h"

#include <QHash>
#include <QVector>
#include <QWidget>

#include <memory>

class CertificateLogin;
class CertificatePinDialog;
class CountDown;
class CusTabWidget;
class FailureLock;
class LoggingPage;
class LoginCertificatePage;
class LoginCredentialPage;
class LoginLockCountDown;
class LoginQrcodePage;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTimer;
class ResetPasswordPage;

// The login surface of the workbench: account, phone, QR-code and certificate tabs, the password
// reset page and the logging page shown while a login finishes. It checks what the user typed,
// sends one login request (bodies from LoginRequestBuilder) and applies what LoginResultRules
// decide for its result: tips, second steps, locks, dialogs or the jump to the work area. One
// instance, never destroyed. Spread over files: this one's .cpp (pages, logins and their
// results), clientlogindialogcodes.cpp, clientlogindialogreset.cpp, clientlogindialogqrcode.cpp
// (the QR flow on its tab), clientlogindialogcertificate.cpp (the USB-key login) and
// clientlogindialogbind.cpp (the step-login document, device binding, the user-information form).
//
// Children: "tabWidgetLogin", "stackLogin" (0 login tabs, 1 reset, 2 logging), "stackLoading"
// (0 loading picture, 1 tabs), "pageAccount", "pagePhone", "pageQrcode", "pageCert",
// "pageReset", "pageLogging", "CertificatePinDialog", "btnBackVersion", "btnLoginMin",
// "btnLoginClose", "veskloginreminderwidget" (while shown).
class ClientLoginDialog : public QWidget
{
    Q_OBJECT
public:
    // The login types are shared with the helpers that need no widgets (login/pagelogintype.h).
    using PageLoginType = ::PageLoginType;
    static constexpr PageLoginType PageLoginAccount = ::PageLoginAccount;
    static constexpr PageLoginType PageLoginPhone = ::PageLoginPhone;
    static constexpr PageLoginType PageLoginQrcode = ::PageLoginQrcode;
    static constexpr PageLoginType PageLoginCert = ::PageLoginCert;
    enum PageIndex { PageLoginTabs = 0, PageResetPwd = 1, PageLogging = 2 };

    static ClientLoginDialog* instance();

    // Asks the client service for the system title (75); `attempt` counts the main window's
    // retries after a failed query (0 for a first query).
    void querySystemTitle(int attempt);
    const st_systemTitle& systemTitle() const { return systemTitle_; }
    // The service has answered the carousel query (90): read its settings document.
    bool updateCarousel();
    const st_carousel& carousel() const { return carousel_; }
    // A fresh login page (after logout or a passed SPA): the login tabs, idle, no lock running.
    void initLoginDialog();

    // Validates and sends a login of the account or phone page (types 2 and 3 do nothing).
    void onBtnLoginClicked(PageLoginType type);
    void onBtnLoginAuthcodeClicked(PageLoginType type, const QString& text = QString());
    bool parseLoginResMsg(PageLoginType type, const QString& text);
    bool parseVeskLoginFile(PageLoginType type);
    int parseVeskLoginFileStatus(PageLoginType type);
    // Shows or hides the bind-this-device switch of the account or phone page.
    void setPageLoginDeviceBindStatus(PageLoginType type, bool show);
    // The user-information elements of login.json (substatus 26); false with `msg` the tip.
    bool parseImproveUserInfoElements(QString& msg, QVector<st_ImproveUserInfoElements>& elements);
    void setPageLoginStatus(PageLoginType type, bool logging, bool clear);
    void setPageLoggingStatus(bool ing, int status);
    void showLogging(int status);
    void hideLogging();
    void resultAfterAccessLogin(int state, const QString& text);
    void spaAutoFill(const QString& user, const QString& password);
    void logout();
    void exitClear();
    void closeLoginLock();
    void showDiskSpaceLack();
    bool loginAuthCodeVaildtyCheckKAV() const;
    static bool isFirstInstall();
    static QString getEpochTime();
    void handleSystemTitle();
    void showLoginPage(const st_systemTitle& title);
    void showDialogAccess();
    void changeBackVersionBtnStatus(bool enabled);
    void setTabWidgetLoginEnabled(bool enabled);
    void setTabWidgetLoginEnabled(PageLoginType type);
    void setLastAccount(PageLoginType type);
    void setLoginErrorTips(const QString& text, PageLoginType type, const QString& colour);
    void setAuthcodeVisible(bool visible, bool alsoPhone = false);
    void setAuthCodeText(PageIndex page, bool running, PageLoginType type);

    // Code answers and failure locks.
    void parseLoginAuthCodeResMsg(PageLoginType type, const QString& text);
    bool parseLoginAuthCodeJson(PageLoginType type, const QString& text, int& seconds);
    void handleCodeCheckFail(const QString& text, PageLoginType type);
    void handleCodeCheckFail1(const QString& text, PageLoginType type);
    void handleRestPswCodeCheckFail(const QString& text);
    bool saveBase64Imgae(const QString& path);

    // QR-code tab: the page with its flow; the first switch to the tab starts the flow.
    void addLoginPageQrcode();
    LoginQrcodePage* qrcodePage() const { return qrPage_; }

    // Certificate tab: the page, the PIN dialog, and the reading of the USB key on the global
    // thread pool. A reading and the logins it sends end when the dialog is hidden or cleared.
    void addLoginPageCertificate();
    void onClickCerBtnLogin();
    LoginCertificatePage* certificatePage() const { return certPage_; }
    CertificatePinDialog* certificatePinDialog() const { return pinDialog_; }
    CertificateLogin& certificateLogin() const { return *certificate_; }

    // Reset page.
    void addResetPage();
    void clearResetPage();
    void setResetErrorTips(const QString& text, bool error);
    void setPageResetStatus(bool submitting, bool clear);
    bool resetAuthCodeVaildtyCheck(QString& msg);
    void parseResetAuthCodeResMsg(const QString& text);
    void parseResetResMsg(const QString& text);

    // The main window's login state: the system title builds the tabs only while offline.
    void setOnline(bool online) { online_ = online; }
    int authMode() const { return authMode_; }
    int validateCodeType() const { return validateCodeType_; }
    int reminderAccepted() const { return reminderAccepted_; }
    const st_loginLock& loginLock() const;
    // The phone page for the phone type, else the account page. Tips of the QR-code and
    // certificate types go to their own pages (setLoginErrorTips).
    LoginCredentialPage* page(PageLoginType type) const;
    PageLoginType currentLoginType() const;

public slots:
    void onReqClientLoginResult(ClientReq req, QString text, bool isMsgError, int substatus);
    void onRecoverLoginBtn(ClientReq req);
    void onCloseAccessCheckResult();
    // The access check result dialog asked for a new check: the client service checks again
    // (66) while the logging page shows the check running.
    void onCheckStart();
    // The bind-again dialog closed: the tabs and the page of the current tab are given back.
    void onCloseBindAgain();
    void onBackVersionBtn();
    void onBtnRemAccountClicked(PageLoginType type);
    void slot_btn_reset_authcode_clicked();
    void slot_btn_reset_clicked();
    void editingFinishedPasswd();
    void editingFinishedPasswdRe();

signals:
    void sendReqClientLogin(ClientReq req, QString text);
    void sendJumpToMain();
    void sendWindowsChange(int change);
    // The common account dialog on its password page (CommonResult, status 14, 15 or 16) or its
    // user-information page (ImproveUserInfo, status 26), for the login `req`.
    void sendShowCommonDialog(LoginAction::Dialog page, int status, ClientReq req);
    // The user-information form (the common account dialog's page 5) with the login's text as
    // its tip.
    void sendShowImproveUserInfo(const QVector<st_ImproveUserInfoElements>& elements, const QString& tip);
    // The access check result was read for its dialog (logging state 3).
    void sendShowAccessCheckResult(const st_accessCheckResult& result);
    // The login left the access check (passed, refused, given up): its result dialog goes.
    void sendAccessCheckDone();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    ClientLoginDialog();
    void buildUi();
    // The result of a login (kinds of LoginKind) through the rules, then applied.
    void handleLoginResult(LoginKind kind, ClientReq req, const QString& text, bool isMsgError, int substatus);
    // QR-code results: the steps go to the flow, the QR login (74) to the result rows.
    void handleQrcodeResult(ClientReq req, const QString& text, bool isMsgError, int substatus);
    void onLoginTabChanged(int index);
    void startQrcodeOnce();
    void stopQrcodeFlow();
    void setQrcodeTip(const QString& text, const QString& colour);
    // Certificate login: the reading on the worker, its outcome on the GUI thread, the results.
    void startCertificateReading();
    void applyCertificateStep(quint64 reading, int outcome, const QString& body);
    void handleCertificateResult(const QString& text, bool isMsgError);
    void setCertificateTip(const QString& text, const QString& colour);
    // Ends a running certificate login (reading, PIN dialog, awaited answer) and empties the page.
    void stopCertificateLogin();
    void applyAction(const LoginAction& action, LoginKind kind, ClientReq req, const QString& text);
    void applyResetAction(const ResetAction& action);
    void applyAfterLogin(LoginKind kind);
    QString loginAuthCodeVaildtyCheck(PageLoginType type);
    QString realAccount(PageLoginType type) const;
    void startFailureLock(int page, int kind, const QString& text);
    void stopResetFailureLock();
    void refreshCodeButton(PageLoginType type);
    void refreshResetCodeButton();
    void askReminder(PageLoginType type, const QString& text);
    // clientlogindialogbind.cpp
    void connectBindAgain();
    void showBindAgain(const LoginAction& action, LoginKind kind);
    void showImproveUserInfo(PageLoginType type, const QString& text);
    void showDeviceBindList();
    QString resetUser() const;

    int authMode_ = 0;
    int validateCodeType_ = 0;
    int reminderAccepted_ = 0;
    bool online_ = false;
    st_systemTitle systemTitle_;
    st_carousel carousel_;
    bool accountImageInUse_ = false;
    bool phoneImageInUse_ = false;
    QString lastAccount_;
    QString lastPhone_;
    QString authImage_;
    // The user of the last QR login sent (74): the new user of a bind-again question.
    QString qrUser_;
    QHash<int, PageLoginType> tabTypes_;

    QStackedWidget* outer_ = nullptr;
    QStackedWidget* loading_ = nullptr;
    CusTabWidget* tabs_ = nullptr;
    LoginCredentialPage* accountPage_ = nullptr;
    LoginCredentialPage* phonePage_ = nullptr;
    LoginQrcodePage* qrPage_ = nullptr;
    LoginCertificatePage* certPage_ = nullptr;
    CertificatePinDialog* pinDialog_ = nullptr;
    ResetPasswordPage* resetPage_ = nullptr;
    LoggingPage* loggingPage_ = nullptr;
    QPushButton* backVersion_ = nullptr;
    QPushButton* minButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;

    QTimer* systemTitleTimer_ = nullptr;
    CountDown* accountCodeCountDown_ = nullptr;
    LoginLockCountDown* loginLockCountDown_ = nullptr;
    CountDown* phoneCodeCountDown_ = nullptr;
    CountDown* resetCodeCountDown_ = nullptr;
    FailureLock* failureLocks_[3] = {nullptr, nullptr, nullptr};

    // Shared with the reading on the worker, which may outlast a cancel.
    std::shared_ptr<CertificateLogin> certificate_;
    // Number of the certificate reading whose outcome is awaited; a cancel moves it on, so that a
    // late outcome is dropped.
    quint64 certReading_ = 0;
    bool certReadingRuns_ = false;
    // A certificate login (4101) is on its way and a refusal moves on to the next certificate.
    bool certAwaitingResult_ = false;
};
