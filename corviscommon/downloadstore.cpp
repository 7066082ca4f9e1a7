#include "corviscommon/downloadstore.h"

#include "corviscommon/logging.h"
#include "corviscommon/productpath.h"
#include "corviscommon/productpaths.h"
#include "corviscommon/secretmask.h"
#include "corviscommon/uniquefd.h"
#include "corviscommon/utility.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool writeAll(int fd, const QByteArray& data)
{
    const char* next = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        next += written;
        left -= written;
    }
    return true;
}

// The source name inside "<folder>/<name>.png", or empty when the path is not of that form.
QString acceptedName(const QString& folder, const QString& path)
{
    const QString head = folder + QLatin1Char('/');
    const QString tail = QStringLiteral(".png");
    if (!path.startsWith(head) || !path.endsWith(tail) || path.size() <= head.size() + tail.size()) {
        return QString();
    }
    const QString name = path.mid(head.size(), path.size() - head.size() - tail.size());
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1String("..")) || name.contains(QChar(0))) {
        return QString();
    }
    return name;
}

}  // namespace

QString DownloadStore::folder()
{
    return corvis::paths::sandboxShareDir(Utility::getSandboxtype());
}

QString DownloadStore::iconPath(const QString& name)
{
    return QStringLiteral("%1/%2.png").arg(folder(), name);
}

bool DownloadStore::write(const QString& path, const QByteArray& data)
{
    const QString dir = folder();
    const QString name = acceptedName(dir, path);
    if (name.isEmpty()) {
        LOG(WARNING) << "FUNC(DownloadStore::write) skip file, its name is empty or leaves " << dir << ": " << corvis::logSafe(path);
        return false;
    }
    return writeInto(dir, name + QStringLiteral(".png"), path, data);
}

bool DownloadStore::writeCacheFile(const QString& path, const QByteArray& data)
{
    const QString dir = corvis::paths::cacheDir();
    const QString head = dir + QLatin1Char('/');
    const QString name = path.startsWith(head) ? path.mid(head.size()) : QString();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/')) ||
        name.contains(QChar(0))) {
        LOG(WARNING) << "FUNC(DownloadStore::writeCacheFile) skip file, its name is empty or leaves " << dir << ": " << corvis::logSafe(path);
        return false;
    }
    return writeInto(dir, name, path, data);
}

bool DownloadStore::writeInto(const QString& dir, const QString& fileName, const QString& path, const QByteArray& data)
{
    const QByteArray dirBytes = dir.toLocal8Bit();
    corvis::makeDirs(dirBytes.toStdString());
    UniqueFd dirFd(::open(dirBytes.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (dirFd.get() < 0 || ::fstat(dirFd.get(), &info) != 0) {
        LOG(WARNING) << "FUNC(DownloadStore::write) skip file, cannot open folder " << dir << ": " << std::strerror(errno);
        return false;
    }
    // Another user's folder at this /tmp path could lead the picture anywhere.
    if (info.st_uid != ::geteuid() && info.st_uid != 0) {
        LOG(WARNING) << "FUNC(DownloadStore::write) skip file, folder " << dir << " belongs to uid " << info.st_uid;
        return false;
    }
    const QByteArray finalName = fileName.toLocal8Bit();
    const QByteArray tempName = QByteArray(".") + finalName + ".part" + QByteArray::number(qint64(::getpid()));
    ::unlinkat(dirFd.get(), tempName.constData(), 0);
    UniqueFd file(::openat(dirFd.get(), tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (file.get() < 0) {
        LOG(WARNING) << "FUNC(DownloadStore::write) cannot create " << corvis::logSafe(path) << ": " << std::strerror(errno);
        return false;
    }
    if (!writeAll(file.get(), data) || ::renameat(dirFd.get(), tempName.constData(), dirFd.get(), finalName.constData()) != 0) {
        LOG(WARNING) << "FUNC(DownloadStore::write) cannot write " << corvis::logSafe(path) << ": " << std::strerror(errno);
        ::unlinkat(dirFd.get(), tempName.constData(), 0);
        return false;
    }
    LOG(INFO) << "FUNC(DownloadStore::write) saved " << corvis::logSafe(path) << ", size: " << data.size();
    return true;
}
