#pragma once

#include <QString>

// The one table of the product's files, directories and sockets. Every accessor gives the path
// re-rooted under CORVISBENCH_PREFIX (see productpath.h); the relative names below the install
// root are spelled here and nowhere else. Convert with toLocal8Bit() for the C interfaces.
namespace corvis {
namespace paths {

// Names below the install root, as documents, logs and tools refer to them.
namespace rel {
inline constexpr const char kSysCfg[] = "ini/syscfg.ini";
inline constexpr const char kUserInfo[] = "ini/userinfo.ini";
inline constexpr const char kIniDir[] = "ini";
inline constexpr const char kLoginJson[] = "ini/login.json";
inline constexpr const char kSystemTitleJson[] = "ini/systemTitle.json";
inline constexpr const char kCarouselJson[] = "ini/carousel.json";
inline constexpr const char kAccessCheckResultJson[] = "ini/accessCheckResult.json";
inline constexpr const char kDynamicAuthResultJson[] = "ini/dynamicAuthResult.json";
inline constexpr const char kDynamicAuthResponseJson[] = "ini/dynamicAuthResponse.json";
inline constexpr const char kAppListJson[] = "ini/appList.json";
inline constexpr const char kResourceJson[] = "ini/resource.json";
inline constexpr const char kAppApplyListJson[] = "ini/appApplyList.json";
inline constexpr const char kAppCatJson[] = "ini/appCat.json";
inline constexpr const char kVeskAuthImageJson[] = "ini/veskAuthImage.json";
inline constexpr const char kDeviceBindJson[] = "ini/devicebind.json";
inline constexpr const char kLoginAuditJson[] = "ini/loginAudit.json";
inline constexpr const char kInformListJson[] = "ini/informList.json";
inline constexpr const char kVeskInformListJson[] = "ini/vesk_informList.json";
inline constexpr const char kSandboxInit[] = "sandbox/ini/init.ini";
inline constexpr const char kSandboxPolicyJson[] = "sandbox/ini/policy.json";
inline constexpr const char kSandboxLogDir[] = "sandbox/log";
inline constexpr const char kLogDir[] = "log";
inline constexpr const char kCacheDir[] = "cache";
inline constexpr const char kImageCode[] = "cache/imageCode.png";
inline constexpr const char kPhoneImageCode[] = "cache/phoneImageCode.png";
inline constexpr const char kResourceDir[] = "resource";
inline constexpr const char kLogo[] = "resource/logo.png";
inline constexpr const char kUpdateBackup[] = "update/bak/corvis_update.zip";
inline constexpr const char kWeakPasswords[] = "orvane/bin/john/WeakPassword.txt";
inline constexpr const char kWebStarter[] = "bin/startcorvisweb";
inline constexpr const char kSandboxMount[] = "mbox_mount";
}  // namespace rel

// A path below the install root by its relative name (one of rel::).
QString install(const char* relative);

// The two configuration files.
QString sysCfg();
QString userInfo();

// Result documents the client service leaves in ini/.
QString loginJson();
QString systemTitleJson();
QString carouselJson();
QString accessCheckResultJson();
QString dynamicAuthResultJson();
QString dynamicAuthResponseJson();
QString appListJson();
QString resourceJson();
QString appApplyListJson();
QString appCatJson();
QString veskAuthImageJson();
QString deviceBindJson();
QString loginAuditJson();
QString informListJson();
QString veskInformListJson();

// The local sandbox: its service token file, its network-mode policy, its log directory.
QString sandboxInit();
QString sandboxPolicyJson();
QString sandboxLogDir();
// The install root's folder mounted into sandbox containers.
QString sandboxMount();

// Logs: the directory, and the file name prefix the logger appends its suffix to
// ("<root>/log/corvisbench.info.").
QString logDir();
QString logFilePrefix(const char* severity);

// Caches and the pictures a login page downloads into them.
QString cacheDir();
QString imageCode();
QString phoneImageCode();

// Pictures and programs of the installation.
QString resourceDir();
QString resource(const QString& relative);  // "vesk/clientmain/version_check.png"
QString logo();
QString weakPasswords();
QString webStarter();

// The package whose presence allows a rollback.
QString updateBackup();

// Outside the install root (re-rooted all the same).
QString pidFile();
// The sandbox's shared folder: /tmp/.corvis_cfs for sandbox type 1, else /tmp/._corvisdata.
// Inside a sandbox container the folder keeps its unprefixed name.
QString sandboxShareDir(int sandboxType);
QString sandboxShareDirName(int sandboxType);

// Sockets of the sibling services, the workbench's own push socket.
QString clientSocket();
QString traySocket();
QString updateSocket();
QString webSocket();
// The privileged daemon listens in the sandbox's folder for sandbox type 1, else under /run.
QString daemonSocket(int sandboxType);
QString daemonCommandSocket();
QString stationSocket();
QString pushSocket();

}  // namespace paths
}  // namespace corvis
