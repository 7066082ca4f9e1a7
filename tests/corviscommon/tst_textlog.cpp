// The text log facility: levels, line format, files, reopening and rotation.

#include "corviscommon/textlog.h"
#include "support/testprefix.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

time_t g_now = 0;
time_t fixedClock()
{
    return g_now;
}

// Sends standard output (or error) to a file while it lives.
class Redirect
{
public:
    Redirect(int fd, const QString& path) : fd_(fd)
    {
        fflush(nullptr);
        saved_ = dup(fd);
        const int file = open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        dup2(file, fd);
        close(file);
    }
    ~Redirect()
    {
        fflush(nullptr);
        dup2(saved_, fd_);
        close(saved_);
    }

private:
    int fd_;
    int saved_;
};

QStringList logFiles(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

}  // namespace

class TestTextLog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void lineFormat_data();
    void lineFormat();
    void levelOutsideMaskOpensNothing();
    void levelNames_data();
    void levelNames();
    void printLevel_data();
    void printLevel();
    void rotation();
    void reopenAfterSixteenSeconds();
    void names_data();
    void names();
    void setPathAndMainArg();
    void displayWhere_data();
    void displayWhere();
    void writeBeforeInit();

private:
    QString readLog(const QString& name) const;
    QTemporaryDir dir_{QStringLiteral("/tmp/cvb-textlog.XXXXXX")};
    QByteArray dirPath_;
};

void TestTextLog::init()
{
    QDir(dir_.path()).removeRecursively();
    QDir().mkpath(dir_.path());
    dirPath_ = dir_.path().toLocal8Bit();
    g_now = 1700000000;  // 2023-11-14 in every time zone's date part below
    log_set_clock_for_test(fixedClock);
    log_init(dirPath_.constData(), "unit", LOG_LEVEL_INFO | LOG_LEVEL_ERROR, LOG_WHERE_FILE);
}

void TestTextLog::cleanup()
{
    log_uninit();
    log_set_clock_for_test(nullptr);
}

QString TestTextLog::readLog(const QString& name) const
{
    QFile file(dir_.filePath(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void TestTextLog::lineFormat_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("tail");

    QTest::newRow("five-character name after seven blanks") << QByteArray("src/x.cpp") << 42 << int(LOG_LEVEL_INFO)
                                                            << QStringLiteral(",       x.cpp,0042>Info: hello 7");
    QTest::newRow("backslash path") << QByteArray("c:\\work\\tool.cpp") << 7 << int(LOG_LEVEL_ERROR)
                                    << QStringLiteral(",    tool.cpp,0007>Error: hello 7");
    QTest::newRow("long name kept whole") << QByteArray("policyanalyzer.cpp") << 12345 << int(LOG_LEVEL_INFO)
                                          << QStringLiteral(",policyanalyzer.cpp,12345>Info: hello 7");
    QTest::newRow("no source file") << QByteArray() << 9 << int(LOG_LEVEL_INFO)
                                    << QStringLiteral(",------------,---->Info: hello 7");
}

void TestTextLog::lineFormat()
{
    QFETCH(QByteArray, source);
    QFETCH(int, line);
    QFETCH(int, level);
    QFETCH(QString, tail);

    QCOMPARE(log_write(source.isNull() ? nullptr : source.constData(), line, level, "hello %d", 7), 0);
    const QString text = readLog(QStringLiteral("unit01.log"));
    const QRegularExpression format(QStringLiteral("^<\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}(.*)\\n$"));
    const QRegularExpressionMatch match = format.match(text);
    QVERIFY2(match.hasMatch(), qPrintable(text));
    QCOMPARE(match.captured(1), tail);
    QDateTime when = QDateTime::fromSecsSinceEpoch(g_now);
    QVERIFY(text.startsWith(QLatin1Char('<') + when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))));
}

void TestTextLog::levelOutsideMaskOpensNothing()
{
    log_write("a.cpp", 1, LOG_LEVEL_DEBUG, "not written");
    log_write("a.cpp", 1, LOG_LEVEL_WARNING | LOG_LEVEL_DEBUG3, "not written");
    QVERIFY(logFiles(dir_.path()).isEmpty());

    // Sharing one bit with the mask is enough.
    log_write("a.cpp", 1, LOG_LEVEL_WARNING | LOG_LEVEL_INFO, "written");
    QCOMPARE(logFiles(dir_.path()), QStringList{"unit01.log"});
    QVERIFY(readLog(QStringLiteral("unit01.log")).contains(QStringLiteral(">Info|Warning: written")));
    QVERIFY(!readLog(QStringLiteral("unit01.log")).contains(QStringLiteral("not written")));
}

