#include "comm/unixserver.h"

#include "comm/clientreq.h"
#include "comm/serverdeal.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpath.h"
#include "platform/corvismsg/us_server.h"

UnixServer::UnixServer(QString path, QObject* parent) : QThread(parent), deal_(new ServerDeal(this))
{
    // The signals cross to the GUI thread queued.
    qRegisterMetaType<ServerReq>("ServerReq");
    qRegisterMetaType<ClientReq>("ClientReq");
    const QByteArray local = path.toLocal8Bit();
    corvis::makeParentDirs(local.toStdString());
    server_ = std::make_unique<US_Server>(deal_, local.constData());
    if (!server_->IsListening()) {
        LOG(ERROR) << "UnixServer: cannot listen on " << path;
    }
}

UnixServer::~UnixServer()
{
    stop();
    wait();
}

void UnixServer::stop()
{
    server_->Stop();
}

bool UnixServer::isListening() const
{
    return server_->IsListening();
}

void UnixServer::run()
{
    server_->Run();
}
