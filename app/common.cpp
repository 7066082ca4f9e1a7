#include "app/common.h"

#include "comm/unsocket.h"
#include "corviscommon/browser.h"
#include "corviscommon/inivalues.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"
#include "corviscommon/secretmask.h"
#include "corviscommon/utility.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>

#include <arpa/inet.h>
#include <atomic>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/utsname.h>
#include <vector>

namespace {

QMutex& cacheMutex()
{
    static QMutex mutex;
    return mutex;
}

using corvis::ini::readInt;
using corvis::ini::readString;

void writeValue(const QString& path, const char* section, const char* key, const QByteArray& value)
{
    corvis::ini::write(path, section, key, value);
}

// A string read again while it is empty.
struct CachedString {
    QString value;

    QString get(const QString& path, const char* section, const char* key, int size, bool trim = false)
    {
        {
            QMutexLocker lock(&cacheMutex());
            if (!value.isEmpty()) {
                return value;
            }
        }
        QString read = readString(path, section, key, size);
        if (trim) {
            read = read.trimmed();
        }
        QMutexLocker lock(&cacheMutex());
        value = read;
        return value;
    }

    void reset()
    {
        QMutexLocker lock(&cacheMutex());
        value.clear();
    }
};

// An integer read once per process; -1 means not read yet.
struct CachedInt {
    std::atomic<int> value{-1};

    int get(const QString& path, const char* section, const char* key)
    {
        int current = value.load();
        if (current == -1) {
            current = readInt(path, section, key, 0);
            value.store(current);
        }
        return current;
    }
};

CachedString g_uuid;
CachedString g_softName;
CachedString g_csSoftName;
CachedString g_pcName;
CachedString g_deviceMac;
CachedString g_vlsUserName;
CachedString g_vlsPassword;
CachedInt g_csMode;
CachedInt g_oldTray;
CachedInt g_spaMark;
CachedInt g_spaLoginType;
CachedInt g_spaSim;
CachedInt g_spaOauth;

}  // namespace

QString Common::sysCfgPath()
{
    return corvis::paths::sysCfg();
}

QString Common::userInfoPath()
{
    return corvis::paths::userInfo();
}

QString Common::portalIp() { return readString(sysCfgPath(), "Mervasso", "ServerIP", 256); }
QString Common::uuid() { return g_uuid.get(sysCfgPath(), "appinfo", "UUID", 256); }

QString Common::softName()
{
    const QString name = g_softName.get(sysCfgPath(), "about", "name", 512, true);
    return name.isEmpty() ? QStringLiteral("QuintrelCORVIS云助手") : name;
}

QString Common::csSoftName()
{
    const QString name = g_csSoftName.get(sysCfgPath(), "about", "csName", 512, true);
    return name.isEmpty() ? QStringLiteral("Tessaly") : name;
}

QString Common::version() { return readString(sysCfgPath(), "about", "version", 256); }
QString Common::company() { return readString(sysCfgPath(), "about", "company", 256); }
QString Common::customProject() { return corvis::Edition::current().project(); }
corvis::Edition Common::edition() { return corvis::Edition::current(); }

QString Common::browser() { return readString(sysCfgPath(), "functions", "browser", 512); }
QString Common::kavItsm() { return readString(sysCfgPath(), "functions", "kavItsm", 512); }
int Common::closeTrayRemind() { return readInt(sysCfgPath(), "functions", "closetrayremind", 0); }
int Common::openTamsinPortal() { return readInt(sysCfgPath(), "functions", "opentamsinportal", 0); }

void Common::setOpenTamsinPortal(bool open)
{
    writeValue(sysCfgPath(), "functions", "opentamsinportal", open ? "1" : "0");
}

int Common::rememberAccount() { return readInt(sysCfgPath(), "functions", "rememberaccount", 0); }

void Common::setRememberAccount(bool remember)
{
    writeValue(sysCfgPath(), "functions", "rememberaccount", remember ? "1" : "0");
}

int Common::rememberPhone() { return readInt(sysCfgPath(), "functions", "rememberphone", 0); }

void Common::setRememberPhone(bool remember)
{
    writeValue(sysCfgPath(), "functions", "rememberphone", remember ? "1" : "0");
}

bool Common::csMode() { return g_csMode.get(sysCfgPath(), "Mervasso", "csmode") == 1; }
bool Common::oldTray() { return g_oldTray.get(sysCfgPath(), "Mervasso", "oldTray") == 1; }
bool Common::spaMark() { return g_spaMark.get(sysCfgPath(), "corvisspa", "spamark") == 1; }
int Common::spaLoginType() { return g_spaLoginType.get(sysCfgPath(), "corvisspa", "spaloginType"); }
int Common::spaSim() { return g_spaSim.get(sysCfgPath(), "corvisspa", "spasim"); }
bool Common::spaOauth() { return g_spaOauth.get(sysCfgPath(), "corvisspa", "spaoauth") == 1; }

