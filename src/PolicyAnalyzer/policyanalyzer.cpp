#include "src/PolicyAnalyzer/policyanalyzer.h"

#include "app/common.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpath.h"
#include "src/PolicyAnalyzer/documentfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QUrl>

#include <algorithm>
#include <initializer_list>
#include <iterator>

namespace {

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
        isFile_ = true;
        parseCode_ = spec.parseCode;
        const QString path = corvis::installPathQ(QString::fromLatin1(spec.relativePath));
        QByteArray bytes;
        switch (DocumentFile::read(path, bytes)) {
        case DocumentFile::Missing:
            found_ = false;
            LOG(INFO) << Common::errorMsg(spec.notExistCode, QString::fromLatin1(spec.notExistMessage));
            return false;
        case DocumentFile::Unreadable:
            LOG(ERROR) << Common::errorMsg(spec.openErrorCode, QStringLiteral("filePath is %1, can't open!").arg(path));
            return false;
        case DocumentFile::Ok:
            break;
        }
        return parse(bytes);
    }

    bool loadText(const QString& text, int parseCode)
    {
        parseCode_ = parseCode;
        return parse(text.toLocal8Bit());
    }

    const QJsonDocument& document() const { return document_; }

    // The top-level object. A file whose top level is not an object logs the parse code; an empty
    // object logs `emptyCode` (a file reader's default: the parse code). A text reader logs
    // `emptyCode` for both, or nothing when it is 0.
    bool object(QJsonObject& out, int emptyCode = -1)
    {
        if (isFile_ && !document_.isObject()) {
            logError(parseCode_, parseError_);
            return false;
        }
        out = document_.object();
        if (!out.isEmpty()) {
            return true;
        }
        if (emptyCode < 0 || emptyCode == parseCode_) {
            logError(parseCode_, parseError_);
        } else if (emptyCode > 0) {
            logError(emptyCode, QString());
        }
        return false;
    }

    // An error line, then the error exit when the reader logs one.
    bool fail(int code, const QString& message = QString())
    {
        logError(code, message);
        return fail();
    }

    bool fail()
    {
        if (errorExit_ == ErrorExit::Always || (errorExit_ == ErrorExit::AfterFound && found_)) {
            LOG(ERROR) << "FUNC(" << name_ << ") error exit!";
        }
        return false;
    }

    bool succeed()
    {
        LOG(INFO) << "FUNC(" << name_ << ") exit";
        return true;
    }

    static void logError(int code, const QString& message) { LOG(ERROR) << Common::errorMsg(code, message); }

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
};

// Value conversions. A key whose value has another type than the one expected reads as missing.

QString text(const QJsonObject& object, QLatin1String key) { return object.value(key).toString(); }

// A JSON number as an int: its integer part; 0 for anything else, NaN or out of range.
int integer(const QJsonValue& value)
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

int integer(const QJsonObject& object, QLatin1String key) { return integer(object.value(key)); }

// A JSON string holding a base-10 integer; 0 for anything else.
int decimal(const QJsonObject& object, QLatin1String key) { return object.value(key).toString().toInt(nullptr, 10); }

struct RequiredKey {
    QLatin1String key;
    int code;
};

// The code of the first key the entry lacks, or 0; with `values`, the values found, in order.
// Presence alone counts here: a value of an unexpected type is present and converts as Qt
// converts it.
int firstMissing(const QJsonObject& entry, std::initializer_list<RequiredKey> keys, QJsonValue* values = nullptr)
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

// ---------------------------------------------------------------------------------------------
// Documents.

const DocumentSpec kAccessCheckResult{"ini/accessCheckResult.json", ACCESS_CHECK_RESULT_JSON_NOT_EXIST,
                                      "ACCESS_CHECK_RESULT_JSON not exist!", ACCESS_CHECK_RESULT_JSON_OPEN_ERROR,
                                      ACCESS_CHECK_RESULT_JSON_PARSE_ERROR};
const DocumentSpec kDynamicAuthResult{"ini/dynamicAuthResult.json", DYNAMIC_AUTH_RESULT_JSON_NOT_EXIST,
                                      "DYNAMIC_AUTH_RESULT_JSON not exist!", DYNAMIC_AUTH_RESULT_JSON_OPEN_ERROR,
                                      DYNAMIC_AUTH_RESULT_JSON_PARSE_ERROR};
const DocumentSpec kDynamicAuthResponse{"ini/dynamicAuthResponse.json", DYNAMIC_AUTH_RESPONSE_JSON_NOT_EXIST,
                                        "DYNAMIC_AUTH_RESPONSE_JSON not exist!", DYNAMIC_AUTH_RESPONSE_JSON_OPEN_ERROR,
                                        DYNAMIC_AUTH_RESPONSE_JSON_PARSE_ERROR};
const DocumentSpec kAppList{"ini/appList.json", RESOURCE_JSON_NOT_EXIST, "resource JSON not exist!",
                            RESOURCE_JSON_OPEN_ERROR, JSON_PARSE_ERROR};
const DocumentSpec kResource{"ini/resource.json", RESOURCE_JSON_NOT_EXIST, "resource JSON not exist!",
                             RESOURCE_JSON_OPEN_ERROR, JSON_PARSE_ERROR};
const DocumentSpec kAppApplyList{"ini/appApplyList.json", RESOURCE_JSON_NOT_EXIST, "resource JSON not exist!",
                                 RESOURCE_JSON_OPEN_ERROR, JSON_PARSE_ERROR};
const DocumentSpec kAppCat{"ini/appCat.json", APP_CAT_JSON_NOT_EXIST, "appCat JSON not exist!", APP_CAT_JSON_OPEN_ERROR,
                           JSON_PARSE_ERROR};
const DocumentSpec kPolicy{"sandbox/ini/policy.json", POLICY_JSON_NOT_EXIST, "policy JSON not exist!",
                           POLICY_JSON_OPEN_ERROR, JSON_PARSE_ERROR};
const DocumentSpec kSystemTitle{"ini/systemTitle.json", SYSTEM_TITLE_JSON_NOT_EXIST, "systemTitle.json not exist!",
                                SYSTEM_TITLE_JSON_OPEN_ERROR, JSON_PARSE_ERROR};
const DocumentSpec kCarousel{"ini/carousel.json", CAROUSEL_JSON_NOT_EXIST, "carousel.json not exist!",
                             CAROUSEL_JSON_OPEN_ERROR, JSON_PARSE_ERROR};
// A file that cannot be opened logs the code it shares with the network-mode policy.
const DocumentSpec kVeskAuthImage{"ini/veskAuthImage.json", VESK_AUTH_IMAGE_JSON_NOT_EXIST,
                                  "veskAuthImage JSON not exist!", POLICY_JSON_OPEN_ERROR, JSON_PARSE_ERROR};
const DocumentSpec kDeviceBind{"ini/devicebind.json", DEVICE_BIND_JSON_NOT_EXIST, "DEVICE_BIND_JSON not exist!",
                               DEVICE_BIND_JSON_OPEN_ERROR, DEVICE_BIND_JSON_PARSE_ERROR};
