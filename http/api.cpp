#include "http/api.h"

#include "app/common.h"
#include "corviscommon/inifile.h"
#include "corviscommon/logging.h"
#include "corviscommon/machineinfo.h"
#include "corviscommon/productpath.h"
#include "http/chttpcurlclient.h"
#include "http/chttpevent.h"
#include "http/jsonfields.h"
#include "http/jsonparse.h"
#include "http/logsafe.h"
#include "login/des.h"


#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>

using corvis::json::arrayMember;
using corvis::json::copyInt;
using corvis::json::copyString;
using corvis::json::objectMember;

API* API::instance_ = nullptr;
std::mutex API::mutex_;

namespace {

constexpr int kStatusOk = 2000;
constexpr const char* kAuthInfoKey = "WQB63815";
constexpr const char* kDevInfoKey = "HTKRV529";
// getAuthInfo's deciphered data must fit this buffer; a longer text fails instead of overflowing.
constexpr size_t kAuthInfoClearSize = 1024;
constexpr const char* kSandboxScript = "/opt/apps/corvisclient/startcorvisclient.sh";

std::string sysCfgPath()
{
    return corvis::installPath("ini/syscfg.ini");
}

std::string userInfoPath()
{
    return corvis::installPath("ini/userinfo.ini");
}

std::string sandboxIniPath()
{
    return corvis::installPath("sandbox/ini/init.ini");
}

std::string readIni(const std::string& path, const char* section, const char* key, int size,
                    const char* defaultValue = "")
{
    std::vector<char> buffer(static_cast<size_t>(size), '\0');
    ReadStringFromIni(path.c_str(), section, key, buffer.data(), size, defaultValue);
    return std::string(buffer.data());
}

// A reply document on a pool of 1024-byte chunks: replies are small.
struct Reply {
    rapidjson::MemoryPoolAllocator<> pool{1024};
    rapidjson::Document doc{&pool};

    bool parse(const char* operation, const std::string& text)
    {
        if (!corvis::json::parseReply(doc, text) || !doc.IsObject()) {
            LOG(ERROR) << operation << " parse false :" << text;
            return false;
        }
        return true;
    }
};

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

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

void writeString(JsonWriter& writer, const char* key, const std::string& value)
{
    writer.Key(key);
    writer.String(value.c_str(), static_cast<rapidjson::SizeType>(value.size()));
}

void writeInt(JsonWriter& writer, const char* key, int64_t value)
{
    writer.Key(key);
    writer.Int64(value);
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to)
{
    size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
    return text;
}

}  // namespace

API* API::getInstance()
{
    if (instance_ == nullptr) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (instance_ == nullptr) {
            instance_ = new API();
        }
    }
    return instance_;
}

int API::init_base_url(bool needSession)
{
    Target target;
    return prepare(needSession, target);
}

std::string API::baseUrl() const
{
    std::lock_guard<std::mutex> lock(state_mutex_);
    return base_url_;
}

int API::prepare(bool needSession, Target& target)
{
    const std::string ip = readIni(sysCfgPath(), "Mervasso", "ServerIP", 128);
    std::string port = readIni(sysCfgPath(), "Mervasso", "ServerPort", 64);
    if (port.empty()) {
        port = "443";
    }
    if (needSession) {
        target.sessionId = readIni(userInfoPath(), "UserInfo", "SessionID", 256);
        if (target.sessionId.empty()) {
            LOG(WARNING) << "session id is empty";
            return -1;
        }
    }
    // An IPv6 controller address needs its brackets inside a URL.
    const bool ipv6 = ip.find(':') != std::string::npos && ip.front() != '[';
    target.baseUrl = "https://" + (ipv6 ? "[" + ip + "]" : ip) + ":" + port;
    LOG(INFO) << "init_base_url base_url:" << target.baseUrl << " session id:" << corvis::maskedSecret(target.sessionId);
    std::lock_guard<std::mutex> lock(state_mutex_);
    session_id_ = target.sessionId;
    base_url_ = target.baseUrl;
    return 0;
}

int API::begin(bool needSession, Target& target)
{
    const int ret = prepare(needSession, target);
    if (ret != 0) {
        LOG(ERROR) << "init_base_url failed";
    }
    return ret;
}

