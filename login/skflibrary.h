#pragma once

#include "login/skfapi.h"

#include <QString>

// A token library loaded at run time: the one named by SkfLibrary in the [UKey] section of
// ini/syscfg.ini (an absolute path), or, when that key is absent or empty, the software token
// installed beside the program. A library that cannot be loaded or lacks one of the functions the
// certificate login calls is refused whole, with an ERROR line that names what is missing.
// Loading and the calls may happen on any thread; one object is not shared between threads
// without the caller's own locking. The library is unloaded with the object.
class SkfLibrary
{
public:
    // The sixteen functions the certificate login calls, and two that are used when present.
    struct Functions {
        decltype(&::SKF_EnumDev) EnumDev = nullptr;
        decltype(&::SKF_ConnectDev) ConnectDev = nullptr;
        decltype(&::SKF_DisConnectDev) DisConnectDev = nullptr;
        decltype(&::SKF_EnumApplication) EnumApplication = nullptr;
        decltype(&::SKF_OpenApplication) OpenApplication = nullptr;
        decltype(&::SKF_CloseApplication) CloseApplication = nullptr;
        decltype(&::SKF_EnumContainer) EnumContainer = nullptr;
        decltype(&::SKF_OpenContainer) OpenContainer = nullptr;
        decltype(&::SKF_CloseContainer) CloseContainer = nullptr;
        decltype(&::SKF_ExportCertificate) ExportCertificate = nullptr;
        decltype(&::SKF_VerifyPIN) VerifyPIN = nullptr;
        decltype(&::SKF_ExportPublicKey) ExportPublicKey = nullptr;
        decltype(&::SKF_DigestInit) DigestInit = nullptr;
        decltype(&::SKF_Digest) Digest = nullptr;
        decltype(&::SKF_ECCSignData) ECCSignData = nullptr;
        decltype(&::SKF_ECCVerify) ECCVerify = nullptr;
        // Optional.
        decltype(&::SKF_CloseHandle) CloseHandle = nullptr;
        decltype(&::CORVIS_SKF_OpenHandleCount) OpenHandleCount = nullptr;
    };

    // The software token's file name.
    static constexpr const char* kBundledName = "libcorvisskf.so";

    SkfLibrary() = default;
    ~SkfLibrary();
    SkfLibrary(const SkfLibrary&) = delete;
    SkfLibrary& operator=(const SkfLibrary&) = delete;

    // The configured path ([UKey] SkfLibrary), trimmed; empty when absent or empty.
    static QString configuredPath();
    // The software token beside the program: the directory of /proc/self/exe, or a lib directory
    // next to it or one level up (build/bin/.. /lib). The first that holds the file; else the
    // first candidate, so that a failure names a real place.
    static QString bundledPath();
    // configuredPath(), or bundledPath() when none is configured.
    static QString libraryPath();

    // Loads libraryPath() / `path` and resolves the functions. False (and nothing loaded) when the
    // path is not absolute, the library cannot be loaded, or a function is missing.
    bool load();
    bool load(const QString& path);
    void unload();

    bool isLoaded() const { return handle_ != nullptr; }
    const Functions& fn() const { return fn_; }
    QString path() const { return path_; }
    // Why the last load failed ("" after a success).
    QString errorString() const { return error_; }
    // The software token's open-handle count; -1 when the library does not tell.
    int openHandleCount() const;

private:
    bool fail(const QString& why);

    void* handle_ = nullptr;
    Functions fn_;
    QString path_;
    QString error_;
};
