// Arbitrary bytes as an INI file, through the readers and the writer.

#include "corviscommon/inifile.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

int memoryFile()
{
    static int fd = ::memfd_create("fuzz.ini", 0);
    return fd;
}

void load(const uint8_t* data, size_t size)
{
    const int fd = memoryFile();
    ::ftruncate(fd, 0);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    load(data, size);
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", memoryFile());

    // Section and key names taken from the input too, so that matches happen.
    std::string section = "Mervasso";
    std::string key = "csmode";
    if (size > 16) {
        section.assign(reinterpret_cast<const char*>(data) + 2, data[0] % 8);
        key.assign(reinterpret_cast<const char*>(data) + 2, data[1] % 8);
    }
    char small[4];
    char big[1024];
    int number = 0;
    inifile_read(path, section.c_str(), key.c_str(), small, sizeof small);
    ReadStringFromIni(path, section.c_str(), key.c_str(), big, sizeof big, "default");
    ReadIntFromIni(path, "Mervasso", "csmode", number, -1);
    ReadStringFromIni(path, "functions", "browser", big, sizeof big, "");

    char name[16];
    char value[16];
    const std::string line(reinterpret_cast<const char*>(data), size > 200 ? 200 : size);
    LineIsComment(line.c_str());
    GetSectionName(line.c_str(), name, sizeof name);
    GetItem(line.c_str(), name, sizeof name, value, sizeof value);

    inifile_write(path, section.c_str(), key.c_str(), "value", nullptr);
    inifile_write(path, "functions", "rememberaccount", "0", nullptr);
    // The reader and the writer see the same lines: what was written reads back.
    if (inifile_read(path, "functions", "rememberaccount", big, sizeof big) != 0 || std::string(big) != "0") {
        __builtin_trap();
    }
    return 0;
}
