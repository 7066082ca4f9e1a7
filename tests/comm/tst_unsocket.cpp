// Our own framing on the command sockets, and the user-station command.

#include "comm/unsocket.h"
#include "support/logcapture.h"
#include "support/simprocess.h"
#include "support/testprefix.h"

#include <QtTest>

#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Both ends of a connected stream pair; closed with the object.
struct Pair {
    int fds[2] = {-1, -1};
    Pair() { ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds); }
    ~Pair()
    {
        closeEnd(0);
        closeEnd(1);
    }
    void closeEnd(int i)
    {
        if (fds[i] >= 0) {
            ::close(fds[i]);
            fds[i] = -1;
        }
    }
};

}  // namespace

class TestUnSocket : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void recvFailures_data();
    void recvFailures();
    void sendFailures();
    void initUnixSocket();
    void stationCommand();
    void stationCommandFailures();
};

void TestUnSocket::roundTrip_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("empty") << 0;
    QTest::newRow("one byte") << 1;
    QTest::newRow("64000 bytes") << 64000;
}

void TestUnSocket::roundTrip()
{
    QFETCH(int, length);
    LogCapture log;
    std::string body(static_cast<size_t>(length), '\0');
    for (int i = 0; i < length; ++i) {
        body[static_cast<size_t>(i)] = static_cast<char>(i % 251);
    }
    Pair pair;
    int sent = -100;
    std::thread writer([&]() { sent = send_message_to_unsocket(pair.fds[0], 4102, body); });
    std::string received = "stale";
    const int rc = recv_message_from_unsocket(pair.fds[1], received);
    writer.join();
    QCOMPARE(sent, 0);
    QCOMPARE(rc, length);
    QVERIFY(received == body);
    QCOMPARE(log.contains(QStringLiteral("recv msg_len = 0."), google::GLOG_WARNING), length == 0);
}

void TestUnSocket::recvFailures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("nothing") << QByteArray() << -2 << "readn version failed, err:peer closed the connection";
    QTest::newRow("cut in the version") << QByteArray("\x00", 1) << -2 << "readn version failed";
    QTest::newRow("cut in the protocol") << QByteArray("\x00\x01\x10", 3) << -3 << "readn protocol failed";
    QTest::newRow("cut in the length") << QByteArray("\x00\x01\x10\x06\x00\x00", 6) << -4 << "readn length failed";
    QTest::newRow("body cut short") << QByteArray("\x00\x01\x10\x06\x00\x00\x00\x0a" "abc", 11) << -6
                                    << "readn failed, err:peer closed the connection";
    QTest::newRow("length over the limit") << QByteArray("\x00\x01\x10\x06\x7f\xff\xff\xff", 8) << -4
                                           << "msg_len too large: 2147483647";
    // The version is not checked: any value reads as a frame.
    QTest::newRow("version 7 is read") << QByteArray("\x00\x07\x10\x06\x00\x00\x00\x02" "ok", 10) << 2 << QString();
}

void TestUnSocket::recvFailures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    QFETCH(QString, logLine);
    LogCapture log;
    Pair pair;
    QCOMPARE(::write(pair.fds[0], bytes.constData(), static_cast<size_t>(bytes.size())), ssize_t(bytes.size()));
    pair.closeEnd(0);
    std::string body;
    QCOMPARE(recv_message_from_unsocket(pair.fds[1], body), expected);
    if (expected > 0) {
        QCOMPARE(QByteArray::fromStdString(body), bytes.mid(8));
    } else {
        QVERIFY(body.empty());
        QVERIFY2(log.contains(logLine, google::GLOG_ERROR), qPrintable(log.text()));
    }
}

void TestUnSocket::sendFailures()
{
    LogCapture log;
    std::string body;
    QCOMPARE(recv_message_from_unsocket(-1, body), -1);
    QVERIFY(log.contains(QStringLiteral("invalid fd."), google::GLOG_ERROR));
    QCOMPARE(send_message_to_unsocket(-1, 4102, "x"), -1);
    QVERIFY(log.contains(QStringLiteral("invalid socket fd."), google::GLOG_ERROR));

    Pair pair;
    pair.closeEnd(1);
    QCOMPARE(send_message_to_unsocket(pair.fds[0], 4102, "x"), -3);
    QVERIFY(log.contains(QStringLiteral("writen failed, err:Broken pipe"), google::GLOG_ERROR));
}

void TestUnSocket::initUnixSocket()
{
    TestPrefix prefix;
    LogCapture log;
    const QByteArray missing = prefix.path("/tmp/.none.un").toLocal8Bit();
    QCOMPARE(init_unix_socket(missing.constData()), -2);
    QVERIFY(log.contains(QStringLiteral("connect to unix socket failed:No such file or directory"), google::GLOG_ERROR));
    // A path longer than an address holds is refused, not cut to another name.
    const QByteArray tooLong = prefix.path("/tmp/").toLocal8Bit() + QByteArray(110, 'a');
    QCOMPARE(init_unix_socket(tooLong.constData()), -2);
    QVERIFY(log.contains(QStringLiteral("connect to unix socket failed:File name too long"), google::GLOG_ERROR));
}

void TestUnSocket::stationCommand()
{
    TestPrefix prefix;
    SimProcess sim(prefix.root());
    QVERIFY2(sim.start(), qPrintable(sim.errorOutput()));
    QCOMPARE(corvis_station_execute_cmd("notify-send hello &"), 0);
    QVERIFY(sim.waitForRequest(QStringLiteral("userstation"), QStringLiteral("0x1006")));
    const QList<QJsonObject> requests = sim.requests(QStringLiteral("userstation"));
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().value(QStringLiteral("body")).toString(), QStringLiteral("notify-send hello &"));
}

void TestUnSocket::stationCommandFailures()
{
    TestPrefix prefix;
    LogCapture log;
    QCOMPARE(corvis_station_execute_cmd(""), -1);
    QCOMPARE(corvis_station_execute_cmd(nullptr), -1);
    QVERIFY(log.contains(QStringLiteral("invalid cmd"), google::GLOG_ERROR));
    QCOMPARE(corvis_station_execute_cmd("true"), -2);
    QVERIFY(log.contains(QStringLiteral("init unix socket failed."), google::GLOG_ERROR));
}

QTEST_GUILESS_MAIN(TestUnSocket)
#include "tst_unsocket.moc"
