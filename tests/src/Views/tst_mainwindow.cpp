// The main window in-process (offscreen) against corvissim: construction, the routing of request
// results and pushed messages, the login state machine and the window's show, hide and quit.
// Pages whose behaviour comes with later work log "not built yet" with their arguments; the
// routing is checked by those lines, by the requests corvissim records and by the widgets.

#include "app/common.h"
#include "comm/cs_ret_status.h"
#include "comm/uicomm.h"
#include "corviscommon/downloadstore.h"
#include "corviscommon/logging.h"
#include "login/clientlogindialog.h"
#include "src/Views/dialogappfor.h"
#include "src/Views/dialogcommon.h"
#include "src/Views/dialoginform.h"
#include "src/Views/dialogspadisconnect.h"
#include "src/Views/mainwindow.h"
#include "src/Views/pagedynamicauth.h"
#include "src/Views/pageportal.h"
#include "src/Views/pagesandbox.h"
#include "src/Views/pagespa.h"
#include "src/Views/pageversioncheck.h"
#include "src/Views/viewleft.h"
#include "src/Views/viewtop.h"
#include "support/logcapture.h"
#include "support/simprocess.h"
#include "support/testprefix.h"

#include <QAbstractButton>
#include <QAction>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

namespace {

const QByteArray kSysCfg = "[about]\nname=测试工作台\n[Mervasso]\ncsmode=1\n";
const QByteArray kUserInfo = "[UserInfo]\nUserName=zhang\n";
const QString kRestart = QStringLiteral("安全工作台启动异常，请重启电脑后重试！");

}  // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void construction();
    void leftItems_data();
    void leftItems();
    void loginResultsReachTheLoginDialog_data();
    void loginResultsReachTheLoginDialog();
    void loginResultThroughTheService();
    void loginResultOpensTheCommonDialog();
    void otherPeers_data();
    void otherPeers();
    void clientResults_data();
    void clientResults();
    void trayNotices_data();
    void trayNotices();
    void systemTitleRetries();
    void autoLogin_data();
    void autoLogin();
    void appCatRetriedThreeTimes();
    void serverMessages_data();
    void serverMessages();
    void spaOutcome_data();
    void spaOutcome();
    void dynamicAuth_data();
    void dynamicAuth();
    void sandboxReady();
    void uplineAndDownline();
    void showWindowStatus();
    void tirrowaRedoSpa();
    void closingHides();
    void spaSucceededAndRedo();
    void topBarRefreshAndApplyFor();
    void downloadedIconsStayInTheirFolder();
    void closeWindowStatusQuits();

private:
    bool waitForLog(const QString& text, int timeoutMs = 5000);
    // Every line of `lines` is in the log, none of `absent`.
    void expectLog(const QStringList& lines, const QStringList& absent);
    int count(const QString& peer, const QString& type) const { return int(sim_->requests(peer, type).size()); }
    QStringList bodies(const QString& peer, const QString& type) const;
    void setEdition(const QByteArray& extra);

    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<LogCapture> log_;
    MainWindow* window_ = nullptr;
};

bool TestMainWindow::waitForLog(const QString& text, int timeoutMs)
{
    return QTest::qWaitFor([&]() { return log_->contains(text); }, timeoutMs);
}

void TestMainWindow::expectLog(const QStringList& lines, const QStringList& absent)
{
    for (const QString& line : lines) {
        QVERIFY2(log_->contains(line), qPrintable(line + QStringLiteral("\n--- log:\n") + log_->text()));
    }
    for (const QString& line : absent) {
        QVERIFY2(!log_->contains(line), qPrintable(line));
    }
}

QStringList TestMainWindow::bodies(const QString& peer, const QString& type) const
{
    QStringList out;
    for (const QJsonObject& request : sim_->requests(peer, type)) {
        out.append(request.value(QStringLiteral("body")).toString());
    }
    return out;
}

void TestMainWindow::setEdition(const QByteArray& extra)
{
    QVERIFY(prefix_->writeSysCfg(kSysCfg + extra));
}

void TestMainWindow::initTestCase()
{
    prefix_ = std::make_unique<TestPrefix>();
    QVERIFY(prefix_->writeSysCfg(kSysCfg));
    QVERIFY(prefix_->writeUserInfo(kUserInfo));
    sim_ = std::make_unique<SimProcess>(prefix_->root());
    QVERIFY2(sim_->start(), qPrintable(sim_->errorOutput()));
    log_ = std::make_unique<LogCapture>();
    MainWindow::setTrayWaitAttempts(0);
    window_ = MainWindow::instance();
    QVERIFY(window_->isPushServerRunning());
    // The system title is asked for at once.
    QVERIFY(sim_->waitForRequest(QStringLiteral("corvisclient"), QStringLiteral("0x0112")));
    QVERIFY(waitForLog(QStringLiteral("not auto login.")));
}

void TestMainWindow::init()
{
    log_->clear();
}

void TestMainWindow::cleanup()
{
    QVERIFY(prefix_->writeSysCfg(kSysCfg));
    DialogAppFor::instance()->hide();
    window_->viewTop()->dialogInform()->hide();
    PageSPA::instance()->onOauthToLogin();
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
    QCOMPARE(stack->widget(PageMainLogin), static_cast<QWidget*>(ClientLoginDialog::instance()));
    QCOMPARE(stack->widget(PageMainWork)->objectName(), QStringLiteral("workArea"));
    QCOMPARE(stack->widget(PageMainSpa), static_cast<QWidget*>(PageSPA::instance()));
    QCOMPARE(window_->currentPage(), int(PageMainLogin));
    QCOMPARE(window_->viewLeft()->minimumWidth(), 168);
    QCOMPARE(window_->viewTop()->minimumHeight(), 53);

    // Standard edition: five items; the sandbox and the dynamic authorization wait for the service.
    ViewLeft* left = window_->viewLeft();
    QCOMPARE(left->count(), 5);
    QCOMPARE(left->item(0)->text(), QStringLiteral("统一门户"));
    QCOMPARE(left->visibleItems(), (QList<int>{0, 2, 4}));
    auto* workStack = window_->findChild<QStackedWidget*>(QStringLiteral("workStack"));
    QCOMPARE(workStack->widget(0), static_cast<QWidget*>(PagePortal::instance()));
    QCOMPARE(workStack->widget(1), static_cast<QWidget*>(window_->pageSandbox()));
    QCOMPARE(workStack->widget(4), static_cast<QWidget*>(window_->pageVersionCheck()));
}

