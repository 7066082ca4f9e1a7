// Arbitrary pushed messages through the decoder: whole messages as the server hands them over
// (first input byte odd) or bare bodies (even).

#include "comm/serverdeal.h"

#include <glog/logging.h>

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FLAGS_minloglevel = google::GLOG_FATAL;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ServerDeal deal;
    if (size == 0) {
        return 0;
    }
    const bool whole = (data[0] & 1) != 0;
    ++data;
    --size;
    if (whole) {
        // Exactly the received bytes, so that reading past them is caught.
        std::vector<char> message(data, data + size);
        us_post_t post{-1, message.data(), static_cast<int>(message.size())};
        deal.Process(&post);
    } else if (size <= static_cast<size_t>(ServerDeal::kWorkingSize)) {
        std::vector<char> body(size + 1);
        std::memcpy(body.data(), data, size);
        deal._parseProtocol(body.data(), static_cast<int>(size));
    }
    return 0;
}
