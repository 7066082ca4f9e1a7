#pragma once

#include "corviscommon/st_operationenv.h"

#include <QList>
#include <QMutex>
#include <QObject>

class QTimer;

// Samples the host's CPU, memory and disk use every 3000 ms while the device page asks for it.
// Lives on a thread of its own (moveToThread): a sample blocks for the 300 ms of the CPU
// figure. The page reads the fractions and the reminder policy from the GUI thread, hence the
// lock.
class ResourceMonitorThread : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 3000;

    explicit ResourceMonitorThread(QObject* parent = nullptr);

    // CPU, memory and disk use of the last sample, each from 0.0 to 1.0.
    QList<double> resourceRatio() const;

    st_operationEnv operationEnv() const;
    void setOperationEnv(const st_operationEnv& env);

public slots:
    // true: sample at once, then every kIntervalMs; false: stop sampling.
    void onStatusChanged(bool on);
    void onTimeout();

signals:
    void sendSystemResourceChanged();

protected:
    // The three figures in percent; the host's own by default.
    virtual void sample(double& cpu, double& memory, double& disk);

private:
    QTimer* timer_;
    mutable QMutex mutex_;
    double cpu_ = 0.0;
    double memory_ = 0.0;
    double disk_ = 0.0;
    st_operationEnv env_;
};
