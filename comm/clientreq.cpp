#include "comm/clientreq.h"

#include "corviscommon/productpaths.h"
#include "corviscommon/secretmask.h"
#include "corviscommon/utility.h"

#include <unordered_map>

namespace {

struct Entry {
    ReqPeer peer;
    uint16_t wireType;
    bool reply;
    bool quiet;
};

const std::unordered_map<int, Entry>& catalogue()
{
    using P = ReqPeer;
    static const std::unordered_map<int, Entry> table = {
        {CReqClientUserBind, {P::Corvisclient, 0x0106, true, false}},
        {CReqClientLogin65, {P::Corvisclient, 0x0101, true, true}},
        {CReqClientLogin66, {P::Corvisclient, 0x0102, true, true}},
        {CReqClientResetAuthCode, {P::Corvisclient, 0x0103, true, true}},
        {CReqClientResetPwd, {P::Corvisclient, 0x0104, true, true}},
        {CReqClientLogin69, {P::Corvisclient, 0x010A, true, true}},
        {CReqClientLogin70, {P::Corvisclient, 0x010B, true, true}},
        {CReqClientQrcodeSign, {P::Corvisclient, 0x010C, true, false}},
        {CReqClientQrcode72, {P::Corvisclient, 0x010D, true, false}},
        {CReqClientQrcode73, {P::Corvisclient, 0x010E, true, false}},
        {CReqClientLogin74, {P::Corvisclient, 0x010F, true, true}},
        {CReqClientQuerySystemTitle, {P::Corvisclient, 0x0112, true, false}},
        {CReqClientLogin76, {P::Corvisclient, 0x0113, true, true}},
        {CReqClientLoginPage77, {P::Corvisclient, 0x0117, true, false}},
        {CReqClientLoginResult78, {P::Corvisclient, 0x0118, true, false}},
        {CReqClientAuthCode79, {P::Corvisclient, 0x0119, true, false}},
        {CReqClientLogin80, {P::Corvisclient, 0x011A, true, true}},
        {CReqClientModifyPwd, {P::Corvisclient, 0x011C, true, true}},
        {CReqClientLogin82, {P::Corvisclient, 0x0127, true, false}},
        {CReqClientLoginAuthCode83, {P::Corvisclient, 0x0129, true, true}},
        {CReqClientLoginAuthCode84, {P::Corvisclient, 0x0129, true, true}},
        {CReqClientLogin85, {P::Corvisclient, 0x0130, true, true}},
        {CReqClientLogin86, {P::Corvisclient, 0x0130, true, true}},
        {CReqClientVeskUnbindDev, {P::Corvisclient, 0x0131, true, true}},
        {CReqClientMsgRead, {P::Corvisclient, 0x0141, false, false}},
        {CReqClient89, {P::Corvisclient, 0x0142, false, false}},
        {CReqClientGetCarousel, {P::Corvisclient, 0x0144, true, false}},
        {CReqClient96, {P::Corvisclient, 0x0107, false, false}},
        {CReqClientOperationEnv, {P::Corvisclient, 0x0109, true, false}},
        {CReqClientResource99, {P::Corvisclient, 0x0110, true, false}},
        {CReqClientResource100, {P::Corvisclient, 0x0111, true, false}},
        {CReqClientPortalRefresh101, {P::Corvisclient, 0x0114, true, false}},
        {CReqClientPortalRefresh102, {P::Corvisclient, 0x0115, true, false}},
        {CReqClientCollect, {P::Corvisclient, 0x0116, true, false}},
        {CReqClientGetLoginAudit, {P::Corvisclient, 0x011B, true, false}},
        {CReqClient105, {P::Corvisclient, 0x011D, true, false}},
        {CReqClientInformRead106, {P::Corvisclient, 0x011E, true, false}},
        {CReqClientUnbindAuthCode, {P::Corvisclient, 0x011F, true, true}},
        {CReqClientUnbind, {P::Corvisclient, 0x0120, true, true}},
        {CReqClientAgainAuthPwd, {P::Corvisclient, 0x0121, true, true}},
        {CReqClientAgainAuthSmsCode, {P::Corvisclient, 0x0122, true, true}},
        {CReqClientAgainAuthSms, {P::Corvisclient, 0x0123, true, true}},
        {CReqClientBindAuthCode, {P::Corvisclient, 0x0124, true, true}},
        {CReqClientBind, {P::Corvisclient, 0x0125, true, true}},
        {CReqClient114, {P::Corvisclient, 0x0126, true, false}},
        {CReqClientResource115, {P::Corvisclient, 0x0128, true, true}},
        {CReqClientPortalRefresh116, {P::Corvisclient, 0x0136, true, true}},
        {CReqClientApplyCommit, {P::Corvisclient, 0x0138, true, true}},
        {CReqClientAppforCombobox, {P::Corvisclient, 0x0137, true, false}},
        {CReqClientOauthResetAuthCode, {P::Corvisclient, 0x0133, true, true}},
        {CReqClientOauthResetCommit, {P::Corvisclient, 0x0134, true, true}},
        {CReqClientImproveUserInfo, {P::Corvisclient, 0x0143, true, true}},
        {CReqClientLogout, {P::Corvisclient, 0x9002, false, false}},
        {CReqClientVeskCheckCertificate, {P::Corvisclient, 0x0605, true, true}},

        {CReqTray33, {P::Corvistray, 0x2103, false, false}},
        {CReqTrayEnvRemind34, {P::Corvistray, 0x0501, false, false}},
        {CReqTray35, {P::Corvistray, 0x4003, false, false}},
        {CReqTray36, {P::Corvistray, 0x0401, false, false}},
        {CReqTraySpaLogin, {P::Corvistray, 0x0601, false, false}},
        {CReqTray38, {P::Corvistray, 0x0701, false, false}},
        {CReqTray41, {P::Corvistray, 0x4103, false, false}},
        {CReqTrayAppApply, {P::Corvistray, 0x4203, false, false}},
        {CReqTray49, {P::Corvistray, 0x4303, false, false}},

        {CReqUpdate39, {P::Corvisupdatesrv, 0x3901, false, false}},
        {CReqUpdate40, {P::Corvisupdatesrv, 0x4001, false, false}},

        {CReqWebShow, {P::Corvisweb, 0x1020, false, false}},
        {CReqWeb4098, {P::Corvisweb, 0x1120, false, false}},
        {CReqWebClose, {P::Corvisweb, 0x1220, false, false}},
        {CReqWeb4100, {P::Corvisweb, 0x1320, false, false}},

        {CReqDaemonSandbox, {P::Corvisdaemon, 0, false, false}},
    };
    return table;
}

}  // namespace

