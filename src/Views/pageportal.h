#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QWidget>

// The application portal (first item of the work area). The main window and the top bar drive
// it; its own requests go to the client service through UiComm.
class PagePortal : public QWidget
{
    Q_OBJECT
public:
    static PagePortal* instance();

    // 0 rebuild from the documents, 1 empty page, 2 loading.
    void updatePortal(int state);
    // Kind 1 asks for the categories (101) and the application list (102 "refresh"); kind 2 with
    // `request` asks for the application-request list (116), without it loads that list.
    void onPortalRefresh(int kind, bool request);
    // The top bar's refresh button.
    void handleTopRefresh();
    void updateNetmodeApp();
    void updateCurrentNetmode(const QString& id);
    // Dynamic authorization: release every application, or stop `ids` (all when empty).
    void handleEnable(bool enable, const QStringList& ids);
    // Shown by the tray when a stopped application is opened.
    void setDynamicAuthTips(const QString& tips);
    QString dynamicAuthTips() const { return dynamicAuthTips_; }
    void handleCollect(const QString& appId, bool ok);
    void handleSubmitAppApply(const QString& text, bool ok);
    void portalClear();
    void exitClear();
    void initVeskResource();

signals:
    // A downloaded icon, to be stored as `path` (DownloadStore::iconPath of the entry's source).
    void sendFileDownload(QString path, QByteArray data);
    // What the page was handed, once it has applied it (also what tests watch the routing by).
    void portalUpdated(int state);
    void netmodeSwitched(const QString& id);
    void enableChanged(bool enable, const QStringList& ids);
    void collectHandled(const QString& appId, bool ok);
    void appApplyHandled(const QString& text, bool ok);

private:
    PagePortal();

    QString dynamicAuthTips_;
};
