#include "tools/corvisctlsim/ctlserver.h"

#include "tools/corvisctlsim/selfsignedcert.h"

#include <event2/buffer.h>
#include <event2/bufferevent.h>
#include <event2/bufferevent_ssl.h>
#include <event2/event.h>
#include <event2/http.h>
#include <event2/keyvalq_struct.h>
#include <openssl/ssl.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

struct CtlServer::Service {
    CtlServer* server = nullptr;
    QString name;
    bool tls = false;
    struct evhttp* http = nullptr;
};

// An answer that waits for its delay, or a connection to be closed without one.
struct CtlServer::Pending {
    CtlServer* server = nullptr;
    struct evhttp_request* req = nullptr;
    struct evhttp_connection* connection = nullptr;
    struct event* timer = nullptr;
    CtlResponse response;
    bool gone = false;
};

namespace {

// Idle client connections are dropped after this long.
constexpr int kServerTimeoutSeconds = 60;
// A request is held whole in memory before it is recorded: larger bodies are refused with 413,
// larger headers with 400, and the connection is closed.
constexpr ev_ssize_t kMaxRequestBody = 32 * 1024 * 1024;
constexpr ev_ssize_t kMaxRequestHeaders = 256 * 1024;

struct bufferevent* tlsBufferevent(struct event_base* base, void* arg)
{
    return bufferevent_openssl_socket_new(base, -1, SSL_new(static_cast<SSL_CTX*>(arg)), BUFFEREVENT_SSL_ACCEPTING,
                                          BEV_OPT_CLOSE_ON_FREE);
}

void onStopSignal(evutil_socket_t, short, void* arg)
{
    event_base_loopexit(static_cast<struct event_base*>(arg), nullptr);
}

// A listening loopback socket, or -1 with errno set.
int listenOnLoopback(int family, int port)
{
    const int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    int result = -1;
    if (family == AF_INET6) {
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        address.sin6_port = htons(static_cast<uint16_t>(port));
        result = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } else {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        result = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    if (result != 0 || ::listen(fd, 64) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

int boundPort(int fd)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return -1;
    }
    if (address.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    }
    return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

const char* methodName(enum evhttp_cmd_type command)
{
    switch (command) {
    case EVHTTP_REQ_GET:
        return "GET";
    case EVHTTP_REQ_POST:
        return "POST";
    case EVHTTP_REQ_HEAD:
        return "HEAD";
    case EVHTTP_REQ_PUT:
        return "PUT";
    case EVHTTP_REQ_DELETE:
        return "DELETE";
    case EVHTTP_REQ_OPTIONS:
        return "OPTIONS";
    case EVHTTP_REQ_TRACE:
        return "TRACE";
    case EVHTTP_REQ_CONNECT:
        return "CONNECT";
    case EVHTTP_REQ_PATCH:
        return "PATCH";
    }
    return "?";
}

const char* reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

}  // namespace

CtlServer::CtlServer(const Options& options) : options_(options), scenario_(options.scenarioPath) {}

CtlServer::~CtlServer()
{
    for (Service* service : services_) {
        if (service->http != nullptr) {
            evhttp_free(service->http);
        }
        delete service;
    }
    if (base_ != nullptr) {
        event_base_free(base_);
    }
    if (sslContext_ != nullptr) {
        SSL_CTX_free(sslContext_);
    }
    if (recordFile_ != nullptr) {
        std::fclose(recordFile_);
    }
}

bool CtlServer::start(QString& error)
{
    scenario_.setChallengeFile(options_.challengePath);
    if (!scenario_.load(error)) {
        return false;
    }
    recordFile_ = std::fopen(options_.recordPath.toLocal8Bit().constData(), "ae");
    if (recordFile_ == nullptr) {
        error = QStringLiteral("cannot open the record file %1: %2").arg(options_.recordPath, std::strerror(errno));
        return false;
    }
    std::string sslError;
    sslContext_ = newSelfSignedServerContext(options_.tlsMinVersion, sslError);
    if (sslContext_ == nullptr) {
        error = QString::fromStdString(sslError);
        return false;
    }
    base_ = event_base_new();
    if (base_ == nullptr) {
        error = QStringLiteral("event_base_new failed");
        return false;
    }
    for (const char* name : {"controller", "sandbox"}) {
        Service* service = new Service;
        service->server = this;
        service->name = QString::fromLatin1(name);
        service->tls = service->name == QLatin1String("controller");
        service->http = evhttp_new(base_);
        services_.push_back(service);
        if (service->http == nullptr) {
            error = QStringLiteral("evhttp_new failed");
            return false;
        }
        evhttp_set_gencb(service->http, onRequest, service);
        evhttp_set_timeout(service->http, kServerTimeoutSeconds);
        evhttp_set_max_body_size(service->http, kMaxRequestBody);
        evhttp_set_max_headers_size(service->http, kMaxRequestHeaders);
        if (service->tls) {
            evhttp_set_bevcb(service->http, tlsBufferevent, sslContext_);
        }
    }
    httpsPort_ = bindService(*services_[0], options_.httpsPort, error);
    if (httpsPort_ <= 0) {
        return false;
    }
    const bool controllerIpv6 = ipv6_;
    sandboxPort_ = bindService(*services_[1], options_.sandboxPort, error);
    ipv6_ = controllerIpv6;
    return sandboxPort_ > 0;
}

int CtlServer::bindService(Service& service, int port, QString& error)
{
    // The same port on both loopback addresses; a free one is searched for when none is given.
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int fd4 = listenOnLoopback(AF_INET, port);
        if (fd4 < 0) {
            error = QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(port).arg(std::strerror(errno));
            return -1;
        }
        const int actual = boundPort(fd4);
        const int fd6 = listenOnLoopback(AF_INET6, actual);
        if (fd6 < 0 && errno == EADDRINUSE && port == 0) {
            ::close(fd4);
            continue;
        }
        ipv6_ = fd6 >= 0;
        if (fd6 < 0) {
            std::fprintf(stderr, "corvisctlsim: %s: no ::1 (%s), serving 127.0.0.1 only\n",
                         service.name.toLocal8Bit().constData(), std::strerror(errno));
        }
        for (int fd : {fd4, fd6}) {
            if (fd >= 0 && evhttp_accept_socket_with_handle(service.http, fd) == nullptr) {
                ::close(fd);
                error = QStringLiteral("evhttp_accept_socket failed");
                return -1;
            }
        }
        return actual;
    }
    error = QStringLiteral("no port free on both loopback addresses");
    return -1;
}

void CtlServer::run()
{
    struct event* term = evsignal_new(base_, SIGTERM, onStopSignal, base_);
    struct event* interrupt = evsignal_new(base_, SIGINT, onStopSignal, base_);
    evsignal_add(term, nullptr);
    evsignal_add(interrupt, nullptr);
    event_base_dispatch(base_);
    event_free(term);
    event_free(interrupt);
}

void CtlServer::record(const Service& service, struct evhttp_request* req, const QByteArray& body)
{
    QJsonObject headers;
    struct evkeyvalq* input = evhttp_request_get_input_headers(req);
    for (struct evkeyval* header = input->tqh_first; header != nullptr; header = header->next.tqe_next) {
        const QString name = QString::fromUtf8(header->key);
        const QString value = QString::fromUtf8(header->value);
        headers.insert(name, headers.contains(name) ? headers.value(name).toString() + ", " + value : value);
    }
    const struct evhttp_uri* uri = evhttp_request_get_evhttp_uri(req);
    const char* path = uri != nullptr ? evhttp_uri_get_path(uri) : nullptr;
    const char* query = uri != nullptr ? evhttp_uri_get_query(uri) : nullptr;
    char* peer = nullptr;
    ev_uint16_t peerPort = 0;
    evhttp_connection_get_peer(evhttp_request_get_connection(req), &peer, &peerPort);

    QJsonObject line;
    line.insert("service", service.name);
    line.insert("method", QString::fromLatin1(methodName(evhttp_request_get_command(req))));
    line.insert("uri", QString::fromUtf8(evhttp_request_get_uri(req)));
    line.insert("path", QString::fromUtf8(path != nullptr ? path : ""));
    if (query != nullptr) {
        line.insert("query", QString::fromUtf8(query));
    }
    line.insert("headers", headers);
    line.insert("body", QString::fromUtf8(body));
    line.insert("peer", QString::fromLatin1(peer != nullptr ? peer : ""));
    const QByteArray text = QJsonDocument(line).toJson(QJsonDocument::Compact) + "\n";
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), recordFile_);
    std::fflush(recordFile_);
}