const DocumentSpec kLoginAudit{"ini/loginAudit.json", LOGIN_AUDIT_JSON_NOT_EXIST, "LOGIN_AUDIT_JSON not exist!",
                               LOGIN_AUDIT_JSON_OPEN_ERROR, LOGIN_AUDIT_JSON_PARSE_ERROR};
const DocumentSpec kInformList{"ini/informList.json", INFORM_LIST_JSON_NOT_EXIST, "INFORM_LIST_JSON not exist!",
                               INFORM_LIST_JSON_OPEN_ERROR, INFORM_LIST_JSON_PARSE_ERROR};
const DocumentSpec kVeskInformList{"ini/vesk_informList.json", INFORM_LIST_JSON_NOT_EXIST,
                                   "VESK_INFORM_LIST_JSON not exist!", INFORM_LIST_JSON_OPEN_ERROR,
                                   INFORM_LIST_JSON_PARSE_ERROR};

bool isVeskEdition()
{
    const QString project = Common::customProject();
    return project == QLatin1String(PROJECT_VESK_UOS) || project == QLatin1String(PROJECT_VESK_KYLIN);
}

// ---------------------------------------------------------------------------------------------
// Access-check sections.

QList<st_secondaryNode> accessCheckItems(const QJsonArray& list, bool softnameFallback, bool logAvItems)
{
    QList<st_secondaryNode> items;
    for (const QJsonValue& value : list) {
        const QJsonObject element = value.toObject();
        if (element.isEmpty()) {
            continue;
        }
        st_secondaryNode item;
        const QJsonValue reason = element.value(QLatin1String("reason"));
        if (reason.isString() || !softnameFallback) {
            item.reason = reason.toString();
        } else {
            item.reason = text(element, QLatin1String("softname"));
        }
        item.repairGuideUrl = text(element, QLatin1String("repairguideURL"));
        if (logAvItems) {
            LOG(INFO) << "PRIMARY_NODE_AVCHECK list happen!";
        }
        items.append(item);
    }
    return items;
}

QString softwareTitle(const QJsonObject& software)
{
    QString title = QStringLiteral("软件配置检查(");
    const QJsonValue checkType = software.value(QLatin1String("checktype"));
    switch (checkType.isDouble() ? integer(checkType) : 0) {
    case 1:
    case 2:
        title += QStringLiteral("以下软件为非法软件");
        break;
    case 3:
        title += QStringLiteral("必须安装以下软件");
        break;
    default:
        // An unknown check type has no text of its own; the caption is still closed.
        break;
    }
    return title + QLatin1Char(')');
}

// ---------------------------------------------------------------------------------------------
// Application entries.

// The keys of an application entry, with the code logged when a required one is missing.
enum EntryKey {
    KeyAppID,
    KeyAppName,
    KeyAppIco,
    KeyUrl,
    KeyUidclassid,
    KeyIbrowsertype,
    KeyIsProtectApp,
    KeyEnable,
    KeyIAppHide,
    KeyCollect,
    KeySource,
    KeyIsCreateIconInSandbox,
    KeyRunMode,
    KeyResourceType,
    EntryKeyCount
};

const RequiredKey kEntryKeys[EntryKeyCount] = {
    {QLatin1String("AppID"), RESOURCE_NO_APPID},
    {QLatin1String("AppName"), RESOURCE_NO_APPNAME},
    {QLatin1String("AppIco"), RESOURCE_NO_APPICO},
    {QLatin1String("Url"), RESOURCE_NO_URL},
    {QLatin1String("uidclassid"), RESOURCE_NO_UIDCLASSID},
    {QLatin1String("ibrowsertype"), RESOURCE_NO_IBROWSERTYPE},
    {QLatin1String("isProtectApp"), RESOURCE_NO_ISPROTECTAPP},
    {QLatin1String("enable"), RESOURCE_NO_ENABLE},
    {QLatin1String("iAppHide"), RESOURCE_NO_IAPPHIDE},
    {QLatin1String("collect"), RESOURCE_NO_COLLECT},
    {QLatin1String("source"), 0},
    {QLatin1String("isCreateIconInSandbox"), 0},
    {QLatin1String("RunMode"), RESOURCE_NO_RUNMODE},
    {QLatin1String("ResourceType"), RESOURCE_NO_RESOURCETYPE},
};

bool isAsciiAlnum(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9');
}

// The file-name part of a URL, fully decoded, as QUrl::fileName(QUrl::FullyDecoded) gives it.
// Parsing a QUrl costs more than the rest of an entry; a plain http(s) address with nothing to
// decode is taken apart here, anything else goes to QUrl.
QString urlFileName(const QString& url)
{
    int pos = 0;
    if (url.startsWith(QLatin1String("https://"))) {
        pos = 8;
    } else if (url.startsWith(QLatin1String("http://"))) {
        pos = 7;
    }
    const int size = url.size();
    int end = size;      // start of the query or fragment
    int pathStart = -1;  // the '/' that ends the host
    int lastSlash = -1;
    bool plain = pos > 0;
    bool inPort = false;
    for (int i = pos; plain && i < size; ++i) {
        const QChar c = url.at(i);
        const ushort u = c.unicode();
        if (end < size) {
            plain = u > 0x20 && u < 0x7f && u != '%';
        } else if (u == '?' || u == '#') {
            end = i;
        } else if (pathStart < 0) {
            // Host name and an optional numeric port; user names and IPv6 literals go to QUrl.
            if (u == '/') {
                pathStart = lastSlash = i;
            } else if (u == ':' && !inPort) {
                inPort = true;
            } else {
                plain = inPort ? (u >= '0' && u <= '9') : (isAsciiAlnum(c) || u == '.' || u == '-');
            }
        } else if (u == '/') {
            lastSlash = i;
        } else {
            plain = isAsciiAlnum(c) || QByteArray::fromRawData("-._~!$&'()*+,;=:@", 17).contains(char(u));
        }
    }
    const int hostEnd = pathStart < 0 ? end : pathStart;
    if (!plain || hostEnd == pos || url.at(pos) == QLatin1Char(':')) {
        return QUrl(url).fileName(QUrl::FullyDecoded);
    }
    return lastSlash < 0 ? QString() : url.mid(lastSlash + 1, end - lastSlash - 1);
}

// One application entry: each key looked up once, required keys checked in a given order.
class ApplicationEntry
{
public:
    explicit ApplicationEntry(const QJsonObject& entry) : entry_(entry) {}

    // The code of the first key of `keys` the entry lacks, or 0.
    int require(std::initializer_list<EntryKey> keys)
    {
        for (EntryKey key : keys) {
            if (!has(key)) {
                return kEntryKeys[key].code;
            }
        }
        return 0;
    }

    // Presence alone counts: a value of an unexpected type converts as Qt converts it.
    bool has(EntryKey key)
    {
        values_[key] = entry_.value(kEntryKeys[key].key);
        return !values_[key].isUndefined();
    }

    QString text(EntryKey key) const { return values_[key].toString(); }
    int decimal(EntryKey key) const { return values_[key].toString().toInt(nullptr, 10); }
    int integer(EntryKey key) const { return ::integer(values_[key]); }

