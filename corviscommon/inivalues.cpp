#include "corviscommon/inivalues.h"

#include "corviscommon/inifile.h"

#include <vector>

namespace corvis {
namespace ini {

QByteArray readBytes(const QString& path, const char* section, const char* key, int size, const char* defaultValue)
{
    std::vector<char> buffer(static_cast<size_t>(size > 0 ? size : 1), '\0');
    const QByteArray file = path.toLocal8Bit();
    ReadStringFromIni(file.constData(), section, key, buffer.data(), static_cast<int>(buffer.size()), defaultValue);
    return QByteArray(buffer.data());
}

QString readString(const QString& path, const char* section, const char* key, int size, const char* defaultValue)
{
    return QString::fromUtf8(readBytes(path, section, key, size, defaultValue));
}

int readInt(const QString& path, const char* section, const char* key, int defaultValue)
{
    int value = defaultValue;
    const QByteArray file = path.toLocal8Bit();
    ReadIntFromIni(file.constData(), section, key, value, defaultValue);
    return value;
}

void write(const QString& path, const char* section, const char* key, const QByteArray& value)
{
    const QByteArray file = path.toLocal8Bit();
    inifile_write(file.constData(), section, key, value.constData(), nullptr);
}

}  // namespace ini
}  // namespace corvis
