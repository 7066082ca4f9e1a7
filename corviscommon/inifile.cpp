#include "corviscommon/inifile.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <climits>
#include <fcntl.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool isBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string trimmed(const char* text, size_t length)
{
    size_t begin = 0;
    size_t end = length;
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return std::string(text + begin, end - begin);
}

std::string trimmed(const std::string& text)
{
    return trimmed(text.data(), text.size());
}

// Copies `text` into `out` when it fits with its terminator.
bool copyFits(const std::string& text, char* out, int outSize)
{
    if (out == nullptr || outSize <= 0 || text.size() + 1 > static_cast<size_t>(outSize)) {
        return false;
    }
    std::memcpy(out, text.c_str(), text.size() + 1);
    return true;
}

// A UTF-8 byte-order mark, which some editors put at the start of a file; it is not part of the
// first line.
constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr size_t kBomSize = 3;

bool startsWithBom(const char* text, size_t length)
{
    return length >= kBomSize && std::memcmp(text, kBom, kBomSize) == 0;
}

// Opens a regular file without blocking on a FIFO and without following a device. A file larger
// than INI_MAX_FILE is refused like one that cannot be opened: configuration files are small, and
// a huge one would hold its reader for seconds.
int openRegular(const char* path, int flags)
{
    if (path == nullptr || path[0] == '\0') {
        return -1;
    }
    const int fd = ::open(path, flags | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > INI_MAX_FILE) {
        ::close(fd);
        return -1;
    }
    const int current = ::fcntl(fd, F_GETFL);
    if (current >= 0) {
        ::fcntl(fd, F_SETFL, current & ~O_NONBLOCK);
    }
    return fd;
}

// Splits the bytes into lines the way a reader with an INI_LINE_MAX buffer sees them: each piece
// ends after a newline or after INI_LINE_MAX - 1 bytes.
struct LinePiece {
    size_t offset;
    size_t length;  // including the newline, when there is one
};

std::vector<LinePiece> splitLines(const std::string& data)
{
    std::vector<LinePiece> lines;
    size_t pos = 0;
    const size_t limit = INI_LINE_MAX - 1;
    while (pos < data.size()) {
        size_t end = pos;
        while (end < data.size() && end - pos < limit) {
            if (data[end++] == '\n') {
                break;
            }
        }
        lines.push_back({pos, end - pos});
        pos = end;
    }
    return lines;
}

// The line as C text: the parsers stop at an embedded NUL, as they do on a buffer read by fgets.
// The first line is read without a byte-order mark.
std::string lineText(const std::string& data, const LinePiece& piece)
{
    size_t offset = piece.offset;
    size_t length = piece.length;
    if (offset == 0 && startsWithBom(data.c_str(), length)) {
        offset += kBomSize;
        length -= kBomSize;
    }
    return std::string(data.c_str() + offset, strnlen(data.c_str() + offset, length));
}

bool readAll(int fd, std::string& out)
{
    out.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) {
            return true;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        out.append(buffer, static_cast<size_t>(n));
        // It may have grown since it was opened.
        if (out.size() > static_cast<size_t>(INI_MAX_FILE)) {
            return false;
        }
    }
}

bool writeAllAt(int fd, const std::string& data, off_t offset)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pwrite(fd, data.data() + done, data.size() - done, offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool hasComment(const char* comment)
{
    return comment != nullptr && comment[0] != '\0';
}

std::string format(const char* fmt, const char* a, const char* b, const char* c = "", const char* d = "")
{
    const int needed = std::snprintf(nullptr, 0, fmt, a, b, c, d);
    if (needed < 0) {
        return std::string();
    }
    std::string out(static_cast<size_t>(needed) + 1, '\0');
    std::snprintf(&out[0], out.size(), fmt, a, b, c, d);
    out.resize(static_cast<size_t>(needed));
    return out;
}

}  // namespace

int LineIsComment(const char* line)
{
    if (line == nullptr) {
        return 1;
    }
    const std::string text = trimmed(line, std::strlen(line));
    return (text.empty() || text[0] == '#' || text[0] == ';') ? 1 : 0;
}

