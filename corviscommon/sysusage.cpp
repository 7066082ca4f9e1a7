#include "corviscommon/sysusage.h"

#include "corviscommon/logging.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/statfs.h>
#include <thread>

bool parseCpuSample(const std::string& line, CpuSample& sample)
{
    std::istringstream in(line);
    CpuSample read;
    if (!(in >> read.name >> read.user >> read.nice >> read.system >> read.idle >> read.iowait >> read.irq
          >> read.softirq)) {
        return false;
    }
    sample = read;
    return true;
}

double cpuUsage(const CpuSample& first, const CpuSample& second)
{
    const unsigned long long total1 = first.user + first.nice + first.system + first.idle;
    const unsigned long long total2 = second.user + second.nice + second.system + second.idle;
    // Counters only grow; a sample that went backwards (a wrapped or a reset counter) says nothing.
    if (total2 <= total1 || second.idle < first.idle) {
        return 0.0;
    }
    const double idle = static_cast<double>(second.idle - first.idle);
    const double total = static_cast<double>(total2 - total1);
    const double usage = 100.0 - idle / total * 100.0;
    return usage < 0.0 ? 0.0 : usage;
}

bool readCpuSample(CpuSample& sample)
{
    std::ifstream stat("/proc/stat");
    if (!stat) {
        LOG(ERROR) << "getCpuOccupy err:" << strerror(errno);
        return false;
    }
    std::string line;
    std::getline(stat, line);
    return parseCpuSample(line, sample);
}

double getSysCpuUsage()
{
    CpuSample first;
    CpuSample second;
    if (!readCpuSample(first)) {
        return 0.0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (!readCpuSample(second)) {
        return 0.0;
    }
    return cpuUsage(first, second);
}

bool parseMemInfo(const std::string& text, MemSample& sample)
{
    std::istringstream lines(text);
    std::string line;
    MemSample read;
    bool sawTotal = false;
    bool sawAvailable = false;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string key;
        unsigned long long value = 0;
        if (!(fields >> key >> value)) {
            continue;
        }
        if (key == "MemTotal:") {
            read.total = value;
            sawTotal = true;
        } else if (key == "MemFree:") {
            read.free = value;
        } else if (key == "MemAvailable:") {
            read.available = value;
            sawAvailable = true;
        } else if (key == "Buffers:") {
            read.buffers = value;
        } else if (key == "Cached:") {
            read.cached = value;
        }
    }
    // Kernels before 3.14 have no MemAvailable; free, buffers and cache are its old estimate.
    if (!sawAvailable) {
        read.available = read.free + read.buffers + read.cached;
    }
    sample = read;
    return sawTotal;
}

double memUsage(const MemSample& sample)
{
    if (sample.total == 0 || sample.available > sample.total) {
        return 0.0;
    }
    return static_cast<double>(sample.total - sample.available) * 100.0 / static_cast<double>(sample.total);
}

double getsysMemUsage()
{
    std::ifstream meminfo("/proc/meminfo");
    if (!meminfo) {
        LOG(ERROR) << "getMemOccupy err:" << strerror(errno);
        return 0.0;
    }
    std::stringstream text;
    text << meminfo.rdbuf();
    MemSample sample;
    parseMemInfo(text.str(), sample);
    return memUsage(sample);
}

double diskUsage(unsigned long long blocks, unsigned long long freeBlocks, unsigned long long availableBlocks)
{
    const unsigned long long used = blocks >= freeBlocks ? blocks - freeBlocks : 0;
    if (used + availableBlocks == 0) {
        return 0.0;
    }
    // Whole percent, and the + 1 rounds the cut-off fraction up (as df does); a full disk stays
    // at 100.
    const unsigned long long usage = used * 100 / (used + availableBlocks) + 1;
    return usage > 100 ? 100.0 : static_cast<double>(usage);
}

double getsysDiskUsage()
{
    struct statfs fs;
    if (statfs("/", &fs) != 0) {
        LOG(ERROR) << "getsysDiskUsage: statfs failed: " << strerror(errno);
        return 0.0;
    }
    return diskUsage(fs.f_blocks, fs.f_bfree, fs.f_bavail);
}

std::string readableFileSize(uint64_t bytes)
{
    static const char* const kUnits[] = {"B", "KB", "MB", "GB", "TB"};
    const size_t last = sizeof kUnits / sizeof kUnits[0] - 1;
    size_t unit = 0;
    uint64_t value = bytes;
    while (value >= 1024 && unit < last) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    snprintf(text, sizeof text, "%lu%s", static_cast<unsigned long>(value), kUnits[unit]);
    return text;
}
