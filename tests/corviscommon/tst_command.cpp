// The shell command runners: output, time-out, children, descriptors and SIGCHLD.

#include "corviscommon/command.h"
#include "support/logcapture.h"
#include "support/testprefix.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int openDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot).size();
}

bool noChildLeft()
{
    errno = 0;
    return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

// Gone, or a zombie waiting for init: either way no longer running.
bool processEnded(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return true;
    }
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    return close > 0 && text.mid(close + 2, 1) == "Z";
}

sighandler_t childDisposition()
{
    struct sigaction current;
    sigaction(SIGCHLD, nullptr, &current);
    return current.sa_handler;
}

}  // namespace

class TestCommand : public QObject
{
    Q_OBJECT

private slots:
    void output_data();
    void output();
    void timeoutKillsTheWholeCommand();
    void closedOutputStillBoundedByTimeout();
    void largeOutputReadWhole_data();
    void largeOutputReadWhole();
    void nothingLeaks();
    void childSignalRestored();
    void posixSystem_data();
    void posixSystem();
    void shellQuoteIsOneWord_data();
    void shellQuoteIsOneWord();
};

void TestCommand::output_data()
{
    QTest::addColumn<QByteArray>("cmd");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QByteArray>("out");

    for (int timeout : {0, 5000}) {
        const QByteArray form = timeout == 0 ? "plain" : "bounded";
        QTest::addRow("%s silent", form.constData()) << QByteArray("true") << timeout << QByteArray();
        QTest::addRow("%s lines", form.constData()) << QByteArray("printf 'a\\nb\\n'") << timeout << QByteArray("a\nb\n");
        QTest::addRow("%s exit status ignored", form.constData()) << QByteArray("echo hi; exit 3") << timeout << QByteArray("hi\n");
        QTest::addRow("%s stderr not captured", form.constData()) << QByteArray("echo err >&2; echo out") << timeout
                                                                  << QByteArray("out\n");
        QTest::addRow("%s pipeline", form.constData()) << QByteArray("printf 'x y z' | tr ' ' '\\n' | wc -l") << timeout
                                                       << QByteArray("2\n");
    }
    QTest::newRow("unknown program") << QByteArray("no-such-program-cvb 2>/dev/null") << 5000 << QByteArray();
}

void TestCommand::output()
{
    QFETCH(QByteArray, cmd);
    QFETCH(int, timeoutMs);
    QFETCH(QByteArray, out);

    std::string text = "stale";
    QCOMPARE(cmdGetOutput(cmd.toStdString(), text, timeoutMs), 0);
    QCOMPARE(QByteArray::fromStdString(text), out);
    QVERIFY(noChildLeft());
}

