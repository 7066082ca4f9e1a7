// The device page on a played host and a monitor with fixed figures, against corvissim for what
// it sends: the basic facts gathered off the GUI thread (a hanging command blocks nothing, a fact
// that could not be read is asked for again at the next login), the login state, the gauges, the
// bound devices (table, bind state, cards, unbinding only on confirm), the vesk environment
// polling through the page's own timer, the reminder thresholds and the tray reminder, and the
// threads and timers after a hundred logins.

#include "src/Views/pagedeviceinfo.h"

#include "corviscommon/resourcemonitorthread.h"
#include "src/CustomControl/cuscircleratio.h"
#include "src/CustomControl/cusmessagebox.h"
#include "support/simprocess.h"
#include "support/testprefix.h"

#include <QDir>
#include <QHelpEvent>
#include <QLabel>
#include <QMutex>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QToolTip>
#include <QWaitCondition>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {

QByteArray sysCfg(const QString& project = QString(), int closeTrayRemind = 0)
{
    return "[Mervasso]\nServerIP=10.20.30.40\ncustomProject=" + project.toUtf8() +
           "\n[appinfo]\nUUID=8f3c2a7e-5d41-4b9a-9c0e-2f6d1b7a4c13\n[functions]\nclosetrayremind=" +
           QByteArray::number(closeTrayRemind) + "\n";
}
const QByteArray kUserInfo = "[UserInfo]\nPcName=lab-pc-07\nUserMac=52:54:00:12:34:56\nUserIP=10.1.2.3\n";
const QString kTray = QStringLiteral("corvistray");
const QString kClient = QStringLiteral("corvisclient");

// A host whose answers the test sets, and which can hold a command until released.
class PlayedHost
{
public:
    struct State {
        QMutex mutex;
        QWaitCondition released;
        bool hold = false;
        int osResult = 0;
        std::string osName = "Debian GNU/Linux 12 (bookworm)";
        int commands = 0;
        bool offGuiThread = true;
        QThread* gui = nullptr;
    };

    PlayedHost() { state_->gui = QThread::currentThread(); }

    DeviceBaseInfo::Host host() const
    {
        std::shared_ptr<State> s = state_;
        DeviceBaseInfo::Host h;
        h.run = [s](const std::string& cmd, std::string& out) {
            QMutexLocker lock(&s->mutex);
            ++s->commands;
            s->offGuiThread = s->offGuiThread && QThread::currentThread() != s->gui;
            while (s->hold) {
                s->released.wait(&s->mutex, 30000);
            }
            if (cmd == DeviceBaseInfo::osNameCommand()) {
                out = s->osName;
                return s->osResult;
            }
            out.clear();
            return 0;
        };
        h.ethernet = [](std::string& mac, std::string& ip) {
            mac = "52:54:00:aa:bb:cc";
            ip = "192.168.10.23";
            return true;
        };
        h.pause = [](int) {};
        return h;
    }

