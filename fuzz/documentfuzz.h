#pragma once

// What the fuzz targets of the document readers share: a prefix of their own, one document file
// that every file path of the readers links to (so that each input is written once), and the
// edition set through the configuration file. Each target includes this in its one source.

#include "app/common.h"
#include "corviscommon/edition.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpath.h"
#include "corviscommon/productpaths.h"
#include "src/PolicyAnalyzer/policyreadercatalog.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QVector>

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

// Qt 5.15's JSON parser loses the earlier value of a duplicated key when that value is an object
// or an array ({"a": [1], "a": [2]}): a leak inside Qt that no caller can avoid. Qt is built
// without frame pointers, so such a report stops inside Qt and can only be told by its module;
// a leak of ours starts in our own frames and is still reported.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libQt5Core.so\n";
}

namespace documentfuzz {

inline int& documentFd()
{
    static int fd = -1;
    return fd;
}

// A prefix of its own unless one is given, the log output dropped (the log statements still
// run), and every file of `readers` a link to the one document file.
inline void init(const QVector<const PolicyReaderEntry*>& readers)
{
    if (qEnvironmentVariableIsEmpty("CORVISBENCH_PREFIX")) {
        static char root[] = "/tmp/cvbfuzz.XXXXXX";
        if (::mkdtemp(root) == nullptr) {
            std::abort();
        }
        ::setenv("CORVISBENCH_PREFIX", root, 1);
    }
    FLAGS_minloglevel = google::GLOG_FATAL;

    const QString document = corvis::installPathQ(QStringLiteral("fuzz-document"));
    QDir().mkpath(corvis::paths::install(corvis::paths::rel::kIniDir));
    documentFd() = ::open(QFile::encodeName(document).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (documentFd() < 0) {
        std::abort();
    }
    for (const PolicyReaderEntry* entry : readers) {
        for (const QString& relative : entry->files) {
            const QString path = corvis::installPathQ(relative);
            QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
            QFile::remove(path);
            if (!QFile::link(document, path)) {
                std::abort();
            }
        }
    }
}

// The input as the whole document.
inline void writeDocument(const uint8_t* data, size_t size)
{
    const int fd = documentFd();
    ::ftruncate(fd, 0);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
}

// The edition named in the configuration; written only when it changes.
inline void setEdition(corvis::Edition::Id edition)
{
    static bool set = false;
    static corvis::Edition::Id current;
    if (set && edition == current) {
        return;
    }
    set = true;
    current = edition;
    const QByteArray syscfg = QByteArray("[Mervasso]\ncustomProject=") + corvis::Edition::projectId(edition).toLatin1() + "\n";
    QFile file(corvis::paths::sysCfg());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(syscfg);
    }
    file.close();
    Common::resetCachesForTest();
}

}  // namespace documentfuzz
