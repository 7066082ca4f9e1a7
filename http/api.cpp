// API: the instance, the controller's address and session, the shared post, and the helpers.
// The calls live in apicontroller.cpp and apisandbox.cpp.

#include "http/api_p.h"

#include "app/common.h"
#include "corviscommon/edition.h"
#include "corviscommon/machineinfo.h"
#include "corviscommon/productpaths.h"
#include "http/chttpevent.h"
#include "login/des.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>

using namespace apidetail;

API* API::instance_ = nullptr;
std::mutex API::mutex_;

namespace {

constexpr const char* kDevInfoKey = "HTKRV529";

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

API::Result API::init_base_url(bool needSession)
{
    Target target;
    return prepare(needSession, target);
}

std::string API::baseUrl() const
{
    std::lock_guard<std::mutex> lock(state_mutex_);
    return base_url_;
}

API::Result API::prepare(bool needSession, Target& target)
{
    const std::string ip = readIni(corvis::paths::sysCfg(), "Mervasso", "ServerIP", 128);
    std::string port = readIni(corvis::paths::sysCfg(), "Mervasso", "ServerPort", 64);
    if (port.empty()) {
        port = "443";
    }
    if (needSession) {
        target.sessionId = readIni(corvis::paths::userInfo(), "UserInfo", "SessionID", 256);
        if (target.sessionId.empty()) {
            LOG(WARNING) << "session id is empty";
            return Failed;
        }
    }
    // An IPv6 controller address needs its brackets inside a URL.
    const bool ipv6 = ip.find(':') != std::string::npos && ip.front() != '[';
    target.baseUrl = "https://" + (ipv6 ? "[" + ip + "]" : ip) + ":" + port;
    LOG(INFO) << "init_base_url base_url:" << target.baseUrl << " session id:" << corvis::maskedSecret(target.sessionId);
    std::lock_guard<std::mutex> lock(state_mutex_);
    session_id_ = target.sessionId;
    base_url_ = target.baseUrl;
    return Ok;
}

API::Result API::begin(bool needSession, Target& target)
{
    const Result ret = prepare(needSession, target);
    if (ret != 0) {
        LOG(ERROR) << "init_base_url failed";
    }
    return ret;
}

API::Result API::postToController(const Target& target, const char* operation, const std::string& path,
                          const std::string& body, std::string& reply)
{
    const std::string url = target.baseUrl + path;
    LOG(INFO) << operation << " url:" << url << " body:" << corvis::logSafe(corvis::withoutSecret(body, target.sessionId));
    CHttpEvent event;
    event.post_method(url.c_str(), body.c_str(), CHttpEvent::https_request_done_cb);
    reply = event.get_response_data();
    if (reply.empty()) {
        LOG(ERROR) << operation << " post_method Fail.";
        return Failed;
    }
    return Ok;
}

std::string API::get_portalip()
{
    return readIni(corvis::paths::sysCfg(), "Mervasso", "ServerIP", 128);
}

std::string API::getSandboxName(const std::string& key)
{
    return readIni(corvis::paths::sandboxInit(), "Display", key.c_str(), 1024);
}

std::string API::getSystemUserName()
{
    return readIni(corvis::paths::userInfo(), "UserInfo", "SysUserName", 256);
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
    writeString(writer, "deviceType", corvis::Edition::current().is(corvis::Edition::Id::Velmora) ? "3" : "1");
    writer.EndObject();

    char cipherText[Des::kBufferSize] = {0};
    if (Des::Encrypt(reinterpret_cast<const unsigned char*>(kDevInfoKey), nullptr, buffer.GetString(), cipherText,
                     sizeof cipherText) != 1) {
        return std::string();
    }
    return encodeDevInfo(cipherText);
}
