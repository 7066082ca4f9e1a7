#include "corviscommon/utility.h"

#include "corviscommon/inifile.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <sstream>

namespace {

constexpr int kSandboxTypeUnknown = 2;
std::atomic<int> g_sandboxType{kSandboxTypeUnknown};

std::string sysCfgPath()
{
    return corvis::paths::sysCfg().toLocal8Bit().toStdString();
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

bool Utility::isHuaweiKirinCpu()
{
    return isHuaweiKirinCpu(hostCommandRunner());
}

bool Utility::isHuaweiKirinCpu(const CommandRunner& run)
{
    std::string out;
    run("cat /proc/cpuinfo | grep Hardware", out);
    out = trimmedText(out);
    LOG(INFO) << "isHuaweiKirinCpu output:" << out;
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out.find("kirin") != std::string::npos;
}

bool Utility::parseLscpu(const std::string& text, std::string& name, std::string& arch)
{
    name.clear();
    arch.clear();
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        // Chinese locales print a full-width colon.
        size_t colon = line.find(':');
        size_t width = 1;
        const size_t wide = line.find("：");
        if (wide != std::string::npos && (colon == std::string::npos || wide < colon)) {
            colon = wide;
            width = 3;
        }
        if (colon == std::string::npos) {
            continue;
        }
        const std::string label = trimmedText(line.substr(0, colon));
        const std::string value = trimmedText(line.substr(colon + width));
        if (name.empty() && (label == "Model name" || label == "型号名称")) {
            name = value;
        } else if (arch.empty() && (label == "Architecture" || label == "架构")) {
            arch = value;
        }
    }
    return !name.empty() || !arch.empty();
}

bool Utility::getCpuInfo(std::string& name, std::string& arch)
{
    return getCpuInfo(name, arch, hostCommandRunner());
}

bool Utility::getCpuInfo(std::string& name, std::string& arch, const CommandRunner& run)
{
    std::string out;
    run("lscpu", out);
    return parseLscpu(out, name, arch);
}

bool Utility::isNeedNat()
{
    return isNeedNat(hostCommandRunner());
}

bool Utility::isNeedNat(const CommandRunner& run)
{
    const std::string path = sysCfgPath();
    int udpnat = 0;
    ReadIntFromIni(path.c_str(), "functions", "udpnat", udpnat, 0);
    bool need = udpnat != 0;
    if (!need) {
        int sandboxStatus = 0;
        ReadIntFromIni(path.c_str(), "Mervasso", "sandboxStatus", sandboxStatus, 0);
        LOG(INFO) << "sandboxStatus output:" << sandboxStatus;
        if (sandboxStatus == 1) {
            std::string name;
            std::string arch;
            getCpuInfo(name, arch, run);
            LOG(INFO) << "cpu info name:" << name << " arch:" << arch;
            if (isHuaweiKirinCpu(run)) {
                // Without the transparent proxy the sandbox's UDP traffic has to go through NAT.
                std::string out;
                run("modprobe xt_TPROXY 2>&1", out);
                if (out.find("xt_TPROXY not found") != std::string::npos) {
                    need = true;
                } else {
                    run("lsmod | grep xt_TPROXY", out);
                    need = trimmedText(out).empty();
                }
            }
        }
    }
    LOG(INFO) << "is_need_nat_:" << need;
    return need;
}

void Utility::resetCacheForTest()
{
    g_sandboxType.store(kSandboxTypeUnknown);
}
