#pragma once

#include <cstddef>

// Pieces shared by the libcurl users of this folder.
namespace corvis {

// CURLOPT_WRITEFUNCTION (or HEADERFUNCTION) that appends to the std::string given as its data.
size_t curlAppendToString(char* data, size_t size, size_t count, void* userdata);

// libcurl code 27 (out of memory) leaves its global state unusable: clean it up and set it up
// again before the next attempt.
void curlReinitAfterOutOfMemory();

}  // namespace corvis
