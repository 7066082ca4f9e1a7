// PagePortal: refreshing, opening an application, favourites and the request list.

#include "src/Views/pageportal.h"

#include "app/common.h"
#include "comm/uicomm.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "src/CustomControl/custabbar.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"
#include "src/Views/pageapplycommit.h"
#include "src/Views/portalbrowsertask.h"
#include "src/Views/portalfilterproxy.h"
#include "src/Views/portalitemmodel.h"
#include "src/Views/portalrules.h"

#include <QDateTime>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QThreadPool>

namespace {

const QString kRequestHint = QStringLiteral("请在下列资源中勾选所需申请的资源项：");

void requestClient(ClientReq req, const QString& body)
{
    UiComm::instance()->apiCorvisclientCommon(req, body, true);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Refreshing

void PagePortal::onPortalRefresh(int kind, bool request)
{
    LOG(INFO) << "FUNC(onPortalRefresh) kind: " << kind << ", request: " << request;
    if (kind == 1) {
        portalClear();
        updatePortal(2);
        requestClient(CReqClientPortalRefresh101, QString());
        requestClient(CReqClientPortalRefresh102, QStringLiteral("refresh"));
        return;
    }
    if (kind != 2) {
        LOG(WARNING) << "FUNC(onPortalRefresh) unknown kind " << kind << ", nothing done";
        return;
    }
    if (!request) {
        loadAppApplyResource();
        return;
    }
    clearSearchBox();
    clearModel();
    selection_ = QJsonArray();
    showRequestTabs();
    hint_->setText(kRequestHint);
    showStack(StackLoading);
    requestClient(CReqClientPortalRefresh116, QString());
}

void PagePortal::handleTopRefresh()
{
    const bool searchFromRequest = tabBar_->currentIndex() == TabSearch && requestMode_;
    if (tabBar_->currentIndex() == TabApplyFor || searchFromRequest) {
        onPortalRefresh(2, true);
    } else {
        onPortalRefresh(1, false);
    }
}

// ---------------------------------------------------------------------------------------------
// Opening

void PagePortal::onDoubleClicked(const QModelIndex& index)
{
    if (!index.isValid()) {
        return;
    }
    const st_resource entry = index.data(PortalItemModel::ResourceRole).value<st_resource>();
    LOG(INFO) << QStringLiteral("(FUNC)onDoubleClicked appid: %1, name: %2").arg(corvis::logSafe(entry.AppID), corvis::logSafe(entry.AppName));
    if (entry.isApply) {
        LOG(INFO) << "isApply, nothing to do.";
        return;
    }
    if (!entry.enable) {
        LOG(INFO) << "(FUNC)onDoubleClicked app is disable!";
        // The tray tells the user why the application does not open.
        if (!dynamicAuthTips_.isEmpty()) {
            UiComm::instance()->apiCorvistrayCommon(CReqTray36, dynamicAuthTips_);
        }
        return;
    }
    handleResource(entry);
}

void PagePortal::handleResource(const st_resource& entry)
{
    const PortalRules::OpenAction action = PortalRules::openAction(entry);
    const QString body = PortalRules::openBody(action, entry, QDateTime::currentMSecsSinceEpoch());
    switch (action) {
    case PortalRules::OpenAction::ClientWeb:
        LOG(INFO) << "it's web app, sent client to handle, req:" << corvis::logSafe(body);
        requestClient(CReqClientResource115, body);
        break;
    case PortalRules::OpenAction::Protected:
        LOG(INFO) << "it is protect app";
        requestClient(CReqClientResource99, body);
        break;
    case PortalRules::OpenAction::Browser:
        LOG(INFO) << "it is web app";
        QThreadPool::globalInstance()->start(new PortalBrowserTask(entry, Common::edition().is(corvis::Edition::Id::Rolq)));
        break;
    case PortalRules::OpenAction::ClientApp:
        LOG(INFO) << "it is cs app";
        requestClient(CReqClientResource100, body);
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Favourites

void PagePortal::onCollectClicked(const QModelIndex& index)
{
    const int row = proxy_->mapToSource(index).row();
    if (row < 0 || row >= appList_.size()) {
        return;
    }
    st_resource entry = appList_.at(row);
    LOG(INFO) << "FUNC(onCollectClicked) index: " << row << ", appId: " << corvis::logSafe(entry.AppID);
    if (entry.isApply || !entry.enable) {
        return;
    }
    if (collecting_.contains(entry.AppID)) {
        LOG(INFO) << "FUNC(onCollectClicked) processing...";
        return;
    }
    collecting_.insert(entry.AppID);
    requestClient(CReqClientCollect, entry.AppID + QLatin1Char('&') + (entry.collect ? QStringLiteral("1") : QStringLiteral("0")));
}

void PagePortal::handleCollect(const QString& appId, bool ok)
{
    LOG(INFO) << "FUNC(handleCollect) appId: " << corvis::logSafe(appId);
    collecting_.remove(appId);
    const QList<int> rows = rowsOf(appId);
    if (rows.isEmpty()) {
        LOG(INFO) << "FUNC(handleCollect) appId not found";
    }
    for (int row : rows) {
        st_resource entry = appList_.at(row);
        if (ok && !entry.isApply) {
            entry.collect = !entry.collect;
            setEntry(row, entry);
        }
    }
    if (!requestMode_) {
        int favourites = 0;
        for (const st_resource& entry : qAsConst(appList_)) {
            favourites += entry.collect ? 1 : 0;
        }
        tabBar_->setTabText(TabCollect, PortalRules::tabText(QStringLiteral("我的收藏"), favourites));
        if (tabBar_->currentIndex() == TabCollect) {
            showListOrBlank();
        }
    }
    emit collectHandled(appId, ok);
}

void PagePortal::toggleCurrentMark()
{
    const QModelIndex index = view_->currentIndex();
    if (!index.isValid()) {
        return;
    }
    const st_resource entry = index.data(PortalItemModel::ResourceRole).value<st_resource>();
    if (entry.isApply) {
        onApplyCheckboxClicked(index);
    } else {
        onCollectClicked(index);
    }
}

// ---------------------------------------------------------------------------------------------
// The request list

void PagePortal::loadAppApplyResource()
{
    LOG(INFO) << "FUNC(loadAppApplyResource)";
    if (!requestMode_) {
        clearSearchBox();
        showRequestTabs();
    }
    hint_->setText(kRequestHint);
    selection_ = QJsonArray();
    building_ = true;
    clearModel();
    QList<st_resource> entries;
    applyTip_.clear();
    PolicyAnalyzer::instance()->readAppApplyList(entries, applyTip_);
    for (st_resource& entry : entries) {
        entry.isApply = true;
        entry.isChecked = false;
    }
    appList_ = entries;
    fillModel(appList_);
    requestIcons(appList_);
    building_ = false;
    tabBar_->setEnabled(true);
    // A search typed while the list loaded applies to it.
    const int tab = searchText_.isEmpty() ? int(TabApplyFor) : int(TabSearch);
    setCurrentTabSilently(tab);
    onBarCurrentChanged(tab);
}

void PagePortal::requestListFailed()
{
    LOG(INFO) << "FUNC(requestListFailed) the request list could not be fetched";
    if (!requestMode_) {
        return;
    }
    clearModel();
    tabBar_->setEnabled(true);
    showListOrBlank();
}

void PagePortal::onApplyCheckboxClicked(const QModelIndex& index)
{
    const int row = proxy_->mapToSource(index).row();
    if (row < 0 || row >= appList_.size() || !appList_.at(row).isApply) {
        return;
    }
    const st_resource clicked = appList_.at(row);
    LOG(INFO) << "FUNC(onApplyCheckboxClicked) appId: " << corvis::logSafe(clicked.AppID);
    const bool checked = !clicked.isChecked;
    // Every entry of the id follows: the request names an application once.
    for (int other : rowsOf(clicked.AppID)) {
        st_resource entry = appList_.at(other);
        entry.isChecked = checked;
        setEntry(other, entry);
    }
    for (int i = selection_.size() - 1; i >= 0; --i) {
        if (selection_.at(i).toObject().value(QStringLiteral("appId")).toString() == clicked.AppID) {
            selection_.removeAt(i);
        }
    }
    if (checked) {
        QJsonObject app;
        app.insert(QStringLiteral("appId"), clicked.AppID);
        app.insert(QStringLiteral("appName"), clicked.AppName);
        selection_.append(app);
        LOG(INFO) << "append app: " << corvis::logSafe(clicked.AppID) << ", " << corvis::logSafe(clicked.AppName);
    } else {
        LOG(INFO) << "delete app: " << corvis::logSafe(clicked.AppID) << ", " << corvis::logSafe(clicked.AppName);
    }
}

void PagePortal::clearTicks()
{
    for (int row = 0; row < appList_.size(); ++row) {
        if (appList_.at(row).isChecked) {
            st_resource entry = appList_.at(row);
            entry.isChecked = false;
            setEntry(row, entry);
        }
    }
}

pageapplycommit* PagePortal::applyDialog()
{
    if (applyDialog_ == nullptr) {
        applyDialog_ = new pageapplycommit(this);
    }
    return applyDialog_;
}

void PagePortal::onApplyBtn()
{
    if (selection_.isEmpty()) {
        UiComm::instance()->apiCorvistrayCommon(CReqTrayAppApply, QStringLiteral("请先勾选需要申请的资源。"));
        return;
    }
    pageapplycommit* dialog = applyDialog();
    dialog->applycommitInfo(QStringLiteral("资源申请"), selection_);
    dialog->setNotice(applyTip_);
    dialog->showNormal();
    dialog->raise();
    dialog->activateWindow();
}

void PagePortal::onBackBtn()
{
    LOG(INFO) << "FUNC(onBackBtn) back to the applications";
    emit sendPortalRefresh();
}

void PagePortal::handleSubmitAppApply(const QString& text, bool ok)
{
    LOG(INFO) << "FUNC(handleSubmitAppApply) ok: " << ok;
    if (!ok) {
        UiComm::instance()->apiCorvistrayCommon(CReqTrayAppApply, QStringLiteral("申请提交失败，请重试。若多次提交失败，请联系管理员。"));
        emit appApplyHandled(text, ok);
        return;
    }
    QList<QString> ids;
    PolicyAnalyzer::instance()->parseAppApply(text, ids);
    LOG(INFO) << "idList: " << corvis::logSafe(QStringList(ids).join(QLatin1Char(',')));
    const QSet<QString> accepted(ids.begin(), ids.end());
    for (int row = 0; row < appList_.size(); ++row) {
        if (accepted.contains(appList_.at(row).AppID) && appList_.at(row).isChecked) {
            st_resource entry = appList_.at(row);
            entry.isChecked = false;
            setEntry(row, entry);
        }
    }
    // What the controller did not take stays ticked and selected, ready to be asked for again.
    QJsonArray remaining;
    for (const QJsonValue& app : qAsConst(selection_)) {
        if (!accepted.contains(app.toObject().value(QStringLiteral("appId")).toString())) {
            remaining.append(app);
        }
    }
    selection_ = remaining;
    UiComm::instance()->apiCorvistrayCommon(CReqTrayAppApply, QStringLiteral("申请已提交。"));
    emit appApplyHandled(text, ok);
}
