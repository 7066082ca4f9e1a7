#include "simservice.h"

#include "simrecord.h"
#include "simresponder.h"
#include "simscenario.h"

#include "comm/reqbuffer.h"
#include "comm/unsocket.h"
#include "corviscommon/productpath.h"
#include "platform/corvismsg/sockio.h"
#include "platform/corvismsg/us_server.h"

#include <QJsonObject>

SimService::SimService(const QString& peer, const QString& path, Framing framing, bool answers,
                       SimScenario& scenario, SimRecord& record, SimResponder& responder)
    : peer_(peer), path_(path), framing_(framing), answers_(answers), scenario_(scenario), record_(record),
      responder_(responder)
{
}

SimService::~SimService()
{
    stop();
}

bool SimService::start(QString* error)
{
    US_ServerOptions options;
    switch (framing_) {
    case Framing::Request:
        options.fixedSize = ReqBuffer::kSize;
        break;
    case Framing::Stream:
        options.stream = true;
        options.checkVersion = false;
        options.maxMessage = corvismsg::kHeaderSize + static_cast<int>(kMaxFrameBody);
        // The daemon client keeps its connection between frames.
        options.readTimeoutMs = 60 * 1000;
        break;
    case Framing::Frame:
        options.maxMessage = corvismsg::kHeaderSize + static_cast<int>(kMaxFrameBody);
        break;
    }
    const QByteArray path = path_.toLocal8Bit();
    corvis::makeParentDirs(path.toStdString());
    server_ = std::make_unique<US_Server>(this, path.constData(), options);
    if (!server_->IsListening()) {
        *error = path_ + QStringLiteral(": cannot listen");
        return false;
    }
    thread_ = std::thread([this]() { server_->Run(); });
    return true;
}

void SimService::stop()
{
    if (server_ && thread_.joinable()) {
        server_->Stop();
        thread_.join();
    }
    server_.reset();
}

int SimService::Process(us_post_t* post)
{
    SimRequest request;
    request.peer = peer_;
    if (framing_ == Framing::Request) {
        request.type = ReqBuffer::typeOf(post->msg);
        request.body = ReqBuffer::paramOf(post->msg);
    } else {
        // Daemon frames carry module, command; our framing version, protocol.
        request.type = corvismsg::io::getU16BE(post->msg + 2);
        request.body = QByteArray(post->msg + corvismsg::kHeaderSize, post->len - corvismsg::kHeaderSize);
    }
    record_.append(request);

    QJsonObject response;
    const bool scripted = scenario_.next(peer_, request.type, &response);
    if (answers_) {
        // The client service always answers; without a script with status 0 and its own type.
        responder_.respond(request, response, DetachConnection());
    } else if (scripted) {
        responder_.respond(request, response, -1);
    }
    return 0;
}
