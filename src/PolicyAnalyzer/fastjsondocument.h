#pragma once

#include "src/PolicyAnalyzer/fastjsonvalue.h"

#include <QByteArray>

// A JSON document parsed with RapidJSON, for the readers of large documents, where the value
// model of QJsonDocument costs more than the reading itself.
//
// parse() accepts only a document that QJsonDocument::fromJson reads to the same values: a
// top-level object or array, nested at most kMaxDepth deep, in valid UTF-8, with none of the
// forms where the two parsers differ (a NUL byte, an escaped surrogate, a number that is 0 or out
// of range as a double, an object of more than 16 members with a duplicated key, BOM, lenient
// escapes and numbers Qt allows). For anything else it
// returns false and the reader parses the bytes with Qt, which also words the error.
class FastJsonDocument
{
public:
    // Qt refuses nesting beyond 1024; well below that both agree.
    static constexpr int kMaxDepth = 512;

    bool parse(const QByteArray& bytes);
    // parse() without a copy of the bytes: on success the document keeps them and `bytes` is left
    // empty; otherwise `bytes` is given back as it came.
    bool parseTaking(QByteArray& bytes);
    FastJsonValue root() const { return FastJsonValue(&document_); }

    // Test hook: with `on`, parse() always declines, so that every reader takes the Qt path.
    static void setDisabled(bool on);
    static bool disabled();

private:
    // Whether `bytes` may go to RapidJSON at all; `escapes` tells whether they hold a backslash.
    static bool acceptable(const QByteArray& bytes, bool& escapes);
    // Parses text_ in place.
    bool parseText();

    QByteArray text_;  // the strings of document_ point into it
    rapidjson::Document document_;
};
