#pragma once

#include <QByteArray>
#include <QString>

// The INI primitives (inifile.h) for callers that hold Qt paths: one buffer size and default per
// read, as each key's owner fixes them.
namespace corvis {
namespace ini {

// The value as stored (trimmed), or `defaultValue` when the file, section or key is missing or
// the value does not fit `size` bytes with its terminator.
QByteArray readBytes(const QString& path, const char* section, const char* key, int size,
                     const char* defaultValue = "");
// readBytes as UTF-8 text.
QString readString(const QString& path, const char* section, const char* key, int size,
                   const char* defaultValue = "");
// The base-10 integer value, or `defaultValue` for a missing or non-integer value.
int readInt(const QString& path, const char* section, const char* key, int defaultValue);
// Inserts or replaces one key (the file is created when missing).
void write(const QString& path, const char* section, const char* key, const QByteArray& value);

}  // namespace ini
}  // namespace corvis