void TestMainWindow::leftItems_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QStringList>("icons");
    const QString veskDir = QStringLiteral("resource/vesk/clientmain/");
    QTest::newRow("standard") << QString()
                              << QStringList{"统一门户", "安全沙箱", "设备信息", "动态授权", "版本检测"}
                              << QStringList{":/resources/Img/icon_portal.png", ":/resources/Img/icon_sandbox.png",
                                             ":/resources/Img/icon_device_info.png", ":/resources/Img/icon_dynamic_auth.png",
                                             ":/resources/Img/icon_version_check.png"};
    QTest::newRow("kav") << QStringLiteral("kav") << QStringList{"应用入口", "安全空间", "设备信息", "动态授权", "版本检测"}
                         << QStringList{":/resources/Img/icon_portal.png", ":/resources/Img/icon_sandbox.png",
                                        ":/resources/Img/icon_device_info.png", ":/resources/Img/icon_dynamic_auth.png",
                                        ":/resources/Img/icon_version_check.png"};
    QTest::newRow("vesk uos") << QStringLiteral("vesk-uos-4.19.71") << QStringList{"设备信息", "评分信息", "版本检测"}
                              << QStringList{veskDir + "device_info_checked.png", veskDir + "dynamic_score_checked.png",
                                             veskDir + "version_check.png"};
    QTest::newRow("vesk kylin") << QStringLiteral("vesk-kylin-5.4.18-32") << QStringList{"设备信息", "评分信息", "版本检测"}
                                << QStringList{veskDir + "device_info_checked.png", veskDir + "dynamic_score_checked.png",
                                               veskDir + "version_check.png"};
    QTest::newRow("rolq") << QStringLiteral("rolq") << QStringList{"统一门户", "安全沙箱", "设备信息", "动态授权", "版本检测"}
                          << QStringList{":/resources/Img/icon_portal.png", ":/resources/Img/icon_sandbox.png",
                                         ":/resources/Img/icon_device_info.png", ":/resources/Img/icon_dynamic_auth.png",
                                         ":/resources/Img/icon_version_check.png"};
}

void TestMainWindow::leftItems()
{
    QFETCH(QString, project);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, icons);
    const QList<MainLeftItem> items = MainWindow::leftItems(project);
    QStringList gotLabels;
    QStringList gotIcons;
    for (const MainLeftItem& item : items) {
        gotLabels.append(item.label);
        // The vesk pictures live below the installation.
        gotIcons.append(item.icon.startsWith(QLatin1Char(':')) ? item.icon : item.icon.section(QStringLiteral("orvane/"), 1));
    }
    QCOMPARE(gotLabels, labels);
    QCOMPARE(gotIcons, icons);
}

void TestMainWindow::loginResultsReachTheLoginDialog_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("resMsg");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("substatus");
    QTest::newRow("76 connect error") << 76 << "__CONNECT_ERROR__" << "" << true << kRestart << 0;
    QTest::newRow("65 connect error") << 65 << "__CONNECT_ERROR__" << "" << true << kRestart << 0;
    QTest::newRow("86 connect error") << 86 << "__CONNECT_ERROR__" << "7" << true << kRestart << 0;
    QTest::newRow("4101 certificate") << 4101 << "__CONNECT_ERROR__" << "" << true << kRestart << 0;
    QTest::newRow("114 bind again") << 114 << "已提交" << "0" << false << "已提交" << 0;
    QTest::newRow("76 substatus 21") << 76 << "{\"restTime\":30}" << "21" << false << "{\"restTime\":30}" << 21;
    QTest::newRow("74 qr code") << 74 << "2" << "0" << false << "2" << 0;
    QTest::newRow("82 qr step") << 82 << "refused" << "" << true << "refused" << 0;
}

void TestMainWindow::loginResultsReachTheLoginDialog()
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
    QCOMPARE(spy.at(0).at(0).value<ClientReq>(), static_cast<ClientReq>(req));
    QCOMPARE(spy.at(0).at(1).toString(), text);
    QCOMPARE(spy.at(0).at(2).toBool(), failed);
    QCOMPARE(spy.at(0).at(3).toInt(), substatus);
    QVERIFY(log_->contains(QStringLiteral("get message from corvisclient, reqType: %1, resMsg: %2").arg(hexCode(req), resMsg)));
    // The dialog's own handler received it.
    QVERIFY(log_->contains(QStringLiteral("FUNC(onReqClientLoginResult) reqType: %1").arg(hexCode(req))));
}

void TestMainWindow::loginResultThroughTheService()
{
    // The whole road: request, corvissim's reply, the queued result, the login dialog.
    QSignalSpy spy(window_, &MainWindow::sendClientLoginResult);
    UiComm::instance()->apiCorvisclientCommon(CReqClientLogin76, QStringLiteral("zhang\nsecret\n1\n"), true);
    QVERIFY(spy.wait(10000));
    QCOMPARE(spy.at(0).at(0).value<ClientReq>(), CReqClientLogin76);
    QCOMPARE(spy.at(0).at(2).toBool(), false);
    QCOMPARE(count(QStringLiteral("corvisclient"), QStringLiteral("0x0113")), 1);
}

