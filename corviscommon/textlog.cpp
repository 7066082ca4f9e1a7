#include "corviscommon/textlog.h"

#include "corviscommon/productpath.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

constexpr size_t kMaxPathText = 1024;
constexpr long long kDefaultMaxSize = 5000000;
constexpr time_t kReopenSeconds = 16;
constexpr int kDefaultLevel = 100;  // Warning, Debug2, Debug3

const char* const kLevelNames[] = {"Debug",  "Info",   "Warning", "Error",  "Debug1", "Debug2", "Debug3",
                                   "Debug4", "Debug5", "Debug6",  "Debug7", "Debug8", "Debug9", "Debug10"};
constexpr int kLevelCount = sizeof kLevelNames / sizeof kLevelNames[0];

struct LogState {
    std::mutex mutex;
    std::atomic<bool> initialised{false};
    // Read before the mutex is taken: a concurrent change affects at most the message in hand.
    std::atomic<int> outLevel{0};
    std::atomic<bool> toFile{false};
    std::atomic<bool> toConsole{false};
    std::string dir;
    std::string name = "app.log";
    FILE* file = nullptr;
    time_t lastTime = 0;
    long long maxSize = kDefaultMaxSize;
    time_t (*clock)() = nullptr;
};

LogState& state()
{
    static LogState s;
    return s;
}

time_t now(const LogState& s)
{
    return s.clock != nullptr ? s.clock() : time(nullptr);
}

std::string lastComponent(const std::string& path)
{
    const size_t at = path.find_last_of("/\\");
    return at == std::string::npos ? path : path.substr(at + 1);
}

bool endsWith(const std::string& text, const char* tail)
{
    const size_t n = strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

std::string withoutExe(std::string name)
{
    if (endsWith(name, ".exe")) {
        name.resize(name.size() - 4);
    }
    return name;
}

// Creates the directory and makes it end in "/"; empty stays empty (the working directory).
void setDir(LogState& s, const std::string& dir)
{
    s.dir = dir;
    if (!s.dir.empty()) {
        corvis::makeDirs(s.dir);
        if (s.dir.back() != '/') {
            s.dir += '/';
        }
    }
}

void setWhere(LogState& s, int where)
{
    s.toFile = where != LOG_WHERE_NONE && where != LOG_WHERE_CONSOLE;
    s.toConsole = where != LOG_WHERE_NONE && where != LOG_WHERE_FILE;
}

void closeFile(LogState& s)
{
    if (s.file != nullptr) {
        fclose(s.file);
        s.file = nullptr;
    }
}

std::string filePath(const LogState& s, const char* number)
{
    return s.dir + s.name + number + ".log";
}

void openFile(LogState& s)
{
    if (!s.dir.empty() && s.dir.back() != '/') {
        s.dir += '/';
    }
    s.file = fopen(filePath(s, "01").c_str(), "a+e");
}

std::string location(const char* file, int line, int outLevel)
{
    if (outLevel < 1) {
        return std::string();
    }
    if (file == nullptr) {
        return ",------------,----";
    }
    char text[64 + kMaxPathText];
    snprintf(text, sizeof text, ",%12s,%04d", lastComponent(file).substr(0, kMaxPathText).c_str(), line);
    return text;
}

std::string formatted(const char* format, va_list args)
{
    if (format == nullptr) {
        return std::string();
    }
    va_list copy;
    va_copy(copy, args);
    char small[512];
    const int n = vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) {
        return std::string();
    }
    if (static_cast<size_t>(n) < sizeof small) {
        return std::string(small, static_cast<size_t>(n));
    }
    std::string text(static_cast<size_t>(n) + 1, '\0');
    vsnprintf(&text[0], text.size(), format, args);
    text.resize(static_cast<size_t>(n));
    return text;
}

}  // namespace

std::string log_level_name(int level)
{
    std::string name;
    unsigned int rest = static_cast<unsigned int>(level);
    for (int bit = 0; bit < kLevelCount; ++bit) {
        if (rest & (1u << bit)) {
            if (!name.empty()) {
                name += '|';
            }
            name += kLevelNames[bit];
            rest &= ~(1u << bit);
        }
    }
    if (rest != 0 || name.empty()) {
        char hex[16];
        snprintf(hex, sizeof hex, "0x%x", rest);
        name += name.empty() ? "" : "|";
        name += hex;
    }
    return name;
}

int log_init(const char* dir, const char* name, int level, int where)
{
    LogState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    closeFile(s);
    s.outLevel = level;
    setWhere(s, where);
    s.maxSize = kDefaultMaxSize;
    s.lastTime = 0;
    const std::string dirText = dir == nullptr ? std::string() : std::string(dir);
    setDir(s, dirText.size() < kMaxPathText ? dirText : std::string());
    const std::string nameText = name == nullptr ? std::string("app.log") : lastComponent(name);
    s.name = withoutExe(nameText.substr(0, kMaxPathText - 1));
    s.initialised = true;
    return 0;
}

