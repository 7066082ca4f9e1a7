#pragma once

#include <QObject>
#include <QString>

class QTimer;

// A failure lock count-down read from a service's error text ("已登录失败3次，请2分钟 30秒后重试"),
// ticking once a second and telling the tip to show until it reaches zero. One per page; it never
// starts twice while it runs. The timer exists only while the count-down runs.
class FailureLock : public QObject
{
    Q_OBJECT
public:
    enum Kind {
        LoginFailed,  // login text holding "已登录失败" (handleCodeCheckFail)
        LoginLocked,  // login text holding "因您多次输入错误" (handleCodeCheckFail1): no count
        ResetFailed,  // reset status 6634 (handleRestPswCodeCheckFail)
    };

    // Bounds of the numbers taken from a text; larger ones are clamped to them, so that a
    // garbled or hostile text never shows an overflowed or negative number.
    static constexpr int kMaxTotalSeconds = 86400;
    static constexpr int kMaxCount = 999;

    explicit FailureLock(Kind kind, QObject* parent = nullptr);

    // Reads the text; starts when minutes and seconds (and, except LoginLocked, the failure
    // count) are found and no count-down runs yet. Shows the first tip at once.
    bool start(const QString& text);
    void stop();
    bool isRunning() const { return timer_ != nullptr; }
    int totalSeconds() const { return total_; }
    int failCount() const { return count_; }
    QTimer* timer() const { return timer_; }

    // The tip for a remaining total.
    QString tipText(int total) const;

public slots:
    void tick();

signals:
    // The error tip to show; empty clears it.
    void tipChanged(const QString& tip);
    void finished();

private:
    const char* funcName() const;

    Kind kind_;
    QTimer* timer_ = nullptr;
    int total_ = 0;
    int count_ = 0;
};
