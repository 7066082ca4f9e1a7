// The top bar: welcome line, refresh, the user menu and its requests, and the notification
// centre behind the message button, against corvissim.

#include "src/Views/dialoginform.h"
#include "src/Views/dialogpersonalcenter.h"
#include "src/Views/informlistmodel.h"
#include "src/Views/viewtop.h"
#include "src/CustomControl/cusbubblebutton.h"
#include "support/logcapture.h"
#include "support/simprocess.h"
#include "support/testprefix.h"
#include "testpaths.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <memory>

class TestViewTop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void welcome();
    void buttons();
    void accessibleButtons_data();
    void accessibleButtons();
    void menu_data();
    void menu();
    void messageCentre();
    void unreadableListKept();
    void exitClear();
    void dialogsBuiltOnFirstNeed_data();
    void dialogsBuiltOnFirstNeed();

private:
    int count(const QString& peer, const QString& type) const { return int(sim_->requests(peer, type).size()); }
    bool writeInforms();

    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<ViewTop> top_;
    LogCapture log_;
};

namespace {

// Reads the list document as the service's answer to 105 does, and waits for the outcome.
bool readInforms(DialogInform* inform)
{
    QSignalSpy done(inform, &DialogInform::informListUpdated);
    inform->updateInformList();
    if (!done.wait(10000) && done.isEmpty()) {
        return false;
    }
    return done.first().at(0).toBool();
}

}  // namespace

bool TestViewTop::writeInforms()
{
    return prefix_->writeInstallFile(QStringLiteral("ini/informList.json"),
                                     readFile(QStringLiteral(CORVIS_TEST_DATA_DIR "/PolicyAnalyzer/readInformList/informs.json")));
}

void TestViewTop::initTestCase()
{
    prefix_ = std::make_unique<TestPrefix>();
    sim_ = std::make_unique<SimProcess>(prefix_->root());
    QVERIFY2(sim_->start(), qPrintable(sim_->errorOutput()));
}

void TestViewTop::init()
{
    QVERIFY(prefix_->writeSysCfg("[Mervasso]\ncsmode=1\n"));
    top_ = std::make_unique<ViewTop>();
    top_->show();
    log_.clear();
}

void TestViewTop::cleanup()
{
    top_.reset();
}

void TestViewTop::welcome()
{
    top_->setUserName(QStringLiteral("李四"));
    QCOMPARE(top_->findChild<QLabel*>(QStringLiteral("labelWelcome"))->text(), QStringLiteral("欢迎：李四"));
}

void TestViewTop::buttons()
{
    QSignalSpy refresh(top_.get(), &ViewTop::sendRefresh);
    auto* refreshButton = top_->findChild<QPushButton*>(QStringLiteral("btnRefresh"));
    QTest::mouseClick(refreshButton, Qt::LeftButton);
    QCOMPARE(refresh.count(), 1);
    // While a refresh runs the button cannot start another.
    top_->setRefreshEnabled(false);
    QVERIFY(top_->isRefreshing());
    QTest::mouseClick(refreshButton, Qt::LeftButton);
    QCOMPARE(refresh.count(), 1);
    top_->setRefreshEnabled(true);
    QVERIFY(!top_->isRefreshing());
}

void TestViewTop::accessibleButtons_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("accessibleName");
    // The signal a screen reader's press sends; empty: the button opens something of its own.
    QTest::addColumn<QByteArray>("signal");
    QTest::newRow("refresh") << "btnRefresh" << "刷新" << QByteArray(SIGNAL(sendRefresh()));
    QTest::newRow("messages") << "btnMessage" << "消息" << QByteArray();
    QTest::newRow("user menu") << "btnUserMenu" << "用户菜单" << QByteArray();
    QTest::newRow("minimise") << "btnTopMin" << "最小化" << QByteArray(SIGNAL(sendMinimize()));
    QTest::newRow("close") << "btnTopClose" << "关闭" << QByteArray(SIGNAL(sendClose()));
}

