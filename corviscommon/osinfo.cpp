#include "corviscommon/osinfo.h"

#include "corviscommon/logging.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace {

bool prints(const CommandRunner& run, const std::string& cmd)
{
    std::string out;
    return run(cmd, out) == 0 && !trimmedText(out).empty();
}

bool issueNames(const CommandRunner& run, const char* function, const std::string& cmd)
{
    std::string out;
    run(cmd, out);
    LOG(INFO) << function << ": cmd:" << cmd;
    LOG(INFO) << function << ":" << trimmedText(out);
    return !trimmedText(out).empty();
}

}  // namespace

bool getSystemOsName(std::string& out)
{
    return getSystemOsName(out, hostCommandRunner());
}

bool getSystemOsName(std::string& out, const CommandRunner& run)
{
    out.clear();
    if (prints(run, "grep -s '^DISTRIB_DESCRIPTION=' /etc/lsb-release | cut -d= -f2- | tr -d '\"\\n' | grep Ubuntu")) {
        out = "ubuntu";
    } else if (prints(run, "grep -s '^PRETTY_NAME=' /etc/os-release | cut -d= -f2- | tr -d '\"\\n' | grep CentOS")) {
        out = "centos";
    } else if (prints(run, "cat /etc/issue | grep -E 'UnionTech|UOS'") || prints(run, "cat /etc/os-release | grep uos")) {
        out = prints(run, "cat /etc/os-version | grep Professional") ? "uos-profession" : "uos";
    } else if (prints(run, "cat /etc/issue | grep Kylin")) {
        out = prints(run, "cat /etc/issue | grep NeoKylin") ? "neoKylin" : "kylin";
    }
    return !out.empty();
}

bool isKyliosSystem()
{
    return isKyliosSystem(hostCommandRunner());
}

bool isKyliosSystem(const CommandRunner& run)
{
    return issueNames(run, "isKyliosSystem", "cat /etc/issue | grep -E 'Kylin' ");
}

bool isUosSystem()
{
    return isUosSystem(hostCommandRunner());
}

bool isUosSystem(const CommandRunner& run)
{
    return issueNames(run, "isUosSystem", "cat /etc/issue | grep -E 'UnionTech|UOS' ");
}

std::string osReleaseValue(const std::string& text, const std::string& key)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = trimmedText(text.substr(start, end - start));
        start = end + 1;
        const size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || line[0] == '[' || eq == std::string::npos) {
            continue;
        }
        if (trimmedText(line.substr(0, eq)) != key) {
            continue;
        }
        std::string value;
        for (char c : line.substr(eq + 1)) {
            if (c != '"' && c != '\'' && c != '\r' && c != '\n') {
                value += c;
            }
        }
        return trimmedText(value);
    }
    return std::string();
}

int readHostFile(const std::string& path, std::string& content)
{
    content.clear();
    FILE* file = fopen(path.c_str(), "re");
    if (file == nullptr) {
        return -1;
    }
    struct stat st;
    if (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) {
        fclose(file);
        errno = EISDIR;
        return -1;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) {
        content.append(buffer, n);
    }
    const int failed = ferror(file);
    fclose(file);
    return failed ? -2 : 0;
}
