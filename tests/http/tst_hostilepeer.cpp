// Hostile HTTP peers. A server that announces 10 GB, sends an endless chunked body, trickles one
// byte every 20 s or sends a 128 MB header line: every call of both transports ends within its
// deadline with the call's usual failure and bounded memory. And a client that posts 1 GB to the
// loopback controller stand-in is refused without bringing it down.

#include "http/chttpcurlclient.h"
#include "http/chttpevent.h"

#include "support/ctlsim.h"
#include "support/logcapture.h"
#include "support/testprefix.h"

#include <QtTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Resident and peak memory of this process, in kB.
qint64 statusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key)) {
            return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

// One TCP server on 127.0.0.1 that answers every connection the hostile way of its mode.
class HostileServer
{
public:
    explicit HostileServer(const QByteArray& mode) : mode_(mode)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof addr;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener_, 16) != 0
            || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &length) != 0 || ::pipe2(wake_, O_CLOEXEC) != 0) {
            return;
        }
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this]() { run(); });
    }
    ~HostileServer()
    {
        if (thread_.joinable()) {
            const char byte = 1;
            [[maybe_unused]] const ssize_t n = ::write(wake_[1], &byte, 1);
            thread_.join();
        }
        for (int fd : {listener_, wake_[0], wake_[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    int port() const { return port_; }
    QByteArray url() const { return "http://127.0.0.1:" + QByteArray::number(port_) + "/api"; }

private:
    // Waits up to `ms` for the stop signal; true when it came.
    bool stopped(int ms)
    {
        pollfd p{wake_[0], POLLIN, 0};
        return ::poll(&p, 1, ms) > 0;
    }

    bool send(int fd, const QByteArray& data)
    {
        int done = 0;
        while (done < data.size()) {
            pollfd p[2] = {{fd, POLLOUT, 0}, {wake_[0], POLLIN, 0}};
            if (::poll(p, 2, 1000) < 0 || p[1].revents != 0) {
                return false;
            }
            if (p[0].revents & (POLLERR | POLLHUP)) {
                return false;
            }
            if ((p[0].revents & POLLOUT) == 0) {
                continue;
            }
            const ssize_t n = ::send(fd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && errno != EAGAIN) {
                return false;
            }
            done += n > 0 ? int(n) : 0;
        }
        return true;
    }

    void serve(int fd)
    {
        // The request, whatever it is.
        char sink[4096];
        [[maybe_unused]] const ssize_t got = ::recv(fd, sink, sizeof sink, 0);
        const QByteArray block(64 * 1024, 'z');
        if (mode_ == "huge-length") {
            if (!send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 10737418240\r\n\r\n")) {
                return;
            }
            while (send(fd, block)) {
            }
        } else if (mode_ == "endless-chunked") {
            if (!send(fd, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")) {
                return;
            }
            const QByteArray chunk = QByteArray::number(block.size(), 16) + "\r\n" + block + "\r\n";
            while (send(fd, chunk)) {
            }
        } else if (mode_ == "trickle") {
            const QByteArray reply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
            for (char c : reply) {
                if (!send(fd, QByteArray(1, c)) || stopped(20000)) {
                    return;
                }
            }
        } else if (mode_ == "long-header") {
            if (!send(fd, "HTTP/1.1 200 OK\r\nX-Long: ")) {
                return;
            }
            for (qint64 sent = 0; sent < 128LL * 1024 * 1024 && send(fd, block); sent += block.size()) {
            }
        }
    }

    void run()
    {
        for (;;) {
            pollfd p[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
            if (::poll(p, 2, -1) < 0 || p[1].revents != 0) {
                return;
            }
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                serve(fd);
                ::close(fd);
            }
        }
    }

    QByteArray mode_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    int port_ = 0;
    std::thread thread_;
};

}  // namespace

class TestHostilePeer : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void eventClient_data();
    void eventClient();
    void curlClient_data();
    void curlClient();
    void hugeRequestToTheStandIn();
};

void TestHostilePeer::cleanup()
{
    CHttpEvent::setTotalDeadlineMs(0);
}

void TestHostilePeer::eventClient_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("10 GB Content-Length") << QByteArray("huge-length") << "refused: its body exceeds 8388608 bytes";
    QTest::newRow("endless chunked body") << QByteArray("endless-chunked") << "refused: its body exceeds 8388608 bytes";
    QTest::newRow("one byte every 20 s") << QByteArray("trickle") << "not done within 3000 ms, abandoned";
    QTest::newRow("128 MB header line") << QByteArray("long-header") << "refused: its headers are malformed or exceed 262144 bytes";
}

void TestHostilePeer::eventClient()
{
    QFETCH(QByteArray, mode);
    QFETCH(QString, logLine);
    HostileServer server(mode);
    QVERIFY(server.port() > 0);
    // The operations' own deadline (30 s) made short for the test.
    CHttpEvent::setTotalDeadlineMs(3000);
    LogCapture log;
    const qint64 before = statusKb("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    for (int operation = 0; operation < 2; ++operation) {
        CHttpEvent event;
        if (operation == 0) {
            QCOMPARE(event.get_method(server.url().constData(), CHttpEvent::https_request_done_cb), 0);
        } else {
            QCOMPARE(event.post_method(server.url().constData(), "a=1", CHttpEvent::https_request_done_cb), 0);
        }
        // The usual failure: no response, and the transport's error lines.
        QVERIFY(event.get_response_data().empty());
    }
    const qint64 elapsed = clock.elapsed();
    const qint64 peak = statusKb("VmHWM:");
    qInfo("%s: two calls in %lld ms, resident %lld kB before, peak %lld kB", mode.constData(), elapsed, before, peak);
    QVERIFY2(log.contains(logLine, google::GLOG_ERROR), qPrintable(log.text().left(4000)));
    QVERIFY(log.contains(QStringLiteral("https_request_done_cb req is null socket error:"), google::GLOG_ERROR));
    // Well inside the hostile pace (a trickled reply would take minutes) and a few MB of memory.
    QVERIFY2(elapsed < 30000, qPrintable(QString::number(elapsed)));
    QVERIFY2(peak - before < 128 * 1024, qPrintable(QString::number(peak - before)));
}

void TestHostilePeer::curlClient_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::newRow("10 GB Content-Length") << QByteArray("huge-length");
    QTest::newRow("endless chunked body") << QByteArray("endless-chunked");
    QTest::newRow("one byte every 20 s") << QByteArray("trickle");
    QTest::newRow("128 MB header line") << QByteArray("long-header");
}

