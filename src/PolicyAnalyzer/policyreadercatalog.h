#pragma once

#include "src/PolicyAnalyzer/policyrecordjson.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// Every PolicyAnalyzer reader by name, run on a fresh record, with the outcome as JSON:
// {"ok": bool, "record": ...}. The diagnostics tool, the tests and the fuzz target share it, so
// that none of them misses a reader.
struct PolicyReaderEntry {
    QString name;      // the reader's name; the other layouts of readDeviceBindInfo add ":RecordType"
    bool takesText;    // a reply-text reader ("parse NAME"); otherwise it reads a fixed file
    QString source;    // what it reads, in words
    QStringList files; // a file reader's files below the install root, in every edition
    std::function<QJsonObject(const QString& text, PolicyRecordJson::Secrets secrets)> run;
};

class PolicyReaderCatalog
{
public:
    static const QVector<PolicyReaderEntry>& readers();
    static const PolicyReaderEntry* find(const QString& name);
};