void CtlServer::onRequest(struct evhttp_request* req, void* arg)
{
    Service* service = static_cast<Service*>(arg);
    CtlServer* server = service->server;
    struct evbuffer* input = evhttp_request_get_input_buffer(req);
    QByteArray body(static_cast<int>(evbuffer_get_length(input)), '\0');
    evbuffer_copyout(input, body.data(), static_cast<size_t>(body.size()));
    server->record(*service, req, body);

    const struct evhttp_uri* uri = evhttp_request_get_evhttp_uri(req);
    const char* path = uri != nullptr ? evhttp_uri_get_path(uri) : nullptr;
    const CtlResponse response =
        server->scenario_.next(service->name, QString::fromUtf8(path != nullptr && path[0] != '\0' ? path : "/"), body);
    if (response.hang) {
        return;  // left unanswered until the client gives up
    }
    Pending* pending = new Pending;
    pending->server = server;
    pending->req = req;
    pending->response = response;
    if (response.delayMs <= 0 && !response.close) {
        answer(pending);
        return;
    }
    // Closing is left to a timer too: the connection must not be freed inside its own callback.
    pending->connection = evhttp_request_get_connection(req);
    evhttp_connection_set_closecb(pending->connection, onConnectionClosed, pending);
    pending->timer = evtimer_new(server->base_, onPendingTimer, pending);
    const timeval delay{response.delayMs / 1000, (response.delayMs % 1000) * 1000};
    evtimer_add(pending->timer, &delay);
}

void CtlServer::onConnectionClosed(struct evhttp_connection*, void* arg)
{
    static_cast<Pending*>(arg)->gone = true;
}

void CtlServer::onPendingTimer(int, short, void* arg)
{
    Pending* pending = static_cast<Pending*>(arg);
    event_free(pending->timer);
    if (pending->gone) {
        delete pending;
        return;
    }
    evhttp_connection_set_closecb(pending->connection, nullptr, nullptr);
    if (pending->response.close) {
        evhttp_connection_free(pending->connection);
        delete pending;
        return;
    }
    answer(pending);
}

void CtlServer::answer(Pending* pending)
{
    struct evkeyvalq* headers = evhttp_request_get_output_headers(pending->req);
    for (const auto& header : pending->response.headers) {
        evhttp_add_header(headers, header.first.constData(), header.second.constData());
    }
    struct evbuffer* body = evbuffer_new();
    evbuffer_add(body, pending->response.body.constData(), static_cast<size_t>(pending->response.body.size()));
    evhttp_send_reply(pending->req, pending->response.status, reasonPhrase(pending->response.status), body);
    evbuffer_free(body);
    delete pending;
}
