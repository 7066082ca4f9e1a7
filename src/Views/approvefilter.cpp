#include "src/Views/approvefilter.h"

#include <QDateTime>

namespace {

ApproveFilter::Clock& testClock()
{
    static ApproveFilter::Clock instance;
    return instance;
}

// The span of each time box entry in seconds; 0 is "所有时间".
constexpr qint64 kSpans[] = {0, 259200, 604800, 2592000, 7776000};
constexpr int kSpanCount = static_cast<int>(sizeof kSpans / sizeof kSpans[0]);

}  // namespace

void ApproveFilter::setClock(Clock clockFunction)
{
    testClock() = std::move(clockFunction);
}

qint64 ApproveFilter::now()
{
    return testClock() ? testClock()() : QDateTime::currentSecsSinceEpoch();
}

QStringList ApproveFilter::statusTexts()
{
    return {QStringLiteral("全部状态"), QStringLiteral("待审批"), QStringLiteral("已通过"), QStringLiteral("已拒绝")};
}

QStringList ApproveFilter::timeTexts()
{
    return {QStringLiteral("所有时间"), QStringLiteral("近3天"), QStringLiteral("近7天"), QStringLiteral("近30天"),
            QStringLiteral("近90天")};
}

bool ApproveFilter::setStatusIndex(int index)
{
    if (index < 0 || index > 3) {
        return false;
    }
    status_ = index - 1;
    return true;
}

bool ApproveFilter::setTimeIndex(int index)
{
    if (index < 0 || index >= kSpanCount) {
        return false;
    }
    timeIndex_ = index;
    return true;
}

void ApproveFilter::reset()
{
    status_ = -1;
    timeIndex_ = 0;
}

ApproveFilter::Range ApproveFilter::range(qint64 now) const
{
    if (timeIndex_ == 0) {
        return {};
    }
    return {QString::number(now - kSpans[timeIndex_]), QString::number(now)};
}

QString ApproveFilter::appRequestBody(qint64 now) const
{
    const Range r = range(now);
    return r.start.isEmpty() ? QString() : r.start + QLatin1Char('\n') + r.end;
}

stQuerySandboxApproveRecordsReq ApproveFilter::sandboxRequest(qint64 now) const
{
    const Range r = range(now);
    stQuerySandboxApproveRecordsReq req;
    req.startTime = r.start.toStdString();
    req.endTime = r.end.toStdString();
    req.pageIndex = -1;
    req.pageSize = -1;
    return req;
}

bool ApproveFilter::matches(const QString& approveResult) const
{
    if (status_ == -1) {
        return true;
    }
    bool ok = false;
    const int value = approveResult.trimmed().toInt(&ok);
    return ok && value == status_;
}
