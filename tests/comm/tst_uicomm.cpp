// Outbound requests through UiComm: the result of every exchange (and of none for the requests
// without reply), the status table of the client service, the logs and the threads left behind.
// Peers are real: a service written from the wire format, and corvissim.

#include "comm/clientreq.h"
#include "comm/requestpool.h"
#include "comm/uicomm.h"
#include "comm/unixclient.h"
#include "corviscommon/productpath.h"
#include "platform/corvismsg/corvismsg.h"
#include "support/logcapture.h"
#include "support/rawpeer.h"
#include "support/simprocess.h"
#include "support/testprefix.h"

#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

struct Result {
    int req;
    QString resMsg;
    QString extra;
    bool failed;
};

QList<Result> results(const QSignalSpy& spy)
{
    QList<Result> out;
    for (const QList<QVariant>& args : spy) {
        out.append({args.at(0).value<ClientReq>(), args.at(1).toString(), args.at(2).toString(), args.at(3).toBool()});
    }
    return out;
}

// Worker threads still alive (the OS thread takes the QThread's object name).
int workerThreads()
{
    int count = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (readFile(tasks.filePath(task) + QStringLiteral("/comm")).trimmed() == "UnixClient") {
            ++count;
        }
    }
    return count;
}

// Accepts every connection and reads it to its end without ever answering; one thread, so that
// its own threads do not count.
class HangingService
{
public:
    explicit HangingService(const QString& path)
    {
        const QByteArray local = path.toLocal8Bit();
        QDir().mkpath(QFileInfo(path).absolutePath());
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, local.constData(), sizeof(addr.sun_path) - 1);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(listener_, 128) != 0
            || ::pipe2(wake_, O_CLOEXEC) != 0) {
            ::close(listener_);
            listener_ = -1;
            return;
        }
        thread_ = std::thread([this]() { loop(); });
    }
    ~HangingService()
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
    bool isListening() const { return listener_ >= 0; }

private:
    void loop()
    {
        std::vector<int> open;
        for (;;) {
            std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
            for (int fd : open) {
                fds.push_back({fd, POLLIN, 0});
            }
            if (::poll(fds.data(), fds.size(), -1) < 0) {
                continue;
            }
            if (fds[0].revents != 0) {
                break;
            }
            std::vector<int> still;
            for (size_t i = 2; i < fds.size(); ++i) {
                char sink[65536];
                if (fds[i].revents != 0 && ::read(fds[i].fd, sink, sizeof sink) <= 0) {
                    ::close(fds[i].fd);
                } else {
                    still.push_back(fds[i].fd);
                }
            }
            open.swap(still);
            if (fds[1].revents != 0) {
                int fd;
                while ((fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0) {
                    open.push_back(fd);
                }
            }
        }
        for (int fd : open) {
            ::close(fd);
        }
    }

    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::thread thread_;
};

// Every thread of this process.
int allThreads()
{
    return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
}

// One request through the entry point of its peer.
void send(ReqPeer peer, int req, const QString& param)
{
    const ClientReq r = static_cast<ClientReq>(req);
    switch (peer) {
    case ReqPeer::Corvisclient:
        UiComm::instance()->apiCorvisclientCommon(r, param, false);
        break;
    case ReqPeer::Corvistray:
        UiComm::instance()->apiCorvistrayCommon(r, param);
        break;
    case ReqPeer::Corvisupdatesrv:
        UiComm::instance()->apiCorvisUpdateSrvCommon(r, param);
        break;
    case ReqPeer::Corvisweb:
        UiComm::instance()->apiCorviswebCommon(r, param, false);
        break;
    case ReqPeer::Corvisdaemon:
    case ReqPeer::None:
        UiComm::instance()->apiCorvisdaemonCommon(r, param);
        break;
    }
}

