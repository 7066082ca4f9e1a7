#pragma once

#include <string>

// Facts about this machine sent to the controller with the device information.
class MachineInfo
{
public:
    // PRETTY_NAME of /etc/os-release, quotes and line ends removed.
    static std::string getOsFullName();
    // On uos: MinorVersion of /etc/os-version; elsewhere: PROJECT_CODENAME of /etc/os-release.
    static std::string getOsMinorVersion();
    // The primary interface's MAC and IPv4 address, as getEthernetInfo.
    static bool getEthernetInfo(std::string& mac, std::string& ip);

    MachineInfo() = delete;
};
