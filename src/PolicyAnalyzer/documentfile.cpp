#include "src/PolicyAnalyzer/documentfile.h"

#include "corviscommon/uniquefd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isMissing(int error) { return error == ENOENT || error == ENOTDIR; }

}  // namespace

DocumentFile::Status DocumentFile::read(const QString& path, QByteArray& bytes)
{
    bytes.clear();
    const QByteArray name = path.toLocal8Bit();
    struct stat st {};
    if (name.isEmpty() || ::stat(name.constData(), &st) != 0) {
        return name.isEmpty() || isMissing(errno) ? Missing : Unreadable;
    }
    // Non-blocking so that a FIFO without a writer cannot hold the open; checked on the open
    // descriptor so that a swap after stat() changes nothing.
    const UniqueFd fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        return isMissing(errno) ? Missing : Unreadable;
    }
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxSize) {
        return Unreadable;
    }
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    }

    // The writer may still be appending: read to the end, whatever the size said, within the bound.
    qint64 capacity = std::max<qint64>(st.st_size + 1, 4096);
    bytes.resize(static_cast<int>(std::min(capacity, kMaxSize + 1)));
    qint64 used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > kMaxSize) {
                bytes.clear();
                return Unreadable;
            }
            bytes.resize(static_cast<int>(std::min<qint64>(used * 2, kMaxSize + 1)));
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + used, static_cast<size_t>(bytes.size() - used));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            bytes.clear();
            return Unreadable;
        }
        if (n == 0) {
            break;
        }
        used += n;
    }
    if (used > kMaxSize) {
        bytes.clear();
        return Unreadable;
    }
    bytes.resize(static_cast<int>(used));
    // Text mode: line ends become "\n".
    if (std::memchr(bytes.constData(), '\r', size_t(bytes.size())) != nullptr) {
        bytes.resize(static_cast<int>(std::remove(bytes.begin(), bytes.end(), '\r') - bytes.begin()));
    }
    return Ok;
}
