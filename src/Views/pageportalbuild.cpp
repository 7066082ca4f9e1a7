// PagePortal: building the list and the category tabs, counting, network modes, the dynamic
// authorization, icons and clearing.

#include "src/Views/pageportal.h"

#include "app/common.h"
#include "corviscommon/downloadstore.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "src/CustomControl/custabbar.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"
#include "src/Views/pageapplycommit.h"
#include "src/Views/portalfilterproxy.h"
#include "src/Views/portaliconloader.h"
#include "src/Views/portalitemdelegate.h"
#include "src/Views/portalitemmodel.h"
#include "src/Views/portalrules.h"

#include <QLabel>
#include <QListView>

namespace {

std::function<void(bool&, bool&)>& addressProbe()
{
    static std::function<void(bool&, bool&)> probe = [](bool& ipv4, bool& ipv6) {
        QStringList v4;
        QStringList v6;
        Common::get_all_ip_linux(v4, v6);
        ipv4 = !v4.isEmpty();
        ipv6 = !v6.isEmpty();
    };
    return probe;
}

// Changes many tabs at once. A visible tab bar lays all its tabs out again after every single
// change; hidden, it does so once when it shows again.
class TabBatch
{
public:
    explicit TabBatch(CusTabBar* bar) : bar_(bar), visible_(bar->isVisible()), focus_(bar->hasFocus()), blocked_(bar->blockSignals(true))
    {
        if (visible_) {
            bar_->hide();
        }
    }
    ~TabBatch()
    {
        if (visible_) {
            bar_->show();
            if (focus_) {
                bar_->setFocus();
            }
        }
        bar_->blockSignals(blocked_);
    }
    TabBatch(const TabBatch&) = delete;
    TabBatch& operator=(const TabBatch&) = delete;

private:
    CusTabBar* bar_;
    bool visible_;
    bool focus_;
    bool blocked_;
};

}  // namespace

void PagePortal::setHostAddressFamiliesForTest(std::function<void(bool& ipv4, bool& ipv6)> probe)
{
    addressProbe() = std::move(probe);
}

void PagePortal::setIconTimeoutMs(int ms)
{
    icons_->setTimeoutMs(ms);
}

// ---------------------------------------------------------------------------------------------
// States of the page

void PagePortal::updatePortal(int state)
{
    LOG(INFO) << "FUNC(updatePortal) state: " << state;
    if (requestMode_) {
        LOG(INFO) << "FUNC(updatePortal) exit, current index is PageApplayFor, noting to do.";
        tabBar_->setEnabled(state != 2);
        emit portalUpdated(state);
        return;
    }
    switch (state) {
    case 0:
    case 1:
        if (prevTabKey_.isEmpty()) {
            prevTabKey_ = tabKey(tabBar_->currentIndex());
        }
        initTabBar(state == 0);
        initResource(state == 0);
        tabBar_->setEnabled(true);
        break;
    case 2: {
        if (prevTabKey_.isEmpty()) {
            prevTabKey_ = tabKey(tabBar_->currentIndex());
        }
        TabBatch batch(tabBar_);
        if (tabBar_->currentIndex() >= TabFirstCategory) {
            tabBar_->setCurrentIndex(TabAll);
        }
        for (int i = tabBar_->count() - 1; i >= TabFirstCategory; --i) {
            tabBar_->removeTab(i);
        }
        showStack(StackLoading);
        tabBar_->setEnabled(false);
        break;
    }
    default:
        LOG(WARNING) << "FUNC(updatePortal) unknown state " << state << ", nothing done";
        break;
    }
    emit portalUpdated(state);
}

void PagePortal::loadResourceData(int kind)
{
    LOG(INFO) << "FUNC(loadResourceData) kind: " << kind;
    if (kind == 2) {
        loadAppApplyResource();
        return;
    }
    if (requestMode_) {
        LOG(INFO) << "FUNC(loadResourceData) exit, current index is PageApplayFor, noting to do.";
        return;
    }
    if (prevTabKey_.isEmpty()) {
        prevTabKey_ = tabKey(tabBar_->currentIndex());
    }
    // The categories again too: one emptied by the last mode may be filled in this one.
    initTabBar(true);
    initResource(true);
}

