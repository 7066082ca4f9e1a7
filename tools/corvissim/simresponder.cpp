#include "simresponder.h"

#include "simpush.h"
#include "simscenario.h"

#include "comm/replybuffer.h"
#include "corviscommon/productpath.h"
#include "platform/corvismsg/msgoptions.h"
#include "platform/corvismsg/sockio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <cstdio>
#include <unistd.h>

namespace {

QByteArray contentOf(const QJsonValue& value)
{
    if (value.isString()) {
        return value.toString().toUtf8();
    }
    if (value.isObject()) {
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    }
    if (value.isArray()) {
        return QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    }
    // A bare number, true, false or null: its JSON text.
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

// Written whole or not at all, so that the workbench never reads half a document.
void writeFiles(const QJsonObject& files)
{
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString path = corvis::installPathQ(it.key());
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(contentOf(it.value())) < 0 || !file.commit()) {
            std::fprintf(stderr, "corvissim: cannot write %s\n", path.toLocal8Bit().constData());
        }
    }
}

}  // namespace

SimResponder::~SimResponder()
{
    shutdown();
}

void SimResponder::respond(const SimRequest& request, const QJsonObject& response, int fd)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) {
        if (fd >= 0) {
            ::close(fd);
        }
        return;
    }
    reapFinished();
    jobs_.emplace_back();
    Job* job = &jobs_.back();
    job->thread = std::thread([this, job, request, response, fd]() {
        execute(request, response, fd);
        std::lock_guard<std::mutex> done(mutex_);
        job->done = true;
    });
}

void SimResponder::reapFinished()
{
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        if (it->done) {
            it->thread.join();
            it = jobs_.erase(it);
        } else {
            ++it;
        }
    }
}

void SimResponder::shutdown()
{
    std::list<Job> jobs;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        jobs.swap(jobs_);
    }
    wake_.notify_all();
    for (Job& job : jobs) {
        job.thread.join();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (int fd : held_) {
        ::close(fd);
    }
    held_.clear();
}

bool SimResponder::pause(int ms)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (ms > 0) {
        wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
    }
    return !stopping_;
}

void SimResponder::hold(int fd)
{
    std::lock_guard<std::mutex> lock(mutex_);
    held_.push_back(fd);
}

void SimResponder::execute(const SimRequest& request, const QJsonObject& chosen, int fd)
{
    QJsonObject response = chosen;
    // A selecting key may hand over another response, which may select again (a few levels at most).
    for (int depth = 0; depth < 8; ++depth) {
        bool replaced = false;
        for (const SimKeys::Key& key : SimKeys::all()) {
            // A key may build on the response it stands in (its other keys).
            QJsonObject other = response;
            if (key.select && response.contains(key.name) && key.select(request, response.value(key.name), &other)) {
                response = other;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            break;
        }
    }
    if (!pause(response.value(QStringLiteral("delayMs")).toInt(0))) {
        if (fd >= 0) {
            ::close(fd);
        }
        return;
    }
    writeFiles(response.value(QStringLiteral("files")).toObject());

    SimAnswer answer;
    answer.replyType = request.type;
    uint16_t word;
    if (SimScenario::parseCode(response.value(QStringLiteral("replyType")), &word)) {
        answer.replyType = word;
    }
    if (SimScenario::parseCode(response.value(QStringLiteral("status")), &word)) {
        answer.status = word;
    }
    const QJsonValue reply = response.value(QStringLiteral("reply"));
    if (!reply.isUndefined()) {
        answer.reply = contentOf(reply);
    }
    for (const SimKeys::Key& key : SimKeys::all()) {
        if (response.contains(key.name) && key.apply) {
            key.apply(request, response.value(key.name), answer);
        }
    }

    if (fd >= 0) {
        if (response.value(QStringLiteral("hang")).toBool()) {
            hold(fd);
        } else if (response.value(QStringLiteral("close")).toBool()) {
            ::close(fd);
        } else {
            ReplyBuffer buffer;
            // Reply type 0 is an empty reply: nothing else in it.
            if (answer.replyType != 0) {
                buffer.fill(answer.replyType, answer.status, answer.reply);
            }
            if (corvismsg::io::writeAll(fd, buffer.data(), static_cast<size_t>(buffer.size()),
                                        corvismsg::io::Deadline(corvismsg::receiveTimeoutMs())) != corvismsg::io::IoOk) {
                std::fprintf(stderr, "corvissim: the reply to %s 0x%04x could not be written\n",
                             request.peer.toLocal8Bit().constData(), request.type);
            }
            ::close(fd);
        }
    }

    for (const QJsonValue& value : response.value(QStringLiteral("push")).toArray()) {
        const QJsonObject message = value.toObject();
        if (!pause(message.value(QStringLiteral("delayMs")).toInt(0))) {
            return;
        }
        uint16_t code = 0;
        SimScenario::parseCode(message.value(QStringLiteral("code")), &code);
        QString error;
        if (simPush(code, static_cast<uint16_t>(message.value(QStringLiteral("arg")).toInt(0)),
                    message.value(QStringLiteral("text")).toString().toUtf8(), &error) != 0) {
            std::fprintf(stderr, "corvissim: push 0x%04x not delivered: %s\n", code, error.toLocal8Bit().constData());
        }
    }
}
