#include "corviscommon/productpath.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

namespace corvis {

std::string pathPrefix()
{
    const char* prefix = std::getenv("CORVISBENCH_PREFIX");
    if (prefix == nullptr || prefix[0] == '\0') {
        return std::string();
    }
    std::string value(prefix);
    while (value.size() > 1 && value.back() == '/') {
        value.pop_back();
    }
    return value;
}

std::string productPath(const std::string& path)
{
    return pathPrefix() + path;
}

QString productPathQ(const QString& path)
{
    return QString::fromLocal8Bit(pathPrefix().c_str()) + path;
}

std::string installPath(const std::string& relative)
{
    std::string path(kInstallRoot);
    if (!relative.empty()) {
        if (relative.front() != '/') {
            path += '/';
        }
        path += relative;
    }
    return productPath(path);
}

QString installPathQ(const QString& relative)
{
    return QString::fromLocal8Bit(installPath(relative.toLocal8Bit().toStdString()).c_str());
}

bool makeDirs(const std::string& dir)
{
    if (dir.empty()) {
        return false;
    }
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = dir.find('/', pos + 1);
        partial = dir.substr(0, pos);
        if (partial.empty()) {
            continue;
        }
        if (::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
            return false;
        }
    }
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool makeParentDirs(const std::string& file)
{
    const size_t slash = file.rfind('/');
    if (slash == std::string::npos || slash == 0) {
        return true;
    }
    return makeDirs(file.substr(0, slash));
}

}  // namespace corvis
