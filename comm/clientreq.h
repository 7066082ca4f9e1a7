#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include <cstdint>

// Requests the workbench sends to its sibling services. Values are fixed: callers, logs and the
// services' documentation refer to them by number.
enum ClientReq {
    // corvistray
    CReqTray33 = 33,
    CReqTrayEnvRemind34 = 34,
    CReqTray35 = 35,
    CReqTray36 = 36,
    CReqTraySpaLogin = 37,
    CReqTray38 = 38,
    CReqTray41 = 41,
    CReqTrayAppApply = 48,
    CReqTray49 = 49,
    // corvisupdatesrv
    CReqUpdate39 = 39,
    CReqUpdate40 = 40,
    // corvisclient
    CReqClientUserBind = 64,
    CReqClientLogin65 = 65,
    CReqClientLogin66 = 66,
    CReqClientResetAuthCode = 67,
    CReqClientResetPwd = 68,
    CReqClientLogin69 = 69,
    CReqClientLogin70 = 70,
    CReqClientQrcodeSign = 71,
    CReqClientQrcode72 = 72,
    CReqClientQrcode73 = 73,
    CReqClientLogin74 = 74,
    CReqClientQuerySystemTitle = 75,
    CReqClientLogin76 = 76,
    CReqClientLoginPage77 = 77,
    CReqClientLoginResult78 = 78,
    CReqClientAuthCode79 = 79,
    CReqClientLogin80 = 80,
    CReqClientModifyPwd = 81,
    CReqClientLogin82 = 82,
    CReqClientLoginAuthCode83 = 83,
    CReqClientLoginAuthCode84 = 84,
    CReqClientLogin85 = 85,
    CReqClientLogin86 = 86,
    CReqClientVeskUnbindDev = 87,
    CReqClientMsgRead = 88,
    CReqClient89 = 89,
    CReqClientGetCarousel = 90,
    CReqClient96 = 96,
    CReqClientOperationEnv = 98,
    CReqClientResource99 = 99,
    CReqClientResource100 = 100,
    CReqClientPortalRefresh101 = 101,
    CReqClientPortalRefresh102 = 102,
    CReqClientCollect = 103,
    CReqClientGetLoginAudit = 104,
    CReqClient105 = 105,
    CReqClientInformRead106 = 106,
    CReqClientUnbindAuthCode = 107,
    CReqClientUnbind = 108,
    CReqClientAgainAuthPwd = 109,
    CReqClientAgainAuthSmsCode = 110,
    CReqClientAgainAuthSms = 111,
    CReqClientBindAuthCode = 112,
    CReqClientBind = 113,
    CReqClient114 = 114,
    CReqClientResource115 = 115,
    CReqClientPortalRefresh116 = 116,
    CReqClientApplyCommit = 117,
    CReqClientAppforCombobox = 118,
    CReqClientOauthResetAuthCode = 128,
    CReqClientOauthResetCommit = 129,
    CReqClientImproveUserInfo = 130,
    // corvisdaemon
    CReqDaemonSandbox = 160,
    CReqClientLogout = 257,
    // corvisweb
    CReqWebShow = 4097,
    CReqWeb4098 = 4098,
    CReqWebClose = 4099,
    CReqWeb4100 = 4100,
    CReqClientVeskCheckCertificate = 4101,
};
Q_DECLARE_METATYPE(ClientReq)

// The sibling service a request goes to.
enum class ReqPeer { None, Corvisclient, Corvistray, Corvisupdatesrv, Corvisweb, Corvisdaemon };

// What the catalogue knows of one request.
struct ClientReqInfo {
    ReqPeer peer = ReqPeer::None;
    uint16_t wireType = 0;  // 0: the value has no wire type (the daemon's requests have none)
    bool reply = false;     // the worker waits for the client service's reply
    bool quiet = false;     // the parameter carries credentials or codes: never logged
};

// The catalogue entry of `req`; peer None for a value that is not a request.
ClientReqInfo clientReqInfo(int req);

// Login-type requests: the client service's refusals of these are told apart by status.
bool isLoginTypeReq(int req);

// How a service speaks on its socket.
enum class SocketFraming {
    Request,  // US_Client: one request buffer per connection, a reply buffer from corvisclient
    Stream,   // TCP_Client: frames of module, command, length and data on one connection
    Frame,    // our own framing: version, protocol, length, body
};

// One socket of a sibling service.
struct ServiceSocket {
    QString peer;  // as the services and the request record call it ("corvisclient", ...)
    QString path;  // re-rooted under the prefix
    SocketFraming framing;
    bool answers;  // the service answers each request
};

// The one table of the sibling services' sockets: the four request peers, the privileged daemon
// at both of its places and on its command socket, and the user station.
QList<ServiceSocket> serviceSockets();

// The socket a peer listens on (re-rooted under the prefix); the daemon's by the sandbox type.
QString peerSocketPath(ReqPeer peer);
// The peer's name as the services and the request record call it ("corvisclient", ...).
QString peerName(ReqPeer peer);

// A request parameter as it may be logged: the fields of the line-joined login and account
// bodies that carry passwords, codes or tokens masked (every field but the first of a quiet
// request of no known layout), then corvis::logSafe.
QString requestBodyForLog(int req, const QString& body);
