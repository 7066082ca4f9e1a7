#include "http/chttpcurlclient.h"

#include "corviscommon/logging.h"
#include "http/curlglobal.h"
#include "corviscommon/secretmask.h"

#include <curl/curl.h>

#include <mutex>

namespace {

constexpr const char* kJsonHeader = "Content-Type:application/json;charset=UTF-8";
constexpr int kUploadAttempts = 3;
constexpr long kUploadConnectTimeoutSeconds = 2;
constexpr long kUploadTimeoutSeconds = 600;

std::mutex& instanceMutex()
{
    static std::mutex mutex;
    return mutex;
}

}  // namespace

CHttpCurlClient* CHttpCurlClient::instance_ = nullptr;

struct CHttpCurlClient::Options {
    long connectTimeoutMs = 3000;
    int timeout = 0;
    bool ipv4Only = false;
    bool verifyHost = false;
    bool jsonHeader = false;
    std::string cookie;
};

CHttpCurlClient* CHttpCurlClient::ins()
{
    std::lock_guard<std::mutex> lock(instanceMutex());
    if (instance_ == nullptr) {
        instance_ = new CHttpCurlClient();
    }
    return instance_;
}

void CHttpCurlClient::release()
{
    std::lock_guard<std::mutex> lock(instanceMutex());
    delete instance_;
    instance_ = nullptr;
}

CHttpCurlClient::~CHttpCurlClient()
{
    LOG(INFO) << "~CHttpCurlClient";
}

int CHttpCurlClient::perform(const std::string& url, const std::string* postBody, const Options& options,
                             std::string& response, std::string* headers)
{
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        LOG(ERROR) << "curl_easy_init failed, url:" << url;
        return CURLE_FAILED_INIT;
    }
    struct curl_slist* headerLines = nullptr;
    if (options.jsonHeader) {
        headerLines = curl_slist_append(headerLines, kJsonHeader);
    }
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, options.verifyHost ? 2L : 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(options.timeout > 0 ? options.timeout : 1));
    if (options.ipv4Only) {
        curl_easy_setopt(curl, CURLOPT_IPRESOLVE, CURL_IPRESOLVE_V4);
    }
    if (!options.cookie.empty()) {
        curl_easy_setopt(curl, CURLOPT_COOKIE, options.cookie.c_str());
    }
    if (headerLines != nullptr) {
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headerLines);
    }
    if (postBody != nullptr) {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, postBody->c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(postBody->size()));
    }
    // Bounded: a reply larger than kCurlMaxReply fails the call (CURLE_FILESIZE_EXCEEDED or
    // CURLE_WRITE_ERROR) instead of growing without end.
    corvis::CappedString body{&response, corvis::kCurlMaxReply};
    corvis::CappedString head{headers, corvis::kCurlMaxReply};
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(corvis::kCurlMaxReply));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, corvis::curlAppendCapped);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    if (headers != nullptr) {
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, corvis::curlAppendCapped);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &head);
    }
    const CURLcode code = curl_easy_perform(curl);
    if (body.overflowed || head.overflowed || code == CURLE_FILESIZE_EXCEEDED) {
        LOG(ERROR) << "reply of " << url << " refused: over " << corvis::kCurlMaxReply << " bytes";
    }
    curl_slist_free_all(headerLines);
    curl_easy_cleanup(curl);
    return code;
}

int CHttpCurlClient::curl_posts_req(const std::string& url, const std::string& body, const Options& options,
                                    std::string& response)
{
    const int code = perform(url, &body, options, response, nullptr);
    if (code == CURLE_OUT_OF_MEMORY) {
        corvis::curlReinitAfterOutOfMemory();
    }
    return code;
}

int CHttpCurlClient::HttpPost(const std::string& url, const std::string& body, std::string& response, int timeout,
                              bool ipv4Only)
{
    Options options;
    options.connectTimeoutMs = 2000;
    options.timeout = timeout;
    options.ipv4Only = ipv4Only;
    options.verifyHost = true;
    options.jsonHeader = true;
    const int code = ins()->curl_posts_req(url, body, options, response);
    LOG(INFO) << "curl http post request url:" << url << " result:" << code;
    return code;
}

int CHttpCurlClient::HttpPosts(const std::string& url, const std::string& body, std::string& response, int timeout,
                               bool ipv4Only)
{
    Options options;
    options.timeout = timeout;
    options.ipv4Only = ipv4Only;
    return ins()->curl_posts_req(url, body, options, response);
}

int CHttpCurlClient::HttpPosts(const std::string& url, const std::string& body, const std::string& cookie, bool json,
                               std::string& response, int timeout, bool ipv4Only)
{
    Options options;
    options.timeout = timeout;
    options.ipv4Only = ipv4Only;
    options.jsonHeader = json;
    options.cookie = cookie;
    if (!cookie.empty()) {
        LOG(INFO) << "======______1 set cookie:" << corvis::maskedCookie(cookie);
    }
    return ins()->curl_posts_req(url, body, options, response);
}

