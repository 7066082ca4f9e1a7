#pragma once

#include "src/PolicyAnalyzer/policyanalyzer.h"

#include <QJsonArray>
#include <QJsonObject>

// The records as JSON, each field under its own name, for diagnostics (corvisinspect) and tests.
class PolicyRecordJson
{
public:
    // One-time codes, sessions and tickets are shown as "***" unless asked for.
    enum Secrets { HideSecrets, ShowSecrets };

    static QJsonObject toJson(const st_operationEnv& env);
    static QJsonObject toJson(const st_accessCheckResult& result);
    static QJsonObject toJson(const st_primaryNode& node);
    static QJsonObject toJson(const st_secondaryNode& node);
    static QJsonObject toJson(const st_dynamicAuthResult& result);
    static QJsonObject toJson(const st_dynamicAuthItem& item);
    static QString toJson(AuthAgainType type);
    static QJsonObject toJson(const st_resource& resource);
    static QJsonObject toJson(const st_appCat& category);
    static QJsonObject toJson(const st_netmode& mode);
    static QJsonObject toJson(const QMap<QString, st_netmode>& modes);
    static QJsonObject toJson(const st_appforResource& record);
    static QJsonObject toJson(const st_systemTitle& title);
    static QJsonObject toJson(const st_loginMenu& menu);
    static QJsonObject toJson(const st_pwdClaim& claim);
    static QJsonObject toJson(const st_carousel& carousel);
    static QJsonObject toJson(const st_showPic& picture);
    static QJsonObject toJson(const st_qrcodeInfo& info, Secrets secrets = HideSecrets);
    static QJsonObject toJson(const st_againBindInfo& info, Secrets secrets = HideSecrets);
    static QJsonObject toJson(const st_bindingDevice& device);
    static QJsonObject toJson(const SDeviceBindInfo& device);
    static QJsonObject toJson(const st_deviceBindList& bindList);
    static QJsonObject toJson(const st_deviceBindRow& row);
    static QJsonObject toJson(const st_loginAuditItem& item);
    static QJsonObject toJson(const st_inform& item);

    template <class Record>
    static QJsonArray toJson(const QList<Record>& list)
    {
        QJsonArray array;
        for (const Record& record : list) {
            array.append(toJson(record));
        }
        return array;
    }
    static QJsonArray toJson(const QStringList& list) { return QJsonArray::fromStringList(list); }
};