    void fill(const QString& cacheDir, st_resource& resource) const
    {
        resource.AppID = text(KeyAppID);
        resource.AppName = text(KeyAppName);
        resource.AppIco = text(KeyAppIco);
        // "%1/%2": the cache directory and the file-name part of the icon URL.
        resource.icoPath = cacheDir + QLatin1Char('/') + urlFileName(resource.AppIco);
        resource.Url = text(KeyUrl);
        resource.uidclassid = text(KeyUidclassid);
        resource.ibrowsertype = decimal(KeyIbrowsertype) != 0;
        resource.isProtectApp = decimal(KeyIsProtectApp) != 0;
        resource.RunMode = decimal(KeyRunMode);
        resource.ResourceType = decimal(KeyResourceType);
    }

    // "enable" and "collect" are JSON numbers, "iAppHide" a decimal string.
    void fillSwitches(st_resource& resource) const
    {
        resource.enable = integer(KeyEnable) != 0;
        resource.iAppHide = decimal(KeyIAppHide) != 0;
        resource.collect = integer(KeyCollect) != 0;
    }

private:
    const QJsonObject entry_;
    QJsonValue values_[EntryKeyCount];
};

const std::initializer_list<EntryKey> kCommonKeys = {KeyAppID,      KeyAppName,      KeyAppIco,       KeyUrl,
                                                      KeyUidclassid, KeyIbrowsertype, KeyIsProtectApp};

// The top-level object's member `key` as a non-empty object.
bool nonEmptyObject(const QJsonObject& parent, QLatin1String key, QJsonObject& out)
{
    const QJsonValue value = parent.value(key);
    out = value.toObject();
    return value.isObject() && !out.isEmpty();
}

// The strings of a list of objects, each field by its key; used by the device and audit lists.
template <class Record, size_t N>
QList<Record> readRows(const QJsonArray& array, QString Record::*const (&fields)[N], const char* const (&keys)[N])
{
    QList<Record> rows;
    for (const QJsonValue& value : array) {
        const QJsonObject element = value.toObject();
        if (element.isEmpty()) {
            continue;
        }
        Record row;
        for (size_t i = 0; i < N; ++i) {
            row.*fields[i] = text(element, QLatin1String(keys[i]));
        }
        rows.append(row);
    }
    return rows;
}

}  // namespace

// =============================================================================================

QMutex PolicyAnalyzer::mutex_;
PolicyAnalyzer* PolicyAnalyzer::m_pInstance = nullptr;

PolicyAnalyzer::PolicyAnalyzer()
{
    registerMetaTypes();
}

PolicyAnalyzer* PolicyAnalyzer::instance()
{
    QMutexLocker lock(&mutex_);
    if (m_pInstance == nullptr) {
        m_pInstance = new PolicyAnalyzer();
    }
    return m_pInstance;
}

void PolicyAnalyzer::registerMetaTypes()
{
    qRegisterMetaType<st_operationEnv>("st_operationEnv");
    qRegisterMetaType<st_accessCheckResult>("st_accessCheckResult");
    qRegisterMetaType<st_dynamicAuthResult>("st_dynamicAuthResult");
    qRegisterMetaType<AuthAgainType>("AuthAgainType");
    qRegisterMetaType<st_resource>("st_resource");
    qRegisterMetaType<QList<st_resource>>("QList<st_resource>");
    qRegisterMetaType<st_appCat>("st_appCat");
    qRegisterMetaType<QList<st_appCat>>("QList<st_appCat>");
    qRegisterMetaType<st_netmode>("st_netmode");
    qRegisterMetaType<st_appforResource>("st_appforResource");
    qRegisterMetaType<st_systemTitle>("st_systemTitle");
    qRegisterMetaType<st_carousel>("st_carousel");
    qRegisterMetaType<st_qrcodeInfo>("st_qrcodeInfo");
    qRegisterMetaType<st_againBindInfo>("st_againBindInfo");
    qRegisterMetaType<st_bindingDevice>("st_bindingDevice");
    qRegisterMetaType<SDeviceBindInfo>("SDeviceBindInfo");
    qRegisterMetaType<st_deviceBindList>("st_deviceBindList");
    qRegisterMetaType<st_loginAuditItem>("st_loginAuditItem");
    qRegisterMetaType<st_inform>("st_inform");
}

namespace {

void registerRecordTypes()
{
    PolicyAnalyzer::registerMetaTypes();
}

}  // namespace

// Registered with the application object, so that a record can be queued before any read.
Q_COREAPP_STARTUP_FUNCTION(registerRecordTypes)

// ---------------------------------------------------------------------------------------------
// Operation environment, access check, dynamic authorization.

bool PolicyAnalyzer::parseResRemindInfo(const QString& text, st_operationEnv& env)
{
    ReaderRun run("parseResRemindInfo", ErrorExit::Always);
    QJsonObject root;
    if (!run.loadText(text, OPERATION_ENV_PARSE_ERROR) || !run.object(root, OPERATION_ENV_NO_POLICY)) {
        return run.fail();
    }
    const QJsonValue policies = root.value(QLatin1String("policyOperationEnv"));
    if (!policies.isArray()) {
        return run.fail(OPERATION_ENV_NO_POLICY);
    }
    QJsonObject policy;
    bool found = false;
    for (const QJsonValue& value : policies.toArray()) {
        if (value.isObject()) {
            policy = value.toObject();
            found = true;
            break;
        }
        ReaderRun::logError(OPERATION_ENV_POLICY_NOT_OBJECT, QString());
    }
    if (!found) {
        return run.succeed();
    }
    if (policy.isEmpty()) {
        return run.fail(OPERATION_ENV_NO_MEMORY_SWITCH);
    }
    // All nine before any is read, so that a partial policy leaves every reminder off.
    const int missing = firstMissing(policy, {
                                                 {QLatin1String("memoryReminderSwitch"), OPERATION_ENV_NO_MEMORY_SWITCH},
                                                 {QLatin1String("memoryThreshold"), OPERATION_ENV_NO_MEMORY_THRESHOLD},
                                                 {QLatin1String("memoryReminderTips"), OPERATION_ENV_NO_MEMORY_TIPS},
                                                 {QLatin1String("cpuReminderSwitch"), OPERATION_ENV_NO_CPU_SWITCH},
                                                 {QLatin1String("cpuThreshold"), OPERATION_ENV_NO_CPU_THRESHOLD},
                                                 {QLatin1String("cpuReminderTips"), OPERATION_ENV_NO_CPU_TIPS},
                                                 {QLatin1String("storeSpaceReminderSwitch"), OPERATION_ENV_NO_STORE_SPACE_SWITCH},
                                                 {QLatin1String("storeSpaceThreshold"), OPERATION_ENV_NO_STORE_SPACE_THRESHOLD},
                                                 {QLatin1String("storeSpaceReminderTips"), OPERATION_ENV_NO_STORE_SPACE_TIPS},
                                             });
    if (missing != 0) {
        return run.fail(missing);
    }
    env.memoryReminderSwitch = decimal(policy, QLatin1String("memoryReminderSwitch"));
    env.memoryThreshold = decimal(policy, QLatin1String("memoryThreshold"));
    env.memoryReminderTips = ::text(policy, QLatin1String("memoryReminderTips"));
    env.cpuReminderSwitch = decimal(policy, QLatin1String("cpuReminderSwitch"));
    env.cpuThreshold = decimal(policy, QLatin1String("cpuThreshold"));
    env.cpuReminderTips = ::text(policy, QLatin1String("cpuReminderTips"));
    env.storeSpaceReminderSwitch = decimal(policy, QLatin1String("storeSpaceReminderSwitch"));
    env.storeSpaceThreshold = decimal(policy, QLatin1String("storeSpaceThreshold"));
    env.storeSpaceReminderTips = ::text(policy, QLatin1String("storeSpaceReminderTips"));
    LOG(INFO) << env.operationEnv();
    return run.succeed();
}

