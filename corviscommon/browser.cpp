#include "corviscommon/browser.h"

#include "corviscommon/logging.h"
#include "corviscommon/osinfo.h"

#include <cerrno>
#include <cstring>

namespace {

// The first line of a command's output, trimmed.
std::string firstLine(const std::string& text)
{
    const std::string trimmed = trimmedText(text);
    return trimmedText(trimmed.substr(0, trimmed.find('\n')));
}

// The desktop file the system names as its default browser; empty when it names none.
std::string defaultBrowserDesktop(const CommandRunner& run)
{
    std::string os;
    if (!getSystemOsName(os, run)) {
        LOG(WARNING) << "got os name failed";
    }
    std::string out;
    if (os == "uos" || os == "uos-profession") {
        run("xdg-mime query default text/html", out);
        LOG(INFO) << "xdg-mine output: " << trimmedText(out);
        if (out.find("deepin-editor") != std::string::npos) {
            // The editor claims HTML files on some uos installs; the system browser is still there.
            run("find /usr/share/applications -name org.deepin.browser.desktop", out);
        }
    } else {
        run("xdg-settings get default-web-browser", out);
    }
    std::string desktop = firstLine(out);
    // find prints a path; only the file name is looked up in the applications directory.
    const size_t slash = desktop.rfind('/');
    if (slash != std::string::npos) {
        desktop = desktop.substr(slash + 1);
    }
    if (desktop == "." || desktop == "..") {
        desktop.clear();
    }
    return desktop;
}

}  // namespace

bool parseDesktopExec(const std::string& content, std::string& exec)
{
    exec.clear();
    bool inEntry = false;
    bool sawGroup = false;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        const std::string line = trimmedText(content.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            sawGroup = true;
            continue;
        }
        // Actions ("new window", ...) have Exec lines of their own; only the entry's counts.
        if (sawGroup && !inEntry) {
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos || trimmedText(line.substr(0, eq)) != "Exec") {
            continue;
        }
        const std::string value = line.substr(eq + 1);
        std::string cleaned;
        for (size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '%' && i + 1 < value.size()) {
                if (value[i + 1] == '%') {
                    cleaned += '%';
                }
                ++i;
                continue;
            }
            cleaned += value[i];
        }
        // Field codes leave runs of blanks behind.
        std::string single;
        for (char c : trimmedText(cleaned)) {
            if (!(c == ' ' && !single.empty() && single.back() == ' ')) {
                single += c;
            }
        }
        exec = single;
        return !exec.empty();
    }
    return false;
}

bool getAppBrowser(std::string& out)
{
    return getAppBrowser(out, hostCommandRunner());
}

bool getAppBrowser(std::string& out, const CommandRunner& run, const std::string& applicationsDir)
{
    out.clear();
    std::string desktop = defaultBrowserDesktop(run);
    if (desktop.empty()) {
        LOG(WARNING) << "got default web browser failed";
        desktop = kFallbackBrowserDesktop;
    }
    const std::string path = applicationsDir + "/" + desktop;
    std::string content;
    const int read = readHostFile(path, content);
    const int error = errno;
    if (read == -1) {
        LOG(WARNING) << "open desktop file failed:" << path << " " << strerror(error);
        return false;
    }
    if (read != 0) {
        LOG(WARNING) << "fread failed";
        return false;
    }
    if (!parseDesktopExec(content, out)) {
        LOG(WARNING) << "desktop file missing Exec:" << path;
        return false;
    }
    return true;
}

bool getSytemBrowser(const std::string& name, std::string& out)
{
    return getSytemBrowser(name, out, hostCommandRunner());
}

bool getSytemBrowser(const std::string& name, std::string& out, const CommandRunner& run,
                     const std::string& applicationsDir)
{
    out.clear();
    if (name.empty()) {
        return getAppBrowser(out, run, applicationsDir);
    }
    // The name comes from the configuration: quoted, so it is only ever a name for which.
    std::string found;
    if (run("which " + shellQuote(name), found) == 0) {
        out = firstLine(found);
    }
    return !out.empty();
}
