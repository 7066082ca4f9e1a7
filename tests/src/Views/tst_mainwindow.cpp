// The main window in-process (offscreen) against corvissim: construction, one routing row per
// receiver of a request result or pushed message, the login state machine and the window's show,
// hide and quit. Each row checks what the receiver did: the signal a page or dialog emits once it
// has applied what it was handed, its visible state, the main window's state or the request in
// corvissim's record. Pages keep their own behaviour to their own tests.

#include "app/common.h"
#include "comm/cs_ret_status.h"
#include "comm/uicomm.h"
#include "corviscommon/downloadstore.h"
#include "login/clientlogindialog.h"
#include "src/Views/dialogappfor.h"
#include "src/Views/dialogcommon.h"
#include "src/Views/dialoginform.h"
#include "src/Views/dialogpersonalcenter.h"
#include "src/Views/dialogspadisconnect.h"
#include "src/Views/mainwindow.h"
#include "src/Views/pagedeviceinfo.h"
#include "src/Views/pageportal.h"
#include "src/Views/pagesandbox.h"
#include "src/Views/pagespa.h"
#include "src/Views/pageversioncheck.h"
#include "src/Views/viewleft.h"
#include "src/Views/viewtop.h"
#include "src/CustomControl/cusbubblebutton.h"
#include "support/logcapture.h"
#include "support/simprocess.h"
#include "testpaths.h"
#include "support/testprefix.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

#include <functional>
#include <memory>

using Receiver = std::function<QObject*()>;
using Check = std::function<bool()>;
Q_DECLARE_METATYPE(Receiver)
Q_DECLARE_METATYPE(Check)

namespace {

const QByteArray kSysCfg = "[about]\nname=测试工作台\n[Mervasso]\ncsmode=1\n";
const QByteArray kUserInfo = "[UserInfo]\nUserName=zhang\n";
// Two tabs, so that an SPA auto-fill fills the account page without logging in.
const QByteArray kSystemTitle = R"({"data":{"validateCodeType":"0","loginMenu":[)"
                                R"({"menuId":"accountLoginTab","menuText":"账号登录"},)"
                                R"({"menuId":"phoneLoginTab","menuText":"手机登录"}]}})";
const QString kRestart = QStringLiteral("安全工作台启动异常，请重启电脑后重试！");
const QString kClient = QStringLiteral("corvisclient");
const QString kTray = QStringLiteral("corvistray");

// A signal's arguments as plain values (a ClientReq as its number).
QVariantList plain(const QList<QVariant>& args)
{
    QVariantList out;
    for (const QVariant& arg : args) {
        out.append(arg.userType() == qMetaTypeId<ClientReq>() ? QVariant(int(arg.value<ClientReq>())) : arg);
    }
    return out;
}

ClientLoginDialog* login()
{
    return ClientLoginDialog::instance();
}

QString accountTip()
{
    return login()->findChild<QWidget*>(QStringLiteral("pageAccount"))->findChild<QLabel*>(QStringLiteral("labelTip"))->text();
}

Check accountTipIs(const QString& tip)
{
    return [tip] { return accountTip() == tip; };
}

// A widget of the application by its objectName, nullptr when none is built.
QWidget* builtWidget(const QString& name)
{
    for (QWidget* widget : QApplication::allWidgets()) {
        if (widget->objectName() == name) {
            return widget;
        }
    }
    return nullptr;
}

QString accountField()
{
    return login()->findChild<QWidget*>(QStringLiteral("pageAccount"))->findChild<QLineEdit*>(QStringLiteral("editAccount"))->text();
}

}  // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void construction();
    void dialogsBuiltOnFirstNeed_data();
    void dialogsBuiltOnFirstNeed();
    void leftItems_data();
    void leftItems();

    void loginResults_data();
    void loginResults();
    void connectErrorInTheLoginDialog();
    void otherResults_data();
    void otherResults();
    void reachTheirReceiver_data();
    void reachTheirReceiver();
    void accountResultGoesToTheDialogInUse();
    void passwordChangedTip_data();
    void passwordChangedTip();
    void loginResultOpensTheCommonDialog();
    void trayNotices_data();
    void trayNotices();
    void systemTitleRetries();
    void autoLogin_data();
    void autoLogin();
    void carousel();
    void messageCentre();
    void appCatRetriedThreeTimes();

    void windowPushes_data();
    void windowPushes();
    void spaOutcome_data();
    void spaOutcome();
    void sandboxList();
    void dynamicAuth_data();
    void dynamicAuth();
    void sandboxReady();
    void unknownPush();

    void uplineAndDownline();
    void showWindowStatus();
    void tirrowaRedoSpa();
    void closingHides();
    void spaSucceededAndRedo();
    void topBarRefreshAndApplyFor();
    void downloadedIconsAreStored();
    void closeWindowStatusQuits();

private:
    int count(const QString& peer, const QString& type) const { return int(sim_->requests(peer, type).size()); }
    bool waitCount(const QString& peer, const QString& type, int atLeast) const;
    QString lastBody(const QString& peer, const QString& type) const;

    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<LogCapture> log_;
    MainWindow* window_ = nullptr;
};

bool TestMainWindow::waitCount(const QString& peer, const QString& type, int atLeast) const
{
    return QTest::qWaitFor([&]() { return count(peer, type) >= atLeast; }, 15000);
}

QString TestMainWindow::lastBody(const QString& peer, const QString& type) const
{
    const QList<QJsonObject> all = sim_->requests(peer, type);
    return all.isEmpty() ? QString() : all.last().value(QStringLiteral("body")).toString();
}

void TestMainWindow::initTestCase()
{
    prefix_ = std::make_unique<TestPrefix>();
    QVERIFY(prefix_->writeSysCfg(kSysCfg));
    QVERIFY(prefix_->writeUserInfo(kUserInfo));
    // A readable title: the login dialog does not ask again on its own timer.
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/systemTitle.json"), kSystemTitle));
    sim_ = std::make_unique<SimProcess>(prefix_->root());
    QVERIFY2(sim_->start(), qPrintable(sim_->errorOutput()));
    log_ = std::make_unique<LogCapture>();
    MainWindow::setTrayWaitAttempts(0);
    window_ = MainWindow::instance();
    QVERIFY(window_->isPushServerRunning());
    // The system title is asked for at once and its answer reaches the login dialog.
    QVERIFY(sim_->waitForRequest(kClient, QStringLiteral("0x0112")));
    QTRY_COMPARE_WITH_TIMEOUT(login()->systemTitle().loginMenu.size(), 2, 15000);
}