    void hold()
    {
        QMutexLocker lock(&state_->mutex);
        state_->hold = true;
    }
    void release()
    {
        QMutexLocker lock(&state_->mutex);
        state_->hold = false;
        state_->released.wakeAll();
    }
    void setOsName(int result, const std::string& text)
    {
        QMutexLocker lock(&state_->mutex);
        state_->osResult = result;
        state_->osName = text;
    }
    int commands() const
    {
        QMutexLocker lock(&state_->mutex);
        return state_->commands;
    }
    bool offGuiThread() const
    {
        QMutexLocker lock(&state_->mutex);
        return state_->offGuiThread;
    }

private:
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

// The load of a played host, in percent, sampled on the monitor's thread.
class FixedMonitor : public ResourceMonitorThread
{
public:
    std::atomic<double> cpu{12.0};
    std::atomic<double> memory{50.0};
    std::atomic<double> disk{75.0};
    std::atomic<int> samples{0};

protected:
    void sample(double& c, double& m, double& d) override
    {
        ++samples;
        c = cpu;
        m = memory;
        d = disk;
    }
};

// One sample now, on the monitor's own thread, and its signal delivered to the page.
void sampleNow(PageDeviceInfo& page)
{
    QVERIFY(QMetaObject::invokeMethod(page.resourceMonitor(), "onTimeout", Qt::BlockingQueuedConnection));
    QCoreApplication::processEvents();
}

template <class T>
T* child(const QObject& parent, const char* name)
{
    return parent.findChild<T*>(QLatin1String(name));
}

QString labelText(const PageDeviceInfo& page, const char* name)
{
    return child<QLabel>(page, name)->text();
}

int processThreads()
{
    return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
}

QString policy(int memSwitch, int mem, int cpuSwitch, int cpu, int diskSwitch, int disk, const QString& tag = QString())
{
    return QStringLiteral("{\"policyOperationEnv\":[{\"memoryReminderSwitch\":\"%1\",\"memoryThreshold\":\"%2\","
                          "\"memoryReminderTips\":\"内存不足%7\",\"cpuReminderSwitch\":\"%3\",\"cpuThreshold\":\"%4\","
                          "\"cpuReminderTips\":\"处理器繁忙%7\",\"storeSpaceReminderSwitch\":\"%5\","
                          "\"storeSpaceThreshold\":\"%6\",\"storeSpaceReminderTips\":\"磁盘将满%7\"}]}")
        .arg(memSwitch)
        .arg(mem)
        .arg(cpuSwitch)
        .arg(cpu)
        .arg(diskSwitch)
        .arg(disk)
        .arg(tag);
}

const QByteArray kDeviceBind = R"({"data":[
  {"dev_name":"lab-pc-07","os_name":"Debian 12","dev_ip":"10.1.2.3","dev_mac":"AA:AA:AA:AA:AA:AA",
   "dev_machine_code":"OTHER","deviceName":"lab-pc-07","macAddr":"52:54:00:12:34:56","cpuNo":"C1",
   "hardDikSeqNo":"H1","bindTime":"2024-05-01 09:12:33"},
  {"dev_name":"<b>研发部-笔记本-一个很长很长很长很长很长很长很长很长的名字</b>","os_name":"UOS","dev_ip":"10.1.2.9",
   "dev_mac":"3C:7C:3F:AA:01:9E","dev_machine_code":"c7a0","deviceName":"<b>笔记本</b>","macAddr":"3C:7C:3F:AA:01:9E",
   "cpuNo":"C2","hardDikSeqNo":"H2","bindTime":"2024-05-03 14:40:08"}]})";

}  // namespace

class TestPageDeviceInfo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void baseInfoGatheredOffTheGuiThread();
    void hangingCommandBlocksNothing();
    void unreadFactsAreAskedForAgainAtLogin();
    void loginAndLogout();
    void gaugesFollowTheMonitor();
    void bindState_data();
    void bindState();
    void tableShowsTextWithTipsForLongCells();
    void cards_data();
    void cards();
    void unbindOnlyOnConfirm();
    void envPollingInTheVeskEditions();
    void noEnvPollingElsewhere();
    void judgeEnvRemind_data();
    void judgeEnvRemind();
    void hundredLoginsKeepThreadsAndTimers();

private:
    void writeEdition(const QString& project);
    QStringList trayBodies() const;

    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<SimProcess> sim_;
};

void TestPageDeviceInfo::initTestCase()
{
    // Idle pool threads stay, so that the thread count measures the page alone.
    QThreadPool::globalInstance()->setExpiryTimeout(-1);
    prefix_ = std::make_unique<TestPrefix>();
    sim_ = std::make_unique<SimProcess>(prefix_->root());
    QVERIFY2(sim_->start(), qPrintable(sim_->errorOutput()));
}

void TestPageDeviceInfo::init()
{
    writeEdition(QString());
    QVERIFY(prefix_->writeUserInfo(kUserInfo));
    QFile::remove(prefix_->installPath(QStringLiteral("ini/devicebind.json")));
}

