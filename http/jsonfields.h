#pragma once

#include "corviscommon/rapidjson.h"

#include <string>

// Typed reads of controller replies: a key is copied only when it is present with the expected
// type; anything else leaves the target as it was. Safe on values that are not objects.
namespace corvis {
namespace json {

const rapidjson::Value* member(const rapidjson::Value& object, const char* key);
const rapidjson::Value* objectMember(const rapidjson::Value& object, const char* key);
const rapidjson::Value* arrayMember(const rapidjson::Value& object, const char* key);

bool copyInt(const rapidjson::Value& object, const char* key, int& out);
bool copyString(const rapidjson::Value& object, const char* key, std::string& out);
// A 64-bit signed or unsigned integer as decimal text.
bool copyInteger64AsText(const rapidjson::Value& object, const char* key, std::string& out);

}  // namespace json
}  // namespace corvis
