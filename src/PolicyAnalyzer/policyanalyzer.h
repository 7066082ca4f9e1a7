#pragma once

#include "src/PolicyAnalyzer/errorcode.h"
#include "src/PolicyAnalyzer/st_accesscheckresult.h"
#include "src/PolicyAnalyzer/st_againbindinfo.h"
#include "src/PolicyAnalyzer/st_appcat.h"
#include "src/PolicyAnalyzer/st_appforresource.h"
#include "src/PolicyAnalyzer/st_bindingdevice.h"
#include "src/PolicyAnalyzer/st_carousel.h"
#include "src/PolicyAnalyzer/st_dynamicauthresult.h"
#include "src/PolicyAnalyzer/st_inform.h"
#include "src/PolicyAnalyzer/st_loginaudititem.h"
#include "src/PolicyAnalyzer/st_netmode.h"
#include "corviscommon/st_operationenv.h"
#include "src/PolicyAnalyzer/st_qrcodeinfo.h"
#include "src/PolicyAnalyzer/st_resource.h"
#include "src/PolicyAnalyzer/st_systemtitle.h"

#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

// Turns the JSON documents of the local services (reply texts and the files they leave under
// ini/) into the records the pages show. Stateless: every call reads its source afresh.
//
// Every reader logs "FUNC(name) enter" and, on success, "FUNC(name) exit"; failures are logged
// as error lines (corvis::errorMsg) with the reader's codes and end in `false`. A missing file is
// logged at INFO, everything else at ERROR. What a reader leaves in its output after a failure is
// part of its contract and noted with it.
class PolicyAnalyzer : public QObject
{
    Q_OBJECT
public:
    static PolicyAnalyzer* instance();

    // Registers the records that travel in queued signals or item data ("st_resource", ...).
    // Done once with the first instance(); callers that emit a record earlier may call it.
    static void registerMetaTypes();

    // Operation-environment reminder policy (reply text). `env` is left untouched on failure and
    // when the list holds no object.
    bool parseResRemindInfo(const QString& text, st_operationEnv& env);
    // ini/accessCheckResult.json. `state` is 1 and `nodes` cleared first; `nodeCount` is set only
    // on success.
    bool readAccessResult(st_accessCheckResult& result);
    // ini/dynamicAuthResult.json. `items` cleared first; other fields keep their values until set.
    bool readDynamicResult(st_dynamicAuthResult& result);
    // ini/dynamicAuthResponse.json, one member of "data" each.
    bool parseDynamicStopApp(QStringList& appIds);
    bool parseDynamicAuthAgainType(AuthAgainType& type);
    bool parseDynamicAuthTips(QString& tips);

    // Applications: ini/appList.json ("data"), or ini/resource.json ("GatewayConfig") in the vesk
    // editions. Entries accepted before a failing one stay in `list`.
    bool readAppList(QList<st_resource>& list);
    // ini/appApplyList.json: applications that may be applied for, and the tip text.
    bool readAppApplyList(QList<st_resource>& list, QString& applyTip);
    // ini/appCat.json
    bool readAppCat(QList<st_appCat>& list);
    // sandbox/ini/policy.json: network modes by id.
    bool readPolicyGetNetmode(QMap<QString, st_netmode>& modes);
    // The "itsm应用申请" entry of ini/resource.json; false, with `resource` untouched, when no
    // entry carries that name.
    bool parseKavItsm(st_resource& resource);
    // Reply of an application request: ids whose request was accepted.
    bool parseAppApply(const QString& text, QList<QString>& ids);
    // Reply of an approval-record query; records are appended.
    bool parseApproveRecords(const QString& text, QList<st_appforResource>& records);

    // ini/systemTitle.json. The password rules are not reset; menu entries read before a failing
    // one stay.
    bool parseSystemTitle(st_systemTitle& title);
    // ini/carousel.json; every field reset first.
    bool parseCarousel(st_carousel& carousel);
    // ini/veskAuthImage.json; `image` emptied first.
    bool readVeskAuthImage(QString& image);

    // Login documents (reply texts). The single-value readers set their output only on success.
    bool parseSmsInit(const QString& text, QString& phone);
    bool parseResetAuthCodeResMsg(const QString& text, int& seconds);
    // Display name of a login type code ("6" -> "短信认证"); empty for an unknown code.
    QString getAuthType(const QString& code);
    bool parseQrcodeSign(const QString& text, QString& sign);
    bool parseQrcodeUrl(const QString& text, QString& url);
    // Clears username, authcode and sessionid and sets status 0 first.
    bool parseQrcodeHeartbeat(const QString& text, st_qrcodeInfo& info);
    // `info` is filled only when the whole document was read.
    bool parseBindedInfo(const QString& text, st_againBindInfo& info);

    // ini/devicebind.json in its three layouts; each clears its output first.
    bool readDeviceBindInfo(QList<st_bindingDevice>& devices);
    bool readDeviceBindInfo(QList<SDeviceBindInfo>& devices);
    bool readDeviceBindInfo(st_deviceBindList& bindList);
    // ini/loginAudit.json; `items` cleared first.
    bool readLoginAudit(QList<st_loginAuditItem>& items);

    // The notification centre's message list, ini/informList.json (the vesk editions keep theirs in
    // ini/vesk_informList.json): {"data": {"list": [{"id", "title", "content", "time": strings,
    // "read": number}]}}. `items` cleared first; entries that are not objects or are empty are
    // skipped.
    bool readInformList(QList<st_inform>& items);
    bool readInformListForVesk(QList<st_inform>& items);

private:
    PolicyAnalyzer();

    static QMutex mutex_;
    static PolicyAnalyzer* m_pInstance;
};