int API::postToController(const Target& target, const char* operation, const std::string& path,
                          const std::string& body, std::string& reply)
{
    const std::string url = target.baseUrl + path;
    LOG(INFO) << operation << " url:" << url << " body:" << corvis::withoutSecret(body, target.sessionId);
    CHttpEvent event;
    event.post_method(url.c_str(), body.c_str(), CHttpEvent::https_request_done_cb);
    reply = event.get_response_data();
    if (reply.empty()) {
        LOG(ERROR) << operation << " post_method Fail.";
        return -1;
    }
    return 0;
}

int API::ssoAuth(const stSsoAuthReq& req, stSsoAuthRsp& rsp)
{
    rsp = stSsoAuthRsp();
    Target target;
    const int ret = begin(true, target);
    if (ret != 0) {
        return ret;
    }
    const std::string body = "access_token=" + target.sessionId + "&uname=" + req.uname + "&appid=" + req.appid +
                             "&resourcetype=" + req.resourcetype + "&runmode=" + req.runmode +
                             "&isProtectApp=" + req.isProtectApp;
    std::string text;
    Reply reply;
    if (postToController(target, "ssoAuth", "/Mervasso/auth/ssoAuth.json", body, text) != 0 || !reply.parse("ssoAuth", text)) {
        return -1;
    }
    copyString(reply.doc, "msg", rsp.msg);
    copyInt(reply.doc, "status", rsp.status);
    if (const rapidjson::Value* data = objectMember(reply.doc, "data")) {
        copyString(*data, "sso_token", rsp.sso_token);
    }
    return 0;
}

int API::getAuthInfo(AuthInfo& info)
{
    const std::string requestData = info.data;
    info = AuthInfo();
    Target target;
    const int ret = begin(false, target);
    if (ret != 0) {
        return ret;
    }
    const std::string devInfo = getCorvisDevInfo();
    if (devInfo.empty()) {
        LOG(ERROR) << "getCorvisDevInfo failed";
        return -1;
    }
    std::string body = "devinfo=" + devInfo;
    if (!requestData.empty()) {
        body += "&data=" + requestData;
    }
    std::string text;
    Reply reply;
    if (postToController(target, "getAuthInfo", "/Mervasso/cert/getAuthInfo.json", body, text) != 0 ||
        !reply.parse("getAuthInfo", text)) {
        return -1;
    }
    copyInt(reply.doc, "status", info.status);
    copyInt(reply.doc, "subStatus", info.subStatus);
    copyString(reply.doc, "msg", info.msg);
    std::string cipherText;
    if (info.status != kStatusOk || !copyString(reply.doc, "data", cipherText)) {
        return 0;
    }
    char clear[kAuthInfoClearSize] = {0};
    const int ok = Des::Decrypt(reinterpret_cast<const unsigned char*>(kAuthInfoKey), nullptr, cipherText.c_str(),
                                clear, sizeof clear);
    if (ok != 1 || clear[0] == '\0') {
        LOG(ERROR) << "getAuthInfo decrypt failed: " << cipherText;
        return -3;
    }
    Reply inner;
    if (!inner.parse("getAuthInfo", clear)) {
        return -1;
    }
    copyString(inner.doc, "authOriginal", info.authOriginal);
    copyString(inner.doc, "originalId", info.originalId);
    copyString(inner.doc, "salt", info.salt);
    return 0;
}

int API::querySandboxApproveRecords(const stQuerySandboxApproveRecordsReq& req, stQuerySandboxApproveRecordsRsp& rsp)
{
    rsp = stQuerySandboxApproveRecordsRsp();
    Target target;
    const int ret = begin(true, target);
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
        return -1;
    }
    copyString(reply.doc, "msg", rsp.msg);
    copyInt(reply.doc, "status", rsp.status);
    if (const rapidjson::Value* data = objectMember(reply.doc, "data")) {
        copyInt(*data, "totalCount", rsp.totalCount);
        readRecordList(*data, "recordId", rsp.recordList);
    }
    return 0;
}