void TestMainWindow::cleanup()
{
    QVERIFY(prefix_->writeSysCfg(kSysCfg));
    QVERIFY(prefix_->writeUserInfo(kUserInfo));
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/systemTitle.json"), kSystemTitle));
    DialogAppFor::instance()->hide();
    DialogSPADisconnect::instance()->hide();
    // Only what was built: the dialogs built on first need stay unbuilt until a test needs them.
    if (auto* inform = window_->viewTop()->findChild<DialogInform*>()) {
        inform->hide();
    }
    if (DialogPersonalCenter* center = window_->viewTop()->builtPersonalCenter()) {
        center->exitClear();
    }
    PageSPA::instance()->onOauthToLogin();
    login()->exitClear();
    window_->hide();
    log_->clear();
}

void TestMainWindow::construction()
{
    QCOMPARE(window_->windowTitle(), QStringLiteral("测试工作台"));
    QCOMPARE(window_->size(), QSize(960, 700));
    QCOMPARE(window_->minimumSize(), window_->maximumSize());
    QVERIFY(window_->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!window_->windowIcon().isNull());

    auto* stack = window_->findChild<QStackedWidget*>(QStringLiteral("mainStack"));
    QVERIFY(stack);
    QCOMPARE(stack->count(), 4);
    QCOMPARE(stack->widget(PageMainEmpty)->objectName(), QStringLiteral("pageEmpty"));
    QCOMPARE(stack->widget(PageMainLogin), static_cast<QWidget*>(login()));
    QCOMPARE(stack->widget(PageMainWork)->objectName(), QStringLiteral("workArea"));
    QCOMPARE(stack->widget(PageMainSpa), static_cast<QWidget*>(PageSPA::instance()));
    QCOMPARE(window_->currentPage(), int(PageMainLogin));
    QCOMPARE(window_->viewLeft()->minimumWidth(), 168);
    QCOMPARE(window_->viewTop()->minimumHeight(), 53);

    // Standard edition: five items; the sandbox and the dynamic authorization wait for the service.
    ViewLeft* left = window_->viewLeft();
    QCOMPARE(left->count(), 5);
    QCOMPARE(left->visibleItems(), (QList<int>{0, 2, 4}));
    auto* workStack = window_->findChild<QStackedWidget*>(QStringLiteral("workStack"));
    QCOMPARE(workStack->widget(0), static_cast<QWidget*>(PagePortal::instance()));
    QCOMPARE(workStack->widget(2), static_cast<QWidget*>(window_->pageDeviceInfo()));
    // The sandbox, dynamic-authorization and version pages are built on first use, in the slot
    // their item keeps: by a routed result, or by showing them.
    QCOMPARE(workStack->count(), 5);
    QVERIFY(workStack->findChild<PageSandbox*>() == nullptr);
    QVERIFY(workStack->findChild<PageVersionCheck*>() == nullptr);
    PageSandbox* sandbox = window_->pageSandbox();
    QCOMPARE(workStack->widget(1), static_cast<QWidget*>(sandbox));
    window_->showMainWorkPage(MainLeftVersionCheck);
    PageVersionCheck* version = workStack->findChild<PageVersionCheck*>();
    QVERIFY(version != nullptr);
    QCOMPARE(window_->pageVersionCheck(), version);
    QCOMPARE(workStack->widget(4), static_cast<QWidget*>(version));
    QCOMPARE(window_->currentWorkPage(), static_cast<QWidget*>(version));
    QCOMPARE(workStack->count(), 5);
    window_->showMainWorkPage(MainLeftPortal);
    QCOMPARE(window_->currentWorkPage(), static_cast<QWidget*>(PagePortal::instance()));
}

void TestMainWindow::dialogsBuiltOnFirstNeed_data()
{
    // Each row: a dialog absent at start, what first needs it, what shows the need was met, and
    // what shows the main window connected it as it was built.
    QTest::addColumn<QString>("name");
    QTest::addColumn<Check>("deliver");
    QTest::addColumn<Check>("applied");
    QTest::addColumn<Check>("connected");
    MainWindow* w = window_;
    const Check jumped = [w] { return w->currentPage() == int(PageMainWork); };
    QTest::newRow("account dialog: a routed result")
        << "DialogCommon" << Check([w] {
               w->onCommMsg(CReqClientModifyPwd, QStringLiteral("原密码错误"), QString(), true);
               return true;
           })
        << Check([] { return DialogCommon::instance()->tipText(PageDialogModifyPwd) == QStringLiteral("原密码错误"); })
        << Check([jumped] {
               emit DialogCommon::instance()->sendJumpToMain();
               return jumped();
           });
    // The login audit's answer builds the personal centre, which then reads the history.
    auto audits = std::make_shared<int>(0);
    QTest::newRow("personal centre: the login audit's answer")
        << "DialogPersonalCenter" << Check([w, audits] {
               QObject::connect(w->viewTop(), &ViewTop::personalCenterBuilt, w->viewTop(), [audits](DialogPersonalCenter* c) {
                   QObject::connect(c, &DialogPersonalCenter::loginAuditUpdated, [audits] { ++*audits; });
               });
               w->onCommMsg(CReqClientGetLoginAudit, QString(), QString(), false);
               return true;
           })
        << Check([w, audits] { return *audits == 1 && w->viewTop()->builtPersonalCenter() != nullptr; })
        << Check([w, jumped] {
               emit w->viewTop()->builtPersonalCenter()->dialogCommon()->sendJumpToMain();
               return jumped();
           });
    QTest::newRow("message centre: the list's answer")
        << "DialogInform" << Check([this, w] {
               if (!prefix_->writeInstallFile(QStringLiteral("ini/informList.json"),
                                              readFile(CORVIS_TEST_DATA_DIR "/PolicyAnalyzer/readInformList/informs.json"))) {
                   return false;
               }
               w->onCommMsg(CReqClient105, QString(), QString(), false);
               return true;
           })
        << Check([w] { return w->viewTop()->findChild<DialogInform*>()->informs().size() == 3; })
        << Check([w] {
               // Its unread count reaches the message button.
               return w->viewTop()->findChild<CusBubbleButton*>(QStringLiteral("btnMessage"))->count() == 2;
           });
}

