#include "src/PolicyAnalyzer/policyrecordjson.h"

#include <algorithm>

namespace {

QString secret(const QString& value, PolicyRecordJson::Secrets secrets)
{
    return secrets == PolicyRecordJson::ShowSecrets || value.isEmpty() ? value : QStringLiteral("***");
}

}  // namespace

QJsonObject PolicyRecordJson::toJson(const st_operationEnv& env)
{
    return {
        {"memoryReminderSwitch", env.memoryReminderSwitch},
        {"memoryThreshold", env.memoryThreshold},
        {"memoryReminderTips", env.memoryReminderTips},
        {"cpuReminderSwitch", env.cpuReminderSwitch},
        {"cpuThreshold", env.cpuThreshold},
        {"cpuReminderTips", env.cpuReminderTips},
        {"storeSpaceReminderSwitch", env.storeSpaceReminderSwitch},
        {"storeSpaceThreshold", env.storeSpaceThreshold},
        {"storeSpaceReminderTips", env.storeSpaceReminderTips},
    };
}

QJsonObject PolicyRecordJson::toJson(const st_accessCheckResult& result)
{
    return {{"state", result.state}, {"nodeCount", result.nodeCount}, {"nodes", toJson(result.nodes)}};
}

QJsonObject PolicyRecordJson::toJson(const st_primaryNode& node)
{
    return {{"title", node.title}, {"items", toJson(node.items)}};
}

QJsonObject PolicyRecordJson::toJson(const st_secondaryNode& node)
{
    return {{"reason", node.reason}, {"repairGuideUrl", node.repairGuideUrl}};
}

QJsonObject PolicyRecordJson::toJson(const st_dynamicAuthResult& result)
{
    return {{"score", result.score},
            {"trustLevel", result.trustLevel},
            {"checkTime", result.checkTime},
            {"items", toJson(result.items)}};
}

QJsonObject PolicyRecordJson::toJson(const st_dynamicAuthItem& item)
{
    return {{"riskType", item.riskType},
            {"itemName", item.itemName},
            {"bResult", item.bResult},
            {"riskScore", item.riskScore},
            {"description", item.description}};
}

QString PolicyRecordJson::toJson(AuthAgainType type)
{
    return type == AuthAgainSms ? QStringLiteral("AuthAgainSms") : QStringLiteral("AuthAgainPwd");
}

QJsonObject PolicyRecordJson::toJson(const st_resource& resource)
{
    return {
        {"AppID", resource.AppID},
        {"AppName", resource.AppName},
        {"AppIco", resource.AppIco},
        {"icoPath", resource.icoPath},
        {"Url", resource.Url},
        {"uidclassid", resource.uidclassid},
        {"source", resource.source},
        {"isCreateIconInSandbox", resource.isCreateIconInSandbox},
        {"enable", resource.enable},
        {"isApply", resource.isApply},
        {"isChecked", resource.isChecked},
        {"iAppHide", resource.iAppHide},
        {"ibrowsertype", resource.ibrowsertype},
        {"isProtectApp", resource.isProtectApp},
        {"collect", resource.collect},
        {"RunMode", resource.RunMode},
        {"ResourceType", resource.ResourceType},
    };
}

QJsonObject PolicyRecordJson::toJson(const st_appCat& category)
{
    return {{"icount", category.icount},
            {"uidclassid", category.uidclassid},
            {"strDesc", category.strDesc},
            {"acfid", category.acfid}};
}

QJsonObject PolicyRecordJson::toJson(const st_netmode& mode)
{
    // A set has no order; sorted, the output is the same from run to run.
    QStringList ids = mode.AppIds.values();
    std::sort(ids.begin(), ids.end());
    return {{"NetModeID", mode.NetModeID}, {"NetModeName", mode.NetModeName}, {"AppIds", toJson(ids)}};
}

QJsonObject PolicyRecordJson::toJson(const QMap<QString, st_netmode>& modes)
{
    QJsonObject object;
    for (auto it = modes.cbegin(); it != modes.cend(); ++it) {
        object.insert(it.key(), toJson(it.value()));
    }
    return object;
}

