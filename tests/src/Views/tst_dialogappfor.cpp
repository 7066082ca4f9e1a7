// "我的申请": its two tabs, the application records asked of the client service (118, body seen
// at the peer) and the sandbox records asked of the controller stand-in on the pool, both
// filtered by state here, a late answer for an old filter dropped, and the detail dialogs.

#include "src/Views/dialogappfor.h"

#include "comm/clientreq.h"
#include "comm/uicomm.h"
#include "src/Views/appforright.h"
#include "src/Views/appresourcerequest.h"
#include "src/Views/sandboxforright.h"
#include "src/Views/sandboxresourcerequest.h"
#include "support/ctlsim.h"
#include "support/logcapture.h"
#include "support/rawpeer.h"
#include "support/testprefix.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

namespace {

const char kSession[] = "sess-appfor-42";
const char kRecordsPath[] = "/Mervasso/approve/querySandboxApproveRecords.json";
constexpr int kWait = 30000;

// Application records as the client service answers 118.
QByteArray appRecords()
{
    const QJsonArray list{
        QJsonObject{{"appName", "OA办公系统"}, {"approveResult", "0"}, {"applyTime", "1714972800"}, {"validEndTime", "0"},
                    {"applyReason", "处理公文"}, {"approver", ""}, {"approveTime", ""}, {"approveRemark", ""}},
        QJsonObject{{"appName", "<b>财务</b>平台"}, {"approveResult", "1"}, {"applyTime", "1714972800"},
                    {"validEndTime", "1717651200"}, {"applyReason", "月度报销"}, {"approver", "王审批"},
                    {"approveTime", "1715000000"}, {"approveRemark", "同意"}},
        QJsonObject{{"appName", "客户关系管理"}, {"approveResult", "2"}, {"applyTime", "0"}, {"validEndTime", ""},
                    {"applyReason", "查看客户"}, {"approver", "李主管"}, {"approveTime", "-5"}, {"approveRemark", "不予"}},
        QJsonObject{{"appName", "代码托管"}, {"approveResult", "1"}, {"applyTime", "4102444800"}},
    };
    return QJsonDocument(QJsonObject{{"status", 2000}, {"data", QJsonObject{{"recordList", list}}}})
        .toJson(QJsonDocument::Compact);
}

QJsonObject sandboxRecord(const QString& id, const QString& result, const QString& file, double size)
{
    return QJsonObject{{"recordId", id},      {"approveResult", result}, {"applyAgo", 3600},   {"fileName", file},
                       {"fileSize", size},    {"sandboxName", "办公沙箱"}, {"sandboxId", "sb1"}, {"applyReason", "导出"},
                       {"approver", "王审批"}, {"approveAgo", 1800},      {"approveRemark", "同意"}};
}

QJsonObject sandboxAnswer(const QJsonArray& records, int delayMs = 0)
{
    QJsonObject answer{{"sandboxRecords", QJsonObject{{"records", records}}}};
    if (delayMs > 0) {
        answer.insert("delayMs", delayMs);
    }
    return answer;
}

QByteArray scenario(const QJsonArray& answers)
{
    return QJsonDocument(QJsonObject{{"controller", QJsonObject{{kRecordsPath, answers}}}}).toJson();
}

const QJsonArray kSandboxRecords{
    sandboxRecord("r1", "0", "报价单.pdf", 482133), sandboxRecord("r2", "1", "周报.docx", 23552),
    sandboxRecord("r3", "2", "客户名单.xlsx", 1048576), sandboxRecord("r4", "2", "dev-vm.qcow2", 2040109465),
    sandboxRecord("r5", "x", "unknown.bin", 1)};

QStringList appNames(const AppforRight* right)
{
    QStringList names;
    for (const st_appforResource& record : right->records()) {
        names.append(record.appName);
    }
    return names;
}

QStringList fileNames(const SandboxForRight* right)
{
    QStringList names;
    for (const stSandboxApproveRecord& record : right->records()) {
        names.append(QString::fromStdString(record.fileName));
    }
    return names;
}

void doubleClickRow(QListView* list, int row)
{
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

}  // namespace

class TestDialogAppFor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void tabs();
    void appFilters_data();
    void appFilters();
    void appDetail();
    void appFailedAnswer();
    void sandboxFilters_data();
    void sandboxFilters();
    void sandboxLateAnswerDropped();
    void sandboxMalformedAnswer();
    void sandboxDetail();

private:
    void waitApp(int requests);

    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<CtlSim> sim_;
    std::unique_ptr<RawServicePeer> client_;
    DialogAppFor* dialog_ = nullptr;
};

