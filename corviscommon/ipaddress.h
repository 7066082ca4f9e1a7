#pragma once

#include <cstdint>

// Address, port and network matching on texts. IPv4 addresses are handled as 32-bit numbers,
// first octet in the top byte.

// Eight 16-bit parts; part 0 is the first part of the written address (most significant). An
// IPv4 address sits in parts 6 and 7.
struct IPv6Address {
    uint16_t part[8] = {0, 0, 0, 0, 0, 0, 0, 0};
};

bool isIPv4Addr(const char* text);

// Decimal value of the digits of text[first..last]; other characters are skipped; 0 when
// first > last. Never reads past the end of the text.
uint32_t _to_int(const char* text, int first, int last);

// The four dot-separated octets at bits 31..24, 23..16, 15..8, 7..0 (no range check); 0 for an
// empty text.
uint32_t ip_to_int(const char* text);

// All three IPv4 and (ip1 XOR ip2) AND mask is 0.
bool isSameNetSementMaskAddr(const char* ip1, const char* ip2, const char* mask);
// Both addresses IPv4 and equal in the top prefix bits of "address/prefix" (prefix 0 to 32;
// a prefix of 0 compares the whole addresses).
bool isSameNetSegmentMaskLen(const char* ip, const char* net);
// All three IPv4 and start <= ip <= end.
bool isBelongIpSegment(const char* start, const char* end, const char* ip);
// start <= port <= end, each read as a decimal number (anything else reads as 0).
bool isBelongPortSegment(const char* start, const char* end, const char* port);

// Stores value in part `index` (0..7); any other index does nothing.
void SetIPv6PartValue(int index, uint16_t value, IPv6Address& address);
// An IPv4 or IPv6 text into `address`; false when it is neither.
bool ChangeIPAddress(const char* text, IPv6Address& address);

// low <= x <= high as 128-bit numbers.
bool is_ip_between(const IPv6Address& low, const IPv6Address& high, const IPv6Address& x);
// The same on texts; false when any of them is no address.
bool is_ip_between(const char* low, const char* high, const char* x);

// The first and last address of "address/prefix" (IPv4 prefix 0..32, IPv6 0..128); false when
// the text is not such a network.
bool CalcIPNetScope(const char* net, IPv6Address& low, IPv6Address& high);
// The address lies in the network "address/prefix".
bool is_ip_in_net(const char* ip, const char* net);

// False when the text is an address, a list of them separated by ",", a range "a-b" of two
// addresses or a network "address/prefix"; true otherwise (a domain name).
bool checkIPisDomain(const char* text);