int API::getSandboxApproveNotice(const std::string& recordIds, stSandboxApproveNoticeRsp& rsp)
{
    rsp = stSandboxApproveNoticeRsp();
    Target target;
    const int ret = begin(true, target);
    if (ret != 0) {
        return ret;
    }
    const std::string body = "sessionid=" + target.sessionId + "&recordIds=" + recordIds;
    std::string text;
    Reply reply;
    if (postToController(target, "getSandboxApproveNotice", "/Mervasso/approve/getSandboxApproveNotice.json", body, text) !=
            0 ||
        !reply.parse("getSandboxApproveNotice", text)) {
        return -1;
    }
    copyString(reply.doc, "msg", rsp.msg);
    copyInt(reply.doc, "status", rsp.status);
    if (const rapidjson::Value* data = objectMember(reply.doc, "data")) {
        readRecordList(*data, "RecordId", rsp.recordList);
    }
    return 0;
}

int API::checkSession(stCheckSessionRsp& rsp)
{
    rsp = stCheckSessionRsp();
    Target target;
    const int ret = begin(true, target);
    if (ret != 0) {
        return ret;
    }
    std::string text;
    Reply reply;
    if (postToController(target, "checkSession", "/Mervasso/auth/checkSession.json", "sessionid=" + target.sessionId, text) != 0 ||
        !reply.parse("checkSession", text)) {
        return -1;
    }
    copyString(reply.doc, "msg", rsp.msg);
    copyInt(reply.doc, "status", rsp.status);
    copyInt(reply.doc, "subStatus", rsp.subStatus);
    const rapidjson::Value* events = arrayMember(reply.doc, "events");
    if (events == nullptr) {
        return 0;
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
    return 0;
}

int API::uploadEventResult(const std::string& eventId, stHttpRsp& rsp)
{
    rsp = stHttpRsp();
    Target target;
    const int ret = begin(true, target);
    if (ret != 0) {
        return ret;
    }
    const std::string body = "sessionid=" + target.sessionId + "&eventid=" + eventId;
    std::string text;
    Reply reply;
    if (postToController(target, "uploadEventResult", "/Mervasso/event/uploadEventResult.json", body, text) != 0 ||
        !reply.parse("uploadEventResult", text)) {
        return -1;
    }
    copyString(reply.doc, "msg", rsp.msg);
    copyInt(reply.doc, "status", rsp.status);
    return 0;
}

int API::submitSandboxApply(const stSubmitSandboxApplyReq& req, stHttpRsp& rsp)
{
    rsp = stHttpRsp();
    Target target;
    const int ret = begin(true, target);
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
    LOG(INFO) << "submitSandboxApply url:" << url << " body:" << body;
    CHttpEvent event;
    event.post_method(url.c_str(), body.c_str(),
                      {{"Cookie", "corvis_sessionid=" + target.sessionId}, {"Content-Type", "application/json"}},
                      CHttpEvent::https_request_done_cb);
    const std::string text = event.get_response_data();
    if (text.empty()) {
        LOG(ERROR) << "submitSandboxApply post_method Fail.";
        return -1;
    }
    Reply reply;
    if (!reply.parse("submitSandboxApply", text)) {
        return -1;
    }
    copyString(reply.doc, "msg", rsp.msg);
    copyInt(reply.doc, "status", rsp.status);
    return 0;
}

int API::getSandBoxPolicy(stSandBoxPolicyRsp& rsp)
{
    rsp = stSandBoxPolicyRsp();
    Target target;
    const int ret = begin(true, target);
    if (ret != 0) {
        return ret;
    }
    std::string text;
    Reply reply;
    if (postToController(target, "getSandBoxPolicy", "/Mervasso/policy/getSandBoxPolicy.json", "sessionid=" + target.sessionId,
                         text) != 0 ||
        !reply.parse("getSandBoxPolicy", text)) {
        return -1;
    }
    copyString(reply.doc, "msg", rsp.msg);
    copyInt(reply.doc, "status", rsp.status);
    const rapidjson::Value* policies = arrayMember(reply.doc, "PolicySandBox");
    if (policies == nullptr) {
        return 0;
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
    return 0;
}

int API::getPersonalCertInfo(stPersonalCertInfoRsp& rsp)
{
    rsp = stPersonalCertInfoRsp();
    Target target;
    const int ret = begin(false, target);
    if (ret != 0) {
        return ret;
    }
    std::string text;
    Reply reply;
    if (postToController(target, "getPersonalCertInfo", "/getPersonalCertInfo", std::string(), text) != 0 ||
        !reply.parse("getPersonalCertInfo", text)) {
        return -1;
    }
    copyInt(reply.doc, "status", rsp.status);
    const rapidjson::Value* data = arrayMember(reply.doc, "data");
    if (data == nullptr) {
        return 0;
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
    return 0;
}

int API::sandboxUpload(const stSandboxUploadReq& req, stSandboxUploadRsp& rsp)
{
    rsp = stSandboxUploadRsp();
    Target target;
    const int ret = begin(true, target);
    if (ret != 0) {
        return ret;
    }
    struct stat info {};
    if (req.filePath.empty() || ::stat(req.filePath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        LOG(ERROR) << req.filePath << " file is not exist";
        return -2;
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
    return context.result;
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

// --- Local sandbox service ---

std::string API::sandboxToken()
{
    return readIni(sandboxIniPath(), "SafeWorkSpaceMain", "Token", 128);
}

std::string API::containerId(const std::string& sandboxName)
{
    return sandboxName + "-" + readIni(sandboxIniPath(), "SafeWorkSpace", sandboxName.c_str(), 127);
}

int API::reqNewSandboxToken()
{
    const std::string ip = readIni(sysCfgPath(), "NewSandbox", "ServerIP", 128, "127.0.0.1");
    const std::string port = readIni(sysCfgPath(), "NewSandbox", "ServerPort", 64, "8888");
    if (ip.empty() || port.empty()) {
        LOG(ERROR) << "got serverIp or serverPort failed";
        return -1;
    }
    const std::string url = "http://" + ip + ":" + port + "/quarrow/api/v1/token";
    LOG(INFO) << "reqNewSandboxToken url:" << url;
    CHttpEvent event;
    event.post_method(url.c_str(), "", {{"Content-Type", "text/html"}}, CHttpEvent::https_request_done_cb);
    std::string token = event.get_response_data();
    if (token.empty()) {
        LOG(ERROR) << "reqNewSandboxToken post_method Fail.";
        return -1;
    }
    // A line end closing the reply is not part of the token; one inside it would break the file.
    while (!token.empty() && (token.back() == '\n' || token.back() == '\r')) {
        token.pop_back();
    }
    if (token.empty() || token.find_first_of("\r\n") != std::string::npos) {
        LOG(ERROR) << "Failed to write init.ini";
        return -1;
    }
    const std::string path = sandboxIniPath();
    corvis::makeParentDirs(path);
    inifile_write(path.c_str(), "SafeWorkSpaceMain", "Token", token.c_str(), nullptr);
    // The writer reports nothing: reading the token back tells whether it was stored whole.
    if (sandboxToken() != token) {
        LOG(ERROR) << "Failed to write init.ini";
        return -1;
    }
    return 0;
}

int API::callNewSandbox(const char* operation, const char* name, const std::string& body, ReplyData data,
                        stNewSandboxRsp& rsp)
{
    rsp = stNewSandboxRsp();
    const std::string ip = readIni(sysCfgPath(), "NewSandbox", "ServerIP", 128, "127.0.0.1");
    const std::string port = readIni(sysCfgPath(), "NewSandbox", "ServerPort", 64, "8888");
    if (ip.empty() || port.empty()) {
        LOG(ERROR) << "got serverIp or serverPort failed";
        return -1;
    }
    const std::string token = sandboxToken();
    if (token.empty()) {
        LOG(ERROR) << "got token failed";
        return -1;
    }
    const std::string url = "http://" + ip + ":" + port + "/quarrow/api/v1/" + name;
    LOG(INFO) << operation << " url:" << url << " body:" << body;
    CHttpEvent event;
    event.post_method(url.c_str(), body.c_str(), {{"Content-Type", "application/json"}, {"Authorization", token}},
                      CHttpEvent::https_request_done_cb);
    const std::string text = event.get_response_data();
    if (text.empty()) {
        LOG(ERROR) << operation << " post_method Fail.";
        return -1;
    }
    Reply reply;
    if (!reply.parse(operation, text)) {
        return -1;
    }
    if (!copyInt(reply.doc, "status", rsp.status)) {
        LOG(ERROR) << "Parse Json-string Error [status]";
        return -1;
    }
    if (!copyString(reply.doc, "message", rsp.message)) {
        LOG(ERROR) << "Parse Json-string Error [message]";
        return -1;
    }
    if (rsp.status == -1) {
        LOG(ERROR) << "token verify failed";
        return 0;
    }
    if (data == ReplyData::None) {
        return 0;
    }
    const rapidjson::Value* object = objectMember(reply.doc, "data");
    if (object == nullptr) {
        LOG(ERROR) << "Parse Json-string Error [date]";
        return -1;
    }
    switch (data) {
    case ReplyData::None:
        break;
    case ReplyData::ContainerId:
    case ReplyData::ContainerAndImage:
        if (!copyString(*object, "container_id", rsp.containerId)) {
            LOG(ERROR) << "not exist [container_id]";
            return -1;
        }
        if (data == ReplyData::ContainerAndImage) {
            copyString(*object, "image_id", rsp.imageId);
        }
        break;
    case ReplyData::ConStatus:
        if (!copyInt(*object, "con_status", rsp.conStatus)) {
            LOG(ERROR) << "not exist [con_status]";
            return -1;
        }
        break;
    case ReplyData::ImageStatus:
        if (!copyInt(*object, "image_status", rsp.imageStatus)) {
            LOG(ERROR) << "not exist [image_status]";
            return -1;
        }
        break;
    }
    return 0;
}

int API::reqNewSandboxStart(const stNewSandboxStartReq& req, stNewSandboxRsp& rsp)
{
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    writer.StartObject();
    writeString(writer, "container_id", containerId(req.sandboxName));
    writeString(writer, "image_id", req.imageId);
    writeString(writer, "share_path", req.sharePath);
    writeString(writer, "bridge_ip", req.bridgeIp);
    writeString(writer, "ip_addr", req.ipAddr);
    writeString(writer, "ipv6_addr", req.ipv6Addr);
    writeString(writer, "title", req.title);
    writeString(writer, "script_path", kSandboxScript);
    writeString(writer, "exec_user", req.execUser);
    writer.Key("mounts");
    writer.StartArray();
    // The host side follows the install root; inside the container the paths are the usual ones.
    for (const std::string& target : {std::string(corvis::kInstallRoot) + "/mbox_mount",
                                      std::string("/tmp/.corvis_cfs"), std::string("/tmp/._corvisdata")}) {
        writer.StartObject();
        writeString(writer, "source", corvis::productPath(target));
        writeString(writer, "target", target);
        writeString(writer, "type", "bind");
        writeString(writer, "options", "rw");
        writer.EndObject();
    }
    writer.EndArray();
    writer.EndObject();
    return callNewSandbox("reqNewSandboxStart", "start", std::string(buffer.GetString(), buffer.GetSize()),
                          ReplyData::ContainerAndImage, rsp);
}

namespace {

std::string containerBody(const std::string& container, const std::map<std::string, std::string>& strings,
                          const std::map<std::string, int>& ints)
{
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    writer.StartObject();
    for (const auto& item : ints) {
        writeInt(writer, item.first.c_str(), item.second);
    }
    if (!container.empty()) {
        writeString(writer, "container_id", container);
    }
    for (const auto& item : strings) {
        writeString(writer, item.first.c_str(), item.second);
    }
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

}  // namespace

int API::reqNewSandboxStop(const std::string& sandboxName, int exitType, stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxStop", "stop",
                          containerBody(containerId(sandboxName), {}, {{"exit_type", exitType}}),
                          ReplyData::ContainerId, rsp);
}

int API::reqNewSandboxShowType(const std::string& sandboxName, int showType, stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxShowType", "showType",
                          containerBody(containerId(sandboxName), {}, {{"showType", showType}}),
                          ReplyData::ContainerId, rsp);
}

int API::reqNewSandboxSwitch(const std::string& sandboxName, int model, stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxSwitch", "switch", containerBody(containerId(sandboxName), {}, {{"model", model}}),
                          ReplyData::ContainerId, rsp);
}

int API::reqNewSandboxImportFile(const std::string& sandboxName, const std::string& importPath,
                                 const std::string& importConPath, int nocoverFile, stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxImportFile", "import",
                          containerBody(containerId(sandboxName),
                                        {{"import_path", importPath}, {"import_con_path", importConPath}},
                                        {{"nocover_file", nocoverFile}}),
                          ReplyData::None, rsp);
}

int API::reqNewSandboxExportFile(const std::string& sandboxName, const std::string& exportPath,
                                 const std::string& exportConPath, int nocoverFile, stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxExportFile", "export",
                          containerBody(containerId(sandboxName),
                                        {{"export_path", exportPath}, {"export_con_path", exportConPath}},
                                        {{"nocover_file", nocoverFile}}),
                          ReplyData::None, rsp);
}

int API::reqNewSandboxIsRunning(const std::string& sandboxName, stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxIsRunning", "getConStatus", containerBody(containerId(sandboxName), {}, {}),
                          ReplyData::ConStatus, rsp);
}

int API::reqNewSandboxImagesSync(stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxImagesSync", "ImagesSync", "{}", ReplyData::None, rsp);
}

int API::reqNewSandboxImageStatus(stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxImageStatus", "getImageStatus", "{}", ReplyData::ImageStatus, rsp);
}

// --- Helpers ---

std::string API::get_portalip()
{
    return readIni(sysCfgPath(), "Mervasso", "ServerIP", 128);
}

std::string API::getSandboxName(const std::string& key)
{
    return readIni(sandboxIniPath(), "Display", key.c_str(), 1024);
}

std::string API::getSystemUserName()
{
    return readIni(userInfoPath(), "UserInfo", "SysUserName", 256);
}

bool API::process_is_running(const std::string& name)
{
    return process_is_running(name, "/proc");
}

bool API::process_is_running(const std::string& name, const std::string& procRoot)
{
    struct dirent** entries = nullptr;
    const int count = ::scandir(procRoot.c_str(), &entries, nullptr, alphasort);
    if (count < 0) {
        return false;
    }
    bool found = false;
    for (int i = 0; i < count; ++i) {
        const std::string pid = entries[i]->d_name;
        if (!found && !pid.empty() && pid.find_first_not_of("0123456789") == std::string::npos) {
            char target[4096];
            const ssize_t length = ::readlink((procRoot + "/" + pid + "/exe").c_str(), target, sizeof target - 1);
            if (length > 0) {
                const std::string exe(target, static_cast<size_t>(length));
                const size_t slash = exe.find_last_of('/');
                found = (slash == std::string::npos ? exe : exe.substr(slash + 1)).find(name) != std::string::npos;
            }
        }
        std::free(entries[i]);
    }
    std::free(entries);
    return found;
}

std::vector<std::string> API::get_vt_str_by_sep2(const std::string& text, const std::string& sep)
{
    std::vector<std::string> out;
    if (text.empty()) {
        return out;
    }
    if (sep.empty()) {
        out.push_back(text);
        return out;
    }
    size_t start = 0;
    for (;;) {
        const size_t pos = text.find(sep, start);
        out.push_back(text.substr(start, pos == std::string::npos ? std::string::npos : pos - start));
        if (pos == std::string::npos) {
            break;
        }
        start = pos + sep.size();
    }
    return out;
}

std::string API::encodeDevInfo(const std::string& text)
{
    // "%" first, so that the escapes added afterwards are not escaped again.
    static const std::pair<const char*, const char*> kEscapes[] = {
        {"%", "%25"}, {"#", "%23"}, {"&", "%26"}, {"+", "%2B"}, {"=", "%3D"}, {" ", "%20"},
        {"/", "%2F"}, {"\"", "%22"}, {"?", "%3F"}, {".", "%2E"}, {":", "%3A"},
    };
    std::string out = text;
    for (const auto& escape : kEscapes) {
        out = replaceAll(out, escape.first, escape.second);
    }
    return out;
}

std::string API::getCorvisDevInfo()
{
    const std::string osName = MachineInfo::getOsFullName();
    const std::string osVersion = MachineInfo::getOsMinorVersion();
    std::string mac;
    std::string ip;
    MachineInfo::getEthernetInfo(mac, ip);
    const std::string machineCode = Common::uuid().toStdString();

    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    writer.StartObject();
    writeString(writer, "mac", mac);
    writeString(writer, "ip", ip);
    writeString(writer, "machineCode", machineCode);
    writeString(writer, "OSName", osName);
    writeString(writer, "OSVersion", osVersion);
    writeString(writer, "appId", machineCode);
    writeString(writer, "appName", Common::softName().toStdString());
    writeString(writer, "deviceType", getCustomProject() == PROJECT_VELMORA ? "3" : "1");
    writer.EndObject();

    char cipherText[Des::kBufferSize] = {0};
    if (Des::Encrypt(reinterpret_cast<const unsigned char*>(kDevInfoKey), nullptr, buffer.GetString(), cipherText,
                     sizeof cipherText) != 1) {
        return std::string();
    }
    return encodeDevInfo(cipherText);
}
