#include "app/logretention.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <unistd.h>

LogRetention::LogRetention(const QStringList& prefixes, int keep, int intervalMs)
    : prefixes_(prefixes), keep_(keep > 0 ? keep : 1), intervalMs_(intervalMs > 0 ? intervalMs : 1000)
{
    thread_ = std::thread([this]() { run(); });
}

LogRetention::~LogRetention()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void LogRetention::nudge()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        nudged_ = true;
    }
    wake_.notify_all();
}

void LogRetention::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        lock.unlock();
        for (const QString& prefix : prefixes_) {
            prune(prefix, keep_);
        }
        lock.lock();
        wake_.wait_for(lock, std::chrono::milliseconds(intervalMs_), [this]() { return nudged_ || stopping_; });
        nudged_ = false;
    }
}

int LogRetention::prune(const QString& prefix, int keep)
{
    const QFileInfo pattern(prefix);
    QDir dir = pattern.absoluteDir();
    const QString stem = pattern.fileName();
    if (stem.isEmpty()) {
        return 0;
    }
    QFileInfoList files;
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        if (info.fileName().startsWith(stem) && !info.isSymLink()) {
            files.append(info);
        }
    }
    if (files.size() <= keep) {
        return 0;
    }
    std::sort(files.begin(), files.end(), [](const QFileInfo& a, const QFileInfo& b) {
        const qint64 ta = a.lastModified().toMSecsSinceEpoch();
        const qint64 tb = b.lastModified().toMSecsSinceEpoch();
        return ta != tb ? ta > tb : a.fileName() > b.fileName();
    });
    int removed = 0;
    for (int i = keep; i < files.size(); ++i) {
        if (::unlink(QFile::encodeName(files.at(i).absoluteFilePath()).constData()) == 0) {
            ++removed;
        }
    }
    return removed;
}
