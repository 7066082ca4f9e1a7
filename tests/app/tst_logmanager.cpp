// The process log on disk: the files are the user's (0600), and under a flood of pushes the log
// directory stays bounded (a few files a severity, rotated ones removed).

#include "app/logmanager.h"
#include "app/logretention.h"
#include "comm/serverdeal.h"
#include "comm/unixserver.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpath.h"
#include "platform/corvismsg/us_client.h"
#include "support/testprefix.h"

#include <QSet>
#include <QtTest>

#include <sys/stat.h>
#include <sys/time.h>
#include <thread>
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