void TestCommand::timeoutKillsTheWholeCommand()
{
    TestPrefix prefix;
    const QString pidFile = prefix.path(QStringLiteral("/tmp/sleeper.pid"));
    // A grandchild, so that killing the shell alone would not be enough.
    const std::string cmd = "echo started; sleep 5 & echo $! > '" + pidFile.toStdString() + "'; wait";
    LogCapture log;
    std::string out;
    QElapsedTimer clock;
    clock.start();
    errno = 0;
    QCOMPARE(cmdGetOutput(cmd, out, 200), -1);
    QCOMPARE(errno, ETIMEDOUT);
    // Far below the five seconds the command would take.
    QVERIFY(clock.elapsed() < 4000);
    QCOMPARE(QByteArray::fromStdString(out), QByteArray("started\n"));
    QVERIFY(noChildLeft());
    QVERIFY(log.contains(QStringLiteral("cmdGetOutput: command timed out after 200 ms"), google::GLOG_WARNING));

    QFile file(pidFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const pid_t sleeper = file.readAll().trimmed().toInt();
    QVERIFY(sleeper > 0);
    QTRY_VERIFY_WITH_TIMEOUT(processEnded(sleeper), 2000);
}

void TestCommand::closedOutputStillBoundedByTimeout()
{
    std::string out;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(cmdGetOutput("echo before; exec >&-; sleep 5", out, 300), -1);
    QVERIFY(clock.elapsed() < 4000);
    QCOMPARE(QByteArray::fromStdString(out), QByteArray("before\n"));
    QVERIFY(noChildLeft());
}

void TestCommand::largeOutputReadWhole_data()
{
    QTest::addColumn<int>("timeoutMs");
    QTest::newRow("plain") << 0;
    QTest::newRow("bounded") << 20000;
}

void TestCommand::largeOutputReadWhole()
{
    QFETCH(int, timeoutMs);
    std::string out;
    QCOMPARE(cmdGetOutput("head -c 1048576 /dev/zero | tr '\\0' 'a'", out, timeoutMs), 0);
    QCOMPARE(out.size(), size_t(1048576));
    QVERIFY(out.find_first_not_of('a') == std::string::npos);
}

void TestCommand::nothingLeaks()
{
    const int before = openDescriptors();
    std::string out;
    for (int i = 0; i < 5; ++i) {
        cmdGetOutput("echo x", out, 0);
        cmdGetOutput("echo x", out, 5000);
        cmdGetOutput("sleep 5", out, 50);
        posix_system("true");
    }
    QCOMPARE(openDescriptors(), before);
    QVERIFY(noChildLeft());
}

void TestCommand::childSignalRestored()
{
    // The workbench ignores SIGCHLD: the runners must still reap and report, and leave it ignored.
    struct sigaction ignore;
    memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous;
    sigaction(SIGCHLD, &ignore, &previous);

    std::string out;
    QCOMPARE(cmdGetOutput("echo ok", out, 5000), 0);
    QCOMPARE(QByteArray::fromStdString(out), QByteArray("ok\n"));
    QVERIFY(childDisposition() == SIG_IGN);
    QCOMPARE(cmdGetOutput("sleep 5", out, 50), -1);
    QVERIFY(childDisposition() == SIG_IGN);
    QCOMPARE(posix_system("exit 0"), 0);
    QCOMPARE(posix_system("exit 4"), -1);
    QVERIFY(childDisposition() == SIG_IGN);

    sigaction(SIGCHLD, &previous, nullptr);
}

void TestCommand::posixSystem_data()
{
    QTest::addColumn<QByteArray>("cmd");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("logLine");

    QTest::newRow("success") << QByteArray("true") << 0 << QString();
    QTest::newRow("exit code") << QByteArray("exit 3") << -1 << QStringLiteral("run CMD:[exit 3] fail, script exit code:3");
    QTest::newRow("killed") << QByteArray("kill -9 $$") << -1 << QStringLiteral("run CMD:[kill -9 $$] fail, script exit code:-1");
}

void TestCommand::posixSystem()
{
    QFETCH(QByteArray, cmd);
    QFETCH(int, result);
    QFETCH(QString, logLine);

    LogCapture log;
    QCOMPARE(posix_system(cmd.toStdString()), result);
    if (logLine.isEmpty()) {
        QVERIFY(log.lines(google::GLOG_ERROR).isEmpty());
    } else {
        QVERIFY2(log.contains(logLine, google::GLOG_ERROR), qPrintable(log.text()));
    }
}

void TestCommand::shellQuoteIsOneWord_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("plain") << QByteArray("chromium");
    QTest::newRow("blanks") << QByteArray("/opt/my browser/bin");
    QTest::newRow("single quotes") << QByteArray("it's 'quoted'");
    QTest::newRow("command") << QByteArray("x; touch /tmp/cvb-never-created; $(id) `id` \"");
    QTest::newRow("empty") << QByteArray();
}

void TestCommand::shellQuoteIsOneWord()
{
    QFETCH(QByteArray, text);
    std::string out;
    QCOMPARE(cmdGetOutput("printf '%s|' " + shellQuote(text.toStdString()), out, 5000), 0);
    QCOMPARE(QByteArray::fromStdString(out), text + "|");
    QVERIFY(!QFile::exists(QStringLiteral("/tmp/cvb-never-created")));
}

QTEST_GUILESS_MAIN(TestCommand)
#include "tst_command.moc"