void TestPageDeviceInfo::cleanup()
{
    CusMessageBox::clearNextAnswers();
    // Gatherings still under way belong to pages of finished cases.
    QThreadPool::globalInstance()->waitForDone();
}

void TestPageDeviceInfo::writeEdition(const QString& project)
{
    QVERIFY(prefix_->writeSysCfg(sysCfg(project)));
}

QStringList TestPageDeviceInfo::trayBodies() const
{
    QStringList bodies;
    for (const QJsonObject& request : sim_->requests(kTray, QStringLiteral("0x0501"))) {
        bodies.append(request.value(QStringLiteral("body")).toString());
    }
    return bodies;
}

void TestPageDeviceInfo::baseInfoGatheredOffTheGuiThread()
{
    PlayedHost host;
    PageDeviceInfo page(host.host(), new FixedMonitor);
    QSignalSpy updated(&page, &PageDeviceInfo::baseInfoUpdated);
    // Not while the page is built: from the first turn of the event loop.
    QVERIFY(!page.isGatheringBaseInfo());
    QCOMPARE(host.commands(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(updated.count(), 1, 15000);
    QVERIFY(host.commands() > 0);
    QVERIFY(host.offGuiThread());
    QCOMPARE(labelText(page, "labelPcName"), QStringLiteral("lab-pc-07"));
    QCOMPARE(labelText(page, "labelDeviceType"), QStringLiteral("桌面PC"));
    QCOMPARE(labelText(page, "labelOsName"), QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
    QCOMPARE(labelText(page, "labelMac"), QStringLiteral("52:54:00:aa:bb:cc"));
    QCOMPARE(labelText(page, "labelIp"), QStringLiteral("192.168.10.23"));
    // The identifier is wrapped to 210 pixels, not changed.
    QCOMPARE(labelText(page, "labelUuid").remove(QLatin1Char('\n')), QStringLiteral("8f3c2a7e-5d41-4b9a-9c0e-2f6d1b7a4c13"));
    QVERIFY(!page.baseInfoIncomplete());
    for (const char* name : {"labelPcName", "labelOsName", "labelAccount", "labelBindState"}) {
        QCOMPARE(child<QLabel>(page, name)->textFormat(), Qt::PlainText);
    }
}

void TestPageDeviceInfo::hangingCommandBlocksNothing()
{
    PlayedHost host;
    host.hold();
    auto page = std::make_unique<PageDeviceInfo>(host.host(), new FixedMonitor);
    QSignalSpy updated(page.get(), &PageDeviceInfo::baseInfoUpdated);
    // The page is built and its event loop turns while the command hangs.
    QTRY_VERIFY_WITH_TIMEOUT(host.commands() >= 1, 15000);
    bool turned = false;
    QTimer::singleShot(0, this, [&turned] { turned = true; });
    QTRY_VERIFY(turned);
    QVERIFY(page->isGatheringBaseInfo());
    QCOMPARE(labelText(*page, "labelOsName"), QString());
    page->onLoginStateChanged(2, SDeviceInfo{QStringLiteral("zhang")});
    QCOMPARE(labelText(*page, "labelAccount"), QStringLiteral("zhang"));
    QCOMPARE(updated.count(), 0);

    // A page that goes while its gathering runs takes no delivery with it.
    page.reset();
    host.release();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
}

void TestPageDeviceInfo::unreadFactsAreAskedForAgainAtLogin()
{
    PlayedHost host;
    host.setOsName(-1, "");  // timed out
    PageDeviceInfo page(host.host(), new FixedMonitor);
    QSignalSpy updated(&page, &PageDeviceInfo::baseInfoUpdated);
    QTRY_COMPARE_WITH_TIMEOUT(updated.count(), 1, 15000);
    QVERIFY(page.baseInfoIncomplete());
    QCOMPARE(labelText(page, "labelOsName"), QString());
    QCOMPARE(labelText(page, "labelPcName"), QStringLiteral("lab-pc-07"));

    // Garbage is no better than nothing.
    host.setOsName(0, std::string("\x1b[2J\x7f" "ELF", 8));
    page.onLoginStateChanged(2, SDeviceInfo{QStringLiteral("zhang")});
    QTRY_COMPARE_WITH_TIMEOUT(updated.count(), 2, 15000);
    QVERIFY(page.baseInfoIncomplete());

    host.setOsName(0, "Kylin V10 SP1");
    page.onLoginStateChanged(0, SDeviceInfo{});
    page.onLoginStateChanged(2, SDeviceInfo{QStringLiteral("zhang")});
    QTRY_COMPARE_WITH_TIMEOUT(updated.count(), 3, 15000);
    QVERIFY(!page.baseInfoIncomplete());
    QCOMPARE(labelText(page, "labelOsName"), QStringLiteral("Kylin V10 SP1"));

    // Complete facts are not asked for again.
    const int commands = host.commands();
    page.onLoginStateChanged(0, SDeviceInfo{});
    page.onLoginStateChanged(2, SDeviceInfo{QStringLiteral("zhang")});
    QVERIFY(!page.isGatheringBaseInfo());
    QCOMPARE(host.commands(), commands);
}

void TestPageDeviceInfo::loginAndLogout()
{
    PlayedHost host;
    auto* monitor = new FixedMonitor;
    PageDeviceInfo page(host.host(), monitor);
    QVERIFY(!child<QLabel>(page, "labelConnected")->isVisibleTo(&page));
    page.onLoginStateChanged(2, SDeviceInfo{QStringLiteral("<i>zhang</i>")});
    QCOMPARE(labelText(page, "labelAccount"), QStringLiteral("<i>zhang</i>"));
    QCOMPARE(labelText(page, "labelPortalIp"), QStringLiteral("10.20.30.40"));
    QVERIFY(child<QLabel>(page, "labelConnected")->isVisibleTo(&page));
    QCOMPARE(child<QLabel>(page, "labelConnected")->size(), QSize(58, 20));
    // Logged in, the monitor samples.
    QTRY_VERIFY_WITH_TIMEOUT(monitor->samples >= 1, 15000);

    page.onLoginStateChanged(0, SDeviceInfo{});
    QCOMPARE(labelText(page, "labelAccount"), QString());
    auto* timer = monitor->findChild<QTimer*>(QStringLiteral("resourceMonitorTimer"));
    QVERIFY(timer != nullptr);
    QTRY_VERIFY(!timer->isActive());
}

void TestPageDeviceInfo::gaugesFollowTheMonitor()
{
    PlayedHost host;
    auto* monitor = new FixedMonitor;
    monitor->cpu = 25.0;
    monitor->memory = 62.5;
    monitor->disk = 90.0;
    PageDeviceInfo page(host.host(), monitor);
    sampleNow(page);
    QTRY_COMPARE(child<CusCircleRatio>(page, "gaugeCpu")->usedRatio(), 0.25);
    QCOMPARE(child<CusCircleRatio>(page, "gaugeMemory")->usedRatio(), 0.625);
    QCOMPARE(child<CusCircleRatio>(page, "gaugeDisk")->usedRatio(), 0.9);
    QCOMPARE(child<CusCircleRatio>(page, "gaugeCpu")->title(), QStringLiteral("处理器"));
    QCOMPARE(child<CusCircleRatio>(page, "gaugeMemory")->title(), QStringLiteral("内存"));
    QCOMPARE(child<CusCircleRatio>(page, "gaugeDisk")->title(), QStringLiteral("硬盘"));
    QCOMPARE(child<CusCircleRatio>(page, "gaugeDisk")->accessibleDescription(), QStringLiteral("90%"));
    // A page without policy draws no threshold.
    QCOMPARE(child<CusCircleRatio>(page, "gaugeCpu")->threshold(), -1.0);
}

void TestPageDeviceInfo::bindState_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("uuid");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("rows");
    const QByteArray other = R"({"dev_name":"x","dev_mac":"11:11:11:11:11:11","dev_machine_code":"OTHER"})";
    QTest::newRow("same identifier") << QByteArray(R"({"data":[)" + other + R"(,{"dev_machine_code":"U-1"}]})") << "U-1"
                                     << "52:54:00:12:34:56" << "已绑定" << 2;
    // This machine's MAC under another identifier still counts.
    QTest::newRow("same MAC, other identifier") << QByteArray(R"({"data":[{"dev_mac":"52:54:00:12:34:56","dev_machine_code":"Z"}]})")
                                                << "U-1" << "52:54:00:12:34:56" << "已绑定" << 1;
    QTest::newRow("MAC in capitals") << QByteArray(R"({"data":[{"dev_mac":"52:54:00:AB:CD:EF"}]})") << "U-1"
                                     << "52:54:00:ab:cd:ef" << "已绑定" << 1;
    QTest::newRow("another device") << QByteArray(R"({"data":[)" + other + "]}") << "U-1" << "52:54:00:12:34:56" << "未绑定" << 1;
    // An entry without identifier or MAC is not this machine when this machine has none either.
    QTest::newRow("empty values match nothing") << QByteArray(R"({"data":[{"dev_name":"blank"}]})") << "" << "" << "未绑定" << 1;
    QTest::newRow("no document") << QByteArray() << "U-1" << "52:54:00:12:34:56" << "未绑定" << 0;
    QTest::newRow("broken document") << QByteArray("{\"data\":[") << "U-1" << "52:54:00:12:34:56" << "未绑定" << 0;
}

void TestPageDeviceInfo::bindState()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, uuid);
    QFETCH(QString, mac);
    QFETCH(QString, state);
    QFETCH(int, rows);
    QVERIFY(prefix_->writeSysCfg("[appinfo]\nUUID=" + uuid.toUtf8() + "\n"));
    QVERIFY(prefix_->writeUserInfo("[UserInfo]\nUserMac=" + mac.toUtf8() + "\n"));
    if (!document.isEmpty()) {
        QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/devicebind.json"), document));
    }
    PlayedHost host;
    PageDeviceInfo page(host.host(), new FixedMonitor);
    page.updateBindlingDevice();
    QCOMPARE(labelText(page, "labelBindState"), state);
    QCOMPARE(child<QTableView>(page, "tableBindingDevices")->model()->rowCount(), rows);
}