void TestDialogAppFor::initTestCase()
{
    qputenv("TZ", "Asia/Shanghai");
    tzset();
    qRegisterMetaType<ClientReq>("ClientReq");
    prefix_ = std::make_unique<TestPrefix>();
    QVERIFY(prefix_->isValid());
    sim_ = std::make_unique<CtlSim>(*prefix_, scenario({sandboxAnswer(kSandboxRecords)}));
    QVERIFY2(sim_->isRunning(), qPrintable(sim_->startError()));
    QVERIFY(prefix_->writeSysCfg(sim_->sysCfg()));
    QVERIFY(prefix_->writeUserInfo(QByteArray("[UserInfo]\nSessionID=") + kSession + "\n"));

    const QString socket = peerSocketPath(ReqPeer::Corvisclient);
    QVERIFY(QDir().mkpath(QFileInfo(socket).path()));
    const QByteArray records = appRecords();
    client_ = std::make_unique<RawServicePeer>(socket, [records](const RawServicePeer::Request& request) {
        RawServicePeer::Reply reply;
        reply.type = request.type;
        reply.text = records;
        return reply;
    });
    QVERIFY(client_->isListening());

    dialog_ = DialogAppFor::instance();
    // As the main window routes it.
    connect(UiComm::instance(), &UiComm::sendCommMsg, dialog_, [this](ClientReq req, QString text, QString, bool failed) {
        if (req == CReqClientAppforCombobox) {
            dialog_->handleAppApproveRecords(!failed, text);
        }
    });
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_));
}

void TestDialogAppFor::cleanupTestCase()
{
    // Nothing of the pool outlives the stand-ins.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    client_.reset();
    sim_.reset();
}

void TestDialogAppFor::waitApp(int requests)
{
    QTRY_COMPARE_WITH_TIMEOUT(client_->requests().size(), requests, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog_->appforRight()->isLoading(), kWait);
}

void TestDialogAppFor::tabs()
{
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("我的申请"));
    auto* list = dialog_->findChild<QListWidget*>(QStringLiteral("listAppForTabs"));
    QVERIFY(list != nullptr);
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->text(), QStringLiteral("资源申请"));
    QCOMPARE(list->item(1)->text(), QStringLiteral("沙箱数据流转申请"));
    auto* stack = dialog_->findChild<QStackedWidget*>(QStringLiteral("stackAppFor"));
    dialog_->setCurrentIndex(DialogAppFor::TabSandboxApprove);
    QCOMPARE(dialog_->currentIndex(), int(DialogAppFor::TabSandboxApprove));
    QCOMPARE(stack->currentWidget(), static_cast<QWidget*>(dialog_->sandboxForRight()));
    dialog_->setCurrentIndex(7);
    QCOMPARE(dialog_->currentIndex(), int(DialogAppFor::TabSandboxApprove));
    // A click in the left list switches the page.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(list->item(0)).center());
    QCOMPARE(stack->currentWidget(), static_cast<QWidget*>(dialog_->appforRight()));
    // Closing only hides: the one dialog stays.
    LogCapture log;
    dialog_->close();
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(DialogAppFor::instance(), dialog_);
    QVERIFY(log.contains(QStringLiteral("DialogAppFor::closeEvent")));
    dialog_->show();
}

