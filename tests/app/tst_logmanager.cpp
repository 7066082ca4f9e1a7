// The process log on disk: the files are the user's (0600), and under a flood of pushes the log
// directory stays bounded (a few files a severity, rotated ones removed).

#include "app/logmanager.h"
#include "app/logretention.h"
#include "comm/clientreq.h"
#include "comm/serverdeal.h"
#include "comm/uicomm.h"
#include "comm/unixserver.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpath.h"
#include "platform/corvismsg/us_client.h"
#include "support/rawpeer.h"
#include "support/testprefix.h"

#include <QSet>
#include <QtTest>

#include <sys/stat.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

QFileInfoList logFiles(const QString& severity)
{
    const QDir dir(corvis::installPathQ(QStringLiteral("log")));
    return dir.entryInfoList({QStringLiteral("corvisbench.%1.*").arg(severity)}, QDir::Files | QDir::NoSymLinks, QDir::Time);
}

qint64 totalSize()
{
    qint64 total = 0;
    for (const QString& severity : {QStringLiteral("info"), QStringLiteral("warning"), QStringLiteral("error")}) {
        for (const QFileInfo& info : logFiles(severity)) {
            total += info.size();
        }
    }
    return total;
}

}  // namespace

class TestLogManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void filesAreTheUsers();
    void pruneKeepsTheNewest();
    void requestLinesBeforeResult_data();
    void requestLinesBeforeResult();
    void boundedUnderPushFlood();

private:
    std::unique_ptr<TestPrefix> prefix_;
    LogManager* manager_ = nullptr;
};

void TestLogManager::initTestCase()
{
    prefix_ = std::make_unique<TestPrefix>();
    QVERIFY(prefix_->isValid());
    manager_ = new LogManager(QCoreApplication::arguments().first().toLocal8Bit().constData());
}

void TestLogManager::cleanupTestCase()
{
    delete manager_;
    prefix_.reset();
}

void TestLogManager::filesAreTheUsers()
{
    LOG(INFO) << "an info line";
    LOG(WARNING) << "a warning line";
    LOG(ERROR) << "an error line";
    for (const QString& severity : {QStringLiteral("info"), QStringLiteral("warning"), QStringLiteral("error")}) {
        const QFileInfoList files = logFiles(severity);
        QVERIFY2(!files.isEmpty(), qPrintable(severity));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(files.first().absoluteFilePath()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, 0600u);
    }
}

void TestLogManager::pruneKeepsTheNewest()
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("corvisbench.info."));
    // Older files first, a minute apart.
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (int i = 0; i < 6; ++i) {
        const QString path = prefix + QStringLiteral("2024010%1-120000.%2").arg(i).arg(100 + i);
        QVERIFY(writeFile(path, "x"));
        const timeval times[2] = {{static_cast<time_t>(now - 600 + i * 60), 0}, {static_cast<time_t>(now - 600 + i * 60), 0}};
        QCOMPARE(::utimes(QFile::encodeName(path).constData(), times), 0);
    }
    QVERIFY(writeFile(dir.filePath(QStringLiteral("corvisbench.warning.20240101-120000.1")), "other severity"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("unrelated.txt")), "kept"));
    QCOMPARE(LogRetention::prune(prefix, 3), 3);
    QStringList left = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    QCOMPARE(left, (QStringList{QStringLiteral("corvisbench.info.20240103-120000.103"),
                                QStringLiteral("corvisbench.info.20240104-120000.104"),
                                QStringLiteral("corvisbench.info.20240105-120000.105"),
                                QStringLiteral("corvisbench.warning.20240101-120000.1"), QStringLiteral("unrelated.txt")}));
    QCOMPARE(LogRetention::prune(prefix, 3), 0);
}

void TestLogManager::requestLinesBeforeResult_data()
{
    QTest::addColumn<bool>("withSubStatus");
    QTest::addColumn<QString>("resultLine");
    QTest::newRow("plain") << false << "UnixClient code: 0, resMsg: title";
    QTest::newRow("sub-status") << true << "UnixClient code: 0, resMsg: title, subStatus: 0";
}

