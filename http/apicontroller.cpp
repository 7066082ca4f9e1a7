// API: the calls to the controller's web services.

#include "http/api_p.h"

#include "http/chttpcurlclient.h"
#include "http/chttpevent.h"
#include "http/jsonfields.h"
#include "login/des.h"

#include <sys/stat.h>

using corvis::json::arrayMember;
using corvis::json::copyInt;
using corvis::json::copyString;
using corvis::json::objectMember;
using namespace apidetail;

namespace {

constexpr const char* kAuthInfoKey = "WQB63815";
// getAuthInfo's deciphered data must fit this buffer; a longer text fails instead of overflowing.
constexpr size_t kAuthInfoClearSize = 1024;

void readRecord(const rapidjson::Value& value, const char* idKey, stSandboxApproveRecord& record)
{
    copyString(value, idKey, record.recordId);
    copyString(value, "approveType", record.approveType);
    copyString(value, "approveTime", record.approveTime);
    copyString(value, "approveResult", record.approveResult);
    copyString(value, "applyTime", record.applyTime);
    copyString(value, "applyReason", record.applyReason);
    copyString(value, "sandboxId", record.sandboxId);
    copyString(value, "sandboxName", record.sandboxName);
    copyString(value, "fileName", record.fileName);
    copyInt(value, "fileSize", record.fileSize);
    copyString(value, "fileMd5", record.fileMd5);
    copyString(value, "approveRemark", record.approveRemark);
    copyString(value, "approver", record.approver);
}

void readRecordList(const rapidjson::Value& data, const char* idKey, std::vector<stSandboxApproveRecord>& list)
{
    const rapidjson::Value* records = arrayMember(data, "recordList");
    if (records == nullptr) {
        return;
    }
    for (const rapidjson::Value& item : records->GetArray()) {
        if (item.IsObject()) {
            stSandboxApproveRecord record;
            readRecord(item, idKey, record);
            list.push_back(record);
        }
    }
}

void readSandBoxSettings(const rapidjson::Value& box, stSandBoxSettings& settings)
{
    if (!copyInt(box, "exportType", settings.exportType)) {
        copyInt(box, "exprotType", settings.exportType);
    }
    copyString(box, "exportFileType", settings.exportFileType);
    copyInt(box, "enableExportFolder", settings.enableExportFolder);
    copyInt(box, "isCopyOut", settings.isCopyOut);
    copyInt(box, "copyOutSize", settings.copyOutSize);
    copyInt(box, "importType", settings.importType);
    copyString(box, "importFileType", settings.importFileType);
    copyInt(box, "enableImportFolder", settings.enableImportFolder);
    copyInt(box, "isCopyIn", settings.isCopyIn);
    copyInt(box, "copyInSize", settings.copyInSize);
    copyInt(box, "iActionCtrl", settings.iActionCtrl);
    copyInt(box, "isFileImport", settings.isFileImport);
    copyInt(box, "isFileExport", settings.isFileExport);
    copyString(box, "approveTip", settings.approveTip);
    copyString(box, "boxName", settings.boxName);
    copyInt(box, "leaveNoTrace", settings.leaveNoTrace);
    copyInt(box, "auditReport", settings.auditReport);
    copyString(box, "exportData", settings.exportData);
    copyString(box, "importData", settings.importData);
}

}  // namespace

API::Result API::ssoAuth(const stSsoAuthReq& req, stSsoAuthRsp& rsp)
{
    rsp = stSsoAuthRsp();
    Target target;
    const Result ret = begin(true, target);
    if (ret != 0) {
        return ret;
    }
    const std::string body = "access_token=" + target.sessionId + "&uname=" + req.uname + "&appid=" + req.appid +
                             "&resourcetype=" + req.resourcetype + "&runmode=" + req.runmode +
                             "&isProtectApp=" + req.isProtectApp;
    std::string text;
    Reply reply;
    if (postToController(target, "ssoAuth", "/Mervasso/auth/ssoAuth.json", body, text) != 0 || !reply.parse("ssoAuth", text)) {
        return Failed;
    }
    copyString(reply.doc, "msg", rsp.msg);
    copyInt(reply.doc, "status", rsp.status);
    if (const rapidjson::Value* data = objectMember(reply.doc, "data")) {
        copyString(*data, "sso_token", rsp.sso_token);
    }
    return Ok;
}