void TestMainWindow::loginResultOpensTheCommonDialog()
{
    // The login dialog asks for the account dialog by a signal; the window opens the page.
    window_->onCommMsg(CReqClientLogin76, QStringLiteral("请完善个人信息"), QStringLiteral("26"), false);
    QCOMPARE(DialogCommon::instance()->currentPage(), int(PageDialogImproveUserInfo));
    window_->onCommMsg(CReqClientLogin76, QStringLiteral("15"), QStringLiteral("0"), false);
    QCOMPARE(DialogCommon::instance()->currentPage(), int(PageDialogModifyPwd));
}

void TestMainWindow::otherPeers_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("resMsg");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("line");
    QTest::newRow("daemon") << 160 << "sent" << false << "get message from corvisdaemon, reqType: 0xa0, resMsg: sent";
    QTest::newRow("tray 33 failed") << 33 << "__CONNECT_ERROR__" << true << "server error, cannot connect to corvistray！";
    // Ignored: no reply is expected, or the sender handles its own result.
    for (int req : {88, 89, 96, 100, 115, 257, 4097, 4099, 36}) {
        QTest::addRow("ignored %d", req) << req << "x" << false << QString();
    }
}

void TestMainWindow::otherPeers()
{
    QFETCH(int, req);
    QFETCH(QString, resMsg);
    QFETCH(bool, failed);
    QFETCH(QString, line);
    QSignalSpy spy(window_, &MainWindow::sendClientLoginResult);
    window_->onCommMsg(static_cast<ClientReq>(req), resMsg, QString(), failed);
    QCOMPARE(spy.count(), 0);
    QVERIFY(!log_->contains(QStringLiteral("get message from corvisclient")));
    QVERIFY(!log_->contains(QStringLiteral("exception request code")));
    if (line.isEmpty()) {
        QVERIFY2(log_->lines().isEmpty(), qPrintable(log_->text()));
    } else {
        QVERIFY2(log_->contains(line), qPrintable(log_->text()));
    }
}

void TestMainWindow::clientResults_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("absent");

    QTest::newRow("64 bound devices") << 64 << "3" << false
                                      << QStringList{"FUNC(PageDeviceInfo::updateBindlingDevice) not built yet",
                                                     "FUNC(PageDeviceInfo::updateBindState) not built yet, maxNum: 3"}
                                      << QStringList();
    QTest::newRow("64 failed") << 64 << "x" << true << QStringList{"CReqClientUserBind Error!"}
                               << QStringList{"PageDeviceInfo::updateBindState"};
    QTest::newRow("81 password changed")
        << 81 << "18" << false
        << QStringList{"FUNC(handleReqClientResult) reqType: 0x51, msg:18, isMsgError:0",
                       "FUNC(setLoginErrorTips) type: 0, tip: 修改密码成功，请重新登陆"}
        << QStringList();
    QTest::newRow("81 refused") << 81 << "18" << true << QStringList{"FUNC(handleReqClientResult) reqType: 0x51, msg:18, isMsgError:1"}
                                << QStringList{"setLoginErrorTips"};
    QTest::newRow("81 other answer") << 81 << "ok" << false << QStringList{"FUNC(handleReqClientResult) reqType: 0x51"}
                                     << QStringList{"setLoginErrorTips"};
    for (int req : {107, 108, 109, 110, 111, 112, 113, 130}) {
        QTest::addRow("%d account dialog", req)
            << req << "done" << false << QStringList{QStringLiteral("FUNC(handleReqClientResult) reqType: %1, msg:done").arg(hexCode(req))}
            << QStringList();
    }
    QTest::newRow("90 carousel") << 90 << "" << false
                                 << QStringList{"CReqClientGetCarousel return success", "FUNC(parseCarousel) enter",
                                                "FUNC(updateCarousel) ok: 0"}
                                 << QStringList();
    QTest::newRow("90 failed") << 90 << "x" << true << QStringList{"CReqClientGetCarousel error, noting to do"}
                               << QStringList{"parseCarousel"};
    QTest::newRow("98 policy") << 98 << "{\"policyOperationEnv\":[]}" << false
                               << QStringList{"FUNC(PageDeviceInfo::judgeEnvRemind) not built yet"} << QStringList();
    QTest::newRow("98 failed") << 98 << "x" << true << QStringList{"noting to do"} << QStringList{"judgeEnvRemind"};
    QTest::newRow("99 nothing") << 99 << "x" << false << QStringList() << QStringList{"exception request code"};
    QTest::newRow("102 failed") << 102 << "x" << true
                                << QStringList{"fail to queryAppList, display blank pages",
                                               "FUNC(PagePortal::updatePortal) not built yet, state: 1"}
                                << QStringList();
    QTest::newRow("103 favourite") << 103 << "ok&&app7" << false
                                   << QStringList{"FUNC(PagePortal::handleCollect) not built yet, appId: app7, ok: 1"} << QStringList();
    QTest::newRow("103 refused") << 103 << "busy&&app7" << true
                                 << QStringList{"fail to collectAppstore: busy&&app7",
                                                "FUNC(PagePortal::handleCollect) not built yet, appId: app7, ok: 0"}
                                 << QStringList();
    QTest::newRow("103 refused without id") << 103 << "后台通信失败" << true << QStringList{"fail to collectAppstore: 后台通信失败"}
                                            << QStringList{"handleCollect"};
    QTest::newRow("104 login audit") << 104 << "" << false
                                     << QStringList{"FUNC(DialogPersonalCenter::updateLoginAudit) not built yet"} << QStringList();
    QTest::newRow("104 failed") << 104 << "x" << true << QStringList{"CReqClientGetLoginAudit error, noting to do"}
                                << QStringList{"updateLoginAudit"};
    QTest::newRow("105 messages") << 105 << "" << false << QStringList{"FUNC(readInformList) enter"} << QStringList();
    QTest::newRow("105 failed") << 105 << "x" << true << QStringList{"fail to getInformList: x"} << QStringList{"readInformList"};
    QTest::newRow("106 failed") << 106 << "x" << true << QStringList{"fail to readAllInfo: x"} << QStringList();
    QTest::newRow("116 request list") << 116 << "" << false
                                      << QStringList{"FUNC(PagePortal::onPortalRefresh) not built yet, kind: 2, request: 0"}
                                      << QStringList();
    QTest::newRow("117 submitted") << 117 << "{\"ids\":[]}" << false
                                   << QStringList{"FUNC(PagePortal::handleSubmitAppApply) not built yet, text: {\"ids\":[]}, ok: 1"}
                                   << QStringList();
    QTest::newRow("117 refused") << 117 << "no" << true
                                 << QStringList{"FUNC(PagePortal::handleSubmitAppApply) not built yet, text: no, ok: 0"} << QStringList();
    QTest::newRow("118 records") << 118 << "[]" << false
                                 << QStringList{"FUNC(DialogAppFor::handleAppApproveRecords) not built yet, ok: 1, size: 2"}
                                 << QStringList();
    QTest::newRow("128 reset code") << 128 << "sent" << false
                                    << QStringList{"FUNC(PageSPA::handleOauthResetAuthCode) not built yet, msg: sent, failed: 0"}
                                    << QStringList();
    QTest::newRow("129 reset commit") << 129 << "bad" << true
                                      << QStringList{"FUNC(PageSPA::handleOauthResetCommit) not built yet, msg: bad, failed: 1"}
                                      << QStringList();
    QTest::newRow("other") << 257 << "" << false << QStringList{"exception request code: 0x101"} << QStringList();
}

