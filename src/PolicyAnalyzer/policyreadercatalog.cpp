#include "src/PolicyAnalyzer/policyreadercatalog.h"

#include "corviscommon/productpaths.h"

namespace {

namespace rel = corvis::paths::rel;
using Secrets = PolicyRecordJson::Secrets;

QJsonObject outcome(bool ok, const QJsonValue& record)
{
    return {{"ok", ok}, {"record", record}};
}

// A file reader whose single output is a record or a list of records.
template <class Record>
PolicyReaderEntry fileReader(const char* name, const char* source, bool (PolicyAnalyzer::*reader)(Record&))
{
    return {QString::fromLatin1(name), false, QString::fromLatin1(source), {QString::fromLatin1(source)},
            [reader](const QString&, Secrets) {
                Record record;
                const bool ok = (PolicyAnalyzer::instance()->*reader)(record);
                return outcome(ok, PolicyRecordJson::toJson(record));
            }};
}

// A reply-text reader whose single output is a record or a list of records.
template <class Record>
PolicyReaderEntry textReader(const char* name, const char* source, bool (PolicyAnalyzer::*reader)(const QString&, Record&))
{
    return {QString::fromLatin1(name), true, QString::fromLatin1(source), {}, [reader](const QString& text, Secrets) {
                Record record;
                const bool ok = (PolicyAnalyzer::instance()->*reader)(text, record);
                return outcome(ok, PolicyRecordJson::toJson(record));
            }};
}

// A reply-text reader with a single text output, shown under `field`.
PolicyReaderEntry textValueReader(const char* name, const char* source, const char* field,
                                  bool (PolicyAnalyzer::*reader)(const QString&, QString&))
{
    const QString key = QString::fromLatin1(field);
    return {QString::fromLatin1(name), true, QString::fromLatin1(source), {}, [reader, key](const QString& text, Secrets) {
                QString value;
                const bool ok = (PolicyAnalyzer::instance()->*reader)(text, value);
                return outcome(ok, QJsonObject{{key, value}});
            }};
}

QVector<PolicyReaderEntry> makeCatalog()
{
    QVector<PolicyReaderEntry> all;

    all.append(textReader("parseResRemindInfo", "reply of the operation-environment query",
                          &PolicyAnalyzer::parseResRemindInfo));
    all.append(fileReader("readAccessResult", rel::kAccessCheckResultJson, &PolicyAnalyzer::readAccessResult));
    all.append(fileReader("readDynamicResult", rel::kDynamicAuthResultJson, &PolicyAnalyzer::readDynamicResult));
    all.append({QStringLiteral("parseDynamicStopApp"), false, QLatin1String(rel::kDynamicAuthResponseJson),
                {QLatin1String(rel::kDynamicAuthResponseJson)}, [](const QString&, Secrets) {
                    QStringList ids;
                    const bool ok = PolicyAnalyzer::instance()->parseDynamicStopApp(ids);
                    return outcome(ok, QJsonObject{{"appIds", PolicyRecordJson::toJson(ids)}});
                }});
    all.append({QStringLiteral("parseDynamicAuthAgainType"), false, QLatin1String(rel::kDynamicAuthResponseJson),
                {QLatin1String(rel::kDynamicAuthResponseJson)}, [](const QString&, Secrets) {
                    AuthAgainType type = AuthAgainPwd;
                    const bool ok = PolicyAnalyzer::instance()->parseDynamicAuthAgainType(type);
                    return outcome(ok, QJsonObject{{"type", PolicyRecordJson::toJson(type)}});
                }});
    all.append({QStringLiteral("parseDynamicAuthTips"), false, QLatin1String(rel::kDynamicAuthResponseJson),
                {QLatin1String(rel::kDynamicAuthResponseJson)}, [](const QString&, Secrets) {
                    QString tips;
                    const bool ok = PolicyAnalyzer::instance()->parseDynamicAuthTips(tips);
                    return outcome(ok, QJsonObject{{"tips", tips}});
                }});

    PolicyReaderEntry appList = fileReader("readAppList", rel::kAppListJson, &PolicyAnalyzer::readAppList);
    appList.source = QStringLiteral("%1 (vesk editions: %2)").arg(QLatin1String(rel::kAppListJson), QLatin1String(rel::kResourceJson));
    appList.files.append(QLatin1String(rel::kResourceJson));
    all.append(appList);
    all.append({QStringLiteral("readAppApplyList"), false, QLatin1String(rel::kAppApplyListJson),
                {QLatin1String(rel::kAppApplyListJson)}, [](const QString&, Secrets) {
                    QList<st_resource> list;
                    QString applyTip;
                    const bool ok = PolicyAnalyzer::instance()->readAppApplyList(list, applyTip);
                    return outcome(ok, QJsonObject{{"resources", PolicyRecordJson::toJson(list)}, {"applyTip", applyTip}});
                }});
    all.append(fileReader("readAppCat", rel::kAppCatJson, &PolicyAnalyzer::readAppCat));
    all.append(fileReader("readPolicyGetNetmode", rel::kSandboxPolicyJson, &PolicyAnalyzer::readPolicyGetNetmode));
    all.append(fileReader("parseKavItsm", rel::kResourceJson, &PolicyAnalyzer::parseKavItsm));
    all.append({QStringLiteral("parseAppApply"), true, QStringLiteral("reply of an application request"), {},
                [](const QString& text, Secrets) {
                    QList<QString> ids;
                    const bool ok = PolicyAnalyzer::instance()->parseAppApply(text, ids);
                    return outcome(ok, QJsonObject{{"ids", PolicyRecordJson::toJson(QStringList(ids))}});
                }});
    all.append(textReader("parseApproveRecords", "reply of an approval-record query",
                          &PolicyAnalyzer::parseApproveRecords));

    all.append(fileReader("parseSystemTitle", rel::kSystemTitleJson, &PolicyAnalyzer::parseSystemTitle));
    all.append(fileReader("parseCarousel", rel::kCarouselJson, &PolicyAnalyzer::parseCarousel));
    all.append({QStringLiteral("readVeskAuthImage"), false, QLatin1String(rel::kVeskAuthImageJson),
                {QLatin1String(rel::kVeskAuthImageJson)}, [](const QString&, Secrets) {
                    QString image;
                    const bool ok = PolicyAnalyzer::instance()->readVeskAuthImage(image);
                    return outcome(ok, QJsonObject{{"image", image}});
                }});

    all.append(textValueReader("parseSmsInit", "reply of the SMS initialisation", "phone", &PolicyAnalyzer::parseSmsInit));
    all.append({QStringLiteral("parseResetAuthCodeResMsg"), true, QStringLiteral("reply of a reset-code request"), {},
                [](const QString& text, Secrets) {
                    int seconds = 0;
                    const bool ok = PolicyAnalyzer::instance()->parseResetAuthCodeResMsg(text, seconds);
                    return outcome(ok, QJsonObject{{"seconds", seconds}});
                }});
    all.append({QStringLiteral("getAuthType"), true, QStringLiteral("a login type code (\"1\" to \"16\")"), {},
                [](const QString& text, Secrets) {
                    const QString name = PolicyAnalyzer::instance()->getAuthType(text.trimmed());
                    return outcome(!name.isEmpty(), QJsonObject{{"name", name}});
                }});
    all.append(textValueReader("parseQrcodeSign", "reply of the QR signature request", "sign",
                               &PolicyAnalyzer::parseQrcodeSign));
    all.append(textValueReader("parseQrcodeUrl", "reply of the QR login-URL request", "url",
                               &PolicyAnalyzer::parseQrcodeUrl));
    all.append({QStringLiteral("parseQrcodeHeartbeat"), true, QStringLiteral("reply of a QR heartbeat"), {},
                [](const QString& text, Secrets secrets) {
                    st_qrcodeInfo info;
                    const bool ok = PolicyAnalyzer::instance()->parseQrcodeHeartbeat(text, info);
                    return outcome(ok, PolicyRecordJson::toJson(info, secrets));
                }});
    all.append({QStringLiteral("parseBindedInfo"), true, QStringLiteral("text of a login held for device binding"), {},
                [](const QString& text, Secrets secrets) {
                    st_againBindInfo info;
                    const bool ok = PolicyAnalyzer::instance()->parseBindedInfo(text, info);
                    return outcome(ok, PolicyRecordJson::toJson(info, secrets));
                }});

    using DeviceList = bool (PolicyAnalyzer::*)(QList<st_bindingDevice>&);
    using CardList = bool (PolicyAnalyzer::*)(QList<SDeviceBindInfo>&);
    using BindList = bool (PolicyAnalyzer::*)(st_deviceBindList&);
    all.append(fileReader("readDeviceBindInfo", rel::kDeviceBindJson,
                          static_cast<DeviceList>(&PolicyAnalyzer::readDeviceBindInfo)));
    all.append(fileReader("readDeviceBindInfo:SDeviceBindInfo", rel::kDeviceBindJson,
                          static_cast<CardList>(&PolicyAnalyzer::readDeviceBindInfo)));
    all.append(fileReader("readDeviceBindInfo:st_deviceBindList", rel::kDeviceBindJson,
                          static_cast<BindList>(&PolicyAnalyzer::readDeviceBindInfo)));
    all.append(fileReader("readLoginAudit", rel::kLoginAuditJson, &PolicyAnalyzer::readLoginAudit));
    all.append(fileReader("readInformList", rel::kInformListJson, &PolicyAnalyzer::readInformList));
    all.append(fileReader("readInformListForVesk", rel::kVeskInformListJson, &PolicyAnalyzer::readInformListForVesk));
    return all;
}

}  // namespace

const QVector<PolicyReaderEntry>& PolicyReaderCatalog::readers()
{
    static const QVector<PolicyReaderEntry> all = makeCatalog();
    return all;
}

const PolicyReaderEntry* PolicyReaderCatalog::find(const QString& name)
{
    for (const PolicyReaderEntry& entry : readers()) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}
