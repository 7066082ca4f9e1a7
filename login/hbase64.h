#pragma once

#include <cstddef>
#include <string>

// Base64 with the standard alphabet (A-Z, a-z, 0-9, "+", "/"), "=" padding and no line breaks.
class HBase64
{
public:
    static std::string encode(unsigned char const* data, int len);
    // The bytes of `text`; empty when `text` is not Base64 (see decode below).
    static std::string decode(std::string const& text);

    // Strict decoder: characters of the alphabet only, "=" only as the last one or two
    // characters of a length that is a multiple of 4; an unpadded tail of 2 or 3 characters is
    // accepted. Returns false on anything else, leaving `out` empty.
    static bool decode(const char* text, size_t len, std::string& out);

    // Size of the output buffer an encoder of `len` bytes needs: len * 4 / 3 + 11, which holds
    // the text, its padding and the terminating zero.
    static size_t encodedBufferSize(size_t len) { return len * 4 / 3 + 11; }
};
