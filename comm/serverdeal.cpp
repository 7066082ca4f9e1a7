#include "comm/serverdeal.h"

#include "corviscommon/edition.h"
#include "corviscommon/logbatch.h"
#include "corviscommon/logging.h"
#include "corviscommon/logthrottle.h"

#include <QThread>

#include <arpa/inet.h>
#include <cstring>
#include <vector>

ServerDeal::ServerDeal(QObject* parent) : QObject(parent) {}

void ServerDeal::setMaxPending(int messages)
{
    maxPending_.store(messages > 0 ? messages : kMaxPending);
}

bool ServerDeal::admit(uint16_t cmd, const QString& text, qint64* bytes)
{
    *bytes = 0;
    // Delivered on the GUI thread itself: nothing waits in between.
    if (QThread::currentThread() == thread()) {
        return true;
    }
    const qint64 size = qint64(text.size()) * 2 + 64;
    if (pending_.load() >= maxPending_.load() || pendingBytes_.load() + size > kMaxPendingBytes) {
        const quint64 total = ++dropped_;
        uint64_t leftOut = 0;
        if (droppedLog_.allow(&leftOut)) {
            LOG(WARNING) << QStringLiteral("ServerDeal: %1 pushed messages wait for the GUI thread, dropped %2 (%3 dropped in all)")
                                .arg(pending_.load())
                                .arg(hexCode(cmd))
                                .arg(total)
                         << corvis::LogThrottle::suffix(leftOut);
        }
        return false;
    }
    ++pending_;
    pendingBytes_ += size;
    *bytes = size;
    return true;
}

void ServerDeal::deliver(uint16_t cmd, const QString& text, Message message)
{
    qint64 bytes = 0;
    if (!admit(cmd, text, &bytes)) {
        return;
    }
    if (bytes == 0) {
        emitMessage(message);
        return;
    }
    message.bytes = bytes;
    bool post = false;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        queue_.push_back(std::move(message));
        // One call hands over everything that arrives until it runs.
        post = !drainPosted_;
        drainPosted_ = true;
    }
    if (post) {
        QMetaObject::invokeMethod(this, &ServerDeal::drain, Qt::QueuedConnection);
    }
}

void ServerDeal::drain()
{
    // Only what waits now: what arrives meanwhile has its own call, so that a steady stream of
    // pushes never keeps the event loop from everything else.
    size_t left = 0;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        drainPosted_ = false;
        left = queue_.size();
    }
    for (; left > 0; --left) {
        Message message;
        bool post = false;
        {
            std::lock_guard<std::mutex> lock(queueMutex_);
            if (queue_.empty()) {
                return;
            }
            message = std::move(queue_.front());
            queue_.pop_front();
            // A receiver may run an event loop of its own (a dialog): the rest then goes on from
            // there, in order, as it would message by message.
            if (!queue_.empty() && !drainPosted_) {
                drainPosted_ = true;
                post = true;
            }
        }
        if (post) {
            QMetaObject::invokeMethod(this, &ServerDeal::drain, Qt::QueuedConnection);
        }
        emitMessage(message);
        --pending_;
        pendingBytes_ -= message.bytes;
    }
}

void ServerDeal::emitMessage(const Message& message)
{
    switch (message.kind) {
    case Message::Server:
        emit sendServerMsg(message.req, message.text, message.arg);
        break;
    case Message::WindowStatus:
        _changeWindowStatus(message.req);
        break;
    case Message::OpenWindow:
        _openWindow(message.req);
        break;
    case Message::SandboxReady:
        emit sendSandboxReady(message.text);
        break;
    }
}

int ServerDeal::Process(us_post_t* post)
{
    if (post == nullptr) {
        LOG(ERROR) << "ServerDeal::Process up is null";
        PostDeal::CloseConnection();
        return -1;
    }
    if (post->msg == nullptr || post->len < 8) {
        LOG(ERROR) << "ServerDeal::Process message without a whole header (" << post->len << " bytes), dropped";
        PostDeal::CloseConnection();
        return -1;
    }
    uint32_t bodyLength;
    std::memcpy(&bodyLength, post->msg + 4, sizeof(bodyLength));
    bodyLength = ntohl(bodyLength);
    const uint64_t total = uint64_t{bodyLength} + 8;
    // Never copy past the working buffer nor past what was received.
    if (total > kWorkingSize) {
        LOG(ERROR) << "ServerDeal::Process message of " << total << " bytes exceeds " << kWorkingSize << ", dropped";
        PostDeal::CloseConnection();
        return -1;
    }
    if (total > static_cast<uint64_t>(post->len)) {
        LOG(ERROR) << "ServerDeal::Process message announces " << total << " bytes, " << post->len
                   << " received, dropped";
        PostDeal::CloseConnection();
        return -1;
    }
    // One byte more than the message for the text's terminator.
    std::vector<char> working(static_cast<size_t>(total) + 1);
    std::memcpy(working.data(), post->msg, static_cast<size_t>(total));
    _parseProtocol(working.data() + 8, static_cast<int>(bodyLength));
    PostDeal::CloseConnection();
    return 0;
}