bool PolicyAnalyzer::readAccessResult(st_accessCheckResult& result)
{
    ReaderRun run("readAccessResult", ErrorExit::Never);
    result.state = 1;
    result.nodes.clear();
    QJsonObject root;
    if (!run.loadFile(kAccessCheckResult) || !run.object(root)) {
        return run.fail();
    }

    // Sections in their fixed order, each at most once.
    const QJsonValue avcheck = root.value(QLatin1String("avcheck"));
    const QJsonValue avlist = avcheck.toObject().value(QLatin1String("avlist"));
    if (avcheck.isObject() && avlist.isArray()) {
        LOG(INFO) << "PRIMARY_NODE_AVCHECK happen!";
        result.nodes.append({QStringLiteral("防病毒软件检查"), accessCheckItems(avlist.toArray(), false, true)});
    }
    const QJsonValue software = root.value(QLatin1String("software"));
    const QJsonValue softlist = software.toObject().value(QLatin1String("softlist"));
    if (software.isObject() && softlist.isArray()) {
        result.nodes.append({softwareTitle(software.toObject()), accessCheckItems(softlist.toArray(), true, false)});
    }
    static const struct {
        const char* key;
        const char* title;
    } arraySections[] = {
        {"scrsaverpwd", "屏保检查"},      {"advancedConfig", "高级配置检查"}, {"hostnamecheck", "主机名检查"},
        {"firewalldcheck", "防火墙检查"}, {"highriskports", "高危端口检查"},  {"rootlogincheck", "登录名检查"},
    };
    for (const auto& section : arraySections) {
        const QJsonValue list = root.value(QLatin1String(section.key));
        if (!list.isArray()) {
            continue;
        }
        if (qstrcmp(section.key, "firewalldcheck") == 0) {
            LOG(INFO) << "PRIMARY_NODE_FIWALLD_CHECK happen!";
        }
        result.nodes.append({QString::fromUtf8(section.title), accessCheckItems(list.toArray(), false, false)});
    }
    result.nodeCount = result.nodes.size();
    return run.succeed();
}

bool PolicyAnalyzer::readDynamicResult(st_dynamicAuthResult& result)
{
    ReaderRun run("readDynamicResult", ErrorExit::Never);
    result.items.clear();
    QJsonObject root;
    if (!run.loadFile(kDynamicAuthResult) || !run.object(root)) {
        return run.fail();
    }
    const QJsonValue score = root.value(QLatin1String("nScore"));
    if (score.isDouble()) {
        result.score = QString::number(integer(score));
    }
    const QJsonValue trustLevel = root.value(QLatin1String("trustLevel"));
    if (trustLevel.isString()) {
        result.trustLevel = trustLevel.toString();
    }
    result.checkTime = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    for (const QJsonValue& value : root.value(QLatin1String("items")).toArray()) {
        const QJsonObject element = value.toObject();
        if (element.isEmpty()) {
            continue;
        }
        st_dynamicAuthItem item;
        item.riskType = ::text(element, QLatin1String("riskType"));
        item.itemName = ::text(element, QLatin1String("itemName"));
        item.bResult = integer(element, QLatin1String("bResult"));
        item.riskScore = ::text(element, QLatin1String("riskScore"));
        item.description = ::text(element, QLatin1String("description"));
        result.items.append(item);
    }
    return run.succeed();
}

bool PolicyAnalyzer::parseDynamicStopApp(QStringList& appIds)
{
    ReaderRun run("parseDynamicStopApp", ErrorExit::Never);
    appIds.clear();
    QJsonObject root;
    if (!run.loadFile(kDynamicAuthResponse) || !run.object(root)) {
        return run.fail();
    }
    const QJsonObject data = root.value(QLatin1String("data")).toObject();
    const QJsonArray ids = data.value(QLatin1String("forbidAccessAppIds")).toArray();
    for (int i = 0; i < ids.size(); ++i) {
        appIds.append(ids.at(i).toString());
        LOG(INFO) << "forbidAccessAppIds[" << i << "]: " << appIds.last();
    }
    return run.succeed();
}

bool PolicyAnalyzer::parseDynamicAuthAgainType(AuthAgainType& type)
{
    ReaderRun run("parseDynamicAuthAgainType", ErrorExit::Never);
    type = AuthAgainPwd;
    QJsonObject root;
    QJsonObject data;
    if (!run.loadFile(kDynamicAuthResponse) || !run.object(root) || !nonEmptyObject(root, QLatin1String("data"), data)) {
        return run.fail();
    }
    const QJsonValue againType = data.value(QLatin1String("quadratic_auth_type"));
    if (!againType.isDouble()) {
        return run.fail();
    }
    switch (integer(againType)) {
    case AuthAgainPwd:
        LOG(INFO) << "need auth again pwd!";
        break;
    case AuthAgainSms:
        LOG(INFO) << "need auth again sms!";
        type = AuthAgainSms;
        break;
    default:
        break;
    }
    return run.succeed();
}

bool PolicyAnalyzer::parseDynamicAuthTips(QString& tips)
{
    ReaderRun run("parseDynamicAuthTips", ErrorExit::Never);
    tips.clear();
    QJsonObject root;
    if (!run.loadFile(kDynamicAuthResponse) || !run.object(root)) {
        return run.fail();
    }
    const QJsonValue value = root.value(QLatin1String("data")).toObject().value(QLatin1String("tips"));
    if (!value.isString()) {
        return run.fail();
    }
    tips = value.toString();
    return run.succeed();
}

// ---------------------------------------------------------------------------------------------
// Applications, categories, network modes.

bool PolicyAnalyzer::readAppList(QList<st_resource>& list)
{
    ReaderRun run("readAppList", ErrorExit::AfterFound);
    list.clear();
    const bool vesk = isVeskEdition();
    QJsonObject root;
    if (!run.loadFile(vesk ? kResource : kAppList) || !run.object(root, RESOURCE_NO_LIST)) {
        return run.fail();
    }
    const QJsonValue entries = root.value(vesk ? QLatin1String("GatewayConfig") : QLatin1String("data"));
    if (!entries.isArray()) {
        return run.fail(RESOURCE_NO_LIST);
    }
    const QString cacheDir = corvis::installPathQ(QStringLiteral("cache"));
    for (const QJsonValue& value : entries.toArray()) {
        if (!value.isObject()) {
            continue;
        }
        ApplicationEntry entry(value.toObject());
        int missing = entry.require(kCommonKeys);
        if (missing == 0 && !vesk) {
            missing = entry.require({KeyEnable, KeyIAppHide, KeyCollect});
        }
        if (missing != 0) {
            return run.fail(missing);
        }
        if (vesk && (!entry.has(KeySource) || !entry.has(KeyIsCreateIconInSandbox))) {
            continue;
        }
        missing = entry.require({KeyRunMode, KeyResourceType});
        if (missing != 0) {
            return run.fail(missing);
        }
        st_resource resource;
        entry.fill(cacheDir, resource);
        if (vesk) {
            resource.isCreateIconInSandbox = entry.decimal(KeyIsCreateIconInSandbox) != 0;
            resource.source = entry.text(KeySource);
            if (!resource.isCreateIconInSandbox || resource.source.isEmpty()) {
                continue;
            }
        } else {
            entry.fillSwitches(resource);
        }
        LOG(INFO) << "source:" << resource.source << ", aum Ico: " << resource.AppIco;
        list.append(resource);
    }
    return run.succeed();
}

