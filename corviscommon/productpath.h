#pragma once

#include <QString>
#include <string>

// Every path the product owns (the install root and the sockets, locks and files under /tmp and
// /run) is built here. When CORVISBENCH_PREFIX is set and not empty, its value is put in front of
// the path, so that tests, the demo and the tools run in a directory of their own. Host paths
// (/proc, /sys, /etc, /usr, /bin/sh) never go through this function.

namespace corvis {

inline constexpr const char* kInstallRoot = "/opt/quintrel/orvane";

// The value of CORVISBENCH_PREFIX, or empty.
std::string pathPrefix();

// `path` is an absolute product path as the program names it ("/tmp/.corvisclient.un").
std::string productPath(const std::string& path);
QString productPathQ(const QString& path);

// A path below the install root: installPath("ini/syscfg.ini").
std::string installPath(const std::string& relative);
QString installPathQ(const QString& relative);

// Creates the directory and its parents; returns whether it exists afterwards.
bool makeDirs(const std::string& dir);
// Creates the parent directory of a file path.
bool makeParentDirs(const std::string& file);

}  // namespace corvis
