// PolicyAnalyzer: the operation-environment policy, the access-check result and the dynamic
// authorization documents.

#include "src/PolicyAnalyzer/policyanalyzer_p.h"

#include <QDateTime>

using namespace policyreader;

namespace {

// Access-check sections.

// `Array` is a QJsonArray or a FastJsonValue::Array.
template <class Array>
QList<st_secondaryNode> accessCheckItems(const Array& list, bool softnameFallback, bool logAvItems)
{
    QList<st_secondaryNode> items;
    items.reserve(list.size());
    corvis::LogBatch lines;  // written when the section is read, before the next section's lines
    for (const auto element : list) {
        if (isEmptyObject(element)) {
            continue;
        }
        items.append(st_secondaryNode());
        st_secondaryNode& item = items.last();
        const auto reason = element[QLatin1String("reason")];
        if (reason.isString() || !softnameFallback) {
            item.reason = reason.toString();
        } else {
            item.reason = element[QLatin1String("softname")].toString();
        }
        item.repairGuideUrl = element[QLatin1String("repairguideURL")].toString();
        if (logAvItems) {
            LOG_BATCHED(lines) << "PRIMARY_NODE_AVCHECK list happen!";
        }
    }
    return items;
}

template <class Value>
QString softwareTitle(const Value& software)
{
    QString title = QStringLiteral("软件配置检查(");
    const Value checkType = software[QLatin1String("checktype")];
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

template <class Value>
bool readAccessSections(ReaderRun& run, const Value& root, st_accessCheckResult& result)
{
    if (!run.object(root)) {
        return run.fail();
    }
    // Sections in their fixed order, each at most once.
    const Value avcheck = root[QLatin1String("avcheck")];
    const Value avlist = avcheck[QLatin1String("avlist")];
    if (avcheck.isObject() && avlist.isArray()) {
        LOG(INFO) << "PRIMARY_NODE_AVCHECK happen!";
        result.nodes.append({QStringLiteral("防病毒软件检查"), accessCheckItems(avlist.toArray(), false, true)});
    }
    const Value software = root[QLatin1String("software")];
    const Value softlist = software[QLatin1String("softlist")];
    if (software.isObject() && softlist.isArray()) {
        result.nodes.append({softwareTitle(software), accessCheckItems(softlist.toArray(), true, false)});
    }
    static const struct {
        const char* key;
        const char* title;
    } arraySections[] = {
        {"scrsaverpwd", "屏保检查"},      {"advancedConfig", "高级配置检查"}, {"hostnamecheck", "主机名检查"},
        {"firewalldcheck", "防火墙检查"}, {"highriskports", "高危端口检查"},  {"rootlogincheck", "登录名检查"},
    };
    for (const auto& section : arraySections) {
        const Value list = root[QLatin1String(section.key)];
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

}  // namespace

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
    return run.readDocument(kAccessCheckResult, [&](const auto& root) { return readAccessSections(run, root, result); });
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
    appIds.reserve(ids.size());
    for (int i = 0; i < ids.size(); ++i) {
        appIds.append(ids.at(i).toString());
        LOG_BATCHED(run.entryLines()) << "forbidAccessAppIds[" << i << "]: " << appIds.last();
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
