#pragma once

// Shared by the files of ClientLoginDialog only.

#include "login/logincolors.h"

#include <QString>

namespace clientlogin {

// The pages that own a failure lock count-down.
enum LockPage { LockAccount = 0, LockPhone = 1, LockReset = 2 };

inline QString errorColour()
{
    return LoginColors::error();
}

}  // namespace clientlogin