void TestMainWindow::dialogsBuiltOnFirstNeed()
{
    QFETCH(QString, name);
    QFETCH(Check, deliver);
    QFETCH(Check, applied);
    QFETCH(Check, connected);
    QVERIFY(builtWidget(name) == nullptr);
    // Neither a logout nor a closed window builds them.
    window_->viewTop()->exitClear();
    window_->hideWindow();
    QVERIFY(builtWidget(name) == nullptr);
    window_->show(PageMainLogin);
    QVERIFY(deliver());
    QTRY_VERIFY_WITH_TIMEOUT(applied(), 20000);
    QVERIFY(builtWidget(name) != nullptr);
    QVERIFY(connected());
    window_->show(PageMainLogin);
    QFile::remove(prefix_->installPath(QStringLiteral("ini/informList.json")));
    if (auto* inform = window_->viewTop()->findChild<DialogInform*>()) {
        inform->clearInform();
    }
}

void TestMainWindow::leftItems_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QStringList>("icons");
    const QString img = QStringLiteral(":/resources/Img/icon_");
    const QStringList icons{img + "portal.png", img + "sandbox.png", img + "device_info.png", img + "dynamic_auth.png",
                            img + "version_check.png"};
    const QString vesk = QStringLiteral("resource/vesk/clientmain/");
    const QStringList veskIcons{vesk + "device_info_checked.png", vesk + "dynamic_score_checked.png", vesk + "version_check.png"};
    QTest::newRow("standard") << QString() << QStringList{"统一门户", "安全沙箱", "设备信息", "动态授权", "版本检测"} << icons;
    QTest::newRow("kav") << QStringLiteral("kav") << QStringList{"应用入口", "安全空间", "设备信息", "动态授权", "版本检测"} << icons;
    QTest::newRow("vesk uos") << QStringLiteral("vesk-uos-4.19.71") << QStringList{"设备信息", "评分信息", "版本检测"} << veskIcons;
    QTest::newRow("vesk kylin") << QStringLiteral("vesk-kylin-5.4.18-32") << QStringList{"设备信息", "评分信息", "版本检测"}
                                << veskIcons;
}

void TestMainWindow::leftItems()
{
    QFETCH(QString, project);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, icons);
    QStringList gotLabels;
    QStringList gotIcons;
    for (const MainLeftItem& item : MainWindow::leftItems(project)) {
        gotLabels.append(item.label);
        // The vesk pictures live below the installation.
        gotIcons.append(item.icon.startsWith(QLatin1Char(':')) ? item.icon : item.icon.section(QStringLiteral("orvane/"), 1));
    }
    QCOMPARE(gotLabels, labels);
    QCOMPARE(gotIcons, icons);
}

// ---------------------------------------------------------------------------------------------
// Request results

void TestMainWindow::loginResults_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("resMsg");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("substatus");
    // The edges of the login ranges; a missing service becomes the restart message.
    QTest::newRow("65 connect error") << 65 << "__CONNECT_ERROR__" << "" << true << kRestart << 0;
    QTest::newRow("74 qr code") << 74 << "2" << "0" << false << "2" << 0;
    QTest::newRow("76 substatus 21") << 76 << "{\"restTime\":30}" << "21" << false << "{\"restTime\":30}" << 21;
    QTest::newRow("80 refused") << 80 << "refused" << "" << true << "refused" << 0;
    QTest::newRow("82 qr step") << 82 << "refused" << "" << true << "refused" << 0;
    QTest::newRow("86 connect error") << 86 << "__CONNECT_ERROR__" << "7" << true << kRestart << 0;
    QTest::newRow("114 bind again") << 114 << "已提交" << "0" << false << "已提交" << 0;
    QTest::newRow("4101 certificate") << 4101 << "__CONNECT_ERROR__" << "" << true << kRestart << 0;
}

void TestMainWindow::loginResults()
{
    QFETCH(int, req);
    QFETCH(QString, resMsg);
    QFETCH(QString, extra);
    QFETCH(bool, failed);
    QFETCH(QString, text);
    QFETCH(int, substatus);
    QSignalSpy spy(window_, &MainWindow::sendClientLoginResult);
    window_->onCommMsg(static_cast<ClientReq>(req), resMsg, extra, failed);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(plain(spy.at(0)), (QVariantList{req, text, failed, substatus}));
}

void TestMainWindow::connectErrorInTheLoginDialog()
{
    window_->onCommMsg(CReqClientLogin65, QStringLiteral("__CONNECT_ERROR__"), QString(), true);
    QCOMPARE(accountTip(), kRestart);
}

void TestMainWindow::loginResultOpensTheCommonDialog()
{
    // The login dialog asks for the account dialog by a signal; the window opens the page.
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/login.json"),
                                      R"({"status":2000,"result":{"pageElements":[]}})"));
    window_->onCommMsg(CReqClientLogin76, QStringLiteral("请完善个人信息"), QStringLiteral("26"), false);
    QCOMPARE(DialogCommon::instance()->currentPage(), int(PageDialogImproveUserInfo));
    window_->onCommMsg(CReqClientLogin76, QStringLiteral("15"), QStringLiteral("0"), false);
    QCOMPARE(DialogCommon::instance()->currentPage(), int(PageDialogModifyPwd));
}

void TestMainWindow::otherResults_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<bool>("givenBack");  // the top bar's refresh button
    QTest::addColumn<QString>("line");
    // The daemon's and the tray's answers are only logged; that is all they lead to.
    QTest::newRow("daemon") << 160 << false << false << "get message from corvisdaemon, reqType: 0xa0, resMsg: sent";
    QTest::newRow("tray 33 failed") << 33 << true << false << "server error, cannot connect to corvistray！";
    // No reply is expected, or the sender handles its own result.
    for (int req : {88, 89, 96, 99, 100, 115, 257, 4097, 4099, 36}) {
        QTest::addRow("%d ignored", req) << req << false << false << QString();
    }
    QTest::newRow("116 request list") << 116 << false << true << QString();
    QTest::newRow("116 failed") << 116 << true << true << QString();
    QTest::newRow("101 categories") << 101 << false << true << QString();
}

void TestMainWindow::otherResults()
{
    QFETCH(int, req);
    QFETCH(bool, failed);
    QFETCH(bool, givenBack);
    QFETCH(QString, line);
    window_->viewTop()->setRefreshEnabled(false);
    QSignalSpy spy(window_, &MainWindow::sendClientLoginResult);
    window_->onCommMsg(static_cast<ClientReq>(req), QStringLiteral("sent"), QString(), failed);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(window_->viewTop()->isRefreshing(), !givenBack);
    if (!line.isEmpty()) {
        QVERIFY2(log_->contains(line), qPrintable(log_->text()));
    }
    window_->viewTop()->setRefreshEnabled(true);
}