bool PolicyAnalyzer::readAppApplyList(QList<st_resource>& list, QString& applyTip)
{
    ReaderRun run("readAppApplyList", ErrorExit::AfterFound);
    list.clear();
    QJsonObject root;
    QJsonObject data;
    if (!run.loadFile(kAppApplyList) || !run.object(root, RESOURCE_NO_LIST)) {
        return run.fail();
    }
    if (!nonEmptyObject(root, QLatin1String("data"), data) || !data.value(QLatin1String("appList")).isArray()) {
        return run.fail(RESOURCE_NO_LIST);
    }
    applyTip = ::text(data, QLatin1String("applyTip"));
    const QString cacheDir = corvis::installPathQ(QStringLiteral("cache"));
    for (const QJsonValue& value : data.value(QLatin1String("appList")).toArray()) {
        if (!value.isObject()) {
            continue;
        }
        const QJsonObject entry = value.toObject();
        // "appPackageName" is required of every entry but not kept.
        const int missing = firstMissing(entry, {
                                                    {QLatin1String("appIco"), RESOURCE_NO_APPID},
                                                    {QLatin1String("appId"), RESOURCE_NO_APPNAME},
                                                    {QLatin1String("appName"), RESOURCE_NO_APPNAME},
                                                    {QLatin1String("appPackageName"), RESOURCE_NO_APPNAME},
                                                });
        if (missing != 0) {
            return run.fail(missing);
        }
        st_resource resource;
        resource.AppID = ::text(entry, QLatin1String("appId"));
        resource.AppName = ::text(entry, QLatin1String("appName"));
        resource.AppIco = ::text(entry, QLatin1String("appIco"));
        resource.icoPath = cacheDir + QLatin1Char('/') + urlFileName(resource.AppIco);
        list.append(resource);
    }
    return run.succeed();
}

bool PolicyAnalyzer::readAppCat(QList<st_appCat>& list)
{
    ReaderRun run("readAppCat", ErrorExit::AfterFound);
    list.clear();
    if (!run.loadFile(kAppCat)) {
        return run.fail();
    }
    // The categories are a top-level array; a top-level object holds none.
    const bool nameFirst = Common::customProject() == QLatin1String(PROJECT_TIRROWA);
    for (const QJsonValue& value : run.document().array()) {
        if (!value.isObject()) {
            continue;
        }
        // icount, uidclassid, strdesc, acfid, strclassname
        QJsonValue field[5];
        const int missing = firstMissing(value.toObject(),
                                         {
                                             {QLatin1String("icount"), APP_CAT_NO_ICOUNT},
                                             {QLatin1String("uidclassid"), APP_CAT_NO_UIDCLASSID},
                                             {QLatin1String("strdesc"), APP_CAT_NO_STRDESC},
                                             {QLatin1String("acfid"), APP_CAT_NO_ACFID},
                                             {QLatin1String("strclassname"), APP_CAT_NO_STRCLASSNAME},
                                         },
                                         field);
        if (missing != 0) {
            return run.fail(missing);
        }
        st_appCat category;
        category.icount = field[0].toString().toInt(nullptr, 10);
        category.uidclassid = field[1].toString();
        category.acfid = field[3].toString();
        const QString desc = field[2].toString().trimmed();
        const QString className = field[4].toString().trimmed();
        const QString& first = nameFirst ? className : desc;
        const QString& second = nameFirst ? desc : className;
        category.strDesc = !first.isEmpty() ? first : !second.isEmpty() ? second : QStringLiteral("未命名");
        list.append(category);
    }
    return run.succeed();
}

bool PolicyAnalyzer::readPolicyGetNetmode(QMap<QString, st_netmode>& modes)
{
    ReaderRun run("readPolicyGetNetmode", ErrorExit::AfterFound);
    modes.clear();
    QJsonObject root;
    QJsonObject policy;
    if (!run.loadFile(kPolicy) || !run.object(root, POLICY_NO_POLICY)) {
        return run.fail();
    }
    if (!root.value(QLatin1String("policy")).isObject()) {
        return run.fail(POLICY_NO_POLICY);
    }
    if (!nonEmptyObject(root, QLatin1String("policy"), policy) ||
        !policy.value(QLatin1String("NetModePolicy")).isArray()) {
        return run.fail(POLICY_NO_NETMODE_POLICY);
    }
    const QJsonArray netModePolicy = policy.value(QLatin1String("NetModePolicy")).toArray();
    if (netModePolicy.isEmpty()) {
        return run.fail();
    }
    const QJsonObject first = netModePolicy.first().toObject();
    const QJsonValue modeList = first.value(QLatin1String("NetModeList"));
    if (first.isEmpty() || !modeList.isArray()) {
        return run.fail(POLICY_NO_NETMODE_LIST);
    }
    for (const QJsonValue& value : modeList.toArray()) {
        if (!value.isObject()) {
            continue;
        }
        const QJsonObject entry = value.toObject();
        int missing = firstMissing(entry, {
                                              {QLatin1String("NetModeID"), POLICY_NETMODE_NO_ID},
                                              {QLatin1String("NetModeName"), POLICY_NETMODE_NO_NAME},
                                          });
        if (missing == 0 && !entry.value(QLatin1String("AppIds")).isArray()) {
            missing = POLICY_NETMODE_NO_APPIDS;
        }
        if (missing != 0) {
            return run.fail(missing);
        }
        st_netmode mode;
        mode.NetModeID = ::text(entry, QLatin1String("NetModeID"));
        mode.NetModeName = ::text(entry, QLatin1String("NetModeName"));
        for (const QJsonValue& id : entry.value(QLatin1String("AppIds")).toArray()) {
            mode.AppIds.insert(id.toString());
        }
        // A later mode with the same id replaces the earlier one.
        modes.insert(mode.NetModeID, mode);
    }
    return run.succeed();
}