void ServerDeal::_parseProtocol(char* body, int length)
{
    if (body == nullptr || length < 2) {
        LOG(ERROR) << "FUNC(_parseProtocol) body of " << length << " bytes has no command, dropped";
        return;
    }
    body[length] = '\0';
    uint16_t cmd;
    std::memcpy(&cmd, body, sizeof(cmd));
    uint16_t arg = 0;
    QString text;
    if (length >= 4) {
        std::memcpy(&arg, body + 2, sizeof(arg));
        text = QString::fromUtf8(body + 4, static_cast<int>(::strnlen(body + 4, static_cast<size_t>(length - 4))));
    }
    {
        // Straight to the file when the log manager allows it: the same line, fewer calls.
        corvis::LogBatch line;
        LOG_BATCHED(line) << "FUNC(_parseProtocol) current cmd: " << hexCode(cmd);
    }

    // Every message goes through the bound on the way to the GUI thread.
    const auto status = [&](ServerReq req) { deliver(cmd, text, {Message::WindowStatus, req, QString(), 0, 0}); };
    const auto server = [&](ServerReq req, int withArg) { deliver(cmd, text, {Message::Server, req, text, withArg, 0}); };
    switch (cmd) {
    case InUpline:
        status(SReqUpline);
        return;
    case InDownline:
        status(SReqDownline);
        return;
    case InShowWindow:
        status(SReqShowWindow);
        return;
    case InCloseWindow:
        status(SReqCloseWindow);
        return;
    case InOpenWindow:
        deliver(cmd, text, {Message::OpenWindow, SReqOpenWindow, QString(), 0, 0});
        return;
    case InSandboxReadyVesk: {
        if (corvis::Edition::current().isVesk()) {
            deliver(cmd, text, {Message::SandboxReady, ServerReq(), text, 0, 0});
        }
        return;
    }
    case InSandboxReady:
        deliver(cmd, text, {Message::SandboxReady, ServerReq(), text, 0, 0});
        return;
    // These carry no argument.
    case InSandboxUpdate:
        server(SReqSandboxUpdate, 0);
        return;
    case InOpenAppApprove:
        server(SReqOpenAppApprove, 0);
        return;
    case InOpenPortal:
        server(SReqOpenPortal, 0);
        return;
    case InOpenSandboxApprove:
        server(SReqOpenSandboxApprove, 0);
        return;
    default:
        break;
    }

    static const struct {
        uint16_t code;
        ServerReq req;
    } withArgument[] = {
        {InRedoSpa, SReqRedoSpa},
        {InTraySpaLoginResult, SReqTraySpaLoginResult},
        {InSpaDisconnect, SReqSpaDisconnect},
        {InShowInform, SReqShowInform},
        {InNewMessage, SReqNewMessage},
        {InMessageRead, SReqMessageRead},
        {InMessageRefresh, SReqMessageRefresh},
        {InAccessLoginResult, SReqAccessLoginResult},
        {InDynamicAuth, SReqDynamicAuth},
        {InUpdateResult80, SReqUpdateResult80},
        {InUpdateResult81, SReqUpdateResult81},
        {InDiskSpaceLack, SReqDiskSpaceLack},
    };
    for (const auto& entry : withArgument) {
        if (entry.code == cmd) {
            server(entry.req, arg);
            return;
        }
    }
    uint64_t leftOut = 0;
    if (unknownLog_.allow(&leftOut)) {
        LOG(WARNING) << "FUNC(_parseProtocol) exception server request code: " << hexCode(cmd)
                     << corvis::LogThrottle::suffix(leftOut);
    }
}

void ServerDeal::_changeWindowStatus(ServerReq req)
{
    emit sendWindowStatusChanged(req);
}

void ServerDeal::_openWindow(ServerReq req)
{
    emit sendOpenWindow(req);
}