void TestMainWindow::reachTheirReceiver_data()
{
    QTest::addColumn<bool>("pushed");
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<Receiver>("receiver");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<int>("calls");
    QTest::addColumn<QVariantList>("args");

    const Receiver device = [this] { return window_->pageDeviceInfo(); };
    const Receiver portal = [] { return PagePortal::instance(); };
    const Receiver account = [] { return DialogCommon::instance(); };
    const Receiver personal = [this] { return window_->viewTop()->dialogPersonalCenter(); };
    const Receiver appFor = [] { return DialogAppFor::instance(); };
    const Receiver spa = [] { return PageSPA::instance(); };
    const QByteArray bind = SIGNAL(bindStateUpdated(int));
    const QByteArray env = SIGNAL(envPolicyReceived(QString));
    const QByteArray accountResult = SIGNAL(resultReceived(ClientReq,QString,bool));
    const QByteArray collect = SIGNAL(collectHandled(QString,bool));
    const QByteArray apply = SIGNAL(appApplyHandled(QString,bool));
    const QByteArray records = SIGNAL(appApproveRecordsReceived(bool,QString));
    const QByteArray reset = SIGNAL(oauthResetResultShown(ClientReq,QString,bool));

    QTest::newRow("64 bound devices") << false << 64 << " 3 " << false << device << bind << 1 << QVariantList{3};
    QTest::newRow("64 failed") << false << 64 << "3" << true << device << bind << 0 << QVariantList();
    for (int req : {81, 107, 108, 109, 110, 111, 112, 113, 130}) {
        QTest::addRow("%d account dialog", req) << false << req << "done" << false << account << accountResult << 1
                                               << QVariantList{req, "done", false};
    }
    QTest::newRow("110 refused") << false << 110 << "busy" << true << account << accountResult << 1 << QVariantList{110, "busy", true};
    const QString policy = QStringLiteral("{\"policyOperationEnv\":[]}");
    QTest::newRow("98 policy") << false << 98 << policy << false << device << env << 1 << QVariantList{policy};
    QTest::newRow("98 failed") << false << 98 << "x" << true << device << env << 0 << QVariantList();
    QTest::newRow("102 failed") << false << 102 << "x" << true << portal << QByteArray(SIGNAL(portalUpdated(int))) << 1 << QVariantList{1};
    // "<...>&&<appId>": without the id no entry can be found.
    QTest::newRow("103 favourite") << false << 103 << "ok&&app7" << false << portal << collect << 1 << QVariantList{"app7", true};
    QTest::newRow("103 refused") << false << 103 << "busy&&app7" << true << portal << collect << 1 << QVariantList{"app7", false};
    QTest::newRow("103 refused without id") << false << 103 << "后台通信失败" << true << portal << collect << 0 << QVariantList();
    QTest::newRow("104 login audit") << false << 104 << "" << false << personal << QByteArray(SIGNAL(loginAuditUpdated())) << 1
                                     << QVariantList();
    QTest::newRow("104 failed") << false << 104 << "x" << true << personal << QByteArray(SIGNAL(loginAuditUpdated())) << 0
                                << QVariantList();
    QTest::newRow("117 submitted") << false << 117 << "{\"ids\":[]}" << false << portal << apply << 1 << QVariantList{"{\"ids\":[]}", true};
    QTest::newRow("117 refused") << false << 117 << "no" << true << portal << apply << 1 << QVariantList{"no", false};
    QTest::newRow("118 records") << false << 118 << "[]" << false << appFor << records << 1 << QVariantList{true, "[]"};
    QTest::newRow("118 failed") << false << 118 << "x" << true << appFor << records << 1 << QVariantList{false, "x"};
    QTest::newRow("128 reset code") << false << 128 << "sent" << false << spa << reset << 1 << QVariantList{128, "sent", false};
    QTest::newRow("129 reset commit") << false << 129 << "bad" << true << spa << reset << 1 << QVariantList{129, "bad", true};
    QTest::newRow("push 35 network mode") << true << 35 << "mode2" << false << portal
                                          << QByteArray(SIGNAL(netmodeSwitched(QString))) << 1 << QVariantList{"mode2"};
}

void TestMainWindow::reachTheirReceiver()
{
    QFETCH(bool, pushed);
    QFETCH(int, req);
    QFETCH(QString, text);
    QFETCH(bool, failed);
    QFETCH(Receiver, receiver);
    QFETCH(QByteArray, signal);
    QFETCH(int, calls);
    QFETCH(QVariantList, args);
    QSignalSpy spy(receiver(), signal.constData());
    QVERIFY(spy.isValid());
    if (pushed) {
        window_->onServerMsg(static_cast<ServerReq>(req), text, 0);
    } else {
        window_->onCommMsg(static_cast<ClientReq>(req), text, QString(), failed);
    }
    QCOMPARE(spy.count(), calls);
    if (calls > 0) {
        QCOMPARE(plain(spy.at(0)), args);
    }
}

void TestMainWindow::accountResultGoesToTheDialogInUse()
{
    // Both account dialogs send the same requests; the one the user works in gets the answer.
    DialogCommon* personal = window_->viewTop()->dialogPersonalCenter()->dialogCommon();
    QSignalSpy shared(DialogCommon::instance(), &DialogCommon::resultReceived);
    QSignalSpy own(personal, &DialogCommon::resultReceived);
    personal->show();
    QVERIFY(personal->isVisible());
    window_->onCommMsg(CReqClientBind, QStringLiteral("done"), QString(), false);
    QCOMPARE(own.count(), 1);
    QCOMPARE(shared.count(), 0);
    personal->hide();
    window_->onCommMsg(CReqClientBind, QStringLiteral("done"), QString(), false);
    QCOMPARE(own.count(), 1);
    QCOMPARE(shared.count(), 1);
}

void TestMainWindow::passwordChangedTip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("tip");
    QTest::newRow("changed") << "18" << false << "修改密码成功，请重新登陆";
    QTest::newRow("refused") << "18" << true << "";
    QTest::newRow("other answer") << "ok" << false << "";
}

void TestMainWindow::passwordChangedTip()
{
    QFETCH(QString, text);
    QFETCH(bool, failed);
    QFETCH(QString, tip);
    window_->onCommMsg(CReqClientModifyPwd, text, QString(), failed);
    QCOMPARE(accountTip(), tip);
}