void TestDialogAppFor::appFilters_data()
{
    QTest::addColumn<int>("statusIndex");
    QTest::addColumn<int>("timeIndex");
    QTest::addColumn<qint64>("span");
    QTest::addColumn<QStringList>("names");
    const QStringList all{"OA办公系统", "<b>财务</b>平台", "客户关系管理", "代码托管"};
    QTest::newRow("all states, all time") << 0 << 0 << qint64(0) << all;
    QTest::newRow("pending, 3 days") << 1 << 1 << qint64(259200) << QStringList{"OA办公系统"};
    QTest::newRow("approved, 7 days") << 2 << 2 << qint64(604800) << QStringList{"<b>财务</b>平台", "代码托管"};
    QTest::newRow("rejected, 30 days") << 3 << 3 << qint64(2592000) << QStringList{"客户关系管理"};
    QTest::newRow("all states, 90 days") << 0 << 4 << qint64(7776000) << all;
}

void TestDialogAppFor::appFilters()
{
    QFETCH(int, statusIndex);
    QFETCH(int, timeIndex);
    QFETCH(qint64, span);
    QFETCH(QStringList, names);
    AppforRight* right = dialog_->appforRight();
    const int before = client_->requests().size();
    right->initRecords();
    waitApp(before + 1);
    QCOMPARE(client_->requests().last().type, uint16_t(0x0137));
    QCOMPARE(client_->requests().last().param, QByteArray());

    auto* status = right->findChild<QComboBox*>(QStringLiteral("boxStatus"));
    auto* time = right->findChild<QComboBox*>(QStringLiteral("boxTime"));
    int sent = before + 1;
    if (timeIndex != 0) {
        time->setCurrentIndex(timeIndex);
        waitApp(++sent);
    }
    if (statusIndex != 0) {
        status->setCurrentIndex(statusIndex);
        waitApp(++sent);
    }
    const QByteArray body = client_->requests().last().param;
    if (span == 0) {
        QCOMPARE(body, QByteArray());
    } else {
        const QList<QByteArray> fields = body.split('\n');
        QCOMPARE(fields.size(), 2);
        QCOMPARE(fields.at(1).toLongLong() - fields.at(0).toLongLong(), span);
        QVERIFY(qAbs(fields.at(1).toLongLong() - QDateTime::currentSecsSinceEpoch()) < 600);
    }
    QCOMPARE(appNames(right), names);
    QCOMPARE(right->recordCount(), names.size());
}

void TestDialogAppFor::appDetail()
{
    AppforRight* right = dialog_->appforRight();
    dialog_->setCurrentIndex(DialogAppFor::TabAppApprove);
    const int before = client_->requests().size();
    right->initRecords();
    waitApp(before + 1);
    QCOMPARE(right->recordCount(), 4);
    doubleClickRow(right->listView(), 1);
    QTRY_VERIFY(right->detailDialog() != nullptr && right->detailDialog()->isVisible());
    AppResourceRequest* detail = right->detailDialog();
    QCOMPARE(detail->windowTitle(), QStringLiteral("应用资源申请"));
    QCOMPARE(detail->kindText(), QStringLiteral("详情"));
    QCOMPARE(detail->statusText(), QStringLiteral("已通过"));
    QCOMPARE(detail->fieldText("应用名称："), QStringLiteral("<b>财务</b>平台"));
    QCOMPARE(detail->fieldText("申请时间："), QStringLiteral("2024-05-06 13:20:00"));
    QCOMPARE(detail->fieldText("有效期："), QStringLiteral("2024-06-06 13:20:00"));
    QCOMPARE(detail->fieldText("申请理由："), QStringLiteral("月度报销"));
    QCOMPARE(detail->fieldText("审批员："), QStringLiteral("王审批"));
    QCOMPARE(detail->fieldText("审批时间："), QStringLiteral("2024-05-06 20:53:20"));
    QCOMPARE(detail->fieldText("审批意见："), QStringLiteral("同意"));
    auto* name = detail->findChild<QLabel*>(QStringLiteral("labelAppName"));
    QCOMPARE(name->textFormat(), Qt::PlainText);

    // A record with odd times: empty fields, never a made-up date; no end is "永不过期".
    doubleClickRow(right->listView(), 2);
    QTRY_COMPARE(detail->fieldText("应用名称："), QStringLiteral("客户关系管理"));
    QCOMPARE(detail->statusText(), QStringLiteral("已拒绝"));
    QCOMPARE(detail->fieldText("申请时间："), QString());
    QCOMPARE(detail->fieldText("审批时间："), QString());
    QCOMPARE(detail->fieldText("有效期："), QStringLiteral("永不过期"));
    detail->close();
}

