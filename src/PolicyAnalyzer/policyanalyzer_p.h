#pragma once

// What the document readers of PolicyAnalyzer share: the reader run (enter and exit lines,
// obtaining and parsing the bytes, error lines), value conversions and the documents. Internal to
// src/PolicyAnalyzer; the readers are spread over policyanalyzer*.cpp by document family.

#include "corviscommon/logbatch.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"
#include "src/PolicyAnalyzer/documentfile.h"
#include "src/PolicyAnalyzer/fastjsondocument.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <initializer_list>

namespace policyreader {

// QJsonValue::toObject().isEmpty(), named as FastJsonValue names it.
inline bool isEmptyObject(const QJsonValue& value) { return value.toObject().isEmpty(); }
inline bool isEmptyObject(const FastJsonValue& value) { return value.isEmptyObject(); }

// ---------------------------------------------------------------------------------------------
// The rules every reader shares: enter and exit lines, obtaining and parsing the bytes, and the
// error lines.

// Whether a reader ends a failure with "FUNC(name) error exit!".
enum class ErrorExit {
    Never,
    AfterFound,  // not when the file is missing
    Always,
};

struct DocumentSpec {
    const char* relativePath;  // below the install root
    int notExistCode;
    const char* notExistMessage;
    int openErrorCode;
    int parseCode;
};

class ReaderRun
{
public:
    ReaderRun(const char* name, ErrorExit errorExit) : name_(name), errorExit_(errorExit)
    {
        LOG(INFO) << "FUNC(" << name_ << ") enter";
    }

    bool loadFile(const DocumentSpec& spec)
    {
        QByteArray bytes;
        return readFile(spec, bytes) && parse(bytes);
    }

    // The bytes of the reader's file; false, with the line logged, when it is missing or unreadable.
    bool readFile(const DocumentSpec& spec, QByteArray& bytes)
    {
        isFile_ = true;
        parseCode_ = spec.parseCode;
        const QString path = corvis::paths::install(spec.relativePath);
        switch (DocumentFile::read(path, bytes)) {
        case DocumentFile::Missing:
            found_ = false;
            LOG(INFO) << corvis::errorMsg(spec.notExistCode, QString::fromLatin1(spec.notExistMessage));
            return false;
        case DocumentFile::Unreadable:
            LOG(ERROR) << corvis::errorMsg(spec.openErrorCode, QStringLiteral("filePath is %1, can't open!").arg(path));
            return false;
        case DocumentFile::Ok:
            break;
        }
        return true;
    }

    bool loadText(const QString& text, int parseCode)
    {
        parseCode_ = parseCode;
        return parse(text.toLocal8Bit());
    }

    const QJsonDocument& document() const { return document_; }

    // Where the reader's per-entry lines go (LOG_BATCHED); written before its next line.
    corvis::LogBatch& entryLines() { return entryLines_; }

    // The top-level object. A file whose top level is not an object logs the parse code; an empty
    // object logs `emptyCode` (a file reader's default: the parse code). A text reader logs
    // `emptyCode` for both, or nothing when it is 0.
    bool object(QJsonObject& out, int emptyCode = -1)
    {
        out = document_.object();
        return topObject(document_.isObject(), out.isEmpty(), emptyCode);
    }

    // object() of a top level given by what it is, whichever parser read it.
    template <class Value>
    bool object(const Value& root, int emptyCode = -1)
    {
        return topObject(root.isObject(), isEmptyObject(root), emptyCode);
    }

    // Parses the file's bytes and hands the top level to `read` (called with a FastJsonValue or a
    // QJsonValue): through RapidJSON where it reads them as Qt does, else through Qt.
    template <class Read>
    bool readDocument(const DocumentSpec& spec, Read&& read)
    {
        QByteArray bytes;
        if (!readFile(spec, bytes)) {
            return fail();
        }
        FastJsonDocument fast;
        if (fast.parseTaking(bytes)) {
            parseError_ = QJsonParseError().errorString();
            return read(fast.root());
        }
        if (!parse(bytes)) {
            return fail();
        }
        return read(document_.isObject() ? QJsonValue(document_.object()) : QJsonValue(document_.array()));
    }

private:
    bool topObject(bool isObject, bool isEmpty, int emptyCode)
    {
        if (isFile_ && !isObject) {
            logError(parseCode_, parseError_);
            return false;
        }
        if (!isEmpty) {
            return true;
        }
        if (emptyCode < 0 || emptyCode == parseCode_) {
            logError(parseCode_, parseError_);
        } else if (emptyCode > 0) {
            logError(emptyCode, QString());
        }
        return false;
    }

public:
    // An error line, then the error exit when the reader logs one.
    bool fail(int code, const QString& message = QString())
    {
        entryLines_.flush();
        logError(code, message);
        return fail();
    }

