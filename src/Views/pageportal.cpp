#include "src/Views/pageportal.h"

#include "comm/uicomm.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "src/Views/notbuilt.h"

PagePortal* PagePortal::instance()
{
    static PagePortal* page = new PagePortal();
    return page;
}

PagePortal::PagePortal() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("PagePortal"));
}

void PagePortal::updatePortal(int state)
{
    logNotBuilt("PagePortal::updatePortal", QStringLiteral("state: %1").arg(state));
    emit portalUpdated(state);
}

void PagePortal::onPortalRefresh(int kind, bool request)
{
    LOG(INFO) << "FUNC(onPortalRefresh) kind: " << kind << ", request: " << request;
    if (kind == 1) {
        logNotBuilt("PagePortal::onPortalRefresh", QStringLiteral("the page is not cleared and shows no loading"));
        UiComm::instance()->apiCorvisclientCommon(CReqClientPortalRefresh101, QString(), true);
        UiComm::instance()->apiCorvisclientCommon(CReqClientPortalRefresh102, QStringLiteral("refresh"), true);
    } else if (kind == 2 && request) {
        logNotBuilt("PagePortal::onPortalRefresh", QStringLiteral("the request tab is not shown"));
        UiComm::instance()->apiCorvisclientCommon(CReqClientPortalRefresh116, QString(), true);
    } else {
        logNotBuilt("PagePortal::onPortalRefresh", QStringLiteral("kind: %1, request: %2").arg(kind).arg(request));
    }
}

void PagePortal::handleTopRefresh()
{
    // The request tab, which refreshes with kind 2, comes with the page's tabs.
    onPortalRefresh(1, false);
}

void PagePortal::updateNetmodeApp()
{
    logNotBuilt("PagePortal::updateNetmodeApp");
}

void PagePortal::updateCurrentNetmode(const QString& id)
{
    logNotBuilt("PagePortal::updateCurrentNetmode", QStringLiteral("id: %1").arg(corvis::logSafe(id)));
    emit netmodeSwitched(id);
}

void PagePortal::handleEnable(bool enable, const QStringList& ids)
{
    logNotBuilt("PagePortal::handleEnable", QStringLiteral("enable: %1, ids: %2").arg(enable).arg(ids.join(QLatin1Char(','))));
    emit enableChanged(enable, ids);
}

void PagePortal::setDynamicAuthTips(const QString& tips)
{
    dynamicAuthTips_ = tips;
}

void PagePortal::handleCollect(const QString& appId, bool ok)
{
    logNotBuilt("PagePortal::handleCollect", QStringLiteral("appId: %1, ok: %2").arg(appId).arg(ok));
    emit collectHandled(appId, ok);
}

void PagePortal::handleSubmitAppApply(const QString& text, bool ok)
{
    logNotBuilt("PagePortal::handleSubmitAppApply", QStringLiteral("text: %1, ok: %2").arg(corvis::logSafe(text)).arg(ok));
    emit appApplyHandled(text, ok);
}

void PagePortal::portalClear()
{
    logNotBuilt("PagePortal::portalClear");
}

void PagePortal::exitClear()
{
    logNotBuilt("PagePortal::exitClear");
}

void PagePortal::initVeskResource()
{
    logNotBuilt("PagePortal::initVeskResource");
}
