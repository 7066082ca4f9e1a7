// Our messaging library on real sockets: the request exchange with its time-out and early ends,
// the push server's bounds, its per-connection time-out and peer check, the daemon's frames.

#include "platform/corvismsg/corvismsg.h"
#include "support/logcapture.h"
#include "support/rawpeer.h"
#include "support/testprefix.h"

#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// Keeps a copy of every message; optionally acts on the connection.
class Collector : public PostDeal
{
public:
    std::function<void(us_post_t*)> act;

    int Process(us_post_t* post) override
    {
        {
            QMutexLocker lock(&mutex);
            messages.append(QByteArray(post->msg, post->len));
        }
        if (act) {
            act(post);
        }
        return 0;
    }

    QList<QByteArray> taken()
    {
        QMutexLocker lock(&mutex);
        return messages;
    }

    QMutex mutex;
    QList<QByteArray> messages;
};

// A US_Server serving on a thread of its own while the object lives.
class Serving
{
public:
    Serving(PostDeal* handler, const QString& path, const US_ServerOptions& options = US_ServerOptions())
        : server(handler, path.toLocal8Bit().constData(), options)
    {
        thread = std::thread([this]() { server.Run(); });
    }
    ~Serving()
    {
        server.Stop();
        thread.join();
    }
    US_Server server;
    std::thread thread;
};

QByteArray requestBuffer(uint16_t type, const QByteArray& param)
{
    QByteArray buffer(corvismsg::kRequestSize, '\0');
    std::memcpy(buffer.data(), &type, 2);
    std::memcpy(buffer.data() + 2, param.constData(), static_cast<size_t>(param.size()));
    return buffer;
}

void writeAllBlocking(int fd, const char* data, size_t length)
{
    while (length > 0) {
        const ssize_t n = ::send(fd, data, length, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        data += n;
        length -= static_cast<size_t>(n);
    }
}

}  // namespace

class TestCorvisMsg : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void requestAndReply();
    void initConnFails_data();
    void initConnFails();
    void recvFailures_data();
    void recvFailures();
    void recvAcrossPartialWrites();
    void staleSocketReplacedOtherFileKept();
    void pushDelivered();
    void badMessagesDropped_data();
    void badMessagesDropped();
    void silentClientDoesNotHoldOthers();
    void daemonFramesOnOneConnection();
    void otherUidRefused();

private:
    std::unique_ptr<TestPrefix> prefix_;
    QString path(const char* name) const { return prefix_->path(QStringLiteral("/tmp/") + QLatin1String(name)); }
};

void TestCorvisMsg::init()
{
    prefix_ = std::make_unique<TestPrefix>();
    QVERIFY(prefix_->isValid());
    corvismsg::setReceiveTimeoutMs(30000);
}

void TestCorvisMsg::cleanup()
{
    corvismsg::setReceiveTimeoutMs(30000);
    prefix_.reset();
}

void TestCorvisMsg::requestAndReply()
{
    Collector service;
    service.act = [](us_post_t* post) {
        QByteArray reply(corvismsg::kReplySize, '\0');
        const uint16_t type = 0x0113;
        const uint16_t status = 26;
        std::memcpy(reply.data(), &type, 2);
        std::memcpy(reply.data() + 2, &status, 2);
        std::memcpy(reply.data() + 4, "answer", 6);
        writeAllBlocking(post->fd, reply.constData(), static_cast<size_t>(reply.size()));
    };
    US_ServerOptions options;
    options.fixedSize = corvismsg::kRequestSize;
    Serving serving(&service, path(".svc.un"), options);
    QVERIFY(serving.server.IsListening());

    US_Client client;
    QCOMPARE(client.InitConn(0, 1, path(".svc.un").toLocal8Bit().constData()), 1);
    QByteArray request = requestBuffer(0x0113, "user\npass");
    QCOMPARE(client.SendMessage(request.data(), request.size()), 0);
    QByteArray reply(corvismsg::kReplySize, '\0');
    QCOMPARE(client.RecvMessage(reply.data(), reply.size()), corvismsg::kReplySize);
    client.CloseConn();

    uint16_t type;
    uint16_t status;
    std::memcpy(&type, reply.constData(), 2);
    std::memcpy(&status, reply.constData() + 2, 2);
    QCOMPARE(type, uint16_t(0x0113));
    QCOMPARE(status, uint16_t(26));
    QCOMPARE(QByteArray(reply.constData() + 4), QByteArray("answer"));
    const QList<QByteArray> received = service.taken();
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.first(), request);
}