void TestMainWindow::trayNotices_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<bool>("pushed");
    QTest::addColumn<QString>("resMsg");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QString>("button");
    QTest::newRow("39 result") << 39 << false << "已是最新版本" << false << "已是最新版本" << "btnCheckVersion";
    QTest::newRow("39 no service") << 39 << false << "__CONNECT_ERROR__" << true << kRestart << "btnCheckVersion";
    QTest::newRow("40 result") << 40 << false << "开始回退" << false << "开始回退" << "btnBackVersion";
    QTest::newRow("87 unbound") << 87 << false << "" << false << "解绑成功" << "";
    QTest::newRow("87 refused") << 87 << false << "设备不存在" << true << "解绑指定设备失败：设备不存在" << "";
    QTest::newRow("push 80") << 80 << true << "有新版本" << false << "有新版本" << "btnCheckVersion";
    QTest::newRow("push 81") << 81 << true << "回退完成" << false << "回退完成" << "btnBackVersion";
}

void TestMainWindow::trayNotices()
{
    QFETCH(int, req);
    QFETCH(bool, pushed);
    QFETCH(QString, resMsg);
    QFETCH(bool, failed);
    QFETCH(QString, notice);
    QFETCH(QString, button);
    QPushButton* busy = button.isEmpty() ? nullptr : window_->pageVersionCheck()->findChild<QPushButton*>(button);
    if (busy != nullptr) {
        busy->setEnabled(false);
    }
    auto* loginBack = login()->findChild<QPushButton*>(QStringLiteral("btnBackVersion"));
    loginBack->setEnabled(false);
    const int before = count(kTray, QStringLiteral("0x0401"));
    if (pushed) {
        window_->onServerMsg(static_cast<ServerReq>(req), resMsg, 0);
    } else {
        window_->onCommMsg(static_cast<ClientReq>(req), resMsg, QString(), failed);
    }
    QVERIFY(waitCount(kTray, QStringLiteral("0x0401"), before + 1));
    QCOMPARE(lastBody(kTray, QStringLiteral("0x0401")), notice);
    if (busy != nullptr) {
        QVERIFY(busy->isEnabled());
    }
    // The login page's roll-back button comes back with the answer to its own request.
    QCOMPARE(loginBack->isEnabled(), req == CReqUpdate40 && !pushed);
    loginBack->setEnabled(true);
}

void TestMainWindow::systemTitleRetries()
{
    const QString title = QStringLiteral("0x0112");
    const int before = count(kClient, title);
    for (int i = 0; i < 5; ++i) {
        window_->onCommMsg(CReqClientQuerySystemTitle, QStringLiteral("__CONNECT_ERROR__"), QString(), true);
    }
    // Three retries, then a last one with retries off; the fifth failure asks no more.
    QVERIFY(waitCount(kClient, title, before + 4));
    const int marker = count(kClient, QStringLiteral("0x0142"));
    UiComm::instance()->apiCorvisclientCommon(CReqClient89, QString(), false);
    QVERIFY(waitCount(kClient, QStringLiteral("0x0142"), marker + 1));
    QCOMPARE(count(kClient, title), before + 4);
}

void TestMainWindow::autoLogin_data()
{
    QTest::addColumn<QByteArray>("sysCfg");
    QTest::addColumn<QByteArray>("userInfo");
    QTest::addColumn<QString>("account");
    QTest::newRow("standard") << QByteArray() << QByteArray("[UserInfo]\nSpaUserName=vuser\n[VelmoraSpa]\nVlsUserName=vuser\n")
                              << "";
    // These editions knock with the account of their own section, once an SPA has passed.
    QTest::newRow("velmora passed before")
        << QByteArray("customProject=velmora\n[corvisspa]\nspamark=1\n")
        << QByteArray("[UserInfo]\nSpaUserName=vuser\n[VelmoraSpa]\nVlsUserName=vuser\nVlsPassword=vpwd\n") << "vuser";
    QTest::newRow("tirrowa without spa") << QByteArray("customProject=tirrowa-uos-x86\n[corvisspa]\nspamark=1\n")
                                         << QByteArray("[UserInfo]\n[VelmoraSpa]\nVlsUserName=vuser\n") << "";
}

void TestMainWindow::autoLogin()
{
    QFETCH(QByteArray, sysCfg);
    QFETCH(QByteArray, userInfo);
    QFETCH(QString, account);
    QVERIFY(prefix_->writeSysCfg(kSysCfg + sysCfg));
    QVERIFY(prefix_->writeUserInfo(userInfo));
    window_->onCommMsg(CReqClientQuerySystemTitle, QString(), QString(), false);
    QCOMPARE(accountField(), account);
}

void TestMainWindow::carousel()
{
    const QString path = QStringLiteral("ini/carousel.json");
    QVERIFY(prefix_->writeInstallFile(path, readFile(CORVIS_TEST_DATA_DIR "/PolicyAnalyzer/parseCarousel/full.json")));
    window_->onCommMsg(CReqClientGetCarousel, QStringLiteral("x"), QString(), true);
    QCOMPARE(login()->carousel().showPic.size(), 0);
    window_->onCommMsg(CReqClientGetCarousel, QString(), QString(), false);
    QCOMPARE(login()->carousel().showPic.size(), 2);
    QFile::remove(prefix_->installPath(path));
}

void TestMainWindow::messageCentre()
{
    DialogInform* inform = window_->viewTop()->dialogInform();
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/informList.json"),
                                      readFile(CORVIS_TEST_DATA_DIR "/PolicyAnalyzer/readInformList/informs.json")));
    window_->onCommMsg(CReqClient105, QStringLiteral("x"), QString(), true);
    QCOMPARE(inform->informs().size(), 0);
    // The list document is read off the GUI thread.
    window_->onCommMsg(CReqClient105, QString(), QString(), false);
    QTRY_COMPARE_WITH_TIMEOUT(inform->informs().size(), 3, 20000);
    QCOMPARE(inform->unreadCount(), 2);
    window_->onCommMsg(CReqClientInformRead106, QStringLiteral("x"), QString(), true);
    QCOMPARE(inform->unreadCount(), 2);
    window_->onCommMsg(CReqClientInformRead106, QString(), QString(), false);
    QCOMPARE(inform->unreadCount(), 0);

    // Pushed: a new message and a refresh ask for the list; "read" marks it.
    window_->onCommMsg(CReqClient105, QString(), QString(), false);
    QTRY_COMPARE_WITH_TIMEOUT(inform->unreadCount(), 2, 20000);
    window_->onServerMsg(SReqMessageRead, QString(), 0);
    QCOMPARE(inform->unreadCount(), 0);
    for (ServerReq push : {SReqNewMessage, SReqMessageRefresh}) {
        const int before = count(kClient, QStringLiteral("0x011d"));
        window_->onServerMsg(push, QString(), 0);
        QVERIFY(waitCount(kClient, QStringLiteral("0x011d"), before + 1));
    }
    QFile::remove(prefix_->installPath(QStringLiteral("ini/informList.json")));
    inform->clearInform();
}