int GetSectionName(const char* line, char* out, int outSize)
{
    if (line == nullptr) {
        return -1;
    }
    const std::string text = trimmed(line, std::strlen(line));
    if (text.size() < 2 || text[0] != '[') {
        return -1;
    }
    const size_t close = text.find(']', 1);
    if (close == std::string::npos) {
        return -1;
    }
    const std::string name = text.substr(1, close - 1);
    if (copyFits(name, out, outSize)) {
        return 0;
    }
    if (out != nullptr && outSize > 0) {
        std::memcpy(out, name.data(), static_cast<size_t>(outSize - 1));
        out[outSize - 1] = '\0';
    }
    return -3;
}

int GetItem(const char* line, char* keyOut, int keySize, char* valueOut, int valueSize)
{
    if (line == nullptr) {
        return -1;
    }
    const std::string text = trimmed(line, std::strlen(line));
    if (text.size() < 3 || text[0] == '#' || text[0] == ';') {
        return -1;
    }
    const size_t equal = text.find('=');
    if (equal == std::string::npos || equal == 0) {
        return -1;
    }
    const std::string key = trimmed(text.substr(0, equal));
    if (!copyFits(key, keyOut, keySize)) {
        return -1;
    }
    std::string value = text.substr(equal + 1);
    const size_t stop = value.find_first_of(";#");
    if (stop != std::string::npos) {
        value.resize(stop);
    }
    value = trimmed(value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    if (!copyFits(value, valueOut, valueSize)) {
        return -3;
    }
    return 0;
}

int inifile_read(const char* path, const char* section, const char* key, char* out, int outSize)
{
    if (section == nullptr || key == nullptr) {
        return -1;
    }
    const int fd = openRegular(path, O_RDONLY);
    if (fd < 0) {
        return -2;
    }
    FILE* file = ::fdopen(fd, "r");
    if (file == nullptr) {
        ::close(fd);
        return -2;
    }
    std::vector<char> line(INI_LINE_MAX);
    std::vector<char> name(INI_LINE_MAX);
    std::vector<char> value(INI_LINE_MAX);
    bool inSection = false;
    bool first = true;
    int result = -1;
    while (std::fgets(line.data(), INI_LINE_MAX, file) != nullptr) {
        if (first) {
            first = false;
            if (startsWithBom(line.data(), std::strlen(line.data()))) {
                std::memmove(line.data(), line.data() + kBomSize, std::strlen(line.data()) - kBomSize + 1);
            }
        }
        if (!inSection) {
            if (GetSectionName(line.data(), name.data(), INI_LINE_MAX) == 0 && strcasecmp(name.data(), section) == 0) {
                inSection = true;
            }
            continue;
        }
        if (GetSectionName(line.data(), name.data(), INI_LINE_MAX) != -1) {
            break;  // the wanted section ended; only the first one is searched
        }
        const int item = GetItem(line.data(), name.data(), INI_LINE_MAX, value.data(), INI_LINE_MAX);
        if (item == -1 || strcasecmp(name.data(), key) != 0) {
            continue;
        }
        if (item == 0 && copyFits(std::string(value.data()), out, outSize)) {
            result = 0;
        }
        break;
    }
    std::fclose(file);
    return result;
}

int ReadStringFromIni(const char* path, const char* section, const char* key, char* out, int outSize,
                      const char* defaultValue)
{
    if (out == nullptr || outSize <= 0) {
        return -1;
    }
    const int ret = inifile_read(path, section, key, out, outSize);
    if (ret == 0) {
        const std::string value = trimmed(out, std::strlen(out));
        std::memcpy(out, value.c_str(), value.size() + 1);
        return ret;
    }
    const char* fallback = defaultValue != nullptr ? defaultValue : "";
    std::snprintf(out, static_cast<size_t>(outSize), "%s", fallback);
    return ret;
}

int ReadIntFromIni(const char* path, const char* section, const char* key, int& out, int defaultValue)
{
    char buffer[256] = {0};
    const int ret = inifile_read(path, section, key, buffer, sizeof buffer);
    out = defaultValue;
    if (ret != 0) {
        return ret;
    }
    const std::string text = trimmed(buffer, std::strlen(buffer));
    if (text.empty()) {
        return ret;
    }
    size_t pos = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (pos == text.size()) {
        return ret;
    }
    for (size_t i = pos; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            return ret;
        }
    }
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == 0 && value >= INT_MIN && value <= INT_MAX) {
        out = static_cast<int>(value);
    }
    return ret;
}

