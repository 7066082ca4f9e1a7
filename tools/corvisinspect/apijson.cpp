#include "tools/corvisinspect/apijson.h"

#include <QJsonArray>

namespace {

QString text(const std::string& value)
{
    return QString::fromStdString(value);
}

template <class T>
QJsonArray toArray(const std::vector<T>& items)
{
    QJsonArray out;
    for (const T& item : items) {
        out.append(toJson(item));
    }
    return out;
}

}  // namespace

QJsonObject toJson(const stSsoAuthRsp& rsp)
{
    return {{"status", rsp.status}, {"msg", text(rsp.msg)}, {"sso_token", text(rsp.sso_token)}};
}

QJsonObject toJson(const AuthInfo& info)
{
    return {{"status", info.status},
            {"subStatus", info.subStatus},
            {"msg", text(info.msg)},
            {"authOriginal", text(info.authOriginal)},
            {"originalId", text(info.originalId)},
            {"salt", text(info.salt)},
            {"data", text(info.data)}};
}

QJsonObject toJson(const stSandboxApproveRecord& record)
{
    return {{"recordId", text(record.recordId)},       {"approveType", text(record.approveType)},
            {"approveTime", text(record.approveTime)}, {"approveResult", text(record.approveResult)},
            {"applyTime", text(record.applyTime)},     {"applyReason", text(record.applyReason)},
            {"sandboxId", text(record.sandboxId)},     {"sandboxName", text(record.sandboxName)},
            {"fileName", text(record.fileName)},       {"fileSize", record.fileSize},
            {"fileMd5", text(record.fileMd5)},         {"approveRemark", text(record.approveRemark)},
            {"approver", text(record.approver)}};
}

QJsonObject toJson(const stQuerySandboxApproveRecordsRsp& rsp)
{
    return {{"status", rsp.status},
            {"msg", text(rsp.msg)},
            {"totalCount", rsp.totalCount},
            {"recordList", toArray(rsp.recordList)}};
}

QJsonObject toJson(const stSandboxApproveNoticeRsp& rsp)
{
    return {{"status", rsp.status}, {"msg", text(rsp.msg)}, {"recordList", toArray(rsp.recordList)}};
}

QJsonObject toJson(const stCheckSessionRsp& rsp)
{
    QJsonArray events;
    for (const stSessionEvent& event : rsp.events) {
        QJsonArray ids;
        for (const std::string& id : event.recordIds) {
            ids.append(text(id));
        }
        events.append(QJsonObject{{"event", text(event.event)},
                                  {"timestamp", text(event.timestamp)},
                                  {"type", text(event.type)},
                                  {"recordIds", ids}});
    }
    return {{"status", rsp.status}, {"msg", text(rsp.msg)}, {"subStatus", rsp.subStatus}, {"events", events}};
}

QJsonObject toJson(const stSandBoxPolicyRsp& rsp)
{
    QJsonArray policies;
    for (const stPolicySandBox& policy : rsp.policies) {
        const stSandBoxSettings& box = policy.sandBox;
        const QJsonObject settings{{"exportType", box.exportType},
                                   {"exportFileType", text(box.exportFileType)},
                                   {"enableExportFolder", box.enableExportFolder},
                                   {"isCopyOut", box.isCopyOut},
                                   {"copyOutSize", box.copyOutSize},
                                   {"importType", box.importType},
                                   {"importFileType", text(box.importFileType)},
                                   {"enableImportFolder", box.enableImportFolder},
                                   {"isCopyIn", box.isCopyIn},
                                   {"copyInSize", box.copyInSize},
                                   {"iActionCtrl", box.iActionCtrl},
                                   {"isFileImport", box.isFileImport},
                                   {"isFileExport", box.isFileExport},
                                   {"approveTip", text(box.approveTip)},
                                   {"boxName", text(box.boxName)},
                                   {"leaveNoTrace", box.leaveNoTrace},
                                   {"auditReport", box.auditReport},
                                   {"exportData", text(box.exportData)},
                                   {"importData", text(box.importData)}};
        policies.append(QJsonObject{
            {"policyid", text(policy.policyid)}, {"policyname", text(policy.policyname)}, {"sandBox", settings}});
    }
    return {{"status", rsp.status}, {"msg", text(rsp.msg)}, {"policies", policies}};
}

QJsonObject toJson(const stHttpRsp& rsp)
{
    return {{"status", rsp.status}, {"msg", text(rsp.msg)}};
}

QJsonObject toJson(const stPersonalCertInfoRsp& rsp)
{
    QJsonArray certs;
    for (const stPersonalCertInfo& cert : rsp.certList) {
        certs.append(QJsonObject{
            {"certSerialNum", text(cert.certSerialNum)}, {"issuer", text(cert.issuer)}, {"subject", text(cert.subject)}});
    }
    return {{"status", rsp.status}, {"certList", certs}};
}

QJsonObject toJson(const stSandboxUploadRsp& rsp)
{
    return {{"status", rsp.status}, {"msg", text(rsp.msg)}, {"fileId", text(rsp.fileId)}};
}

QJsonObject toJson(const stNewSandboxRsp& rsp)
{
    return {{"status", rsp.status},           {"message", text(rsp.message)},     {"containerId", text(rsp.containerId)},
            {"imageId", text(rsp.imageId)}, {"conStatus", rsp.conStatus}, {"imageStatus", rsp.imageStatus}};
}
