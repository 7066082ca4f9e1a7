#pragma once

#include "corviscommon/command.h"
#include "corviscommon/edition.h"

#include <QByteArray>
#include <QFont>
#include <QObject>
#include <QString>
#include <QStringList>
#include <string>

// Accessors of the system configuration (ini/syscfg.ini) and the user information
// (ini/userinfo.ini), and a few host helpers. Used only through static functions.
//
// The files are read on every call except for the values marked cached: a cached string is read
// again while it is empty; a cached integer is read once per process. Accessors are called from
// the GUI thread and from request threads; the caches are guarded so a race costs a second read.
class Common : public QObject
{
    Q_OBJECT
public:
    static QString sysCfgPath();
    static QString userInfoPath();

    // syscfg.ini
    static QString portalIp();
    static QString uuid();
    static QString softName();
    static QString csSoftName();
    static QString version();
    static QString company();
    // The custom project id; every question about the edition goes to edition().
    static QString customProject();
    // The edition that customProject names (corvis::Edition::current()).
    static corvis::Edition edition();
    static QString browser();
    static QString kavItsm();
    static int closeTrayRemind();
    static int openTamsinPortal();
    static void setOpenTamsinPortal(bool open);
    static int rememberAccount();
    static void setRememberAccount(bool remember);
    static int rememberPhone();
    static void setRememberPhone(bool remember);
    static bool csMode();
    static bool oldTray();
    static bool spaMark();
    static int spaLoginType();
    static int spaSim();
    static bool spaOauth();

    // userinfo.ini
    static QString pcName();
    static QString deviceMac();
    static QString deviceIp();
    static QString userName();
    static QString userFullName();
    static QString department();
    static QString phoneNumber();
    static QString pwdExpiredTime();
    static QString allowChangePwd();
    static QString allowChangePhone();
    static QString csUserName();
    static void setCsUserName(const QString& name);
    static QString csUserPhone();
    static void setCsUserPhone(const QString& phone);
    static QString spaUserName();
    static int spaType();
    static QString vlsUserName();
    static QString vlsPassword();
    static bool portalDisplayMode();
    static void setPortalDisplayMode(int mode);
    static QString sandboxInfo();
    // The session of the last login as the client service stored it (trimmed); empty before the
    // first one.
    static QString sessionIdDes();
    static QString currentNetmodeId();
    static int netmodeCount();

    // Host helpers.
    static QString unameMachine();
    static QString unameRelease();
    static bool get_ipv4_linux(QStringList& list);
    static bool get_ipv6_linux(QStringList& list);
    static void get_all_ip_linux(QStringList& v4list, QStringList& v6list);

    // The browser program for opening links: the configured one (or, in the vesk editions when
    // that file is missing, the vesk browser), resolved through getSytemBrowser, trimmed.
    // Returns whether one was found. `run` stands in for the shell in tests.
    static bool usableBrowser(QString& out);
    static bool usableBrowser(QString& out, const CommandRunner& run);

    // Opens `url` in the usable browser, or without one shows a critical desktop notification,
    // by having the user station run the command in the desktop session. Every word of the
    // command is quoted for the shell: the URL (it comes from the controller's documents) and the
    // browser's words reach the program as literal arguments; a "URL" that begins with a dash is
    // refused (-1). Returns the station's send result (0 sent). `run` stands in for the shell of
    // the browser lookup in tests.
    static int openURL(const QString& url);
    static int openURL(const QString& url, const CommandRunner& run);

    // "Error Code: 0x.." [", Error Msg: .."] as local 8-bit text, returned by value so that it
    // lives as long as the log statement that uses it (corvis::errorMsg).
    static QByteArray errorMsg(int code, const QString& msg = QString());
    static QByteArray commonMsg(const QString& msg);

    // Breaks `text` with "\n" so that each line fits `width` pixels in `font`.
    static QString wordWrapText(const QFont& font, int width, const QString& text);
    template <class Label>
    static QString wordWrapText(Label* label, const QString& text)
    {
        return wordWrapText(label->font(), label->width(), text);
    }

    // Forgets every cached value, so that a test can change the files between cases.
    static void resetCachesForTest();
};

// The customProject value as a standard string (128-byte buffer, default empty).
std::string getCustomProject();
// True when csmode reads exactly "1".
bool isCsMode();
// True when rollbackUpdate of section functions is the integer 1.
bool isOpenRollbackUpdate();
