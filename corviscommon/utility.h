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

    // Forgets the cached sandbox type (tests change the configuration between cases).
    static void resetCacheForTest();

    Utility() = delete;
};
