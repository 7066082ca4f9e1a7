#include "login/loginlockcountdown.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

int boundedNumber(const QJsonValue& value, int cap)
{
    if (!value.isDouble() || !std::isfinite(value.toDouble()) || value.toDouble() < 0) {
        return -1;
    }
    return static_cast<int>(std::min(std::floor(value.toDouble()), static_cast<double>(cap)));
}

}  // namespace

LoginLockCountDown::LoginLockCountDown(QObject* parent) : QObject(parent), timer_(new QTimer(this))
{
    timer_->setObjectName(QStringLiteral("loginLockTimer"));
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &LoginLockCountDown::tick);
}

st_loginLock LoginLockCountDown::parse(const QString& text)
{
    st_loginLock lock;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8());
    if (!doc.isObject()) {
        lock.msg = text;
        return lock;
    }
    const QJsonObject root = doc.object();
    lock.restTime = boundedNumber(root.value(QLatin1String("restTime")), kMaxRestTime);
    lock.failCount = boundedNumber(root.value(QLatin1String("failCount")), 9999);
    const QJsonValue msg = root.value(QLatin1String("msg"));
    lock.msg = msg.isString() ? msg.toString() : QString();
    return lock;
}

bool LoginLockCountDown::start(const st_loginLock& lock)
{
    timer_->stop();
    lock_ = lock;
    if (lock.restTime < 0 || lock.failCount < 0) {
        return false;
    }
    timer_->start();
    return true;
}

void LoginLockCountDown::stop()
{
    timer_->stop();
}

bool LoginLockCountDown::isRunning() const
{
    return timer_->isActive();
}

void LoginLockCountDown::tick()
{
    if (lock_.restTime < 2) {
        timer_->stop();
        lock_.restTime = 0;
        emit tipChanged(QString());
        return;
    }
    --lock_.restTime;
    emit tipChanged(QStringLiteral("您已登录失败%1次，账户锁定%2秒！").arg(lock_.failCount).arg(lock_.restTime));
}
