#include "corviscommon/versioncompare.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kVersionBuffer = 256;
// A length text is no licence to exhaust memory.
constexpr long kMaxRandomLength = 1 << 20;

std::vector<std::string> versionPieces(const char* text)
{
    std::string copy = text == nullptr ? std::string() : std::string(text, strnlen(text, kVersionBuffer - 1));
    for (char& c : copy) {
        if (c < '0' || c > '9') {
            c = '.';
        }
    }
    std::vector<std::string> pieces;
    if (!copy.empty()) {
        split_string_by_separator(copy, pieces, '.');
    }
    return pieces;
}

}  // namespace

int SWVersionCompare(const char* a, const char* b)
{
    if (a == b) {
        return 0;
    }
    const std::vector<std::string> left = versionPieces(a);
    const std::vector<std::string> right = versionPieces(b);
    const size_t n = left.size() > right.size() ? left.size() : right.size();
    for (size_t i = 0; i < n; ++i) {
        std::string x = i < left.size() ? left[i] : std::string("0");
        std::string y = i < right.size() ? right[i] : std::string("0");
        std::string& shorter = x.size() < y.size() ? x : y;
        const size_t fill = x.size() > y.size() ? x.size() - y.size() : y.size() - x.size();
        if (i == 0) {
            shorter.insert(0, fill, '0');
        } else {
            shorter.append(fill, '0');
        }
        const int cmp = memcmp(x.data(), y.data(), x.size());
        if (cmp < 0) {
            return -1;
        }
        if (cmp > 0) {
            return 1;
        }
    }
    return 0;
}

void split_string_by_separator(const std::string& text, std::vector<std::string>& out, char separator)
{
    out.clear();
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        if (at == std::string::npos) {
            out.push_back(text.substr(start));
            return;
        }
        out.push_back(text.substr(start, at - start));
        start = at + 1;
    }
}

std::string concatenate_string(const std::vector<std::string>& pieces)
{
    std::string joined;
    for (const std::string& piece : pieces) {
        joined += piece;
    }
    return joined;
}

void GetRandomString(const std::string& alphabet, const std::string& length, std::string& out)
{
    out.clear();
    const long count = strtol(length.c_str(), nullptr, 10);
    if (alphabet.empty() || count <= 0 || count > kMaxRandomLength) {
        return;
    }
    out.reserve(static_cast<size_t>(count));
    for (long i = 0; i < count; ++i) {
        out += alphabet[static_cast<size_t>(rand()) % alphabet.size()];
    }
}