void TestMainWindow::clientResults()
{
    QFETCH(int, req);
    QFETCH(QString, text);
    QFETCH(bool, failed);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, absent);
    window_->onReqClientResult(static_cast<ClientReq>(req), text, failed);
    expectLog(lines, absent);
    if (QTest::currentTestFailed()) {
        return;
    }
}

void TestMainWindow::trayNotices_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("resMsg");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QString>("button");
    QTest::newRow("39 result") << 39 << "已是最新版本" << false << "已是最新版本" << "btnCheckVersion";
    QTest::newRow("39 no service") << 39 << "__CONNECT_ERROR__" << true << kRestart.toUtf8().constData() << "btnCheckVersion";
    QTest::newRow("40 result") << 40 << "开始回退" << false << "开始回退" << "btnBackVersion";
    QTest::newRow("87 unbound") << 87 << "" << false << "解绑成功" << "";
    QTest::newRow("87 refused") << 87 << "设备不存在" << true << "解绑指定设备失败：设备不存在" << "";
}

void TestMainWindow::trayNotices()
{
    QFETCH(int, req);
    QFETCH(QString, resMsg);
    QFETCH(bool, failed);
    QFETCH(QString, notice);
    QFETCH(QString, button);
    QPushButton* busy = button.isEmpty() ? nullptr : window_->pageVersionCheck()->findChild<QPushButton*>(button);
    if (busy != nullptr) {
        busy->setEnabled(false);
    }
    const int before = count(QStringLiteral("corvistray"), QStringLiteral("0x0401"));
    window_->onCommMsg(static_cast<ClientReq>(req), resMsg, QString(), failed);
    QVERIFY(QTest::qWaitFor([&]() { return count(QStringLiteral("corvistray"), QStringLiteral("0x0401")) > before; }, 10000));
    QCOMPARE(bodies(QStringLiteral("corvistray"), QStringLiteral("0x0401")).last(), notice);
    if (busy != nullptr) {
        QVERIFY(busy->isEnabled());
    }
    if (req == 40) {
        QVERIFY(log_->contains(QStringLiteral("FUNC(changeBackVersionBtnStatus) enable: 1")));
    }
}

void TestMainWindow::systemTitleRetries()
{
    const int before = count(QStringLiteral("corvisclient"), QStringLiteral("0x0112"));
    for (int i = 0; i < 5; ++i) {
        window_->onCommMsg(CReqClientQuerySystemTitle, QStringLiteral("__CONNECT_ERROR__"), QString(), true);
    }
    QCOMPARE(log_->lines(google::GLOG_WARNING).count(QStringLiteral("failed to query system title!")), 5);
    QStringList attempts;
    for (const QString& line : log_->lines()) {
        if (line.startsWith(QLatin1String("FUNC(querySystemTitle) attempt: "))) {
            attempts.append(line.section(QLatin1Char(' '), -1));
        }
    }
    // Three retries, then a last one with retries off; the fifth failure asks no more.
    QCOMPARE(attempts, (QStringList{"1", "2", "3", "4"}));
    QVERIFY(QTest::qWaitFor([&]() { return count(QStringLiteral("corvisclient"), QStringLiteral("0x0112")) == before + 4; }, 10000));
}

