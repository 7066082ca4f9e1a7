// Arbitrary texts through the address matchers: checkIPisDomain, CalcIPNetScope, is_ip_in_net
// and the IPv4 range checks. A network's bounds must be ordered and hold its own address.

#include "corviscommon/ipaddress.h"

#include <glog/logging.h>

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The matchers log every call; only errors would matter here.
    FLAGS_minloglevel = google::GLOG_ERROR;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t zero = input.find('\0');
    const std::string first = input.substr(0, zero);
    const std::string second = zero == std::string::npos ? std::string() : input.substr(zero + 1);

    checkIPisDomain(first.c_str());
    IPv6Address low;
    IPv6Address high;
    if (CalcIPNetScope(first.c_str(), low, high)) {
        if (!is_ip_between(low, low, low) || !is_ip_between(low, high, high)) {
            abort();
        }
        const std::string address = first.substr(0, first.find('/'));
        if (!is_ip_in_net(address.c_str(), first.c_str())) {
            abort();
        }
    }
    is_ip_in_net(second.c_str(), first.c_str());
    isSameNetSegmentMaskLen(second.c_str(), first.c_str());
    isBelongIpSegment(first.c_str(), second.c_str(), first.c_str());
    isBelongPortSegment(first.c_str(), second.c_str(), second.c_str());
    ip_to_int(first.c_str());
    IPv6Address parsed;
    ChangeIPAddress(first.c_str(), parsed);
    return 0;
}
