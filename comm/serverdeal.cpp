#include "comm/serverdeal.h"

#include "corviscommon/edition.h"
#include "corviscommon/logging.h"
#include "corviscommon/logthrottle.h"

#include <QThread>

#include <arpa/inet.h>
#include <cstring>
#include <vector>

ServerDeal::ServerDeal(QObject* parent) : QObject(parent)
{
    connect(this, &ServerDeal::delivered, this, &ServerDeal::onDelivered, Qt::QueuedConnection);
}

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

void ServerDeal::sent(qint64 bytes)
{
    if (bytes > 0) {
        emit delivered(bytes, QPrivateSignal());
    }
}

void ServerDeal::onDelivered(qint64 bytes)
{
    --pending_;
    pendingBytes_ -= bytes;
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
    // One byte more than a message for the text's terminator.
    std::vector<char> working(kWorkingSize + 1, '\0');
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
    LOG(INFO) << QStringLiteral("FUNC(_parseProtocol) current cmd: %1").arg(hexCode(cmd));

    // Every signal goes through the bound on the way to the GUI thread.
    const auto deliver = [&](auto emitIt) {
        qint64 bytes = 0;
        if (admit(cmd, text, &bytes)) {
            emitIt();
            sent(bytes);
        }
    };
    switch (cmd) {
    case InUpline:
        deliver([&] { _changeWindowStatus(SReqUpline); });
        return;
    case InDownline:
        deliver([&] { _changeWindowStatus(SReqDownline); });
        return;
    case InShowWindow:
        deliver([&] { _changeWindowStatus(SReqShowWindow); });
        return;
    case InCloseWindow:
        deliver([&] { _changeWindowStatus(SReqCloseWindow); });
        return;
    case InOpenWindow:
        deliver([&] { _openWindow(SReqOpenWindow); });
        return;
    case InSandboxReadyVesk: {
        if (corvis::Edition::current().isVesk()) {
            deliver([&] { emit sendSandboxReady(text); });
        }
        return;
    }
    case InSandboxReady:
        deliver([&] { emit sendSandboxReady(text); });
        return;
    // These carry no argument.
    case InSandboxUpdate:
        deliver([&] { emit sendServerMsg(SReqSandboxUpdate, text, 0); });
        return;
    case InOpenAppApprove:
        deliver([&] { emit sendServerMsg(SReqOpenAppApprove, text, 0); });
        return;
    case InOpenPortal:
        deliver([&] { emit sendServerMsg(SReqOpenPortal, text, 0); });
        return;
    case InOpenSandboxApprove:
        deliver([&] { emit sendServerMsg(SReqOpenSandboxApprove, text, 0); });
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
            deliver([&] { emit sendServerMsg(entry.req, text, arg); });
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