int log_init(const char* path, int level, int where)
{
    const std::string text = path == nullptr ? std::string() : std::string(path);
    const size_t at = text.find_last_of("/\\");
    std::string dir;
    std::string name = text;
    if (at != std::string::npos) {
        dir = text.substr(0, at);
        name = text.substr(at + 1);
    }
    if (text.empty()) {
        name = "app";
    }
    name = withoutExe(name);
    return log_init(dir.c_str(), name.c_str(), level, where);
}

void log_uninit()
{
    LogState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    closeFile(s);
    s.initialised = false;
}

void log_set_outlevel(int level)
{
    LogState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.outLevel = level;
}

int log_get_outlevel()
{
    LogState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.outLevel;
}

void log_set_displaywhere(int where)
{
    LogState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    setWhere(s, where);
}

void log_set_filesize(int kB)
{
    LogState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.maxSize = kB < 1 ? 1024 : static_cast<long long>(kB) * 1024;
}

void log_set_path(const char* dir, const char* name)
{
    LogState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    bool changed = false;
    if (dir != nullptr && *dir != '\0' && strlen(dir) < kMaxPathText) {
        setDir(s, dir);
        changed = true;
    }
    if (name != nullptr && *name != '\0' && strlen(name) < kMaxPathText) {
        std::string base = lastComponent(name);
        if (base.size() > 4 && (endsWith(base, ".exe") || endsWith(base, ".log"))) {
            base.resize(base.size() - 4);
        }
        s.name = base;
        changed = true;
    }
    // The next message opens the file at its new place.
    if (changed) {
        closeFile(s);
    }
}

void log_set_mainarg(int argc, char** argv)
{
    if (argc < 1 || argv == nullptr || argv[0] == nullptr) {
        return;
    }
    const std::string path = argv[0];
    const size_t at = path.find_last_of("/\\");
    const std::string dir = at == std::string::npos ? std::string() : path.substr(0, at);
    const std::string name = at == std::string::npos ? path : path.substr(at + 1);
    log_set_path(dir.c_str(), name.c_str());
}

void GetLogPrintLevel(int& mask, int n)
{
    if (n < 1 || n > 10) {
        return;
    }
    mask |= LOG_LEVEL_DEBUG;
    for (int k = 1; k < n; ++k) {
        mask |= LOG_LEVEL_DEBUG1 << (k - 1);
    }
}

int log_write(const char* file, int line, int level, const char* format, ...)
{
    LogState& s = state();
    if (!s.initialised) {
        perror("You should call log_init() first\n");
        log_init("app", kDefaultLevel, LOG_WHERE_BOTH);
    }
    const int outLevel = s.outLevel;
    const bool toFile = s.toFile;
    const bool toConsole = s.toConsole;
    if ((level & outLevel) == 0 || (!toFile && !toConsole)) {
        return 0;
    }

    va_list args;
    va_start(args, format);
    const std::string message = formatted(format, args);
    va_end(args);

    std::lock_guard<std::mutex> lock(s.mutex);
    const time_t seconds = now(s);
    struct tm tm;
    localtime_r(&seconds, &tm);

    if (toFile) {
        // Within 16 seconds of the previous message the open file is kept; after a pause it is
        // opened again, so that a file removed or rotated by someone else is recreated.
        const bool recent = seconds >= s.lastTime && seconds - s.lastTime < kReopenSeconds;
        if (!recent) {
            closeFile(s);
        }
        if (s.file == nullptr) {
            openFile(s);
        }
        s.lastTime = seconds;
    }

    char head[64];
    snprintf(head, sizeof head, "<%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
             tm.tm_hour, tm.tm_min, tm.tm_sec);
    const std::string text = std::string(head) + location(file, line, outLevel) + ">" + log_level_name(level)
                             + ": " + message + "\n";

    if (toConsole) {
        fwrite(text.data(), 1, text.size(), stdout);
        fflush(stdout);
    }
    if (toFile && s.file != nullptr) {
        fwrite(text.data(), 1, text.size(), s.file);
        fflush(s.file);
        if (ftell(s.file) > s.maxSize) {
            closeFile(s);
            remove(filePath(s, "02").c_str());
            rename(filePath(s, "01").c_str(), filePath(s, "02").c_str());
        }
    }
    return 0;
}

void log_set_clock_for_test(time_t (*clock)())
{
    LogState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.clock = clock;
}
