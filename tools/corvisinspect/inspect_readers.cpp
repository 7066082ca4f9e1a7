// corvisinspect read NAME / parse NAME: one PolicyAnalyzer reader run as the workbench runs it,
// on the documents under the (re-rooted) install root or on a reply text from standard input.

#include "tools/corvisinspect/inspectregistry.h"

#include "src/PolicyAnalyzer/policyreadercatalog.h"

#include <QFile>
#include <QStringList>

#include <cstdio>

namespace {

QString readerNames(bool takesText)
{
    QStringList names;
    for (const PolicyReaderEntry& entry : PolicyReaderCatalog::readers()) {
        if (entry.takesText == takesText) {
            names.append(entry.name);
        }
    }
    return names.join(QStringLiteral(", "));
}

const PolicyReaderEntry* findReader(const QStringList& args, bool takesText, QString& error)
{
    if (args.size() != 1) {
        error = QStringLiteral("one reader name expected: %1").arg(readerNames(takesText));
        return nullptr;
    }
    const PolicyReaderEntry* entry = PolicyReaderCatalog::find(args.first());
    if (entry == nullptr) {
        error = QStringLiteral("unknown reader \"%1\"; known: %2").arg(args.first(), readerNames(takesText));
        return nullptr;
    }
    if (entry->takesText != takesText) {
        error = entry->takesText ? QStringLiteral("%1 reads a text: use parse %1").arg(entry->name)
                                 : QStringLiteral("%1 reads %2: use read %1").arg(entry->name, entry->source);
        return nullptr;
    }
    return entry;
}

int runRead(const QStringList& args, QJsonObject& out, QString& error)
{
    const PolicyReaderEntry* entry = findReader(args, false, error);
    if (entry == nullptr) {
        return 1;
    }
    out = entry->run(QString(), PolicyRecordJson::HideSecrets);
    return 0;
}

int runParse(const QStringList& args, QJsonObject& out, QString& error)
{
    const PolicyReaderEntry* entry = findReader(args, true, error);
    if (entry == nullptr) {
        return 1;
    }
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read standard input");
        return 1;
    }
    // The reader turns its text back into local 8-bit bytes; this is the inverse.
    const QString text = QString::fromLocal8Bit(input.readAll());
    out = entry->run(text, PolicyRecordJson::HideSecrets);
    return 0;
}

const InspectRegistrar readRegistrar(QStringLiteral("read"), QStringLiteral("read NAME   a document reader on its file"),
                                     runRead);
const InspectRegistrar parseRegistrar(QStringLiteral("parse"),
                                      QStringLiteral("parse NAME  a reply-text reader on standard input"), runParse);

}  // namespace
