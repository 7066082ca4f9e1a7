#include "http/chttpevent.h"

#include "corviscommon/logging.h"
#include "http/curlglobal.h"
#include "corviscommon/secretmask.h"

#include <curl/curl.h>
#include <event2/buffer.h>
#include <event2/bufferevent.h>
#include <event2/bufferevent_ssl.h>
#include <event2/event.h>
#include <event2/http.h>
#include <openssl/ssl.h>

#include <strings.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <utility>
#include <vector>

namespace {

constexpr int kRetries = 3;
constexpr int kTimeoutSeconds = 30;
// A download may move a large package over a slow link.
constexpr int kDownloadTimeoutSeconds = 480;
constexpr size_t kDrainPiece = 255;

// A total deadline that replaces the operations' own when set (tests).
std::atomic<int> g_deadlineOverrideMs{0};
constexpr const char* kDefaultIpEndpoint = "https://ifconfig.me/ip";

bool sameIgnoringCase(const char* a, const char* b)
{
    return a != nullptr && ::strcasecmp(a, b) == 0;
}

// Header values that carry credentials are masked in every log line.
bool isSecretHeader(const std::string& key)
{
    return ::strcasecmp(key.c_str(), "Authorization") == 0 || ::strcasecmp(key.c_str(), "Cookie") == 0;
}

void emptyCompletion(struct evhttp_request*, void*) {}

std::string randomBoundary()
{
    std::random_device device;
    std::ostringstream out;
    out << "----corvisbench";
    for (int i = 0; i < 4; ++i) {
        out << std::hex << device();
    }
    return out.str();
}

std::string baseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// One request as the operations describe it; send_request turns it into libevent calls.
struct CHttpEvent::Request {
    enum class Target { Path, PathAndQuery, Given };

    enum evhttp_cmd_type command = EVHTTP_REQ_GET;
    Target target = Target::PathAndQuery;
    std::string givenTarget;
    std::vector<std::pair<std::string, std::string>> headers;
    bool logHeaders = false;
    std::string body;
    http_request_cb done = nullptr;
    void* arg = nullptr;
    http_header_cb headerCb = nullptr;
    http_chunk_cb chunkCb = nullptr;
    int timeoutSeconds = kTimeoutSeconds;
    size_t maxBody = CHttpEvent::kMaxReplyBody;
};

// What one exchange needs in libevent's callbacks: the caller's completion, and the deadline that
// ends the exchange when the reply has not come whole in time.
struct CHttpEvent::Call {
    CHttpEvent* self = nullptr;
    http_request_cb done = nullptr;
    void* arg = nullptr;
    http_header_cb headerCb = nullptr;
    http_chunk_cb chunkCb = nullptr;
    struct evhttp_request* req = nullptr;
    struct event* deadline = nullptr;
    int deadlineMs = 0;
    size_t maxBody = 0;
    bool finished = false;

    static void onDone(struct evhttp_request* req, void* arg)
    {
        Call* call = static_cast<Call*>(arg);
        call->finished = true;
        // Nothing else may keep the loop running once the exchange is over.
        if (call->deadline != nullptr) {
            evtimer_del(call->deadline);
        }
        if (call->done != nullptr) {
            call->done(req, call->arg);
        }
    }

    // libevent hands every callback the completion's argument: the caller's own goes on here.
    static int onHeaders(struct evhttp_request* req, void* arg)
    {
        const Call* call = static_cast<const Call*>(arg);
        return call->headerCb(req, call->arg);
    }

    static void onChunk(struct evhttp_request* req, void* arg)
    {
        const Call* call = static_cast<const Call*>(arg);
        call->chunkCb(req, call->arg);
    }

    static void onError(enum evhttp_request_error error, void* arg)
    {
        const Call* call = static_cast<const Call*>(arg);
        // libevent reports headers over the limit as invalid ones.
        if (error == EVREQ_HTTP_DATA_TOO_LONG) {
            LOG(ERROR) << "reply of " << call->self->url() << " refused: its body exceeds " << call->maxBody << " bytes";
        } else if (error == EVREQ_HTTP_INVALID_HEADER) {
            LOG(ERROR) << "reply of " << call->self->url() << " refused: its headers are malformed or exceed "
                       << kMaxHeaders << " bytes";
        }
    }

