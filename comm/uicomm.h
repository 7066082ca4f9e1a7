#pragma once

#include "comm/clientreq.h"

#include <QObject>
#include <QString>

class RequestPool;
class UnixClient;

// The one way pages and dialogs reach the sibling services. Every call returns at once: the
// exchange runs on a worker thread of a bounded pool (kMaxThreads at once, the others wait in
// order), with one connection and one UnixClient of its own, and its outcome comes back as one
// sendCommMsg (none for the requests that expect no reply). A request that cannot be started
// (the system refuses every thread) ends at once as failed with "后台通信失败". Lives in the GUI
// thread; created on first use.
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

    static constexpr int kMaxThreads = 32;
    // The pool that runs the exchanges (tests look at its threads and limits).
    RequestPool& pool();

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
    ~UiComm() override;
    void start(ClientReq req, const QString& path, Dispose dispose, const QString& param, ResultLog log);

    RequestPool* pool_;
};