ClientReqInfo clientReqInfo(int req)
{
    const auto& table = catalogue();
    const auto it = table.find(req);
    if (it == table.end()) {
        return ClientReqInfo();
    }
    ClientReqInfo info;
    info.peer = it->second.peer;
    info.wireType = it->second.wireType;
    info.reply = it->second.reply;
    info.quiet = it->second.quiet;
    return info;
}

bool isLoginTypeReq(int req)
{
    switch (req) {
    case CReqClientLogin66:
    case CReqClientLogin76:
    case CReqClientLogin80:
    case CReqClientModifyPwd:
    case CReqClientLoginAuthCode83:
    case CReqClientLoginAuthCode84:
    case CReqClientLogin85:
    case CReqClientLogin86:
        return true;
    default:
        return false;
    }
}

namespace {

QString daemonInSandboxFolder() { return corvis::paths::daemonSocket(1); }
QString daemonUnderRun() { return corvis::paths::daemonSocket(0); }

struct SocketEntry {
    ReqPeer peer;
    const char* name;
    QString (*path)();
    SocketFraming framing;
    bool answers;
};

// Every socket of a sibling service. The privileged daemon listens at one of two places (the
// sandbox type says which) and takes commands on a third socket in the own framing.
const SocketEntry kSockets[] = {
    {ReqPeer::Corvisclient, "corvisclient", &corvis::paths::clientSocket, SocketFraming::Request, true},
    {ReqPeer::Corvistray, "corvistray", &corvis::paths::traySocket, SocketFraming::Request, false},
    {ReqPeer::Corvisupdatesrv, "corvisupdatesrv", &corvis::paths::updateSocket, SocketFraming::Request, false},
    {ReqPeer::Corvisweb, "corvisweb", &corvis::paths::webSocket, SocketFraming::Request, false},
    {ReqPeer::Corvisdaemon, "corvisdaemon", &daemonInSandboxFolder, SocketFraming::Stream, false},
    {ReqPeer::Corvisdaemon, "corvisdaemon", &daemonUnderRun, SocketFraming::Stream, false},
    {ReqPeer::None, "corvisdaemon", &corvis::paths::daemonCommandSocket, SocketFraming::Frame, false},
    {ReqPeer::None, "userstation", &corvis::paths::stationSocket, SocketFraming::Frame, false},
};

}  // namespace