// The catalogue as the services know it: value, peer, wire type (for the daemon its command),
// reply and quiet marks.
struct Known {
    int req;
    ReqPeer peer;
    uint16_t type;
    bool reply = false;
    bool quiet = false;
};
const ReqPeer C = ReqPeer::Corvisclient;
const Known kKnown[] = {
    {64, C, 0x0106, true, false},   {65, C, 0x0101, true, true},    {66, C, 0x0102, true, true},
    {67, C, 0x0103, true, true},    {68, C, 0x0104, true, true},    {69, C, 0x010A, true, true},
    {70, C, 0x010B, true, true},    {71, C, 0x010C, true, false},   {72, C, 0x010D, true, false},
    {73, C, 0x010E, true, false},   {74, C, 0x010F, true, true},    {75, C, 0x0112, true, false},
    {76, C, 0x0113, true, true},    {77, C, 0x0117, true, false},   {78, C, 0x0118, true, false},
    {79, C, 0x0119, true, false},   {80, C, 0x011A, true, true},    {81, C, 0x011C, true, true},
    {82, C, 0x0127, true, false},   {83, C, 0x0129, true, true},    {84, C, 0x0129, true, true},
    {85, C, 0x0130, true, true},    {86, C, 0x0130, true, true},    {87, C, 0x0131, true, true},
    {88, C, 0x0141, false, false},  {89, C, 0x0142, false, false},  {90, C, 0x0144, true, false},
    {96, C, 0x0107, false, false},  {98, C, 0x0109, true, false},   {99, C, 0x0110, true, false},
    {100, C, 0x0111, true, false},  {101, C, 0x0114, true, false},  {102, C, 0x0115, true, false},
    {103, C, 0x0116, true, false},  {104, C, 0x011B, true, false},  {105, C, 0x011D, true, false},
    {106, C, 0x011E, true, false},  {107, C, 0x011F, true, true},   {108, C, 0x0120, true, true},
    {109, C, 0x0121, true, true},   {110, C, 0x0122, true, true},   {111, C, 0x0123, true, true},
    {112, C, 0x0124, true, true},   {113, C, 0x0125, true, true},   {114, C, 0x0126, true, false},
    {115, C, 0x0128, true, true},   {116, C, 0x0136, true, true},   {117, C, 0x0138, true, true},
    {118, C, 0x0137, true, false},  {128, C, 0x0133, true, true},   {129, C, 0x0134, true, true},
    {130, C, 0x0143, true, true},   {257, C, 0x9002, false, false}, {4101, C, 0x0605, true, true},
    {33, ReqPeer::Corvistray, 0x2103},      {34, ReqPeer::Corvistray, 0x0501},
    {35, ReqPeer::Corvistray, 0x4003},      {36, ReqPeer::Corvistray, 0x0401},
    {37, ReqPeer::Corvistray, 0x0601},      {38, ReqPeer::Corvistray, 0x0701},
    {41, ReqPeer::Corvistray, 0x4103},      {48, ReqPeer::Corvistray, 0x4203},
    {49, ReqPeer::Corvistray, 0x4303},      {39, ReqPeer::Corvisupdatesrv, 0x3901},
    {40, ReqPeer::Corvisupdatesrv, 0x4001}, {4097, ReqPeer::Corvisweb, 0x1020},
    {4098, ReqPeer::Corvisweb, 0x1120},     {4099, ReqPeer::Corvisweb, 0x1220},
    {4100, ReqPeer::Corvisweb, 0x1320},     {160, ReqPeer::Corvisdaemon, 0x1012},
};

QString clientPath()
{
    return peerSocketPath(ReqPeer::Corvisclient);
}

RawServicePeer::Reply answer(uint16_t type, uint16_t status, const QByteArray& text)
{
    RawServicePeer::Reply reply;
    reply.type = type;
    reply.status = status;
    reply.text = text;
    return reply;
}

}  // namespace

class TestUiComm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void missingSocketGivesOneConnectError_data();
    void missingSocketGivesOneConnectError();
    void backToBackIndependent();
    void statusTable_data();
    void statusTable();
    void emptyReply();
    void communicationFailures_data();
    void communicationFailures();
    void noReplyRequests_data();
    void noReplyRequests();
    void quietParameterNeverLogged_data();
    void quietParameterNeverLogged();
    void longParameterCut();
    void wireTypes_data();
    void wireTypes();
    void valuesOutsideThePeer_data();
    void valuesOutsideThePeer();
    void daemonSocketBySandboxType_data();
    void daemonSocketBySandboxType();
    void logLines();
    void resultOnGuiThread();
    void serverIsNormal();
    void boundedPoolUnderHangingService();
    void requestThatCannotStartFails();

