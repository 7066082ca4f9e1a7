#include "comm/unixserver.h"

#include "comm/clientreq.h"
#include "comm/serverdeal.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpath.h"
#include "platform/corvismsg/us_server.h"

#include <chrono>

UnixServer::UnixServer(QString path, QObject* parent)
    : QThread(parent), path_(path), localPath_(path.toLocal8Bit()), deal_(new ServerDeal(this))
{
    // The signals cross to the GUI thread queued.
    qRegisterMetaType<ServerReq>("ServerReq");
    qRegisterMetaType<ClientReq>("ClientReq");
    corvis::makeParentDirs(localPath_.toStdString());
    tryListen();
}

UnixServer::~UnixServer()
{
    stop();
    wait();
}

void UnixServer::stop()
{
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    if (server_) {
        server_->Stop();
    }
    wake_.notify_all();
}

bool UnixServer::isListening() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return server_ && server_->IsListening();
}

void UnixServer::setRetryIntervalMs(int ms)
{
    retryMs_.store(ms > 0 ? ms : 1);
    wake_.notify_all();
}

bool UnixServer::tryListen()
{
    US_ServerOptions options;
    // Why it failed is logged here, once per reason, not at every retry.
    options.logListenErrors = false;
    auto server = std::make_unique<US_Server>(deal_, localPath_.constData(), options);
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) {
        return false;
    }
    server_ = std::move(server);
    if (server_->IsListening()) {
        if (failing_) {
            LOG(INFO) << "UnixServer: listening on " << path_ << " again";
            QMetaObject::invokeMethod(this, [this]() { emit listeningAgain(); }, Qt::QueuedConnection);
        }
        failing_ = false;
        lastFailure_.clear();
        return true;
    }
    const std::string reason = server_->ListenError();
    const long owner = server_->ListenOwnerUid();
    if (reason != lastFailure_) {
        LOG(ERROR) << "UnixServer: cannot listen on " << path_ << ": " << reason
                   << (owner >= 0 ? ", the path belongs to uid " + std::to_string(owner) : std::string())
                   << "; trying again every " << retryMs_.load() << " ms";
        lastFailure_ = reason;
    }
    if (!failing_) {
        failing_ = true;
        // Posted to the GUI thread, so that receivers connected after start() hear it too.
        const QString text = QString::fromStdString(reason);
        QMetaObject::invokeMethod(
            this, [this, text, owner]() { emit listenFailed(text, owner); }, Qt::QueuedConnection);
    }
    return false;
}

void UnixServer::run()
{
    serve();
    // Stopped: nothing may connect any more, also when the stop came before the serving did.
    std::lock_guard<std::mutex> lock(mutex_);
    server_.reset();
}

void UnixServer::serve()
{
    for (;;) {
        US_Server* server = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) {
                return;
            }
            if (server_ && server_->IsListening()) {
                server = server_.get();
            }
        }
        if (server != nullptr) {
            server->Run();
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) {
                return;
            }
            // The loop failed under us: give the socket up and make it again.
            server_.reset();
        } else {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(retryMs_.load()), [this]() { return stopping_; });
            if (stopping_) {
                return;
            }
        }
        tryListen();
    }
}
