#pragma once

#include "comm/clientreq.h"
#include "comm/serverreq.h"
#include "corviscommon/edition.h"

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QString>

class ClientLoginDialog;
class DialogAccessCheckResult;
class DialogCommon;
class PageDeviceInfo;
class PageDynamicAuth;
class PagePortal;
class PageSPA;
class PageSandbox;
class PageVersionCheck;
class QStackedWidget;
class UnixServer;
class ViewLeft;
class ViewTop;

// Index of the main window's top-level stacked page.
enum PageMainIndex {
    PageMainEmpty = 0,
    PageMainLogin = 1,
    PageMainWork = 2,
    PageMainSpa = 3,
};

// The work area's pages, which are also its left items. An edition without an item (the vesk
// editions have no portal and no sandbox) has no page for it either.
enum MainLeftItemIndex {
    MainLeftPortal = 0,
    MainLeftSandbox = 1,
    MainLeftDeviceInfo = 2,
    MainLeftDynamicAuth = 3,
    MainLeftVersionCheck = 4,
};

// One left item of an edition.
struct MainLeftItem {
    MainLeftItemIndex index;
    QString label;
    QString icon;
};

// The single top-level window of the workbench: the login dialog, the work area and the SPA page
// in one stacked widget. It owns the push server, receives every request result and pushed
// message and routes them to the login dialog, the pages and the dialogs, and follows the login
// state the client service pushes. Created on the first call of instance(), never destroyed;
// closing it only hides it.
//
// Children: "mainStack" (the pages above), "workArea" with "ViewLeft", "ViewTop" and "workStack".
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    enum LoginState {
        LoginOffline = 0,
        LoginOnline = 2,
    };

    static MainWindow* instance();

    // How often construction waits 2 s for a system tray (30 by default). Tests without a tray set
    // 0 before the first instance() so that construction does not wait.
    static void setTrayWaitAttempts(int attempts);
    // The left items of an edition, in order (also by its custom project id).
    static QList<MainLeftItem> leftItems(const corvis::Edition& edition);
    static QList<MainLeftItem> leftItems(const QString& project);

    // Selects the page, shows the window normally, raises and activates it.
    void show(int index);
    // The page that fits the login state, brought up.
    void showWindow();
    void hideWindow();
    // Stops the push server and quits the application.
    void closeWindow();
    void showMainWorkPage(MainLeftItemIndex index);

    int currentPage() const;
    int loginState() const { return loginState_; }
    // The left item (and work-area page) position of `index`, -1 when the edition has none.
    int leftPosition(MainLeftItemIndex index) const;
    QWidget* currentWorkPage() const;
    bool isPushServerRunning() const;

    ViewLeft* viewLeft() const { return viewLeft_; }
    ViewTop* viewTop() const { return viewTop_; }
    PageDeviceInfo* pageDeviceInfo() const { return deviceInfo_; }
    // Built on first show or on the first result routed to them, whichever comes first.
    PageSandbox* pageSandbox();
    PageDynamicAuth* pageDynamicAuth();
    PageVersionCheck* pageVersionCheck();
    DialogAccessCheckResult* dialogAccessCheckResult();

public slots:
    // 0 minimises, 1 hides.
    void onWindows(int change);
    void onLeftBtnChanged(int position);
    void showSidebar(int index);
    void hideSidebar(int index);
    void onCommMsg(ClientReq req, QString resMsg, QString extra, bool failed);
    void onReqClientResult(ClientReq req, QString text, bool failed);
    void onServerMsg(ServerReq req, const QString& text, int arg);
    void onWindowStatusChanged(ServerReq req);
    void onSandboxReady(const QString& id);
    void onSPALoginSucc(QString account, QString password);
    void onTriggerRedoSPA();
    // A downloaded picture from the portal, stored for the sandbox side.
    void onFileDownload(QString path, QByteArray data);

signals:
    void sendClientLoginResult(ClientReq req, QString text, bool failed, int substatus);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    MainWindow();
    void init();
    void buildWorkArea();
    void addLeftItems();
    void connectPages();
    void connectDialogCommon(DialogCommon* dialog);
    void waitForSystemTray();
    void setIcon();
    void centre();

    void updateLoginState(ServerReq req);
    void onJumpToMain();
    void onTopRefresh();
    void onApplyFor();
    void startPortalRefresh(bool fromTopBar);
    void finishPortalRefresh();
    void onSystemTitleResult(bool failed);
    void autoLoginAfterSystemTitle();
    void onAppCatResult(bool failed);
    void onAppListResult(bool failed);
    void onTraySpaLoginResult(const QString& text);
    void onRedoSpa(int arg);
    void onDynamicAuth(int status);
    void onOpenApprove(ServerReq req);
    void showTrayMessage(const QString& text);
    void querySystemTitle();
    // Puts a page built later in the work-area slot kept for it (hidden when its edition has none).
    void placeWorkPage(MainLeftItemIndex index, QWidget* page);
    DialogCommon* activeDialogCommon() const;

    QStackedWidget* stack_ = nullptr;
    QWidget* workArea_ = nullptr;
    QStackedWidget* workStack_ = nullptr;
    ViewLeft* viewLeft_ = nullptr;
    ViewTop* viewTop_ = nullptr;
    ClientLoginDialog* login_ = nullptr;
    PageSPA* spa_ = nullptr;
    PagePortal* portal_ = nullptr;
    PageSandbox* sandbox_ = nullptr;
    PageDeviceInfo* deviceInfo_ = nullptr;
    PageDynamicAuth* dynamicAuth_ = nullptr;
    PageVersionCheck* versionCheck_ = nullptr;
    DialogAccessCheckResult* accessCheck_ = nullptr;
    UnixServer* server_ = nullptr;
    QList<MainLeftItemIndex> leftOrder_;

    int loginState_ = LoginOffline;
    // System-title retries after failed queries: attempts 1 to 3, then a last one (4).
    int titleRetries_ = 0;
    bool titleRetryEnabled_ = true;
    // The portal refresh round: categories (101, retried up to 3 times) and list (102).
    bool appCatOk_ = false;
    bool appListOk_ = false;
    int appCatRetries_ = 0;
    int bindMaxNum_ = 0;
    bool sandboxReady_ = false;
    // tirrowa: an SPA redo is under way; the SPA page's login was triggered on showing it.
    bool redoSpaPending_ = false;
    bool spaTriggered_ = false;
};
