#pragma once

#include <QObject>

#include <memory>

class LogRetention;

// Configures the process log (glog) when constructed: per-severity files under the log
// directory of the install root, FATAL in colour on standard error, every record flushed at
// once, 100 MB files, no logging when the disk is full, and a crash dump into the ERROR log.
// The files are the user's (mode 0600), and only the newest LogRetention::kKeep files of each
// severity are kept (rotated files and those of earlier runs are removed), so that a flood of
// log lines cannot fill the disk. Created once, first thing in main(), and kept for the life of
// the process.
class LogManager : public QObject
{
    Q_OBJECT
public:
    explicit LogManager(const char* argv0, QObject* parent = nullptr);
    ~LogManager() override;

    // The file name prefix of one severity's log: ".../log/corvisbench.info." and so on.
    static QString logFilePrefix(int severity);

private:
    class VolumeSink;
    std::unique_ptr<LogRetention> retention_;
    std::unique_ptr<VolumeSink> sink_;
};

// The failure writer handed to the logger: the bytes as one ERROR record.
void logSignalHandle(const char* data, int size);
