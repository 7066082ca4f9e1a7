// Arbitrary bytes as every document whose reader parses with RapidJSON where it reads the bytes
// as Qt does: each reader runs once with Qt alone and once as in the product, and the two
// outcomes (result and whole record) must be the same.

#include "fuzz/documentfuzz.h"
#include "src/PolicyAnalyzer/fastjsondocument.h"

#include <QJsonDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QVector<const PolicyReaderEntry*> g_readers;

const corvis::Edition::Id kEditions[] = {corvis::Edition::Id::Standard, corvis::Edition::Id::VeskUos,
                                         corvis::Edition::Id::TirrowaUosX86};

const char* const kReaders[] = {"readAppList",     "readAppCat",     "readAccessResult",
                                "readLoginAudit",  "readInformList", "readInformListForVesk"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    for (const char* name : kReaders) {
        const PolicyReaderEntry* entry = PolicyReaderCatalog::find(QString::fromLatin1(name));
        if (entry == nullptr) {
            std::abort();
        }
        g_readers.append(entry);
    }
    documentfuzz::init(g_readers);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    documentfuzz::setEdition(kEditions[size % (sizeof kEditions / sizeof kEditions[0])]);
    documentfuzz::writeDocument(data, size);
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
