#pragma once

#include <glog/logging.h>

#include <QMutex>
#include <QString>
#include <QStringList>

// Collects this process's log records while it lives, for tests that check log lines.
class LogCapture : public google::LogSink
{
public:
    LogCapture();
    ~LogCapture() override;

    void send(google::LogSeverity severity, const char* full_filename, const char* base_filename, int line,
              const struct ::tm* tm_time, const char* message, size_t message_len) override;

    // Every record's text; with a severity (google::GLOG_INFO ...), only those of it.
    QStringList lines(int severity = -1) const;
    bool contains(const QString& text, int severity = -1) const;
    // Every record in order, with its severity.
    QList<QPair<int, QString>> records() const;
    // All records joined by newlines.
    QString text() const;
    void clear();

private:
    mutable QMutex mutex_;
    QList<QPair<int, QString>> records_;
};
