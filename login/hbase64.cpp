#include "login/hbase64.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// -1 for a character outside the alphabet.
int sextet(unsigned char c)
{
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return -1;
}

}  // namespace

std::string HBase64::encode(unsigned char const* data, int len)
{
    std::string out;
    if (data == nullptr || len <= 0) {
        return out;
    }
    const size_t n = static_cast<size_t>(len);
    out.reserve(encodedBufferSize(n));
    size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        const unsigned int v = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
        out += kAlphabet[(v >> 18) & 0x3F];
        out += kAlphabet[(v >> 12) & 0x3F];
        out += kAlphabet[(v >> 6) & 0x3F];
        out += kAlphabet[v & 0x3F];
    }
    const size_t rest = n - i;
    if (rest > 0) {
        unsigned int v = data[i] << 16;
        if (rest == 2) {
            v |= data[i + 1] << 8;
        }
        out += kAlphabet[(v >> 18) & 0x3F];
        out += kAlphabet[(v >> 12) & 0x3F];
        out += rest == 2 ? kAlphabet[(v >> 6) & 0x3F] : '=';
        out += '=';
    }
    return out;
}

std::string HBase64::decode(std::string const& text)
{
    std::string out;
    decode(text.data(), text.size(), out);
    return out;
}

bool HBase64::decode(const char* text, size_t len, std::string& out)
{
    out.clear();
    if (len == 0) {
        return true;
    }
    if (text == nullptr) {
        return false;
    }
    size_t pad = 0;
    if (len % 4 == 0) {
        if (text[len - 1] == '=') {
            ++pad;
            if (text[len - 2] == '=') {
                ++pad;
            }
        }
    } else if (len % 4 == 1) {
        // A single character cannot hold a whole byte.
        return false;
    }
    const size_t body = len - pad;
    out.reserve(body * 3 / 4 + 3);
    unsigned int acc = 0;
    int bits = 0;
    for (size_t i = 0; i < body; ++i) {
        const int v = sextet(static_cast<unsigned char>(text[i]));
        if (v < 0) {
            out.clear();
            return false;
        }
        acc = (acc << 6) | static_cast<unsigned int>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    // The bits left over must be zero, or the text was not produced by an encoder.
    if ((acc & ((1u << bits) - 1)) != 0) {
        out.clear();
        return false;
    }
    return true;
}
