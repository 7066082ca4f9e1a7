// corvisinspect host: the host facts the workbench shows and sends, as it finds them now.

#include "tools/corvisinspect/inspectregistry.h"

#include "app/common.h"
#include "corviscommon/machineinfo.h"
#include "corviscommon/osinfo.h"
#include "corviscommon/netinfo.h"
#include "corviscommon/sysusage.h"
#include "corviscommon/utility.h"

#include <QJsonValue>

namespace {

QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

int runHost(const QStringList& args, QJsonObject& out, QString& error)
{
    if (!args.isEmpty()) {
        error = QStringLiteral("host takes no arguments");
        return 1;
    }
    std::string os;
    getSystemOsName(os);
    out.insert(QStringLiteral("getSystemOsName"), q(os));
    out.insert(QStringLiteral("getOsFullName"), q(MachineInfo::getOsFullName()));
    out.insert(QStringLiteral("getOsMinorVersion"), q(MachineInfo::getOsMinorVersion()));
    out.insert(QStringLiteral("isKyliosSystem"), isKyliosSystem());
    out.insert(QStringLiteral("isUosSystem"), isUosSystem());

    std::string mac;
    std::string ip;
    const bool found = MachineInfo::getEthernetInfo(mac, ip);
    // found false: no interface gave an address and the MAC is a random stand-in.
    out.insert(QStringLiteral("getEthernetInfo"),
               QJsonObject{{QStringLiteral("found"), found}, {QStringLiteral("mac"), q(mac)}, {QStringLiteral("ip"), q(ip)}});
    std::string systemMac;
    getSystemMacAddr(systemMac);
    out.insert(QStringLiteral("getSystemMacAddr"), q(systemMac));

    QString browser;
    const bool usable = Common::usableBrowser(browser);
    out.insert(QStringLiteral("usableBrowser"),
               QJsonObject{{QStringLiteral("found"), usable}, {QStringLiteral("browser"), browser}});
    out.insert(QStringLiteral("getSandboxtype"), Utility::getSandboxtype());

    std::string cpuName;
    std::string arch;
    Utility::getCpuInfo(cpuName, arch);
    out.insert(QStringLiteral("getCpuInfo"), QJsonObject{{QStringLiteral("name"), q(cpuName)}, {QStringLiteral("arch"), q(arch)}});
    out.insert(QStringLiteral("isHuaweiKirinCpu"), Utility::isHuaweiKirinCpu());

    out.insert(QStringLiteral("getSysCpuUsage"), getSysCpuUsage());
    out.insert(QStringLiteral("getsysMemUsage"), getsysMemUsage());
    out.insert(QStringLiteral("getsysDiskUsage"), getsysDiskUsage());
    return 0;
}

const InspectRegistrar registrar(QStringLiteral("host"), QStringLiteral("host"), runHost);

}  // namespace
