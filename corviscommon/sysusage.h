#pragma once

#include <cstdint>
#include <string>

// Load figures of the host, in percent, and readable sizes.

// The first line of /proc/stat: a name and seven counters.
struct CpuSample {
    std::string name;
    unsigned long long user = 0;
    unsigned long long nice = 0;
    unsigned long long system = 0;
    unsigned long long idle = 0;
    unsigned long long iowait = 0;
    unsigned long long irq = 0;
    unsigned long long softirq = 0;
};

// Memory figures of /proc/meminfo, in kB.
struct MemSample {
    unsigned long long total = 0;
    unsigned long long free = 0;
    unsigned long long available = 0;
    unsigned long long buffers = 0;
    unsigned long long cached = 0;
};

// A /proc/stat line ("cpu  user nice system idle iowait irq softirq ..."); false when it does
// not hold a name and the seven counters.
bool parseCpuSample(const std::string& line, CpuSample& sample);
// 100 - idle difference / total difference * 100, with total = user + nice + system + idle;
// 0 when the total did not move (or went backwards).
double cpuUsage(const CpuSample& first, const CpuSample& second);
// Reads the first line of /proc/stat; false when it cannot ("getCpuOccupy err:" logged).
bool readCpuSample(CpuSample& sample);
// Two samples 300 ms apart: blocks the caller for that long.
double getSysCpuUsage();

// /proc/meminfo text; false when MemTotal is missing. Without a MemAvailable line (kernels
// before 3.14) the available memory is MemFree + Buffers + Cached.
bool parseMemInfo(const std::string& text, MemSample& sample);
// (MemTotal - MemAvailable) * 100 / MemTotal; 0 when MemTotal is 0.
double memUsage(const MemSample& sample);
double getsysMemUsage();

// statfs figures of a file system: used = blocks - free; used * 100 / (used + available) in
// whole percent, + 1, at most 100; 0 for a file system without blocks.
double diskUsage(unsigned long long blocks, unsigned long long freeBlocks, unsigned long long availableBlocks);
// diskUsage of "/".
double getsysDiskUsage();

// "1023B", "1KB" (1536 bytes), "1MB", ... up to "TB": the integer part and the unit.
std::string readableFileSize(uint64_t bytes);
