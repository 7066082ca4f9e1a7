#pragma once

#include "simkeys.h"

#include <QString>

#include <cstdio>
#include <mutex>

// The request record <prefix>/sim/requests.jsonl: one compact JSON object per request, appended
// and flushed as the request arrives, before it is answered.
class SimRecord
{
public:
    SimRecord() = default;
    ~SimRecord();
    SimRecord(const SimRecord&) = delete;
    SimRecord& operator=(const SimRecord&) = delete;

    bool open(const QString& path, QString* error);
    void append(const SimRequest& request);

private:
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
};
