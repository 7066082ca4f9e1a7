// Controller replies through the RapidJSON helper (and the typed reads that follow a successful
// parse), and the same text through Qt's parser, which reads the client service's
// documents. An input beginning with 'D' is wrapped in deep nesting built from its next bytes
// (up to 262,140 levels), so that every run reaches the depths that overflow a recursive parser.

#include "http/jsonfields.h"
#include "http/jsonparse.h"

#include <glog/logging.h>

#include <QByteArray>
#include <QJsonDocument>

#include <cstdint>
#include <string>

namespace {

// Walks a parsed value the way the API's readers do.
void readLikeTheApi(const rapidjson::Value& value, int depth)
{
    std::string text;
    int number = 0;
    corvis::json::copyString(value, "msg", text);
    corvis::json::copyInt(value, "status", number);
    corvis::json::copyInteger64AsText(value, "id", text);
    if (const rapidjson::Value* data = corvis::json::objectMember(value, "data")) {
        readLikeTheApi(*data, depth + 1);
    }
    if (const rapidjson::Value* list = corvis::json::arrayMember(value, "recordList")) {
        for (const rapidjson::Value& item : list->GetArray()) {
            readLikeTheApi(item, depth + 1);
        }
    }
}

}  // namespace

// Qt 5.15's JSON parser loses the earlier value of a duplicated key when that value is an object
// or an array: a leak inside Qt that no caller can avoid (see fuzz_policyanalyzer.cpp).
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libQt5Core.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FLAGS_minloglevel = google::GLOG_FATAL;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text;
    if (size >= 4 && data[0] == 'D') {
        static const char* const kOpen[] = {"[", "{\"data\":", "[{\"recordList\":["};
        static const char* const kClose[] = {"]", "}", "]}]"};
        const int kind = data[1] % 3;
        const int depth = ((data[2] << 8) | data[3]) * 4;
        const std::string open(kOpen[kind]);
        const std::string close(kClose[kind]);
        text.reserve((open.size() + close.size()) * size_t(depth) + size);
        for (int i = 0; i < depth; ++i) {
            text += open;
        }
        text.append(reinterpret_cast<const char*>(data) + 4, size - 4);
        // With the top bit of the second byte, half of the nesting is left open.
        const int closing = (data[1] & 0x80) != 0 ? depth / 2 : depth;
        for (int i = 0; i < closing; ++i) {
            text += close;
        }
    } else {
        text.assign(reinterpret_cast<const char*>(data), size);
    }

    rapidjson::Document doc;
    if (corvis::json::parseReply(doc, text)) {
        // Accepted texts are shallow: the recursive readers are safe on them.
        if (corvis::json::nestingDepth(text.data(), text.size(), corvis::json::kMaxDepth) > corvis::json::kMaxDepth) {
            __builtin_trap();
        }
        readLikeTheApi(doc, 0);
    }
    QJsonParseError error{};
    const QJsonDocument qt = QJsonDocument::fromJson(QByteArray::fromRawData(text.data(), int(text.size())), &error);
    (void)qt;
    return 0;
}