void TestMainWindow::autoLogin_data()
{
    QTest::addColumn<QByteArray>("sysCfg");
    QTest::addColumn<QByteArray>("userInfo");
    QTest::addColumn<QByteArray>("systemTitle");
    QTest::addColumn<QString>("line");
    const QByteArray title = R"({"data":{"validateCodeType":"0","loginMenu":[{"menuId":"accountLoginTab","menuText":"账号登录"}],"embeddedWeb":"1"}})";
    QTest::newRow("standard") << QByteArray() << kUserInfo << title << "not auto login.";
    QTest::newRow("velmora passed before")
        << QByteArray("customProject=velmora\n[corvisspa]\nspamark=1\n")
        << QByteArray("[UserInfo]\nUserName=zhang\nSpaUserName=vuser\n[VelmoraSpa]\nVlsUserName=vuser\nVlsPassword=vpwd\n") << title
        << "ClientLoginDialog::spaAutoFill autologin!";
    QTest::newRow("tirrowa without spa") << QByteArray("customProject=tirrowa-uos-x86\n")
                                         << QByteArray("[UserInfo]\nUserName=zhang\n[VelmoraSpa]\nVlsUserName=vuser\n") << title
                                         << "not auto login.";
    QTest::newRow("rolq embedded web") << QByteArray("customProject=rolq\n") << kUserInfo << title
                                       << "rolq embedded web, not auto login.";
    QTest::newRow("rolq without embedded web")
        << QByteArray("customProject=rolq\n") << kUserInfo
        << QByteArray(R"({"data":{"validateCodeType":"0","loginMenu":[]}})") << "not auto login.";
}

void TestMainWindow::autoLogin()
{
    QFETCH(QByteArray, sysCfg);
    QFETCH(QByteArray, userInfo);
    QFETCH(QByteArray, systemTitle);
    QFETCH(QString, line);
    QVERIFY(prefix_->writeSysCfg(kSysCfg + sysCfg));
    QVERIFY(prefix_->writeUserInfo(userInfo));
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/systemTitle.json"), systemTitle));
    window_->onReqClientResult(CReqClientQuerySystemTitle, QString(), false);
    QVERIFY(log_->contains(QStringLiteral("FUNC(parseSystemTitle) enter")));
    QVERIFY2(log_->contains(line), qPrintable(log_->text()));
    QVERIFY(prefix_->writeUserInfo(kUserInfo));
    QFile::remove(prefix_->installPath(QStringLiteral("ini/systemTitle.json")));
}

void TestMainWindow::appCatRetriedThreeTimes()
{
    const int before = count(QStringLiteral("corvisclient"), QStringLiteral("0x0114"));
    for (int i = 0; i < 4; ++i) {
        window_->onReqClientResult(CReqClientPortalRefresh101, QStringLiteral("x"), true);
    }
    QCOMPARE(log_->lines().count(QStringLiteral("failed to query appCat!")), 4);
    QVERIFY(log_->contains(QStringLiteral("FUNC(PagePortal::updatePortal) not built yet, state: 1")));
    QVERIFY(!window_->viewTop()->isRefreshing());
    QVERIFY(QTest::qWaitFor([&]() { return count(QStringLiteral("corvisclient"), QStringLiteral("0x0114")) == before + 3; }, 10000));
}

void TestMainWindow::serverMessages_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("arg");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("35 netmode") << 35 << "mode2" << 0
                                << QStringList{"FUNC(onServerMsg) reqType: 0x23, status: 0, msg: mode2",
                                               "FUNC(PagePortal::updateCurrentNetmode) not built yet, id: mode2"};
    QTest::newRow("40 app approve") << 40 << "" << 0
                                    << QStringList{"open app approve.", "FUNC(DialogAppFor::initAppApproveRecords) not built yet",
                                                   "FUNC(DialogAppFor::initSandboxApproveRecords) not built yet"};
    QTest::newRow("42 sandbox approve") << 42 << "" << 0 << QStringList{"open sandbox approve."};
    QTest::newRow("43 show messages") << 43 << "" << 0 << QStringList{"check out new massge"};
    QTest::newRow("48 access login") << 48 << "ok" << 4
                                     << QStringList{"resultAfterAccessLogin success"};
    QTest::newRow("82 disk space") << 82 << "" << 0 << QStringList{"FUNC(setLoginErrorTips) type: 0, tip: 无法创建安全工作台，请清理磁盘空间后重新登录！"};
    QTest::newRow("other") << 0 << "" << 0 << QStringList{"exception server request code: 0x0"};
}

void TestMainWindow::serverMessages()
{
    QFETCH(int, req);
    QFETCH(QString, text);
    QFETCH(int, arg);
    QFETCH(QStringList, lines);
    window_->onServerMsg(static_cast<ServerReq>(req), text, arg);
    expectLog(lines, {});
    if (QTest::currentTestFailed()) {
        return;
    }
    if (req == SReqOpenAppApprove || req == SReqOpenSandboxApprove) {
        QVERIFY(DialogAppFor::instance()->isVisible());
        QCOMPARE(DialogAppFor::instance()->currentIndex(),
                 req == SReqOpenAppApprove ? int(DialogAppFor::TabAppApprove) : int(DialogAppFor::TabSandboxApprove));
    }
    if (req == SReqShowInform) {
        QVERIFY(window_->viewTop()->dialogInform()->isVisible());
    }
}

void TestMainWindow::spaOutcome_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("arg");
    QTest::addColumn<bool>("resetPage");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("absent");
    const QString result = QStringLiteral("slot_SPA_login_result, flag:");
    QTest::newRow("OPEN1443") << "OPEN1443" << 0 << false << QStringList{result + "1"} << QStringList{result + "0"};
    QTest::newRow("empty") << "" << 0 << false << QStringList{result + "1"} << QStringList{result + "0"};
    QTest::newRow("other text") << "网关拒绝" << 1 << false
                                << QStringList{result + "0", "FUNC(PageSPA::slot_SPA_login_result) not built yet, msg: 网关拒绝"}
                                << QStringList{result + "1"};
    QTest::newRow("auth success outside reset") << "YZY_ONLYAUTH_SUCCESS SENDSMS" << 1 << false << QStringList()
                                                << QStringList{result, "begin sendsms", "onOauthResetBtnAuthCode"};
    QTest::newRow("auth fail outside reset") << "YZY_ONLYAUTH_FAIL" << 0 << false << QStringList() << QStringList{result};
    QTest::newRow("sms code step") << "YZY_ONLYAUTH_SUCCESS SENDSMS" << 1 << true
                                   << QStringList{"spa auth success, begin sendsms.",
                                                  "FUNC(PageSPA::onOauthResetBtnAuthCode) not built yet, clicked: 0"}
                                   << QStringList{result, "onOauthResetBtnCommit"};
    QTest::newRow("commit step") << "YZY_ONLYAUTH_SUCCESS UPDATEPWD" << 1 << true
                                 << QStringList{"spa auth success, begin updatepwd.",
                                                "FUNC(PageSPA::onOauthResetBtnCommit) not built yet, clicked: 0"}
                                 << QStringList{result, "onOauthResetBtnAuthCode"};
    QTest::newRow("auth fail in reset") << "YZY_ONLYAUTH_FAIL SENDSMS" << 0 << true << QStringList{result + "0"}
                                        << QStringList{result + "1"};
}

