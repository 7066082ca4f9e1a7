#pragma once

#include <QByteArray>
#include <QString>

// Pictures downloaded for the sandbox side (the portal's application icons), kept as
// "<folder>/<source>.png" in the folder the sandbox shares: /tmp/.corvis_cfs with sandbox type 1,
// /tmp/._corvisdata otherwise.
//
// The name comes from a controller document, so write() takes only a plain file name directly in
// that folder: a name that is empty or holds "/" or ".." is refused, and nothing is ever written
// through a symbolic link.
class DownloadStore
{
public:
    static QString folder();
    // "<folder>/<name>.png"; whether the name is acceptable is decided by write().
    static QString iconPath(const QString& name);

    // Replaces the file at `path` with `data`. Refused with a WARNING line (and false): a path
    // that is not "<folder>/<name>.png" with a non-empty name without "/", ".." or NUL; a folder
    // that is a symbolic link or belongs to another user than ours or root. The folder is created
    // when missing. The file is written beside its final name and renamed over it, so a link
    // planted at the path is replaced, never followed.
    static bool write(const QString& path, const QByteArray& data);

    // The same for a picture of the product's cache (the portal's icon files): `path` must be
    // "<cache>/<name>" with a plain file name (not empty, ".", "..", nor holding "/" or NUL).
    static bool writeCacheFile(const QString& path, const QByteArray& data);

    DownloadStore() = delete;

private:
    // Writes `fileName` in `dir` with the checks above; `path` names it in log lines.
    static bool writeInto(const QString& dir, const QString& fileName, const QString& path, const QByteArray& data);
};
