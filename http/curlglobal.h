#pragma once

#include <cstddef>
#include <string>

// Pieces shared by the libcurl users of this folder.
namespace corvis {

// CURLOPT_WRITEFUNCTION (or HEADERFUNCTION) that appends to the std::string given as its data.
size_t curlAppendToString(char* data, size_t size, size_t count, void* userdata);

// The most a libcurl reply may bring (body, and headers apart): a peer must not grow us without end.
constexpr size_t kCurlMaxReply = 8 * 1024 * 1024;

// A string that takes at most `left` more bytes; the write callback below fails the transfer
// (CURLE_WRITE_ERROR) at the first byte beyond, and `overflowed` tells so.
struct CappedString {
    std::string* out;
    size_t left;
    bool overflowed = false;
};
size_t curlAppendCapped(char* data, size_t size, size_t count, void* userdata);

// libcurl code 27 (out of memory) leaves its global state unusable: clean it up and set it up
// again before the next attempt.
void curlReinitAfterOutOfMemory();

}  // namespace corvis
