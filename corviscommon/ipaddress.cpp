#include "corviscommon/ipaddress.h"

#include "corviscommon/logging.h"
#include "corviscommon/versioncompare.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string text(const char* s)
{
    return s == nullptr ? std::string() : std::string(s);
}

bool isIPv6Addr(const char* s)
{
    struct in6_addr addr;
    return s != nullptr && inet_pton(AF_INET6, s, &addr) == 1;
}

bool isLiteral(const std::string& s)
{
    return isIPv4Addr(s.c_str()) || isIPv6Addr(s.c_str());
}

// "address/prefix" split in two; false unless there are exactly two parts and the prefix is a
// decimal number no larger than `maxPrefix`.
bool splitNetwork(const char* net, std::string& address, int& prefix, int maxPrefix = 128)
{
    std::vector<std::string> parts;
    split_string_by_separator(text(net), parts, '/');
    if (parts.size() != 2 || parts[1].empty() || parts[1].size() > 3
        || parts[1].find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    address = parts[0];
    prefix = atoi(parts[1].c_str());
    return prefix <= maxPrefix;
}

void setIPv4(uint32_t value, IPv6Address& address)
{
    address = IPv6Address();
    SetIPv6PartValue(6, static_cast<uint16_t>(value >> 16), address);
    SetIPv6PartValue(7, static_cast<uint16_t>(value & 0xFFFF), address);
}

uint32_t prefixMask(int prefix)
{
    return prefix <= 0 ? 0u : 0xFFFFFFFFu << (32 - prefix);
}

}  // namespace

bool isIPv4Addr(const char* s)
{
    struct in_addr addr;
    return s != nullptr && inet_pton(AF_INET, s, &addr) == 1;
}

uint32_t _to_int(const char* s, int first, int last)
{
    if (s == nullptr || first < 0 || first > last) {
        return 0;
    }
    uint32_t value = 0;
    for (int i = first; i <= last && s[i] != '\0'; ++i) {
        if (s[i] >= '0' && s[i] <= '9') {
            value = value * 10 + static_cast<uint32_t>(s[i] - '0');
        }
    }
    return value;
}

uint32_t ip_to_int(const char* s)
{
    if (s == nullptr || *s == '\0') {
        return 0;
    }
    uint32_t value = 0;
    int octet = 0;
    int start = 0;
    const int len = static_cast<int>(strnlen(s, 64));
    for (int i = 0; i <= len && octet < 4; ++i) {
        if (i == len || s[i] == '.') {
            value |= _to_int(s, start, i - 1) << (8 * (3 - octet));
            ++octet;
            start = i + 1;
        }
    }
    return value;
}

bool isSameNetSementMaskAddr(const char* ip1, const char* ip2, const char* mask)
{
    if (!isIPv4Addr(ip1) || !isIPv4Addr(ip2) || !isIPv4Addr(mask)) {
        return false;
    }
    return ((ip_to_int(ip1) ^ ip_to_int(ip2)) & ip_to_int(mask)) == 0;
}

bool isSameNetSegmentMaskLen(const char* ip, const char* net)
{
    LOG(INFO) << "isSameNetSegmentMaskLen:" << text(ip) << " " << text(net);
    std::string address;
    int prefix = 0;
    bool same = false;
    if (splitNetwork(net, address, prefix, 32) && isIPv4Addr(ip) && isIPv4Addr(address.c_str())) {
        // A prefix of 0 shifts by 32, which wraps to 0: the whole addresses are compared.
        const int shift = (32 - prefix) % 32;
        same = (ip_to_int(ip) >> shift) == (ip_to_int(address.c_str()) >> shift);
    }
    LOG(INFO) << (same ? "Same Net Segment." : "Diffrent Net Segment.");
    return same;
}

bool isBelongIpSegment(const char* start, const char* end, const char* ip)
{
    LOG(INFO) << "isBelongIpSegment:" << text(start) << " " << text(end) << " " << text(ip);
    bool belongs = false;
    if (isIPv4Addr(start) && isIPv4Addr(end) && isIPv4Addr(ip)) {
        const uint32_t value = ip_to_int(ip);
        belongs = ip_to_int(start) <= value && value <= ip_to_int(end);
    }
    LOG(INFO) << (belongs ? "yes isBelongIpSegment" : "no isBelongIpSegment");
    return belongs;
}

