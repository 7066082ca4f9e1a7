#include "corviscommon/resourcemonitorthread.h"

#include "corviscommon/sysusage.h"

#include <QMutexLocker>
#include <QTimer>

ResourceMonitorThread::ResourceMonitorThread(QObject* parent)
    : QObject(parent)
    , timer_(new QTimer(this))  // a child, so that it follows the monitor to its thread
{
    timer_->setObjectName(QStringLiteral("resourceMonitorTimer"));
    timer_->setInterval(kIntervalMs);
    connect(timer_, &QTimer::timeout, this, &ResourceMonitorThread::onTimeout);
}

QList<double> ResourceMonitorThread::resourceRatio() const
{
    QMutexLocker lock(&mutex_);
    return {cpu_, memory_, disk_};
}

st_operationEnv ResourceMonitorThread::operationEnv() const
{
    QMutexLocker lock(&mutex_);
    return env_;
}

void ResourceMonitorThread::setOperationEnv(const st_operationEnv& env)
{
    QMutexLocker lock(&mutex_);
    env_ = env;
}

void ResourceMonitorThread::onStatusChanged(bool on)
{
    if (on) {
        onTimeout();
        timer_->start();
    } else {
        timer_->stop();
    }
}

void ResourceMonitorThread::onTimeout()
{
    double cpu = 0.0;
    double memory = 0.0;
    double disk = 0.0;
    sample(cpu, memory, disk);
    {
        QMutexLocker lock(&mutex_);
        cpu_ = cpu / 100.0;
        memory_ = memory / 100.0;
        disk_ = disk / 100.0;
    }
    emit sendSystemResourceChanged();
}

void ResourceMonitorThread::sample(double& cpu, double& memory, double& disk)
{
    cpu = getSysCpuUsage();
    memory = getsysMemUsage();
    disk = getsysDiskUsage();
}