void TestTextLog::levelNames_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("name");

    QTest::newRow("warning") << 0x4 << QStringLiteral("Warning");
    QTest::newRow("error") << 0x8 << QStringLiteral("Error");
    QTest::newRow("debug1") << 0x10 << QStringLiteral("Debug1");
    QTest::newRow("debug10") << 0x2000 << QStringLiteral("Debug10");
    QTest::newRow("two bits") << 0x6 << QStringLiteral("Info|Warning");
    QTest::newRow("known and unknown bits") << 0x4001 << QStringLiteral("Debug|0x4000");
    QTest::newRow("unknown bit only") << 0x8000 << QStringLiteral("0x8000");
    QTest::newRow("zero") << 0 << QStringLiteral("0x0");
}

void TestTextLog::levelNames()
{
    QFETCH(int, level);
    QFETCH(QString, name);
    QCOMPARE(QString::fromStdString(log_level_name(level)), name);
}

void TestTextLog::printLevel_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("added");

    QTest::newRow("0") << 0 << 0x0;
    QTest::newRow("1") << 1 << 0x1;
    QTest::newRow("2") << 2 << 0x11;
    QTest::newRow("3") << 3 << 0x31;
    QTest::newRow("10") << 10 << 0x1FF1;
    QTest::newRow("11") << 11 << 0x0;
    QTest::newRow("-1") << -1 << 0x0;
}

void TestTextLog::printLevel()
{
    QFETCH(int, n);
    QFETCH(int, added);

    int mask = LOG_LEVEL_ERROR;
    GetLogPrintLevel(mask, n);
    QCOMPARE(mask, LOG_LEVEL_ERROR | added);
}

void TestTextLog::rotation()
{
    log_set_filesize(1);
    const QByteArray body(700, 'm');
    log_write("r.cpp", 1, LOG_LEVEL_INFO, "A %s", body.constData());
    QCOMPARE(logFiles(dir_.path()), QStringList{"unit01.log"});
    // Crosses 1024 bytes: the file becomes the previous one.
    log_write("r.cpp", 2, LOG_LEVEL_INFO, "B %s", body.constData());
    QCOMPARE(logFiles(dir_.path()), QStringList{"unit02.log"});
    log_write("r.cpp", 3, LOG_LEVEL_INFO, "C %s", body.constData());
    QCOMPARE(logFiles(dir_.path()), (QStringList{"unit01.log", "unit02.log"}));
    // The second crossing replaces the previous file; exactly two files remain.
    log_write("r.cpp", 4, LOG_LEVEL_INFO, "D %s", body.constData());
    log_write("r.cpp", 5, LOG_LEVEL_INFO, "E %s", body.constData());
    QCOMPARE(logFiles(dir_.path()), (QStringList{"unit01.log", "unit02.log"}));
    const QString previous = readLog(QStringLiteral("unit02.log"));
    QVERIFY(previous.contains(QStringLiteral("Info: C ")));
    QVERIFY(previous.contains(QStringLiteral("Info: D ")));
    QVERIFY(!previous.contains(QStringLiteral("Info: A ")));
    const QString current = readLog(QStringLiteral("unit01.log"));
    QVERIFY(current.contains(QStringLiteral("Info: E ")));
    QCOMPARE(current.count(QLatin1Char('\n')), 1);

    // Below 1 kB means 1 kB.
    log_set_filesize(0);
    log_write("r.cpp", 6, LOG_LEVEL_INFO, "F %s", body.constData());
    QCOMPARE(readLog(QStringLiteral("unit01.log")), QString());
    QVERIFY(readLog(QStringLiteral("unit02.log")).contains(QStringLiteral("Info: F ")));
}

void TestTextLog::reopenAfterSixteenSeconds()
{
    log_write("o.cpp", 1, LOG_LEVEL_INFO, "first");
    const QString path = dir_.filePath(QStringLiteral("unit01.log"));
    QVERIFY(QFile::remove(path));

    // 15 seconds later the open (now removed) file is kept.
    g_now += 15;
    log_write("o.cpp", 2, LOG_LEVEL_INFO, "second");
    QVERIFY(!QFile::exists(path));

    // 15 more seconds after that: still within 16 s of the previous message.
    g_now += 15;
    log_write("o.cpp", 3, LOG_LEVEL_INFO, "third");
    QVERIFY(!QFile::exists(path));

    // After a 16-second pause the file is opened again.
    g_now += 16;
    log_write("o.cpp", 4, LOG_LEVEL_INFO, "fourth");
    QVERIFY(QFile::exists(path));
    QCOMPARE(readLog(QStringLiteral("unit01.log")).count(QLatin1Char('\n')), 1);
    QVERIFY(readLog(QStringLiteral("unit01.log")).contains(QStringLiteral("fourth")));

    // A clock that goes back reopens as well.
    QVERIFY(QFile::remove(path));
    g_now -= 100;
    log_write("o.cpp", 5, LOG_LEVEL_INFO, "fifth");
    QVERIFY(readLog(QStringLiteral("unit01.log")).contains(QStringLiteral("fifth")));
}