void TestHostilePeer::curlClient()
{
    QFETCH(QByteArray, mode);
    HostileServer server(mode);
    QVERIFY(server.port() > 0);
    const qint64 before = statusKb("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    std::string response;
    std::string headers;
    QVERIFY(CHttpCurlClient::HttpGets(server.url().toStdString(), response, true, headers, 3) != 0);
    std::string posted;
    QVERIFY(CHttpCurlClient::HttpPost(server.url().toStdString(), "{}", posted, 3) != 0);
    const qint64 elapsed = clock.elapsed();
    const qint64 peak = statusKb("VmHWM:");
    qInfo("%s: two calls in %lld ms, resident %lld kB before, peak %lld kB", mode.constData(), elapsed, before, peak);
    QVERIFY(response.size() <= 8 * 1024 * 1024);
    QVERIFY2(elapsed < 30000, qPrintable(QString::number(elapsed)));
    QVERIFY2(peak - before < 128 * 1024, qPrintable(QString::number(peak - before)));
}

void TestHostilePeer::hugeRequestToTheStandIn()
{
    TestPrefix prefix;
    CtlSim sim(prefix, R"({"sandbox": {"*": {"body": "fine"}}})");
    QVERIFY2(sim.isRunning(), qPrintable(sim.startError()));
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(sim.sandboxPort()));
    QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    // 1 GB announced, and the first megabytes of it sent.
    const QByteArray head = "POST /quarrow/api/v1/x HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 1073741824\r\n\r\n";
    QCOMPARE(::send(fd, head.constData(), size_t(head.size()), MSG_NOSIGNAL), ssize_t(head.size()));
    const QByteArray block(64 * 1024, 'x');
    for (int i = 0; i < 64; ++i) {
        if (::send(fd, block.constData(), size_t(block.size()), MSG_NOSIGNAL) < 0) {
            break;
        }
    }
    QByteArray answer;
    char buffer[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0) {
            break;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        answer.append(buffer, int(n));
    }
    ::close(fd);
    QVERIFY2(answer.startsWith("HTTP/1.1 413"), answer.left(200).constData());
    // Not recorded, and still serving.
    QVERIFY(sim.requests().isEmpty());
    CHttpEvent event;
    QCOMPARE(event.get_method(sim.sandboxUrl(QStringLiteral("/quarrow/api/v1/y")).toUtf8().constData(),
                              CHttpEvent::https_request_done_cb),
             0);
    QCOMPARE(QString::fromStdString(event.get_response_data()), QStringLiteral("fine"));
}

QTEST_GUILESS_MAIN(TestHostilePeer)
#include "tst_hostilepeer.moc"