QJsonObject PolicyRecordJson::toJson(const st_appforResource& record)
{
    return {
        {"appName", record.appName},         {"approveResult", record.approveResult},
        {"applyTime", record.applyTime},     {"validEndTime", record.validEndTime},
        {"applyReason", record.applyReason}, {"approveTime", record.approveTime},
        {"approveRemark", record.approveRemark}, {"approver", record.approver},
    };
}

QJsonObject PolicyRecordJson::toJson(const st_systemTitle& title)
{
    return {{"validateCodeType", title.validateCodeType},
            {"loginMenu", toJson(title.loginMenu)},
            {"pwdClaim", toJson(title.pwdClaim)},
            {"embeddedWeb", title.embeddedWeb},
            {"certAuthSign", title.certAuthSign}};
}

QJsonObject PolicyRecordJson::toJson(const st_loginMenu& menu)
{
    return {{"menuId", menu.menuId}, {"menuText", menu.menuText}};
}

QJsonObject PolicyRecordJson::toJson(const st_pwdClaim& claim)
{
    return {{"max_length", claim.max_length},         {"min_charlen", claim.min_charlen},
            {"min_length", claim.min_length},         {"min_numlen", claim.min_numlen},
            {"min_special_len", claim.min_special_len}, {"isPwdClaimOpen", claim.isPwdClaimOpen}};
}

QJsonObject PolicyRecordJson::toJson(const st_carousel& carousel)
{
    return {{"isCarouselEnabled", carousel.isCarouselEnabled},
            {"showType", carousel.showType},
            {"scheduledShowTime", carousel.scheduledShowTime},
            {"showEndType", carousel.showEndType},
            {"showEndTime", carousel.showEndTime},
            {"carouselSwitchTime", carousel.carouselSwitchTime},
            {"showPic", toJson(carousel.showPic)}};
}

QJsonObject PolicyRecordJson::toJson(const st_showPic& picture)
{
    return {{"strpicpath", picture.strpicpath}, {"iorder", picture.iorder}};
}

QJsonObject PolicyRecordJson::toJson(const st_qrcodeInfo& info, Secrets secrets)
{
    return {{"ready", info.ready},
            {"status", info.status},
            {"sign", info.sign},
            {"username", info.username},
            {"authcode", secret(info.authcode, secrets)},
            {"sessionid", secret(info.sessionid, secrets)},
            {"msg", info.msg}};
}

QJsonObject PolicyRecordJson::toJson(const st_againBindInfo& info, Secrets secrets)
{
    return {{"msg", info.msg}, {"bindUserName", info.bindUserName}, {"token", secret(info.token, secrets)}};
}

QJsonObject PolicyRecordJson::toJson(const st_bindingDevice& device)
{
    return {{"dev_name", device.dev_name},
            {"os_name", device.os_name},
            {"dev_ip", device.dev_ip},
            {"dev_mac", device.dev_mac},
            {"dev_machine_code", device.dev_machine_code}};
}

QJsonObject PolicyRecordJson::toJson(const SDeviceBindInfo& device)
{
    return {{"deviceName", device.deviceName},
            {"macAddr", device.macAddr},
            {"cpuNo", device.cpuNo},
            {"hardDikSeqNo", device.hardDikSeqNo},
            {"bindTime", device.bindTime}};
}

QJsonObject PolicyRecordJson::toJson(const st_deviceBindList& bindList)
{
    return {{"userName", bindList.userName}, {"rows", toJson(bindList.rows)}};
}

QJsonObject PolicyRecordJson::toJson(const st_deviceBindRow& row)
{
    return {{"devMachineCode", row.devMachineCode}, {"devName", row.devName}, {"status", row.status}};
}

QJsonObject PolicyRecordJson::toJson(const st_loginAuditItem& item)
{
    return {{"action_time", item.action_time},
            {"auth_type", item.auth_type},
            {"client_ip", item.client_ip},
            {"client_mac", item.client_mac},
            {"description", item.description}};
}

QJsonObject PolicyRecordJson::toJson(const st_inform& item)
{
    return {{"id", item.id}, {"title", item.title}, {"content", item.content}, {"time", item.time}, {"read", item.isRead}};
}