void TestPageDeviceInfo::tableShowsTextWithTipsForLongCells()
{
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/devicebind.json"), kDeviceBind));
    PlayedHost host;
    PageDeviceInfo page(host.host(), new FixedMonitor);
    page.resize(800, 640);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    page.updateBindlingDevice();
    auto* table = child<QTableView>(page, "tableBindingDevices");
    QAbstractItemModel* model = table->model();
    QCOMPARE(model->columnCount(), 4);
    QStringList headers;
    for (int c = 0; c < 4; ++c) {
        headers << model->headerData(c, Qt::Horizontal).toString();
    }
    QCOMPARE(headers, (QStringList{"设备名称", "操作系统", "设备IP", "设备MAC"}));
    QCOMPARE(model->data(model->index(0, 0)).toString(), QStringLiteral("lab-pc-07"));
    QCOMPARE(model->data(model->index(0, 3)).toString(), QStringLiteral("AA:AA:AA:AA:AA:AA"));
    const QString longName = model->data(model->index(1, 0)).toString();
    QVERIFY(longName.startsWith(QLatin1String("<b>")));
    // The table's identifiers and MACs are not this machine's.
    QCOMPARE(labelText(page, "labelBindState"), QStringLiteral("未绑定"));

    // Hovering the long name shows it whole, as text; a short cell shows nothing.
    QTRY_VERIFY(table->viewport()->isVisible());
    const QPoint longCell = table->visualRect(model->index(1, 0)).center();
    QHelpEvent hoverLong(QEvent::ToolTip, longCell, table->viewport()->mapToGlobal(longCell));
    QCoreApplication::sendEvent(table->viewport(), &hoverLong);
    QTRY_VERIFY(QToolTip::isVisible());
    QVERIFY(QToolTip::text().contains(longName.toHtmlEscaped()));
    const QPoint shortCell = table->visualRect(model->index(0, 2)).center();
    QHelpEvent hoverShort(QEvent::ToolTip, shortCell, table->viewport()->mapToGlobal(shortCell));
    QCoreApplication::sendEvent(table->viewport(), &hoverShort);
    QTRY_VERIFY(!QToolTip::isVisible());
}

