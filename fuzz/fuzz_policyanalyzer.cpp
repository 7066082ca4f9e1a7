// Arbitrary bytes as every result document the workbench reads and as every reply text, in the
// editions whose readers differ. Every file path of every reader links to one file, so each input
// is written once.

#include "fuzz/documentfuzz.h"

#include <QString>

#include <cstdint>

namespace {

const corvis::Edition::Id kEditions[] = {corvis::Edition::Id::Standard, corvis::Edition::Id::VeskUos,
                                         corvis::Edition::Id::Kav, corvis::Edition::Id::TirrowaUosX86};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QVector<const PolicyReaderEntry*> readers;
    for (const PolicyReaderEntry& entry : PolicyReaderCatalog::readers()) {
        readers.append(&entry);
    }
    documentfuzz::init(readers);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The edition follows the length, so that every mutation may change it.
    documentfuzz::setEdition(kEditions[size % (sizeof kEditions / sizeof kEditions[0])]);
    documentfuzz::writeDocument(data, size);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(size));
    for (const PolicyReaderEntry& entry : PolicyReaderCatalog::readers()) {
        const QJsonObject outcome = entry.run(text, PolicyRecordJson::ShowSecrets);
        if (!outcome.value(QLatin1String("ok")).isBool()) {
            __builtin_trap();
        }
    }
    return 0;
}
