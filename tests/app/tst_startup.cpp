// Start-up decisions (refusals, first page) and the single-instance lock, in-process.

#include "app/singletoncheck.h"
#include "app/startup.h"
#include "support/logcapture.h"
#include "support/testprefix.h"

#include <QFile>
#include <QtTest>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void decisions_data();
    void decisions();
    void lockWritesPidAndNul();
    void lockHeldElsewhereRefused();
    void lockRefusesSymlink();
    void lockRefusesDirectory();
    void lockOfAnotherUserRefused();
};

void TestStartup::decisions_data()
{
    QTest::addColumn<QByteArray>("sysCfg");
    QTest::addColumn<QByteArray>("userInfo");
    QTest::addColumn<bool>("editionRefused");
    QTest::addColumn<bool>("modeRefused");
    QTest::addColumn<int>("firstPage");

    QTest::newRow("cs mode, no spa") << QByteArray("[Mervasso]\ncsmode=1\n") << QByteArray() << false << false << 1;
    QTest::newRow("neither mode") << QByteArray("[Mervasso]\ncsmode=0\n[corvisspa]\nspamark=0\n") << QByteArray() << false << true << 1;
    QTest::newRow("empty config") << QByteArray() << QByteArray() << false << true << 1;
    QTest::newRow("old tray") << QByteArray("[Mervasso]\ncsmode=1\noldTray=1\n") << QByteArray() << true << false << 1;
    QTest::newRow("brastel") << QByteArray("[Mervasso]\ncsmode=1\ncustomProject=brastel-ztna\n") << QByteArray() << true << false << 1;
    QTest::newRow("brastel other case runs") << QByteArray("[Mervasso]\ncsmode=1\ncustomProject=Brastel-ztna\n") << QByteArray()
                                             << false << false << 1;
    QTest::newRow("ostrel") << QByteArray("[Mervasso]\ncsmode=1\ncustomProject=ostrel-bigdata\n") << QByteArray() << true << false << 1;
    QTest::newRow("spa not passed") << QByteArray("[Mervasso]\ncsmode=1\n[corvisspa]\nspamark=1\n") << QByteArray("[UserInfo]\n")
                                    << false << false << 3;
    QTest::newRow("spa passed, cs mode") << QByteArray("[Mervasso]\ncsmode=1\n[corvisspa]\nspamark=1\n")
                                         << QByteArray("[UserInfo]\nSpaUserName=zhang\n") << false << false << 1;
    QTest::newRow("spa passed, no cs mode") << QByteArray("[Mervasso]\ncsmode=0\n[corvisspa]\nspamark=1\n")
                                            << QByteArray("[UserInfo]\nSpaUserName=zhang\n") << false << false << -1;
    QTest::newRow("spa only, not passed") << QByteArray("[corvisspa]\nspamark=1\n") << QByteArray() << false << false << 3;
    QTest::newRow("vesk uos ignores spa")
        << QByteArray("[Mervasso]\ncsmode=1\ncustomProject=vesk-uos-4.19.71\n[corvisspa]\nspamark=1\n") << QByteArray() << false
        << false << 1;
    QTest::newRow("vesk kylin ignores spa")
        << QByteArray("[Mervasso]\ncustomProject=vesk-kylin-5.4.18-32\n[corvisspa]\nspamark=1\n")
        << QByteArray("[UserInfo]\nSpaUserName=x\n") << false << false << 1;
}

void TestStartup::decisions()
{
    QFETCH(QByteArray, sysCfg);
    QFETCH(QByteArray, userInfo);
    QFETCH(bool, editionRefused);
    QFETCH(bool, modeRefused);
    QFETCH(int, firstPage);

    TestPrefix prefix;
    prefix.writeSysCfg(sysCfg);
    prefix.writeUserInfo(userInfo);
    QCOMPARE(Startup::editionRefused(), editionRefused);
    QCOMPARE(Startup::modeRefused(), modeRefused);
    QCOMPARE(Startup::firstPage(), firstPage);
}