void TestPageDeviceInfo::cards_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<int>("maxNum");
    QTest::addColumn<int>("shown");  // 0 blank, 1 cards
    QTest::addColumn<QString>("head");
    QTest::newRow("standard, no binding") << QString() << 0 << 0 << "已绑定设备：2";
    QTest::newRow("standard, three allowed") << QString() << 3 << 1 << "已绑定设备：2/3";
    QTest::newRow("vesk, always the cards") << QStringLiteral("vesk-uos-4.19.71") << 0 << 1 << "已绑定设备：2";
}

void TestPageDeviceInfo::cards()
{
    QFETCH(QString, project);
    QFETCH(int, maxNum);
    QFETCH(int, shown);
    QFETCH(QString, head);
    writeEdition(project);
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/devicebind.json"), kDeviceBind));
    PlayedHost host;
    PageDeviceInfo page(host.host(), new FixedMonitor);
    QSignalSpy updated(&page, &PageDeviceInfo::bindStateUpdated);
    page.updateBindState(maxNum);
    QCOMPARE(updated.count(), 1);
    QCOMPARE(updated.first().at(0).toInt(), maxNum);
    QCOMPARE(child<QStackedWidget>(page, "stackBindCards")->currentIndex(), shown);
    QCOMPARE(labelText(page, "labelBindHead"), head);
    QCOMPARE(page.bindCards().size(), 2);
    QCOMPARE(labelText(page, "labelCardName_1"), QStringLiteral("<b>笔记本</b>"));
    QCOMPARE(child<QLabel>(page, "labelCardName_1")->textFormat(), Qt::PlainText);
    QCOMPARE(labelText(page, "labelCardTime_0"), QStringLiteral("绑定时间：2024-05-01 09:12:33"));
    QCOMPARE(child<QPushButton>(page, "btnUnbind_0")->text(), QStringLiteral("解绑"));
    QVERIFY(!child<QPushButton>(page, "btnUnbind_0")->accessibleName().isEmpty());
    // The vesk editions have no table: their cards tell the bind state (this machine's MAC).
    if (!project.isEmpty()) {
        QCOMPARE(labelText(page, "labelBindState"), QStringLiteral("已绑定"));
    }

    // A shorter list replaces the cards.
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/devicebind.json"), R"({"data":[{"deviceName":"only"}]})"));
    page.updateBindState(maxNum);
    QCOMPARE(page.bindCards().size(), 1);
    QTRY_VERIFY(child<QPushButton>(page, "btnUnbind_1") == nullptr);
    QCOMPARE(labelText(page, "labelCardName_0"), QStringLiteral("only"));
}