// ---------------------------------------------------------------------------------------------
// Categories

void PagePortal::initTabBar(bool read)
{
    TabBatch batch(tabBar_);
    if (tabBar_->currentIndex() >= TabFirstCategory) {
        tabBar_->setCurrentIndex(TabAll);
    }
    tabBar_->setTabText(TabAll, PortalRules::tabText(QStringLiteral("全部应用"), 0));
    tabBar_->setTabText(TabCollect, PortalRules::tabText(QStringLiteral("我的收藏"), 0));
    for (int i = tabBar_->count() - 1; i >= TabFirstCategory; --i) {
        tabBar_->removeTab(i);
    }
    appCats_.clear();
    if (!read) {
        return;
    }
    PolicyAnalyzer::instance()->readAppCat(appCats_);
    QSet<QString> ids;
    for (const st_appCat& category : qAsConst(appCats_)) {
        if (!PortalRules::categoryShown(category.acfid, category.icount)) {
            continue;
        }
        if (ids.contains(category.uidclassid)) {
            LOG(INFO) << "appCat " << corvis::logSafe(category.uidclassid) << " listed twice, one tab kept";
            continue;
        }
        ids.insert(category.uidclassid);
        LOG(INFO) << "appCat.strDesc: " << corvis::logSafe(category.strDesc);
        const int index = tabBar_->addTab(PortalRules::tabLabel(category.strDesc));
        tabBar_->setTabToolTip(index, PortalRules::plainToolTip(category.strDesc));
        tabBar_->setTabData(index, category.uidclassid);
        tabBar_->setTabVisible(index, !requestMode_);
    }
}

// ---------------------------------------------------------------------------------------------
// The list

void PagePortal::clearModel()
{
    model_->clear();
    appList_.clear();
}

void PagePortal::initResource(bool read)
{
    building_ = true;
    clearModel();
    collecting_.clear();
    QList<st_resource> entries;
    if (read) {
        // A document broken half-way shows the entries read before the fault.
        PolicyAnalyzer::instance()->readAppList(entries);
    }
    documentDisabled_.clear();
    for (const st_resource& entry : qAsConst(entries)) {
        if (!entry.enable) {
            documentDisabled_.insert(entry.AppID);
        }
    }

    PortalRules::BuildFilter filter;
    const auto mode = netmodes_.constFind(curNetmodeId_);
    if (!curNetmodeId_.isEmpty() && mode != netmodes_.constEnd()) {
        filter.netmode = true;
        filter.modeApps = mode->AppIds;
    }
    if (read && PortalRules::filtersAddressFamily(Common::edition())) {
        filter.addressFamily = true;
        addressProbe()(filter.hostHasIpv4, filter.hostHasIpv6);
    }
    filter.allEnabled = allEnabled_;
    filter.blocked = blocked_;
    appList_ = PortalRules::shownEntries(entries, filter);
    fillModel(appList_);
    requestIcons(appList_);
    building_ = false;

    calResCount();
    restoreTab();
}

void PagePortal::fillModel(const QList<st_resource>& entries)
{
    QList<QStandardItem*> items;
    items.reserve(entries.size());
    for (const st_resource& entry : entries) {
        items.append(PortalItemModel::makeItem(entry));
    }
    // One insertion: the proxies and the view take all rows in one go.
    model_->invisibleRootItem()->appendRows(items);
}

void PagePortal::calResCount()
{
    const PortalRules::TabCounts counts = PortalRules::countTabs(appList_);
    TabBatch batch(tabBar_);
    tabBar_->setTabText(TabAll, PortalRules::tabText(QStringLiteral("全部应用"), counts.all));
    tabBar_->setTabText(TabCollect, PortalRules::tabText(QStringLiteral("我的收藏"), counts.favourites));
    QHash<QString, QString> names;
    for (const st_appCat& category : qAsConst(appCats_)) {
        if (!names.contains(category.uidclassid)) {
            names.insert(category.uidclassid, category.strDesc);
        }
    }
    for (int i = tabBar_->count() - 1; i >= TabFirstCategory; --i) {
        const QString id = tabBar_->tabData(i).toString();
        const QString name = names.value(id);
        const int count = counts.categories.value(id);
        if (count == 0) {
            LOG(INFO) << QStringLiteral("count is 0, %1 will be hidden!").arg(corvis::logSafe(name));
            if (tabBar_->currentIndex() == i) {
                tabBar_->setCurrentIndex(TabAll);
            }
            tabBar_->removeTab(i);
        } else {
            tabBar_->setTabText(i, PortalRules::tabLabel(PortalRules::tabText(name, count)));
        }
    }
}

