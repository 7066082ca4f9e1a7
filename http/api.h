#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// Requests and results of the controller calls. Results start cleared on every call; a key is
// copied only when the reply carries it with the expected type.

struct stSsoAuthReq {
    std::string uname;
    std::string appid;
    std::string resourcetype;
    std::string runmode;
    std::string isProtectApp;
};

struct stSsoAuthRsp {
    int status = 0;
    std::string msg;
    std::string sso_token;
};

// Request (data only) and result of getAuthInfo.
struct AuthInfo {
    int status = 0;
    int subStatus = 0;
    std::string msg;
    std::string authOriginal;
    std::string originalId;
    std::string salt;
    std::string data;
};

struct stQuerySandboxApproveRecordsReq {
    std::string approveStatus;
    std::string startTime;
    std::string endTime;
    int pageIndex = -1;  // -1: left out of the request
    int pageSize = -1;
};

struct stSandboxApproveRecord {
    std::string recordId;
    std::string approveType;
    std::string approveTime;
    std::string approveResult;
    std::string applyTime;
    std::string applyReason;
    std::string sandboxId;
    std::string sandboxName;
    std::string fileName;
    int fileSize = 0;
    std::string fileMd5;
    std::string approveRemark;
    std::string approver;
};

struct stQuerySandboxApproveRecordsRsp {
    int status = 0;
    std::string msg;
    int totalCount = 0;
    std::vector<stSandboxApproveRecord> recordList;
};

struct stSandboxApproveNoticeRsp {
    int status = 0;
    std::string msg;
    std::vector<stSandboxApproveRecord> recordList;
};

struct stSessionEvent {
    std::string event;
    std::string timestamp;  // decimal text of a 64-bit signed or unsigned number
    std::string type;
    std::vector<std::string> recordIds;
};

struct stCheckSessionRsp {
    int status = 0;
    std::string msg;
    int subStatus = 0;
    std::vector<stSessionEvent> events;
};

struct stSandBoxSettings {
    int exportType = 0;
    std::string exportFileType;
    int enableExportFolder = 0;
    int isCopyOut = 0;
    int copyOutSize = 0;
    int importType = 0;
    std::string importFileType;
    int enableImportFolder = 0;
    int isCopyIn = 0;
    int copyInSize = 0;
    int iActionCtrl = 0;
    int isFileImport = 0;
    int isFileExport = 0;
    std::string approveTip;
    std::string boxName;
    int leaveNoTrace = 0;
    int auditReport = 0;
    std::string exportData;
    std::string importData;
};

struct stPolicySandBox {
    std::string policyid;
    std::string policyname;
    stSandBoxSettings sandBox;
};

struct stSandBoxPolicyRsp {
    int status = 0;
    std::string msg;
    std::vector<stPolicySandBox> policies;
};

struct stHttpRsp {
    int status = 0;
    std::string msg;
};

struct stSubmitSandboxApplyReq {
    std::string approveType;
    std::string applyReason;
    std::string fileId;
    std::string sandboxId;
    std::string sandboxName;
    std::string fileName;
    int64_t fileSize = 0;
    std::string fileMd5;
};

struct stPersonalCertInfo {
    std::string certSerialNum;
    std::string issuer;
    std::string subject;
};

// Every certificate of every data entry, in reply order.
struct stPersonalCertInfoRsp {
    int status = 0;
    std::vector<stPersonalCertInfo> certList;
};

struct stSandboxUploadReq {
    std::string filePath;
};

struct stSandboxUploadRsp {
    int status = 0;
    std::string msg;
    std::string fileId;
};

// The context UploadFileCallback fills: the result (an API::Result value) and whether the upload
// and its reply held.
struct stSandboxUploadContext {
    stSandboxUploadRsp* rsp = nullptr;
    int result = -1;
};

// Local sandbox service replies: status, message and the data keys of the call.
struct stNewSandboxRsp {
    int status = 0;
    std::string message;
    std::string containerId;
    std::string imageId;
    int conStatus = 0;
    int imageStatus = 0;
};

struct stNewSandboxStartReq {
    std::string sandboxName;
    std::string imageId;
    std::string sharePath;
    std::string bridgeIp;
    std::string ipAddr;
    std::string ipv6Addr;
    std::string title;
    std::string execUser;
};