private:
    std::unique_ptr<TestPrefix> prefix_;
};

void TestUiComm::initTestCase()
{
    UiComm::instance();
}

void TestUiComm::init()
{
    prefix_ = std::make_unique<TestPrefix>();
    QVERIFY(prefix_->isValid());
}

void TestUiComm::cleanup()
{
    corvismsg::setReceiveTimeoutMs(30000);
    // Nothing of one case reaches into the next.
    QTRY_COMPARE(workerThreads(), 0);
    QCoreApplication::processEvents();
    prefix_.reset();
}

void TestUiComm::missingSocketGivesOneConnectError_data()
{
    QTest::addColumn<int>("peer");
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("corvisclient") << int(ReqPeer::Corvisclient) << int(CReqClientLogin76)
                                  << "disposeCorvisclientCommon socket not exist";
    QTest::newRow("corvistray") << int(ReqPeer::Corvistray) << int(CReqTray36) << "disposeCorvistrayCommon socket not exist";
    QTest::newRow("corvisupdatesrv") << int(ReqPeer::Corvisupdatesrv) << int(CReqUpdate39)
                                     << "disposeCorvisUpdateSrvCommon socket not exist";
    QTest::newRow("corvisweb") << int(ReqPeer::Corvisweb) << int(CReqWebShow) << "disposeCorviswebCommon socket not exist";
    QTest::newRow("corvisdaemon") << int(ReqPeer::Corvisdaemon) << int(CReqDaemonSandbox)
                                  << "disposeCorvisdaemonCommon socket not exist";
}

