// The real corvisbench under Xvfb with trayer: refusals, the single-instance lock, the first
// page, and the signals. Each case runs under its own prefix.

#include "support/logfiles.h"
#include "support/testprefix.h"
#include "support/xsession.h"

#include <QtTest>

#include <csignal>
#include <sys/syscall.h>
#include <unistd.h>
#include <memory>

class TestCorvisbenchE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void refusals_data();
    void refusals();
    void secondStartExits1();
    void stalePidFileDoesNotBlock();
    void symlinkAtLockPath();
    void firstPage_data();
    void firstPage();
    void endingSignals_data();
    void endingSignals();
    void harmlessSignals();

private:
    // Starts the workbench and waits until its signal handlers are installed.
    bool startAndWaitReady(TestPrefix& prefix, WorkbenchProcess& bench);
    std::unique_ptr<XSession> x_;
};

void TestCorvisbenchE2E::initTestCase()
{
    x_ = std::make_unique<XSession>();
    QVERIFY2(x_->isValid(), qPrintable(x_->error()));
}

bool TestCorvisbenchE2E::startAndWaitReady(TestPrefix& prefix, WorkbenchProcess& bench)
{
    if (!bench.start()) {
        return false;
    }
    QDeadlineTimer deadline(20000);
    while (!workbenchLog(prefix.root(), QStringLiteral("info")).contains(QLatin1String("set singal handler done."))) {
        if (deadline.hasExpired() || !bench.isRunning()) {
            return false;
        }
        QTest::qWait(50);
    }
    return true;
}

void TestCorvisbenchE2E::refusals_data()
{
    QTest::addColumn<QByteArray>("sysCfg");
    QTest::addColumn<QString>("line");
    const QString edition = QStringLiteral("corvisbench exit, oldTray or PROJECT_IS_BRASTELZTNA or PROJECT_IS_OSTREL_BIGDATA!");
    QTest::newRow("no mode") << QByteArray("[Mervasso]\ncsmode=0\n[corvisspa]\nspamark=0\n")
                             << QStringLiteral("corvisbench exit, csMode != 1 and spamark != 1!");
    QTest::newRow("no config") << QByteArray() << QStringLiteral("corvisbench exit, csMode != 1 and spamark != 1!");
    QTest::newRow("old tray") << QByteArray("[Mervasso]\ncsmode=1\noldTray=1\n") << edition;
    QTest::newRow("brastel") << QByteArray("[Mervasso]\ncsmode=1\ncustomProject=brastel-ztna\n") << edition;
    QTest::newRow("ostrel") << QByteArray("[Mervasso]\ncsmode=1\ncustomProject=ostrel-bigdata\n") << edition;
}

void TestCorvisbenchE2E::refusals()
{
    QFETCH(QByteArray, sysCfg);
    QFETCH(QString, line);
    TestPrefix prefix;
    prefix.writeSysCfg(sysCfg);
    WorkbenchProcess bench(prefix.root(), x_->display());
    QVERIFY(bench.start());
    QVERIFY(bench.waitForExit(20000));
    QVERIFY(!bench.crashed());
    QCOMPARE(bench.exitCode(), 0);
    QVERIFY(workbenchLog(prefix.root(), QStringLiteral("warning")).contains(line));
    // Refused before the lock file is touched.
    QVERIFY(!QFile::exists(prefix.path(QStringLiteral("/tmp/corvisbench.pid"))));
}

void TestCorvisbenchE2E::secondStartExits1()
{
    TestPrefix prefix;
    prefix.writeSysCfg("[Mervasso]\ncsmode=1\n");
    WorkbenchProcess first(prefix.root(), x_->display());
    QVERIFY(startAndWaitReady(prefix, first));
    const QString lock = prefix.path(QStringLiteral("/tmp/corvisbench.pid"));
    const QByteArray content = readFile(lock);
    QCOMPARE(content, QByteArray::number(first.pid()) + '\0');

    WorkbenchProcess second(prefix.root(), x_->display());
    QVERIFY(second.start());
    QVERIFY(second.waitForExit(20000));
    QCOMPARE(second.exitCode(), 1);
    const QString warnings = workbenchLog(prefix.root(), QStringLiteral("warning"));
    QVERIFY(warnings.contains(QLatin1String("corvisbench is running!")));
    QVERIFY(warnings.contains(QLatin1String("corvisbench exit!")));
    QCOMPARE(readFile(lock), content);
    QVERIFY(first.isRunning());
}

void TestCorvisbenchE2E::stalePidFileDoesNotBlock()
{
    TestPrefix prefix;
    prefix.writeSysCfg("[Mervasso]\ncsmode=1\n");
    const QString lock = prefix.path(QStringLiteral("/tmp/corvisbench.pid"));
    QVERIFY(writeFile(lock, QByteArray("4194000") + '\0'));
    WorkbenchProcess bench(prefix.root(), x_->display());
    QVERIFY(startAndWaitReady(prefix, bench));
    QCOMPARE(readFile(lock), QByteArray::number(bench.pid()) + '\0');
}

void TestCorvisbenchE2E::symlinkAtLockPath()
{
    TestPrefix prefix;
    prefix.writeSysCfg("[Mervasso]\ncsmode=1\n");
    const QString victim = prefix.path(QStringLiteral("/victim"));
    QVERIFY(writeFile(victim, "keep me"));
    QVERIFY(QFile::link(victim, prefix.path(QStringLiteral("/tmp/corvisbench.pid"))));
    WorkbenchProcess bench(prefix.root(), x_->display());
    QVERIFY(bench.start());
    QVERIFY(bench.waitForExit(20000));
    QCOMPARE(bench.exitCode(), 1);
    QVERIFY(workbenchLog(prefix.root(), QStringLiteral("warning")).contains(QLatin1String("FUNC(singletonCheck) open file failed: ")));
    QCOMPARE(readFile(victim), QByteArray("keep me"));
}

