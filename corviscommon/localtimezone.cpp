#include "corviscommon/localtimezone.h"

#include <cstdlib>
#include <ctime>

namespace corvis {

void pinLocalTimeZone()
{
    if (std::getenv("TZ") != nullptr) {
        return;
    }
    ::setenv("TZ", ":/etc/localtime", 0);
    ::tzset();
}

}  // namespace corvis