void TestUiComm::missingSocketGivesOneConnectError()
{
    QFETCH(int, peer);
    QFETCH(int, req);
    QFETCH(QString, logLine);
    LogCapture log;
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    send(static_cast<ReqPeer>(peer), req, QStringLiteral("x"));
    QTRY_COMPARE(spy.count(), 1);
    QTRY_COMPARE(workerThreads(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 1);
    const Result result = results(spy).first();
    QCOMPARE(result.req, req);
    QCOMPARE(result.resMsg, QStringLiteral("__CONNECT_ERROR__"));
    QCOMPARE(result.extra, QString());
    QVERIFY(result.failed);
    QVERIFY(log.contains(logLine, google::GLOG_WARNING));
}

void TestUiComm::backToBackIndependent()
{
    RawServicePeer peer(clientPath(), [](const RawServicePeer::Request& request) {
        return answer(request.type, 0, "echo:" + request.param);
    });
    QVERIFY(peer.isListening());
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    UiComm::instance()->apiCorvisclientCommon(CReqClientPortalRefresh101, QStringLiteral("one"), false);
    UiComm::instance()->apiCorvisclientCommon(CReqClientPortalRefresh102, QStringLiteral("two"), false);
    QTRY_COMPARE(spy.count(), 2);
    QMap<int, QString> byReq;
    for (const Result& result : results(spy)) {
        QVERIFY(!result.failed);
        byReq.insert(result.req, result.resMsg);
    }
    QCOMPARE(byReq.value(CReqClientPortalRefresh101), QStringLiteral("echo:one"));
    QCOMPARE(byReq.value(CReqClientPortalRefresh102), QStringLiteral("echo:two"));
}

void TestUiComm::statusTable_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("edition");
    QTest::addColumn<bool>("withSubStatus");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("resMsg");
    QTest::addColumn<QString>("extra");
    const QString text = QStringLiteral("reply-text");
    const QString none;
    const QString tirrowa = QStringLiteral("tirrowa-uos-x86");
    QTest::newRow("plain, 0") << int(CReqClientQuerySystemTitle) << 0 << none << true << 0 << text << "0";
    QTest::newRow("plain, 0, no sub-status") << int(CReqClientQuerySystemTitle) << 0 << none << false << 0 << text << none;
    QTest::newRow("plain, 5") << int(CReqClientQuerySystemTitle) << 5 << none << true << 6 << text << none;
    QTest::newRow("plain, 3") << int(CReqClientPortalRefresh101) << 3 << none << true << 6 << text << none;
    QTest::newRow("plain 74, 26") << int(CReqClientLogin74) << 26 << none << true << 6 << text << none;
    for (int status : {3, 14, 15, 16, 17, 18}) {
        QTest::addRow("login 66, %d", status) << int(CReqClientLogin66) << status << none << true << 0
                                              << QString::number(status) << "0";
    }
    QTest::newRow("login 81, 18") << int(CReqClientModifyPwd) << 18 << none << true << 0 << "18" << "0";
    QTest::newRow("login 76, 7") << int(CReqClientLogin76) << 7 << none << true << 0 << text << "7";
    QTest::newRow("login 83, 7") << int(CReqClientLoginAuthCode83) << 7 << none << true << 0 << text << "7";
    QTest::newRow("login 84, 7") << int(CReqClientLoginAuthCode84) << 7 << none << true << 0 << text << "7";
    QTest::newRow("login 66, 7") << int(CReqClientLogin66) << 7 << none << true << 5 << text << none;
    QTest::newRow("login 83, 25") << int(CReqClientLoginAuthCode83) << 25 << none << true << 0 << text << "25";
    QTest::newRow("login 84, 25") << int(CReqClientLoginAuthCode84) << 25 << none << true << 0 << text << "25";
    QTest::newRow("login 76, 25") << int(CReqClientLogin76) << 25 << none << true << 5 << text << none;
    QTest::newRow("login 80, 19") << int(CReqClientLogin80) << 19 << none << true << 0 << text << "19";
    QTest::newRow("login 76, 19") << int(CReqClientLogin76) << 19 << none << true << 5 << text << none;
    QTest::newRow("login 76, 21") << int(CReqClientLogin76) << 21 << none << true << 0 << text << "21";
    QTest::newRow("login 76, 22") << int(CReqClientLogin76) << 22 << none << true << 0 << text << "22";
    QTest::newRow("login 80, 21") << int(CReqClientLogin80) << 21 << none << true << 5 << text << none;
    QTest::newRow("login 85, 26") << int(CReqClientLogin85) << 26 << none << true << 0 << text << "26";
    QTest::newRow("login 86, 27") << int(CReqClientLogin86) << 27 << none << true << 0 << text << "27";
    QTest::newRow("login 76, 9") << int(CReqClientLogin76) << 9 << none << true << 5 << text << none;
    QTest::newRow("login 76, 20 standard") << int(CReqClientLogin76) << 20 << none << true << 5 << text << none;
    QTest::newRow("tirrowa 76, 20") << int(CReqClientLogin76) << 20 << tirrowa << true << 0 << text << "20";
    QTest::newRow("tirrowa 74, 20") << int(CReqClientLogin74) << 20 << tirrowa << true << 0 << text << "20";
    QTest::newRow("tirrowa 66, 20") << int(CReqClientLogin66) << 20 << tirrowa << true << 5 << text << none;
    QTest::newRow("tirrowa 75, 20") << int(CReqClientQuerySystemTitle) << 20 << tirrowa << true << 6 << text << none;
}

void TestUiComm::statusTable()
{
    QFETCH(int, req);
    QFETCH(int, status);
    QFETCH(QString, edition);
    QFETCH(bool, withSubStatus);
    QFETCH(int, code);
    QFETCH(QString, resMsg);
    QFETCH(QString, extra);
    if (!edition.isEmpty()) {
        QVERIFY(prefix_->writeSysCfg("[Mervasso]\ncustomProject=" + edition.toUtf8() + "\n"));
    }
    RawServicePeer peer(clientPath(), [status](const RawServicePeer::Request& request) {
        return answer(request.type, static_cast<uint16_t>(status), "reply-text");
    });
    LogCapture log;
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    UiComm::instance()->apiCorvisclientCommon(static_cast<ClientReq>(req), QStringLiteral("p"), withSubStatus);
    QTRY_COMPARE(spy.count(), 1);
    const Result result = results(spy).first();
    QCOMPARE(result.req, req);
    QCOMPARE(result.resMsg, resMsg);
    QCOMPARE(result.extra, extra);
    QCOMPARE(result.failed, code != 0);
    const QString codeLine = withSubStatus ? QStringLiteral("UnixClient code: %1, resMsg: %2, subStatus: ").arg(code).arg(resMsg)
                                           : QStringLiteral("UnixClient code: %1, resMsg: %2").arg(code).arg(resMsg);
    QVERIFY2(log.contains(codeLine, google::GLOG_INFO), qPrintable(log.text()));
    QCOMPARE(log.contains(QStringLiteral("emit CS_RET_ROMOTE_LOGIN_WARN, ret: 27")), status == 27);
}

