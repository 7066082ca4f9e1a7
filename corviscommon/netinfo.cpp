#include "corviscommon/netinfo.h"

#include "corviscommon/logging.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kZeroMac = "00:00:00:00:00:00";

bool skippedName(const std::string& name)
{
    for (const char* exact : {"lo", "can0", "can1", "can2", "usb0", "corvis-br0"}) {
        if (name == exact) {
            return true;
        }
    }
    for (const char* prefix : {"veth", "docker", "br-"}) {
        if (name.compare(0, strlen(prefix), prefix) == 0) {
            return true;
        }
    }
    return false;
}

// The hardware address of an interface through SIOCGIFHWADDR, "%02x:..." (or "%02X:...").
bool readHardwareAddress(int sock, const std::string& name, bool capitals, std::string& mac)
{
    struct ifreq req;
    memset(&req, 0, sizeof req);
    if (name.empty() || name.size() >= sizeof req.ifr_name) {
        return false;
    }
    memcpy(req.ifr_name, name.c_str(), name.size());
    if (ioctl(sock, SIOCGIFHWADDR, &req) != 0) {
        return false;
    }
    const unsigned char* b = reinterpret_cast<const unsigned char*>(req.ifr_hwaddr.sa_data);
    char text[18];
    snprintf(text, sizeof text, capitals ? "%02X:%02X:%02X:%02X:%02X:%02X" : "%02x:%02x:%02x:%02x:%02x:%02x", b[0],
             b[1], b[2], b[3], b[4], b[5]);
    mac = text;
    return true;
}

}  // namespace

std::vector<NetInterfaceInfo> ethernetCandidates(const std::vector<NetInterfaceInfo>& interfaces)
{
    std::vector<NetInterfaceInfo> wired;
    std::vector<NetInterfaceInfo> wireless;
    for (const NetInterfaceInfo& iface : interfaces) {
        if (!iface.up || skippedName(iface.name)) {
            continue;
        }
        if (iface.wireless) {
            LOG(INFO) << "find wireless interface name = " << iface.name;
            wireless.push_back(iface);
        } else {
            LOG(INFO) << "find wired interface name = " << iface.name;
            wired.push_back(iface);
        }
    }
    wired.insert(wired.end(), wireless.begin(), wireless.end());
    return wired;
}

bool getEthernetInfo(const std::vector<NetInterfaceInfo>& interfaces, std::string& mac, std::string& ip)
{
    mac.clear();
    ip.clear();
    const std::vector<NetInterfaceInfo> candidates = ethernetCandidates(interfaces);
    if (candidates.empty()) {
        LOG(WARNING) << "No valid network interface found, will use fallback MAC";
    }
    for (const NetInterfaceInfo& candidate : candidates) {
        if (!candidate.mac.empty() && candidate.mac != kZeroMac) {
            mac = candidate.mac;
            ip = candidate.ipv4;
            LOG(INFO) << "getEthernetInfo done, mac=" << mac;
            return true;
        }
    }
    LOG(WARNING) << "No valid MAC found, generating random MAC address as fallback";
    genRandomMACAddr(mac);
    LOG(WARNING) << "Generated fallback MAC: " << mac;
    return false;
}

bool readNetInterfaces(std::vector<NetInterfaceInfo>& interfaces)
{
    interfaces.clear();
    struct ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        LOG(WARNING) << "getifaddrs fail, will use fallback MAC";
        return false;
    }
    for (struct ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
        if (a->ifa_name == nullptr) {
            continue;
        }
        NetInterfaceInfo* iface = nullptr;
        for (NetInterfaceInfo& known : interfaces) {
            if (known.name == a->ifa_name) {
                iface = &known;
            }
        }
        if (iface == nullptr) {
            interfaces.push_back(NetInterfaceInfo());
            iface = &interfaces.back();
            iface->name = a->ifa_name;
        }
        iface->up = iface->up || (a->ifa_flags & IFF_UP) != 0;
        if (a->ifa_addr != nullptr && a->ifa_addr->sa_family == AF_INET && iface->ipv4.empty()) {
            char text[INET_ADDRSTRLEN] = {0};
            const auto* in = reinterpret_cast<const struct sockaddr_in*>(a->ifa_addr);
            if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) {
                iface->ipv4 = text;
            }
        }
    }
    freeifaddrs(list);

    const int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        LOG(WARNING) << "get Ethernet info socket failed, will use fallback MAC";
        return false;
    }
    for (NetInterfaceInfo& iface : interfaces) {
        struct stat st;
        const std::string wireless = "/sys/class/net/" + iface.name + "/wireless";
        iface.wireless = stat(wireless.c_str(), &st) == 0;
        readHardwareAddress(sock, iface.name, false, iface.mac);
    }
    close(sock);
    return true;
}

bool getEthernetInfo(std::string& mac, std::string& ip)
{
    std::vector<NetInterfaceInfo> interfaces;
    if (!readNetInterfaces(interfaces)) {
        interfaces.clear();  // fall back as with no interface at all
    }
    return getEthernetInfo(interfaces, mac, ip);
}

void genRandomMACAddr(std::string& out)
{
    static const char kDigits[] = "0123456789ABCDEF";
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
    srand(static_cast<unsigned int>(ms));
    out.assign(17, ':');
    for (size_t i = 0; i < out.size(); ++i) {
        if (i % 3 != 2) {
            out[i] = kDigits[rand() % 16];
        }
    }
}

std::string defaultRouteInterface(const std::string& routeText)
{
    std::istringstream lines(routeText);
    std::string line;
    std::getline(lines, line);  // header
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name;
        std::string destination;
        if (fields >> name >> destination && destination == "00000000") {
            return name;
        }
    }
    return std::string();
}

bool getSystemMacAddr(std::string& mac)
{
    mac.clear();
    std::ifstream route("/proc/net/route");
    std::stringstream text;
    text << route.rdbuf();
    const std::string name = defaultRouteInterface(text.str());
    if (name.empty()) {
        LOG(WARNING) << "getSystemMacAddr: no default route";
        return false;
    }
    const int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        LOG(WARNING) << "getSystemMacAddr: socket failed: " << strerror(errno);
        return false;
    }
    const bool ok = readHardwareAddress(sock, name, true, mac);
    close(sock);
    if (!ok) {
        LOG(WARNING) << "getSystemMacAddr: cannot read the address of " << name;
    }
    return ok;
}