void TestMainWindow::spaOutcome()
{
    QFETCH(QString, text);
    QFETCH(int, arg);
    QFETCH(bool, resetPage);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, absent);
    if (resetPage) {
        PageSPA::instance()->onOauthToReset();
    }
    QCOMPARE(PageSPA::instance()->isInOauthResetPage(), resetPage);
    window_->onServerMsg(SReqTraySpaLoginResult, text, arg);
    QVERIFY(log_->contains(QStringLiteral("onServerMsg meet SReqTraySpaLoginResult! msg:") + text));
    expectLog(lines, absent);
    if (QTest::currentTestFailed()) {
        return;
    }
}

void TestMainWindow::dynamicAuth_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("itemShown");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("absent");
    QTest::addColumn<QString>("tips");  // null: as before
    const QString enable = QStringLiteral("FUNC(PagePortal::handleEnable) not built yet, enable: ");
    const QByteArray stopSome = R"({"data":{"forbidAccessAppIds":["app1","app2"],"tips":"评分过低，部分应用已停用"}})";
    QTest::newRow("not in use") << int(CS_RET_DYNAMIC_NOT_OPEN) << QByteArray() << false
                                << QStringList{"no dynamic Auth, so hide this tab", enable + "1, ids: "}
                                << QStringList{"PageDynamicAuth::updateData"} << QStringLiteral("");
    QTest::newRow("assessed") << 0 << QByteArray() << true << QStringList{"PageDynamicAuth::updateData", enable + "1, ids: "}
                              << QStringList{enable + "0"} << QStringLiteral("");
    QTest::newRow("stop all") << int(CS_RET_DYNAMIC_STOP_ALL_APP) << QByteArray(R"({"data":{"tips":"评分过低，应用已停用"}})") << true
                              << QStringList{"PageDynamicAuth::updateData", enable + "0, ids: "} << QStringList{enable + "1"}
                              << QStringLiteral("评分过低，应用已停用");
    QTest::newRow("stop some") << int(CS_RET_DYNAMIC_STOP_SPEC_APP) << stopSome << true
                               << QStringList{enable + "1, ids: ", enable + "0, ids: app1,app2"} << QStringList()
                               << QStringLiteral("评分过低，部分应用已停用");
    // A list that names nothing must not stop every application.
    QTest::newRow("stop some, none named") << int(CS_RET_DYNAMIC_STOP_SPEC_APP) << QByteArray(R"({"data":{"tips":"t"}})") << true
                                           << QStringList{enable + "1, ids: ", "names none, so none is stopped"}
                                           << QStringList{enable + "0"} << QStringLiteral("t");
    QTest::newRow("again by sms") << int(CS_RET_DYNAMIC_AUTH_AGAIN) << QByteArray(R"({"data":{"quadratic_auth_type":1}})") << true
                                  << QStringList{"AuthAgainSms window show!", "FUNC(DialogCommon::showWindow) not built yet, page: 4, status: 0, req: 0x4c"}
                                  << QStringList{"AuthAgainPwd"} << QString();
    QTest::newRow("again by password") << int(CS_RET_DYNAMIC_AUTH_AGAIN) << QByteArray(R"({"data":{"quadratic_auth_type":0}})") << true
                                       << QStringList{"AuthAgainPwd window show!", "FUNC(DialogCommon::showWindow) not built yet, page: 3"}
                                       << QStringList{"AuthAgainSms"} << QString();
    QTest::newRow("again, type unreadable") << int(CS_RET_DYNAMIC_AUTH_AGAIN) << QByteArray(R"({"data":{"quadratic_auth_type":"1"}})")
                                            << true << QStringList{"AuthAgainPwd window show!"} << QStringList() << QString();
}

void TestMainWindow::dynamicAuth()
{
    QFETCH(int, status);
    QFETCH(QByteArray, response);
    QFETCH(bool, itemShown);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, absent);
    QFETCH(QString, tips);
    const QString path = QStringLiteral("ini/dynamicAuthResponse.json");
    if (response.isEmpty()) {
        QFile::remove(prefix_->installPath(path));
    } else {
        QVERIFY(prefix_->writeInstallFile(path, response));
    }
    // Through the push socket, as the service sends it.
    QCOMPARE(sim_->push(0x0202, status, QString()), 0);
    QVERIFY(waitForLog(QStringLiteral("FUNC(onServerMsg) reqType: 0x40, status: %1").arg(status)));
    expectLog(lines, absent);
    if (QTest::currentTestFailed()) {
        return;
    }
    const int position = window_->leftPosition(MainLeftDynamicAuth);
    QCOMPARE(window_->viewLeft()->visibleItems().contains(position), itemShown);
    if (!tips.isNull()) {
        QCOMPARE(PagePortal::instance()->dynamicAuthTips(), tips);
    }
}