bool PolicyAnalyzer::parseKavItsm(st_resource& resource)
{
    ReaderRun run("parseKavItsm", ErrorExit::AfterFound);
    QJsonObject root;
    if (!run.loadFile(kResource) || !run.object(root, RESOURCE_NO_LIST)) {
        return run.fail();
    }
    const QJsonValue entries = root.value(QLatin1String("GatewayConfig"));
    if (!entries.isArray()) {
        return run.fail(RESOURCE_NO_LIST);
    }
    const QString cacheDir = corvis::installPathQ(QStringLiteral("cache"));
    for (const QJsonValue& value : entries.toArray()) {
        if (!value.isObject()) {
            continue;
        }
        ApplicationEntry entry(value.toObject());
        int missing = entry.require(kCommonKeys);
        if (missing == 0) {
            missing = entry.require({KeyEnable, KeyIAppHide, KeyRunMode, KeyResourceType});
        }
        if (missing != 0) {
            return run.fail(missing);
        }
        if (entry.text(KeyAppName) != QStringLiteral("itsm应用申请")) {
            continue;
        }
        st_resource found;
        entry.fill(cacheDir, found);
        entry.fillSwitches(found);
        found.collect = false;
        resource = found;
        LOG(INFO) << "find itsm succ!";
        return run.succeed();
    }
    // No entry carries the request name: nothing to open.
    LOG(ERROR) << "not find itsm!";
    return run.fail();
}

bool PolicyAnalyzer::parseAppApply(const QString& text, QList<QString>& ids)
{
    ReaderRun run("parseAppApply", ErrorExit::Always);
    ids.clear();
    QJsonObject root;
    if (!run.loadText(text, JSON_PARSE_ERROR) || !run.object(root, RESOURCE_NO_LIST)) {
        return run.fail();
    }
    if (!root.contains(QLatin1String("data"))) {
        return run.fail(RESOURCE_NO_LIST);
    }
    const QJsonObject data = root.value(QLatin1String("data")).toObject();
    for (const QJsonValue& id : data.value(QLatin1String("successAppIdList")).toArray()) {
        if (id.isString()) {
            ids.append(id.toString());
        }
    }
    return run.succeed();
}

bool PolicyAnalyzer::parseApproveRecords(const QString& text, QList<st_appforResource>& records)
{
    ReaderRun run("parseApproveRecords", ErrorExit::Always);
    QJsonObject root;
    if (!run.loadText(text, JSON_PARSE_ERROR) || !run.object(root, RESOURCE_NO_LIST)) {
        return run.fail();
    }
    if (!root.contains(QLatin1String("data"))) {
        return run.fail(RESOURCE_NO_LIST);
    }
    const QJsonObject data = root.value(QLatin1String("data")).toObject();
    for (const QJsonValue& value : data.value(QLatin1String("recordList")).toArray()) {
        const QJsonObject element = value.toObject();
        st_appforResource record;
        record.appName = ::text(element, QLatin1String("appName"));
        record.approveResult = ::text(element, QLatin1String("approveResult"));
        record.applyTime = ::text(element, QLatin1String("applyTime"));
        record.validEndTime = ::text(element, QLatin1String("validEndTime"));
        record.applyReason = ::text(element, QLatin1String("applyReason"));
        record.approveTime = ::text(element, QLatin1String("approveTime"));
        record.approveRemark = ::text(element, QLatin1String("approveRemark"));
        record.approver = ::text(element, QLatin1String("approver"));
        records.append(record);
    }
    return run.succeed();
}

// ---------------------------------------------------------------------------------------------
// Login screen documents.

bool PolicyAnalyzer::parseSystemTitle(st_systemTitle& title)
{
    ReaderRun run("parseSystemTitle", ErrorExit::Always);
    title.validateCodeType = 0;
    title.embeddedWeb = 0;
    title.certAuthSign = 0;
    title.loginMenu.clear();
    QJsonObject root;
    if (!run.loadFile(kSystemTitle) || !run.object(root)) {
        return run.fail();
    }
    const QJsonObject data = root.value(QLatin1String("data")).toObject();
    if (!data.value(QLatin1String("validateCodeType")).isString()) {
        return run.fail(SYSTEM_TITLE_NO_VALIDATE_CODE_TYPE);
    }
    const QJsonValue menu = data.value(QLatin1String("loginMenu"));
    if (!menu.isArray()) {
        return run.fail(SYSTEM_TITLE_NO_LOGIN_MENU);
    }
    title.validateCodeType = decimal(data, QLatin1String("validateCodeType"));
    if (Common::customProject() == QLatin1String(PROJECT_KAV)) {
        LOG(INFO) << "kav required validateCode!";
        title.validateCodeType = 2;
    }
    title.embeddedWeb = decimal(data, QLatin1String("embeddedWeb"));
    title.certAuthSign = decimal(data, QLatin1String("certAuthSign"));

    for (const QJsonValue& value : menu.toArray()) {
        if (!value.isObject()) {
            LOG(ERROR) << "menuArray value error!";
            continue;
        }
        const QJsonObject entry = value.toObject();
        const int missing = firstMissing(entry, {
                                                    {QLatin1String("menuId"), SYSTEM_TITLE_MENU_NO_ID},
                                                    {QLatin1String("menuText"), SYSTEM_TITLE_MENU_NO_TEXT},
                                                });
        if (missing != 0) {
            return run.fail(missing);
        }
        title.loginMenu.append({::text(entry, QLatin1String("menuId")), ::text(entry, QLatin1String("menuText"))});
    }

    const QJsonObject claim = data.value(QLatin1String("pwdClaim")).toObject();
    if (claim.isEmpty()) {
        LOG(INFO) << "isPwdClaimOpen is false!";
        title.pwdClaim.isPwdClaimOpen = 0;
    } else {
        LOG(INFO) << "isPwdClaimOpen is true!";
        title.pwdClaim.isPwdClaimOpen = 1;
        static const struct {
            const char* key;
            QString st_pwdClaim::*field;
        } rules[] = {
            {"max_length", &st_pwdClaim::max_length},   {"min_charlen", &st_pwdClaim::min_charlen},
            {"min_length", &st_pwdClaim::min_length},   {"min_numlen", &st_pwdClaim::min_numlen},
            {"min_special_len", &st_pwdClaim::min_special_len},
        };
        // Rules the document leaves out keep the values they had.
        for (const auto& rule : rules) {
            const QJsonValue value = claim.value(QLatin1String(rule.key));
            if (value.isString()) {
                title.pwdClaim.*rule.field = value.toString();
            }
        }
    }
    return run.succeed();
}