void TestPageDeviceInfo::unbindOnlyOnConfirm()
{
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/devicebind.json"), kDeviceBind));
    PlayedHost host;
    PageDeviceInfo page(host.host(), new FixedMonitor);
    page.updateBindState(3);
    const int before = int(sim_->requests(kClient, QStringLiteral("0x0131")).size());

    auto* box = page.findChild<CusMessageBox*>();
    QVERIFY(box != nullptr);
    QSignalSpy cancelled(box, &CusMessageBox::clickCancel);
    CusMessageBox::setNextAnswer(CusMessageBox::Cancel);
    QTest::mouseClick(child<QPushButton>(page, "btnUnbind_1"), Qt::LeftButton);
    QTRY_COMPARE(cancelled.count(), 1);
    QCOMPARE(int(sim_->requests(kClient, QStringLiteral("0x0131")).size()), before);
    CusMessageBox::setNextAnswer(CusMessageBox::Confirm);
    QTest::mouseClick(child<QPushButton>(page, "btnUnbind_0"), Qt::LeftButton);
    QVERIFY(sim_->waitForRequest(kClient, QStringLiteral("0x0131"), 15000));
    QTRY_COMPARE_WITH_TIMEOUT(int(sim_->requests(kClient, QStringLiteral("0x0131")).size()), before + 1, 15000);
    // Only the confirmed device, its fields joined by "&".
    QCOMPARE(sim_->requests(kClient, QStringLiteral("0x0131")).last().value(QStringLiteral("body")).toString(),
             QStringLiteral("lab-pc-07&52:54:00:12:34:56&C1&H1&2024-05-01 09:12:33"));
}

