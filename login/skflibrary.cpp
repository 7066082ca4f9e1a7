#include "login/skflibrary.h"

#include "app/common.h"
#include "corviscommon/inifile.h"
#include "corviscommon/logging.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <dlfcn.h>

#include <vector>

namespace {

// An absolute path fits this; a longer value is not a path we would load.
constexpr int kPathSize = 4096;

template <class F>
bool resolve(void* handle, const char* name, F& out)
{
    // dlsym hands back an object pointer; the cast to a function pointer is how POSIX means it.
    out = reinterpret_cast<F>(::dlsym(handle, name));
    return out != nullptr;
}

}  // namespace

SkfLibrary::~SkfLibrary()
{
    unload();
}

QString SkfLibrary::configuredPath()
{
    const QByteArray file = Common::sysCfgPath().toLocal8Bit();
    std::vector<char> buffer(kPathSize, '\0');
    ReadStringFromIni(file.constData(), "UKey", "SkfLibrary", buffer.data(), kPathSize, "");
    return QString::fromLocal8Bit(buffer.data()).trimmed();
}

QString SkfLibrary::bundledPath()
{
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString dir = exe.isEmpty() ? QDir::currentPath() : QFileInfo(exe).absolutePath();
    const QString name = QString::fromLatin1(kBundledName);
    const QStringList candidates{dir + QLatin1Char('/') + name, dir + QStringLiteral("/lib/") + name,
                                 QDir::cleanPath(dir + QStringLiteral("/../lib/") + name)};
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile()) {
            return candidate;
        }
    }
    return candidates.first();
}

QString SkfLibrary::libraryPath()
{
    const QString configured = configuredPath();
    return configured.isEmpty() ? bundledPath() : configured;
}

bool SkfLibrary::load()
{
    return load(libraryPath());
}

bool SkfLibrary::fail(const QString& why)
{
    error_ = why;
    LOG(ERROR) << "FUNC(SkfLibrary::load) " << why;
    unload();
    return false;
}

bool SkfLibrary::load(const QString& path)
{
    unload();
    path_ = path;
    error_.clear();
    if (path.isEmpty() || !QDir::isAbsolutePath(path)) {
        // A bare name would be searched along the library path: only a named file is loaded.
        return fail(QStringLiteral("token library path is not absolute: \"%1\"").arg(path));
    }
    ::dlerror();
    handle_ = ::dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = ::dlerror();
        return fail(QStringLiteral("cannot load the token library %1: %2")
                        .arg(path, QString::fromLocal8Bit(why != nullptr ? why : "unknown error")));
    }
    struct Entry {
        const char* name;
        bool ok;
    };
    const Entry entries[] = {
        {"SKF_EnumDev", resolve(handle_, "SKF_EnumDev", fn_.EnumDev)},
        {"SKF_ConnectDev", resolve(handle_, "SKF_ConnectDev", fn_.ConnectDev)},
        {"SKF_DisConnectDev", resolve(handle_, "SKF_DisConnectDev", fn_.DisConnectDev)},
        {"SKF_EnumApplication", resolve(handle_, "SKF_EnumApplication", fn_.EnumApplication)},
        {"SKF_OpenApplication", resolve(handle_, "SKF_OpenApplication", fn_.OpenApplication)},
        {"SKF_CloseApplication", resolve(handle_, "SKF_CloseApplication", fn_.CloseApplication)},
        {"SKF_EnumContainer", resolve(handle_, "SKF_EnumContainer", fn_.EnumContainer)},
        {"SKF_OpenContainer", resolve(handle_, "SKF_OpenContainer", fn_.OpenContainer)},
        {"SKF_CloseContainer", resolve(handle_, "SKF_CloseContainer", fn_.CloseContainer)},
        {"SKF_ExportCertificate", resolve(handle_, "SKF_ExportCertificate", fn_.ExportCertificate)},
        {"SKF_VerifyPIN", resolve(handle_, "SKF_VerifyPIN", fn_.VerifyPIN)},
        {"SKF_ExportPublicKey", resolve(handle_, "SKF_ExportPublicKey", fn_.ExportPublicKey)},
        {"SKF_DigestInit", resolve(handle_, "SKF_DigestInit", fn_.DigestInit)},
        {"SKF_Digest", resolve(handle_, "SKF_Digest", fn_.Digest)},
        {"SKF_ECCSignData", resolve(handle_, "SKF_ECCSignData", fn_.ECCSignData)},
        {"SKF_ECCVerify", resolve(handle_, "SKF_ECCVerify", fn_.ECCVerify)},
    };
    QStringList missing;
    for (const Entry& entry : entries) {
        if (!entry.ok) {
            missing << QString::fromLatin1(entry.name);
        }
    }
    if (!missing.isEmpty()) {
        return fail(QStringLiteral("the token library %1 lacks %2").arg(path, missing.join(QStringLiteral(", "))));
    }
    resolve(handle_, "SKF_CloseHandle", fn_.CloseHandle);
    resolve(handle_, "CORVIS_SKF_OpenHandleCount", fn_.OpenHandleCount);
    LOG(INFO) << "FUNC(SkfLibrary::load) token library: " << path;
    return true;
}

void SkfLibrary::unload()
{
    if (handle_ != nullptr) {
        ::dlclose(handle_);
        handle_ = nullptr;
    }
    fn_ = Functions();
}

int SkfLibrary::openHandleCount() const
{
    return fn_.OpenHandleCount != nullptr ? fn_.OpenHandleCount() : -1;
}
