// SIGTERM and SIGQUIT end the workbench with code 2 within about a second even while the GUI
// thread is busy: a child process (this program, started again) runs the signal handling over an
// event loop that is idle or stuck in a 60-second computation.

#include "app/signaltaker.h"

#include <QtTest>

#include <csignal>
#include <cstdio>

namespace {

const char* const kChildFlag = "--signal-child";

// The child: "idle" leaves the event loop free; "busy" blocks the GUI thread for 60 s.
int runChild(int argc, char** argv, const QByteArray& mode)
{
    QCoreApplication app(argc, argv);
    setSignalTaker();
    QTimer::singleShot(0, [mode]() {
        std::printf("ready\n");
        std::fflush(stdout);
        if (mode == "busy") {
            QElapsedTimer clock;
            clock.start();
            volatile unsigned long spin = 0;
            while (clock.elapsed() < 60000) {
                ++spin;
            }
        }
    });
    return app.exec();
}

}  // namespace

class TestSignalTaker : public QObject
{
    Q_OBJECT

private slots:
    void endsWithTwo_data();
    void endsWithTwo();
};

void TestSignalTaker::endsWithTwo_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("sig");
    QTest::newRow("SIGTERM, idle loop") << "idle" << int(SIGTERM);
    QTest::newRow("SIGTERM, busy GUI thread") << "busy" << int(SIGTERM);
    QTest::newRow("SIGQUIT, busy GUI thread") << "busy" << int(SIGQUIT);
}

void TestSignalTaker::endsWithTwo()
{
    QFETCH(QString, mode);
    QFETCH(int, sig);
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kChildFlag), mode});
    QVERIFY(child.waitForStarted(10000));
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += child.readAllStandardOutput()).contains("ready") || child.state() != QProcess::Running,
                             30000);
    QCOMPARE(child.state(), QProcess::Running);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(::kill(static_cast<pid_t>(child.processId()), sig), 0);
    // The busy loop lasts a minute; ending long before it proves that the loop was not waited for.
    QVERIFY(child.waitForFinished(30000));
    qInfo("ended %lld ms after the signal", clock.elapsed());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 2);
    const QByteArray log = child.readAllStandardError();
    QVERIFY2(log.contains("corvisbench exit!"), log.constData());
    QCOMPARE(log.contains("the event loop did not take signal"), mode == QLatin1String("busy"));
}

int main(int argc, char** argv)
{
    if (argc >= 3 && qstrcmp(argv[1], kChildFlag) == 0) {
        return runChild(argc, argv, argv[2]);
    }
    QCoreApplication app(argc, argv);
    TestSignalTaker test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_signaltaker.moc"
