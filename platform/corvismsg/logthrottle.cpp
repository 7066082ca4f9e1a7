#include "platform/corvismsg/logthrottle.h"

#include "platform/corvismsg/sockio.h"

namespace corvismsg {

bool LogThrottle::allow(uint64_t* suppressed)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const int64_t now = io::nowMs();
    if (any_ && now - last_ < intervalMs_) {
        ++suppressed_;
        return false;
    }
    any_ = true;
    last_ = now;
    if (suppressed != nullptr) {
        *suppressed = suppressed_;
    }
    suppressed_ = 0;
    return true;
}

}  // namespace corvismsg
