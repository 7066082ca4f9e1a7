#pragma once

#include <cstddef>
#include <map>
#include <string>

struct evhttp_request;
struct evhttp_connection;
struct event_base;
struct bufferevent;
typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

// Completion, header and chunk callbacks as libevent calls them.
typedef void (*http_request_cb)(struct evhttp_request* req, void* arg);
typedef int (*http_header_cb)(struct evhttp_request* req, void* arg);
typedef void (*http_chunk_cb)(struct evhttp_request* req, void* arg);

// One blocking HTTP(S) exchange on libevent's evhttp: construct, run one request operation,
// take get_response_data(), destroy. host, path and request_uri are appended to, so an object
// serves one URL only. The server certificate is never checked.
//
// Every request operation returns 0 once the exchange has run (whatever its outcome; an empty
// response means the transport failed) and -1 when nothing was sent.
//
// What a peer may send is bounded: reply headers to kMaxHeaders bytes, a reply body to
// kMaxReplyBody bytes (kMaxPictureBody for file_download and vesk_get_imageCode), and the whole
// exchange must end within the operation's time-out (30 s, 480 s for file_download), however
// slowly the peer keeps it alive. Beyond a bound the exchange fails as when no reply came: the
// completion callback gets no request, and the response stays empty.
class CHttpEvent
{
public:
    static constexpr size_t kMaxHeaders = 256 * 1024;
    static constexpr size_t kMaxReplyBody = 8 * 1024 * 1024;
    static constexpr size_t kMaxPictureBody = 2 * 1024 * 1024;

    CHttpEvent();
    ~CHttpEvent();
    CHttpEvent(const CHttpEvent&) = delete;
    CHttpEvent& operator=(const CHttpEvent&) = delete;

    // Splits the URL into its parts; 0, or -1 with its log line.
    int handle_url(const char* url);

    // POST to the path (the query is not sent) as application/x-www-form-urlencoded.
    int post_method(const char* url, const char* body, http_request_cb cb);
    // POST with the caller's headers (in key order) instead of the form content type.
    int post_method(const char* url, const char* body, const std::map<std::string, std::string>& headers,
                    http_request_cb cb);
    // POST of a body given in parts, sent one after the other.
    int post_method(const char* url, const char* part1, const char* part2, http_request_cb cb);
    int post_method(const char* url, const char* part1, const char* part2, const char* part3, http_request_cb cb);

    // GET of the URL's path and query, or of `path` on the URL's server.
    int get_method(const char* url, http_request_cb cb);
    int get_method(const char* url, const char* path, http_request_cb cb);

    // GET of `path` with the long download time-out. The header and chunk callbacks get this
    // object as their argument (context() gives the caller's context back); a chunk callback
    // takes the body, without one the body becomes the response.
    int file_download(const char* url, const char* path, http_header_cb headerCb, http_chunk_cb chunkCb,
                      void* context = nullptr);
    // POST of a multipart form: one part per field, then the file under `name`.
    int file_upload(const char* url, const std::map<std::string, std::string>& fields, const char* file,
                    const char* name, http_request_cb cb);
    // GET of `path`; the image arrives only through the callbacks, which get `context`.
    int vesk_get_imageCode(const char* url, const char* path, void* context, http_header_cb headerCb,
                           http_chunk_cb chunkCb);
    // Form POST with the privilege verify key as cookie.
    int vesk_privilege_login(const char* url, const char* body, const char* verifyKey, http_request_cb cb);

    // Another cap on the body of this object's exchange than the operation's (0: the operation's).
    void set_max_body_size(size_t bytes);
    // A total deadline for every exchange of the process instead of the operations' own time-outs
    // (0: the operations' own). For tests, which cannot wait 30 s.
    static void setTotalDeadlineMs(int ms);

    std::string get_response_data() const;
    void set_response_data(const std::string& data);
    void* context() const { return context_; }

    // Logs the request line with the Host, Cookie and Referer headers of `request`.
    static void logRequestInfo(const char* url, struct evhttp_request* request);

    // Stores the reply body into the CHttpEvent given as `arg`.
    static void https_request_done_cb(struct evhttp_request* req, void* arg);
    static void download_read_callback(struct evhttp_request* req, void* arg);

    // libcurl GET or POST (JSON body); the body is appended to `out`. Returns the libcurl code.
    static int GetResponse(const std::string& url, const std::string& body, bool isGet, std::string& out);
    // The address a public echo service sees for this machine, or the text of `endpoint`.
    static int get_system_internal_ip(std::string& out);
    static int get_system_internal_ip(std::string& out, const std::string& endpoint);

    // What handle_url found, for callers and tests.
    const std::string& url() const { return url_; }
    const std::string& host() const { return host_; }
    const std::string& path() const { return path_; }
    const std::string& requestUri() const { return request_uri_; }
    int port() const { return port_; }
    bool isHttps() const { return is_https_ == 1; }

private:
    struct Request;
    struct Call;
    int init_ssl();
    int make_struct_connection(int timeoutSeconds);
    int send_request(const char* url, const Request& request);
    void clear_all();

    std::string url_;
    std::string host_;
    std::string path_;
    std::string request_uri_;
    int port_ = 0;
    int is_https_ = 0;
    SSL_CTX* ssl_ctx_ = nullptr;
    SSL* ssl_ = nullptr;
    struct event_base* base_ = nullptr;
    struct bufferevent* bev_ = nullptr;
    struct evhttp_connection* conn_ = nullptr;
    std::string response_data_;
    void* context_ = nullptr;
    size_t maxBody_ = 0;
};