void TestUiComm::emptyReply()
{
    RawServicePeer peer(clientPath(), [](const RawServicePeer::Request&) { return answer(0, 0, "ignored"); });
    LogCapture log;
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    UiComm::instance()->apiCorvisclientCommon(CReqClientLogin76, QStringLiteral("p"), true);
    QTRY_COMPARE(spy.count(), 1);
    const Result result = results(spy).first();
    QVERIFY(result.failed);
    QCOMPARE(result.resMsg, QStringLiteral("接受后台信息失败"));
    QCOMPARE(result.extra, QString());
    QVERIFY(log.contains(QStringLiteral("recvMsg is empty!"), google::GLOG_ERROR));
}

void TestUiComm::communicationFailures_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("cut");
    QTest::newRow("closes without answering") << int(RawServicePeer::Reply::Close) << -1;
    QTest::newRow("answers half") << int(RawServicePeer::Reply::Answer) << 32250;
    QTest::newRow("never answers") << int(RawServicePeer::Reply::Hang) << -1;
}

void TestUiComm::communicationFailures()
{
    QFETCH(int, action);
    QFETCH(int, cut);
    corvismsg::setReceiveTimeoutMs(200);
    RawServicePeer peer(clientPath(), [&](const RawServicePeer::Request& request) {
        RawServicePeer::Reply reply = answer(request.type, 0, "x");
        reply.action = static_cast<RawServicePeer::Reply::Action>(action);
        reply.cut = cut;
        return reply;
    });
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    UiComm::instance()->apiCorvisclientCommon(CReqClientLogin76, QStringLiteral("p"), true);
    QTRY_COMPARE(spy.count(), 1);
    const Result result = results(spy).first();
    QVERIFY(result.failed);
    QCOMPARE(result.resMsg, QStringLiteral("后台通信失败"));
}

void TestUiComm::noReplyRequests_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<int>("wireType");
    QTest::newRow("88") << int(CReqClientMsgRead) << 0x0141;
    QTest::newRow("89") << int(CReqClient89) << 0x0142;
    QTest::newRow("96") << int(CReqClient96) << 0x0107;
    QTest::newRow("257") << int(CReqClientLogout) << 0x9002;
}

void TestUiComm::noReplyRequests()
{
    QFETCH(int, req);
    QFETCH(int, wireType);
    RawServicePeer peer(clientPath(), [](const RawServicePeer::Request&) {
        RawServicePeer::Reply reply;
        reply.action = RawServicePeer::Reply::ReadOnly;
        return reply;
    });
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    UiComm::instance()->apiCorvisclientCommon(static_cast<ClientReq>(req), QStringLiteral("body"), true);
    QTRY_COMPARE(peer.requests().size(), 1);
    QCOMPARE(int(peer.requests().first().type), wireType);
    QCOMPARE(peer.requests().first().param, QByteArray("body"));
    QTRY_COMPARE(workerThreads(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 0);
}

void TestUiComm::quietParameterNeverLogged_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<bool>("quiet");
    for (const Known& known : kKnown) {
        if (known.peer == ReqPeer::Corvisclient && known.reply) {
            QTest::addRow("%d", known.req) << known.req << known.quiet;
        }
    }
}

void TestUiComm::quietParameterNeverLogged()
{
    QFETCH(int, req);
    QFETCH(bool, quiet);
    RawServicePeer peer(clientPath(), [](const RawServicePeer::Request& request) {
        return answer(request.type, 0, QByteArray());
    });
    LogCapture log;
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    const QString secret = QStringLiteral("user\nS3cret-%1").arg(req);
    UiComm::instance()->apiCorvisclientCommon(static_cast<ClientReq>(req), secret, true);
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(peer.requests().first().param, secret.toUtf8());
    // 114 is logged, but its second field is the binding token.
    QCOMPARE(log.text().contains(QStringLiteral("S3cret")), !quiet && req != CReqClient114);
    QVERIFY(log.contains(QStringLiteral("FUNC(apiCorvisclientCommon) reqType: 0x%1").arg(req, 0, 16)));
}