    bool fail()
    {
        entryLines_.flush();
        if (errorExit_ == ErrorExit::Always || (errorExit_ == ErrorExit::AfterFound && found_)) {
            LOG(ERROR) << "FUNC(" << name_ << ") error exit!";
        }
        return false;
    }

    bool succeed()
    {
        entryLines_.flush();
        LOG(INFO) << "FUNC(" << name_ << ") exit";
        return true;
    }

    static void logError(int code, const QString& message) { LOG(ERROR) << corvis::errorMsg(code, message); }

private:
    bool parse(const QByteArray& bytes)
    {
        QJsonParseError error{};
        document_ = QJsonDocument::fromJson(bytes, &error);
        parseError_ = error.errorString();
        if (error.error != QJsonParseError::NoError) {
            logError(parseCode_, parseError_);
            return false;
        }
        return true;
    }

    const char* name_;
    ErrorExit errorExit_;
    bool isFile_ = false;
    bool found_ = true;
    int parseCode_ = 0;
    QString parseError_;
    QJsonDocument document_;
    corvis::LogBatch entryLines_;
};

// Value conversions. A key whose value has another type than the one expected reads as missing.

inline QString text(const QJsonObject& object, QLatin1String key) { return object.value(key).toString(); }

// A JSON number as an int: its integer part; 0 for anything else, NaN or out of range.
template <class Value>
int integer(const Value& value)
{
    if (!value.isDouble()) {
        return 0;
    }
    const double number = value.toDouble();
    if (!(number > -2147483649.0 && number < 2147483648.0)) {
        return 0;
    }
    return static_cast<int>(number);
}

inline int integer(const QJsonObject& object, QLatin1String key) { return integer(object.value(key)); }

// A JSON string holding a base-10 integer; 0 for anything else.
inline int decimal(const QJsonObject& object, QLatin1String key) { return object.value(key).toString().toInt(nullptr, 10); }

// A JSON string holding a base-10 integer, as QString::toInt reads it; 0 for anything else.
inline int decimal(const QJsonValue& value) { return value.toString().toInt(nullptr, 10); }

// The same; the plain form, one to nine ASCII digits, is read without a QString.
inline int decimal(const FastJsonValue& value)
{
    const std::string_view text = value.utf8();
    if (text.empty() || text.size() > 9) {
        return value.toString().toInt(nullptr, 10);
    }
    int number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return value.toString().toInt(nullptr, 10);
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

struct RequiredKey {
    QLatin1String key;
    int code;
};

// The code of the first key the entry lacks, or 0; with `values`, the values found, in order.
// Presence alone counts here: a value of an unexpected type is present and converts as Qt
// converts it.
inline int firstMissing(const QJsonObject& entry, std::initializer_list<RequiredKey> keys, QJsonValue* values = nullptr)
{
    for (const RequiredKey& required : keys) {
        const QJsonValue value = entry.value(required.key);
        if (value.isUndefined()) {
            return required.code;
        }
        if (values != nullptr) {
            *values++ = value;
        }
    }
    return 0;
}

// The top-level object's member `key` as a non-empty object.
inline bool nonEmptyObject(const QJsonObject& parent, QLatin1String key, QJsonObject& out)
{
    const QJsonValue value = parent.value(key);
    out = value.toObject();
    return value.isObject() && !out.isEmpty();
}

// firstMissing() over a QJsonValue or a FastJsonValue entry.
template <class Value>
int firstMissingOf(const Value& entry, std::initializer_list<RequiredKey> keys, Value* values)
{
    for (const RequiredKey& required : keys) {
        Value value = entry[required.key];
        if (value.isUndefined()) {
            return required.code;
        }
        *values++ = value;
    }
    return 0;
}

// The strings of a list of objects, each field by its key; used by the device and audit lists.
// `Array` is a QJsonArray or a FastJsonValue::Array.
template <class Record, class Array, size_t N>
QList<Record> readRows(const Array& array, QString Record::*const (&fields)[N], const char* const (&keys)[N])
{
    QList<Record> rows;
    rows.reserve(array.size());
    for (const auto value : array) {
        if (isEmptyObject(value)) {
            continue;
        }
        rows.append(Record());
        Record& row = rows.last();
        for (size_t i = 0; i < N; ++i) {
            row.*fields[i] = value[QLatin1String(keys[i])].toString();
        }
    }
    return rows;
}

// ---------------------------------------------------------------------------------------------
// Documents.

inline const DocumentSpec kAccessCheckResult{corvis::paths::rel::kAccessCheckResultJson, ACCESS_CHECK_RESULT_JSON_NOT_EXIST,
                                      "ACCESS_CHECK_RESULT_JSON not exist!", ACCESS_CHECK_RESULT_JSON_OPEN_ERROR,
                                      ACCESS_CHECK_RESULT_JSON_PARSE_ERROR};
inline const DocumentSpec kDynamicAuthResult{corvis::paths::rel::kDynamicAuthResultJson, DYNAMIC_AUTH_RESULT_JSON_NOT_EXIST,
                                      "DYNAMIC_AUTH_RESULT_JSON not exist!", DYNAMIC_AUTH_RESULT_JSON_OPEN_ERROR,
                                      DYNAMIC_AUTH_RESULT_JSON_PARSE_ERROR};
inline const DocumentSpec kDynamicAuthResponse{corvis::paths::rel::kDynamicAuthResponseJson, DYNAMIC_AUTH_RESPONSE_JSON_NOT_EXIST,
                                        "DYNAMIC_AUTH_RESPONSE_JSON not exist!", DYNAMIC_AUTH_RESPONSE_JSON_OPEN_ERROR,
                                        DYNAMIC_AUTH_RESPONSE_JSON_PARSE_ERROR};
inline const DocumentSpec kAppList{corvis::paths::rel::kAppListJson, RESOURCE_JSON_NOT_EXIST, "resource JSON not exist!",
                            RESOURCE_JSON_OPEN_ERROR, JSON_PARSE_ERROR};
inline const DocumentSpec kResource{corvis::paths::rel::kResourceJson, RESOURCE_JSON_NOT_EXIST, "resource JSON not exist!",
                             RESOURCE_JSON_OPEN_ERROR, JSON_PARSE_ERROR};
inline const DocumentSpec kAppApplyList{corvis::paths::rel::kAppApplyListJson, RESOURCE_JSON_NOT_EXIST, "resource JSON not exist!",
                                 RESOURCE_JSON_OPEN_ERROR, JSON_PARSE_ERROR};
inline const DocumentSpec kAppCat{corvis::paths::rel::kAppCatJson, APP_CAT_JSON_NOT_EXIST, "appCat JSON not exist!", APP_CAT_JSON_OPEN_ERROR,
                           JSON_PARSE_ERROR};
inline const DocumentSpec kPolicy{corvis::paths::rel::kSandboxPolicyJson, POLICY_JSON_NOT_EXIST, "policy JSON not exist!",
                           POLICY_JSON_OPEN_ERROR, JSON_PARSE_ERROR};
inline const DocumentSpec kSystemTitle{corvis::paths::rel::kSystemTitleJson, SYSTEM_TITLE_JSON_NOT_EXIST, "systemTitle.json not exist!",
                                SYSTEM_TITLE_JSON_OPEN_ERROR, JSON_PARSE_ERROR};
inline const DocumentSpec kCarousel{corvis::paths::rel::kCarouselJson, CAROUSEL_JSON_NOT_EXIST, "carousel.json not exist!",
                             CAROUSEL_JSON_OPEN_ERROR, JSON_PARSE_ERROR};
// A file that cannot be opened logs the code it shares with the network-mode policy.
inline const DocumentSpec kVeskAuthImage{corvis::paths::rel::kVeskAuthImageJson, VESK_AUTH_IMAGE_JSON_NOT_EXIST,
                                  "veskAuthImage JSON not exist!", POLICY_JSON_OPEN_ERROR, JSON_PARSE_ERROR};
inline const DocumentSpec kDeviceBind{corvis::paths::rel::kDeviceBindJson, DEVICE_BIND_JSON_NOT_EXIST, "DEVICE_BIND_JSON not exist!",
                               DEVICE_BIND_JSON_OPEN_ERROR, DEVICE_BIND_JSON_PARSE_ERROR};
inline const DocumentSpec kLoginAudit{corvis::paths::rel::kLoginAuditJson, LOGIN_AUDIT_JSON_NOT_EXIST, "LOGIN_AUDIT_JSON not exist!",
                               LOGIN_AUDIT_JSON_OPEN_ERROR, LOGIN_AUDIT_JSON_PARSE_ERROR};
inline const DocumentSpec kInformList{corvis::paths::rel::kInformListJson, INFORM_LIST_JSON_NOT_EXIST, "INFORM_LIST_JSON not exist!",
                               INFORM_LIST_JSON_OPEN_ERROR, INFORM_LIST_JSON_PARSE_ERROR};
inline const DocumentSpec kVeskInformList{corvis::paths::rel::kVeskInformListJson, INFORM_LIST_JSON_NOT_EXIST,
                                   "VESK_INFORM_LIST_JSON not exist!", INFORM_LIST_JSON_OPEN_ERROR,
                                   INFORM_LIST_JSON_PARSE_ERROR};

}  // namespace policyreader
