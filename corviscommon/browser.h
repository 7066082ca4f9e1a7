#pragma once

#include "corviscommon/command.h"

#include <string>

// Where the system keeps its desktop files.
inline constexpr const char* kApplicationsDir = "/usr/share/applications";
// The desktop file used when the system names no default browser.
inline constexpr const char* kFallbackBrowserDesktop = "uos-browser.desktop";

// The command of an installed browser. With a `name` (a program name or path), the output of
// "which name"; without one, the system's default browser (getAppBrowser). Returns whether a
// command was found.
bool getSytemBrowser(const std::string& name, std::string& out);
bool getSytemBrowser(const std::string& name, std::string& out, const CommandRunner& run,
                     const std::string& applicationsDir = kApplicationsDir);

// The system's default browser: its desktop file from xdg-mime (uos) or xdg-settings (other
// systems), then the Exec line of that file in the applications directory.
bool getAppBrowser(std::string& out);
bool getAppBrowser(std::string& out, const CommandRunner& run, const std::string& applicationsDir = kApplicationsDir);

// The Exec value of the [Desktop Entry] group of a desktop file, trimmed, with the field codes
// (%u, %U, %f, ...) that only a launcher fills in removed and "%%" turned into "%". False when
// the group has no Exec line.
bool parseDesktopExec(const std::string& content, std::string& exec);