void TestStartup::lockWritesPidAndNul()
{
    TestPrefix prefix;
    const QString lock = prefix.path(QStringLiteral("/tmp/corvisbench.pid"));
    QCOMPARE(QString::fromStdString(singletonLockPath()), lock);
    QVERIFY(writeFile(lock, "999999999 stale content that is longer"));
    QVERIFY(singletonCheck());
    QCOMPARE(readFile(lock), QByteArray::number(::getpid()) + '\0');
    QCOMPARE(QFile::permissions(lock) & 0x7777, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser
                                                    | QFile::ReadGroup | QFile::ReadOther);
}

void TestStartup::lockHeldElsewhereRefused()
{
    TestPrefix prefix;
    const QByteArray lock = prefix.path(QStringLiteral("/tmp/corvisbench.pid")).toLocal8Bit();
    // A child process holds the lock; this process must be refused and leave the file alone.
    int ready[2];
    int release[2];
    QCOMPARE(::pipe(ready), 0);
    QCOMPARE(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(lock.constData(), O_RDWR | O_CREAT, 0644);
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        const bool locked = fd >= 0 && ::fcntl(fd, F_SETLK, &fl) == 0 && ::write(fd, "12345", 6) == 6;
        char c = locked ? 'y' : 'n';
        (void)::write(ready[1], &c, 1);
        (void)::read(release[0], &c, 1);
        ::_exit(0);
    }
    char c = 0;
    QCOMPARE(::read(ready[0], &c, 1), ssize_t(1));
    QCOMPARE(c, 'y');
    QVERIFY(!singletonCheck());
    QCOMPARE(readFile(QString::fromLocal8Bit(lock)), QByteArray("12345\0", 6));
    (void)::write(release[1], &c, 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    // Once the holder is gone the lock is free again: the lock, not the file, decides.
    QVERIFY(singletonCheck());
    for (int fd : {ready[0], ready[1], release[0], release[1]}) {
        ::close(fd);
    }
}

void TestStartup::lockRefusesSymlink()
{
    TestPrefix prefix;
    const QString victim = prefix.path(QStringLiteral("/victim.txt"));
    QVERIFY(writeFile(victim, "precious"));
    const QString lock = prefix.path(QStringLiteral("/tmp/corvisbench.pid"));
    QCOMPARE(::symlink(victim.toLocal8Bit().constData(), lock.toLocal8Bit().constData()), 0);
    QVERIFY(!singletonCheck());
    QCOMPARE(readFile(victim), QByteArray("precious"));
}

void TestStartup::lockRefusesDirectory()
{
    TestPrefix prefix;
    QVERIFY(QDir().mkpath(prefix.path(QStringLiteral("/tmp/corvisbench.pid"))));
    QVERIFY(!singletonCheck());
}

void TestStartup::lockOfAnotherUserRefused()
{
    if (::geteuid() != 0) {
        QSKIP("needs root to give the lock file to another user");
    }
    TestPrefix prefix;
    const QString lock = prefix.path(QStringLiteral("/tmp/corvisbench.pid"));
    QVERIFY(writeFile(lock, "4242"));
    QCOMPARE(::chown(lock.toLocal8Bit().constData(), 65534, 65534), 0);
    LogCapture log;
    QVERIFY(!singletonCheck());
    // Its owner could hold the lock or swap the file at will: refused, named, and left as it was.
    QVERIFY2(log.contains(QStringLiteral("the lock file %1 belongs to uid 65534 (nobody), not to this user").arg(lock),
                          google::GLOG_WARNING),
             qPrintable(log.text()));
    QVERIFY(log.contains(QStringLiteral("corvisbench exit!"), google::GLOG_WARNING));
    QCOMPARE(readFile(lock), QByteArray("4242"));
    // Given back to us, it is ours again.
    QCOMPARE(::chown(lock.toLocal8Bit().constData(), 0, 0), 0);
    QVERIFY(singletonCheck());
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