bool PolicyAnalyzer::parseCarousel(st_carousel& carousel)
{
    ReaderRun run("parseCarousel", ErrorExit::Always);
    carousel = st_carousel();
    QJsonObject root;
    if (!run.loadFile(kCarousel) || !run.object(root)) {
        return run.fail();
    }
    const QJsonObject settings = root.value(QLatin1String("carousel")).toObject();
    static const struct {
        const char* key;
        int st_carousel::*field;
    } numbers[] = {
        {"isCarouselEnabled", &st_carousel::isCarouselEnabled},
        {"showType", &st_carousel::showType},
        {"showEndType", &st_carousel::showEndType},
        {"carouselSwitchTime", &st_carousel::carouselSwitchTime},
    };
    for (const auto& number : numbers) {
        const QJsonValue value = settings.value(QLatin1String(number.key));
        if (value.isDouble()) {
            carousel.*number.field = integer(value);
        }
    }
    static const struct {
        const char* key;
        QString st_carousel::*field;
    } texts[] = {
        {"scheduledShowTime", &st_carousel::scheduledShowTime},
        {"showEndTime", &st_carousel::showEndTime},
    };
    for (const auto& entry : texts) {
        const QJsonValue value = settings.value(QLatin1String(entry.key));
        if (value.isString()) {
            carousel.*entry.field = value.toString();
        }
    }

    if (settings.contains(QLatin1String("showPic"))) {
        const QJsonValue pictures = settings.value(QLatin1String("showPic"));
        if (!pictures.isArray()) {
            return run.fail(CAROUSEL_SHOW_PIC_NOT_ARRAY);
        }
        for (const QJsonValue& value : pictures.toArray()) {
            if (!value.isObject()) {
                LOG(ERROR) << "shouPicArray value error!";
                continue;
            }
            const QJsonObject entry = value.toObject();
            if (!entry.contains(QLatin1String("strpicpath"))) {
                LOG(ERROR) << "strpicpath value error!";
                return run.fail();
            }
            if (!entry.contains(QLatin1String("iorder"))) {
                LOG(ERROR) << "iorder value error!";
                return run.fail();
            }
            carousel.showPic.append({::text(entry, QLatin1String("strpicpath")), integer(entry, QLatin1String("iorder"))});
        }
    }
    return run.succeed();
}

bool PolicyAnalyzer::readVeskAuthImage(QString& image)
{
    ReaderRun run("readVeskAuthImage", ErrorExit::AfterFound);
    image.clear();
    QJsonObject root;
    if (!run.loadFile(kVeskAuthImage) || !run.object(root, VESK_AUTH_IMAGE_NO_DATA)) {
        return run.fail();
    }
    const QJsonValue data = root.value(QLatin1String("data"));
    if (!data.isObject()) {
        return run.fail(VESK_AUTH_IMAGE_NO_DATA);
    }
    if (!data.toObject().contains(QLatin1String("authImage"))) {
        return run.fail(VESK_AUTH_IMAGE_NO_AUTH_IMAGE);
    }
    image = ::text(data.toObject(), QLatin1String("authImage"));
    return run.succeed();
}

// ---------------------------------------------------------------------------------------------
// Login replies.

namespace {

// The string at `path` (object members, outermost first) of a reply text; false when any part is
// missing or of another type. Shared by the single-value login readers.
bool replyString(ReaderRun& run, const QString& reply, std::initializer_list<QLatin1String> path, QString& out)
{
    QJsonObject object;
    if (!run.loadText(reply, JSON_PARSE_ERROR) || !run.object(object, 0)) {
        return false;
    }
    QJsonValue value = object;
    for (const QLatin1String& key : path) {
        if (!value.isObject()) {
            return false;
        }
        value = value.toObject().value(key);
    }
    if (!value.isString()) {
        return false;
    }
    out = value.toString();
    return true;
}

}  // namespace

bool PolicyAnalyzer::parseSmsInit(const QString& text, QString& phone)
{
    ReaderRun run("parseSmsInit", ErrorExit::Always);
    QString value;
    if (!replyString(run, text, {QLatin1String("result"), QLatin1String("phoneFormat")}, value)) {
        return run.fail();
    }
    phone = value;
    return run.succeed();
}

bool PolicyAnalyzer::parseResetAuthCodeResMsg(const QString& text, int& seconds)
{
    ReaderRun run("parseResetAuthCodeResMsg", ErrorExit::Always);
    QJsonObject root;
    if (!run.loadText(text, JSON_PARSE_ERROR) || !run.object(root, 0)) {
        return run.fail();
    }
    const QJsonValue status = root.value(QLatin1String("status"));
    const QJsonValue result = root.value(QLatin1String("result"));
    if (!status.isDouble() || integer(status) != 2000 || !result.isObject()) {
        return run.fail();
    }
    // The largest of the three waits; each is 60 seconds when not sent.
    const QJsonObject times = result.toObject();
    const QJsonValue buttonTime = times.value(QLatin1String("smsSendCodeButtonTime"));
    const QJsonValue interval = times.value(QLatin1String("iSendSmsTimeInterval"));
    const QJsonValue lockWait = times.value(QLatin1String("iUserSmsLockWaitTime"));
    seconds = std::max({buttonTime.isDouble() ? integer(buttonTime) : 60,
                        interval.isString() ? interval.toString().toInt(nullptr, 10) : 60,
                        lockWait.isString() ? lockWait.toString().toInt(nullptr, 10) : 60});
    return run.succeed();
}

QString PolicyAnalyzer::getAuthType(const QString& code)
{
    static const char* const names[] = {
        "口令认证",       "二维码认证",     "证书认证",  "单点登录",           "客户端接入检查",     "短信认证",
        "SPA认证",        "设备绑定检查",   "企业微信二维码", "钉钉二维码",     "IAM认证",            "口令认证(二次认证)",
        "短信认证(二次认证)", "客户端自动登录", "简单密码认证", "客户端签名检查",
    };
    // Only the plain decimal texts "1" to "16" name a type.
    bool ok = false;
    const int number = code.toInt(&ok, 10);
    if (!ok || number < 1 || number > static_cast<int>(std::size(names)) || code != QString::number(number)) {
        return QString();
    }
    return QString::fromUtf8(names[number - 1]);
}

bool PolicyAnalyzer::parseQrcodeSign(const QString& text, QString& sign)
{
    ReaderRun run("parseQrcodeSign", ErrorExit::Always);
    QString value;
    if (!replyString(run, text, {QLatin1String("data"), QLatin1String("sign")}, value)) {
        return run.fail();
    }
    sign = value;
    return run.succeed();
}

bool PolicyAnalyzer::parseQrcodeUrl(const QString& text, QString& url)
{
    ReaderRun run("parseQrcodeUrl", ErrorExit::Always);
    QString value;
    if (!replyString(run, text, {QLatin1String("loginurl")}, value)) {
        return run.fail();
    }
    url = value;
    return run.succeed();
}

bool PolicyAnalyzer::parseQrcodeHeartbeat(const QString& text, st_qrcodeInfo& info)
{
    ReaderRun run("parseQrcodeHeartbeat", ErrorExit::Always);
    info.username.clear();
    info.authcode.clear();
    info.sessionid.clear();
    info.status = 0;
    QJsonObject root;
    if (!run.loadText(text, JSON_PARSE_ERROR) || !run.object(root, 0)) {
        return run.fail();
    }
    const QJsonValue status = root.value(QLatin1String("status"));
    if (!status.isDouble()) {
        return run.fail();
    }
    info.status = integer(status);
    info.msg = ::text(root, QLatin1String("msg"));

    // A scanned code names the user; a confirmed one also carries the credentials of the QR
    // login, which must be complete before the dialog sends it.
    const QJsonObject data = root.value(QLatin1String("data")).toObject();
    const bool scanned = info.status == 2001 || info.status == 2002;
    const bool confirmed = info.status == 2002;
    if ((scanned && !data.value(QLatin1String("username")).isString()) ||
        (confirmed && (!data.value(QLatin1String("authcode")).isString() ||
                       !data.value(QLatin1String("sessionid")).isString()))) {
        return run.fail();
    }
    if (scanned) {
        info.username = ::text(data, QLatin1String("username"));
    }
    if (confirmed) {
        info.authcode = ::text(data, QLatin1String("authcode"));
        info.sessionid = ::text(data, QLatin1String("sessionid"));
    }
    return run.succeed();
}

