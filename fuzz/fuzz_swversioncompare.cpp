// Two arbitrary texts (split at the first zero byte) through SWVersionCompare: the result is
// -1, 0 or 1, and swapping the texts negates it.

#include "corviscommon/versioncompare.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t zero = input.find('\0');
    const std::string a = input.substr(0, zero);
    const std::string b = zero == std::string::npos ? std::string() : input.substr(zero + 1);
    const int ab = SWVersionCompare(a.c_str(), b.c_str());
    const int ba = SWVersionCompare(b.c_str(), a.c_str());
    if (ab < -1 || ab > 1 || ab != -ba || SWVersionCompare(a.c_str(), a.c_str()) != 0) {
        abort();
    }
    return 0;
}
