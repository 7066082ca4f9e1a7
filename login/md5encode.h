#pragma once

#include <string>

// MD5 (RFC 1321) of the bytes of a text, as 32 lower-case hexadecimal characters.
class Md5Encode
{
public:
    // Empty only when OpenSSL cannot provide MD5 (logged).
    static std::string Encode(std::string text);
};
