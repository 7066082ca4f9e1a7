#pragma once

#include "corviscommon/command.h"

#include <string>

// Operating-system family of the host: "ubuntu", "centos", "uos", "uos-profession", "kylin",
// "neoKylin", or empty when none matches. Returns whether a family was found.
bool getSystemOsName(std::string& out);
bool getSystemOsName(std::string& out, const CommandRunner& run);

// True on a Kylin system (/etc/issue names it).
bool isKyliosSystem();
bool isKyliosSystem(const CommandRunner& run);
// True on a UOS system (/etc/issue names UnionTech or UOS).
bool isUosSystem();
bool isUosSystem(const CommandRunner& run);

// Reads a whole regular file of the host: 0, or -1 when it cannot be opened (or is no regular
// file), -2 when reading fails; errno tells why.
int readHostFile(const std::string& path, std::string& content);

// The value of KEY=value in an os-release style text (/etc/os-release, /etc/lsb-release,
// /etc/os-version): the first line whose key matches, quotes and line ends removed; lines of
// other keys, comments and [section] headers are skipped. Empty when the key is missing.
std::string osReleaseValue(const std::string& text, const std::string& key);