void TestCorvisMsg::initConnFails_data()
{
    QTest::addColumn<QByteArray>("socketPath");
    QTest::addColumn<int>("type");
    QTest::newRow("missing socket") << QByteArray("/nonexistent/.x.un") << 1;
    QTest::newRow("path too long") << QByteArray(120, 'a').prepend('/') << 1;
    QTest::newRow("not a stream") << QByteArray("/nonexistent/.x.un") << 2;
}

void TestCorvisMsg::initConnFails()
{
    QFETCH(QByteArray, socketPath);
    QFETCH(int, type);
    US_Client client;
    QVERIFY(client.InitConn(0, static_cast<unsigned short>(type), socketPath.constData()) != 1);
    char buffer[4] = {};
    QVERIFY(client.SendMessage(buffer, 4) != 0);
    QVERIFY(client.RecvMessage(buffer, 4) < 1);
}

void TestCorvisMsg::recvFailures_data()
{
    QTest::addColumn<QString>("behaviour");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("closes without answering") << "close" << 0 << QString();
    QTest::newRow("closes after a part") << "part" << -1 << "the service closed after 100 of 64500 bytes";
    QTest::newRow("never answers") << "hang" << -2 << "no reply within 150 ms";
}

void TestCorvisMsg::recvFailures()
{
    QFETCH(QString, behaviour);
    QFETCH(int, expected);
    QFETCH(QString, logLine);
    corvismsg::setReceiveTimeoutMs(150);
    LogCapture log;
    std::vector<int> held;
    Collector service;
    service.act = [&](us_post_t* post) {
        if (behaviour == QLatin1String("part")) {
            writeAllBlocking(post->fd, QByteArray(100, 'x').constData(), 100);
        } else if (behaviour == QLatin1String("hang")) {
            held.push_back(service.DetachConnection());
        }
    };
    US_ServerOptions options;
    options.fixedSize = corvismsg::kRequestSize;
    {
        Serving serving(&service, path(".svc.un"), options);
        US_Client client;
        QCOMPARE(client.InitConn(0, 1, path(".svc.un").toLocal8Bit().constData()), 1);
        QByteArray request = requestBuffer(0x0112, QByteArray());
        QCOMPARE(client.SendMessage(request.data(), request.size()), 0);
        QByteArray reply(corvismsg::kReplySize, '\0');
        QCOMPARE(client.RecvMessage(reply.data(), reply.size()), expected);
    }
    for (int fd : held) {
        ::close(fd);
    }
    if (!logLine.isEmpty()) {
        QVERIFY2(log.contains(logLine, google::GLOG_WARNING), qPrintable(log.text()));
    }
}

void TestCorvisMsg::recvAcrossPartialWrites()
{
    QByteArray reply(corvismsg::kReplySize, '\0');
    for (int i = 0; i < reply.size(); ++i) {
        reply[i] = static_cast<char>(i * 7);
    }
    std::thread writer;
    Collector service;
    service.act = [&](us_post_t*) {
        const int fd = service.DetachConnection();
        writer = std::thread([fd, &reply]() {
            // Ten pieces with pauses: the reader must put them together.
            const int piece = reply.size() / 10;
            for (int offset = 0; offset < reply.size(); offset += piece) {
                writeAllBlocking(fd, reply.constData() + offset, static_cast<size_t>(std::min(piece, reply.size() - offset)));
                std::this_thread::sleep_for(std::chrono::milliseconds(3));
            }
            ::close(fd);
        });
    };
    US_ServerOptions options;
    options.fixedSize = corvismsg::kRequestSize;
    Serving serving(&service, path(".svc.un"), options);
    US_Client client;
    QCOMPARE(client.InitConn(0, 1, path(".svc.un").toLocal8Bit().constData()), 1);
    QByteArray request = requestBuffer(1, QByteArray());
    QCOMPARE(client.SendMessage(request.data(), request.size()), 0);
    QByteArray received(corvismsg::kReplySize, '\0');
    QCOMPARE(client.RecvMessage(received.data(), received.size()), corvismsg::kReplySize);
    writer.join();
    QCOMPARE(received, reply);
}

