#pragma once

#include <string>

// Called once when an upload has ended: success, the reply body, the caller's context.
typedef void (*UploadCallBack)(bool success, std::string response, void* context);

// Process-wide libcurl client: JSON POST and GET helpers and the synchronous multipart file
// upload. TLS peers are never verified unless said otherwise. The upload fields are shared, so
// uploads must not run concurrently.
class CHttpCurlClient
{
public:
    static CHttpCurlClient* ins();
    static void release();

    // The results are libcurl codes (0 on success); bodies are appended to `response`. A time-out
    // of 0 seconds means 1 s; `ipv4Only` keeps name resolution to IPv4.
    static int HttpPost(const std::string& url, const std::string& body, std::string& response, int timeout,
                        bool ipv4Only = false);
    static int HttpPosts(const std::string& url, const std::string& body, std::string& response, int timeout,
                         bool ipv4Only = false);
    static int HttpPosts(const std::string& url, const std::string& body, const std::string& cookie, bool json,
                         std::string& response, int timeout, bool ipv4Only = false);
    // Always 2: callers judge a GET by its response text.
    static int HttpGet(const std::string& url, std::string& response, int timeout, bool ipv4Only = false);
    static int HttpGets(const std::string& url, std::string& response, int timeout, bool ipv4Only = false);
    static int HttpGets(const std::string& url, std::string& response, bool wantHeaders, std::string& headers,
                        int timeout, bool ipv4Only = false);

    static void setUploadCallBack(UploadCallBack callback, void* context);
    // The one extra header line and the cookie string sent with the next uploads.
    static void setUploadHeader(const std::string& headerLine);
    static void setUploadCookie(const std::string& cookie);
    // Uploads the file as form part "file", synchronously, with up to 3 attempts; the callback
    // learns the outcome. Returns 0.
    static int HttpUpload(const std::string& url, const std::string& filePath);

private:
    CHttpCurlClient() = default;
    ~CHttpCurlClient();
    CHttpCurlClient(const CHttpCurlClient&) = delete;
    CHttpCurlClient& operator=(const CHttpCurlClient&) = delete;

    struct Options;
    static int perform(const std::string& url, const std::string* postBody, const Options& options,
                       std::string& response, std::string* headers);
    int curl_posts_req(const std::string& url, const std::string& body, const Options& options,
                       std::string& response);
    void UploadThread();
    void curl_upload(const std::string& url, const std::string& filePath, const std::string& cookie,
                     const std::string& headerLine);

    std::string upload_response_;
    std::string upload_url_;
    std::string upload_file_;
    std::string upload_header_;
    std::string upload_cookie_;
    UploadCallBack upload_callback_ = nullptr;
    void* upload_context_ = nullptr;

    static CHttpCurlClient* instance_;
};
