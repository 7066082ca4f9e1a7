#pragma once

#include "corviscommon/command.h"

#include <string>

// Host checks of the client family. Used through static functions; the one piece of state, the
// cached sandbox type, lives for the process.
class Utility
{
public:
    // Sandbox type from sandboxtype of [Mervasso] in syscfg.ini: 0 and 1 are read once and kept;
    // any other value is returned as 2 ("not known") and read again on the next call.
    static int getSandboxtype();

    // True when the Hardware line of /proc/cpuinfo names a Kirin processor.
    static bool isHuaweiKirinCpu();
    static bool isHuaweiKirinCpu(const CommandRunner& run);

    // Processor model name and architecture from lscpu (English or Chinese labels); false when
    // neither was found.
    static bool getCpuInfo(std::string& name, std::string& arch);
    static bool getCpuInfo(std::string& name, std::string& arch, const CommandRunner& run);
    // The model name and architecture in an lscpu text.
    static bool parseLscpu(const std::string& text, std::string& name, std::string& arch);

    // Whether UDP traffic needs NAT: udpnat of [functions] in syscfg.ini when set; otherwise,
    // with the sandbox on (sandboxStatus of [Mervasso] is 1) on a Kirin processor, when the
    // transparent-proxy module xt_TPROXY cannot be loaded. Only then is modprobe run.
    static bool isNeedNat();
    static bool isNeedNat(const CommandRunner& run);

    // Forgets the cached sandbox type (tests change the configuration between cases).
    static void resetCacheForTest();

    Utility() = delete;
};