void TestCorvisMsg::staleSocketReplacedOtherFileKept()
{
    // A socket file left behind by a process that is gone.
    const QByteArray stale = path(".stale.un").toLocal8Bit();
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, stale.constData(), sizeof(addr.sun_path) - 1);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
        ::close(fd);
    }
    Collector handler;
    {
        US_Server server(&handler, stale.constData());
        QVERIFY(server.IsListening());
        struct stat st {};
        QCOMPARE(::stat(stale.constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0666u);
    }
    QVERIFY2(!QFileInfo::exists(QString::fromLocal8Bit(stale)), "the socket file is removed with the server");

    const QString regular = path("notasocket");
    QVERIFY(writeFile(regular, "keep me"));
    LogCapture log;
    US_Server server(&handler, regular.toLocal8Bit().constData());
    QVERIFY(!server.IsListening());
    QCOMPARE(server.Run(), -1);
    QCOMPARE(readFile(regular), QByteArray("keep me"));
    QVERIFY(log.contains(QStringLiteral("exists and is not a socket"), google::GLOG_ERROR));
}

void TestCorvisMsg::pushDelivered()
{
    Collector handler;
    Serving serving(&handler, path(".push.us"));
    US_Client client;
    QCOMPARE(client.InitConn(0, 1, path(".push.us").toLocal8Bit().constData()), 1);
    QCOMPARE(client.PostMessage(0x0326, 7, "spa ok", 6), 0);
    // Delivered means handled: the copy is there when PostMessage returns.
    const QList<QByteArray> messages = handler.taken();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first(), rawPushMessage(0x0326, 7, "spa ok"));

    US_Client big;
    QCOMPARE(big.InitConn(0, 1, path(".push.us").toLocal8Bit().constData()), 1);
    const QByteArray tooLong(64501, 'x');
    QCOMPARE(big.PostMessage(0x0331, 0, tooLong.constData(), tooLong.size()), -3);
}

void TestCorvisMsg::badMessagesDropped_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("logLine");
    QByteArray oversized = rawPushMessage(0x0331, 0, QByteArray(64505, 'x'));
    QTest::newRow("over 64512 bytes") << oversized << "message of 64517 bytes exceeds 64512, dropped";
    QByteArray truncated = rawPushMessage(0x0331, 0, QByteArray(100, 'x')).left(60);
    QTest::newRow("truncated") << truncated << "peer closed after 60 of 112 bytes, message dropped";
    QTest::newRow("header cut") << QByteArray("\x00\x01\x03", 3) << "peer closed after 3 of 8 bytes";
    QTest::newRow("version 2") << rawPushMessage(0x0300, 0, "x", 2) << "message of version 2 dropped";
}

void TestCorvisMsg::badMessagesDropped()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, logLine);
    LogCapture log;
    Collector handler;
    Serving serving(&handler, path(".push.us"));
    rawSend(path(".push.us"), bytes);
    QTRY_VERIFY2(log.contains(logLine, google::GLOG_WARNING), qPrintable(log.text()));
    // The server goes on: the next message is served.
    QCOMPARE(rawSend(path(".push.us"), rawPushMessage(0x0300, 1, "next")), 0);
    const QList<QByteArray> messages = handler.taken();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first(), rawPushMessage(0x0300, 1, "next"));
}