void TestPageDeviceInfo::envPollingInTheVeskEditions()
{
    writeEdition(QStringLiteral("vesk-kylin-5.4.18-32"));
    PlayedHost host;
    PageDeviceInfo page(host.host(), new FixedMonitor);
    QTimer* timer = page.envTimer();
    QVERIFY(timer != nullptr);
    QVERIFY(!timer->isActive());
    QCOMPARE(timer->interval(), 10000);

    page.onLoginStateChanged(2, SDeviceInfo{QStringLiteral("zhang")});
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 10000);
    const int before = int(sim_->requests(kClient, QStringLiteral("0x0109")).size());

    // The first query comes when the timer runs out; then every ten minutes.
    timer->setInterval(1);
    QTRY_COMPARE_WITH_TIMEOUT(int(sim_->requests(kClient, QStringLiteral("0x0109")).size()), before + 1, 15000);
    QCOMPARE(timer->interval(), 600000);
    QVERIFY(timer->isActive());
    QCOMPARE(sim_->requests(kClient, QStringLiteral("0x0109")).last().value(QStringLiteral("body")).toString(), QString());

    // A logout and a new login neither stop nor restart it.
    page.onLoginStateChanged(0, SDeviceInfo{});
    QVERIFY(timer->isActive());
    page.onLoginStateChanged(2, SDeviceInfo{QStringLiteral("zhang")});
    QCOMPARE(timer->interval(), 600000);
}

void TestPageDeviceInfo::noEnvPollingElsewhere()
{
    for (const QString& project : {QString(), QStringLiteral("kav"), QStringLiteral("tirrowa-uos-x86")}) {
        writeEdition(project);
        PlayedHost host;
        PageDeviceInfo page(host.host(), new FixedMonitor);
        page.onLoginStateChanged(2, SDeviceInfo{QStringLiteral("zhang")});
        QVERIFY2(page.envTimer() == nullptr, qPrintable(project));
        QVERIFY(page.findChild<QTimer*>(QStringLiteral("envTimer")) == nullptr);
    }
}

void TestPageDeviceInfo::judgeEnvRemind_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("closeTrayRemind");
    QTest::addColumn<QList<double>>("thresholds");  // processor, memory, disk gauges
    QTest::addColumn<QStringList>("sent");
    // Load of the played host: processor 12 %, memory 50 %, disk 75 %.
    QTest::newRow("memory and disk over") << policy(1, 40, 1, 90, 1, 70) << "0" << QList<double>{0.9, 0.4, 0.7}
                                          << QStringList{"内存不足\n磁盘将满"};
    // Thresholds are drawn, the tray stays quiet.
    QTest::newRow("closetrayremind") << policy(1, 10, 1, 10, 1, 10) << "1" << QList<double>{0.1, 0.1, 0.1} << QStringList();
    QTest::newRow("not a policy") << QStringLiteral("<html>busy</html>") << "0" << QList<double>{-1.0, -1.0, -1.0}
                                  << QStringList();
    QTest::newRow("a policy without objects") << QStringLiteral("{\"policyOperationEnv\":[null,5]}") << "0"
                                              << QList<double>{-1.0, -1.0, -1.0} << QStringList();
}

