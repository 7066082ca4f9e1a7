#pragma once

#include "src/PolicyAnalyzer/st_appcat.h"
#include "src/PolicyAnalyzer/st_netmode.h"
#include "src/PolicyAnalyzer/st_resource.h"

#include <QByteArray>
#include <QJsonArray>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class CusTabBar;
class PortalFilterProxy;
class PortalIconLoader;
class PortalItemDelegate;
class PortalItemModel;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QMovie;
class QPushButton;
class QStackedWidget;
class QStandardItem;
class QToolButton;
class pageapplycommit;

// The application portal (first item of the work area): the applications the user may open, in
// tabs for all of them, the favourites, a search and one per category, filtered by the current
// network mode; the request list in which the user ticks applications to apply for. The main
// window and the top bar drive it; its own requests go to the client service through UiComm and
// come back through the main window.
//
// The page is one class over three files: pageportal.cpp (layout, tabs, search, display mode),
// pageportalbuild.cpp (building the list, counting, network modes, dynamic authorization, icons,
// clearing) and pageportalactions.cpp (opening, favourites, the request list).
//
// Children: "portalTabBar", "editPortalSearch", "btnPortalCardMode", "btnPortalListMode",
// "labelNetmode", "labelPortalHint", "btnPortalApply", "btnPortalBack", "portalStack" with
// "pagePortalBlank" ("labelPortalBlank"), "pagePortalLoading" and "portalList".
class PagePortal : public QWidget
{
    Q_OBJECT
public:
    enum TabIndex {
        TabSearch = 0,
        TabApplyFor = 1,
        TabAll = 2,
        TabCollect = 3,
        TabFirstCategory = 4,
    };
    enum StackPage {
        StackBlank = 0,
        StackLoading = 1,
        StackList = 2,
    };

    static PagePortal* instance();

    // Gap between the items of the list and around them. The items are widened so that as many
    // columns as fit at the delegate's least width fill the view's width.
    static constexpr int kItemSpacing = 20;
    static int columnsFor(int layoutWidth);
    static int itemWidthFor(int layoutWidth);
    // The width the list lays its items out in: the viewport's, less a vertical scroll bar's
    // room, which the list keeps whether the bar shows or not.
    int listLayoutWidth() const;

    // 0 rebuild from the documents, 1 empty page, 2 loading.
    void updatePortal(int state);
    // Kind 1 asks for the categories (101) and the application list (102 "refresh"); kind 2 with
    // `request` asks for the application-request list (116), without it loads that list.
    void onPortalRefresh(int kind, bool request);
    // The top bar's refresh button.
    void handleTopRefresh();
    // The request list (116) could not be fetched: an empty list instead of the loading one.
    void requestListFailed();
    // 1 rebuilds the list from the application document, 2 loads the request list.
    void loadResourceData(int kind);
    void updateNetmodeApp();
    void updateCurrentNetmode(const QString& id);
    // Dynamic authorization: release every application, or stop `ids` (all when empty).
    void handleEnable(bool enable, const QStringList& ids);
    // Shown by the tray when a stopped application is opened.
    void setDynamicAuthTips(const QString& tips);
    QString dynamicAuthTips() const { return dynamicAuthTips_; }
    void handleCollect(const QString& appId, bool ok);
    void handleSubmitAppApply(const QString& text, bool ok);
    // Opens an application: by the client service, or in the browser.
    void handleResource(const st_resource& entry);
    // 0 list, 1 cards with the address, other values cards.
    void updatePortalDisplayMode(int mode);
    int displayMode() const;
    void portalClear();
    void exitClear();
    void initVeskResource();

    // What the page shows now.
    QList<st_resource> appList() const { return appList_; }
    QString currentNetmodeId() const { return curNetmodeId_; }
    QJsonArray selection() const { return selection_; }
    bool isRequestMode() const { return requestMode_; }
    int currentTab() const;
    int currentStackPage() const;
    // The entries the list view shows, in order.
    QList<st_resource> shownEntries() const;

