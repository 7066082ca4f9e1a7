// PolicyAnalyzer: applications, application requests, categories and network modes.

#include "src/PolicyAnalyzer/policyanalyzer_p.h"

#include "corviscommon/edition.h"

#include <QUrl>

#include <cstring>

using namespace policyreader;

namespace {

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

const char kPathPunctuation[] = "-._~!$&'()*+,;=:@";

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
            // The low byte alone is compared, as a byte-array look-up of the character would.
            plain = isAsciiAlnum(c) || std::memchr(kPathPunctuation, char(u), sizeof kPathPunctuation - 1) != nullptr;
        }
    }
    const int hostEnd = pathStart < 0 ? end : pathStart;
    if (!plain || hostEnd == pos || url.at(pos) == QLatin1Char(':')) {
        return QUrl(url).fileName(QUrl::FullyDecoded);
    }
    return lastSlash < 0 ? QString() : url.mid(lastSlash + 1, end - lastSlash - 1);
}

// One application entry: each key looked up once, required keys checked in a given order.
// `Value` is QJsonValue or FastJsonValue, whichever parser read the document.
template <class Value>
class ApplicationEntry
{
public:
    explicit ApplicationEntry(const Value& entry) : entry_(entry) {}

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
        values_[key] = entry_[kEntryKeys[key].key];
        return !values_[key].isUndefined();
    }

    QString text(EntryKey key) const { return values_[key].toString(); }
    int decimal(EntryKey key) const { return policyreader::decimal(values_[key]); }
    int integer(EntryKey key) const { return policyreader::integer(values_[key]); }

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
    const Value entry_;
    Value values_[EntryKeyCount];
};

const std::initializer_list<EntryKey> kCommonKeys = {KeyAppID,      KeyAppName,      KeyAppIco,       KeyUrl,
                                                      KeyUidclassid, KeyIbrowsertype, KeyIsProtectApp};

template <class Value>
bool readApplications(ReaderRun& run, const Value& root, bool vesk, QList<st_resource>& list)
{
    if (!run.object(root, RESOURCE_NO_LIST)) {
        return run.fail();
    }
    const Value entries = root[vesk ? QLatin1String("GatewayConfig") : QLatin1String("data")];
    if (!entries.isArray()) {
        return run.fail(RESOURCE_NO_LIST);
    }
    const QString cacheDir = corvis::paths::cacheDir();
    const auto array = entries.toArray();
    list.reserve(array.size());
    for (const Value value : array) {
        if (!value.isObject()) {
            continue;
        }
        ApplicationEntry<Value> entry(value);
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
        // Filled in place: a copy costs as much as the filling.
        list.append(st_resource());
        st_resource& resource = list.last();
        entry.fill(cacheDir, resource);
        if (vesk) {
            resource.isCreateIconInSandbox = entry.decimal(KeyIsCreateIconInSandbox) != 0;
            resource.source = entry.text(KeySource);
            if (!resource.isCreateIconInSandbox || resource.source.isEmpty()) {
                list.removeLast();
                continue;
            }
        } else {
            entry.fillSwitches(resource);
        }
        LOG_BATCHED(run.entryLines()) << "source:" << resource.source << ", aum Ico: " << resource.AppIco;
    }
    return run.succeed();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Applications, categories, network modes.

bool PolicyAnalyzer::readAppList(QList<st_resource>& list)
{
    ReaderRun run("readAppList", ErrorExit::AfterFound);
    list.clear();
    const bool vesk = corvis::Edition::current().isVesk();
    return run.readDocument(vesk ? kResource : kAppList,
                            [&](const auto& root) { return readApplications(run, root, vesk, list); });
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
    const QString cacheDir = corvis::paths::cacheDir();
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

namespace {

template <class Value>
bool readCategories(ReaderRun& run, const Value& root, bool nameFirst, QList<st_appCat>& list)
{
    // The categories are a top-level array; a top-level object holds none.
    const auto array = root.toArray();
    list.reserve(array.size());
    for (const Value value : array) {
        if (!value.isObject()) {
            continue;
        }
        // icount, uidclassid, strdesc, acfid, strclassname
        Value field[5];
        const int missing = firstMissingOf(value,
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
        list.append(st_appCat());
        st_appCat& category = list.last();
        category.icount = field[0].toString().toInt(nullptr, 10);
        category.uidclassid = field[1].toString();
        category.acfid = field[3].toString();
        const QString desc = field[2].toString().trimmed();
        const QString className = field[4].toString().trimmed();
        const QString& first = nameFirst ? className : desc;
        const QString& second = nameFirst ? desc : className;
        category.strDesc = !first.isEmpty() ? first : !second.isEmpty() ? second : QStringLiteral("未命名");
    }
    return run.succeed();
}

}  // namespace

bool PolicyAnalyzer::readAppCat(QList<st_appCat>& list)
{
    ReaderRun run("readAppCat", ErrorExit::AfterFound);
    list.clear();
    const bool nameFirst = corvis::Edition::current().is(corvis::Edition::Id::TirrowaUosX86);
    return run.readDocument(kAppCat, [&](const auto& root) { return readCategories(run, root, nameFirst, list); });
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
    const QString cacheDir = corvis::paths::cacheDir();
    for (const QJsonValue& value : entries.toArray()) {
        if (!value.isObject()) {
            continue;
        }
        ApplicationEntry<QJsonValue> entry(value);
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