bool PolicyAnalyzer::parseBindedInfo(const QString& text, st_againBindInfo& info)
{
    ReaderRun run("parseBindedInfo", ErrorExit::Always);
    QJsonObject root;
    if (!run.loadText(text, JSON_PARSE_ERROR) || !run.object(root, 0)) {
        return run.fail();
    }
    const QJsonValue msg = root.value(QLatin1String("msg"));
    const QJsonValue result = root.value(QLatin1String("result"));
    const QJsonObject bind = result.toObject();
    if (!msg.isString() || !result.isObject() || !bind.value(QLatin1String("bindUserName")).isString() ||
        !bind.value(QLatin1String("token")).isString()) {
        return run.fail();
    }
    info.msg = msg.toString();
    info.bindUserName = ::text(bind, QLatin1String("bindUserName"));
    info.token = ::text(bind, QLatin1String("token"));
    return run.succeed();
}

// ---------------------------------------------------------------------------------------------
// Bound devices and login history.

bool PolicyAnalyzer::readDeviceBindInfo(QList<st_bindingDevice>& devices)
{
    ReaderRun run("readDeviceBindInfo", ErrorExit::AfterFound);
    devices.clear();
    QJsonObject root;
    if (!run.loadFile(kDeviceBind) || !run.object(root)) {
        return run.fail();
    }
    const QJsonValue data = root.value(QLatin1String("data"));
    if (!data.isArray()) {
        return run.fail(DEVICE_BIND_NO_LIST);
    }
    static QString st_bindingDevice::*const fields[] = {&st_bindingDevice::dev_name, &st_bindingDevice::os_name,
                                                         &st_bindingDevice::dev_ip, &st_bindingDevice::dev_mac,
                                                         &st_bindingDevice::dev_machine_code};
    static const char* const keys[] = {"dev_name", "os_name", "dev_ip", "dev_mac", "dev_machine_code"};
    devices = readRows<st_bindingDevice>(data.toArray(), fields, keys);
    return run.succeed();
}

bool PolicyAnalyzer::readDeviceBindInfo(QList<SDeviceBindInfo>& devices)
{
    ReaderRun run("readDeviceBindInfo", ErrorExit::AfterFound);
    devices.clear();
    QJsonObject root;
    if (!run.loadFile(kDeviceBind) || !run.object(root)) {
        return run.fail();
    }
    const QJsonValue data = root.value(QLatin1String("data"));
    if (!data.isArray()) {
        return run.fail(DEVICE_BIND_NO_LIST);
    }
    static QString SDeviceBindInfo::*const fields[] = {&SDeviceBindInfo::deviceName, &SDeviceBindInfo::macAddr,
                                                        &SDeviceBindInfo::cpuNo, &SDeviceBindInfo::hardDikSeqNo,
                                                        &SDeviceBindInfo::bindTime};
    static const char* const keys[] = {"deviceName", "macAddr", "cpuNo", "hardDikSeqNo", "bindTime"};
    devices = readRows<SDeviceBindInfo>(data.toArray(), fields, keys);
    return run.succeed();
}

bool PolicyAnalyzer::readDeviceBindInfo(st_deviceBindList& bindList)
{
    ReaderRun run("readDeviceBindInfo", ErrorExit::AfterFound);
    bindList = st_deviceBindList();
    QJsonObject root;
    if (!run.loadFile(kDeviceBind) || !run.object(root)) {
        return run.fail();
    }
    // The user and the rows sit in "data" when the service wraps them, else at the top level.
    const QJsonValue data = root.value(QLatin1String("data"));
    const QJsonObject holder = data.isObject() ? data.toObject() : root;
    const QJsonValue rows = holder.value(QLatin1String("rows"));
    if (!rows.isArray()) {
        return run.fail(DEVICE_BIND_NO_LIST);
    }
    bindList.userName = ::text(holder, QLatin1String("userName"));
    for (const QJsonValue& value : rows.toArray()) {
        const QJsonObject element = value.toObject();
        if (element.isEmpty()) {
            continue;
        }
        st_deviceBindRow row;
        row.devMachineCode = ::text(element, QLatin1String("devMachineCode"));
        row.devName = ::text(element, QLatin1String("devName"));
        const QJsonValue status = element.value(QLatin1String("status"));
        if (status.isDouble()) {
            row.status = integer(status);
        }
        bindList.rows.append(row);
    }
    return run.succeed();
}

bool PolicyAnalyzer::readLoginAudit(QList<st_loginAuditItem>& items)
{
    ReaderRun run("readLoginAudit", ErrorExit::AfterFound);
    items.clear();
    QJsonObject root;
    if (!run.loadFile(kLoginAudit) || !run.object(root)) {
        return run.fail();
    }
    const QJsonValue list = root.value(QLatin1String("data")).toObject().value(QLatin1String("list"));
    if (!list.isArray()) {
        return run.fail(LOGIN_AUDIT_NO_LIST);
    }
    static QString st_loginAuditItem::*const fields[] = {&st_loginAuditItem::action_time, &st_loginAuditItem::auth_type,
                                                          &st_loginAuditItem::client_ip, &st_loginAuditItem::client_mac,
                                                          &st_loginAuditItem::description};
    static const char* const keys[] = {"action_time", "auth_type", "client_ip", "client_mac", "description"};
    items = readRows<st_loginAuditItem>(list.toArray(), fields, keys);
    return run.succeed();
}

namespace {

bool readInforms(ReaderRun& run, const DocumentSpec& spec, QList<st_inform>& items)
{
    items.clear();
    QJsonObject root;
    if (!run.loadFile(spec) || !run.object(root)) {
        return run.fail();
    }
    const QJsonValue list = root.value(QLatin1String("data")).toObject().value(QLatin1String("list"));
    if (!list.isArray()) {
        return run.fail(INFORM_LIST_NO_LIST);
    }
    static QString st_inform::*const fields[] = {&st_inform::id, &st_inform::title, &st_inform::content,
                                                  &st_inform::time};
    static const char* const keys[] = {"id", "title", "content", "time"};
    for (const QJsonValue& value : list.toArray()) {
        const QJsonObject element = value.toObject();
        if (element.isEmpty()) {
            continue;
        }
        st_inform item;
        for (size_t i = 0; i < std::size(fields); ++i) {
            item.*fields[i] = text(element, QLatin1String(keys[i]));
        }
        item.isRead = integer(element, QLatin1String("read"));
        items.append(item);
    }
    return run.succeed();
}

}  // namespace

bool PolicyAnalyzer::readInformList(QList<st_inform>& items)
{
    ReaderRun run("readInformList", ErrorExit::AfterFound);
    return readInforms(run, kInformList, items);
}

bool PolicyAnalyzer::readInformListForVesk(QList<st_inform>& items)
{
    ReaderRun run("readInformListForVesk", ErrorExit::AfterFound);
    return readInforms(run, kVeskInformList, items);
}
