// API: the calls to the local sandbox service (plain HTTP, its token kept in sandbox/ini/init.ini).

#include "http/api_p.h"

#include "corviscommon/inifile.h"
#include "corviscommon/productpath.h"
#include "corviscommon/productpaths.h"
#include "http/chttpevent.h"
#include "http/jsonfields.h"

#include <map>

using corvis::json::copyInt;
using corvis::json::copyString;
using corvis::json::objectMember;
using namespace apidetail;

namespace {

constexpr const char* kSandboxScript = "/opt/apps/corvisclient/startcorvisclient.sh";

}  // namespace

std::string API::sandboxToken()
{
    return readIni(corvis::paths::sandboxInit(), "SafeWorkSpaceMain", "Token", 128);
}

std::string API::containerId(const std::string& sandboxName)
{
    return sandboxName + "-" + readIni(corvis::paths::sandboxInit(), "SafeWorkSpace", sandboxName.c_str(), 127);
}

API::Result API::reqNewSandboxToken()
{
    const std::string ip = readIni(corvis::paths::sysCfg(), "NewSandbox", "ServerIP", 128, "127.0.0.1");
    const std::string port = readIni(corvis::paths::sysCfg(), "NewSandbox", "ServerPort", 64, "8888");
    if (ip.empty() || port.empty()) {
        LOG(ERROR) << "got serverIp or serverPort failed";
        return Failed;
    }
    const std::string url = "http://" + ip + ":" + port + "/quarrow/api/v1/token";
    LOG(INFO) << "reqNewSandboxToken url:" << url;
    CHttpEvent event;
    event.post_method(url.c_str(), "", {{"Content-Type", "text/html"}}, CHttpEvent::https_request_done_cb);
    std::string token = event.get_response_data();
    if (token.empty()) {
        LOG(ERROR) << "reqNewSandboxToken post_method Fail.";
        return Failed;
    }
    // A line end closing the reply is not part of the token; one inside it would break the file.
    while (!token.empty() && (token.back() == '\n' || token.back() == '\r')) {
        token.pop_back();
    }
    if (token.empty() || token.find_first_of("\r\n") != std::string::npos) {
        LOG(ERROR) << "Failed to write init.ini";
        return Failed;
    }
    const std::string path = corvis::paths::sandboxInit().toLocal8Bit().toStdString();
    corvis::makeParentDirs(path);
    inifile_write(path.c_str(), "SafeWorkSpaceMain", "Token", token.c_str(), nullptr);
    // The writer reports nothing: reading the token back tells whether it was stored whole.
    if (sandboxToken() != token) {
        LOG(ERROR) << "Failed to write init.ini";
        return Failed;
    }
    return Ok;
}

API::Result API::callNewSandbox(const char* operation, const char* name, const std::string& body, ReplyData data,
                        stNewSandboxRsp& rsp)
{
    rsp = stNewSandboxRsp();
    const std::string ip = readIni(corvis::paths::sysCfg(), "NewSandbox", "ServerIP", 128, "127.0.0.1");
    const std::string port = readIni(corvis::paths::sysCfg(), "NewSandbox", "ServerPort", 64, "8888");
    if (ip.empty() || port.empty()) {
        LOG(ERROR) << "got serverIp or serverPort failed";
        return Failed;
    }
    const std::string token = sandboxToken();
    if (token.empty()) {
        LOG(ERROR) << "got token failed";
        return Failed;
    }
    const std::string url = "http://" + ip + ":" + port + "/quarrow/api/v1/" + name;
    LOG(INFO) << operation << " url:" << url << " body:" << corvis::logSafe(body);
    CHttpEvent event;
    event.post_method(url.c_str(), body.c_str(), {{"Content-Type", "application/json"}, {"Authorization", token}},
                      CHttpEvent::https_request_done_cb);
    const std::string text = event.get_response_data();
    if (text.empty()) {
        LOG(ERROR) << operation << " post_method Fail.";
        return Failed;
    }
    Reply reply;
    if (!reply.parse(operation, text)) {
        return Failed;
    }
    if (!copyInt(reply.doc, "status", rsp.status)) {
        LOG(ERROR) << "Parse Json-string Error [status]";
        return Failed;
    }
    if (!copyString(reply.doc, "message", rsp.message)) {
        LOG(ERROR) << "Parse Json-string Error [message]";
        return Failed;
    }
    if (rsp.status == -1) {
        LOG(ERROR) << "token verify failed";
        return Ok;
    }
    if (data == ReplyData::None) {
        return Ok;
    }
    const rapidjson::Value* object = objectMember(reply.doc, "data");
    if (object == nullptr) {
        LOG(ERROR) << "Parse Json-string Error [date]";
        return Failed;
    }
    switch (data) {
    case ReplyData::None:
        break;
    case ReplyData::ContainerId:
    case ReplyData::ContainerAndImage:
        if (!copyString(*object, "container_id", rsp.containerId)) {
            LOG(ERROR) << "not exist [container_id]";
            return Failed;
        }
        if (data == ReplyData::ContainerAndImage) {
            copyString(*object, "image_id", rsp.imageId);
        }
        break;
    case ReplyData::ConStatus:
        if (!copyInt(*object, "con_status", rsp.conStatus)) {
            LOG(ERROR) << "not exist [con_status]";
            return Failed;
        }
        break;
    case ReplyData::ImageStatus:
        if (!copyInt(*object, "image_status", rsp.imageStatus)) {
            LOG(ERROR) << "not exist [image_status]";
            return Failed;
        }
        break;
    }
    return Ok;
}