API::Result API::getAuthInfo(AuthInfo& info)
{
    const std::string requestData = info.data;
    info = AuthInfo();
    Target target;
    const Result ret = begin(false, target);
    if (ret != 0) {
        return ret;
    }
    const std::string devInfo = getCorvisDevInfo();
    if (devInfo.empty()) {
        LOG(ERROR) << "getCorvisDevInfo failed";
        return Failed;
    }
    std::string body = "devinfo=" + devInfo;
    if (!requestData.empty()) {
        body += "&data=" + requestData;
    }
    std::string text;
    Reply reply;
    if (postToController(target, "getAuthInfo", "/Mervasso/cert/getAuthInfo.json", body, text) != 0 ||
        !reply.parse("getAuthInfo", text)) {
        return Failed;
    }
    copyInt(reply.doc, "status", info.status);
    copyInt(reply.doc, "subStatus", info.subStatus);
    copyString(reply.doc, "msg", info.msg);
    std::string cipherText;
    if (info.status != kStatusOk || !copyString(reply.doc, "data", cipherText)) {
        return Ok;
    }
    char clear[kAuthInfoClearSize] = {0};
    const int ok = Des::Decrypt(reinterpret_cast<const unsigned char*>(kAuthInfoKey), nullptr, cipherText.c_str(),
                                clear, sizeof clear);
    if (ok != 1 || clear[0] == '\0') {
        LOG(ERROR) << "getAuthInfo decrypt failed: " << corvis::logSafe(cipherText);
        return DecipherFailed;
    }
    Reply inner;
    if (!inner.parse("getAuthInfo", clear)) {
        return Failed;
    }
    copyString(inner.doc, "authOriginal", info.authOriginal);
    copyString(inner.doc, "originalId", info.originalId);
    copyString(inner.doc, "salt", info.salt);
    return Ok;
}

API::Result API::querySandboxApproveRecords(const stQuerySandboxApproveRecordsReq& req, stQuerySandboxApproveRecordsRsp& rsp)
{
    rsp = stQuerySandboxApproveRecordsRsp();
    Target target;
    const Result ret = begin(true, target);
    if (ret != 0) {
        return ret;
    }
    std::string body = "sessionid=" + target.sessionId;
    if (!req.approveStatus.empty()) {
        body += "&approveStatus=" + req.approveStatus;
    }
    if (!req.startTime.empty()) {
        body += "&startTime=" + req.startTime;
    }
    if (!req.endTime.empty()) {
        body += "&endTime=" + req.endTime;
    }
    if (req.pageIndex != -1) {
        body += "&pageIndex=" + std::to_string(req.pageIndex);
    }
    if (req.pageSize != -1) {
        body += "&pageSize=" + std::to_string(req.pageSize);
    }
    std::string text;
    Reply reply;
    if (postToController(target, "querySandboxApproveRecords", "/Mervasso/approve/querySandboxApproveRecords.json", body,
                         text) != 0 ||
        !reply.parse("querySandboxApproveRecords", text)) {
        return Failed;
    }
    copyString(reply.doc, "msg", rsp.msg);
    copyInt(reply.doc, "status", rsp.status);
    if (const rapidjson::Value* data = objectMember(reply.doc, "data")) {
        copyInt(*data, "totalCount", rsp.totalCount);
        readRecordList(*data, "recordId", rsp.recordList);
    }
    return Ok;
}

API::Result API::getSandboxApproveNotice(const std::string& recordIds, stSandboxApproveNoticeRsp& rsp)
{
    rsp = stSandboxApproveNoticeRsp();
    Target target;
    const Result ret = begin(true, target);
    if (ret != 0) {
        return ret;
    }
    const std::string body = "sessionid=" + target.sessionId + "&recordIds=" + recordIds;
    std::string text;
    Reply reply;
    if (postToController(target, "getSandboxApproveNotice", "/Mervasso/approve/getSandboxApproveNotice.json", body, text) !=
            0 ||
        !reply.parse("getSandboxApproveNotice", text)) {
        return Failed;
    }
    copyString(reply.doc, "msg", rsp.msg);
    copyInt(reply.doc, "status", rsp.status);
    if (const rapidjson::Value* data = objectMember(reply.doc, "data")) {
        readRecordList(*data, "RecordId", rsp.recordList);
    }
    return Ok;
}

