#include "src/PolicyAnalyzer/fastjsondocument.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <cmath>
#include <vector>

namespace {

std::atomic<bool> g_disabled{false};

// An escaped UTF-16 surrogate ("\uD800".."\uDFFF"). Qt keeps a lone one as it is, RapidJSON
// refuses a lone high one and encodes a lone low one as bytes that are not UTF-8. `escapes` tells
// whether there is a backslash at all.
bool hasSurrogateEscape(const char* data, size_t size, bool& escapes)
{
    const char* end = data + size;
    escapes = false;
    for (const char* at = data; (at = static_cast<const char*>(std::memchr(at, '\\', size_t(end - at)))) != nullptr;) {
        escapes = true;
        if (end - at >= 4 && at[1] == 'u' && (at[2] == 'd' || at[2] == 'D')) {
            const char c = at[3];
            if ((c >= '8' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) {
                return true;
            }
        }
        if (end - at <= 2) {
            break;
        }
        at += 2;  // the escaped character cannot start another escape
    }
    return false;
}

// A number whose digits are all zeros, with a fraction or an exponent ("0e80", "-0.0E-40", "0.000…0"
// past 22 places). RapidJSON's full-precision conversion normalises its zero significand with
// clz(0), which is undefined and in practice a wrong value instead of 0; such a document goes to Qt.
// Strings are skipped; a number-like text in a string cannot send a document to Qt.
bool hasScaledZero(const char* data, size_t size)
{
    const char* const end = data + size;
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (const char* at = data; at < end;) {
        const char c = *at;
        if (c == '"') {
            // To the closing quote: one not preceded by an odd run of backslashes.
            const char* from = at + 1;
            for (;;) {
                const char* quote = static_cast<const char*>(std::memchr(from, '"', size_t(end - from)));
                if (quote == nullptr) {
                    return false;  // an unclosed string: no number follows that RapidJSON would convert
                }
                const char* run = quote;
                while (run > from && run[-1] == '\\') {
                    --run;
                }
                from = quote + 1;
                if ((quote - run) % 2 == 0) {
                    break;
                }
            }
            at = from;
        } else if (c == '-' || isDigit(c)) {
            const char* p = c == '-' ? at + 1 : at;
            bool digits = false;
            bool nonZero = false;
            bool scaled = false;
            for (; p < end && (isDigit(*p) || *p == '.'); ++p) {
                if (*p == '.') {
                    scaled = true;
                } else {
                    digits = true;
                    nonZero = nonZero || *p != '0';
                }
            }
            if (p < end && (*p == 'e' || *p == 'E')) {
                scaled = true;
            }
            if (digits && !nonZero && scaled) {
                return true;
            }
            while (p < end && (isDigit(*p) || *p == '.' || *p == 'e' || *p == 'E' || *p == '+' || *p == '-')) {
                ++p;
            }
            at = p;
        } else {
            ++at;
        }
    }
    return false;
}

// Whether `data` is UTF-8 as Qt and RapidJSON accept it: no overlong forms, no surrogates, nothing
// above U+10FFFF. Checked once over the whole text, runs of ASCII eight bytes at a time; outside
// strings any byte above 0x7F is an error for both parsers anyway.
bool isValidUtf8(const unsigned char* data, size_t size)
{
    const unsigned char* at = data;
    const unsigned char* const end = data + size;
    while (at < end) {
        if (end - at >= 8) {
            uint64_t word;
            std::memcpy(&word, at, sizeof word);
            if ((word & 0x8080808080808080ULL) == 0) {
                at += 8;
                continue;
            }
        }
        const unsigned char c = *at;
        if (c < 0x80) {
            ++at;
            continue;
        }
        int follow;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            follow = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            follow = 2;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            follow = 3;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (end - at <= follow || at[1] < low || at[1] > high) {
            return false;
        }
        for (int i = 2; i <= follow; ++i) {
            if (at[i] < 0x80 || at[i] > 0xBF) {
                return false;
            }
        }
        at += follow + 1;
    }
    return true;
}

// Builds the document from the reader's events, refusing what Qt would read otherwise.
class Builder
{
public:
    explicit Builder(rapidjson::Document& document) : document_(document) {}

    bool Null() { return document_.Null(); }
    bool Bool(bool b) { return document_.Bool(b); }
    bool Int(int i) { return document_.Int(i); }
    bool Uint(unsigned u) { return document_.Uint(u); }
    bool Int64(int64_t i) { return document_.Int64(i); }
    bool Uint64(uint64_t u) { return document_.Uint64(u); }
    // Qt refuses a number that underflows to 0 or overflows; an exact 0 written with a fraction or
    // an exponent is rare enough to leave to Qt as well.
    bool Double(double d) { return d != 0.0 && std::isfinite(d) && document_.Double(d); }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool copy) { return document_.RawNumber(text, length, copy); }
    bool String(const char* text, rapidjson::SizeType length, bool copy) { return document_.String(text, length, copy); }
    bool Key(const char* text, rapidjson::SizeType length, bool copy)
    {
        keys_.push_back(Name{text, length});
        return document_.Key(text, length, copy);
    }
    bool StartObject()
    {
        objectStarts_.push_back(keys_.size());
        return ++depth_ <= FastJsonDocument::kMaxDepth && document_.StartObject();
    }
    bool EndObject(rapidjson::SizeType members)
    {
        --depth_;
        const size_t start = objectStarts_.back();
        objectStarts_.pop_back();
        // Qt sorts an object's members with std::sort and keeps the last of equal keys in the
        // sorted order: the last in the text for up to 16 members, where that sort is an
        // insertion sort, but any of them beyond. Such an object is left to Qt.
        const bool agrees = members <= kStableSortLimit || !hasDuplicate(start);
        keys_.resize(start);
        return agrees && document_.EndObject(members);
    }
    bool StartArray() { return ++depth_ <= FastJsonDocument::kMaxDepth && document_.StartArray(); }
    bool EndArray(rapidjson::SizeType elements)
    {
        --depth_;
        return document_.EndArray(elements);
    }

private:
    struct Name {
        const char* text;
        rapidjson::SizeType length;
        bool operator<(const Name& other) const
        {
            return length != other.length ? length < other.length : std::memcmp(text, other.text, length) < 0;
        }
        bool operator==(const Name& other) const { return length == other.length && std::memcmp(text, other.text, length) == 0; }
    };

    static constexpr rapidjson::SizeType kStableSortLimit = 16;

    bool hasDuplicate(size_t start) const
    {
        std::vector<Name> names(keys_.begin() + static_cast<std::ptrdiff_t>(start), keys_.end());
        std::sort(names.begin(), names.end());
        return std::adjacent_find(names.begin(), names.end()) != names.end();
    }

    rapidjson::Document& document_;
    int depth_ = 0;
    std::vector<Name> keys_;            // of the objects open, in order
    std::vector<size_t> objectStarts_;  // where each open object's keys start in keys_
};

}  // namespace

