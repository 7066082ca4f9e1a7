// Arbitrary text through HBase64::decode: a text it accepts encodes back to itself (with its
// padding restored); a text it refuses gives nothing.

#include "login/hbase64.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string bytes;
    const bool ok = HBase64::decode(text.data(), text.size(), bytes);
    if (!ok) {
        if (!bytes.empty() || !HBase64::decode(text).empty()) {
            abort();
        }
        return 0;
    }
    std::string padded = text;
    while (padded.size() % 4 != 0) {
        padded += '=';
    }
    const std::string again = HBase64::encode(reinterpret_cast<const unsigned char*>(bytes.data()),
                                              static_cast<int>(bytes.size()));
    if (again != padded) {
        abort();
    }
    return 0;
}
