#include "http/jsonfields.h"

namespace corvis {
namespace json {

const rapidjson::Value* member(const rapidjson::Value& object, const char* key)
{
    if (!object.IsObject()) {
        return nullptr;
    }
    const auto it = object.FindMember(key);
    return it == object.MemberEnd() ? nullptr : &it->value;
}

const rapidjson::Value* objectMember(const rapidjson::Value& object, const char* key)
{
    const rapidjson::Value* value = member(object, key);
    return value != nullptr && value->IsObject() ? value : nullptr;
}

const rapidjson::Value* arrayMember(const rapidjson::Value& object, const char* key)
{
    const rapidjson::Value* value = member(object, key);
    return value != nullptr && value->IsArray() ? value : nullptr;
}

bool copyInt(const rapidjson::Value& object, const char* key, int& out)
{
    const rapidjson::Value* value = member(object, key);
    if (value == nullptr || !value->IsInt()) {
        return false;
    }
    out = value->GetInt();
    return true;
}

bool copyString(const rapidjson::Value& object, const char* key, std::string& out)
{
    const rapidjson::Value* value = member(object, key);
    if (value == nullptr || !value->IsString()) {
        return false;
    }
    out.assign(value->GetString(), value->GetStringLength());
    return true;
}

bool copyInteger64AsText(const rapidjson::Value& object, const char* key, std::string& out)
{
    const rapidjson::Value* value = member(object, key);
    if (value == nullptr) {
        return false;
    }
    if (value->IsInt64()) {
        out = std::to_string(value->GetInt64());
        return true;
    }
    if (value->IsUint64()) {
        out = std::to_string(value->GetUint64());
        return true;
    }
    return false;
}

}  // namespace json
}  // namespace corvis