API::Result API::checkSession(stCheckSessionRsp& rsp)
{
    rsp = stCheckSessionRsp();
    Target target;
    const Result ret = begin(true, target);
    if (ret != 0) {
        return ret;
    }
    std::string text;
    Reply reply;
    if (postToController(target, "checkSession", "/Mervasso/auth/checkSession.json", "sessionid=" + target.sessionId, text) != 0 ||
        !reply.parse("checkSession", text)) {
        return Failed;
    }
    copyString(reply.doc, "msg", rsp.msg);
    copyInt(reply.doc, "status", rsp.status);
    copyInt(reply.doc, "subStatus", rsp.subStatus);
    const rapidjson::Value* events = arrayMember(reply.doc, "events");
    if (events == nullptr) {
        return Ok;
    }
    for (const rapidjson::Value& item : events->GetArray()) {
        if (!item.IsObject()) {
            continue;
        }
        stSessionEvent event;
        copyString(item, "event", event.event);
        corvis::json::copyInteger64AsText(item, "timestamp", event.timestamp);
        if (const rapidjson::Value* data = objectMember(item, "data")) {
            copyString(*data, "type", event.type);
            if (const rapidjson::Value* ids = arrayMember(*data, "recordIds")) {
                for (const rapidjson::Value& id : ids->GetArray()) {
                    if (id.IsString()) {
                        event.recordIds.emplace_back(id.GetString(), id.GetStringLength());
                    } else if (id.IsInt64()) {
                        event.recordIds.push_back(std::to_string(id.GetInt64()));
                    }
                }
            }
        }
        rsp.events.push_back(event);
    }
    return Ok;
}

API::Result API::uploadEventResult(const std::string& eventId, stHttpRsp& rsp)
{
    rsp = stHttpRsp();
    Target target;
    const Result ret = begin(true, target);
    if (ret != 0) {
        return ret;
    }
    const std::string body = "sessionid=" + target.sessionId + "&eventid=" + eventId;
    std::string text;
    Reply reply;
    if (postToController(target, "uploadEventResult", "/Mervasso/event/uploadEventResult.json", body, text) != 0 ||
        !reply.parse("uploadEventResult", text)) {
        return Failed;
    }
    copyString(reply.doc, "msg", rsp.msg);
    copyInt(reply.doc, "status", rsp.status);
    return Ok;
}

API::Result API::submitSandboxApply(const stSubmitSandboxApplyReq& req, stHttpRsp& rsp)
{
    rsp = stHttpRsp();
    Target target;
    const Result ret = begin(true, target);
    if (ret != 0) {
        return ret;
    }
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    writer.StartObject();
    writeString(writer, "approveType", req.approveType);
    writeString(writer, "applyReason", req.applyReason);
    writeString(writer, "fileId", req.fileId);
    writeString(writer, "sandboxId", req.sandboxId);
    writeString(writer, "sandboxName", req.sandboxName);
    writeString(writer, "fileName", req.fileName);
    writeInt(writer, "fileSize", req.fileSize);
    writeString(writer, "fileMd5", req.fileMd5);
    writer.EndObject();
    const std::string body(buffer.GetString(), buffer.GetSize());

    const std::string url = target.baseUrl + "/Mervasso/approve/submitSandboxApply.json";
    LOG(INFO) << "submitSandboxApply url:" << url << " body:" << corvis::logSafe(body);
    CHttpEvent event;
    event.post_method(url.c_str(), body.c_str(),
                      {{"Cookie", "corvis_sessionid=" + target.sessionId}, {"Content-Type", "application/json"}},
                      CHttpEvent::https_request_done_cb);
    const std::string text = event.get_response_data();
    if (text.empty()) {
        LOG(ERROR) << "submitSandboxApply post_method Fail.";
        return Failed;
    }
    Reply reply;
    if (!reply.parse("submitSandboxApply", text)) {
        return Failed;
    }
    copyString(reply.doc, "msg", rsp.msg);
    copyInt(reply.doc, "status", rsp.status);
    return Ok;
}

