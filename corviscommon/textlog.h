#pragma once

#include <ctime>
#include <string>

// A small process-wide text log of its own files, apart from the glog process log: leveled
// messages with a time stamp and source location, to a file, to standard output or to both, with
// the file rotated into "<name>01.log" (current) and "<name>02.log" (previous) by size.
//
// Lines read "<YYYY-MM-DD hh:mm:ss,<source>,<line>>Level: message". A level value that is not a
// single bit of the table below prints the names of all its known bits joined by "|"
// ("Info|Warning"), followed by any bits outside the table in hexadecimal ("Debug|0x4000").

enum {
    LOG_LEVEL_DEBUG = 0x1,
    LOG_LEVEL_INFO = 0x2,
    LOG_LEVEL_WARNING = 0x4,
    LOG_LEVEL_ERROR = 0x8,
    LOG_LEVEL_DEBUG1 = 0x10,
    LOG_LEVEL_DEBUG2 = 0x20,
    LOG_LEVEL_DEBUG3 = 0x40,
    LOG_LEVEL_DEBUG4 = 0x80,
    LOG_LEVEL_DEBUG5 = 0x100,
    LOG_LEVEL_DEBUG6 = 0x200,
    LOG_LEVEL_DEBUG7 = 0x400,
    LOG_LEVEL_DEBUG8 = 0x800,
    LOG_LEVEL_DEBUG9 = 0x1000,
    LOG_LEVEL_DEBUG10 = 0x2000,
};

// Display-where values: 0 nowhere, 1 the file, 2 standard output, anything else both.
enum { LOG_WHERE_NONE = 0, LOG_WHERE_FILE = 1, LOG_WHERE_CONSOLE = 2, LOG_WHERE_BOTH = 3 };

// `dir` is created and made to end in "/"; the file name is the last component of `name`
// ("app.log" when null) without a trailing ".exe". Maximum file size 5000000 bytes.
int log_init(const char* dir, const char* name, int level, int where);
// `path` split at its last "/" or "\" into directory and name ("app" when empty).
int log_init(const char* path, int level, int where);
// Closes the file; the next message initialises the log again with the defaults.
void log_uninit();

void log_set_outlevel(int level);
int log_get_outlevel();
void log_set_displaywhere(int where);
// Maximum file size in kB; below 1 sets 1 kB.
void log_set_filesize(int kB);
// A non-empty dir or name (shorter than 1024 bytes) replaces the current one; the name loses a
// trailing ".exe" or ".log" (names of 4 characters or less are kept whole).
void log_set_path(const char* dir, const char* name);
// Directory and name from argv[0], as log_set_path.
void log_set_mainarg(int argc, char** argv);

// Adds "Debug" and Debug1 .. Debug(n-1) to `mask`: n = 1 adds 0x1, 2 adds 0x11 ... 10 adds
// 0x1FF1; other n add nothing.
void GetLogPrintLevel(int& mask, int n);

// Writes one message when `level` shares a bit with the output level. Returns 0.
int log_write(const char* file, int line, int level, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

#define TEXT_LOG(level, ...) log_write(__FILE__, __LINE__, (level), __VA_ARGS__)

// The level name printed for `level` (see above).
std::string log_level_name(int level);

// Replaces the clock of the file-reopen rule (null: the real clock). For tests.
void log_set_clock_for_test(time_t (*now)());
