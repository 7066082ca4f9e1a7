#include "login/countdown.h"

#include <QTimer>

#include <algorithm>

int CountDown::clampSeconds(qint64 seconds)
{
    return static_cast<int>(std::clamp<qint64>(seconds, 0, kMaxSeconds));
}

CountDown::CountDown(const QString& name, QObject* parent) : QObject(parent), timer_(new QTimer(this))
{
    setObjectName(name);
    timer_->setObjectName(name + QStringLiteral("Timer"));
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &CountDown::tick);
}

void CountDown::start(qint64 seconds)
{
    remaining_ = clampSeconds(seconds);
    if (remaining_ == 0) {
        timer_->stop();
        emit finished();
        return;
    }
    timer_->start();
    emit changed(remaining_);
}

void CountDown::stop()
{
    const bool wasRunning = timer_->isActive();
    timer_->stop();
    remaining_ = 0;
    if (wasRunning) {
        emit finished();
    }
}

bool CountDown::isRunning() const
{
    return timer_->isActive();
}

QString CountDown::runningText(int remaining)
{
    return QStringLiteral("已发送（%1）").arg(remaining);
}

void CountDown::tick()
{
    if (!timer_->isActive()) {
        return;
    }
    --remaining_;
    if (remaining_ > 0) {
        emit changed(remaining_);
        return;
    }
    remaining_ = 0;
    timer_->stop();
    emit finished();
}
