#include "corviscommon/logbatch.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <sys/time.h>
#include <unistd.h>

namespace corvis {

namespace {

std::atomic<bool> s_direct{false};
std::atomic<void (*)(size_t)> s_written{nullptr};

// Above this the lines held are written before the next one starts.
constexpr size_t kChunk = 64 * 1024;

unsigned int threadId()
{
    static thread_local const unsigned int id = static_cast<unsigned int>(::gettid());
    return id;
}

const char* baseName(const char* file)
{
    const char* slash = std::strrchr(file, '/');
    return slash != nullptr ? slash + 1 : file;
}

}  // namespace

LogBatch::Buffer::int_type LogBatch::Buffer::overflow(int_type c)
{
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        text_.push_back(traits_type::to_char_type(c));
    }
    return traits_type::not_eof(c);
}

std::streamsize LogBatch::Buffer::xsputn(const char* data, std::streamsize size)
{
    text_.append(data, static_cast<size_t>(size));
    return size;
}

LogBatch::LogBatch() : buffer_(text_), stream_(&buffer_)
{
    // The same conditions under which glog writes an INFO record to the INFO file alone, with
    // the prefix formatted below.
    direct_ = s_direct.load() && !FLAGS_logtostderr && !FLAGS_alsologtostderr && !FLAGS_logtostdout &&
              FLAGS_stderrthreshold > google::GLOG_INFO && FLAGS_log_prefix && FLAGS_log_year_in_prefix;
}

LogBatch::~LogBatch() { flush(); }

std::ostream& LogBatch::line(const char* file, int line)
{
    endLine();
    if (text_.size() >= kChunk) {
        flush();
    }
    struct timeval now {};
    ::gettimeofday(&now, nullptr);
    if (now.tv_sec != second_) {
        second_ = now.tv_sec;
        struct tm parts {};
        if (FLAGS_log_utc_time) {
            ::gmtime_r(&second_, &parts);
        } else {
            ::localtime_r(&second_, &parts);
        }
        const int n = std::snprintf(secondText_, sizeof secondText_, "I%04d%02d%02d %02d:%02d:%02d.", 1900 + parts.tm_year,
                                    1 + parts.tm_mon, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
        secondLength_ = n > 0 ? static_cast<size_t>(n) : 0;
    }
    char rest[64];
    const int n = std::snprintf(rest, sizeof rest, "%06ld %5u ", static_cast<long>(now.tv_usec), threadId());
    text_.append(secondText_, secondLength_);
    text_.append(rest, n > 0 ? static_cast<size_t>(n) : 0);
    text_.append(baseName(file));
    text_.push_back(':');
    text_.append(std::to_string(line));
    text_.append("] ", 2);
    open_ = true;
    return stream_;
}

void LogBatch::endLine()
{
    if (open_) {
        text_.push_back('\n');
        open_ = false;
    }
}

void LogBatch::flush()
{
    endLine();
    if (text_.empty()) {
        return;
    }
    google::base::GetLogger(google::GLOG_INFO)->Write(true, second_, text_.data(), text_.size());
    if (void (*written)(size_t) = s_written.load()) {
        written(text_.size());
    }
    text_.clear();
}

void LogBatch::enableDirect(void (*written)(size_t bytes))
{
    s_written.store(written);
    s_direct.store(true);
}

void LogBatch::disableDirect()
{
    s_direct.store(false);
    s_written.store(nullptr);
}

}  // namespace corvis
