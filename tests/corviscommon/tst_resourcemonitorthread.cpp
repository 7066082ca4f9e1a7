// The resource monitor: sampling on start, its timer, the fractions, the policy, its own thread.

#include "corviscommon/resourcemonitorthread.h"

#include <QSignalSpy>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <atomic>

namespace {

// Plays the host with fixed figures and counts the samples.
class FixedMonitor : public ResourceMonitorThread
{
public:
    std::atomic<int> samples{0};
    double cpu = 12.5;
    double memory = 50.0;
    double disk = 100.0;

protected:
    void sample(double& c, double& m, double& d) override
    {
        ++samples;
        c = cpu;
        m = memory;
        d = disk;
    }
};

}  // namespace

class TestResourceMonitorThread : public QObject
{
    Q_OBJECT

private slots:
    void startSamplesAtOnceAndStartsTheTimer();
    void timerKeepsSamplingUntilStopped();
    void runsOnItsOwnThread();
    void hostFiguresAreFractions();
};

void TestResourceMonitorThread::startSamplesAtOnceAndStartsTheTimer()
{
    FixedMonitor monitor;
    QSignalSpy changed(&monitor, &ResourceMonitorThread::sendSystemResourceChanged);
    QCOMPARE(monitor.resourceRatio(), (QList<double>{0.0, 0.0, 0.0}));

    monitor.onStatusChanged(true);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(monitor.resourceRatio(), (QList<double>{0.125, 0.5, 1.0}));
    auto* timer = monitor.findChild<QTimer*>(QStringLiteral("resourceMonitorTimer"));
    QVERIFY(timer != nullptr);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 3000);

    monitor.onStatusChanged(false);
    QVERIFY(!timer->isActive());
    QCOMPARE(changed.count(), 1);
}

void TestResourceMonitorThread::timerKeepsSamplingUntilStopped()
{
    FixedMonitor monitor;
    QSignalSpy changed(&monitor, &ResourceMonitorThread::sendSystemResourceChanged);
    auto* timer = monitor.findChild<QTimer*>(QStringLiteral("resourceMonitorTimer"));
    monitor.onStatusChanged(true);
    // Drive the monitor's own timer faster instead of waiting for it.
    timer->setInterval(5);
    monitor.memory = 20.0;
    QTRY_VERIFY(changed.count() >= 3);
    QCOMPARE(monitor.resourceRatio().value(1), 0.2);

    monitor.onStatusChanged(false);
    const int stopped = monitor.samples;
    QTest::qWait(30);
    QCOMPARE(int(monitor.samples), stopped);
}

void TestResourceMonitorThread::runsOnItsOwnThread()
{
    // As the device page uses it: moved to a thread, switched on by a queued signal.
    QThread thread;
    auto* monitor = new FixedMonitor;
    monitor->moveToThread(&thread);
    connect(&thread, &QThread::finished, monitor, &QObject::deleteLater);
    thread.start();

    QSignalSpy changed(monitor, &ResourceMonitorThread::sendSystemResourceChanged);
    QMetaObject::invokeMethod(monitor, "onStatusChanged", Qt::QueuedConnection, Q_ARG(bool, true));
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(monitor->resourceRatio(), (QList<double>{0.125, 0.5, 1.0}));
    auto* timer = monitor->findChild<QTimer*>(QStringLiteral("resourceMonitorTimer"));
    QCOMPARE(timer->thread(), &thread);
    QTRY_VERIFY(timer->isActive());

    QMetaObject::invokeMethod(monitor, "onStatusChanged", Qt::BlockingQueuedConnection, Q_ARG(bool, false));
    QVERIFY(!timer->isActive());
    thread.quit();
    QVERIFY(thread.wait(5000));
}

void TestResourceMonitorThread::hostFiguresAreFractions()
{
    ResourceMonitorThread monitor;
    QSignalSpy changed(&monitor, &ResourceMonitorThread::sendSystemResourceChanged);
    monitor.onTimeout();
    QCOMPARE(changed.count(), 1);
    const QList<double> ratio = monitor.resourceRatio();
    QCOMPARE(ratio.size(), 3);
    for (double value : ratio) {
        QVERIFY(value >= 0.0 && value <= 1.0);
    }
    QVERIFY(ratio.at(1) > 0.0);
}

QTEST_GUILESS_MAIN(TestResourceMonitorThread)
#include "tst_resourcemonitorthread.moc"
