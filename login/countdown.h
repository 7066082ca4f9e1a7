#pragma once

#include "login/pagelogintype.h"

#include <QObject>

class QTimer;

// A code button's count-down: one tick a second from the start value down to zero. The button
// shows "已发送（N）" while it runs.
class CountDown : public QObject
{
    Q_OBJECT
public:
    // No count-down lasts longer than a day: a service text or document asking for more is
    // taken as asking for a day.
    static constexpr int kMaxSeconds = 86400;
    static int clampSeconds(qint64 seconds);

    explicit CountDown(const QString& name, QObject* parent = nullptr);

    // Starts (or restarts) from `seconds`, clamped to 0 .. kMaxSeconds; 0 does not run.
    void start(qint64 seconds);
    void stop();
    bool isRunning() const;
    int remaining() const { return remaining_; }
    QTimer* timer() const { return timer_; }

    // "已发送（N）"
    static QString runningText(int remaining);

public slots:
    // One second has passed.
    void tick();

signals:
    void changed(int remaining);
    void finished();

private:
    QTimer* timer_;
    int remaining_ = 0;
};