API::Result API::getSandBoxPolicy(stSandBoxPolicyRsp& rsp)
{
    rsp = stSandBoxPolicyRsp();
    Target target;
    const Result ret = begin(true, target);
    if (ret != 0) {
        return ret;
    }
    std::string text;
    Reply reply;
    if (postToController(target, "getSandBoxPolicy", "/Mervasso/policy/getSandBoxPolicy.json", "sessionid=" + target.sessionId,
                         text) != 0 ||
        !reply.parse("getSandBoxPolicy", text)) {
        return Failed;
    }
    copyString(reply.doc, "msg", rsp.msg);
    copyInt(reply.doc, "status", rsp.status);
    const rapidjson::Value* policies = arrayMember(reply.doc, "PolicySandBox");
    if (policies == nullptr) {
        return Ok;
    }
    for (const rapidjson::Value& item : policies->GetArray()) {
        if (!item.IsObject()) {
            continue;
        }
        stPolicySandBox policy;
        copyString(item, "policyid", policy.policyid);
        copyString(item, "policyname", policy.policyname);
        if (const rapidjson::Value* box = objectMember(item, "sandBox")) {
            readSandBoxSettings(*box, policy.sandBox);
        }
        rsp.policies.push_back(policy);
    }
    return Ok;
}

API::Result API::getPersonalCertInfo(stPersonalCertInfoRsp& rsp)
{
    rsp = stPersonalCertInfoRsp();
    Target target;
    const Result ret = begin(false, target);
    if (ret != 0) {
        return ret;
    }
    std::string text;
    Reply reply;
    if (postToController(target, "getPersonalCertInfo", "/getPersonalCertInfo", std::string(), text) != 0 ||
        !reply.parse("getPersonalCertInfo", text)) {
        return Failed;
    }
    copyInt(reply.doc, "status", rsp.status);
    const rapidjson::Value* data = arrayMember(reply.doc, "data");
    if (data == nullptr) {
        return Ok;
    }
    for (const rapidjson::Value& entry : data->GetArray()) {
        const rapidjson::Value* certs = arrayMember(entry, "certInfo");
        if (certs == nullptr) {
            continue;
        }
        for (const rapidjson::Value& item : certs->GetArray()) {
            if (!item.IsObject()) {
                continue;
            }
            stPersonalCertInfo cert;
            copyString(item, "certSerialNum", cert.certSerialNum);
            copyString(item, "issuer", cert.issuer);
            copyString(item, "subject", cert.subject);
            rsp.certList.push_back(cert);
        }
    }
    return Ok;
}

API::Result API::sandboxUpload(const stSandboxUploadReq& req, stSandboxUploadRsp& rsp)
{
    rsp = stSandboxUploadRsp();
    Target target;
    const Result ret = begin(true, target);
    if (ret != 0) {
        return ret;
    }
    struct stat info {};
    if (req.filePath.empty() || ::stat(req.filePath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        LOG(ERROR) << corvis::logSafe(req.filePath) << " file is not exist";
        return FileMissing;
    }
    // The curl client keeps one upload's callback, cookie and header: one upload at a time.
    static std::mutex uploadMutex;
    std::lock_guard<std::mutex> lock(uploadMutex);
    stSandboxUploadContext context;
    context.rsp = &rsp;
    CHttpCurlClient::setUploadCallBack(UploadFileCallback, &context);
    CHttpCurlClient::setUploadCookie("corvis_sessionid=" + target.sessionId + ";");
    // libcurl completes the content type with the boundary it chooses for the request.
    CHttpCurlClient::setUploadHeader("Content-Type:multipart/form-data");
    CHttpCurlClient::HttpUpload(target.baseUrl + "/corvis-file-server/sandbox/upload", req.filePath);
    CHttpCurlClient::setUploadCallBack(nullptr, nullptr);
    return static_cast<Result>(context.result);
}

void API::UploadFileCallback(bool success, std::string response, void* context)
{
    if (context == nullptr) {
        LOG(ERROR) << "UploadFileCallback contex is null";
        return;
    }
    stSandboxUploadContext* upload = static_cast<stSandboxUploadContext*>(context);
    upload->result = -1;
    if (!success) {
        LOG(ERROR) << "sandboxUpload failed";
        return;
    }
    Reply reply;
    if (!corvis::json::parseReply(reply.doc, response) || !reply.doc.IsObject()) {
        LOG(ERROR) << "sandboxUpload parse false";
        return;
    }
    if (upload->rsp != nullptr) {
        copyString(reply.doc, "msg", upload->rsp->msg);
        copyInt(reply.doc, "status", upload->rsp->status);
        if (const rapidjson::Value* data = objectMember(reply.doc, "data")) {
            copyString(*data, "fileId", upload->rsp->fileId);
        }
    }
    upload->result = 0;
}
