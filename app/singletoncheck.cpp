#include "app/singletoncheck.h"

#include "corviscommon/logging.h"
#include "corviscommon/productpath.h"
#include "corviscommon/productpaths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string singletonLockPath()
{
    return corvis::paths::pidFile().toLocal8Bit().toStdString();
}

bool singletonCheck()
{
    const std::string path = singletonLockPath();
    if (!corvis::pathPrefix().empty()) {
        corvis::makeParentDirs(path);
    }
    // O_NOFOLLOW: a link planted at the lock path must never make us truncate another file.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        LOG(WARNING) << "FUNC(singletonCheck) open file failed: " << std::strerror(errno);
        LOG(WARNING) << "corvisbench exit!";
        return false;
    }
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    if (::fcntl(fd, F_SETLK, &lock) < 0) {
        LOG(WARNING) << "corvisbench is running!";
        LOG(WARNING) << "corvisbench exit!";
        ::close(fd);
        return false;
    }
    if (::ftruncate(fd, 0) != 0) {
        LOG(WARNING) << "FUNC(singletonCheck) truncate failed: " << std::strerror(errno);
    }
    char text[32] = {0};
    const int length = std::snprintf(text, sizeof text, "%ld", static_cast<long>(::getpid()));
    if (::pwrite(fd, text, static_cast<size_t>(length) + 1, 0) != length + 1) {
        LOG(WARNING) << "FUNC(singletonCheck) write pid failed: " << std::strerror(errno);
    }
    // The descriptor is deliberately kept open: closing it would release the lock.
    return true;
}
