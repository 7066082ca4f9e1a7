#pragma once

#include "corviscommon/rapidjson.h"

#include <cstddef>
#include <string>

// Parsing JSON that comes from outside (controller and sandbox-service replies). TLS to the
// controller is not verified, so anyone in the path may send anything: a text is refused before
// parsing when it is longer than kMaxText or nests objects and arrays deeper than kMaxDepth (a
// recursive parse of 150,000 levels overflows the stack), and the parse itself is iterative.
namespace corvis {
namespace json {

constexpr size_t kMaxText = 8 * 1024 * 1024;
constexpr int kMaxDepth = 128;

// True and the document when `text` is acceptable and valid JSON; false (the document left null
// or with its parse error) otherwise.
bool parseReply(rapidjson::Document& doc, const std::string& text);

// How deeply objects and arrays nest in `text` (brackets inside strings do not count); the count
// stops at limit + 1.
int nestingDepth(const char* text, size_t length, int limit);

}  // namespace json
}  // namespace corvis