// The controller's web services and the local sandbox service, over HTTP(S). Every call blocks
// the calling thread for its whole exchange and returns a Result; the controller's own status is
// in the call's result record. The calls live in api.cpp (set-up and helpers), apicontroller.cpp
// (the controller) and apisandbox.cpp (the local sandbox service), sharing api_p.h.
class API
{
public:
    // What a call returns; the values are those the callers have always compared with.
    enum Result {
        Ok = 0,               // a reply was read
        Failed = -1,          // transport, parse or set-up failure
        FileMissing = -2,     // the file to upload is missing
        DecipherFailed = -3,  // enciphered data cannot be deciphered
    };

    static API* getInstance();

    Result init_base_url(bool needSession);
    std::string baseUrl() const;

    Result ssoAuth(const stSsoAuthReq& req, stSsoAuthRsp& rsp);
    Result getAuthInfo(AuthInfo& info);
    Result querySandboxApproveRecords(const stQuerySandboxApproveRecordsReq& req, stQuerySandboxApproveRecordsRsp& rsp);
    Result getSandboxApproveNotice(const std::string& recordIds, stSandboxApproveNoticeRsp& rsp);
    Result checkSession(stCheckSessionRsp& rsp);
    Result uploadEventResult(const std::string& eventId, stHttpRsp& rsp);
    Result submitSandboxApply(const stSubmitSandboxApplyReq& req, stHttpRsp& rsp);
    Result getSandBoxPolicy(stSandBoxPolicyRsp& rsp);
    Result getPersonalCertInfo(stPersonalCertInfoRsp& rsp);
    Result sandboxUpload(const stSandboxUploadReq& req, stSandboxUploadRsp& rsp);
    // Upload callback: `context` is a stSandboxUploadContext.
    static void UploadFileCallback(bool success, std::string response, void* context);

    // Local sandbox service. The token call stores the service's token in sandbox/ini/init.ini;
    // the others send it. A container is named by its sandbox.
    Result reqNewSandboxToken();
    Result reqNewSandboxStart(const stNewSandboxStartReq& req, stNewSandboxRsp& rsp);
    Result reqNewSandboxStop(const std::string& sandboxName, int exitType, stNewSandboxRsp& rsp);
    Result reqNewSandboxShowType(const std::string& sandboxName, int showType, stNewSandboxRsp& rsp);
    Result reqNewSandboxSwitch(const std::string& sandboxName, int model, stNewSandboxRsp& rsp);
    Result reqNewSandboxImportFile(const std::string& sandboxName, const std::string& importPath,
                                   const std::string& importConPath, int nocoverFile, stNewSandboxRsp& rsp);
    Result reqNewSandboxExportFile(const std::string& sandboxName, const std::string& exportPath,
                                   const std::string& exportConPath, int nocoverFile, stNewSandboxRsp& rsp);
    Result reqNewSandboxIsRunning(const std::string& sandboxName, stNewSandboxRsp& rsp);
    Result reqNewSandboxImagesSync(stNewSandboxRsp& rsp);
    Result reqNewSandboxImageStatus(stNewSandboxRsp& rsp);

    // Helpers.
    static std::string get_portalip();
    static std::string getSandboxName(const std::string& key);
    static std::string getSystemUserName();
    // True when the executable of some process has a base name containing `name`.
    static bool process_is_running(const std::string& name);
    static bool process_is_running(const std::string& name, const std::string& procRoot);
    // Every piece between separators, empty pieces included; nothing for an empty text.
    static std::vector<std::string> get_vt_str_by_sep2(const std::string& text, const std::string& sep);
    // The enciphered, percent-encoded device information sent with getAuthInfo; empty on failure.
    static std::string getCorvisDevInfo();
    // The percent-encoding of getCorvisDevInfo.
    static std::string encodeDevInfo(const std::string& text);

private:
    API() = default;
    enum class ReplyData { None, ContainerId, ContainerAndImage, ConStatus, ImageStatus };

    // What one call works with: calls may run on several threads at once, so each keeps its own
    // copy and the fields below only remember the latest.
    struct Target {
        std::string baseUrl;
        std::string sessionId;
    };
    Result prepare(bool needSession, Target& target);
    // prepare, logging "init_base_url failed" on failure.
    Result begin(bool needSession, Target& target);
    Result postToController(const Target& target, const char* operation, const std::string& path,
                            const std::string& body, std::string& reply);
    Result callNewSandbox(const char* operation, const char* name, const std::string& body, ReplyData data,
                          stNewSandboxRsp& rsp);
    static std::string containerId(const std::string& sandboxName);
    static std::string sandboxToken();

    mutable std::mutex state_mutex_;
    std::string session_id_;
    std::string base_url_;

    static API* instance_;
    static std::mutex mutex_;
};
