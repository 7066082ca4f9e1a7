// Arbitrary bytes as every document whose reader parses with RapidJSON where it reads the bytes
// as Qt does: each reader runs once with Qt alone and once as in the product, and the two
// outcomes (result and whole record) must be the same.

#include "app/common.h"
#include "corviscommon/edition.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpath.h"
#include "corviscommon/productpaths.h"
#include "src/PolicyAnalyzer/fastjsondocument.h"
#include "src/PolicyAnalyzer/policyreadercatalog.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_document = -1;
int g_edition = -1;
QVector<const PolicyReaderEntry*> g_readers;

const corvis::Edition::Id kEditions[] = {corvis::Edition::Id::Standard, corvis::Edition::Id::VeskUos,
                                         corvis::Edition::Id::TirrowaUosX86};

const char* const kReaders[] = {"readAppList",     "readAppCat",     "readAccessResult",
                                "readLoginAudit",  "readInformList", "readInformListForVesk"};

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
// or an array: a leak inside Qt, told by its module since Qt has no frame pointers.
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
    FLAGS_minloglevel = google::GLOG_FATAL;

    const QString document = corvis::installPathQ(QStringLiteral("fuzz-document"));
    QDir().mkpath(corvis::paths::install(corvis::paths::rel::kIniDir));
    g_document = ::open(QFile::encodeName(document).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (g_document < 0) {
        std::abort();
    }
    for (const char* name : kReaders) {
        const PolicyReaderEntry* entry = PolicyReaderCatalog::find(QString::fromLatin1(name));
        if (entry == nullptr) {
            std::abort();
        }
        g_readers.append(entry);
        for (const QString& relative : entry->files) {
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
    setEdition(static_cast<int>(size % (sizeof kEditions / sizeof kEditions[0])));
    writeAll(g_document, data, size);
    for (const PolicyReaderEntry* entry : g_readers) {
        FastJsonDocument::setDisabled(true);
        const QJsonObject qt = entry->run(QString(), PolicyRecordJson::ShowSecrets);
        FastJsonDocument::setDisabled(false);
        const QJsonObject product = entry->run(QString(), PolicyRecordJson::ShowSecrets);
        if (qt != product) {
            std::fprintf(stderr, "%s differs\nQt:      %s\nproduct: %s\n", qPrintable(entry->name),
                         QJsonDocument(qt).toJson(QJsonDocument::Compact).constData(),
                         QJsonDocument(product).toJson(QJsonDocument::Compact).constData());
            __builtin_trap();
        }
    }
    return 0;
}