// A screen reader finds each picture-only button by its name and presses it as a click does.
void TestViewTop::accessibleButtons()
{
    QFETCH(QString, objectName);
    QFETCH(QString, accessibleName);
    QFETCH(QByteArray, signal);
    auto* button = top_->findChild<QAbstractButton*>(objectName);
    QVERIFY(button != nullptr);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
    QVERIFY(accessible != nullptr);
    QCOMPARE(accessible->text(QAccessible::Name), accessibleName);
    QVERIFY(accessible->role() == QAccessible::Button || accessible->role() == QAccessible::ButtonMenu);
    if (auto* tool = qobject_cast<QToolButton*>(button); tool != nullptr && tool->menu() != nullptr) {
        // A screen reader opens the menu with the first action it is offered; the menu runs its
        // own loop, so it is looked at and closed from there.
        QVERIFY(accessible->actionInterface() != nullptr);
        const QStringList actions = accessible->actionInterface()->actionNames();
        QVERIFY(!actions.isEmpty());
        bool shown = false;
        QTimer::singleShot(0, tool->menu(), [tool, &shown] {
            shown = tool->menu()->isVisible();
            tool->menu()->close();
        });
        accessible->actionInterface()->doAction(actions.first());
        QTRY_VERIFY(!tool->menu()->isVisible());
        QVERIFY(shown);
        return;
    }
    if (signal.isEmpty()) {
        return;
    }
    QSignalSpy spy(top_.get(), signal.constData());
    QVERIFY(accessible->actionInterface() != nullptr);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(spy.count(), 1);
}

void TestViewTop::menu_data()
{
    QTest::addColumn<QByteArray>("edition");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("peer");
    QTest::addColumn<QString>("type");
    QTest::newRow("personal centre") << QByteArray() << "actionPersonalCenter" << "personal center! .." << "" << "";
    QTest::newRow("resource request") << QByteArray() << "actionApplyFor" << "resource applyfor! .." << "" << "";
    QTest::newRow("logout") << QByteArray() << "actionLogout" << "logout .." << "corvisclient" << "0x9002";
    QTest::newRow("logout, kav") << QByteArray("customProject=kav\n") << "actionLogout"
                                 << "kav request tray check logout ui show!" << "corvistray" << "0x4303";
}

void TestViewTop::menu()
{
    QFETCH(QByteArray, edition);
    QFETCH(QString, action);
    QFETCH(QString, line);
    QFETCH(QString, peer);
    QFETCH(QString, type);
    QVERIFY(prefix_->writeSysCfg("[Mervasso]\ncsmode=1\n" + edition));
    QSignalSpy applyFor(top_.get(), &ViewTop::sendApplyFor);
    const int logouts = count(QStringLiteral("corvisclient"), QStringLiteral("0x9002"));
    const int before = peer.isEmpty() ? 0 : count(peer, type);
    top_->findChild<QAction*>(action)->trigger();
    QVERIFY(log_.contains(line));
    QCOMPARE(applyFor.count(), action == QLatin1String("actionApplyFor") ? 1 : 0);
    QCOMPARE(top_->dialogPersonalCenter()->isVisible(), action == QLatin1String("actionPersonalCenter"));
    if (!peer.isEmpty()) {
        QVERIFY(QTest::qWaitFor([&]() { return count(peer, type) > before; }, 10000));
        QCOMPARE(sim_->requests(peer, type).last().value(QStringLiteral("body")).toString(), QString());
    }
    if (peer != QLatin1String("corvisclient")) {
        // kav logs out only after the tray's confirmation.
        QTest::qWait(100);
        QCOMPARE(count(QStringLiteral("corvisclient"), QStringLiteral("0x9002")), logouts);
    }
}

void TestViewTop::messageCentre()
{
    QVERIFY(writeInforms());
    DialogInform* inform = top_->dialogInform();
    auto* bubble = top_->findChild<CusBubbleButton*>(QStringLiteral("btnMessage"));
    QCOMPARE(bubble->count(), 0);
    QVERIFY(readInforms(inform));
    // m2 unread, m1 read, and the entry whose "read" is not a number counts as unread.
    QCOMPARE(inform->unreadCount(), 2);
    QCOMPARE(bubble->bubbleText(), QStringLiteral("2"));
    auto* list = inform->findChild<QListView*>(QStringLiteral("listInform"));
    QAbstractItemModel* rows = list->model();
    QCOMPARE(rows->rowCount(), 3);
    QVERIFY(rows->index(0, 0).data().toString().startsWith(QStringLiteral("系统维护通知")));
    QVERIFY(rows->index(0, 0).data(Qt::FontRole).value<QFont>().bold());
    QVERIFY(!rows->index(1, 0).data(Qt::FontRole).value<QFont>().bold());

    // The message button opens the view.
    QTest::mouseClick(bubble, Qt::LeftButton);
    QVERIFY(inform->isVisible());

    // "全部已读" asks the service; the view follows its answer.
    auto* readAll = inform->findChild<QPushButton*>(QStringLiteral("btnReadAll"));
    const int before = count(QStringLiteral("corvisclient"), QStringLiteral("0x011e"));
    QTest::mouseClick(readAll, Qt::LeftButton);
    QVERIFY(!readAll->isEnabled());
    QVERIFY(QTest::qWaitFor([&]() { return count(QStringLiteral("corvisclient"), QStringLiteral("0x011e")) > before; }, 10000));
    QCOMPARE(inform->unreadCount(), 2);
    inform->readAllFailed();
    QVERIFY(readAll->isEnabled());
    inform->markAllRead();
    QCOMPARE(inform->unreadCount(), 0);
    QCOMPARE(bubble->count(), 0);
    QVERIFY(!readAll->isEnabled());
    QVERIFY(!rows->index(0, 0).data(Qt::FontRole).value<QFont>().bold());

    // Asking for the list goes to the service.
    const int lists = count(QStringLiteral("corvisclient"), QStringLiteral("0x011d"));
    inform->requestInformList();
    QVERIFY(QTest::qWaitFor([&]() { return count(QStringLiteral("corvisclient"), QStringLiteral("0x011d")) > lists; }, 10000));
}

