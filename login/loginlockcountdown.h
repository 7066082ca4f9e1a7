#pragma once

#include "login/st_loginlock.h"

#include <QObject>

class QTimer;

// The account page's lock count-down after substatus 21 or 22: once a second the tip reads
// "您已登录失败N次，账户锁定S秒！" until the rest time runs out.
class LoginLockCountDown : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxRestTime = 86400;

    explicit LoginLockCountDown(QObject* parent = nullptr);

    // The record in a lock text: a JSON object {"restTime": seconds, "failCount": n, "msg": text}.
    // A text that is not such an object is the message itself, rest time and count unknown.
    // Negative numbers read as unknown; rest times over a day as a day.
    static st_loginLock parse(const QString& text);

    // Counts down the record's rest time; false (nothing runs) when rest time or count is unknown.
    bool start(const st_loginLock& lock);
    void stop();
    bool isRunning() const;
    const st_loginLock& lock() const { return lock_; }
    QTimer* timer() const { return timer_; }

public slots:
    void tick();

signals:
    // The error tip to show; empty clears it.
    void tipChanged(const QString& tip);

private:
    QTimer* timer_;
    st_loginLock lock_;
};