    static void onDeadline(evutil_socket_t, short, void* arg)
    {
        Call* call = static_cast<Call*>(arg);
        if (call->finished) {
            return;
        }
        call->finished = true;
        LOG(ERROR) << "request to " << call->self->url() << " not done within " << call->deadlineMs << " ms, abandoned";
        // The callback of a cancelled request is not run: the caller learns the failure here.
        evhttp_cancel_request(call->req);
        call->req = nullptr;
        if (call->done != nullptr) {
            call->done(nullptr, call->arg);
        }
        event_base_loopbreak(call->self->base_);
    }
};

CHttpEvent::CHttpEvent()
{
    curl_global_init(CURL_GLOBAL_ALL);
}

CHttpEvent::~CHttpEvent()
{
    clear_all();
    if (ssl_ != nullptr) {
        SSL_free(ssl_);
    }
    if (ssl_ctx_ != nullptr) {
        SSL_CTX_free(ssl_ctx_);
    }
    curl_global_cleanup();
}

int CHttpEvent::handle_url(const char* url)
{
    url_ = url != nullptr ? url : "";
    struct evhttp_uri* uri = url != nullptr ? evhttp_uri_parse(url) : nullptr;
    if (uri == nullptr) {
        LOG(ERROR) << "malformed url";
        return -1;
    }
    const char* scheme = evhttp_uri_get_scheme(uri);
    if (sameIgnoringCase(scheme, "https")) {
        is_https_ = 1;
    } else if (sameIgnoringCase(scheme, "http")) {
        is_https_ = 0;
    } else {
        LOG(ERROR) << "url must be http or https";
        evhttp_uri_free(uri);
        return -1;
    }
    const char* host = evhttp_uri_get_host(uri);
    if (host == nullptr || host[0] == '\0') {
        LOG(ERROR) << "url must have a host or IP";
        evhttp_uri_free(uri);
        return -1;
    }
    host_ += host;
    // No default ports: the controller's port always comes with its address.
    const int port = evhttp_uri_get_port(uri);
    if (port < 0) {
        LOG(ERROR) << "url can't get port";
        evhttp_uri_free(uri);
        return -1;
    }
    port_ = port;
    const char* path = evhttp_uri_get_path(uri);
    path_ += (path == nullptr || path[0] == '\0') ? "/" : path;
    const char* query = evhttp_uri_get_query(uri);
    // Built whole: a long query is never cut.
    request_uri_ = path_;
    if (query != nullptr) {
        request_uri_ += "?";
        request_uri_ += query;
    }
    evhttp_uri_free(uri);
    return 0;
}

int CHttpEvent::init_ssl()
{
    OPENSSL_init_ssl(0, nullptr);
    // Any protocol version the library allows, and no verification: controllers run on
    // self-signed certificates.
    ssl_ctx_ = SSL_CTX_new(TLS_method());
    if (ssl_ctx_ == nullptr) {
        LOG(ERROR) << "SSL_CTX_new fail";
        return -1;
    }
    ssl_ = SSL_new(ssl_ctx_);
    if (ssl_ == nullptr) {
        LOG(ERROR) << "SSL_new fail";
        return -1;
    }
    return 0;
}

int CHttpEvent::make_struct_connection(int timeoutSeconds)
{
    base_ = event_base_new();
    if (base_ == nullptr) {
        LOG(ERROR) << "event_base_new() fail";
        return -1;
    }
    if (is_https_ == 1) {
        bev_ = bufferevent_openssl_socket_new(base_, -1, ssl_, BUFFEREVENT_SSL_CONNECTING,
                                              BEV_OPT_CLOSE_ON_FREE | BEV_OPT_DEFER_CALLBACKS);
        if (bev_ != nullptr) {
            ssl_ = nullptr;  // freed with the bufferevent
        }
    } else {
        bev_ = bufferevent_socket_new(base_, -1, BEV_OPT_CLOSE_ON_FREE);
    }
    if (bev_ == nullptr) {
        LOG(ERROR) << "bufferevent_openssl_socket_new() failed";
        return -1;
    }
    // libevent wants an IPv6 literal without its brackets.
    std::string address = host_;
    if (address.size() > 2 && address.front() == '[' && address.back() == ']') {
        address = address.substr(1, address.size() - 2);
    }
    conn_ = evhttp_connection_base_bufferevent_new(base_, nullptr, bev_, address.c_str(),
                                                   static_cast<unsigned short>(port_));
    if (conn_ == nullptr) {
        LOG(ERROR) << "evhttp_connection_base_bufferevent_new() failed";
        return -1;
    }
    bev_ = nullptr;  // freed with the connection
    evhttp_connection_set_family(conn_, host_.find(':') != std::string::npos ? AF_INET6 : AF_INET);
    evhttp_connection_set_retries(conn_, kRetries);
    evhttp_connection_set_timeout(conn_, timeoutSeconds);
    return 0;
}

int CHttpEvent::send_request(const char* url, const Request& request)
{
    if (handle_url(url) != 0) {
        return -1;
    }
    if (init_ssl() != 0 || make_struct_connection(request.timeoutSeconds) != 0) {
        clear_all();
        return -1;
    }
    // Nothing from outside may grow without bound: headers and body are capped, and the whole
    // exchange has a deadline (a peer trickling one byte at a time never hits the idle time-out).
    const size_t maxBody = maxBody_ > 0 ? maxBody_ : request.maxBody;
    evhttp_connection_set_max_headers_size(conn_, static_cast<ev_ssize_t>(kMaxHeaders));
    evhttp_connection_set_max_body_size(conn_, static_cast<ev_ssize_t>(maxBody));
    Call call;
    call.self = this;
    call.done = request.done;
    call.arg = request.arg;
    call.maxBody = maxBody;
    const int overrideMs = g_deadlineOverrideMs.load();
    call.deadlineMs = overrideMs > 0 ? overrideMs : request.timeoutSeconds * 1000;

    struct evhttp_request* req = evhttp_request_new(Call::onDone, &call);
    if (req == nullptr) {
        LOG(ERROR) << "evhttp_request_new() failed";
        clear_all();
        return -1;
    }
    call.req = req;
    evhttp_request_set_error_cb(req, Call::onError);
    call.headerCb = request.headerCb;
    call.chunkCb = request.chunkCb;
    if (request.headerCb != nullptr) {
        evhttp_request_set_header_cb(req, Call::onHeaders);
    }
    if (request.chunkCb != nullptr) {
        evhttp_request_set_chunked_cb(req, Call::onChunk);
    }
    struct evkeyvalq* headers = evhttp_request_get_output_headers(req);
    evhttp_add_header(headers, "Host", host_.c_str());
    evhttp_add_header(headers, "Connection", "close");
    for (const auto& header : request.headers) {
        if (request.logHeaders) {
            LOG(INFO) << "set post header:" << header.first << " "
                      << (isSecretHeader(header.first) ? corvis::maskedSecret(header.second) : header.second);
        }
        if (evhttp_add_header(headers, header.first.c_str(), header.second.c_str()) != 0) {
            LOG(ERROR) << "invalid header left out:" << header.first;
        }
    }
    if (!request.body.empty()) {
        evbuffer_add(evhttp_request_get_output_buffer(req), request.body.data(), request.body.size());
    }
    logRequestInfo(url, req);

    std::string target;
    switch (request.target) {
    case Request::Target::Path:
        target = path_;
        break;
    case Request::Target::PathAndQuery:
        target = request_uri_;
        break;
    case Request::Target::Given:
        target = request.givenTarget.empty() ? std::string("/") : request.givenTarget;
        break;
    }
    call.deadline = evtimer_new(base_, Call::onDeadline, &call);
    if (call.deadline == nullptr) {
        LOG(ERROR) << "evtimer_new() failed";
        evhttp_request_free(req);
        clear_all();
        return -1;
    }
    const timeval limit{call.deadlineMs / 1000, (call.deadlineMs % 1000) * 1000};
    evtimer_add(call.deadline, &limit);
    // On failure libevent has already released the request.
    if (evhttp_make_request(conn_, req, request.command, target.c_str()) != 0) {
        LOG(ERROR) << "evhttp_make_request() failed";
        event_free(call.deadline);
        clear_all();
        return -1;
    }
    event_base_dispatch(base_);
    event_free(call.deadline);
    clear_all();
    return 0;
}

void CHttpEvent::set_max_body_size(size_t bytes)
{
    maxBody_ = bytes;
}

void CHttpEvent::setTotalDeadlineMs(int ms)
{
    g_deadlineOverrideMs.store(ms > 0 ? ms : 0);
}

void CHttpEvent::clear_all()
{
    if (conn_ != nullptr) {
        evhttp_connection_free(conn_);
        conn_ = nullptr;
    }
    if (bev_ != nullptr) {
        bufferevent_free(bev_);
        bev_ = nullptr;
    }
    if (base_ != nullptr) {
        event_base_free(base_);
        base_ = nullptr;
    }
}

int CHttpEvent::post_method(const char* url, const char* body, http_request_cb cb)
{
    Request request;
    request.command = EVHTTP_REQ_POST;
    request.target = Request::Target::Path;
    request.headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
    request.body = body != nullptr ? body : "";
    request.done = cb;
    request.arg = this;
    return send_request(url, request);
}

int CHttpEvent::post_method(const char* url, const char* body, const std::map<std::string, std::string>& headers,
                            http_request_cb cb)
{
    Request request;
    request.command = EVHTTP_REQ_POST;
    request.target = Request::Target::Path;
    request.headers.assign(headers.begin(), headers.end());
    request.logHeaders = true;
    request.body = body != nullptr ? body : "";
    request.done = cb;
    request.arg = this;
    return send_request(url, request);
}

int CHttpEvent::post_method(const char* url, const char* part1, const char* part2, http_request_cb cb)
{
    return post_method(url, part1, part2, nullptr, cb);
}

int CHttpEvent::post_method(const char* url, const char* part1, const char* part2, const char* part3,
                            http_request_cb cb)
{
    std::string body;
    for (const char* part : {part1, part2, part3}) {
        if (part != nullptr) {
            body += part;
        }
    }
    return post_method(url, body.c_str(), cb);
}

int CHttpEvent::get_method(const char* url, http_request_cb cb)
{
    Request request;
    request.done = cb;
    request.arg = this;
    return send_request(url, request);
}

int CHttpEvent::get_method(const char* url, const char* path, http_request_cb cb)
{
    Request request;
    request.target = Request::Target::Given;
    request.givenTarget = path != nullptr ? path : "";
    request.done = cb;
    request.arg = this;
    return send_request(url, request);
}

int CHttpEvent::file_download(const char* url, const char* path, http_header_cb headerCb, http_chunk_cb chunkCb,
                              void* context)
{
    context_ = context;
    Request request;
    request.target = Request::Target::Given;
    request.givenTarget = path != nullptr ? path : "";
    request.done = download_read_callback;
    request.arg = this;
    request.headerCb = headerCb;
    request.chunkCb = chunkCb;
    request.timeoutSeconds = kDownloadTimeoutSeconds;
    request.maxBody = kMaxPictureBody;
    return send_request(url, request);
}

int CHttpEvent::file_upload(const char* url, const std::map<std::string, std::string>& fields, const char* file,
                            const char* name, http_request_cb cb)
{
    const std::string filePath = file != nullptr ? file : "";
    std::ifstream in(filePath, std::ios::binary);
    if (filePath.empty() || !in) {
        LOG(ERROR) << "file_upload can't open file:" << filePath;
        return -1;
    }
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string boundary = randomBoundary();
    std::string body;
    for (const auto& field : fields) {
        body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + field.first + "\"\r\n\r\n" +
                field.second + "\r\n";
    }
    body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + (name != nullptr ? name : "file") +
            "\"; filename=\"" + baseName(filePath) + "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
    body += content;
    body += "\r\n--" + boundary + "--\r\n";

    Request request;
    request.command = EVHTTP_REQ_POST;
    request.target = Request::Target::Path;
    request.headers = {{"Content-Type", "multipart/form-data; boundary=" + boundary}};
    request.body = body;
    request.done = cb;
    request.arg = this;
    return send_request(url, request);
}

int CHttpEvent::vesk_get_imageCode(const char* url, const char* path, void* context, http_header_cb headerCb,
                                   http_chunk_cb chunkCb)
{
    context_ = context;
    Request request;
    request.target = Request::Target::Given;
    request.givenTarget = path != nullptr ? path : "";
    request.done = emptyCompletion;
    request.arg = context;
    request.headerCb = headerCb;
    request.chunkCb = chunkCb;
    request.maxBody = kMaxPictureBody;
    return send_request(url, request);
}

int CHttpEvent::vesk_privilege_login(const char* url, const char* body, const char* verifyKey, http_request_cb cb)
{
    Request request;
    request.command = EVHTTP_REQ_POST;
    request.target = Request::Target::Path;
    request.headers = {{"Content-Type", "application/x-www-form-urlencoded"},
                       {"Cookie", std::string("corvis_verify_key=") + (verifyKey != nullptr ? verifyKey : "")}};
    request.body = body != nullptr ? body : "";
    request.done = cb;
    request.arg = this;
    return send_request(url, request);
}

std::string CHttpEvent::get_response_data() const
{
    return response_data_;
}

void CHttpEvent::set_response_data(const std::string& data)
{
    response_data_ = data;
}

void CHttpEvent::logRequestInfo(const char* url, struct evhttp_request* request)
{
    if (request == nullptr) {
        return;
    }
    struct evkeyvalq* headers = evhttp_request_get_output_headers(request);
    const char* host = evhttp_find_header(headers, "Host");
    const char* cookie = evhttp_find_header(headers, "Cookie");
    const char* referer = evhttp_find_header(headers, "Referer");
    std::string text = std::string("Host:[") + (host != nullptr ? host : "") + "]";
    if (cookie != nullptr) {
        text += ", Cookie:[" + corvis::maskedCookie(cookie) + "]";
    }
    if (referer != nullptr) {
        text += std::string(", Referer:[") + referer + "]";
    }
    LOG(INFO) << "Request URL[" << (url != nullptr ? url : "") << "], Request Header:" << text;
}

namespace {

// The reply body, or nothing (with the two error lines) when no reply came.
void storeReply(struct evhttp_request* req, CHttpEvent* event)
{
    if (req == nullptr || evhttp_request_get_response_code(req) == 0) {
        const int err = errno;
        LOG(ERROR) << "some request failed - no idea which one though!\n";
        LOG(ERROR) << "https_request_done_cb req is null socket error:" << std::strerror(err) << "(" << err << ")";
        return;
    }
    std::string body;
    char piece[kDrainPiece];
    struct evbuffer* input = evhttp_request_get_input_buffer(req);
    int n = 0;
    while ((n = evbuffer_remove(input, piece, sizeof piece)) > 0) {
        body.append(piece, static_cast<size_t>(n));
    }
    if (event != nullptr) {
        event->set_response_data(body);
    }
}

}  // namespace

void CHttpEvent::https_request_done_cb(struct evhttp_request* req, void* arg)
{
    storeReply(req, static_cast<CHttpEvent*>(arg));
}

void CHttpEvent::download_read_callback(struct evhttp_request* req, void* arg)
{
    storeReply(req, static_cast<CHttpEvent*>(arg));
}

int CHttpEvent::GetResponse(const std::string& url, const std::string& body, bool isGet, std::string& out)
{
    // A POST is tried once more after libcurl ran out of memory.
    int attempts = isGet ? 1 : 2;
    CURLcode code = CURLE_OK;
    while (attempts-- > 0) {
        CURL* curl = curl_easy_init();
        if (curl == nullptr) {
            LOG(ERROR) << "curl_easy_init failed, url:" << url;
            return CURLE_FAILED_INIT;
        }
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
        corvis::CappedString sink{&out, corvis::kCurlMaxReply};
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(corvis::kCurlMaxReply));
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, corvis::curlAppendCapped);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
        curl_easy_setopt(curl, CURLOPT_TIMEOUT, 10L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, isGet ? 10L : 60L);
        if (!isGet) {
            curl_easy_setopt(curl, CURLOPT_POST, 1L);
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
        }
        code = curl_easy_perform(curl);
        long responseCode = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &responseCode);
        if (code != CURLE_OK) {
            LOG(ERROR) << "url:" << url << ",responsecode:" << responseCode << ",errorcode:" << static_cast<int>(code)
                       << ",errormsg:" << curl_easy_strerror(code);
        }
        curl_easy_cleanup(curl);
        if (code != CURLE_OUT_OF_MEMORY) {
            break;
        }
        corvis::curlReinitAfterOutOfMemory();
    }
    return code;
}

int CHttpEvent::get_system_internal_ip(std::string& out)
{
    return get_system_internal_ip(out, kDefaultIpEndpoint);
}

int CHttpEvent::get_system_internal_ip(std::string& out, const std::string& endpoint)
{
    std::string text;
    const int code = GetResponse(endpoint, std::string(), true, text);
    const size_t first = text.find_first_not_of(" \t\r\n");
    const size_t last = text.find_last_not_of(" \t\r\n");
    out = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    return code;
}
