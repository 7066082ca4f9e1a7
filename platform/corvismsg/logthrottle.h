#pragma once

#include <cstdint>
#include <mutex>

namespace corvismsg {

// Lets one log line through per interval for an event that may repeat without end (a flood of
// refused connections must not fill the disk); the lines left out are counted and the next line
// that passes reports them.
class LogThrottle
{
public:
    explicit LogThrottle(int intervalMs = 1000) : intervalMs_(intervalMs) {}

    // True when a line may be written now; `suppressed` then gets how many were left out since
    // the previous one.
    bool allow(uint64_t* suppressed);

private:
    std::mutex mutex_;
    const int intervalMs_;
    int64_t last_ = 0;
    bool any_ = false;
    uint64_t suppressed_ = 0;
};

}  // namespace corvismsg
