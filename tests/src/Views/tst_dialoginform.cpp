// The notification centre with a huge message list: the GUI thread keeps running while it is
// read and shown, the centre keeps the newest 1,000 messages, and the unread count covers all.

#include "src/Views/dialoginform.h"
#include "src/Views/informlistmodel.h"
#include "support/testprefix.h"

#include <QListView>
#include <QtTest>

namespace {

// A list document of `count` messages, newest first; every third one is read.
QByteArray informDocument(int count)
{
    QByteArray out;
    out.reserve(count * 120);
    out += "{\"data\": {\"list\": [";
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            out += ',';
        }
        out += "{\"id\": \"m" + QByteArray::number(i) + "\", \"title\": \"通知 " + QByteArray::number(i)
               + "\", \"content\": \"第 " + QByteArray::number(i) + " 条消息的内容\", \"time\": \"2024-05-01 08:00\", \"read\": "
               + (i % 3 == 0 ? "1" : "0") + "}";
    }
    out += "]}}";
    return out;
}

bool readInforms(DialogInform* inform, int timeoutMs = 10000)
{
    QSignalSpy done(inform, &DialogInform::informListUpdated);
    inform->updateInformList();
    if (!done.wait(timeoutMs) && done.isEmpty()) {
        return false;
    }
    return done.first().at(0).toBool();
}

}  // namespace

class TestDialogInform : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void hugeListKeepsTheGuiThreadRunning();
    void logoutDropsAReadUnderWay();

private:
    std::unique_ptr<TestPrefix> prefix_;
};

void TestDialogInform::init()
{
    prefix_ = std::make_unique<TestPrefix>();
    QVERIFY(prefix_->writeSysCfg("[Mervasso]\ncsmode=1\n"));
}

void TestDialogInform::cleanup()
{
    prefix_.reset();
}

void TestDialogInform::hugeListKeepsTheGuiThreadRunning()
{
    constexpr int kMessages = 400000;
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/informList.json"), informDocument(kMessages)));
    DialogInform inform;
    inform.showInform();
    QVERIFY(QTest::qWaitForWindowExposed(&inform));

    // The longest time the event loop went without serving a 10 ms timer.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    connect(&ticker, &QTimer::timeout, this, [&]() {
        longestStall = std::max(longestStall, sinceTick.restart());
    });
    sinceTick.start();
    ticker.start(10);
    QVERIFY(readInforms(&inform, 240000));
    // Let the view lay its rows out and paint them.
    QTest::qWait(1000);
    ticker.stop();
    qInfo("longest stall of the GUI thread: %lld ms", longestStall);
    // 100 ms is the aim; the bound is generous for a loaded machine.
    QVERIFY2(longestStall < 600, qPrintable(QString::number(longestStall)));

    QAbstractItemModel* rows = inform.findChild<QListView*>(QStringLiteral("listInform"))->model();
    QCOMPARE(rows->rowCount(), DialogInform::kMaxKept);
    QCOMPARE(rows->index(0, 0).data(InformListModel::IdRole).toString(), QStringLiteral("m0"));
    QCOMPARE(rows->index(999, 0).data(InformListModel::IdRole).toString(), QStringLiteral("m999"));
    QCOMPARE(rows->index(1, 0).data().toString(), QStringLiteral("通知 1    2024-05-01 08:00\n第 1 条消息的内容"));
    // Every unread message counts, kept or not.
    QCOMPARE(inform.unreadCount(), kMessages - (kMessages + 2) / 3);
    inform.markAllRead();
    QCOMPARE(inform.unreadCount(), 0);
    QVERIFY(!rows->index(1, 0).data(Qt::FontRole).value<QFont>().bold());
}

void TestDialogInform::logoutDropsAReadUnderWay()
{
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/informList.json"), informDocument(50000)));
    DialogInform inform;
    QSignalSpy done(&inform, &DialogInform::informListUpdated);
    inform.updateInformList();
    inform.clearInform();
    // The next session's list, asked for while the old read still runs: read after it.
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/informList.json"), informDocument(10)));
    inform.updateInformList();
    // Only the new read is told and shown; the old session's result is dropped.
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 60000);
    QVERIFY(done.first().at(0).toBool());
    QCOMPARE(inform.informs().size(), 10);
    QCOMPARE(inform.unreadCount(), 6);
}

QTEST_MAIN(TestDialogInform)
#include "tst_dialoginform.moc"
