#include "src/Views/portalbrowsertask.h"

#include "app/common.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "http/api.h"
#include "src/Views/portalrules.h"

PortalBrowserTask::PortalBrowserTask(const st_resource& entry, bool singleSignOn) : entry_(entry), singleSignOn_(singleSignOn)
{
    setAutoDelete(true);
}

QString PortalBrowserTask::address(const st_resource& entry, bool singleSignOn)
{
    if (!singleSignOn) {
        return entry.Url;
    }
    stSsoAuthReq request;
    request.uname = Common::userName().toStdString();
    request.appid = entry.AppID.toStdString();
    request.resourcetype = std::to_string(entry.ResourceType);
    request.runmode = std::to_string(entry.RunMode);
    request.isProtectApp = entry.isProtectApp ? "1" : "0";
    stSsoAuthRsp answer;
    API::getInstance()->ssoAuth(request, answer);
    const QString token = QString::fromStdString(answer.sso_token);
    switch (PortalRules::ssoOutcome(answer.status, token)) {
    case PortalRules::SsoOutcome::Token:
        return PortalRules::ssoUrl(entry.Url, token);
    case PortalRules::SsoOutcome::EmptyToken:
        LOG(WARNING) << "ssoToken is empty!";
        break;
    case PortalRules::SsoOutcome::Refused:
        LOG(WARNING) << "response error: " << corvis::logSafe(QString::fromStdString(answer.msg));
        break;
    }
    return entry.Url;
}

void PortalBrowserTask::run()
{
    const QString url = address(entry_, singleSignOn_);
    if (url.isEmpty()) {
        LOG(WARNING) << "FUNC(PortalBrowserTask) app " << corvis::logSafe(entry_.AppID) << " has no address, nothing to open";
        return;
    }
    if (Common::openURL(url) != 0) {
        LOG(WARNING) << "FUNC(PortalBrowserTask) the browser could not be started for app " << corvis::logSafe(entry_.AppID);
    }
}