void TestUiComm::longParameterCut()
{
    RawServicePeer peer(clientPath(), [](const RawServicePeer::Request& request) {
        return answer(request.type, 0, QByteArray::number(request.param.size()));
    });
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    UiComm::instance()->apiCorvisclientCommon(CReqClientApplyCommit, QString(70000, QLatin1Char('a')), false);
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(results(spy).first().resMsg, QStringLiteral("64500"));
    QCOMPARE(peer.requests().first().param, QByteArray(64500, 'a'));
}

void TestUiComm::wireTypes_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<int>("peer");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("result");
    for (const Known& known : kKnown) {
        // Only the client service's requests without reply end without a result.
        const bool result = known.peer != ReqPeer::Corvisclient || known.reply;
        QTest::addRow("%d", known.req) << known.req << int(known.peer) << QString::asprintf("0x%04x", known.type)
                                       << result;
    }
}

void TestUiComm::wireTypes()
{
    QFETCH(int, req);
    QFETCH(int, peer);
    QFETCH(QString, type);
    QFETCH(bool, result);
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(), qPrintable(sim.errorOutput()));
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    const QString param = QStringLiteral("param-%1").arg(req);
    send(static_cast<ReqPeer>(peer), req, param);
    QVERIFY(sim.waitForRequest(peerName(static_cast<ReqPeer>(peer)), type));
    const QList<QJsonObject> recorded = sim.requests();
    QCOMPARE(recorded.size(), 1);
    QCOMPARE(recorded.first().value(QStringLiteral("body")).toString(), param);
    if (!result) {
        QTRY_COMPARE(workerThreads(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(spy.count(), 0);
        return;
    }
    QTRY_COMPARE(spy.count(), 1);
    const Result got = results(spy).first();
    QCOMPARE(got.req, req);
    QVERIFY(!got.failed);
    QCOMPARE(got.resMsg, QString());
}

void TestUiComm::valuesOutsideThePeer_data()
{
    QTest::addColumn<int>("peer");
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("tray given a login") << int(ReqPeer::Corvistray) << int(CReqClientLogin76) << "exception request code: 76";
    QTest::newRow("web given a tray value") << int(ReqPeer::Corvisweb) << int(CReqTray33) << "exception request code: 33";
    QTest::newRow("client given a tray value") << int(ReqPeer::Corvisclient) << int(CReqTray33)
                                               << "exception request code: 33";
    QTest::newRow("daemon given a tray value") << int(ReqPeer::Corvisdaemon) << int(CReqTray33) << "got a wrong reqType:33";
}

void TestUiComm::valuesOutsideThePeer()
{
    QFETCH(int, peer);
    QFETCH(int, req);
    QFETCH(QString, logLine);
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(), qPrintable(sim.errorOutput()));
    LogCapture log;
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    send(static_cast<ReqPeer>(peer), req, QStringLiteral("x"));
    // Nothing is sent; the caller still gets a failure instead of waiting for ever.
    QTRY_COMPARE(spy.count(), 1);
    const Result result = results(spy).first();
    QVERIFY(result.failed);
    QCOMPARE(result.resMsg, QStringLiteral("后台通信失败"));
    QVERIFY(log.contains(logLine, google::GLOG_ERROR));
    QVERIFY(sim.requests().isEmpty());
}

void TestUiComm::daemonSocketBySandboxType_data()
{
    QTest::addColumn<QByteArray>("sandboxType");
    QTest::addColumn<QString>("socket");
    QTest::newRow("not set") << QByteArray() << "/run/user/corvis/.corvisdaemon.sock";
    QTest::newRow("0") << QByteArray("0") << "/run/user/corvis/.corvisdaemon.sock";
    QTest::newRow("1") << QByteArray("1") << "/tmp/.corvis_cfs/.corvisdaemon.sock";
    QTest::newRow("7") << QByteArray("7") << "/run/user/corvis/.corvisdaemon.sock";
}