void TestMainWindow::appCatRetriedThreeTimes()
{
    const int before = count(kClient, QStringLiteral("0x0114"));
    QSignalSpy updated(PagePortal::instance(), &PagePortal::portalUpdated);
    window_->viewTop()->setRefreshEnabled(false);
    for (int i = 0; i < 4; ++i) {
        window_->onReqClientResult(CReqClientPortalRefresh101, QStringLiteral("x"), true);
    }
    // The fourth failure gives up: a blank portal and the refresh button back.
    QCOMPARE(updated.count(), 1);
    QCOMPARE(updated.at(0).at(0).toInt(), 1);
    QVERIFY(!window_->viewTop()->isRefreshing());
    QVERIFY(waitCount(kClient, QStringLiteral("0x0114"), before + 3));
}

// ---------------------------------------------------------------------------------------------
// Pushed messages

void TestMainWindow::windowPushes_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<int>("arg");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Check>("check");
    MainWindow* w = window_;
    DialogAppFor* appFor = DialogAppFor::instance();
    QTest::newRow("39 spa disconnect") << 39 << 0 << ""
                                       << Check([w] { return w->isVisible() && DialogSPADisconnect::instance()->isVisible(); });
    QTest::newRow("41 open portal") << 41 << 0 << ""
                                    << Check([w] { return w->isVisible() && w->currentWorkPage() == PagePortal::instance(); });
    QTest::newRow("43 show messages") << 43 << 0 << "" << Check([w] { return w->viewTop()->dialogInform()->isVisible(); });
    const auto approvals = [appFor](int tab) { return Check([appFor, tab] { return appFor->isVisible() && appFor->currentIndex() == tab; }); };
    QTest::newRow("40 app approve") << 40 << 0 << "" << approvals(DialogAppFor::TabAppApprove);
    QTest::newRow("42 sandbox approve") << 42 << 0 << "" << approvals(DialogAppFor::TabSandboxApprove);
    QTest::newRow("48 access check failed") << 48 << 5 << "终端不满足准入要求" << accountTipIs(QStringLiteral("终端不满足准入要求"));
    QTest::newRow("82 disk space") << 82 << 0 << "" << accountTipIs(QStringLiteral("无法创建安全工作台，请清理磁盘空间后重新登录！"));
}

void TestMainWindow::windowPushes()
{
    QFETCH(int, req);
    QFETCH(int, arg);
    QFETCH(QString, text);
    QFETCH(Check, check);
    window_->viewLeft()->setCurrentIndex(window_->leftPosition(MainLeftVersionCheck));
    window_->onServerMsg(static_cast<ServerReq>(req), text, arg);
    QVERIFY(check());
}

void TestMainWindow::spaOutcome_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("resetPage");
    QTest::addColumn<QVariantList>("result");  // empty: no outcome shown
    QTest::addColumn<int>("step");             // the reset step continued, 0: none
    QTest::newRow("OPEN1443") << "OPEN1443" << false << QVariantList{true, "OPEN1443"} << 0;
    QTest::newRow("empty") << "" << false << QVariantList{true, ""} << 0;
    QTest::newRow("other text") << "网关拒绝" << false << QVariantList{false, "网关拒绝"} << 0;
    QTest::newRow("auth success outside reset") << "YZY_ONLYAUTH_SUCCESS SENDSMS" << false << QVariantList() << 0;
    QTest::newRow("auth fail outside reset") << "YZY_ONLYAUTH_FAIL" << false << QVariantList() << 0;
    QTest::newRow("sms code step") << "YZY_ONLYAUTH_SUCCESS SENDSMS" << true << QVariantList() << 128;
    QTest::newRow("commit step") << "YZY_ONLYAUTH_SUCCESS UPDATEPWD" << true << QVariantList() << 129;
    QTest::newRow("auth fail in reset") << "YZY_ONLYAUTH_FAIL SENDSMS" << true
                                        << QVariantList{false, "YZY_ONLYAUTH_FAIL SENDSMS"} << 0;
}

void TestMainWindow::spaOutcome()
{
    QFETCH(QString, text);
    QFETCH(bool, resetPage);
    QFETCH(QVariantList, result);
    QFETCH(int, step);
    PageSPA* spa = PageSPA::instance();
    if (resetPage) {
        spa->onOauthToReset();
    }
    if (step != 0) {
        // The form continues only a step the user asked for.
        const std::pair<const char*, const char*> fields[] = {{"editSpaResetUser", "zhang"}, {"editSpaResetMobile", "13800000000"},
                                                              {"editSpaResetPassword", "a"}, {"editSpaResetRepeated", "a"},
                                                              {"editSpaResetCode", "1"}};
        for (const auto& field : fields) {
            spa->findChild<QLineEdit*>(QLatin1String(field.first))->setText(QString::fromLatin1(field.second));
        }
        QTest::mouseClick(spa->findChild<QPushButton*>(step == 128 ? QStringLiteral("btnSpaResetAuthCode")
                                                                   : QStringLiteral("btnSpaResetCommit")),
                          Qt::LeftButton);
        QVERIFY(spa->isKnocking());
    }
    QCOMPARE(spa->isInOauthResetPage(), resetPage);
    QSignalSpy shown(spa, &PageSPA::spaResultShown);
    QSignalSpy continued(spa, &PageSPA::oauthResetStepStarted);
    window_->onServerMsg(SReqTraySpaLoginResult, text, 1);
    QCOMPARE(shown.count(), result.isEmpty() ? 0 : 1);
    if (!result.isEmpty()) {
        QCOMPARE(plain(shown.at(0)), result);
    }
    QCOMPARE(continued.count(), step == 0 ? 0 : 1);
    if (step != 0) {
        QCOMPARE(plain(continued.at(0)), QVariantList{step});
    }
}

