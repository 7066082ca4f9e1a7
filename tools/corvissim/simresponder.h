#pragma once

#include "simkeys.h"

#include <QJsonObject>

#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

// Carries out responses, each on a thread of its own so that a delay or a hung connection never
// holds another request: wait, write the files, apply extension keys, answer (or hang, or close),
// then push. Everything still waiting ends, and every held connection closes, at shutdown().
class SimResponder
{
public:
    SimResponder() = default;
    ~SimResponder();
    SimResponder(const SimResponder&) = delete;
    SimResponder& operator=(const SimResponder&) = delete;

    // `fd` is the connection to answer on (the client service), or -1 when the peer expects no
    // answer. The responder owns it from here.
    void respond(const SimRequest& request, const QJsonObject& response, int fd);
    void shutdown();

private:
    struct Job {
        std::thread thread;
        bool done = false;
    };

    void execute(const SimRequest& request, const QJsonObject& response, int fd);
    // Sleeps; false when shutting down.
    bool pause(int ms);
    void hold(int fd);
    void reapFinished();

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::list<Job> jobs_;
    std::vector<int> held_;
};