QString Common::pcName() { return g_pcName.get(userInfoPath(), "UserInfo", "PcName", 256); }
QString Common::deviceMac() { return g_deviceMac.get(userInfoPath(), "UserInfo", "UserMac", 256); }
QString Common::deviceIp() { return readString(userInfoPath(), "UserInfo", "UserIP", 256); }
QString Common::userName() { return readString(userInfoPath(), "UserInfo", "UserName", 256); }
QString Common::userFullName() { return readString(userInfoPath(), "UserInfo", "UserFullName", 256); }
QString Common::department() { return readString(userInfoPath(), "UserInfo", "Department", 256); }
QString Common::phoneNumber() { return readString(userInfoPath(), "UserInfo", "PhoneNumber", 256); }
QString Common::pwdExpiredTime() { return readString(userInfoPath(), "UserInfo", "PwdExpiredTime", 256); }
QString Common::allowChangePwd() { return readString(userInfoPath(), "UserInfo", "allowChangePwd", 256); }
QString Common::allowChangePhone() { return readString(userInfoPath(), "UserInfo", "allowChangePhone", 256); }
QString Common::csUserName() { return readString(userInfoPath(), "UserInfo", "CsUserName", 256); }

void Common::setCsUserName(const QString& name)
{
    writeValue(userInfoPath(), "UserInfo", "CsUserName", name.toUtf8());
}

QString Common::csUserPhone() { return readString(userInfoPath(), "UserInfo", "CsUserPhone", 256); }

void Common::setCsUserPhone(const QString& phone)
{
    writeValue(userInfoPath(), "UserInfo", "CsUserPhone", phone.toUtf8());
}

QString Common::spaUserName() { return readString(userInfoPath(), "UserInfo", "SpaUserName", 1024); }
int Common::spaType() { return readInt(userInfoPath(), "UserInfo", "SpaType", 0); }
QString Common::vlsUserName() { return g_vlsUserName.get(userInfoPath(), "VelmoraSpa", "VlsUserName", 1024); }
QString Common::vlsPassword() { return g_vlsPassword.get(userInfoPath(), "VelmoraSpa", "VlsPassword", 1024); }
bool Common::portalDisplayMode() { return readInt(userInfoPath(), "UserInfo", "PortalDisplayMode", -1) != 0; }

void Common::setPortalDisplayMode(int mode)
{
    writeValue(userInfoPath(), "UserInfo", "PortalDisplayMode", QByteArray::number(mode));
}

QString Common::sandboxInfo() { return readString(userInfoPath(), "UserInfo", "SandboxInfo", 1024); }
QString Common::sessionIdDes() { return readString(userInfoPath(), "UserInfo", "SessionIDDes", 1024).trimmed(); }
QString Common::currentNetmodeId() { return readString(userInfoPath(), "netmode", "curnetmodeid", 256); }
int Common::netmodeCount() { return readInt(userInfoPath(), "netmode", "modecount", 0); }

QString Common::unameMachine()
{
    struct utsname name {};
    if (::uname(&name) != 0) {
        return QString();
    }
    return QString::fromLocal8Bit(name.machine);
}

QString Common::unameRelease()
{
    struct utsname name {};
    if (::uname(&name) != 0) {
        return QString();
    }
    return QString::fromLocal8Bit(name.release);
}

namespace {

bool addressesOfFamily(int family, QStringList& list)
{
    struct ifaddrs* addresses = nullptr;
    if (::getifaddrs(&addresses) != 0) {
        return false;
    }
    for (struct ifaddrs* it = addresses; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != family) {
            continue;
        }
        char text[INET6_ADDRSTRLEN] = {0};
        const void* raw = family == AF_INET
                              ? static_cast<const void*>(&reinterpret_cast<struct sockaddr_in*>(it->ifa_addr)->sin_addr)
                              : static_cast<const void*>(&reinterpret_cast<struct sockaddr_in6*>(it->ifa_addr)->sin6_addr);
        if (::inet_ntop(family, raw, text, sizeof text) == nullptr) {
            continue;
        }
        const QString address = QString::fromLatin1(text);
        if (family == AF_INET6 && address == QLatin1String("::")) {
            continue;
        }
        list.append(address);
    }
    ::freeifaddrs(addresses);
    return true;
}

}  // namespace

bool Common::get_ipv4_linux(QStringList& list)
{
    return addressesOfFamily(AF_INET, list);
}

bool Common::get_ipv6_linux(QStringList& list)
{
    return addressesOfFamily(AF_INET6, list);
}

void Common::get_all_ip_linux(QStringList& v4list, QStringList& v6list)
{
    if (!get_ipv4_linux(v4list)) {
        LOG(ERROR) << "error get_ipv4_linux!";
    }
    if (!get_ipv6_linux(v6list)) {
        LOG(ERROR) << "error get_ipv6_linux!";
    }
    for (int i = 0; i < v4list.size(); ++i) {
        LOG(INFO) << "FUNC(get_all_ip_linux) ipv4[" << i << "]: " << v4list.at(i);
    }
    for (int i = 0; i < v6list.size(); ++i) {
        LOG(INFO) << "FUNC(get_all_ip_linux) ipv6[" << i << "]: " << v6list.at(i);
    }
}

