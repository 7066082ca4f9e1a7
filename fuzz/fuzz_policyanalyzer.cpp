// Arbitrary bytes as every result document the workbench reads and as every reply text, in the
// editions whose readers differ. Every file path of every reader links to one file, so each input
// is written once.

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

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_document = -1;
int g_edition = -1;

const corvis::Edition::Id kEditions[] = {corvis::Edition::Id::Standard, corvis::Edition::Id::VeskUos,
                                         corvis::Edition::Id::Kav, corvis::Edition::Id::TirrowaUosX86};

void writeAll(int fd, const uint8_t* data, size_t size)
{
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

void setEdition(int edition)
{
    if (edition == g_edition) {
        return;
    }
    g_edition = edition;
    const QByteArray syscfg =
        QByteArray("[Mervasso]\ncustomProject=") + corvis::Edition::projectId(kEditions[edition]).toLatin1() + "\n";
    QFile file(corvis::paths::sysCfg());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(syscfg);
    }
    file.close();
    Common::resetCachesForTest();
}

}  // namespace

// Qt 5.15's JSON parser loses the earlier value of a duplicated key when that value is an object
// or an array ({"a": [1], "a": [2]}): a leak inside Qt that no caller can avoid. Qt is built
// without frame pointers, so such a report stops inside Qt and can only be told by its module;
// a leak of ours starts in our own frames and is still reported.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libQt5Core.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (qEnvironmentVariableIsEmpty("CORVISBENCH_PREFIX")) {
        static char root[] = "/tmp/cvbfuzz.XXXXXX";
        if (::mkdtemp(root) == nullptr) {
            std::abort();
        }
        ::setenv("CORVISBENCH_PREFIX", root, 1);
    }
    // The log statements still run; only their output is dropped.
    FLAGS_minloglevel = google::GLOG_FATAL;

    const QString document = corvis::installPathQ(QStringLiteral("fuzz-document"));
    QDir().mkpath(corvis::paths::install(corvis::paths::rel::kIniDir));
    g_document = ::open(QFile::encodeName(document).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (g_document < 0) {
        std::abort();
    }
    for (const PolicyReaderEntry& entry : PolicyReaderCatalog::readers()) {
        for (const QString& relative : entry.files) {
            const QString path = corvis::installPathQ(relative);
            QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
            QFile::remove(path);
            if (!QFile::link(document, path)) {
                std::abort();
            }
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The edition follows the length, so that every mutation may change it.
    setEdition(static_cast<int>(size % (sizeof kEditions / sizeof kEditions[0])));
    writeAll(g_document, data, size);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(size));
    for (const PolicyReaderEntry& entry : PolicyReaderCatalog::readers()) {
        const QJsonObject outcome = entry.run(text, PolicyRecordJson::ShowSecrets);
        if (!outcome.value(QLatin1String("ok")).isBool()) {
            __builtin_trap();
        }
    }
    return 0;
}
