#pragma once

#include <string>
#include <vector>

// One network interface as the host reports it.
struct NetInterfaceInfo {
    std::string name;
    bool up = false;
    bool wireless = false;  // /sys/class/net/<name>/wireless exists
    std::string mac;        // "%02x:..." from SIOCGIFHWADDR; empty when it could not be read
    std::string ipv4;       // first IPv4 address, dotted; empty when none
};

// The MAC address (lower case) and IPv4 address of the primary wired or wireless interface.
// True when an interface gave a real address; false when none did, and then `mac` holds a random
// address from genRandomMACAddr and `ip` is empty.
bool getEthernetInfo(std::string& mac, std::string& ip);

// The decision of getEthernetInfo on a given list of interfaces (discovery order), with its log
// lines and its fallback.
bool getEthernetInfo(const std::vector<NetInterfaceInfo>& interfaces, std::string& mac, std::string& ip);

// The interfaces getEthernetInfo may choose from, in the order it tries them: up, not a
// loopback, CAN, USB gadget, container or bridge interface; wired ones first, then wireless,
// each in discovery order.
std::vector<NetInterfaceInfo> ethernetCandidates(const std::vector<NetInterfaceInfo>& interfaces);

// The host's interfaces; false when getifaddrs or the ioctl socket fails (logged).
bool readNetInterfaces(std::vector<NetInterfaceInfo>& interfaces);

// A random MAC text "XX:XX:XX:XX:XX:XX" of capital hexadecimal digits.
void genRandomMACAddr(std::string& out);

// The MAC address (capitals) of the interface that carries the default route; false when there
// is none or its address cannot be read.
bool getSystemMacAddr(std::string& mac);

// The interface of the default route in the text of /proc/net/route; empty when none.
std::string defaultRouteInterface(const std::string& routeText);
