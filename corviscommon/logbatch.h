#pragma once

// The INFO lines of one long loop (one per entry of a document) written to the INFO log file in
// a few flushed writes instead of one each, every line with the prefix glog gives it.
//
//     corvis::LogBatch batch;
//     for (...) { LOG_BATCHED(batch) << "source:" << ...; }
//     batch.flush();   // before the next ordinary line, so that the file keeps the order
//
// Until the owner of the log files turns direct writing on (LogManager does), and whenever glog
// is set up otherwise (to stderr, without prefix), each line is an ordinary LOG(INFO) record.

#include "corviscommon/logging.h"

#include <cstddef>
#include <ctime>
#include <ostream>
#include <streambuf>
#include <string>

namespace corvis {

class LogBatch
{
public:
    LogBatch();
    ~LogBatch();
    LogBatch(const LogBatch&) = delete;
    LogBatch& operator=(const LogBatch&) = delete;

    // Whether lines go straight to the INFO file.
    bool direct() const { return direct_; }
    // Starts a line logged from `file`:`line`; what is streamed into the result is its text.
    std::ostream& line(const char* file, int line);
    // Writes the lines held.
    void flush();

    // Called by the owner of the log files once glog writes them and no log sink needs each
    // record; `written` (may be null) is told the size of each write.
    static void enableDirect(void (*written)(size_t bytes));
    static void disableDirect();

private:
    class Buffer : public std::streambuf
    {
    public:
        explicit Buffer(std::string& text) : text_(text) {}

    protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* data, std::streamsize size) override;

    private:
        std::string& text_;
    };

    void endLine();

    std::string text_;
    Buffer buffer_;
    std::ostream stream_;
    bool direct_ = false;
    bool open_ = false;
    time_t second_ = -1;
    char secondText_[32] = {};  // "IYYYYMMDD HH:MM:SS." of second_
    size_t secondLength_ = 0;
};

}  // namespace corvis

#define LOG_BATCHED(batch)                                                                           \
    !corvis::logOn(google::GLOG_INFO)                                                                \
        ? static_cast<void>(0)                                                                       \
        : google::LogMessageVoidify() &                                                              \
              ((batch).direct() ? (batch).line(__FILE__, __LINE__) : COMPACT_GOOGLE_LOG_INFO.stream())
