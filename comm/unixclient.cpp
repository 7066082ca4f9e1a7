#include "comm/unixclient.h"

#include "comm/cs_ret_status.h"
#include "comm/replybuffer.h"
#include "comm/reqbuffer.h"
#include "corviscommon/logging.h"
#include "platform/corvismsg/corvismsg.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const char* const kCommFailed = "后台通信失败";
const char* const kEmptyReply = "接受后台信息失败";

}  // namespace

UnixClient::UnixClient(const QString& path, QObject* parent) : QObject(parent), path_(path) {}

bool UnixClient::_serverIsNormal()
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        LOG(WARNING) << "test create unix socket failed:" << std::strerror(errno);
        return false;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray path = path_.toLocal8Bit();
    bool connected = false;
    if (static_cast<size_t>(path.size()) >= sizeof(addr.sun_path)) {
        LOG(WARNING) << "test connect to unix socket failed:" << std::strerror(ENAMETOOLONG);
    } else {
        std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0) {
            connected = true;
        } else {
            LOG(WARNING) << "test connect to unix socket failed:" << std::strerror(errno);
        }
    }
    ::close(fd);
    return connected;
}

UnixClient::Outcome UnixClient::interpretReply(int req, int status, const QString& text, const corvis::Edition& edition)
{
    if (status == CS_RET_SUCCESS) {
        return {CodeDone, text, 0};
    }
    if (edition.is(corvis::Edition::Id::TirrowaUosX86) && status == CS_RET_TIRROWA_20 &&
        (req == CReqClientLogin74 || req == CReqClientLogin76)) {
        return {CodeDone, text, CS_RET_TIRROWA_20};
    }
    if (!isLoginTypeReq(req)) {
        return {CodeRefused, text, 0};
    }
    const bool authCode = req == CReqClientLoginAuthCode83 || req == CReqClientLoginAuthCode84;
    switch (status) {
    case CS_RET_LOGIN_3:
    case CS_RET_LOGIN_14:
    case CS_RET_LOGIN_15:
    case CS_RET_LOGIN_16:
    case CS_RET_LOGIN_17:
    case CS_RET_LOGIN_18:
        return {CodeDone, QString::number(status), 0};
    case CS_RET_LOGIN_7:
        if (req == CReqClientLogin76 || authCode) {
            return {CodeDone, text, status};
        }
        break;
    case CS_RET_LOGIN_25:
        if (authCode) {
            return {CodeDone, text, status};
        }
        break;
    case CS_RET_LOGIN_19:
        if (req == CReqClientLogin80) {
            return {CodeDone, text, status};
        }
        break;
    case CS_RET_LOGIN_21:
    case CS_RET_LOGIN_22:
        if (req == CReqClientLogin76) {
            return {CodeDone, text, status};
        }
        break;
    case CS_RET_LOGIN_26:
        return {CodeDone, text, status};
    case CS_RET_ROMOTE_LOGIN_WARN:
        LOG(INFO) << "emit CS_RET_ROMOTE_LOGIN_WARN, ret: " << status;
        return {CodeDone, text, status};
    default:
        break;
    }
    return {CodeLoginRefused, text, 0};
}

void UnixClient::disposeCorvisclientCommon(ClientReq req, const QString& param)
{
    const QByteArray path = path_.toLocal8Bit();
    US_Client client;
    if (client.InitConn(0, 1, path.constData()) != 1) {
        LOG(WARNING) << "disposeCorvisclientCommon socket not exist";
        emit finished(CodeNoSocket, QString(), 0);
        return;
    }

    const ClientReqInfo info = clientReqInfo(req);
    if (req == CReqClientVeskCheckCertificate) {
        LOG(INFO) << "CReqClientVeskCheckCertificate";
    }
    Outcome outcome{CodeDone, QString(), 0};
    bool hasResult = true;
    if (info.peer != ReqPeer::Corvisclient) {
        // Not sent; a failure still ends the caller's wait.
        LOG(ERROR) << "exception request code: " << static_cast<int>(req);
        outcome = {CodeCommFailed, QString::fromUtf8(kCommFailed), 0};
    } else {
        ReqBuffer request(info.wireType, param.toLocal8Bit());
        if (client.SendMessage(request.data(), request.size()) != 0) {
            LOG(ERROR) << "send msg error!";
            outcome = {CodeCommFailed, QString::fromUtf8(kCommFailed), 0};
        } else {
            LOG_BATCHED(lines_) << "FUNC(disposeCorvisclientCommon) SendMessage succ! reqType: " << hexCode(req);
            // Written before the wait, which may be long.
            lines_.flush();
            if (!info.reply) {
                hasResult = false;
            } else {
                ReplyBuffer reply{ReplyBuffer::Unset()};
                const int received = client.RecvMessage(reply.data(), reply.size());
                if (received < 1) {
                    outcome = {CodeCommFailed, QString::fromUtf8(kCommFailed), 0};
                } else {
                    LOG_BATCHED(lines_) << "recv succ! recvLen:" << received;
                    if (reply.type() == 0) {
                        lines_.flush();
                        LOG(ERROR) << "recvMsg is empty!";
                        outcome = {CodeEmptyReply, QString::fromUtf8(kEmptyReply), 0};
                    } else if (reply.status() == CS_RET_SUCCESS) {
                        // Accepted in every edition: the edition is not looked up.
                        outcome = {CodeDone, QString::fromLocal8Bit(reply.text()), 0};
                    } else {
                        lines_.flush();
                        outcome = interpretReply(req, reply.status(), QString::fromLocal8Bit(reply.text()),
                                                 corvis::Edition::current());
                    }
                }
            }
        }
    }
    client.CloseConn();
    LOG_BATCHED(lines_) << "FUNC(disposeCorvisclientCommon) exit.";
    if (hasResult) {
        emit finished(outcome.code, outcome.resMsg, outcome.subStatus);
    }
    lines_.flush();
}

