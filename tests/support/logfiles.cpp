#include "logfiles.h"

#include "testprefix.h"

#include <QDir>

QString workbenchLog(const QString& prefixRoot, const QString& severity)
{
    QDir dir(prefixRoot + QStringLiteral("/opt/quintrel/orvane/log"));
    QString text;
    const QStringList files = dir.entryList({QStringLiteral("corvisbench.%1.*").arg(severity)}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        text += QString::fromLocal8Bit(readFile(dir.filePath(name)));
    }
    return text;
}
