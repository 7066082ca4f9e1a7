#include "corviscommon/logthrottle.h"

#include <QDeadlineTimer>

namespace corvis {

namespace {

qint64 nowMs()
{
    return QDeadlineTimer::current(Qt::PreciseTimer).deadline();
}

}  // namespace

LogThrottle::LogThrottle(int intervalMs) : intervalMs_(intervalMs) {}

bool LogThrottle::allow(uint64_t* suppressed)
{
    QMutexLocker lock(&mutex_);
    const qint64 now = nowMs();
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

QString LogThrottle::suffix(uint64_t suppressed)
{
    return suppressed > 0 ? QStringLiteral(" (%1 more since the last line)").arg(suppressed) : QString();
}

}  // namespace corvis