bool FastJsonDocument::acceptable(const QByteArray& bytes, bool& escapes)
{
    const char* data = bytes.constData();
    const size_t size = size_t(bytes.size());
    // The stream below ends at the first NUL; Qt reads on and refuses what follows.
    return !g_disabled.load(std::memory_order_relaxed) && std::memchr(data, '\0', size) == nullptr &&
           !hasSurrogateEscape(data, size, escapes) && isValidUtf8(reinterpret_cast<const unsigned char*>(data), size) &&
           !hasScaledZero(data, size);
}

bool FastJsonDocument::parse(const QByteArray& bytes)
{
    bool escapes = false;
    if (!acceptable(bytes, escapes)) {
        return false;
    }
    // Strings are decoded in place, in a copy: the caller keeps the bytes for Qt should this decline.
    text_ = QByteArray(bytes.constData(), bytes.size());
    return parseText();
}

bool FastJsonDocument::parseTaking(QByteArray& bytes)
{
    bool escapes = false;
    if (!acceptable(bytes, escapes)) {
        return false;
    }
    if (escapes) {
        // Decoding an escape moves the rest of its string: the bytes could not be given back.
        text_ = QByteArray(bytes.constData(), bytes.size());
        if (!parseText()) {
            return false;
        }
        bytes = QByteArray();
        return true;
    }
    text_ = QByteArray();
    text_.swap(bytes);
    if (parseText()) {
        return true;
    }
    // Without escapes, parsing in place changed nothing but the closing quote of each string read,
    // which became a NUL; the text held none before.
    char* const data = text_.data();
    std::replace(data, data + text_.size(), '\0', '"');
    text_.swap(bytes);
    return false;
}

bool FastJsonDocument::parseText()
{
    bool parsed = false;
    // Iterative: a deep document cannot exhaust the stack. Full precision: numbers as strtod reads
    // them. The encoding was checked before.
    auto generate = [this, &parsed](rapidjson::Document& document) {
        Builder builder(document);
        rapidjson::InsituStringStream stream(text_.data());
        rapidjson::Reader reader;
        parsed = !reader
                      .Parse<rapidjson::kParseIterativeFlag | rapidjson::kParseFullPrecisionFlag | rapidjson::kParseInsituFlag>(
                          stream, builder)
                      .IsError();
        return parsed;
    };
    document_.Populate(generate);
    return parsed && (document_.IsObject() || document_.IsArray());
}

void FastJsonDocument::setDisabled(bool on) { g_disabled.store(on, std::memory_order_relaxed); }

bool FastJsonDocument::disabled() { return g_disabled.load(std::memory_order_relaxed); }
