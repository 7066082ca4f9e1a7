#pragma once

#include <QString>
#include <QStringList>

// corvistoken under the current prefix, for tests that need USB keys of the software token.
class TokenTool
{
public:
    static QString program();
    // The exit status (-1 when it did not finish); standard output and error in `output`.
    static int run(const QStringList& args, QString* output = nullptr);
    // A key `device` with application CORVIS and `pin`, and the named containers with certificates
    // of the test authority; a fast PIN hash (one round) unless `iterations` says otherwise.
    static bool makeKey(const QString& device, const QString& pin, const QStringList& containers, int iterations = 1);
    // Where the key's files are.
    static QString containerDir(const QString& device, const QString& container, const QString& app = QStringLiteral("CORVIS"));
};