void TestDialogAppFor::appFailedAnswer()
{
    AppforRight* right = dialog_->appforRight();
    right->updateInfo(true, QStringLiteral("not json"));
    QCOMPARE(right->recordCount(), 0);
    QVERIFY(!right->isLoading());
    right->updateInfo(false, QStringLiteral("__CONNECT_ERROR__"));
    QCOMPARE(right->recordCount(), 0);
}

void TestDialogAppFor::sandboxFilters_data()
{
    QTest::addColumn<int>("statusIndex");
    QTest::addColumn<int>("timeIndex");
    QTest::addColumn<qint64>("span");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("all") << 0 << 0 << qint64(0)
                         << QStringList{"报价单.pdf", "周报.docx", "客户名单.xlsx", "dev-vm.qcow2", "unknown.bin"};
    QTest::newRow("pending") << 1 << 0 << qint64(0) << QStringList{"报价单.pdf"};
    QTest::newRow("approved, 3 days") << 2 << 1 << qint64(259200) << QStringList{"周报.docx"};
    QTest::newRow("rejected, 90 days") << 3 << 4 << qint64(7776000) << QStringList{"客户名单.xlsx", "dev-vm.qcow2"};
}

void TestDialogAppFor::sandboxFilters()
{
    QFETCH(int, statusIndex);
    QFETCH(int, timeIndex);
    QFETCH(qint64, span);
    QFETCH(QStringList, files);
    sim_->setScenario(scenario({sandboxAnswer(kSandboxRecords)}));
    sim_->clearRequests();
    SandboxForRight* right = dialog_->sandboxForRight();
    right->findChild<QComboBox*>(QStringLiteral("boxStatus"))->setCurrentIndex(statusIndex);
    right->findChild<QComboBox*>(QStringLiteral("boxTime"))->setCurrentIndex(timeIndex);
    // Ask once more with both set, whatever the boxes held before.
    QSignalSpy shown(right, &SandboxForRight::recordsShown);
    right->handleComboboxClicked();
    QTRY_VERIFY_WITH_TIMEOUT(!right->isLoading(), kWait);
    QCOMPARE(fileNames(right), files);

    // Changing each box asks too, on pool threads: the requests may reach the controller in any
    // order, so the one with both boxes set is looked for among them.
    const QList<QJsonObject> requests = sim_->requests();
    QVERIFY(!requests.isEmpty());
    QStringList bodies;
    for (const QJsonObject& request : requests) {
        QCOMPARE(request.value("uri").toString(), QString::fromLatin1(kRecordsPath));
        bodies << request.value("body").toString();
    }
    if (span == 0) {
        // No state and no time: the controller lists all; pages are not asked for.
        QVERIFY2(bodies.contains(QStringLiteral("sessionid=") + kSession), qPrintable(bodies.join('|')));
    } else {
        const QRegularExpression shape(QStringLiteral("^sessionid=%1&startTime=(\\d+)&endTime=(\\d+)$").arg(kSession));
        bool found = false;
        for (const QString& body : bodies) {
            const QRegularExpressionMatch match = shape.match(body);
            QVERIFY2(match.hasMatch() || body == QStringLiteral("sessionid=") + kSession, qPrintable(body));
            found = found || (match.hasMatch() && match.captured(2).toLongLong() - match.captured(1).toLongLong() == span);
        }
        QVERIFY2(found, qPrintable(bodies.join('|')));
    }
}