void TestMainWindow::sandboxReady()
{
    window_->onSandboxReady(QStringLiteral("sb1"));
    QVERIFY(log_->contains(QStringLiteral("ready sandbox id:sb1")));
    QVERIFY(log_->contains(QStringLiteral("FUNC(PageSandbox::handleSandboxReady) not built yet, id: sb1")));
    log_->clear();
    window_->onSandboxReady(QStringLiteral("sb2"));
    QVERIFY(log_->contains(QStringLiteral("sandboxReady is true, noting to do.")));
    QVERIFY(!log_->contains(QStringLiteral("handleSandboxReady")));
}

void TestMainWindow::uplineAndDownline()
{
    // Sandboxes arrive while logged in; the item follows the list.
    window_->onServerMsg(SReqSandboxUpdate, QStringLiteral("s1,办公沙箱;broken;s2,研发沙箱;"), 0);
    QVERIFY(log_->contains(QStringLiteral("error sandbox: broken")));
    QCOMPARE(window_->pageSandbox()->count(), 2);
    QVERIFY(window_->viewLeft()->visibleItems().contains(window_->leftPosition(MainLeftSandbox)));

    const QStringList types{"0x011b", "0x011d", "0x0112", "0x0142", "0x0144", "0x0106", "0x0114", "0x0115"};
    QMap<QString, int> before;
    for (const QString& type : types) {
        before[type] = count(QStringLiteral("corvisclient"), type);
    }
    QCOMPARE(sim_->push(0x0300), 0);
    for (const QString& type : types) {
        QVERIFY2(QTest::qWaitFor([&]() { return count(QStringLiteral("corvisclient"), type) > before[type]; }, 10000),
                 qPrintable(type));
    }
    QVERIFY(log_->contains(QStringLiteral("==========updateLoginState SReqUpline happen!")));
    QVERIFY(log_->contains(QStringLiteral("login Succ, so again systemtitle")));
    QCOMPARE(bodies(QStringLiteral("corvisclient"), QStringLiteral("0x0115")).last(), QStringLiteral("refresh"));
    QCOMPARE(window_->loginState(), int(MainWindow::LoginOnline));
    QCOMPARE(window_->currentPage(), int(PageMainWork));
    QCOMPARE(window_->viewLeft()->currentIndex(), 0);
    QCOMPARE(window_->currentWorkPage(), static_cast<QWidget*>(PagePortal::instance()));
    QCOMPARE(window_->viewTop()->welcomeText(), QStringLiteral("欢迎：zhang"));
    // The tray takes over until the window is asked for.
    QVERIFY(window_->isHidden());
    // Both portal queries answered: the page is rebuilt and the refresh button given back.
    QVERIFY(waitForLog(QStringLiteral("FUNC(PagePortal::updatePortal) not built yet, state: 0")));
    QVERIFY(QTest::qWaitFor([&]() { return !window_->viewTop()->isRefreshing(); }, 5000));

    log_->clear();
    QCOMPARE(sim_->push(0x0301), 0);
    QVERIFY(waitForLog(QStringLiteral("==========updateLoginState SReqDownline happen!")));
    QCOMPARE(window_->loginState(), int(MainWindow::LoginOffline));
    QCOMPARE(window_->currentPage(), int(PageMainLogin));
    QCOMPARE(window_->viewTop()->welcomeText(), QStringLiteral("欢迎："));
    QCOMPARE(window_->pageSandbox()->count(), 0);
    QVERIFY(!window_->viewLeft()->visibleItems().contains(window_->leftPosition(MainLeftSandbox)));
    QCOMPARE(PagePortal::instance()->dynamicAuthTips(), QStringLiteral("动态授权评估中，请等待评估完成后再访问应用"));
    QVERIFY(window_->isHidden());
    const QStringList order{"FUNC(ClientLoginDialog::logout)", "FUNC(ClientLoginDialog::exitClear)",
                            "FUNC(PagePortal::exitClear) not built yet", "FUNC(ClientLoginDialog::initLoginDialog)"};
    int at = -1;
    const QStringList all = log_->lines();
    for (const QString& line : order) {
        const int found = all.indexOf(line, at + 1);
        QVERIFY2(found > at, qPrintable(line));
        at = found;
    }
}

void TestMainWindow::showWindowStatus()
{
    window_->hide();
    const int before = count(QStringLiteral("corvisclient"), QStringLiteral("0x0112"));
    QCOMPARE(sim_->push(0x0310), 0);
    QVERIFY(QTest::qWaitFor([&]() { return window_->isVisible(); }, 5000));
    QCOMPARE(window_->currentPage(), int(PageMainLogin));
    // Coming up from hidden, the system title is asked for again.
    QVERIFY(QTest::qWaitFor([&]() { return count(QStringLiteral("corvisclient"), QStringLiteral("0x0112")) > before; }, 10000));
    window_->hide();
}

void TestMainWindow::tirrowaRedoSpa()
{
    setEdition("customProject=tirrowa-uos-x86\n");
    QCOMPARE(sim_->push(0x0325, RedoSpaStart), 0);
    QVERIFY(waitForLog(QStringLiteral("RedoSpaDone!")));
    QVERIFY(log_->contains(QStringLiteral("RedoSpaStart!")));
    QVERIFY(log_->contains(QStringLiteral("FUNC(PageSPA::initSPAPage) not built yet, status: 1")));
    QCOMPARE(window_->currentPage(), int(PageMainSpa));
    QVERIFY(window_->isVisible());
    // Showing the SPA page knocks at once, once.
    QCOMPARE(log_->lines().count(QStringLiteral("FUNC(PageSPA::slot_btn_common_login_clicked) not built yet")), 1);
    window_->show(PageMainSpa);
    QCOMPARE(log_->lines().count(QStringLiteral("FUNC(PageSPA::slot_btn_common_login_clicked) not built yet")), 1);

    // While the redo is pending, "show" asks the tray to redo the SPA instead.
    window_->hide();
    const int before = count(QStringLiteral("corvistray"), QStringLiteral("0x0701"));
    QCOMPARE(sim_->push(0x0310), 0);
    QVERIFY(QTest::qWaitFor([&]() { return count(QStringLiteral("corvistray"), QStringLiteral("0x0701")) > before; }, 10000));
    QVERIFY(window_->isHidden());

    // The redo done: "show" shows again.
    QCOMPARE(sim_->push(0x0325, RedoSpaDone), 0);
    QVERIFY(waitForLog(QStringLiteral("FUNC(PageSPA::initSPAPage) not built yet, status: 2")));
    window_->hide();
    QCOMPARE(sim_->push(0x0310), 0);
    QVERIFY(QTest::qWaitFor([&]() { return window_->isVisible(); }, 5000));
    QCOMPARE(window_->currentPage(), int(PageMainSpa));
    window_->hide();
}

