#include "comm/uicomm.h"

#include "comm/requestpool.h"
#include "comm/serverreq.h"
#include "comm/unixclient.h"
#include "corviscommon/logbatch.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"

UiComm* UiComm::instance()
{
    static UiComm* comm = new UiComm();
    return comm;
}

UiComm::UiComm() : QObject(nullptr), pool_(new RequestPool(kMaxThreads))
{
    // Results cross from the worker threads in queued signals.
    qRegisterMetaType<ClientReq>("ClientReq");
    qRegisterMetaType<ServerReq>("ServerReq");
}

// Never destroyed while the process runs; a test's end waits for the exchanges in flight.
UiComm::~UiComm()
{
    delete pool_;
}

RequestPool& UiComm::pool()
{
    return *pool_;
}

void UiComm::apiCorvisclientCommon(ClientReq req, const QString& param, bool withSubStatus)
{
    {
        // Written straight to the file when the log manager allows it: the same line, fewer calls.
        corvis::LogBatch line;
        if (clientReqInfo(req).quiet) {
            LOG_BATCHED(line) << "FUNC(apiCorvisclientCommon) reqType: " << hexCode(req);
        } else {
            LOG_BATCHED(line) << "FUNC(apiCorvisclientCommon) reqType: " << hexCode(req)
                              << ", param: " << requestBodyForLog(req, param);
        }
    }
    start(req, peerSocketPath(ReqPeer::Corvisclient), &UnixClient::disposeCorvisclientCommon, param,
          withSubStatus ? ResultLog::WithSubStatus : ResultLog::Plain);
}

void UiComm::apiCorvistrayCommon(ClientReq req, const QString& param)
{
    LOG(INFO) << QStringLiteral("FUNC(apiCorvistrayCommon) reqType: %1").arg(hexCode(req));
    start(req, peerSocketPath(ReqPeer::Corvistray), &UnixClient::disposeCorvistrayCommon, param, ResultLog::Plain);
}

void UiComm::apiCorvisdaemonCommon(ClientReq req, const QString& param)
{
    LOG(INFO) << "FUNC(apiCorvisdaemonCommon) reqType: " << static_cast<int>(req);
    start(req, UnixClient::daemonSocketPath(), &UnixClient::disposeCorvisdaemonCommon, param, ResultLog::Plain);
}

void UiComm::apiCorvisUpdateSrvCommon(ClientReq req, const QString& param)
{
    LOG(INFO) << "FUNC(apiCorvisUpdateSrvCommon) reqType: " << static_cast<int>(req);
    start(req, peerSocketPath(ReqPeer::Corvisupdatesrv), &UnixClient::disposeCorvisUpdateSrvCommon, param,
          ResultLog::Plain);
}

void UiComm::apiCorviswebCommon(ClientReq req, const QString& param, bool flag)
{
    Q_UNUSED(flag)
    LOG(INFO) << QStringLiteral("FUNC(apiCorviswebCommon) reqType: %1, param: %2").arg(hexCode(req), requestBodyForLog(req, param));
    start(req, peerSocketPath(ReqPeer::Corvisweb), &UnixClient::disposeCorviswebCommon, param, ResultLog::Plain);
}

void UiComm::start(ClientReq req, const QString& path, Dispose dispose, const QString& param, ResultLog log)
{
    // Runs on the worker thread; the signal reaches the GUI thread's receivers queued.
    // `lines` holds the exchange's last lines: this one joins them, and they are written before
    // the result leaves, so that the file shows them before anything its receivers log.
    const auto report = [this, req, log](int code, const QString& resMsg, int subStatus, corvis::LogBatch& lines) {
        QString extra;
        if (log == ResultLog::WithSubStatus) {
            extra = QString::number(subStatus);
            LOG_BATCHED(lines) << "UnixClient code: " << code << ", resMsg: " << corvis::logSafe(resMsg)
                               << ", subStatus: " << extra;
        } else {
            LOG_BATCHED(lines) << "UnixClient code: " << code << ", resMsg: " << corvis::logSafe(resMsg);
        }
        lines.flush();
        if (code == UnixClient::CodeDone) {
            emit sendCommMsg(req, resMsg, extra, false);
        } else if (code == UnixClient::CodeNoSocket) {
            emit sendCommMsg(req, QStringLiteral("__CONNECT_ERROR__"), QString(), true);
        } else {
            emit sendCommMsg(req, resMsg, QString(), true);
        }
    };
    // One worker object and one connection per exchange, made and destroyed on the worker thread.
    const bool queued = pool_->submit([path, dispose, req, param, report]() {
        UnixClient worker(path);
        QObject::connect(
            &worker, &UnixClient::finished, &worker,
            [&worker, report](int code, const QString& resMsg, int subStatus) {
                report(code, resMsg, subStatus, worker.logLines());
            },
            Qt::DirectConnection);
        (worker.*dispose)(req, param);
    });
    if (!queued) {
        LOG(ERROR) << QStringLiteral("FUNC(UiComm::start) no worker thread for reqType: %1, request failed").arg(hexCode(req));
        // Like every result, after the call has returned.
        if (clientReqInfo(req).peer != ReqPeer::Corvisclient || clientReqInfo(req).reply) {
            QMetaObject::invokeMethod(
                this,
                [report]() {
                    corvis::LogBatch lines;
                    report(UnixClient::CodeCommFailed, QStringLiteral("后台通信失败"), 0, lines);
                },
                Qt::QueuedConnection);
        }
    }
}