void TestLogManager::requestLinesBeforeResult()
{
    // The lines of one exchange as glog writes them (prefix, thread id), each once and in order,
    // are in the INFO file when the result reaches the GUI thread.
    QFETCH(bool, withSubStatus);
    QFETCH(QString, resultLine);
    RawServicePeer peer(peerSocketPath(ReqPeer::Corvisclient), [](const RawServicePeer::Request& request) {
        RawServicePeer::Reply reply;
        reply.type = request.type;
        reply.text = "title";
        return reply;
    });
    QVERIFY(peer.isListening());
    LOG(INFO) << "before the request";
    const QFileInfoList files = logFiles(QStringLiteral("info"));
    QVERIFY(!files.isEmpty());
    const QString file = files.first().absoluteFilePath();
    const qint64 start = QFileInfo(file).size();
    QByteArray seen;
    bool received = false;
    QMetaObject::Connection connection = connect(UiComm::instance(), &UiComm::sendCommMsg, this, [&]() {
        QFile info(file);
        if (info.open(QIODevice::ReadOnly) && info.seek(start)) {
            seen = info.readAll();
        }
        received = true;
    });
    UiComm::instance()->apiCorvisclientCommon(CReqClientQuerySystemTitle, QStringLiteral("{}"), withSubStatus);
    QTRY_VERIFY_WITH_TIMEOUT(received, 20000);
    disconnect(connection);

    const QStringList expected = {
        QStringLiteral("FUNC(apiCorvisclientCommon) reqType: 0x4b, param: {}"),
        QStringLiteral("FUNC(disposeCorvisclientCommon) SendMessage succ! reqType: 0x4b"),
        QStringLiteral("recv succ! recvLen:64500"),
        QStringLiteral("FUNC(disposeCorvisclientCommon) exit."),
        resultLine,
    };
    const QRegularExpression line(QStringLiteral(R"(^I\d{8} \d\d:\d\d:\d\d\.\d{6} +(\d+) [a-z]+\.cpp:\d+\] (.*)$)"));
    QStringList texts;
    QStringList threads;
    for (const QString& written : QString::fromUtf8(seen).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = line.match(written);
        QVERIFY2(match.hasMatch(), qPrintable(written));
        texts.append(match.captured(2));
        threads.append(match.captured(1));
    }
    QCOMPARE(texts, expected);
    // The request's line is this thread's, the exchange's are the worker's.
    QCOMPARE(threads.first().toLongLong(), static_cast<qlonglong>(::gettid()));
    for (int i = 1; i < threads.size(); ++i) {
        QVERIFY(threads.at(i) != threads.first());
        QCOMPARE(threads.at(i), threads.at(1));
    }
}

void TestLogManager::boundedUnderPushFlood()
{
    // Small files, so that a flood of a few seconds rotates them several times.
    FLAGS_max_log_size = 1;
    const QString firstInfo = logFiles(QStringLiteral("info")).first().fileName();
    UnixServer server(corvis::productPathQ(QStringLiteral("/tmp/.corvisbench.us")));
    QVERIFY(server.isListening());
    int delivered = 0;
    connect(server.severDeal(), &ServerDeal::sendServerMsg, this, [&]() { ++delivered; });
    server.start();

    // Four senders push back to back while the GUI thread is busy: every push is logged, most
    // are dropped on the way to the GUI thread, and the drops are logged too. The flood goes on
    // until the files have been rotated several times (a rotation within the second of the
    // previous one waits for the next second: file names carry the time).
    const std::string path = corvis::productPath("/tmp/.corvisbench.us");
    const QByteArray text(512, 'p');
    constexpr int kPerSender = 2500;
    QSet<QString> seen;
    int pushed = 0;
    for (int round = 0; round < 40 && seen.size() < 2 * LogRetention::kKeep; ++round) {
        std::vector<std::thread> senders;
        for (int s = 0; s < 4; ++s) {
            senders.emplace_back([&, s]() {
                for (int i = 0; i < kPerSender; ++i) {
                    US_Client client;
                    if (client.InitConn(0, 1, path.c_str()) == 1) {
                        client.PostMessage(0x0204, static_cast<uint16_t>(s), text.constData(), text.size());
                    }
                }
            });
        }
        for (std::thread& sender : senders) {
            sender.join();
        }
        pushed += 4 * kPerSender;
        for (const QFileInfo& info : logFiles(QStringLiteral("info"))) {
            seen.insert(info.fileName());
        }
    }
    qInfo("%d pushes, %d info files seen", pushed, int(seen.size()));
    QVERIFY(seen.size() > LogRetention::kKeep);
    QTRY_VERIFY(server.severDeal()->pending() == 0);
    qInfo("delivered %d, dropped %llu", delivered, static_cast<unsigned long long>(server.severDeal()->dropped()));
    QVERIFY(server.severDeal()->dropped() > 0);
    QCOMPARE(delivered + int(server.severDeal()->dropped()), pushed);

    // The flood rotated the files, the oldest are gone, and what is left is a few files' worth.
    QTRY_VERIFY_WITH_TIMEOUT(logFiles(QStringLiteral("info")).size() <= LogRetention::kKeep, 30000);
    QVERIFY(!QFileInfo::exists(corvis::installPathQ(QStringLiteral("log/")) + firstInfo));
    const qint64 bound = 3LL * LogRetention::kKeep * (1024 * 1024 + 256 * 1024);
    qInfo("log directory: %lld bytes (bound %lld)", totalSize(), bound);
    QVERIFY(totalSize() <= bound);
    for (const QString& severity : {QStringLiteral("warning"), QStringLiteral("error")}) {
        QVERIFY(logFiles(severity).size() <= LogRetention::kKeep);
    }
    server.stop();
    server.wait();
    FLAGS_max_log_size = 100;
}

QTEST_GUILESS_MAIN(TestLogManager)
#include "tst_logmanager.moc"