void PagePortal::restoreTab()
{
    int index = tabOfKey(prevTabKey_);
    prevTabKey_.clear();
    if (index == TabSearch && searchText_.isEmpty()) {
        index = -1;
    }
    if (index < 0 || index == TabApplyFor) {
        index = TabAll;
    }
    setCurrentTabSilently(index);
    onBarCurrentChanged(index);
}

void PagePortal::setEntry(int row, const st_resource& entry)
{
    if (row < 0 || row >= appList_.size()) {
        return;
    }
    appList_[row] = entry;
    if (QStandardItem* item = model_->item(row)) {
        PortalItemModel::updateItem(item, entry);
    }
}

QList<int> PagePortal::rowsOf(const QString& appId) const
{
    QList<int> rows;
    for (int row = 0; row < appList_.size(); ++row) {
        if (appList_.at(row).AppID == appId) {
            rows.append(row);
        }
    }
    return rows;
}

// ---------------------------------------------------------------------------------------------
// Network modes

void PagePortal::updateNetmodeApp()
{
    if (requestMode_) {
        LOG(INFO) << "FUNC(updateNetmodeApp) exit, current index is PageApplayFor, noting to do.";
        return;
    }
    if (Common::netmodeCount() == 0) {
        applyNetmode(QString());
        blankLabel_->setText(QStringLiteral("暂无应用可使用"));
        LOG(INFO) << "FUNC(updateNetmodeApp) exit, no netmode..";
        return;
    }
    const QString id = Common::currentNetmodeId().trimmed();
    if (id.isEmpty()) {
        curNetmodeId_.clear();
        netmodeLabel_->hide();
        LOG(INFO) << "FUNC(updateNetmodeApp) exit, current netmode is empty";
        return;
    }
    PolicyAnalyzer::instance()->readPolicyGetNetmode(netmodes_);
    blankLabel_->setText(QStringLiteral("暂无应用可使用，切换其他网络模式看看吧~"));
    applyNetmode(id);
}

void PagePortal::applyNetmode(const QString& id)
{
    if (id.isEmpty()) {
        curNetmodeId_.clear();
        netmodes_.clear();
        netmodeLabel_->hide();
        return;
    }
    const auto mode = netmodes_.constFind(id);
    if (mode == netmodes_.constEnd()) {
        LOG(WARNING) << "error netmode: " << corvis::logSafe(id);
        curNetmodeId_.clear();
        netmodeLabel_->hide();
        return;
    }
    curNetmodeId_ = id;
    netmodeLabel_->setText(QStringLiteral("%1%2").arg(QStringLiteral("当前网络模式："), mode->NetModeName));
    netmodeLabel_->setToolTip(PortalRules::plainToolTip(mode->NetModeName));
    netmodeLabel_->show();
}

void PagePortal::updateCurrentNetmode(const QString& id)
{
    LOG(INFO) << "FUNC(updateCurrentNetmode) id: " << corvis::logSafe(id);
    const QString trimmed = id.trimmed();
    // A mode the page has not read yet may be in the policy the service wrote since.
    if (!trimmed.isEmpty() && !netmodes_.contains(trimmed)) {
        PolicyAnalyzer::instance()->readPolicyGetNetmode(netmodes_);
    }
    applyNetmode(trimmed);
    // While a refresh runs its own build follows; the request list has no modes.
    if (!requestMode_ && currentStackPage() != StackLoading) {
        loadResourceData(1);
    }
    emit netmodeSwitched(id);
}

// ---------------------------------------------------------------------------------------------
// Dynamic authorization

