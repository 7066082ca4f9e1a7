#include "comm/clientreq.h"

#include "corviscommon/productpath.h"

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

QString peerSocketPath(ReqPeer peer)
{
    switch (peer) {
    case ReqPeer::Corvisclient:
        return corvis::productPathQ(QStringLiteral("/tmp/.corvisclient.un"));
    case ReqPeer::Corvistray:
        return corvis::productPathQ(QStringLiteral("/tmp/.corvistray.un"));
    case ReqPeer::Corvisupdatesrv:
        return corvis::productPathQ(QStringLiteral("/tmp/.corvisupdatesrv.un"));
    case ReqPeer::Corvisweb:
        return corvis::productPathQ(QStringLiteral("/tmp/.corvisweb.un"));
    case ReqPeer::Corvisdaemon:
    case ReqPeer::None:
        break;
    }
    return QString();
}

QString peerName(ReqPeer peer)
{
    switch (peer) {
    case ReqPeer::Corvisclient:
        return QStringLiteral("corvisclient");
    case ReqPeer::Corvistray:
        return QStringLiteral("corvistray");
    case ReqPeer::Corvisupdatesrv:
        return QStringLiteral("corvisupdatesrv");
    case ReqPeer::Corvisweb:
        return QStringLiteral("corvisweb");
    case ReqPeer::Corvisdaemon:
        return QStringLiteral("corvisdaemon");
    case ReqPeer::None:
        break;
    }
    return QString();
}