void TestViewTop::unreadableListKept()
{
    QVERIFY(writeInforms());
    DialogInform* inform = top_->dialogInform();
    QVERIFY(readInforms(inform));
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/informList.json"), "{\"data\": [1, 2"));
    QVERIFY(!readInforms(inform));
    QCOMPARE(inform->informs().size(), 3);
    QCOMPARE(inform->unreadCount(), 2);
    QVERIFY(log_.contains(QStringLiteral("the message list cannot be read, keep 3"), google::GLOG_WARNING));
    // No document at all: an empty centre says so.
    QFile::remove(prefix_->installPath(QStringLiteral("ini/informList.json")));
    ViewTop fresh;
    QVERIFY(!readInforms(fresh.dialogInform()));
    QVERIFY(!fresh.dialogInform()->findChild<QLabel*>(QStringLiteral("labelNoInform"))->isHidden());
}

void TestViewTop::exitClear()
{
    QVERIFY(writeInforms());
    top_->setUserName(QStringLiteral("zhang"));
    QVERIFY(readInforms(top_->dialogInform()));
    top_->findChild<QAction*>(QStringLiteral("actionPersonalCenter"))->trigger();
    top_->showInform();
    top_->exitClear();
    QCOMPARE(top_->findChild<CusBubbleButton*>(QStringLiteral("btnMessage"))->count(), 0);
    QVERIFY(top_->dialogInform()->informs().isEmpty());
    QVERIFY(top_->dialogInform()->isHidden());
    QVERIFY(top_->dialogPersonalCenter()->isHidden());
}

void TestViewTop::dialogsBuiltOnFirstNeed_data()
{
    QTest::addColumn<QString>("open");
    QTest::addColumn<bool>("center");
    QTest::addColumn<bool>("inform");
    QTest::newRow("nothing") << "" << false << false;
    QTest::newRow("logout") << "exitClear" << false << false;
    QTest::newRow("personal centre") << "actionPersonalCenter" << true << false;
    QTest::newRow("message button") << "btnMessage" << false << true;
}

void TestViewTop::dialogsBuiltOnFirstNeed()
{
    QFETCH(QString, open);
    QFETCH(bool, center);
    QFETCH(bool, inform);
    qRegisterMetaType<DialogPersonalCenter*>();
    QSignalSpy built(top_.get(), &ViewTop::personalCenterBuilt);
    QVERIFY(top_->findChild<DialogPersonalCenter*>() == nullptr);
    QVERIFY(top_->findChild<DialogInform*>() == nullptr);
    if (open == QLatin1String("exitClear")) {
        top_->exitClear();
    } else if (open == QLatin1String("actionPersonalCenter")) {
        top_->findChild<QAction*>(open)->trigger();
    } else if (!open.isEmpty()) {
        QTest::mouseClick(top_->findChild<QPushButton*>(open), Qt::LeftButton);
    }
    auto* builtCenter = top_->findChild<DialogPersonalCenter*>();
    auto* builtInform = top_->findChild<DialogInform*>();
    QCOMPARE(builtCenter != nullptr, center);
    QCOMPARE(top_->builtPersonalCenter(), builtCenter);
    QCOMPARE(built.count(), center ? 1 : 0);
    QCOMPARE(builtInform != nullptr, inform);
    // Built once, and shown when opened.
    if (center) {
        QCOMPARE(built.first().at(0).value<DialogPersonalCenter*>(), builtCenter);
        QVERIFY(builtCenter->isVisible());
        QCOMPARE(top_->dialogPersonalCenter(), builtCenter);
    }
    if (inform) {
        QVERIFY(builtInform->isVisible());
        QCOMPARE(top_->dialogInform(), builtInform);
    }
    QCOMPARE(built.count(), center ? 1 : 0);
}

QTEST_MAIN(TestViewTop)
#include "tst_viewtop.moc"
