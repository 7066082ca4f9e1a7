#include "platform/corvismsg/msgoptions.h"

#include <atomic>
#include <cstdlib>

namespace corvismsg {
namespace {

int initialTimeout()
{
    const char* value = std::getenv("CORVISMSG_RECV_TIMEOUT_MS");
    if (value != nullptr && *value != '\0') {
        char* end = nullptr;
        const long ms = std::strtol(value, &end, 10);
        if (end != nullptr && *end == '\0' && ms > 0 && ms <= 3600 * 1000) {
            return static_cast<int>(ms);
        }
    }
    return 30000;
}

std::atomic<int>& timeoutValue()
{
    static std::atomic<int> value{initialTimeout()};
    return value;
}

}  // namespace

int receiveTimeoutMs()
{
    return timeoutValue().load();
}

void setReceiveTimeoutMs(int ms)
{
    timeoutValue().store(ms > 0 ? ms : 1);
}

}  // namespace corvismsg
