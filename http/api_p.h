#pragma once

// What the controller calls and the local sandbox service calls of API share. Internal to http/.

#include "corviscommon/inivalues.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "http/api.h"
#include "http/jsonparse.h"
#include "corviscommon/rapidjson.h"

#include <QString>

#include <string>

namespace apidetail {

inline constexpr int kStatusOk = 2000;

// A value of an INI file as stored, for the calls that work on standard strings.
inline std::string readIni(const QString& path, const char* section, const char* key, int size,
                           const char* defaultValue = "")
{
    return corvis::ini::readBytes(path, section, key, size, defaultValue).toStdString();
}

// A reply document on a pool of 1024-byte chunks: replies are small.
struct Reply {
    rapidjson::MemoryPoolAllocator<> pool{1024};
    rapidjson::Document doc{&pool};

    bool parse(const char* operation, const std::string& text)
    {
        if (!corvis::json::parseReply(doc, text) || !doc.IsObject()) {
            LOG(ERROR) << operation << " parse false :" << corvis::logSafe(text);
            return false;
        }
        return true;
    }
};

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

inline void writeString(JsonWriter& writer, const char* key, const std::string& value)
{
    writer.Key(key);
    writer.String(value.c_str(), static_cast<rapidjson::SizeType>(value.size()));
}

inline void writeInt(JsonWriter& writer, const char* key, int64_t value)
{
    writer.Key(key);
    writer.Int64(value);
}

}  // namespace apidetail
