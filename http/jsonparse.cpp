#include "http/jsonparse.h"

#include "corviscommon/logging.h"

namespace corvis {
namespace json {

int nestingDepth(const char* text, size_t length, int limit)
{
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        switch (c) {
        case '"':
            inString = true;
            break;
        case '[':
        case '{':
            if (++depth > deepest) {
                deepest = depth;
                if (deepest > limit) {
                    return deepest;
                }
            }
            break;
        case ']':
        case '}':
            if (depth > 0) {
                --depth;
            }
            break;
        default:
            break;
        }
    }
    return deepest;
}

bool parseReply(rapidjson::Document& doc, const std::string& text)
{
    doc.SetNull();
    if (text.size() > kMaxText) {
        LOG(ERROR) << "JSON text of " << text.size() << " bytes refused, more than " << kMaxText;
        return false;
    }
    if (nestingDepth(text.data(), text.size(), kMaxDepth) > kMaxDepth) {
        LOG(ERROR) << "JSON text nested deeper than " << kMaxDepth << " levels refused";
        return false;
    }
    doc.Parse<rapidjson::kParseIterativeFlag>(text.c_str(), text.size());
    return !doc.HasParseError();
}

}  // namespace json
}  // namespace corvis
