#include "app/startup.h"

#include "app/common.h"
#include "corviscommon/logging.h"

namespace {

using corvis::Edition;

// The free reader's edition (its 128-byte buffer, read afresh).
Edition configuredEdition()
{
    return Edition::fromProject(QString::fromStdString(getCustomProject()));
}

}  // namespace

bool Startup::editionRefused()
{
    if (Common::oldTray() || Common::edition().is(Edition::Id::BrastelZtna)
        || configuredEdition().is(Edition::Id::OstrelBigdata)) {
        LOG(WARNING) << "corvisbench exit, oldTray or PROJECT_IS_BRASTELZTNA or PROJECT_IS_OSTREL_BIGDATA!";
        return true;
    }
    return false;
}

bool Startup::modeRefused()
{
    if (!Common::csMode() && !Common::spaMark()) {
        LOG(WARNING) << "corvisbench exit, csMode != 1 and spamark != 1!";
        return true;
    }
    return false;
}

int Startup::firstPage()
{
    if (configuredEdition().isVesk() || !Common::spaMark()) {
        return 1;
    }
    if (Common::spaUserName().isEmpty()) {
        LOG(INFO) << "spa is Not passed, so show spa page!";
        return 3;
    }
    if (Common::csMode()) {
        LOG(INFO) << "spa is passed, so show login page!";
        return 1;
    }
    return -1;
}