void TestMainWindow::sandboxList()
{
    const int position = window_->leftPosition(MainLeftSandbox);
    window_->onServerMsg(SReqSandboxUpdate, QStringLiteral("s1,办公沙箱;s2,研发沙箱;"), 0);
    QCOMPARE(window_->pageSandbox()->count(), 2);
    QVERIFY(window_->viewLeft()->visibleItems().contains(position));
    window_->onServerMsg(SReqSandboxUpdate, QStringLiteral("broken;"), 0);
    QCOMPARE(window_->pageSandbox()->count(), 0);
    QVERIFY(!window_->viewLeft()->visibleItems().contains(position));
}

void TestMainWindow::dynamicAuth_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("itemShown");
    QTest::addColumn<QList<QVariantList>>("enable");  // the portal's enable calls, in order
    QTest::addColumn<QString>("tips");
    QTest::addColumn<int>("dialogPage");  // -1: no second authentication asked
    const QByteArray stopSome = R"({"data":{"forbidAccessAppIds":["app1","app2"],"tips":"评分过低，部分应用已停用"}})";
    const QVariantList releaseAll{true, QStringList()};
    QTest::newRow("not in use") << int(CS_RET_DYNAMIC_NOT_OPEN) << QByteArray() << false << QList<QVariantList>{releaseAll}
                                << "" << -1;
    QTest::newRow("assessed") << 0 << QByteArray() << true << QList<QVariantList>{releaseAll} << "" << -1;
    QTest::newRow("stop all") << int(CS_RET_DYNAMIC_STOP_ALL_APP) << QByteArray(R"({"data":{"tips":"评分过低，应用已停用"}})") << true
                              << QList<QVariantList>{{false, QStringList()}} << "评分过低，应用已停用" << -1;
    QTest::newRow("stop some") << int(CS_RET_DYNAMIC_STOP_SPEC_APP) << stopSome << true
                               << QList<QVariantList>{releaseAll, {false, QStringList{"app1", "app2"}}} << "评分过低，部分应用已停用"
                               << -1;
    // Told to stop and told no application: everything stops until released.
    QTest::newRow("stop some naming none") << int(CS_RET_DYNAMIC_STOP_SPEC_APP)
                                           << QByteArray(R"({"data":{"forbidAccessAppIds":[],"tips":"评分过低"}})") << true
                                           << QList<QVariantList>{releaseAll, {false, QStringList()}} << "评分过低" << -1;
    QTest::newRow("again by sms") << int(CS_RET_DYNAMIC_AUTH_AGAIN) << QByteArray(R"({"data":{"quadratic_auth_type":1}})") << true
                                  << QList<QVariantList>() << QString() << int(PageDialogAuthAgainSms);
    QTest::newRow("again by password") << int(CS_RET_DYNAMIC_AUTH_AGAIN) << QByteArray(R"({"data":{"quadratic_auth_type":0}})")
                                       << true << QList<QVariantList>() << QString() << int(PageDialogAuthAgainPwd);
}

void TestMainWindow::dynamicAuth()
{
    QFETCH(int, status);
    QFETCH(QByteArray, response);
    QFETCH(bool, itemShown);
    QFETCH(QList<QVariantList>, enable);
    QFETCH(QString, tips);
    QFETCH(int, dialogPage);
    const QString path = QStringLiteral("ini/dynamicAuthResponse.json");
    if (response.isEmpty()) {
        QFile::remove(prefix_->installPath(path));
    } else {
        QVERIFY(prefix_->writeInstallFile(path, response));
    }
    const int position = window_->leftPosition(MainLeftDynamicAuth);
    // Start from the other side, so that the item's state shows the push's effect.
    if (itemShown) {
        window_->hideSidebar(MainLeftDynamicAuth);
    } else {
        window_->showSidebar(MainLeftDynamicAuth);
    }
    QSignalSpy enabled(PagePortal::instance(), &PagePortal::enableChanged);
    // Through the push socket, as the service sends it.
    QCOMPARE(sim_->push(0x0202, status, QString()), 0);
    QTRY_COMPARE_WITH_TIMEOUT(window_->viewLeft()->visibleItems().contains(position), itemShown, 15000);
    QList<QVariantList> calls;
    for (const QList<QVariant>& call : enabled) {
        calls.append(call);
    }
    QCOMPARE(calls, enable);
    if (!tips.isNull()) {
        QCOMPARE(PagePortal::instance()->dynamicAuthTips(), tips);
    }
    if (dialogPage >= 0) {
        QCOMPARE(DialogCommon::instance()->currentPage(), dialogPage);
    }
}

void TestMainWindow::sandboxReady()
{
    QSignalSpy ready(window_->pageSandbox(), &PageSandbox::sandboxMarkedReady);
    window_->onSandboxReady(QStringLiteral("sb1"));
    window_->onSandboxReady(QStringLiteral("sb2"));
    // Only the first report reaches the page.
    QCOMPARE(ready.count(), 1);
    QCOMPARE(ready.at(0).at(0).toString(), QStringLiteral("sb1"));
}

void TestMainWindow::unknownPush()
{
    // Nothing else is to be seen: the line is all it leads to.
    window_->onServerMsg(static_cast<ServerReq>(0), QString(), 0);
    QVERIFY(log_->contains(QStringLiteral("exception server request code: 0x0")));
}

// ---------------------------------------------------------------------------------------------
// Login state and window

