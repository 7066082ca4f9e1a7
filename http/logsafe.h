#pragma once

#include <string>

// Session ids, tokens and verify keys cross the HTTP layer in bodies, headers and cookies; they
// are masked before any of these reach a log line.
namespace corvis {

// "****" for a non-empty secret, "" for an empty one.
std::string maskedSecret(const std::string& secret);
// `text` with every occurrence of `secret` masked.
std::string withoutSecret(std::string text, const std::string& secret);
// A cookie header with every value masked: "corvis_sessionid=****; a=****".
std::string maskedCookie(const std::string& cookie);

}  // namespace corvis