void TestPageDeviceInfo::judgeEnvRemind()
{
    QFETCH(QString, text);
    QFETCH(QString, closeTrayRemind);
    QFETCH(QList<double>, thresholds);
    QFETCH(QStringList, sent);
    QVERIFY(prefix_->writeSysCfg(sysCfg(QString(), closeTrayRemind.toInt())));
    PlayedHost host;
    PageDeviceInfo page(host.host(), new FixedMonitor);
    sampleNow(page);
    const QStringList before = trayBodies();

    QSignalSpy received(&page, &PageDeviceInfo::envPolicyReceived);
    page.judgeEnvRemind(text);
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.first().at(0).toString(), text);
    const QList<double> drawn{child<CusCircleRatio>(page, "gaugeCpu")->threshold(),
                              child<CusCircleRatio>(page, "gaugeMemory")->threshold(),
                              child<CusCircleRatio>(page, "gaugeDisk")->threshold()};
    QCOMPARE(drawn, thresholds);

    // A reminder that is certainly sent marks the end of what this policy sent.
    QVERIFY(prefix_->writeSysCfg(sysCfg()));
    page.judgeEnvRemind(policy(1, 0, 0, 0, 0, 0, QStringLiteral("(marker)")));
    QTRY_VERIFY_WITH_TIMEOUT(trayBodies().contains(QStringLiteral("内存不足(marker)")), 15000);
    QStringList after = trayBodies().mid(before.size());
    after.removeAll(QStringLiteral("内存不足(marker)"));
    QCOMPARE(after, sent);
}

void TestPageDeviceInfo::hundredLoginsKeepThreadsAndTimers()
{
    PlayedHost host;
    host.setOsName(-1, "");  // every login gathers again
    auto* monitor = new FixedMonitor;
    PageDeviceInfo page(host.host(), monitor);
    page.onLoginStateChanged(2, SDeviceInfo{QStringLiteral("zhang")});
    page.onLoginStateChanged(0, SDeviceInfo{});
    QTRY_VERIFY_WITH_TIMEOUT(!page.isGatheringBaseInfo(), 15000);
    QThreadPool::globalInstance()->waitForDone();

    QThread* thread = page.monitorThread();
    const int threads = processThreads();
    const int pageTimers = page.findChildren<QTimer*>().size();
    const int monitorTimers = monitor->findChildren<QTimer*>().size();
    const int pageThreads = page.findChildren<QThread*>().size();
    for (int i = 0; i < 100; ++i) {
        page.onLoginStateChanged(2, SDeviceInfo{QStringLiteral("zhang")});
        QCoreApplication::processEvents();
        page.onLoginStateChanged(0, SDeviceInfo{});
        QCoreApplication::processEvents();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!page.isGatheringBaseInfo(), 15000);
    QThreadPool::globalInstance()->waitForDone();
    QCOMPARE(page.monitorThread(), thread);
    QVERIFY(thread->isRunning());
    QCOMPARE(page.resourceMonitor()->thread(), thread);
    QCOMPARE(page.findChildren<QThread*>().size(), pageThreads);
    QCOMPARE(page.findChildren<QTimer*>().size(), pageTimers);
    QCOMPARE(monitor->findChildren<QTimer*>().size(), monitorTimers);
    // Threads of the requests sent meanwhile end once idle; none stays.
    QTRY_VERIFY_WITH_TIMEOUT(processThreads() <= threads, 30000);
    auto* timer = monitor->findChild<QTimer*>(QStringLiteral("resourceMonitorTimer"));
    QTRY_VERIFY(!timer->isActive());
}

QTEST_MAIN(TestPageDeviceInfo)
#include "tst_pagedeviceinfo.moc"
