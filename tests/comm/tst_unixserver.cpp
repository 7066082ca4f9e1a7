// The push server: every inbound code to its signal and argument, the edition rule of 0x0322,
// order, malformed messages, peers of another uid, and delivery to the GUI thread.

#include "comm/serverdeal.h"
#include "comm/unixserver.h"
#include "corviscommon/productpath.h"
#include "support/logcapture.h"
#include "support/rawpeer.h"
#include "support/simprocess.h"
#include "support/testprefix.h"

#include <QtTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Every signal of a ServerDeal as one line, in the order the GUI thread received them.
class Recorder : public QObject
{
public:
    explicit Recorder(ServerDeal* deal)
    {
        connect(deal, &ServerDeal::sendServerMsg, this, [this](ServerReq req, const QString& text, int arg) {
            add(QStringLiteral("server %1 %2 [%3]").arg(req).arg(arg).arg(text));
        });
        connect(deal, &ServerDeal::sendWindowStatusChanged, this,
                [this](ServerReq req) { add(QStringLiteral("window %1").arg(req)); });
        connect(deal, &ServerDeal::sendOpenWindow, this, [this](ServerReq req) { add(QStringLiteral("open %1").arg(req)); });
        connect(deal, &ServerDeal::sendSandboxReady, this,
                [this](const QString& text) { add(QStringLiteral("sandbox [%1]").arg(text)); });
    }
    QStringList lines;
    bool offGuiThread = false;

private:
    void add(const QString& line)
    {
        offGuiThread = offGuiThread || QThread::currentThread() != QCoreApplication::instance()->thread();
        lines.append(line);
    }
};

}  // namespace

class TestUnixServer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void codes_data();
    void codes();
    void sandboxReadyVesk_data();
    void sandboxReadyVesk();
    void orderKept();
    void malformedDropped_data();
    void malformedDropped();
    void otherUidRefused();
    void pushedByCorvissim();
    void stopEndsThread();
    void queueToGuiBounded();
    void receiverWithItsOwnEventLoop();
    void refusedFloodLogsLittle();

private:
    QString socketPath() const { return corvis::productPathQ(QStringLiteral("/tmp/.corvisbench.us")); }
    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<UnixServer> server_;
    std::unique_ptr<Recorder> recorder_;
};

void TestUnixServer::init()
{
    prefix_ = std::make_unique<TestPrefix>();
    server_ = std::make_unique<UnixServer>(socketPath());
    QVERIFY(server_->isListening());
    recorder_ = std::make_unique<Recorder>(server_->severDeal());
    server_->start();
}

void TestUnixServer::cleanup()
{
    QVERIFY(!recorder_->offGuiThread);
    server_.reset();
    recorder_.reset();
    prefix_.reset();
}

void TestUnixServer::codes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    QTest::newRow("0x0300") << 0x0300 << "" << "window 0";
    QTest::newRow("0x0301") << 0x0301 << "" << "window 1";
    QTest::newRow("0x0310") << 0x0310 << "" << "window 16";
    QTest::newRow("0x0311") << 0x0311 << "" << "window 17";
    QTest::newRow("0x0320") << 0x0320 << "" << "open 32";
    QTest::newRow("0x0323") << 0x0323 << "sb-1" << "sandbox [sb-1]";
    QTest::newRow("0x0323 empty") << 0x0323 << "" << "sandbox []";
    QTest::newRow("0x0324") << 0x0324 << "t" << "server 36 0 [t]";
    QTest::newRow("0x0325") << 0x0325 << "t" << "server 37 9 [t]";
    QTest::newRow("0x0326") << 0x0326 << "OPEN1443" << "server 38 9 [OPEN1443]";
    QTest::newRow("0x0327") << 0x0327 << "t" << "server 39 9 [t]";
    QTest::newRow("0x0328") << 0x0328 << "t" << "server 40 0 [t]";
    QTest::newRow("0x0329") << 0x0329 << "t" << "server 41 0 [t]";
    QTest::newRow("0x0330") << 0x0330 << "t" << "server 42 0 [t]";
    QTest::newRow("0x0331") << 0x0331 << "t" << "server 43 9 [t]";
    QTest::newRow("0x0204") << 0x0204 << "{\"id\":1}" << "server 44 9 [{\"id\":1}]";
    QTest::newRow("0x0205") << 0x0205 << "t" << "server 45 9 [t]";
    QTest::newRow("0x0206") << 0x0206 << "t" << "server 46 9 [t]";
    QTest::newRow("0x0201") << 0x0201 << "t" << "server 48 9 [t]";
    QTest::newRow("0x0202") << 0x0202 << "风险" << "server 64 9 [风险]";
    QTest::newRow("0x0302") << 0x0302 << "t" << "server 80 9 [t]";
    QTest::newRow("0x0303") << 0x0303 << "t" << "server 81 9 [t]";
    QTest::newRow("0x0207") << 0x0207 << "" << "server 82 9 []";
}