int inifile_write(const char* path, const char* section, const char* key, const char* value,
                  const char* comment)
{
    if (path == nullptr || section == nullptr || key == nullptr) {
        return 0;
    }
    if (value == nullptr) {
        value = "";
    }
    const bool withComment = hasComment(comment);
    const char* note = withComment ? comment : "";

    struct stat st {};
    if (::lstat(path, &st) != 0 && errno == ENOENT) {
        const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            return 0;
        }
        std::string text;
        if (withComment) {
            text = format(";%s\n", note, "");
        }
        text += format("[%s]\n%s=%s\n", section, key, value);
        writeAllAt(fd, text, 0);
        ::close(fd);
        return 0;
    }

    const int fd = openRegular(path, O_RDWR);
    if (fd < 0) {
        return 0;
    }
    std::string data;
    if (!readAll(fd, data)) {
        ::close(fd);
        return 0;
    }
    const std::vector<LinePiece> lines = splitLines(data);
    std::vector<char> name(INI_LINE_MAX);
    std::vector<char> stored(INI_LINE_MAX);

    size_t index = 0;
    bool found = false;
    for (; index < lines.size(); ++index) {
        const std::string line = lineText(data, lines[index]);
        if (GetSectionName(line.c_str(), name.data(), INI_LINE_MAX) == 0 && strcasecmp(name.data(), section) == 0) {
            found = true;
            ++index;
            break;
        }
    }
    if (!found) {
        const std::string text = withComment ? format("\n[%s]\n%s=%s\t\t\t;%s\n", section, key, value, note)
                                             : format("\n[%s]\n%s=%s\n", section, key, value);
        writeAllAt(fd, text, static_cast<off_t>(data.size()));
        ::close(fd);
        return 0;
    }

    for (; index < lines.size(); ++index) {
        const LinePiece& piece = lines[index];
        const std::string line = lineText(data, piece);
        if (GetSectionName(line.c_str(), name.data(), INI_LINE_MAX) != -1) {
            // Next section first: insert the key just before its header.
            const std::string text = (withComment ? format("%s=%s\t\t\t//%s\n", key, value, note)
                                                  : format("%s=%s\n", key, value))
                                     + data.substr(piece.offset);
            writeAllAt(fd, text, static_cast<off_t>(piece.offset));
            ::close(fd);
            return 0;
        }
        const int item = GetItem(line.c_str(), name.data(), INI_LINE_MAX, stored.data(), INI_LINE_MAX);
        if (item == -1 || strcasecmp(name.data(), key) != 0) {
            continue;
        }
        if (item == 0 && std::strcmp(stored.data(), value) == 0) {
            ::close(fd);
            return 0;
        }
        // Pad the new line to the old line's length so that no byte of the old line survives
        // in the untruncated file; an unchanged length keeps every following byte in place.
        std::string text = withComment ? format("%s=%s\t\t\t//%s", key, value, note) : format("%s=%s", key, value);
        size_t oldLength = piece.length;
        if (oldLength > 0 && data[piece.offset + oldLength - 1] == '\n') {
            --oldLength;
        }
        if (text.size() < oldLength) {
            text.append(oldLength - text.size(), ' ');
        }
        text += '\n';
        text += data.substr(piece.offset + piece.length);
        writeAllAt(fd, text, static_cast<off_t>(piece.offset));
        ::close(fd);
        return 0;
    }

    const std::string text = withComment ? format("\n%s=%s\t\t\t;%s\n", key, value, note)
                                         : format("\n%s=%s\n", key, value);
    writeAllAt(fd, text, static_cast<off_t>(data.size()));
    ::close(fd);
    return 0;
}
