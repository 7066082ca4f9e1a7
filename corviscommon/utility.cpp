#include "corviscommon/utility.h"

#include "corviscommon/inifile.h"
#include "corviscommon/productpath.h"

#include <atomic>

namespace {

constexpr int kSandboxTypeUnknown = 2;
std::atomic<int> g_sandboxType{kSandboxTypeUnknown};

std::string sysCfgPath()
{
    return corvis::installPath("ini/syscfg.ini");
}

}  // namespace

int Utility::getSandboxtype()
{
    const int cached = g_sandboxType.load();
    if (cached != kSandboxTypeUnknown) {
        return cached;
    }
    int type = 0;
    ReadIntFromIni(sysCfgPath().c_str(), "Mervasso", "sandboxtype", type, 0);
    if (type != 0 && type != 1) {
        return kSandboxTypeUnknown;
    }
    g_sandboxType.store(type);
    return type;
}

void Utility::resetCacheForTest()
{
    g_sandboxType.store(kSandboxTypeUnknown);
}