void TestMainWindow::closingHides()
{
    window_->show(PageMainLogin);
    QVERIFY(window_->isVisible());
    QVERIFY(window_->close() == false);
    QVERIFY(window_->isHidden());
    QVERIFY(log_->contains(QStringLiteral("MainWindow::closeEvent!")));
    QVERIFY(window_->isPushServerRunning());
    QCOMPARE(sim_->push(0x0329), 0);
    QVERIFY(waitForLog(QStringLiteral("open page portal.")));
    QVERIFY(window_->isVisible());
    window_->hide();
}

void TestMainWindow::spaSucceededAndRedo()
{
    window_->show(PageMainSpa);
    emit PageSPA::instance()->sendSPALoginSucc(QStringLiteral("u"), QStringLiteral("p"));
    QVERIFY(log_->contains(QStringLiteral("MainWindow::onSPALoginSucc!")));
    QCOMPARE(window_->currentPage(), int(PageMainLogin));
    QVERIFY(log_->contains(QStringLiteral("FUNC(ClientLoginDialog::initLoginDialog)")));

    // Closing the disconnect notice gives up the session and hides the window.
    const int before = count(QStringLiteral("corvisclient"), QStringLiteral("0x9002"));
    DialogSPADisconnect::instance()->show();
    DialogSPADisconnect::instance()->close();
    QVERIFY(DialogSPADisconnect::instance()->isHidden());
    QVERIFY(window_->isHidden());
    QVERIFY(QTest::qWaitFor([&]() { return count(QStringLiteral("corvisclient"), QStringLiteral("0x9002")) > before; }, 10000));

    // Its button asks the tray to redo the SPA.
    const int redo = count(QStringLiteral("corvistray"), QStringLiteral("0x0701"));
    DialogSPADisconnect::instance()->show();
    QTest::mouseClick(DialogSPADisconnect::instance()->findChild<QPushButton*>(QStringLiteral("btnGoSpa")), Qt::LeftButton);
    QVERIFY(DialogSPADisconnect::instance()->isHidden());
    QVERIFY(QTest::qWaitFor([&]() { return count(QStringLiteral("corvistray"), QStringLiteral("0x0701")) > redo; }, 10000));
}

void TestMainWindow::topBarRefreshAndApplyFor()
{
    window_->show(PageMainWork);
    const int cat = count(QStringLiteral("corvisclient"), QStringLiteral("0x0114"));
    const int list = count(QStringLiteral("corvisclient"), QStringLiteral("0x0115"));
    auto* refresh = window_->viewTop()->findChild<QPushButton*>(QStringLiteral("btnRefresh"));
    QTest::mouseClick(refresh, Qt::LeftButton);
    QVERIFY(window_->viewTop()->isRefreshing());
    QVERIFY(QTest::qWaitFor([&]() { return count(QStringLiteral("corvisclient"), QStringLiteral("0x0114")) > cat; }, 10000));
    QVERIFY(QTest::qWaitFor([&]() { return count(QStringLiteral("corvisclient"), QStringLiteral("0x0115")) > list; }, 10000));
    QVERIFY(QTest::qWaitFor([&]() { return !window_->viewTop()->isRefreshing(); }, 10000));

    const int requests = count(QStringLiteral("corvisclient"), QStringLiteral("0x0136"));
    window_->viewLeft()->setCurrentIndex(window_->leftPosition(MainLeftVersionCheck));
    window_->viewTop()->findChild<QAction*>(QStringLiteral("actionApplyFor"))->trigger();
    QVERIFY(log_->contains(QStringLiteral("resource applyfor! ..")));
    QCOMPARE(window_->currentWorkPage(), static_cast<QWidget*>(PagePortal::instance()));
    QVERIFY(QTest::qWaitFor([&]() { return count(QStringLiteral("corvisclient"), QStringLiteral("0x0136")) > requests; }, 10000));
    QVERIFY(QTest::qWaitFor([&]() { return !window_->viewTop()->isRefreshing(); }, 10000));
    window_->hide();
}

void TestMainWindow::downloadedIconsStayInTheirFolder()
{
    emit PagePortal::instance()->sendFileDownload(DownloadStore::iconPath(QStringLiteral("app1")), QByteArray("\x89PNG"));
    QCOMPARE(readFile(DownloadStore::iconPath(QStringLiteral("app1"))), QByteArray("\x89PNG"));
    const QString escape = DownloadStore::iconPath(QStringLiteral("../escaped"));
    emit PagePortal::instance()->sendFileDownload(escape, QByteArray("x"));
    QVERIFY(!QFile::exists(escape));
    QVERIFY(log_->contains(QStringLiteral("skip file"), google::GLOG_WARNING));
}

void TestMainWindow::closeWindowStatusQuits()
{
    // Last: the push server stops for good.
    QCOMPARE(sim_->push(0x0311), 0);
    QVERIFY(waitForLog(QStringLiteral("corvisbench will quit")));
    QVERIFY(!window_->isPushServerRunning());
    QCOMPARE(sim_->push(0x0310), 1);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