void UnixClient::sendOnly(ClientReq req, const QString& param, ReqPeer peer, const char* function,
                          const char* peerLabel)
{
    const QByteArray path = path_.toLocal8Bit();
    US_Client client;
    if (client.InitConn(0, 1, path.constData()) != 1) {
        LOG(WARNING) << function << " socket not exist";
        emit finished(CodeNoSocket, QString(), 0);
        return;
    }
    const ClientReqInfo info = clientReqInfo(req);
    if (info.peer != peer) {
        LOG(ERROR) << "exception request code: " << static_cast<int>(req);
        client.CloseConn();
        emit finished(CodeCommFailed, QString::fromUtf8(kCommFailed), 0);
        return;
    }
    ReqBuffer request(info.wireType, param.toLocal8Bit());
    const int sent = client.SendMessage(request.data(), request.size());
    client.CloseConn();
    if (sent != 0) {
        LOG(ERROR) << "send msg error!";
        emit finished(CodeCommFailed, QString::fromUtf8(kCommFailed), 0);
        return;
    }
    LOG(INFO) << "SendMessage " << peerLabel << " succ! reqType: " << hexCode(req);
    emit finished(CodeDone, QString(), 0);
}

void UnixClient::disposeCorvistrayCommon(ClientReq req, const QString& param)
{
    sendOnly(req, param, ReqPeer::Corvistray, "disposeCorvistrayCommon", "corvistray");
}

void UnixClient::disposeCorvisUpdateSrvCommon(ClientReq req, const QString& param)
{
    sendOnly(req, param, ReqPeer::Corvisupdatesrv, "disposeCorvisUpdateSrvCommon", "corvisupdatesrv");
}

void UnixClient::disposeCorviswebCommon(ClientReq req, const QString& param)
{
    sendOnly(req, param, ReqPeer::Corvisweb, "disposeCorviswebCommon", "corvisweb");
}

void UnixClient::disposeCorvisdaemonCommon(ClientReq req, const QString& param)
{
    TCP_Client client;
    TCP_Client::Option option;
    option.type = 1;
    const QByteArray path = path_.toLocal8Bit();
    std::strncpy(option.path, path.constData(), sizeof(option.path) - 1);
    // A path that does not fit the record is not cut to another socket's name.
    const bool fits = static_cast<size_t>(path.size()) < sizeof(option.path);
    if (!fits || client.Init(option) <= 0) {
        LOG(ERROR) << "InitDaemonClient:" << path << " failed";
        LOG(WARNING) << "disposeCorvisdaemonCommon socket not exist";
        client.Destroy();
        emit finished(CodeNoSocket, QString(), 0);
        return;
    }
    Outcome outcome{CodeCommFailed, QString::fromUtf8(kCommFailed), 0};
    if (req == CReqDaemonSandbox) {
        const QByteArray data = param.toLocal8Bit();
        if (client.SendMessage(5, 0x1012, data.constData(), data.size()) == 0) {
            LOG(INFO) << "FUNC(disposeCorvisdaemonCommon) SendMessage succ! reqType: " << hexCode(req);
            outcome = {CodeDone, QString(), 0};
        }
    } else {
        LOG(ERROR) << "got a wrong reqType:" << static_cast<int>(req);
    }
    client.Destroy();
    emit finished(outcome.code, outcome.resMsg, outcome.subStatus);
}

QString UnixClient::daemonSocketPath()
{
    return peerSocketPath(ReqPeer::Corvisdaemon);
}
