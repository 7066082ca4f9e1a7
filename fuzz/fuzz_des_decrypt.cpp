// Arbitrary text through Des::Decrypt: the first 8 bytes are the key, the rest the Base64 text.
// Whatever comes in, nothing may be written past the caller's buffer.

#include "login/des.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    unsigned char key[8] = {'H', 'T', 'K', 'R', 'V', '5', '2', '9'};
    if (size >= sizeof(key)) {
        memcpy(key, data, sizeof(key));
        data += sizeof(key);
        size -= sizeof(key);
    }
    const std::string text(reinterpret_cast<const char*>(data), size);

    // A small buffer with a guard zone, then the default 4096-byte one.
    const size_t small = 1 + size % 64;
    std::vector<char> out(small + 16, 'G');
    const int ok = Des::Decrypt(key, nullptr, text.c_str(), out.data(), small);
    for (size_t i = small; i < out.size(); ++i) {
        if (out[i] != 'G') {
            abort();
        }
    }
    if (ok == 1 && strnlen(out.data(), small) == small) {
        abort();  // success must leave a terminated text inside the bound
    }

    std::vector<char> big(Des::kBufferSize, 'G');
    if (Des::Decrypt(key, nullptr, text.c_str(), big.data()) == 1) {
        // The plaintext re-enciphers to the same text when it holds no zero byte.
        const size_t len = strnlen(big.data(), big.size());
        if (len == big.size()) {
            abort();
        }
        std::vector<char> again(16384);
        if (Des::Encrypt(key, nullptr, big.data(), again.data(), again.size()) != 1) {
            abort();
        }
        std::vector<char> check(Des::kBufferSize);
        if (Des::Decrypt(key, nullptr, again.data(), check.data()) != 1 || strcmp(check.data(), big.data()) != 0) {
            abort();
        }
    }
    return 0;
}
