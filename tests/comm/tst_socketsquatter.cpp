// Paths held by someone else. A listener of another user on a service socket gets nothing (no
// request, no push, no command) and the request fails as when the service is missing; a push
// socket path held by a file, another user's socket or a socket that is still served is left
// alone, told to the user once, and taken as soon as it is free.

#include "comm/clientreq.h"
#include "comm/serverdeal.h"
#include "comm/uicomm.h"
#include "comm/unixclient.h"
#include "comm/unixserver.h"
#include "comm/unsocket.h"
#include "corviscommon/productpath.h"
#include "platform/corvismsg/corvismsg.h"
#include "support/logcapture.h"
#include "support/rawpeer.h"
#include "support/testprefix.h"

#include <QtTest>

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr unsigned int kNobody = 65534;

QString pushPath()
{
    return corvis::productPathQ(QStringLiteral("/tmp/.corvisbench.us"));
}

// A socket file at `path` that nobody serves any more.
bool staleSocket(const QString& path)
{
    const QByteArray local = path.toLocal8Bit();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, local.constData(), sizeof(addr.sun_path) - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool ok = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    ::close(fd);
    return ok;
}

bool isRoot()
{
    return ::geteuid() == 0;
}

}  // namespace

class TestSocketSquatter : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void requestsSendNothing_data();
    void requestsSendNothing();
    void pushSenderSendsNothing();
    void stationCommandSendsNothing();
    void pushPathHeld_data();
    void pushPathHeld();

private:
    std::unique_ptr<TestPrefix> prefix_;
};

void TestSocketSquatter::init()
{
    prefix_ = std::make_unique<TestPrefix>();
    QVERIFY(prefix_->isValid());
    QVERIFY(QDir().mkpath(prefix_->path(QStringLiteral("/tmp"))));
    QVERIFY(QDir().mkpath(prefix_->path(QStringLiteral("/run/user/corvis"))));
}

void TestSocketSquatter::cleanup()
{
    QCoreApplication::processEvents();
    prefix_.reset();
}

void TestSocketSquatter::requestsSendNothing_data()
{
    QTest::addColumn<int>("peer");
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("param");
    // A login carries the account and password in clear.
    QTest::newRow("corvisclient login") << int(ReqPeer::Corvisclient) << int(CReqClientLogin76)
                                        << QStringLiteral("zhang\nSecret#2024\n1");
    QTest::newRow("corvisclient query") << int(ReqPeer::Corvisclient) << int(CReqClientQuerySystemTitle) << QString();
    QTest::newRow("corvisclient without reply") << int(ReqPeer::Corvisclient) << int(CReqClientLogout) << QString();
    QTest::newRow("corvistray") << int(ReqPeer::Corvistray) << int(CReqTray36) << QStringLiteral("text");
    QTest::newRow("corvisupdatesrv") << int(ReqPeer::Corvisupdatesrv) << int(CReqUpdate39) << QStringLiteral("x");
    QTest::newRow("corvisweb") << int(ReqPeer::Corvisweb) << int(CReqWebShow) << QStringLiteral("x");
    QTest::newRow("corvisdaemon") << int(ReqPeer::Corvisdaemon) << int(CReqDaemonSandbox) << QStringLiteral("x");
}

void TestSocketSquatter::requestsSendNothing()
{
    if (!isRoot()) {
        QSKIP("needs root to listen as another user");
    }
    QFETCH(int, peer);
    QFETCH(int, req);
    QFETCH(QString, param);
    const ReqPeer p = static_cast<ReqPeer>(peer);
    const QString path = p == ReqPeer::Corvisdaemon ? UnixClient::daemonSocketPath() : peerSocketPath(p);
    ForeignListener listener(kNobody, path);
    QVERIFY(listener.waitListening());

    LogCapture log;
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    const ClientReq r = static_cast<ClientReq>(req);
    switch (p) {
    case ReqPeer::Corvisclient:
        UiComm::instance()->apiCorvisclientCommon(r, param, true);
        break;
    case ReqPeer::Corvistray:
        UiComm::instance()->apiCorvistrayCommon(r, param);
        break;
    case ReqPeer::Corvisupdatesrv:
        UiComm::instance()->apiCorvisUpdateSrvCommon(r, param);
        break;
    case ReqPeer::Corvisweb:
        UiComm::instance()->apiCorviswebCommon(r, param);
        break;
    default:
        UiComm::instance()->apiCorvisdaemonCommon(r, param);
        break;
    }
    const QString refusal = QStringLiteral("runs as uid %1, pid %2, neither root nor our own user: nothing sent")
                                .arg(kNobody)
                                .arg(listener.pid());
    QTRY_VERIFY2(log.contains(refusal, google::GLOG_ERROR), qPrintable(log.text()));
    // The usual failure of a missing service (requests without a reply included).
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(int(spy.first().at(0).value<ClientReq>()), req);
    QCOMPARE(spy.first().at(1).toString(), QStringLiteral("__CONNECT_ERROR__"));
    QVERIFY(spy.first().at(3).toBool());
    // The listener may have seen the connection, never a byte.
    QCOMPARE(listener.bytesReceived(), qint64(0));
    QVERIFY(!log.text().contains(QStringLiteral("Secret#2024")));
}