void TestUiComm::daemonSocketBySandboxType()
{
    QFETCH(QByteArray, sandboxType);
    QFETCH(QString, socket);
    QVERIFY(prefix_->writeSysCfg("[Mervasso]\nsandboxtype=" + sandboxType + "\n"));
    // A daemon on the expected socket only.
    struct Frames : PostDeal {
        int Process(us_post_t* post) override
        {
            QMutexLocker lock(&mutex);
            frames.append(QByteArray(post->msg, post->len));
            return 0;
        }
        int count()
        {
            QMutexLocker lock(&mutex);
            return frames.size();
        }
        QMutex mutex;
        QList<QByteArray> frames;
    } daemon;
    US_ServerOptions options;
    options.stream = true;
    options.checkVersion = false;
    const QByteArray path = corvis::productPathQ(socket).toLocal8Bit();
    corvis::makeParentDirs(path.toStdString());
    US_Server server(&daemon, path.constData(), options);
    QVERIFY(server.IsListening());
    std::thread serving([&]() { server.Run(); });
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    UiComm::instance()->apiCorvisdaemonCommon(CReqDaemonSandbox, QStringLiteral("{\"op\":1}"));
    QTRY_COMPARE(spy.count(), 1);
    QVERIFY(!results(spy).first().failed);
    QTRY_COMPARE(daemon.count(), 1);
    server.Stop();
    serving.join();
    QCOMPARE(daemon.frames.first(), QByteArray("\x00\x05\x10\x12\x00\x00\x00\x08{\"op\":1}", 16));
}

void TestUiComm::logLines()
{
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(QByteArray(R"({"corvisclient": {"0x0112": [{"reply": "title"}]}})")), qPrintable(sim.errorOutput()));
    LogCapture log;
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    UiComm::instance()->apiCorvisclientCommon(CReqClientQuerySystemTitle, QStringLiteral("{}"), false);
    UiComm::instance()->apiCorvistrayCommon(CReqTray36, QStringLiteral("notice"));
    UiComm::instance()->apiCorviswebCommon(CReqWebShow, QStringLiteral("show"), true);
    UiComm::instance()->apiCorvisUpdateSrvCommon(CReqUpdate39, QString());
    UiComm::instance()->apiCorvisdaemonCommon(CReqDaemonSandbox, QStringLiteral("sandbox"));
    QTRY_COMPARE(spy.count(), 5);
    const QStringList expected = {
        QStringLiteral("FUNC(apiCorvisclientCommon) reqType: 0x4b, param: {}"),
        QStringLiteral("FUNC(disposeCorvisclientCommon) SendMessage succ! reqType: 0x4b"),
        QStringLiteral("recv succ! recvLen:64500"),
        QStringLiteral("FUNC(disposeCorvisclientCommon) exit."),
        QStringLiteral("UnixClient code: 0, resMsg: title"),
        QStringLiteral("FUNC(apiCorvistrayCommon) reqType: 0x24"),
        QStringLiteral("SendMessage corvistray succ! reqType: 0x24"),
        QStringLiteral("FUNC(apiCorviswebCommon) reqType: 0x1001, param: show"),
        QStringLiteral("SendMessage corvisweb succ! reqType: 0x1001"),
        QStringLiteral("FUNC(apiCorvisUpdateSrvCommon) reqType: 39"),
        QStringLiteral("SendMessage corvisupdatesrv succ! reqType: 0x27"),
        QStringLiteral("FUNC(apiCorvisdaemonCommon) reqType: 160"),
        QStringLiteral("FUNC(disposeCorvisdaemonCommon) SendMessage succ! reqType: 0xa0"),
    };
    for (const QString& line : expected) {
        QVERIFY2(log.contains(line, google::GLOG_INFO), qPrintable(line));
    }
    QVERIFY(!log.text().contains(QStringLiteral("notice")));
}

void TestUiComm::resultOnGuiThread()
{
    QThread* seenOn = nullptr;
    QMetaObject::Connection connection =
        connect(UiComm::instance(), &UiComm::sendCommMsg, this, [&]() { seenOn = QThread::currentThread(); });
    UiComm::instance()->apiCorvisclientCommon(CReqClientQuerySystemTitle, QString(), false);
    QTRY_VERIFY(seenOn != nullptr);
    disconnect(connection);
    QCOMPARE(seenOn, QCoreApplication::instance()->thread());
}