void TestTextLog::names_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("file");

    QTest::newRow("exe removed") << QByteArray("/tool.exe") << QStringLiteral("tool01.log");
    QTest::newRow("backslash") << QByteArray("/sub\\svc.exe") << QStringLiteral("sub/svc01.log");
    QTest::newRow("plain") << QByteArray("/daemon") << QStringLiteral("daemon01.log");
    QTest::newRow("log kept by the path form") << QByteArray("/x.log") << QStringLiteral("x.log01.log");
}

void TestTextLog::names()
{
    QFETCH(QByteArray, path);
    QFETCH(QString, file);

    const QByteArray full = dirPath_ + path;
    log_init(full.constData(), LOG_LEVEL_INFO, LOG_WHERE_FILE);
    log_write("n.cpp", 1, LOG_LEVEL_INFO, "named");
    QVERIFY2(QFile::exists(dir_.filePath(file)), qPrintable(QDir(dir_.path()).entryList().join(' ')));
}

void TestTextLog::setPathAndMainArg()
{
    const QByteArray sub = dirPath_ + "/sub";
    log_set_path(sub.constData(), "/opt/bin/service.log");
    log_write("p.cpp", 1, LOG_LEVEL_INFO, "moved");
    QVERIFY(QFile::exists(dir_.filePath(QStringLiteral("sub/service01.log"))));

    // A name of four characters or less keeps its ending.
    log_set_path(nullptr, ".log");
    log_write("p.cpp", 2, LOG_LEVEL_INFO, "short");
    QVERIFY(QFile::exists(dir_.filePath(QStringLiteral("sub/.log01.log"))));

    // Empty texts change nothing.
    log_set_path("", "");
    log_write("p.cpp", 3, LOG_LEVEL_INFO, "same");
    QVERIFY(readLog(QStringLiteral("sub/.log01.log")).contains(QStringLiteral("same")));

    QByteArray arg0 = dirPath_ + "/bin/agent.exe";
    char* argv[] = {arg0.data(), nullptr};
    log_set_mainarg(1, argv);
    log_write("p.cpp", 4, LOG_LEVEL_INFO, "main");
    QVERIFY(QFile::exists(dir_.filePath(QStringLiteral("bin/agent01.log"))));
    log_set_mainarg(0, argv);
    log_write("p.cpp", 5, LOG_LEVEL_INFO, "unchanged");
    QVERIFY(readLog(QStringLiteral("bin/agent01.log")).contains(QStringLiteral("unchanged")));
}

void TestTextLog::displayWhere_data()
{
    QTest::addColumn<int>("where");
    QTest::addColumn<bool>("file");
    QTest::addColumn<bool>("console");

    QTest::newRow("nowhere") << 0 << false << false;
    QTest::newRow("file") << 1 << true << false;
    QTest::newRow("console") << 2 << false << true;
    QTest::newRow("both") << 3 << true << true;
    QTest::newRow("any other value is both") << 7 << true << true;
}

void TestTextLog::displayWhere()
{
    QFETCH(int, where);
    QFETCH(bool, file);
    QFETCH(bool, console);

    log_set_displaywhere(where);
    log_set_outlevel(LOG_LEVEL_WARNING);
    QCOMPARE(log_get_outlevel(), int(LOG_LEVEL_WARNING));
    const QString out = dir_.filePath(QStringLiteral("stdout.txt"));
    {
        Redirect redirect(STDOUT_FILENO, out);
        log_write("w.cpp", 1, LOG_LEVEL_WARNING, "where %s", "to");
    }
    QCOMPARE(readLog(QStringLiteral("stdout.txt")).contains(QStringLiteral("Warning: where to\n")), console);
    QCOMPARE(QFile::exists(dir_.filePath(QStringLiteral("unit01.log"))), file);
}

void TestTextLog::writeBeforeInit()
{
    log_uninit();
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_.path()));
    const QString err = dir_.filePath(QStringLiteral("stderr.txt"));
    const QString out = dir_.filePath(QStringLiteral("stdout.txt"));
    {
        Redirect toErr(STDERR_FILENO, err);
        Redirect toOut(STDOUT_FILENO, out);
        // The defaults write Warning, Debug2 and Debug3 to app01.log and standard output.
        log_write("b.cpp", 1, LOG_LEVEL_WARNING, "early");
        log_write("b.cpp", 2, LOG_LEVEL_INFO, "not in the default mask");
    }
    QVERIFY(QDir::setCurrent(cwd));
    QVERIFY(readLog(QStringLiteral("stderr.txt")).contains(QStringLiteral("You should call log_init() first")));
    QVERIFY(readLog(QStringLiteral("stdout.txt")).contains(QStringLiteral("Warning: early")));
    QVERIFY(readLog(QStringLiteral("app01.log")).contains(QStringLiteral("Warning: early")));
    QVERIFY(!readLog(QStringLiteral("app01.log")).contains(QStringLiteral("not in the default mask")));
    QCOMPARE(log_get_outlevel(), 100);
}

QTEST_GUILESS_MAIN(TestTextLog)
#include "tst_textlog.moc"