API::Result API::reqNewSandboxStart(const stNewSandboxStartReq& req, stNewSandboxRsp& rsp)
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
    const struct {
        QString source;
        QString target;
    } mounts[] = {
        {corvis::paths::sandboxMount(), QString::fromLatin1(corvis::kInstallRoot) + QLatin1Char('/') +
                                            QLatin1String(corvis::paths::rel::kSandboxMount)},
        {corvis::paths::sandboxShareDir(1), corvis::paths::sandboxShareDirName(1)},
        {corvis::paths::sandboxShareDir(0), corvis::paths::sandboxShareDirName(0)},
    };
    for (const auto& mount : mounts) {
        writer.StartObject();
        writeString(writer, "source", mount.source.toLocal8Bit().toStdString());
        writeString(writer, "target", mount.target.toLocal8Bit().toStdString());
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

API::Result API::reqNewSandboxStop(const std::string& sandboxName, int exitType, stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxStop", "stop",
                          containerBody(containerId(sandboxName), {}, {{"exit_type", exitType}}),
                          ReplyData::ContainerId, rsp);
}

API::Result API::reqNewSandboxShowType(const std::string& sandboxName, int showType, stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxShowType", "showType",
                          containerBody(containerId(sandboxName), {}, {{"showType", showType}}),
                          ReplyData::ContainerId, rsp);
}

API::Result API::reqNewSandboxSwitch(const std::string& sandboxName, int model, stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxSwitch", "switch", containerBody(containerId(sandboxName), {}, {{"model", model}}),
                          ReplyData::ContainerId, rsp);
}

API::Result API::reqNewSandboxImportFile(const std::string& sandboxName, const std::string& importPath,
                                 const std::string& importConPath, int nocoverFile, stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxImportFile", "import",
                          containerBody(containerId(sandboxName),
                                        {{"import_path", importPath}, {"import_con_path", importConPath}},
                                        {{"nocover_file", nocoverFile}}),
                          ReplyData::None, rsp);
}

API::Result API::reqNewSandboxExportFile(const std::string& sandboxName, const std::string& exportPath,
                                 const std::string& exportConPath, int nocoverFile, stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxExportFile", "export",
                          containerBody(containerId(sandboxName),
                                        {{"export_path", exportPath}, {"export_con_path", exportConPath}},
                                        {{"nocover_file", nocoverFile}}),
                          ReplyData::None, rsp);
}

API::Result API::reqNewSandboxIsRunning(const std::string& sandboxName, stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxIsRunning", "getConStatus", containerBody(containerId(sandboxName), {}, {}),
                          ReplyData::ConStatus, rsp);
}

API::Result API::reqNewSandboxImagesSync(stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxImagesSync", "ImagesSync", "{}", ReplyData::None, rsp);
}

API::Result API::reqNewSandboxImageStatus(stNewSandboxRsp& rsp)
{
    return callNewSandbox("reqNewSandboxImageStatus", "getImageStatus", "{}", ReplyData::ImageStatus, rsp);
}
