#pragma once

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <mutex>
#include <thread>

// Keeps the log directory from growing without end: of the files whose names begin with one of
// the prefixes (".../corvisbench.info." and so on: the current file, files rotated at the size
// limit and files of earlier runs), only the newest kKeep of each prefix are kept. Runs on a
// thread of its own, every interval and whenever nudged (the log sink nudges it each time a
// quarter of a file's worth of records has been written).
class LogRetention
{
public:
    static constexpr int kKeep = 3;

    LogRetention(const QStringList& prefixes, int keep = kKeep, int intervalMs = 10 * 1000);
    ~LogRetention();
    LogRetention(const LogRetention&) = delete;
    LogRetention& operator=(const LogRetention&) = delete;

    // Prunes soon (from any thread; never blocks on the pruning itself).
    void nudge();

    // Removes all but the newest `keep` files beginning with `prefix` (newest by modification
    // time, then by name); returns how many were removed. Links are never followed or removed.
    static int prune(const QString& prefix, int keep);

private:
    void run();

    QStringList prefixes_;
    int keep_;
    int intervalMs_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool nudged_ = false;
    bool stopping_ = false;
    std::thread thread_;
};