void TestUnixServer::codes()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QFETCH(QString, line);
    LogCapture log;
    QCOMPARE(rawSend(socketPath(), rawPushMessage(static_cast<uint16_t>(code), 9, text.toUtf8())), 0);
    QTRY_COMPARE(recorder_->lines, QStringList{line});
    QVERIFY(log.contains(QStringLiteral("FUNC(_parseProtocol) current cmd: 0x%1").arg(code, 0, 16), google::GLOG_INFO));
}

void TestUnixServer::sandboxReadyVesk_data()
{
    QTest::addColumn<QByteArray>("edition");
    QTest::addColumn<bool>("emitted");
    QTest::newRow("standard") << QByteArray() << false;
    QTest::newRow("rolq") << QByteArray("rolq") << false;
    QTest::newRow("vesk uos") << QByteArray("vesk-uos-4.19.71") << true;
    QTest::newRow("vesk kylin") << QByteArray("vesk-kylin-5.4.18-32") << true;
}

void TestUnixServer::sandboxReadyVesk()
{
    QFETCH(QByteArray, edition);
    QFETCH(bool, emitted);
    QVERIFY(prefix_->writeSysCfg("[Mervasso]\ncustomProject=" + edition + "\n"));
    QCOMPARE(rawSend(socketPath(), rawPushMessage(0x0322, 0, "sb-7")), 0);
    // A later message shows that the first was handled, whatever it gave.
    QCOMPARE(rawSend(socketPath(), rawPushMessage(0x0310, 0, QByteArray())), 0);
    QTRY_VERIFY(recorder_->lines.contains(QStringLiteral("window 16")));
    const QStringList expected = emitted ? QStringList{QStringLiteral("sandbox [sb-7]"), QStringLiteral("window 16")}
                                         : QStringList{QStringLiteral("window 16")};
    QCOMPARE(recorder_->lines, expected);
}

void TestUnixServer::orderKept()
{
    QStringList expected;
    for (int i = 0; i < 200; ++i) {
        QCOMPARE(rawSend(socketPath(), rawPushMessage(0x0204, static_cast<uint16_t>(i), QByteArray::number(i))), 0);
        expected.append(QStringLiteral("server 44 %1 [%1]").arg(i));
    }
    QTRY_COMPARE(recorder_->lines.size(), 200);
    QCOMPARE(recorder_->lines, expected);
}

void TestUnixServer::malformedDropped_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("unknown code") << rawPushMessage(0x0999, 1, "x") << "FUNC(_parseProtocol) exception server request code: 0x999";
    QTest::newRow("over 64512 bytes") << rawPushMessage(0x0331, 0, QByteArray(64600, 'x')) << "exceeds 64512, dropped";
    QTest::newRow("truncated") << rawPushMessage(0x0331, 0, QByteArray(500, 'x')).left(300) << "message dropped";
    QByteArray noCommand("\x00\x01\x03\x31\x00\x00\x00\x01" "x", 9);
    QTest::newRow("body without a command") << noCommand << "FUNC(_parseProtocol) body of 1 bytes has no command";
}

void TestUnixServer::malformedDropped()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, logLine);
    LogCapture log;
    rawSend(socketPath(), bytes);
    QTRY_VERIFY2(log.contains(logLine), qPrintable(log.text()));
    QCOMPARE(rawSend(socketPath(), rawPushMessage(0x0300, 0, QByteArray())), 0);
    QTRY_COMPARE(recorder_->lines, QStringList{QStringLiteral("window 0")});
}

void TestUnixServer::otherUidRefused()
{
    if (::geteuid() != 0) {
        QSKIP("needs root to connect as another user");
    }
    QVERIFY(::chmod(prefix_->root().toLocal8Bit().constData(), 0755) == 0);
    QVERIFY(::chmod(prefix_->path("/tmp").toLocal8Bit().constData(), 0755) == 0);
    LogCapture log;
    // A local user trying to close the workbench.
    int child = 0;
    QCOMPARE(sendAsUser(65534, socketPath(), rawPushMessage(0x0311, 0, QByteArray()), &child), 0);
    QTRY_VERIFY(log.contains(QStringLiteral("refused a connection from uid 65534, pid %1").arg(child), google::GLOG_WARNING));
    QCOMPARE(rawSend(socketPath(), rawPushMessage(0x0310, 0, QByteArray())), 0);
    QTRY_VERIFY(!recorder_->lines.isEmpty());
    QCOMPARE(recorder_->lines, QStringList{QStringLiteral("window 16")});
}