void TestCorvisMsg::silentClientDoesNotHoldOthers()
{
    LogCapture log;
    Collector handler;
    US_ServerOptions options;
    options.readTimeoutMs = 300;
    Serving serving(&handler, path(".push.us"), options);
    const int silent = rawConnect(path(".push.us"));
    QVERIFY(silent >= 0);
    QCOMPARE(::write(silent, "\x00\x01\x03", 3), ssize_t(3));
    // While the silent one is open, others are served.
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rawSend(path(".push.us"), rawPushMessage(0x0300, static_cast<uint16_t>(i), "x")), 0);
    }
    QCOMPARE(handler.taken().size(), 3);
    // And the silent one is closed once its time is up.
    pollfd p{silent, POLLIN, 0};
    QCOMPARE(::poll(&p, 1, 10000), 1);
    char byte;
    QCOMPARE(::read(silent, &byte, 1), ssize_t(0));
    ::close(silent);
    QVERIFY2(log.contains(QStringLiteral("no whole message within 300 ms (3 bytes)"), google::GLOG_WARNING),
             qPrintable(log.text()));
    QCOMPARE(handler.taken().size(), 3);
}

void TestCorvisMsg::daemonFramesOnOneConnection()
{
    Collector handler;
    US_ServerOptions options;
    options.stream = true;
    options.checkVersion = false;
    Serving serving(&handler, path(".daemon.sock"), options);

    TCP_Client client;
    TCP_Client::Option option;
    std::strncpy(option.path, path(".daemon.sock").toLocal8Bit().constData(), sizeof(option.path) - 1);
    QCOMPARE(client.Init(option), 1);
    QCOMPARE(client.SendMessage(5, 0x1012, "first", 5), 0);
    QCOMPARE(client.SendMessage(5, 0x1012, "", 0), 0);
    QCOMPARE(client.SendMessage(6, 0x2000, "third", 5), 0);
    client.Destroy();

    QTRY_COMPARE(handler.taken().size(), 3);
    const QList<QByteArray> frames = handler.taken();
    QCOMPARE(frames.at(0), QByteArray("\x00\x05\x10\x12\x00\x00\x00\x05" "first", 13));
    QCOMPARE(frames.at(1), QByteArray("\x00\x05\x10\x12\x00\x00\x00\x00", 8));
    QCOMPARE(frames.at(2), QByteArray("\x00\x06\x20\x00\x00\x00\x00\x05" "third", 13));

    TCP_Client missing;
    TCP_Client::Option nowhere;
    std::strncpy(nowhere.path, path(".none.sock").toLocal8Bit().constData(), sizeof(nowhere.path) - 1);
    QVERIFY(missing.Init(nowhere) <= 0);
    QVERIFY(missing.SendMessage(5, 0x1012, "x", 1) != 0);
}

void TestCorvisMsg::otherUidRefused()
{
    if (::geteuid() != 0) {
        QSKIP("needs root to connect as another user");
    }
    // Let the other user reach the socket, so that only the peer check stands in its way.
    QVERIFY(::chmod(prefix_->root().toLocal8Bit().constData(), 0755) == 0);
    QVERIFY(::chmod(prefix_->path("/tmp").toLocal8Bit().constData(), 0755) == 0);
    LogCapture log;
    Collector handler;
    Serving serving(&handler, path(".push.us"));
    // nobody pushes a close command.
    int child = 0;
    QCOMPARE(sendAsUser(65534, path(".push.us"), rawPushMessage(0x0311, 0, QByteArray()), &child), 0);
    QTRY_VERIFY2(log.contains(QStringLiteral("refused a connection from uid 65534, pid %1").arg(child),
                              google::GLOG_WARNING),
                 qPrintable(log.text()));
    QVERIFY(handler.taken().isEmpty());
    // Our own uid is still served.
    QCOMPARE(rawSend(path(".push.us"), rawPushMessage(0x0300, 0, QByteArray())), 0);
    QCOMPARE(handler.taken().size(), 1);
}

QTEST_GUILESS_MAIN(TestCorvisMsg)
#include "tst_corvismsg.moc"
