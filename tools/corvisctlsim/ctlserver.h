#pragma once

#include "tools/corvisctlsim/scenario.h"

#include <QString>

#include <cstdio>
#include <vector>

struct event_base;
struct evhttp;
struct evhttp_request;
typedef struct ssl_ctx_st SSL_CTX;

// The loopback controller: HTTPS on 127.0.0.1 and ::1 (one port for both), and the local
// sandbox service in plain HTTP on its own port. Every request is appended to the record file
// before it is answered from the scenario.
class CtlServer
{
public:
    struct Options {
        QString scenarioPath;
        QString recordPath;
        QString challengePath;
        int httpsPort = 0;
        int sandboxPort = 0;
        int tlsMinVersion = 0;
    };

    explicit CtlServer(const Options& options);
    ~CtlServer();
    CtlServer(const CtlServer&) = delete;
    CtlServer& operator=(const CtlServer&) = delete;

    // Makes the certificate, binds both services and opens the record file.
    bool start(QString& error);
    // Serves until SIGTERM or SIGINT.
    void run();

    int httpsPort() const { return httpsPort_; }
    int sandboxPort() const { return sandboxPort_; }
    bool hasIpv6() const { return ipv6_; }

private:
    struct Service;
    struct Pending;

    static void onRequest(struct evhttp_request* req, void* arg);
    static void onPendingTimer(int fd, short what, void* arg);
    static void onConnectionClosed(struct evhttp_connection* connection, void* arg);
    static void answer(Pending* pending);
    void record(const Service& service, struct evhttp_request* req, const QByteArray& body);
    int bindService(Service& service, int port, QString& error);

    Options options_;
    Scenario scenario_;
    struct event_base* base_ = nullptr;
    SSL_CTX* sslContext_ = nullptr;
    std::vector<Service*> services_;
    std::FILE* recordFile_ = nullptr;
    int httpsPort_ = 0;
    int sandboxPort_ = 0;
    bool ipv6_ = false;
};