void TestUnixServer::pushedByCorvissim()
{
    QCOMPARE(SimProcess::push(prefix_->root(), {"--code", "0x0326", "--arg", "3", "--text", "YZY_ONLYAUTH_SUCCESS"}), 0);
    QCOMPARE(SimProcess::push(prefix_->root(), {"--code", "0x0301"}), 0);
    QTRY_COMPARE(recorder_->lines,
                 (QStringList{QStringLiteral("server 38 3 [YZY_ONLYAUTH_SUCCESS]"), QStringLiteral("window 1")}));
}

void TestUnixServer::stopEndsThread()
{
    server_->stop();
    QVERIFY(server_->wait(10000));
    QVERIFY(!server_->isRunning());
    QCOMPARE(rawSend(socketPath(), rawPushMessage(0x0300, 0, QByteArray())), -1);
    server_.reset();
    QVERIFY(!QFileInfo::exists(socketPath()));
}

void TestUnixServer::queueToGuiBounded()
{
    ServerDeal* deal = server_->severDeal();
    deal->setMaxPending(50);
    LogCapture log;
    // The GUI thread is busy (it handles no event) while 300 messages arrive.
    std::thread sender([this]() {
        for (int i = 0; i < 300; ++i) {
            rawSend(socketPath(), rawPushMessage(0x0204, 0, QByteArray::number(i)));
        }
    });
    sender.join();
    QCOMPARE(deal->pending(), 50);
    QCOMPARE(deal->dropped(), quint64(250));
    QTRY_COMPARE(recorder_->lines.size(), 50);
    QCOMPARE(deal->pending(), 0);
    // The first 50 in order; the rest were dropped, and said so in a few lines with the count.
    QCOMPARE(recorder_->lines.first(), QStringLiteral("server 44 0 [0]"));
    QCOMPARE(recorder_->lines.last(), QStringLiteral("server 44 0 [49]"));
    const QStringList warnings = log.lines(google::GLOG_WARNING).filter(QStringLiteral("pushed messages wait for the GUI thread"));
    QVERIFY(!warnings.isEmpty());
    QVERIFY2(warnings.size() <= 5, qPrintable(warnings.join('\n')));
    QVERIFY(warnings.first().contains(QStringLiteral("dropped 0x204 (1 dropped in all)")));
    // Room again: the next message goes through.
    QCOMPARE(rawSend(socketPath(), rawPushMessage(0x0300, 0, QByteArray())), 0);
    QTRY_COMPARE(recorder_->lines.size(), 51);
    QCOMPARE(recorder_->lines.last(), QStringLiteral("window 0"));
}

void TestUnixServer::receiverWithItsOwnEventLoop()
{
    // The first message's receiver runs an event loop of its own (as a dialog does) until the
    // others have reached it: they still arrive, each once and in order, while it waits.
    ServerDeal* deal = server_->severDeal();
    QStringList inner;
    bool nested = false;
    QEventLoop dialog;
    connect(deal, &ServerDeal::sendServerMsg, &dialog, [&](ServerReq, const QString& text, int) {
        if (nested) {
            inner.append(text);
            if (inner.size() == 99) {
                dialog.quit();
            }
            return;
        }
        if (text == QLatin1String("0")) {
            nested = true;
            QTimer::singleShot(60000, &dialog, &QEventLoop::quit);
            dialog.exec();
            nested = false;
        }
    });
    // All are queued before the first is handled: they wait together.
    for (int i = 0; i < 100; ++i) {
        QCOMPARE(rawSend(socketPath(), rawPushMessage(0x0204, 0, QByteArray::number(i))), 0);
    }
    QTRY_COMPARE(recorder_->lines.size(), 100);
    QCOMPARE(inner.size(), 99);
    for (int i = 0; i < 100; ++i) {
        QCOMPARE(recorder_->lines.at(i), QStringLiteral("server 44 0 [%1]").arg(i));
    }
    QTRY_COMPARE(deal->pending(), 0);
}

void TestUnixServer::refusedFloodLogsLittle()
{
    if (::geteuid() != 0) {
        QSKIP("needs root to connect as another user");
    }
    QVERIFY(::chmod(prefix_->root().toLocal8Bit().constData(), 0755) == 0);
    QVERIFY(::chmod(prefix_->path("/tmp").toLocal8Bit().constData(), 0755) == 0);
    LogCapture log;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 40; ++i) {
        QCOMPARE(sendAsUser(65534, socketPath(), rawPushMessage(0x0311, 0, QByteArray()), nullptr), 0);
    }
    const qint64 seconds = clock.elapsed() / 1000;
    const QStringList refused = log.lines(google::GLOG_WARNING).filter(QStringLiteral("refused a connection from uid 65534"));
    // One line a second at most, each with the count of those left out since the previous one.
    QVERIFY2(refused.size() >= 1 && refused.size() <= seconds + 2, qPrintable(refused.join('\n')));
    QVERIFY(recorder_->lines.isEmpty());
}

QTEST_GUILESS_MAIN(TestUnixServer)
#include "tst_unixserver.moc"
