#include "logcapture.h"

LogCapture::LogCapture()
{
    google::AddLogSink(this);
}

LogCapture::~LogCapture()
{
    google::RemoveLogSink(this);
}

void LogCapture::send(google::LogSeverity severity, const char*, const char*, int, const struct ::tm*,
                      const char* message, size_t message_len)
{
    QMutexLocker lock(&mutex_);
    records_.append({static_cast<int>(severity), QString::fromLocal8Bit(message, static_cast<int>(message_len))});
}

QStringList LogCapture::lines(int severity) const
{
    QMutexLocker lock(&mutex_);
    QStringList out;
    for (const auto& record : records_) {
        if (severity < 0 || record.first == severity) {
            out.append(record.second);
        }
    }
    return out;
}

QList<QPair<int, QString>> LogCapture::records() const
{
    QMutexLocker lock(&mutex_);
    return records_;
}

bool LogCapture::contains(const QString& text, int severity) const
{
    for (const QString& line : lines(severity)) {
        if (line.contains(text)) {
            return true;
        }
    }
    return false;
}

QString LogCapture::text() const
{
    return lines().join(QLatin1Char('\n'));
}

void LogCapture::clear()
{
    QMutexLocker lock(&mutex_);
    records_.clear();
}
