#include "corviscommon/machineinfo.h"

#include "corviscommon/netinfo.h"
#include "corviscommon/osinfo.h"

namespace {

std::string fileValue(const char* path, const char* key)
{
    std::string text;
    readHostFile(path, text);
    return osReleaseValue(text, key);
}

}  // namespace

std::string MachineInfo::getOsFullName()
{
    return fileValue("/etc/os-release", "PRETTY_NAME");
}

std::string MachineInfo::getOsMinorVersion()
{
    std::string os;
    getSystemOsName(os);
    if (os == "uos" || os == "uos-profession") {
        return fileValue("/etc/os-version", "MinorVersion");
    }
    return fileValue("/etc/os-release", "PROJECT_CODENAME");
}

bool MachineInfo::getEthernetInfo(std::string& mac, std::string& ip)
{
    return ::getEthernetInfo(mac, ip);
}
