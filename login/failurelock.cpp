#include "login/failurelock.h"

#include "corviscommon/logging.h"

#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

namespace {

// The first number before `unit`; -1 when there is none. Digits beyond what fits are clamped.
qint64 capture(const QString& text, const QRegularExpression& pattern, qint64 cap)
{
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        return -1;
    }
    bool ok = false;
    const qint64 value = match.captured(0).toLongLong(&ok, 10);
    return ok ? std::min(value, cap) : cap;
}

QString fill(QString text, int count, int first, int second)
{
    return text.replace(QLatin1String("%1"), QString::number(count))
        .replace(QLatin1String("%2"), QString::number(first))
        .replace(QLatin1String("%3"), QString::number(second));
}

}  // namespace

FailureLock::FailureLock(Kind kind, QObject* parent) : QObject(parent), kind_(kind) {}

const char* FailureLock::funcName() const
{
    return kind_ == ResetFailed ? "handleRestPswCodeCheckFail" : "handleCodeCheckFail";
}

bool FailureLock::start(const QString& text)
{
    static const QRegularExpression secPattern(QStringLiteral("[0-9]+(?=秒)"));
    static const QRegularExpression minPattern(QStringLiteral("[0-9]+(?=分钟)"));
    static const QRegularExpression timesPattern(QStringLiteral("[0-9]+(?=次)"));

    const qint64 sec = capture(text, secPattern, kMaxTotalSeconds);
    const qint64 min = capture(text, minPattern, kMaxTotalSeconds / 60);
    const qint64 times = kind_ == LoginLocked ? 0 : capture(text, timesPattern, kMaxCount);
    LOG(INFO) << "FUNC(" << funcName() << ") captured sec:" << sec;
    LOG(INFO) << "FUNC(" << funcName() << ") captured min:" << min;
    if (kind_ != LoginLocked) {
        LOG(INFO) << "FUNC(" << funcName() << ") captured times:" << times;
    }
    if (sec < 0 || min < 0 || times < 0 || isRunning()) {
        return false;
    }
    const int total = static_cast<int>(std::min<qint64>(min * 60 + sec, kMaxTotalSeconds));
    if (total <= 0) {
        return false;
    }
    total_ = total;
    count_ = static_cast<int>(times);
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("failureLockTimer"));
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &FailureLock::tick);
    timer_->start();
    emit tipChanged(tipText(total_));
    return true;
}

void FailureLock::stop()
{
    if (timer_ == nullptr) {
        return;
    }
    // Stopped at once, deleted later: this may run inside the timer's own timeout.
    timer_->stop();
    timer_->deleteLater();
    timer_ = nullptr;
    total_ = 0;
    emit finished();
}

void FailureLock::tick()
{
    if (timer_ == nullptr) {
        return;
    }
    --total_;
    LOG(INFO) << "FUNC(" << funcName() << ") timeout sec:" << total_;
    if (total_ <= 0) {
        stop();
        emit tipChanged(QString());
        return;
    }
    emit tipChanged(tipText(total_));
}

QString FailureLock::tipText(int total) const
{
    const int m = total / 60;
    const int s = total % 60;
    switch (kind_) {
    case LoginFailed:
        if (s == 0) {
            return fill(QStringLiteral("已登录失败%1次，请%2分钟后重试"), count_, m, s);
        }
        return m > 0 ? fill(QStringLiteral("已登录失败%1次，请%2分钟 %3秒后重试"), count_, m, s)
                     : fill(QStringLiteral("已登录失败%1次，请%2秒后重试"), count_, s, 0);
    case LoginLocked:
        if (m == 0 && s > 0) {
            return fill(QStringLiteral("因您多次输入错误，当前登录已锁定，%2秒后重试"), 0, s, 0);
        }
        return fill(QStringLiteral("因您多次输入错误，当前登录已锁定，请%2分钟%3秒后重试"), 0, m, s);
    case ResetFailed:
        if (s == 0) {
            return fill(QStringLiteral("已连续输错信息%1次，请%2分钟后重试"), count_, m, s);
        }
        return m > 0 ? fill(QStringLiteral("已连续输错信息%1次，请%2分钟 %3秒后重试"), count_, m, s)
                     : fill(QStringLiteral("已连续输错信息%1次，请%2秒后重试"), count_, s, 0);
    }
    return QString();
}
