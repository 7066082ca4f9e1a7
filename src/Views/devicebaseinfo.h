#pragma once

#include "corviscommon/command.h"

#include <QMetaType>
#include <QString>

#include <functional>
#include <string>

// The basic facts of this computer the device page shows.
struct st_deviceBaseInfo {
    QString pcName;
    QString deviceType;  // "笔记本电脑" or "桌面PC"
    QString osName;
    QString uuid;
    QString mac;
    QString ip;

    // Any of the six is empty: the page gathers them again at the next login.
    bool isIncomplete() const;
};
Q_DECLARE_METATYPE(st_deviceBaseInfo)

// Gathers st_deviceBaseInfo from the configuration and the host. It runs shell commands and
// waits between network tries, so it is never called on the GUI thread. A command that fails,
// times out or prints something that is not a short line of text leaves its field empty.
class DeviceBaseInfo
{
public:
    // What the gathering asks of the host; tests play one.
    struct Host {
        CommandRunner run;
        // As getEthernetInfo: true when an interface gave a real address.
        std::function<bool(std::string& mac, std::string& ip)> ethernet;
        std::function<void(int ms)> pause;
    };

    static constexpr int kEthernetTries = 3;
    static constexpr int kEthernetPauseMs = 100;

    // The real host: commands with the host command time-out, getifaddrs, a sleeping pause.
    static Host realHost();

    static const char* batteryCommand();
    static const char* osNameCommand();

    // "笔记本电脑" when the battery query ran and printed something, "桌面PC" when it ran and printed
    // nothing, empty when it failed (unknown: asked again at the next login).
    static QString deviceType(int result, const std::string& output);
    // The trimmed output when it is one short line of printable text, else empty.
    static QString hostText(int result, const std::string& output);

    static st_deviceBaseInfo gather(const Host& host);

    DeviceBaseInfo() = delete;
};
