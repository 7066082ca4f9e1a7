#pragma once

#include <QMutex>
#include <QString>

#include <cstdint>

namespace corvis {

// Lets one log line through per interval for a warning that may repeat without end (a flood of
// pushes or refused connections must not fill the disk). The lines left out are counted, and the
// next line that passes says how many.
class LogThrottle
{
public:
    explicit LogThrottle(int intervalMs = 1000);

    // True when a line may be written now; `suppressed` then gets how many were left out since
    // the previous one.
    bool allow(uint64_t* suppressed);

    // " (N more since the last line)" for N > 0, else empty: the suffix of a throttled line.
    static QString suffix(uint64_t suppressed);

private:
    QMutex mutex_;
    const int intervalMs_;
    qint64 last_ = 0;
    bool any_ = false;
    uint64_t suppressed_ = 0;
};

}  // namespace corvis
