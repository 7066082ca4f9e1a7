#include "app/logmanager.h"

#include "app/logretention.h"
#include "corviscommon/localtimezone.h"
#include "corviscommon/logbatch.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpath.h"
#include "corviscommon/productpaths.h"

#include <atomic>
#include <string>

namespace {

const char* const kSeverityName[] = {"info", "warning", "error"};

// The logger hands the failure writer a size_t.
void failureWriter(const char* data, size_t size)
{
    logSignalHandle(data, static_cast<int>(size));
}

}  // namespace

// Counts what is logged and has the old files pruned every quarter of a file's worth written.
class LogManager::VolumeSink : public google::LogSink
{
public:
    explicit VolumeSink(LogRetention* retention) : retention_(retention) {}

    void send(google::LogSeverity, const char*, const char*, int, const struct ::tm*, const char*,
              size_t length) override
    {
        count(length);
    }

    // Lines written past the sinks (corvis::LogBatch) are counted here.
    static void countWritten(size_t bytes)
    {
        if (VolumeSink* sink = current.load()) {
            sink->count(bytes);
        }
    }

    static std::atomic<VolumeSink*> current;

private:
    void count(size_t length)
    {
        // A quarter of a file's worth: a rotated file waits for little more logging to be pruned.
        const uint64_t limit = uint64_t{FLAGS_max_log_size} * 1024 * 1024 / 4;
        if (bytes_.fetch_add(length + 64) + length + 64 >= limit) {
            bytes_.store(0);
            retention_->nudge();
        }
    }

    LogRetention* retention_;
    std::atomic<uint64_t> bytes_{0};
};

std::atomic<LogManager::VolumeSink*> LogManager::VolumeSink::current{nullptr};

LogManager::LogManager(const char* argv0, QObject* parent) : QObject(parent)
{
    corvis::pinLocalTimeZone();
    const std::string logDir = corvis::paths::sandboxLogDir().toLocal8Bit().toStdString();
    corvis::makeDirs(logDir);
    corvis::makeDirs(corvis::paths::logDir().toLocal8Bit().toStdString());
    FLAGS_log_dir = logDir;
    // The logs are the user's own.
    FLAGS_logfile_mode = 0600;
    google::InitGoogleLogging(argv0);
    FLAGS_stderrthreshold = google::GLOG_FATAL;
    FLAGS_colorlogtostderr = true;
    for (int severity = google::GLOG_INFO; severity <= google::GLOG_ERROR; ++severity) {
        google::SetLogDestination(severity, logFilePrefix(severity).toLocal8Bit().constData());
    }
    FLAGS_logbufsecs = 0;
    FLAGS_max_log_size = 100;
    FLAGS_stop_logging_if_full_disk = true;
    google::InstallFailureSignalHandler();
    google::InstallFailureWriter(&failureWriter);

    QStringList prefixes;
    for (int severity = google::GLOG_INFO; severity <= google::GLOG_ERROR; ++severity) {
        prefixes.append(logFilePrefix(severity));
    }
    retention_ = std::make_unique<LogRetention>(prefixes);
    sink_ = std::make_unique<VolumeSink>(retention_.get());
    google::AddLogSink(sink_.get());
    // The volume sink only counts bytes, which the batch reports itself: long runs of INFO lines
    // may go straight to the file.
    VolumeSink::current.store(sink_.get());
    corvis::LogBatch::enableDirect(&VolumeSink::countWritten);
}

LogManager::~LogManager()
{
    corvis::LogBatch::disableDirect();
    VolumeSink::current.store(nullptr);
    google::RemoveLogSink(sink_.get());
    sink_.reset();
    retention_.reset();
    google::ShutdownGoogleLogging();
}

QString LogManager::logFilePrefix(int severity)
{
    if (severity < google::GLOG_INFO || severity > google::GLOG_ERROR) {
        severity = google::GLOG_ERROR;
    }
    return corvis::paths::logFilePrefix(kSeverityName[severity]);
}

void logSignalHandle(const char* data, int size)
{
    if (data == nullptr || size <= 0) {
        return;
    }
    LOG(ERROR) << std::string(data, static_cast<size_t>(size));
}