void PagePortal::handleEnable(bool enable, const QStringList& ids)
{
    LOG(INFO) << "FUNC(handleEnable) enable: " << enable << ", size:" << ids.size();
    if (enable) {
        allEnabled_ = true;
        blocked_.clear();
        for (int row = 0; row < appList_.size(); ++row) {
            st_resource entry = appList_.at(row);
            // Released by the dynamic authorization; what the document itself disables stays so.
            entry.enable = entry.isApply || !documentDisabled_.contains(entry.AppID);
            if (entry.enable != appList_.at(row).enable) {
                setEntry(row, entry);
            }
        }
    } else {
        allEnabled_ = false;
        if (ids.isEmpty()) {
            blocked_.clear();
            for (int row = 0; row < appList_.size(); ++row) {
                if (appList_.at(row).enable) {
                    st_resource entry = appList_.at(row);
                    entry.enable = false;
                    setEntry(row, entry);
                }
            }
        } else {
            for (const QString& id : ids) {
                blocked_.insert(id);
                const QList<int> rows = rowsOf(id);
                if (rows.isEmpty()) {
                    LOG(INFO) << "FUNC(handleEnableImpl) appId not found";
                }
                for (int row : rows) {
                    st_resource entry = appList_.at(row);
                    entry.enable = false;
                    setEntry(row, entry);
                }
            }
        }
    }
    emit enableChanged(enable, ids);
}

void PagePortal::setDynamicAuthTips(const QString& tips)
{
    dynamicAuthTips_ = tips;
}

// ---------------------------------------------------------------------------------------------
// Icons

void PagePortal::requestIcons(const QList<st_resource>& entries)
{
    for (const st_resource& entry : entries) {
        const QString& url = entry.AppIco;
        if (url.isEmpty() || requestedIcons_.contains(url)) {
            continue;
        }
        requestedIcons_.insert(url);
        if (!icons_->request(url)) {
            LOG(WARNING) << "onReplyFinished errmsg: not an http(s) address, url:" << corvis::logSafe(url);
        }
    }
}

void PagePortal::onIconLoaded(const QString& url, const QByteArray& data)
{
    QSet<QString> sources;
    QSet<QString> cached;
    const auto store = [&](const st_resource& entry) {
        if (entry.AppIco != url) {
            return;
        }
        if (!entry.source.isEmpty() && !sources.contains(entry.source)) {
            sources.insert(entry.source);
            LOG(INFO) << "onReplyFinished aumSource:" << corvis::logSafe(entry.source) << ", url:" << corvis::logSafe(url);
            emit sendFileDownload(DownloadStore::iconPath(entry.source), data);
        }
        // The delegate draws the icon from the cache file the entry names.
        if (!entry.icoPath.isEmpty() && !cached.contains(entry.icoPath)) {
            cached.insert(entry.icoPath);
            DownloadStore::writeCacheFile(entry.icoPath, data);
        }
    };
    for (const st_resource& entry : qAsConst(appList_)) {
        store(entry);
    }
    for (const st_resource& entry : qAsConst(veskList_)) {
        store(entry);
    }
    view_->viewport()->update();
}

void PagePortal::onIconFailed(const QString& url, const QString& error)
{
    LOG(WARNING) << "onReplyFinished errmsg: " << corvis::logSafe(error) << ", url:" << corvis::logSafe(url);
    // Tried again with the next list build.
    requestedIcons_.remove(url);
}

void PagePortal::initVeskResource()
{
    LOG(INFO) << "FUNC(initVeskResource)";
    PolicyAnalyzer::instance()->readAppList(veskList_);
    requestIcons(veskList_);
}

// ---------------------------------------------------------------------------------------------
// Clearing

void PagePortal::portalClear()
{
    LOG(INFO) << "FUNC(portalClear)";
    clearSearchBox();
    showNormalTabs();
    selection_ = QJsonArray();
    updatePortal(1);
    prevTabKey_.clear();
    prevSearchTabKey_.clear();
    setCurrentTabSilently(TabAll);
    onBarCurrentChanged(TabAll);
    if (applyDialog_ != nullptr) {
        applyDialog_->close();
    }
}

void PagePortal::exitClear()
{
    LOG(INFO) << "FUNC(exitClear)";
    portalClear();
    applyNetmode(QString());
    allEnabled_ = true;
    blocked_.clear();
    documentDisabled_.clear();
    // The next user's icons are fetched afresh.
    icons_->clear();
    requestedIcons_.clear();
    veskList_.clear();
}
