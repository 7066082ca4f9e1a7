#pragma once

#include "comm/clientreq.h"
#include "corviscommon/edition.h"
#include "corviscommon/logbatch.h"

#include <QObject>
#include <QString>

// One exchange with one sibling service, run on a worker thread of its own (see UiComm). One
// object per request; it ends with at most one finished() and is destroyed with its thread.
class UnixClient : public QObject
{
    Q_OBJECT
public:
    // Result codes of finished().
    enum Code {
        CodeDone = 0,          // exchange done (for the client service: reply accepted)
        CodeNoSocket = 1,      // the service socket does not exist
        CodeEmptyReply = 3,    // the client service sent an empty reply
        CodeCommFailed = 4,    // sending or receiving failed
        CodeLoginRefused = 5,  // the client service refused a login-type request
        CodeRefused = 6,       // the client service refused any other request
    };

    explicit UnixClient(const QString& path, QObject* parent = nullptr);

    QString path() const { return path_; }

    // The INFO lines of the exchange's straight path, held and written together where no wait
    // comes between them (before the wait for the reply, before any other line, and at the end).
    // A receiver of finished() may add its own line and write them before it passes the result on.
    corvis::LogBatch& logLines() { return lines_; }

    // Whether something accepts connections on the worker's path (the probe is closed again).
    bool _serverIsNormal();

    // How a reply status of the client service becomes a result (the table of the request
    // worker) in an edition.
    struct Outcome {
        int code;
        QString resMsg;
        int subStatus;
    };
    static Outcome interpretReply(int req, int status, const QString& text, const corvis::Edition& edition);

    // The daemon's socket for the configured sandbox type.
    static QString daemonSocketPath();

public slots:
    void disposeCorvisclientCommon(ClientReq req, const QString& param);
    void disposeCorvistrayCommon(ClientReq req, const QString& param);
    void disposeCorvisdaemonCommon(ClientReq req, const QString& param);
    void disposeCorvisUpdateSrvCommon(ClientReq req, const QString& param);
    void disposeCorviswebCommon(ClientReq req, const QString& param);

signals:
    void finished(int code, QString resMsg, int subStatus);

private:
    // The tray, update and web exchange: send only.
    void sendOnly(ClientReq req, const QString& param, ReqPeer peer, const char* function, const char* peerLabel);

    QString path_;
    corvis::LogBatch lines_;
};
