#pragma once

#include "comm/clientreq.h"
#include "login/pagelogintype.h"
#include "src/PolicyAnalyzer/st_carousel.h"
#include "src/PolicyAnalyzer/st_systemtitle.h"

#include <QString>
#include <QWidget>

class QLabel;

// The login surface of the workbench, shown by the main window while the user is not logged in.
// It offers the login types of the system title on a tab widget, sends one login request per
// attempt and interprets the result the main window hands back.
//
// Children: "labelSoftName".
class ClientLoginDialog : public QWidget
{
    Q_OBJECT
public:
    using PageLoginType = ::PageLoginType;
    enum PageIndex {
        PageLoginTabs = 0,
        PageResetPwd = 1,
        PageLogging = 2,
    };

    static ClientLoginDialog* instance();

    // Asks the client service for the system title (75); `attempt` counts the main window's
    // retries after a failed query (0 for a first query).
    void querySystemTitle(int attempt);
    // The service has answered the query: read the system title and build the login tabs.
    void handleSystemTitle();
    const st_systemTitle& systemTitle() const { return systemTitle_; }

    // The service has answered the carousel query (90): read its settings document.
    bool updateCarousel();
    const st_carousel& carousel() const { return carousel_; }

    // Every result addressed to the login dialog.
    void onReqClientLoginResult(ClientReq req, QString text, bool isMsgError, int substatus);
    void setLoginErrorTips(const QString& text, PageLoginType type, const QString& colour);
    PageLoginType currentLoginType() const;
    void hideLogging();
    void resultAfterAccessLogin(int state, const QString& text);
    void onRecoverLoginBtn(ClientReq req);
    void spaAutoFill(const QString& user, const QString& password);
    // kav: true when the account and the password field are both filled.
    bool loginAuthCodeVaildtyCheckKAV() const;
    void showDiskSpaceLack();
    void changeBackVersionBtnStatus(bool enable);
    // Back to the login state.
    void logout();
    void exitClear();
    // A fresh login page (after logout or a passed SPA).
    void initLoginDialog();

signals:
    void sendReqClientLogin(ClientReq req, QString text);
    void sendJumpToMain();
    void sendWindowsChange(int change);

private:
    ClientLoginDialog();

    st_systemTitle systemTitle_;
    st_carousel carousel_;
};