void TestMainWindow::uplineAndDownline()
{
    window_->onServerMsg(SReqSandboxUpdate, QStringLiteral("s1,办公沙箱;s2,研发沙箱;"), 0);
    QSignalSpy updated(PagePortal::instance(), &PagePortal::portalUpdated);
    const QStringList types{"0x011b", "0x011d", "0x0112", "0x0142", "0x0144", "0x0106", "0x0114", "0x0115"};
    QMap<QString, int> before;
    for (const QString& type : types) {
        before[type] = count(kClient, type);
    }
    QCOMPARE(sim_->push(0x0300), 0);
    QTRY_COMPARE_WITH_TIMEOUT(window_->loginState(), int(MainWindow::LoginOnline), 15000);
    for (const QString& type : types) {
        QVERIFY2(waitCount(kClient, type, before[type] + 1), qPrintable(type));
    }
    QCOMPARE(lastBody(kClient, QStringLiteral("0x0115")), QStringLiteral("refresh"));
    QCOMPARE(window_->currentPage(), int(PageMainWork));
    QCOMPARE(window_->viewLeft()->currentIndex(), 0);
    QCOMPARE(window_->currentWorkPage(), static_cast<QWidget*>(PagePortal::instance()));
    QCOMPARE(window_->viewTop()->welcomeText(), QStringLiteral("欢迎：zhang"));
    // The tray takes over until the window is asked for.
    QVERIFY(window_->isHidden());
    // Both portal queries answered: the page is built and the refresh button given back.
    QTRY_VERIFY_WITH_TIMEOUT(!updated.isEmpty() && updated.last().at(0).toInt() == 0, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(!window_->viewTop()->isRefreshing(), 15000);

    QCOMPARE(sim_->push(0x0301), 0);
    QTRY_COMPARE_WITH_TIMEOUT(window_->loginState(), int(MainWindow::LoginOffline), 15000);
    QCOMPARE(window_->currentPage(), int(PageMainLogin));
    QCOMPARE(window_->viewTop()->welcomeText(), QStringLiteral("欢迎："));
    QCOMPARE(window_->pageSandbox()->count(), 0);
    QVERIFY(!window_->viewLeft()->visibleItems().contains(window_->leftPosition(MainLeftSandbox)));
    QCOMPARE(PagePortal::instance()->dynamicAuthTips(), QStringLiteral("动态授权评估中，请等待评估完成后再访问应用"));
    QCOMPARE(login()->findChild<QStackedWidget*>(QStringLiteral("stackLogin"))->currentIndex(), int(ClientLoginDialog::PageLoginTabs));
    QVERIFY(window_->isHidden());
}

void TestMainWindow::showWindowStatus()
{
    const int before = count(kClient, QStringLiteral("0x0112"));
    QCOMPARE(sim_->push(0x0310), 0);
    QTRY_VERIFY_WITH_TIMEOUT(window_->isVisible(), 15000);
    QCOMPARE(window_->currentPage(), int(PageMainLogin));
    // Coming up from hidden, the system title is asked for again.
    QVERIFY(waitCount(kClient, QStringLiteral("0x0112"), before + 1));
}

void TestMainWindow::tirrowaRedoSpa()
{
    QVERIFY(prefix_->writeSysCfg(kSysCfg + "customProject=tirrowa-uos-x86\n"));
    const QString knock = QStringLiteral("slot_btn_common_login_clicked, currentIndex:");
    const auto knocks = [&]() {
        int n = 0;
        for (const QString& line : log_->lines()) {
            n += line.startsWith(knock) ? 1 : 0;
        }
        return n;
    };
    QCOMPARE(sim_->push(0x0325, RedoSpaStart), 0);
    QTRY_VERIFY_WITH_TIMEOUT(window_->isVisible(), 15000);
    QCOMPARE(window_->currentPage(), int(PageMainSpa));
    // Showing the SPA page knocks at once, once per round.
    QCOMPARE(knocks(), 1);
    window_->show(PageMainSpa);
    QCOMPARE(knocks(), 1);

    // While the redo is pending, "show" asks the tray to redo the SPA instead.
    window_->hide();
    const int before = count(kTray, QStringLiteral("0x0701"));
    QCOMPARE(sim_->push(0x0310), 0);
    QVERIFY(waitCount(kTray, QStringLiteral("0x0701"), before + 1));
    QVERIFY(window_->isHidden());

    // The redo done: "show" shows again.
    QCOMPARE(sim_->push(0x0325, RedoSpaDone), 0);
    QTRY_VERIFY_WITH_TIMEOUT(window_->isVisible(), 15000);
    window_->hide();
    QCOMPARE(sim_->push(0x0310), 0);
    QTRY_VERIFY_WITH_TIMEOUT(window_->isVisible(), 15000);
    QCOMPARE(window_->currentPage(), int(PageMainSpa));
}

void TestMainWindow::closingHides()
{
    window_->show(PageMainLogin);
    QVERIFY(window_->isVisible());
    QVERIFY(!window_->close());
    QVERIFY(window_->isHidden());
    QVERIFY(window_->isPushServerRunning());
    QCOMPARE(sim_->push(0x0329), 0);
    QTRY_VERIFY_WITH_TIMEOUT(window_->isVisible(), 15000);
}

void TestMainWindow::spaSucceededAndRedo()
{
    window_->show(PageMainSpa);
    emit PageSPA::instance()->sendSPALoginSucc(QStringLiteral("u"), QStringLiteral("p"));
    // Client-server mode: on to the login page.
    QCOMPARE(window_->currentPage(), int(PageMainLogin));

    // The disconnect notice closed: give up the session and hide.
    const int before = count(kClient, QStringLiteral("0x9002"));
    emit DialogSPADisconnect::instance()->sendTriggerRedoSPA();
    QVERIFY(window_->isHidden());
    QVERIFY(waitCount(kClient, QStringLiteral("0x9002"), before + 1));
}

void TestMainWindow::topBarRefreshAndApplyFor()
{
    window_->show(PageMainWork);
    const int cat = count(kClient, QStringLiteral("0x0114"));
    const int list = count(kClient, QStringLiteral("0x0115"));
    QTest::mouseClick(window_->viewTop()->findChild<QPushButton*>(QStringLiteral("btnRefresh")), Qt::LeftButton);
    QVERIFY(window_->viewTop()->isRefreshing());
    QVERIFY(waitCount(kClient, QStringLiteral("0x0114"), cat + 1));
    QVERIFY(waitCount(kClient, QStringLiteral("0x0115"), list + 1));
    QTRY_VERIFY_WITH_TIMEOUT(!window_->viewTop()->isRefreshing(), 15000);

    const int requests = count(kClient, QStringLiteral("0x0136"));
    window_->viewLeft()->setCurrentIndex(window_->leftPosition(MainLeftVersionCheck));
    window_->viewTop()->findChild<QAction*>(QStringLiteral("actionApplyFor"))->trigger();
    QCOMPARE(window_->currentWorkPage(), static_cast<QWidget*>(PagePortal::instance()));
    QVERIFY(waitCount(kClient, QStringLiteral("0x0136"), requests + 1));
    QTRY_VERIFY_WITH_TIMEOUT(!window_->viewTop()->isRefreshing(), 15000);
}

void TestMainWindow::downloadedIconsAreStored()
{
    emit PagePortal::instance()->sendFileDownload(DownloadStore::iconPath(QStringLiteral("app1")), QByteArray("\x89PNG"));
    QCOMPARE(readFile(DownloadStore::iconPath(QStringLiteral("app1"))), QByteArray("\x89PNG"));
}

void TestMainWindow::closeWindowStatusQuits()
{
    // Last: the push server stops for good.
    QCOMPARE(sim_->push(0x0311), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!window_->isPushServerRunning(), 15000);
    QCOMPARE(sim_->push(0x0310), 1);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
