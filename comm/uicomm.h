#pragma once

#include "comm/clientreq.h"

#include <QObject>
#include <QString>

class UnixClient;

// The one way pages and dialogs reach the sibling services. Every call returns at once: the
// exchange runs on a fresh worker thread and its outcome comes back as one sendCommMsg (none for
// the requests that expect no reply). Lives in the GUI thread; created on first use.
class UiComm : public QObject
{
    Q_OBJECT
public:
    static UiComm* instance();

    void apiCorvisclientCommon(ClientReq req, const QString& param, bool withSubStatus = false);
    void apiCorvistrayCommon(ClientReq req, const QString& param);
    void apiCorvisdaemonCommon(ClientReq req, const QString& param);
    void apiCorvisUpdateSrvCommon(ClientReq req, const QString& param);
    void apiCorviswebCommon(ClientReq req, const QString& param, bool flag = false);

signals:
    // failed is false only for an exchange that succeeded; extra is the client service's
    // sub-status in decimal when asked for, else empty; resMsg is "__CONNECT_ERROR__" when the
    // service socket does not exist.
    void sendCommMsg(ClientReq req, QString resMsg, QString extra, bool failed);
    void sendReplyMsg(ClientReq req, int code, QString resMsg, QString extra, bool failed);

private:
    using Dispose = void (UnixClient::*)(ClientReq, const QString&);
    enum class ResultLog { Plain, WithSubStatus };

    UiComm();
    void start(ClientReq req, const QString& path, Dispose dispose, const QString& param, ResultLog log);
};
