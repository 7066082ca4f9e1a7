#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

// A bounded set of worker threads with a queue, for the exchanges with the local services: at
// most maxThreads() run at once, the others wait in order. Threads are started when work arrives
// and no worker is idle, and end after a while without work. Running threads are named
// "UnixClient", idle ones "UnixClientIdle" (once idle for a moment: a thread that gets work again
// at once is not renamed twice).
class RequestPool
{
public:
    using Job = std::function<void()>;
    // Starts a detached thread running `body`; false when the system refuses a thread.
    using ThreadStarter = std::function<bool(std::function<void()> body)>;

    explicit RequestPool(int maxThreads);
    // Waits for the queued and running jobs, then for the threads to end.
    ~RequestPool();
    RequestPool(const RequestPool&) = delete;
    RequestPool& operator=(const RequestPool&) = delete;

    // Queues the job. False when it can never run: no worker exists and none can be started; the
    // caller then reports the request as failed.
    bool submit(Job job);

    int maxThreads() const;
    void setMaxThreads(int count);
    // Threads that exist now (running or idle).
    int threadCount() const;
    // How long an idle thread waits for work before it ends; 10 s unless set.
    void setIdleTimeoutMs(int ms);
    // Replaces how threads are started (tests: a system that refuses threads).
    void setThreadStarter(ThreadStarter starter);

private:
    void work();

    mutable std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable allGone_;
    std::deque<Job> queue_;
    ThreadStarter starter_;
    int maxThreads_;
    int threads_ = 0;
    int idle_ = 0;
    int idleTimeoutMs_ = 10000;
    bool stopping_ = false;
};
