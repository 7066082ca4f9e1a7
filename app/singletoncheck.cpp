#include "app/singletoncheck.h"

#include "corviscommon/logging.h"
#include "corviscommon/productpath.h"
#include "corviscommon/productpaths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string userName(uid_t uid)
{
    passwd entry{};
    passwd* found = nullptr;
    char buffer[1024];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr && found->pw_name != nullptr) {
        return found->pw_name;
    }
    return "unknown";
}

// The lock file is another user's: say whose, in the log and on standard error, since the
// program ends before it can show anything.
void refuseForeignLock(const std::string& path, uid_t owner)
{
    const std::string text = "FUNC(singletonCheck) the lock file " + path + " belongs to uid " + std::to_string(owner) +
                             " (" + userName(owner) + "), not to this user: it must be removed before corvisbench can start";
    LOG(WARNING) << text;
    std::fprintf(stderr, "corvisbench: %s\n", text.c_str());
}

}  // namespace

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
        const int err = errno;
        LOG(WARNING) << "FUNC(singletonCheck) open file failed: " << std::strerror(err);
        struct stat st {};
        if ((err == EACCES || err == EPERM) && ::lstat(path.c_str(), &st) == 0 && st.st_uid != ::geteuid()) {
            refuseForeignLock(path, st.st_uid);
        }
        LOG(WARNING) << "corvisbench exit!";
        return false;
    }
    // Another user's lock file (one we could open, being root or through its mode) is refused
    // too: its owner could hold the lock, or swap the file, at will. Root's own is trusted.
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_uid != ::geteuid() && st.st_uid != 0) {
        refuseForeignLock(path, st.st_uid);
        LOG(WARNING) << "corvisbench exit!";
        ::close(fd);
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