void TestCorvisbenchE2E::firstPage_data()
{
    QTest::addColumn<QByteArray>("sysCfg");
    QTest::addColumn<QByteArray>("userInfo");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("line");

    QTest::newRow("cs mode shows login") << QByteArray("[Mervasso]\ncsmode=1\n") << QByteArray() << 1 << QString();
    QTest::newRow("spa not passed") << QByteArray("[Mervasso]\ncsmode=1\n[corvisspa]\nspamark=1\n") << QByteArray() << 3
                                    << QStringLiteral("spa is Not passed, so show spa page!");
    QTest::newRow("spa passed") << QByteArray("[Mervasso]\ncsmode=1\n[corvisspa]\nspamark=1\n")
                                << QByteArray("[UserInfo]\nSpaUserName=zhang\n") << 1
                                << QStringLiteral("spa is passed, so show login page!");
    QTest::newRow("spa passed, no cs mode") << QByteArray("[corvisspa]\nspamark=1\n")
                                            << QByteArray("[UserInfo]\nSpaUserName=zhang\n") << -1 << QString();
    QTest::newRow("vesk") << QByteArray("[Mervasso]\ncsmode=1\ncustomProject=vesk-uos-4.19.71\n[corvisspa]\nspamark=1\n")
                          << QByteArray() << 1 << QString();
}

void TestCorvisbenchE2E::firstPage()
{
    QFETCH(QByteArray, sysCfg);
    QFETCH(QByteArray, userInfo);
    QFETCH(int, page);
    QFETCH(QString, line);

    TestPrefix prefix;
    prefix.writeSysCfg(sysCfg);
    prefix.writeUserInfo(userInfo);
    WorkbenchProcess bench(prefix.root(), x_->display());
    QVERIFY(startAndWaitReady(prefix, bench));
    const QString info = workbenchLog(prefix.root(), QStringLiteral("info"));
    if (!line.isEmpty()) {
        QVERIFY(info.contains(line));
    }
    if (page < 0) {
        QVERIFY(!info.contains(QLatin1String("FUNC(MainWindow::show) index:")));
        QTest::qWait(500);
        QVERIFY(!x_->hasViewableWindow(bench.pid()));
    } else {
        QVERIFY(info.contains(QStringLiteral("FUNC(MainWindow::show) index: %1").arg(page)));
        QVERIFY(x_->waitForViewableWindow(bench.pid(), 10000));
    }
}

void TestCorvisbenchE2E::endingSignals_data()
{
    QTest::addColumn<int>("sig");
    QTest::addColumn<bool>("stack");
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGQUIT") << int(SIGQUIT) << false;
    QTest::newRow("SIGSEGV") << int(SIGSEGV) << true;
    QTest::newRow("SIGABRT") << int(SIGABRT) << true;
}

void TestCorvisbenchE2E::endingSignals()
{
    QFETCH(int, sig);
    QFETCH(bool, stack);
    TestPrefix prefix;
    prefix.writeSysCfg("[Mervasso]\ncsmode=1\n");
    WorkbenchProcess bench(prefix.root(), x_->display());
    QVERIFY(startAndWaitReady(prefix, bench));
    if (stack) {
        // A fault is taken by the thread that faults. Sent from outside, any thread could take it,
        // one inside the logger too, and the dump would then wait on the logger's lock until the
        // watchdog ends the process without it: fault the idle main thread instead.
        QVERIFY(x_->waitForViewableWindow(bench.pid(), 10000));
        QTest::qWait(500);
        QCOMPARE(::syscall(SYS_tgkill, pid_t(bench.pid()), pid_t(bench.pid()), sig), 0L);
    } else {
        bench.signal(sig);
    }
    QVERIFY(bench.waitForExit(10000));
    QVERIFY(!bench.crashed());
    QCOMPARE(bench.exitCode(), 2);
    QVERIFY(workbenchLog(prefix.root(), QStringLiteral("info")).contains(QLatin1String("corvisbench exit!")));
    const QString errors = workbenchLog(prefix.root(), QStringLiteral("error"));
    QCOMPARE(errors.contains(QLatin1String("backtrace() returned ")), stack);
    if (stack) {
        QVERIFY(errors.contains(QLatin1String("index : 0, addr:")));
    }
}

void TestCorvisbenchE2E::harmlessSignals()
{
    TestPrefix prefix;
    prefix.writeSysCfg("[Mervasso]\ncsmode=1\n");
    WorkbenchProcess bench(prefix.root(), x_->display());
    QVERIFY(startAndWaitReady(prefix, bench));
    for (int sig : {SIGPIPE, SIGHUP, SIGUSR1, SIGUSR2, SIGCHLD}) {
        bench.signal(sig);
    }
    QTest::qWait(1000);
    QVERIFY(bench.isRunning());
    bench.signal(SIGTERM);
    QVERIFY(bench.waitForExit(10000));
    QCOMPARE(bench.exitCode(), 2);
}

QTEST_GUILESS_MAIN(TestCorvisbenchE2E)
#include "tst_corvisbench_e2e.moc"