bool isBelongPortSegment(const char* start, const char* end, const char* port)
{
    LOG(INFO) << "isBelongPortSegment:" << text(start) << " " << text(end) << " " << text(port);
    const long low = start == nullptr ? 0 : strtol(start, nullptr, 10);
    const long high = end == nullptr ? 0 : strtol(end, nullptr, 10);
    const long value = port == nullptr ? 0 : strtol(port, nullptr, 10);
    const bool belongs = low <= value && value <= high;
    LOG(INFO) << (belongs ? "yes BelongPortSegment" : "not BelongPortSegment");
    return belongs;
}

void SetIPv6PartValue(int index, uint16_t value, IPv6Address& address)
{
    if (index >= 0 && index < 8) {
        address.part[index] = value;
    }
}

bool ChangeIPAddress(const char* s, IPv6Address& address)
{
    if (isIPv4Addr(s)) {
        setIPv4(ip_to_int(s), address);
        return true;
    }
    struct in6_addr addr;
    if (s == nullptr || inet_pton(AF_INET6, s, &addr) != 1) {
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        SetIPv6PartValue(i, static_cast<uint16_t>((addr.s6_addr[2 * i] << 8) | addr.s6_addr[2 * i + 1]), address);
    }
    return true;
}

bool is_ip_between(const IPv6Address& low, const IPv6Address& high, const IPv6Address& x)
{
    auto compare = [](const IPv6Address& a, const IPv6Address& b) {
        for (int i = 0; i < 8; ++i) {
            if (a.part[i] != b.part[i]) {
                return a.part[i] < b.part[i] ? -1 : 1;
            }
        }
        return 0;
    };
    return compare(low, x) <= 0 && compare(x, high) <= 0;
}

bool is_ip_between(const char* low, const char* high, const char* x)
{
    IPv6Address l;
    IPv6Address h;
    IPv6Address v;
    return ChangeIPAddress(low, l) && ChangeIPAddress(high, h) && ChangeIPAddress(x, v) && is_ip_between(l, h, v);
}

bool CalcIPNetScope(const char* net, IPv6Address& low, IPv6Address& high)
{
    std::string address;
    int prefix = 0;
    if (!splitNetwork(net, address, prefix)) {
        return false;
    }
    if (address.find(':') != std::string::npos) {
        IPv6Address parsed;
        if (!isIPv6Addr(address.c_str()) || !ChangeIPAddress(address.c_str(), parsed)) {
            return false;
        }
        // 16 bits per part: the parts wholly below the prefix are cleared and set, the part the
        // prefix cuts is split, the parts above it are kept.
        low = parsed;
        high = parsed;
        for (int i = 0; i < 8; ++i) {
            const int kept = prefix - 16 * i;
            const uint16_t hostBits = kept >= 16 ? 0 : kept <= 0 ? 0xFFFF : static_cast<uint16_t>(0xFFFF >> kept);
            low.part[i] = static_cast<uint16_t>(parsed.part[i] & ~hostBits);
            high.part[i] = static_cast<uint16_t>(parsed.part[i] | hostBits);
        }
        return true;
    }
    if (!isIPv4Addr(address.c_str()) || prefix > 32) {
        return false;
    }
    const uint32_t mask = prefixMask(prefix);
    const uint32_t network = ip_to_int(address.c_str()) & mask;
    setIPv4(network, low);
    setIPv4(network | ~mask, high);
    return true;
}

bool is_ip_in_net(const char* ip, const char* net)
{
    IPv6Address low;
    IPv6Address high;
    IPv6Address value;
    if (!CalcIPNetScope(net, low, high) || !ChangeIPAddress(ip, value)) {
        return false;
    }
    // An IPv4 address never matches an IPv6 network or the other way round.
    const bool netIsV4 = std::string(net).find(':') == std::string::npos;
    return netIsV4 == isIPv4Addr(ip) && is_ip_between(low, high, value);
}

bool checkIPisDomain(const char* s)
{
    const std::string t = text(s);
    if (isLiteral(t)) {
        return false;
    }
    std::vector<std::string> parts;
    if (t.find(',') != std::string::npos) {
        split_string_by_separator(t, parts, ',');
        for (const std::string& part : parts) {
            if (checkIPisDomain(part.c_str())) {
                return true;
            }
        }
        return false;
    }
    if (t.find('-') != std::string::npos) {
        split_string_by_separator(t, parts, '-');
        return parts.size() != 2 || !isLiteral(parts[0]) || !isLiteral(parts[1]);
    }
    if (t.find('/') != std::string::npos) {
        split_string_by_separator(t, parts, '/');
        return parts.size() != 2 || !isLiteral(parts[0]);
    }
    return true;
}