QList<ServiceSocket> serviceSockets()
{
    QList<ServiceSocket> sockets;
    for (const SocketEntry& entry : kSockets) {
        sockets.append({QString::fromLatin1(entry.name), entry.path(), entry.framing, entry.answers});
    }
    return sockets;
}

QString peerSocketPath(ReqPeer peer)
{
    if (peer == ReqPeer::Corvisdaemon) {
        return corvis::paths::daemonSocket(Utility::getSandboxtype());
    }
    for (const SocketEntry& entry : kSockets) {
        if (entry.peer == peer) {
            return entry.path();
        }
    }
    return QString();
}

QString peerName(ReqPeer peer)
{
    for (const SocketEntry& entry : kSockets) {
        if (entry.peer == peer) {
            return QString::fromLatin1(entry.name);
        }
    }
    return QString();
}

QString requestBodyForLog(int req, const QString& body)
{
    // Where the fields joined by line feeds (or "&") carry passwords, codes and tokens.
    struct Fields {
        int req;
        QList<int> positions;
        char separator;
    };
    static const Fields kSecretFields[] = {
        {CReqClientResetAuthCode, {2, 3}, '\n'},      // user, id card, password twice, time
        {CReqClientResetPwd, {2, 3, 5}, '\n'},        // ... and the code
        {CReqClientLogin74, {1, 2}, '\n'},            // user, authcode, session id
        {CReqClientLogin76, {1, 3}, '\n'},            // account, password, time, code
        {CReqClientLogin80, {0}, '\n'},               // the SMS code
        {CReqClientModifyPwd, {0, 1}, '\n'},          // old and new password, first-login flag
        {CReqClientLoginAuthCode83, {1}, '\n'},       // account, password, time
        {CReqClientLoginAuthCode84, {1}, '\n'},       // phone, password, time, "phone"
        {CReqClientLogin85, {1, 3}, '\n'},            // account, password, time, code, ...
        {CReqClientLogin86, {1, 4}, '\n'},            // phone, password, time, "phone", code, ...
        {CReqClientUnbind, {0}, '\n'},                // the code
        {CReqClientAgainAuthPwd, {1}, '\n'},          // user, password
        {CReqClientAgainAuthSms, {0}, '\n'},          // the code
        {CReqClientBind, {0}, '&'},                   // code & phone
        {CReqClient114, {1}, '\n'},                   // account, token
        {CReqClientOauthResetCommit, {2, 3}, '\n'},   // user, mobile, password, code
        {CReqTraySpaLogin, {2}, '\n'},                // type, account, password
    };
    for (const Fields& fields : kSecretFields) {
        if (fields.req == req) {
            return corvis::logSafe(corvis::maskFields(body, fields.positions, QLatin1Char(fields.separator)));
        }
    }
    // A credential-carrying body of no known layout: only its first field (the account) is kept.
    if (clientReqInfo(req).quiet && body.contains(QLatin1Char('\n'))) {
        const int fields = body.count(QLatin1Char('\n')) + 1;
        QList<int> positions;
        for (int i = 1; i < fields; ++i) {
            positions.append(i);
        }
        return corvis::logSafe(corvis::maskFields(body, positions));
    }
    return corvis::logSafe(body);
}
