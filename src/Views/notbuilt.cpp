#include "src/Views/notbuilt.h"

#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"

void logNotBuilt(const char* operation, const QString& detail)
{
    if (detail.isEmpty()) {
        LOG(WARNING) << "FUNC(" << operation << ") not built yet";
    } else {
        LOG(WARNING) << "FUNC(" << operation << ") not built yet, " << corvis::logSafe(detail);
    }
}