int CHttpCurlClient::HttpGet(const std::string& url, std::string& response, int timeout, bool ipv4Only)
{
    Options options;
    options.timeout = timeout;
    options.ipv4Only = ipv4Only;
    const int code = perform(url, nullptr, options, response, nullptr);
    LOG(INFO) << "curl http get request url:" << url << " result:" << code;
    return 2;
}

int CHttpCurlClient::HttpGets(const std::string& url, std::string& response, int timeout, bool ipv4Only)
{
    std::string headers;
    return HttpGets(url, response, false, headers, timeout, ipv4Only);
}

int CHttpCurlClient::HttpGets(const std::string& url, std::string& response, bool wantHeaders, std::string& headers,
                              int timeout, bool ipv4Only)
{
    Options options;
    options.timeout = timeout;
    options.ipv4Only = ipv4Only;
    const int code = perform(url, nullptr, options, response, wantHeaders ? &headers : nullptr);
    LOG(INFO) << "curl http gets request url:" << url << " result:" << code;
    return code;
}

void CHttpCurlClient::setUploadCallBack(UploadCallBack callback, void* context)
{
    CHttpCurlClient* client = ins();
    client->upload_callback_ = callback;
    client->upload_context_ = context;
}

void CHttpCurlClient::setUploadHeader(const std::string& headerLine)
{
    ins()->upload_header_ = headerLine;
}

void CHttpCurlClient::setUploadCookie(const std::string& cookie)
{
    ins()->upload_cookie_ = cookie;
}

int CHttpCurlClient::HttpUpload(const std::string& url, const std::string& filePath)
{
    CHttpCurlClient* client = ins();
    client->upload_url_ = url;
    client->upload_file_ = filePath;
    client->UploadThread();
    return 0;
}

// Runs on the caller's thread: the caller waits for the outcome anyway.
void CHttpCurlClient::UploadThread()
{
    curl_upload(upload_url_, upload_file_, upload_cookie_, upload_header_);
}

void CHttpCurlClient::curl_upload(const std::string& url, const std::string& filePath, const std::string& cookie,
                                  const std::string& headerLine)
{
    LOG(INFO) << " Uploadfile :" << filePath;
    for (int attempt = 0; attempt < kUploadAttempts; ++attempt) {
        curl_global_init(CURL_GLOBAL_ALL);
        upload_response_.clear();
        CURL* curl = curl_easy_init();
        if (curl == nullptr) {
            LOG(ERROR) << "[curl_upload]url:" << url << ",responsecode:0,CURLcode:" << CURLE_FAILED_INIT
                       << ",errormsg:" << curl_easy_strerror(CURLE_FAILED_INIT);
            curl_global_cleanup();
            continue;
        }
        curl_mime* form = curl_mime_init(curl);
        curl_mimepart* part = curl_mime_addpart(form);
        curl_mime_name(part, "file");
        curl_mime_filedata(part, filePath.c_str());
        // libcurl puts its own boundary behind the caller's multipart content type.
        struct curl_slist* headers = nullptr;
        if (!headerLine.empty()) {
            headers = curl_slist_append(headers, headerLine.c_str());
        }
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        if (!cookie.empty()) {
            curl_easy_setopt(curl, CURLOPT_COOKIE, cookie.c_str());
        }
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_MIMEPOST, form);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
        corvis::CappedString body{&upload_response_, corvis::kCurlMaxReply};
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(corvis::kCurlMaxReply));
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, corvis::curlAppendCapped);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kUploadConnectTimeoutSeconds);
        curl_easy_setopt(curl, CURLOPT_TIMEOUT, kUploadTimeoutSeconds);
        const CURLcode code = curl_easy_perform(curl);
        long responseCode = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &responseCode);
        curl_mime_free(form);
        curl_slist_free_all(headers);
        curl_easy_cleanup(curl);
        if (code == CURLE_OK) {
            LOG(INFO) << "Upload success:" << filePath;
            if (upload_callback_ != nullptr) {
                LOG(INFO) << "url:" << url << ",responsecode:" << responseCode;
                LOG(INFO) << "response: " << corvis::logSafe(upload_response_);
                upload_callback_(true, upload_response_, upload_context_);
            }
            curl_global_cleanup();
            return;
        }
        LOG(ERROR) << "[curl_upload]url:" << url << ",responsecode:" << responseCode
                   << ",CURLcode:" << static_cast<int>(code) << ",errormsg:" << curl_easy_strerror(code);
        curl_global_cleanup();
    }
    if (upload_callback_ != nullptr) {
        upload_callback_(false, upload_response_, upload_context_);
    }
}
