#include "comm/uicomm.h"

#include "comm/serverreq.h"
#include "comm/unixclient.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"

#include <QThread>

UiComm* UiComm::instance()
{
    static UiComm* comm = new UiComm();
    return comm;
}

UiComm::UiComm() : QObject(nullptr)
{
    // Results cross from the worker threads in queued signals.
    qRegisterMetaType<ClientReq>("ClientReq");
    qRegisterMetaType<ServerReq>("ServerReq");
}

void UiComm::apiCorvisclientCommon(ClientReq req, const QString& param, bool withSubStatus)
{
    if (clientReqInfo(req).quiet) {
        LOG(INFO) << QStringLiteral("FUNC(apiCorvisclientCommon) reqType: %1").arg(hexCode(req));
    } else {
        LOG(INFO) << QStringLiteral("FUNC(apiCorvisclientCommon) reqType: %1, param: %2").arg(hexCode(req), requestBodyForLog(req, param));
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
    auto* worker = new UnixClient(path);
    auto* thread = new QThread();
    thread->setObjectName(QStringLiteral("UnixClient"));
    worker->moveToThread(thread);

    // Runs in the worker thread; the signal reaches the GUI thread's receivers queued.
    connect(worker, &UnixClient::finished, [this, thread, req, log](int code, QString resMsg, int subStatus) {
        QString extra;
        if (log == ResultLog::WithSubStatus) {
            LOG(INFO) << QStringLiteral("UnixClient code: %1, resMsg: %2, subStatus: %3")
                             .arg(QString::number(code), corvis::logSafe(resMsg), QString::number(subStatus));
            extra = QString::number(subStatus);
        } else {
            LOG(INFO) << QStringLiteral("UnixClient code: %1, resMsg: %2").arg(QString::number(code), corvis::logSafe(resMsg));
        }
        if (code == UnixClient::CodeDone) {
            emit sendCommMsg(req, resMsg, extra, false);
        } else if (code == UnixClient::CodeNoSocket) {
            emit sendCommMsg(req, QStringLiteral("__CONNECT_ERROR__"), QString(), true);
        } else {
            emit sendCommMsg(req, resMsg, QString(), true);
        }
        thread->quit();
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    // The exchange is synchronous; once it returns the thread has nothing left to do, also when
    // the request expects no reply and so no result ends it.
    connect(thread, &QThread::started, worker, [worker, thread, dispose, req, param]() {
        (worker->*dispose)(req, param);
        thread->quit();
    });
    thread->start();
}