    // Tests: the host's address families (IPv4, IPv6) as the list build sees them, and the icon
    // downloads' time-out.
    static void setHostAddressFamiliesForTest(std::function<void(bool& ipv4, bool& ipv6)> probe);
    void setIconTimeoutMs(int ms);

signals:
    // A downloaded icon for the sandbox side, to be stored as `path`
    // (DownloadStore::iconPath of the entry's source).
    void sendFileDownload(QString path, QByteArray data);
    // "返回" on the request list: back to the applications, with a refresh of the portal.
    void sendPortalRefresh();
    // What the page was handed, once it has applied it (also what tests watch the routing by).
    void portalUpdated(int state);
    void netmodeSwitched(const QString& id);
    void enableChanged(bool enable, const QStringList& ids);
    void collectHandled(const QString& appId, bool ok);
    void appApplyHandled(const QString& text, bool ok);

public slots:
    void onSearchKey(const QString& key);
    void onBarCurrentChanged(int index);
    void onDoubleClicked(const QModelIndex& index);
    void onCollectClicked(const QModelIndex& index);
    void onApplyCheckboxClicked(const QModelIndex& index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PagePortal();

    // pageportal.cpp
    void buildLayout();
    QWidget* buildHead();
    QWidget* buildBlankPage();
    QWidget* buildLoadingPage();
    void applyTheme();
    QString tabKey(int index) const;
    int tabOfKey(const QString& key) const;
    void setCurrentTabSilently(int index);
    void showNormalTabs();
    void showRequestTabs();
    void updateHintRow();
    void showStack(int page);
    void showListOrBlank();
    void clearSearchBox();
    void setSearchTabShown(bool shown);
    void reflowItems();

    // pageportalbuild.cpp
    void initTabBar(bool read);
    void initResource(bool read);
    void loadApplistResource();
    void fillModel(const QList<st_resource>& entries);
    void calResCount();
    void restoreTab();
    void setEntry(int row, const st_resource& entry);
    QList<int> rowsOf(const QString& appId) const;
    void applyNetmode(const QString& id);
    void requestIcons(const QList<st_resource>& entries);
    void onIconLoaded(const QString& url, const QByteArray& data);
    void onIconFailed(const QString& url, const QString& error);
    void clearModel();

    // pageportalactions.cpp
    void loadAppApplyResource();
    void onApplyBtn();
    void onBackBtn();
    void toggleCurrentMark();
    void clearTicks();
    pageapplycommit* applyDialog();

    // Widgets
    CusTabBar* tabBar_ = nullptr;
    QLineEdit* search_ = nullptr;
    QToolButton* cardMode_ = nullptr;
    QToolButton* listMode_ = nullptr;
    QLabel* netmodeLabel_ = nullptr;
    QWidget* hintRow_ = nullptr;
    QLabel* hint_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* back_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QLabel* blankLabel_ = nullptr;
    QMovie* loading_ = nullptr;
    QListView* view_ = nullptr;
    PortalItemModel* model_ = nullptr;
    PortalFilterProxy* proxy_ = nullptr;
    PortalItemDelegate* delegate_ = nullptr;
    PortalIconLoader* icons_ = nullptr;
    QPointer<pageapplycommit> applyDialog_;

    // Data
    QList<st_resource> appList_;          // one per model row, in order
    QList<st_appCat> appCats_;
    QMap<QString, st_netmode> netmodes_;
    QString curNetmodeId_;
    bool allEnabled_ = true;
    QSet<QString> blocked_;
    QSet<QString> documentDisabled_;      // ids the application document itself marks disabled
    QSet<QString> collecting_;            // favourite requests not answered yet
    QJsonArray selection_;
    QString applyTip_;
    QString searchText_;
    QString prevTabKey_;                  // restored after a reload
    QString prevSearchTabKey_;            // returned to when the search is emptied
    QString dynamicAuthTips_;
    QSet<QString> requestedIcons_;
    QList<st_resource> veskList_;
    bool requestMode_ = false;
    bool building_ = false;
};
