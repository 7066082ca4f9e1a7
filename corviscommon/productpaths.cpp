#include "corviscommon/productpaths.h"

#include "corviscommon/productpath.h"

namespace corvis {
namespace paths {

namespace {

QString product(const char* path)
{
    return productPathQ(QString::fromLatin1(path));
}

}  // namespace

QString install(const char* relative)
{
    return installPathQ(QString::fromLatin1(relative));
}

QString sysCfg() { return install(rel::kSysCfg); }
QString userInfo() { return install(rel::kUserInfo); }

QString loginJson() { return install(rel::kLoginJson); }
QString systemTitleJson() { return install(rel::kSystemTitleJson); }
QString carouselJson() { return install(rel::kCarouselJson); }
QString accessCheckResultJson() { return install(rel::kAccessCheckResultJson); }
QString dynamicAuthResultJson() { return install(rel::kDynamicAuthResultJson); }
QString dynamicAuthResponseJson() { return install(rel::kDynamicAuthResponseJson); }
QString appListJson() { return install(rel::kAppListJson); }
QString resourceJson() { return install(rel::kResourceJson); }
QString appApplyListJson() { return install(rel::kAppApplyListJson); }
QString appCatJson() { return install(rel::kAppCatJson); }
QString veskAuthImageJson() { return install(rel::kVeskAuthImageJson); }
QString deviceBindJson() { return install(rel::kDeviceBindJson); }
QString loginAuditJson() { return install(rel::kLoginAuditJson); }
QString informListJson() { return install(rel::kInformListJson); }
QString veskInformListJson() { return install(rel::kVeskInformListJson); }

QString sandboxInit() { return install(rel::kSandboxInit); }
QString sandboxPolicyJson() { return install(rel::kSandboxPolicyJson); }
QString sandboxLogDir() { return install(rel::kSandboxLogDir); }
QString sandboxMount() { return install(rel::kSandboxMount); }

QString logDir() { return install(rel::kLogDir); }

QString logFilePrefix(const char* severity)
{
    return logDir() + QStringLiteral("/corvisbench.") + QString::fromLatin1(severity) + QLatin1Char('.');
}

QString cacheDir() { return install(rel::kCacheDir); }
QString imageCode() { return install(rel::kImageCode); }
QString phoneImageCode() { return install(rel::kPhoneImageCode); }

QString resourceDir() { return install(rel::kResourceDir); }

QString resource(const QString& relative)
{
    return resourceDir() + QLatin1Char('/') + relative;
}

QString logo() { return install(rel::kLogo); }
QString weakPasswords() { return install(rel::kWeakPasswords); }
QString webStarter() { return install(rel::kWebStarter); }
QString updateBackup() { return install(rel::kUpdateBackup); }

QString pidFile()
{
    // The lock's name is built as "%s%s.pid" from the directory and the program name.
    return productPathQ(QString::asprintf("%s%s.pid", "/tmp/", "corvisbench"));
}

QString sandboxShareDirName(int sandboxType)
{
    return sandboxType == 1 ? QStringLiteral("/tmp/.corvis_cfs") : QStringLiteral("/tmp/._corvisdata");
}

QString sandboxShareDir(int sandboxType)
{
    return productPathQ(sandboxShareDirName(sandboxType));
}

QString clientSocket() { return product("/tmp/.corvisclient.un"); }
QString traySocket() { return product("/tmp/.corvistray.un"); }
QString updateSocket() { return product("/tmp/.corvisupdatesrv.un"); }
QString webSocket() { return product("/tmp/.corvisweb.un"); }

QString daemonSocket(int sandboxType)
{
    return sandboxType == 1 ? sandboxShareDir(1) + QStringLiteral("/.corvisdaemon.sock")
                            : product("/run/user/corvis/.corvisdaemon.sock");
}

QString daemonCommandSocket() { return product("/tmp/.corvisdaemon.un"); }
QString stationSocket() { return product("/tmp/.userstation.un"); }
QString pushSocket() { return product("/tmp/.corvisbench.us"); }

}  // namespace paths
}  // namespace corvis
