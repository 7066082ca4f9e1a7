#pragma once

#include "http/api.h"

#include <QString>
#include <QStringList>

#include <functional>

// The two filters of an approval record list: the approval state (kept on the workbench side)
// and the time range (sent with the query). The range is computed again at each reload from the
// chosen span, so that "近3天" always ends now.
class ApproveFilter
{
public:
    // Seconds since the epoch; tests fix it, an empty function restores the system clock.
    using Clock = std::function<qint64()>;
    static void setClock(Clock clock);
    static qint64 now();

    // Box entries in index order.
    static QStringList statusTexts();  // "全部状态", "待审批", "已通过", "已拒绝"
    static QStringList timeTexts();    // "所有时间", "近3天", "近7天", "近30天", "近90天"

    // Takes the box index; an index outside the box leaves the filter as it is (false).
    bool setStatusIndex(int index);
    bool setTimeIndex(int index);
    void reset();

    // -1 all, 0 pending, 1 approved, 2 rejected.
    int status() const { return status_; }
    int statusIndex() const { return status_ + 1; }
    int timeIndex() const { return timeIndex_; }

    // The range of the chosen span ending at `now`, as decimal seconds; both empty for all time.
    struct Range {
        QString start;
        QString end;
    };
    Range range(qint64 now) const;
    // The application record query (118): empty for all time, else start and end on two lines.
    QString appRequestBody(qint64 now) const;
    // The controller query: no state (filtered here), the range, every page.
    stQuerySandboxApproveRecordsReq sandboxRequest(qint64 now) const;

    // Whether a record's approveResult passes the state filter. Only a whole number counts as a
    // state: a record whose result is no number shows under "全部状态" alone.
    bool matches(const QString& approveResult) const;

private:
    int status_ = -1;
    int timeIndex_ = 0;
};