void TestDialogAppFor::sandboxLateAnswerDropped()
{
    SandboxForRight* right = dialog_->sandboxForRight();
    const QJsonArray old{sandboxRecord("o1", "1", "old.txt", 10)};
    const QJsonArray fresh{sandboxRecord("n1", "1", "new.txt", 10), sandboxRecord("n2", "0", "pending.txt", 10)};
    // The first query is answered late, the second at once.
    sim_->setScenario(scenario({sandboxAnswer(old, 3000), sandboxAnswer(fresh)}));
    sim_->clearRequests();
    QSignalSpy dropped(right, &SandboxForRight::staleAnswerDropped);
    right->initRecords();
    const quint64 first = right->currentQuery();
    QTRY_COMPARE_WITH_TIMEOUT(sim_->requests().size(), 1, kWait);
    right->findChild<QComboBox*>(QStringLiteral("boxStatus"))->setCurrentIndex(2);
    QTRY_VERIFY_WITH_TIMEOUT(!right->isLoading(), kWait);
    QCOMPARE(fileNames(right), QStringList{"new.txt"});
    QTRY_COMPARE_WITH_TIMEOUT(dropped.count(), 1, kWait);
    QCOMPARE(dropped.first().first().value<quint64>(), first);
    QCOMPARE(fileNames(right), QStringList{"new.txt"});
}

void TestDialogAppFor::sandboxMalformedAnswer()
{
    SandboxForRight* right = dialog_->sandboxForRight();
    sim_->setScenario(scenario({QJsonObject{{"body", "{not json"}}}));
    LogCapture log;
    right->initRecords();
    QTRY_VERIFY_WITH_TIMEOUT(!right->isLoading(), kWait);
    QCOMPARE(right->recordCount(), 0);
    QVERIFY2(log.contains(QStringLiteral("response error: "), google::GLOG_ERROR), qPrintable(log.text()));
    QVERIFY(!log.text().contains(kSession));
}

void TestDialogAppFor::sandboxDetail()
{
    SandboxForRight* right = dialog_->sandboxForRight();
    sim_->setScenario(scenario({sandboxAnswer(kSandboxRecords)}));
    dialog_->setCurrentIndex(DialogAppFor::TabSandboxApprove);
    right->initRecords();
    QTRY_VERIFY_WITH_TIMEOUT(!right->isLoading(), kWait);
    QCOMPARE(right->recordCount(), 5);
    doubleClickRow(right->listView(), 3);
    QTRY_VERIFY(right->detailDialog() != nullptr && right->detailDialog()->isVisible());
    SandboxResourceRequest* detail = right->detailDialog();
    const stSandboxApproveRecord record = right->records().at(3);
    QCOMPARE(detail->windowTitle(), QStringLiteral("详情"));
    QCOMPARE(detail->kindText(), QStringLiteral("沙箱数据导出申请"));
    QCOMPARE(detail->statusText(), QStringLiteral("已拒绝"));
    QCOMPARE(detail->fieldText("文件名称："), QStringLiteral("dev-vm.qcow2"));
    QCOMPARE(detail->fieldText("文件大小："), QStringLiteral("1GB"));
    QCOMPARE(detail->fieldText("沙箱名称："), QStringLiteral("办公沙箱"));
    const QString applied =
        QDateTime::fromSecsSinceEpoch(QString::fromStdString(record.applyTime).toLongLong()).toString("yyyy-MM-dd hh:mm:ss");
    QCOMPARE(detail->fieldText("申请时间："), applied);
    QVERIFY(!applied.isEmpty());
    QCOMPARE(detail->fieldText("申请理由："), QStringLiteral("导出"));
    QCOMPARE(detail->fieldText("审批员："), QStringLiteral("王审批"));
    QVERIFY(!detail->fieldText("审批时间：").isEmpty());
    QCOMPARE(detail->fieldText("审批意见："), QStringLiteral("同意"));
    // The list hides its details with it.
    dialog_->close();
    QVERIFY(!detail->isVisible());
}

QTEST_MAIN(TestDialogAppFor)
#include "tst_dialogappfor.moc"
