#include "comm/requestpool.h"

#include <algorithm>
#include <chrono>
#include <pthread.h>
#include <system_error>
#include <thread>

namespace {

bool startDetached(std::function<void()> body)
{
    try {
        std::thread(std::move(body)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

void nameThread(const char* name)
{
    ::pthread_setname_np(::pthread_self(), name);
}

}  // namespace

RequestPool::RequestPool(int maxThreads) : starter_(startDetached), maxThreads_(maxThreads > 0 ? maxThreads : 1) {}

RequestPool::~RequestPool()
{
    std::unique_lock<std::mutex> lock(mutex_);
    stopping_ = true;
    workReady_.notify_all();
    allGone_.wait(lock, [this]() { return threads_ == 0; });
}

bool RequestPool::submit(Job job)
{
    std::unique_lock<std::mutex> lock(mutex_);
    queue_.push_back(std::move(job));
    // A new thread only when the idle ones are all spoken for.
    if (static_cast<int>(queue_.size()) <= idle_ || threads_ >= maxThreads_) {
        // Woken after the lock is let go, so that the worker does not wake only to wait for it.
        lock.unlock();
        workReady_.notify_one();
        return true;
    }
    ++threads_;
    const ThreadStarter starter = starter_;
    lock.unlock();
    const bool started = starter([this]() { work(); });
    lock.lock();
    if (started) {
        return true;
    }
    --threads_;
    if (threads_ > 0) {
        // A worker that exists takes it up later.
        workReady_.notify_one();
        return true;
    }
    queue_.pop_back();
    allGone_.notify_all();
    return false;
}

void RequestPool::work()
{
    // A thread that gets work again soon keeps its name: renaming costs a system call each way.
    constexpr auto kIdleNameDelay = std::chrono::milliseconds(20);
    enum class Name { Inherited, Running, Idle } name = Name::Inherited;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (queue_.empty()) {
            if (stopping_) {
                break;
            }
            ++idle_;
            // The idle time-out may be changed while it waits: it is read again at every wake-up.
            const auto since = std::chrono::steady_clock::now();
            bool woken = false;
            for (;;) {
                if (!queue_.empty() || stopping_) {
                    woken = true;
                    break;
                }
                const auto end = since + std::chrono::milliseconds(idleTimeoutMs_);
                const auto now = std::chrono::steady_clock::now();
                if (now >= end) {
                    break;
                }
                if (name != Name::Idle) {
                    const auto renameAt = std::min(end, since + kIdleNameDelay);
                    if (now < renameAt) {
                        workReady_.wait_until(lock, renameAt);
                        continue;
                    }
                    nameThread("UnixClientIdle");
                    name = Name::Idle;
                }
                workReady_.wait_until(lock, end);
            }
            --idle_;
            if (!woken) {
                break;
            }
            continue;
        }
        if (threads_ > maxThreads_) {
            break;  // the pool was made smaller
        }
        Job job = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        if (name != Name::Running) {
            nameThread("UnixClient");
            name = Name::Running;
        }
        job();
        job = nullptr;
        lock.lock();
    }
    --threads_;
    allGone_.notify_all();
}

int RequestPool::maxThreads() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return maxThreads_;
}

void RequestPool::setMaxThreads(int count)
{
    std::lock_guard<std::mutex> lock(mutex_);
    maxThreads_ = count > 0 ? count : 1;
}

int RequestPool::threadCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return threads_;
}

void RequestPool::setIdleTimeoutMs(int ms)
{
    std::lock_guard<std::mutex> lock(mutex_);
    idleTimeoutMs_ = ms > 0 ? ms : 1;
    workReady_.notify_all();
}

void RequestPool::setThreadStarter(ThreadStarter starter)
{
    std::lock_guard<std::mutex> lock(mutex_);
    starter_ = starter ? std::move(starter) : ThreadStarter(startDetached);
}

