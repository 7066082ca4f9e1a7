#include "src/Views/devicebaseinfo.h"

#include "app/common.h"
#include "corviscommon/logging.h"
#include "corviscommon/netinfo.h"
#include "corviscommon/secretmask.h"

#include <QThread>

namespace {

// Longer than any machine or OS name; a longer answer is not the line that was asked for.
constexpr int kMaxHostTextLength = 256;

}  // namespace

bool st_deviceBaseInfo::isIncomplete() const
{
    return pcName.isEmpty() || deviceType.isEmpty() || osName.isEmpty() || uuid.isEmpty() || mac.isEmpty() || ip.isEmpty();
}

DeviceBaseInfo::Host DeviceBaseInfo::realHost()
{
    Host host;
    host.run = hostCommandRunner();
    host.ethernet = [](std::string& mac, std::string& ip) { return getEthernetInfo(mac, ip); };
    host.pause = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
    return host;
}

const char* DeviceBaseInfo::batteryCommand()
{
    return "upower -i $(upower -e | grep battery)";
}

const char* DeviceBaseInfo::osNameCommand()
{
    return "cat /etc/os-release | grep PRETTY_NAME | awk -F \"=\" '{print $2}' | tr -d '\\n' | tr -d  '\"'";
}

QString DeviceBaseInfo::deviceType(int result, const std::string& output)
{
    if (result != 0) {
        return QString();
    }
    return trimmedText(output).empty() ? QStringLiteral("桌面PC") : QStringLiteral("笔记本电脑");
}

QString DeviceBaseInfo::hostText(int result, const std::string& output)
{
    if (result != 0) {
        return QString();
    }
    const QString text = QString::fromUtf8(QByteArray::fromStdString(trimmedText(output)));
    if (text.size() > kMaxHostTextLength || text.contains(QChar::ReplacementCharacter)) {
        return QString();
    }
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) {
            return QString();
        }
    }
    return text;
}

st_deviceBaseInfo DeviceBaseInfo::gather(const Host& host)
{
    st_deviceBaseInfo info;
    info.pcName = Common::pcName();
    info.uuid = Common::uuid();

    std::string out;
    int result = host.run(batteryCommand(), out);
    info.deviceType = deviceType(result, out);
    if (info.deviceType.isEmpty()) {
        LOG(WARNING) << "FUNC(DeviceBaseInfo::gather) the battery query failed, device type unknown";
    }
    out.clear();
    result = host.run(osNameCommand(), out);
    info.osName = hostText(result, out);
    if (info.osName.isEmpty()) {
        LOG(WARNING) << "FUNC(DeviceBaseInfo::gather) no operating system name: " << corvis::logSafe(QString::fromStdString(out));
    }

    std::string mac;
    std::string ip;
    bool found = false;
    for (int i = 0; i < kEthernetTries; ++i) {
        mac.clear();
        ip.clear();
        found = host.ethernet(mac, ip);
        if (found && !mac.empty() && !ip.empty()) {
            break;
        }
        LOG(INFO) << QStringLiteral("getEthernetInfo error, mac: %1, ip: %2")
                         .arg(QString::fromStdString(mac), QString::fromStdString(ip));
        if (i + 1 < kEthernetTries) {
            host.pause(kEthernetPauseMs);
        }
    }
    // A failed search leaves a made-up MAC in `mac`: the configuration's values stand in.
    info.mac = found && !mac.empty() ? QString::fromStdString(mac) : Common::deviceMac();
    info.ip = found && !ip.empty() ? QString::fromStdString(ip) : Common::deviceIp();
    return info;
}