void TestUiComm::serverIsNormal()
{
    LogCapture log;
    UnixClient absent(clientPath());
    QVERIFY(!absent._serverIsNormal());
    QVERIFY(log.contains(QStringLiteral("test connect to unix socket failed:No such file or directory"), google::GLOG_WARNING));
    RawServicePeer peer(clientPath(), [](const RawServicePeer::Request&) { return RawServicePeer::Reply(); });
    UnixClient present(clientPath());
    QVERIFY(present._serverIsNormal());
}

void TestUiComm::boundedPoolUnderHangingService()
{
    // A service that takes every connection, reads what comes and never answers: every request
    // waits for its own time-out, made short here.
    HangingService service(clientPath());
    QVERIFY(service.isListening());
    corvismsg::setReceiveTimeoutMs(100);

    const int before = allThreads();
    int highest = before;
    int highestPool = 0;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, this, [&]() {
        highest = std::max(highest, allThreads());
        highestPool = std::max(highestPool, UiComm::instance()->pool().threadCount());
    });
    sampler.start(20);
    // Results are taken on this thread: a QSignalSpy would record them on the 32 emitting ones.
    QList<Result> got;
    QMetaObject::Connection connection =
        connect(UiComm::instance(), &UiComm::sendCommMsg, this,
                [&](ClientReq req, const QString& resMsg, const QString& extra, bool failed) {
                    got.append({req, resMsg, extra, failed});
                });
    constexpr int kRequests = 3000;
    for (int i = 0; i < kRequests; ++i) {
        UiComm::instance()->apiCorvisclientCommon(CReqClientPortalRefresh101, QString::number(i), false);
    }
    QTRY_COMPARE_WITH_TIMEOUT(got.size(), kRequests, 240000);
    sampler.stop();
    // Exactly one result each, every one the failure of a service that did not answer.
    QTest::qWait(200);
    disconnect(connection);
    QCOMPARE(got.size(), kRequests);
    for (const Result& result : got) {
        QVERIFY(result.failed);
        QCOMPARE(result.resMsg, QStringLiteral("后台通信失败"));
    }
    qInfo("threads: %d before, at most %d during (pool at most %d)", before, highest, highestPool);
    QVERIFY(highestPool <= UiComm::kMaxThreads);
    // The pool's threads and nothing else: the process never grew by more than the pool.
    QVERIFY2(highest - before <= UiComm::kMaxThreads, qPrintable(QString::number(highest - before)));
}

void TestUiComm::requestThatCannotStartFails()
{
    RequestPool& pool = UiComm::instance()->pool();
    // No worker left, and a system that refuses every new thread.
    pool.setIdleTimeoutMs(10);
    QTRY_COMPARE(pool.threadCount(), 0);
    pool.setThreadStarter([](std::function<void()>) { return false; });
    LogCapture log;
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    UiComm::instance()->apiCorvisclientCommon(CReqClientQuerySystemTitle, QString(), false);
    UiComm::instance()->apiCorvistrayCommon(CReqTray36, QStringLiteral("x"));
    // A request without a reply has no result to give; its failure is logged.
    UiComm::instance()->apiCorvisclientCommon(CReqClientLogout, QString(), false);
    // Told after the call, as every result.
    QCOMPARE(spy.count(), 0);
    QTRY_COMPARE(spy.count(), 2);
    QTest::qWait(100);
    QCOMPARE(spy.count(), 2);
    for (const Result& result : results(spy)) {
        QVERIFY(result.failed);
        QCOMPARE(result.resMsg, QStringLiteral("后台通信失败"));
    }
    QCOMPARE(log.lines(google::GLOG_ERROR).filter(QStringLiteral("no worker thread for reqType")).size(), 3);
    pool.setThreadStarter(nullptr);
    pool.setIdleTimeoutMs(10000);
    // Threads again: requests run again.
    QSignalSpy after(UiComm::instance(), &UiComm::sendCommMsg);
    UiComm::instance()->apiCorvisclientCommon(CReqClientQuerySystemTitle, QString(), false);
    QTRY_COMPARE(after.count(), 1);
    QCOMPARE(after.first().at(1).toString(), QStringLiteral("__CONNECT_ERROR__"));
}

QTEST_GUILESS_MAIN(TestUiComm)
#include "tst_uicomm.moc"