bool Common::usableBrowser(QString& out)
{
    return usableBrowser(out, hostCommandRunner());
}

bool Common::usableBrowser(QString& out, const CommandRunner& run)
{
    QString candidate = browser();
    if (edition().isVesk() && !QFileInfo::exists(candidate)) {
        LOG(INFO) << "syscfg browser not exist, so it's use new version";
        candidate = QStringLiteral("/opt/apps/com.vesk.browser/Program/browser-entry");
    }
    std::string found;
    getSytemBrowser(candidate.toStdString(), found, run);
    out = QString::fromStdString(found).trimmed();
    return !out.isEmpty();
}

namespace {

// The words of a command line as a shell or a desktop file's Exec key splits them: blanks
// separate, double and single quotes group, a backslash escapes.
QStringList commandWords(const QString& command)
{
    QStringList words;
    QString word;
    bool inWord = false;
    for (int i = 0; i < command.size(); ++i) {
        const QChar c = command.at(i);
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inWord) {
                words.append(word);
                word.clear();
                inWord = false;
            }
            continue;
        }
        inWord = true;
        if (c == QLatin1Char('"')) {
            for (++i; i < command.size() && command.at(i) != QLatin1Char('"'); ++i) {
                if (command.at(i) == QLatin1Char('\\') && i + 1 < command.size() &&
                    QStringLiteral("\"`$\\").contains(command.at(i + 1))) {
                    ++i;
                }
                word.append(command.at(i));
            }
        } else if (c == QLatin1Char('\'')) {
            for (++i; i < command.size() && command.at(i) != QLatin1Char('\''); ++i) {
                word.append(command.at(i));
            }
        } else if (c == QLatin1Char('\\') && i + 1 < command.size()) {
            word.append(command.at(++i));
        } else {
            word.append(c);
        }
    }
    if (inWord) {
        words.append(word);
    }
    return words;
}

QString quoted(const QString& text)
{
    return QString::fromStdString(shellQuote(text.toStdString()));
}

}  // namespace

int Common::openURL(const QString& url)
{
    return openURL(url, hostCommandRunner());
}

int Common::openURL(const QString& url, const CommandRunner& run)
{
    // Quoting keeps the URL one argument; a leading dash would still make it an option.
    if (url.startsWith(QLatin1Char('-'))) {
        LOG(ERROR) << "Common::openURL: not a link, refused:" << corvis::logSafe(url);
        return -1;
    }
    QString browserCommand;
    QString command;
    if (usableBrowser(browserCommand, run)) {
        QStringList words;
        for (const QString& word : commandWords(browserCommand)) {
            words.append(quoted(word));
        }
        command = words.join(QLatin1Char(' ')) + QLatin1Char(' ') + quoted(url) + QStringLiteral(" &");
    } else {
        command = QStringLiteral("notify-send -u critical %1 -i %2 &")
                      .arg(quoted(QStringLiteral("未检测到谷歌浏览器，请检查该软件是否已正确安装")),
                           quoted(corvis::paths::logo()));
    }
    LOG(INFO) << "Common::openURL:" << corvis::logSafe(command);
    return corvis_station_execute_cmd(command.toLocal8Bit().constData());
}

QByteArray Common::errorMsg(int code, const QString& msg)
{
    return corvis::errorMsg(code, msg);
}

QByteArray Common::commonMsg(const QString& msg)
{
    return msg.toLocal8Bit();
}

QString Common::wordWrapText(const QFont& font, int width, const QString& text)
{
    if (width <= 0) {
        return text;
    }
    const QFontMetrics metrics(font);
    QString result;
    QString line;
    for (const QChar ch : text) {
        if (ch == QLatin1Char('\n')) {
            result += line + ch;
            line.clear();
            continue;
        }
        if (!line.isEmpty() && metrics.horizontalAdvance(line + ch) > width) {
            result += line + QLatin1Char('\n');
            line.clear();
        }
        line += ch;
    }
    return result + line;
}

void Common::resetCachesForTest()
{
    for (CachedString* cache : {&g_uuid, &g_softName, &g_csSoftName, &g_pcName, &g_deviceMac, &g_vlsUserName,
                                &g_vlsPassword}) {
        cache->reset();
    }
    for (CachedInt* cache : {&g_csMode, &g_oldTray, &g_spaMark, &g_spaLoginType, &g_spaSim, &g_spaOauth}) {
        cache->value.store(-1);
    }
    corvis::Edition::resetCurrentForTest();
    Utility::resetCacheForTest();
}

std::string getCustomProject()
{
    return corvis::ini::readBytes(corvis::paths::sysCfg(), "Mervasso", "customProject", 128).toStdString();
}

bool isCsMode()
{
    return corvis::ini::readBytes(corvis::paths::sysCfg(), "Mervasso", "csmode", 256) == "1";
}

bool isOpenRollbackUpdate()
{
    return corvis::ini::readInt(corvis::paths::sysCfg(), "functions", "rollbackUpdate", 0) == 1;
}
