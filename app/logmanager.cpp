#include "app/logmanager.h"

#include "corviscommon/localtimezone.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpath.h"
#include "corviscommon/productpaths.h"

#include <string>

namespace {

const char* const kSeverityName[] = {"info", "warning", "error"};

// The logger hands the failure writer a size_t.
void failureWriter(const char* data, size_t size)
{
    logSignalHandle(data, static_cast<int>(size));
}

}  // namespace

LogManager::LogManager(const char* argv0, QObject* parent) : QObject(parent)
{
    corvis::pinLocalTimeZone();
    const std::string logDir = corvis::paths::sandboxLogDir().toLocal8Bit().toStdString();
    corvis::makeDirs(logDir);
    corvis::makeDirs(corvis::paths::logDir().toLocal8Bit().toStdString());
    FLAGS_log_dir = logDir;
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
}

LogManager::~LogManager()
{
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