void TestSocketSquatter::pushSenderSendsNothing()
{
    if (!isRoot()) {
        QSKIP("needs root to listen as another user");
    }
    ForeignListener listener(kNobody, pushPath());
    QVERIFY(listener.waitListening());
    LogCapture log;
    US_Client client;
    errno = 0;
    QVERIFY(client.InitConn(0, 1, pushPath().toLocal8Bit().constData()) != 1);
    QCOMPARE(errno, EACCES);
    QVERIFY(client.PostMessage(0x0311, 0, "x", 1) != 0);
    QVERIFY(log.contains(QStringLiteral("runs as uid %1, pid %2").arg(kNobody).arg(listener.pid()), google::GLOG_ERROR));
    TCP_Client daemon;
    TCP_Client::Option option;
    std::strncpy(option.path, pushPath().toLocal8Bit().constData(), sizeof(option.path) - 1);
    QVERIFY(daemon.Init(option) <= 0);
    QCOMPARE(listener.bytesReceived(), qint64(0));
    // The listener does take what a careless client sends.
    const int fd = rawConnect(pushPath());
    QVERIFY(fd >= 0);
    QCOMPARE(::send(fd, "abc", 3, MSG_NOSIGNAL), ssize_t(3));
    QTRY_COMPARE(listener.bytesReceived(), qint64(3));
    ::close(fd);
}

void TestSocketSquatter::stationCommandSendsNothing()
{
    if (!isRoot()) {
        QSKIP("needs root to listen as another user");
    }
    ForeignListener listener(kNobody, corvis::productPathQ(QStringLiteral("/tmp/.userstation.un")));
    QVERIFY(listener.waitListening());
    LogCapture log;
    QCOMPARE(corvis_station_execute_cmd("xdg-open 'https://portal/?ticket=abc'"), -2);
    QVERIFY(log.contains(QStringLiteral("runs as uid %1, pid %2").arg(kNobody).arg(listener.pid()), google::GLOG_ERROR));
    QCOMPARE(listener.bytesReceived(), qint64(0));
}

void TestSocketSquatter::pushPathHeld_data()
{
    QTest::addColumn<QString>("holder");
    QTest::addColumn<bool>("needsRoot");
    QTest::addColumn<QString>("reason");
    QTest::newRow("file of another user") << "file-nobody" << true << "exists and is not a socket (owner uid 65534)";
    QTest::newRow("socket of another user") << "socket-nobody" << true << "is a socket of uid 65534, not ours";
    QTest::newRow("file of ours") << "file-ours" << false << "exists and is not a socket";
    QTest::newRow("socket of ours still served") << "served" << false << "is served by another process";
}

void TestSocketSquatter::pushPathHeld()
{
    QFETCH(QString, holder);
    QFETCH(bool, needsRoot);
    QFETCH(QString, reason);
    if (needsRoot && !isRoot()) {
        QSKIP("needs root to give the path to another user");
    }
    const QString path = pushPath();
    const QByteArray local = path.toLocal8Bit();
    std::unique_ptr<RawServicePeer> served;
    if (holder.startsWith(QLatin1String("file"))) {
        QVERIFY(writeFile(path, "not a socket"));
    } else if (holder == QLatin1String("socket-nobody")) {
        QVERIFY(staleSocket(path));
    } else {
        served = std::make_unique<RawServicePeer>(path, [](const RawServicePeer::Request&) { return RawServicePeer::Reply(); });
        QVERIFY(served->isListening());
    }
    const long owner = holder.endsWith(QLatin1String("nobody")) ? long(kNobody) : long(::geteuid());
    if (owner != long(::geteuid())) {
        QCOMPARE(::chown(local.constData(), kNobody, kNobody), 0);
    }

    LogCapture log;
    UnixServer server(path);
    server.setRetryIntervalMs(50);
    QSignalSpy failed(&server, &UnixServer::listenFailed);
    QSignalSpy again(&server, &UnixServer::listeningAgain);
    QSignalSpy pushed(server.severDeal(), &ServerDeal::sendWindowStatusChanged);
    QVERIFY(!server.isListening());
    server.start();
    QTRY_COMPARE(failed.count(), 1);
    QVERIFY2(failed.first().at(0).toString().contains(reason), qPrintable(failed.first().at(0).toString()));
    QCOMPARE(failed.first().at(1).toLongLong(), qlonglong(owner));
    QVERIFY(log.contains(QStringLiteral("UnixServer: cannot listen on %1").arg(path), google::GLOG_ERROR));
    QVERIFY(log.contains(QStringLiteral("the path belongs to uid %1").arg(owner), google::GLOG_ERROR));
    // Several attempts later: told once, logged once, and the holder is left as it was.
    QTest::qWait(300);
    QCOMPARE(failed.count(), 1);
    int lines = 0;
    for (const QString& line : log.lines(google::GLOG_ERROR)) {
        lines += line.contains(QLatin1String("cannot listen on")) ? 1 : 0;
    }
    QCOMPARE(lines, 1);
    struct stat st {};
    QCOMPARE(::lstat(local.constData(), &st), 0);
    QCOMPARE(long(st.st_uid), owner);
    if (holder.startsWith(QLatin1String("file"))) {
        QCOMPARE(readFile(path), QByteArray("not a socket"));
    }

    // Once the path is free, the server takes it on its next attempt and pushes arrive.
    served.reset();
    QFile::remove(path);
    QTRY_VERIFY(server.isListening());
    QTRY_COMPARE(again.count(), 1);
    QCOMPARE(rawSend(path, rawPushMessage(0x0310, 0, QByteArray())), 0);
    QTRY_COMPARE(pushed.count(), 1);
    server.stop();
    server.wait();
}

QTEST_GUILESS_MAIN(TestSocketSquatter)
#include "tst_socketsquatter.moc"
