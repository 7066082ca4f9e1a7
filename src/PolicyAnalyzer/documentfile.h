#pragma once

#include <QByteArray>
#include <QString>

// Reads a result document whole. Only regular files are read: a FIFO, a device or a directory at
// the path would block or never end, so it counts as a file that cannot be opened.
class DocumentFile
{
public:
    enum Status {
        Ok,
        Missing,     // nothing at the path (or a dangling link)
        Unreadable,  // not a regular file, no permission, a read error, or larger than kMaxSize
    };

    // Documents are a few megabytes at most; anything larger is refused rather than held twice
    // (bytes and parsed tree) in memory.
    static constexpr qint64 kMaxSize = 256 * 1024 * 1024;

    // The file's bytes as a text-mode read sees them (carriage returns dropped).
    static Status read(const QString& path, QByteArray& bytes);
};
