// The QR tab inside the login dialog: the first switch to the tab starts the flow once, the steps'
// results go to the flow and leave the tab bar alone, confirmation locks the bar on the QR tab,
// the QR login's result rows show their tips and idle state on the QR page, and leaving the tab,
// logging in another way, hiding the dialog or exitClear stop the heartbeat for good.

#include "comm/uicomm.h"
#include "login/clientlogindialog.h"
#include "login/logincredentialpage.h"
#include "login/loginqrcodepage.h"
#include "login/qrloginflow.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/cuspasswordedit.h"
#include "src/CustomControl/custabbar.h"
#include "src/CustomControl/custabwidget.h"
#include "src/CustomControl/custiplabel.h"
#include "support/logcapture.h"
#include "support/testprefix.h"
#include "testpaths.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QtTest>

namespace {

const QByteArray kTitle = R"({"data":{"validateCodeType":"0","loginMenu":[)"
    R"({"menuId":"accountLoginTab","menuText":"账号登录"},{"menuId":"QrCodeLoginTab","menuText":"扫码登录"}]}})";
const QByteArray kTitleQrOnly =
    R"({"data":{"validateCodeType":"0","loginMenu":[{"menuId":"QrCodeLoginTab","menuText":"扫码登录"}]}})";
const QByteArray kTitleEmbeddedWeb = R"({"data":{"validateCodeType":"0","embeddedWeb":"1","loginMenu":[)"
    R"({"menuId":"accountLoginTab","menuText":"账号登录"},{"menuId":"QrCodeLoginTab","menuText":"扫码登录"}]}})";
const QString kError = QStringLiteral("#D8424E");
const QString kWaiting = QStringLiteral("打开并登录 移动端门户 扫描即可登录\n(可扫描二维码下载)");
const QString kSign = QStringLiteral(R"({"code":0,"data":{"sign":"qrsign-0001"}})");
// Not a raw string: moc would read the URL's "//" as a comment.
const QString kUrl = QStringLiteral("{\"loginurl\":\"https://portal.corvis.example/mobile/qrlogin?sign=qrsign-0001\"}");
const QString kConfirmed = QStringLiteral(R"({"status":2002,"msg":"扫码成功，正在登录",)"
                                          R"("data":{"username":"alice","authcode":"7Q4K-ALICE-2024","sessionid":"qr-session-alice"}})");

ClientLoginDialog* dialog()
{
    return ClientLoginDialog::instance();
}

CusTabWidget* tabs()
{
    return dialog()->findChild<CusTabWidget*>("tabWidgetLogin");
}

QrLoginFlow* flow()
{
    return dialog()->qrcodePage()->flow();
}

LoginCredentialPage* accountPage()
{
    return dialog()->findChild<LoginCredentialPage*>("pageAccount");
}

void selectQr(bool qr)
{
    tabs()->setCurrentIndex(tabs()->indexOf(qr ? static_cast<QWidget*>(dialog()->qrcodePage())
                                               : static_cast<QWidget*>(accountPage())));
}

bool tabEnabled(QWidget* page)
{
    return tabs()->isTabEnabled(tabs()->indexOf(page));
}

}  // namespace

class TestClientLoginDialogQrcode : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pageInTheTab();
    void firstSwitchStartsOnce();
    void stepsLeaveTheTabBar();
    void confirmLocksTheBarAndLogsIn();
    void resultRows_data();
    void resultRows();
    void stops_data();
    void stops();
    void qrTabOnly();
    void embeddedWebOfRolq();

private:
    void loadTitle(const QByteArray& title, const QString& project = QString());
    // Selects the QR tab and answers sign and URL: the code shows and the heartbeat runs.
    void toPolling();
    QList<QPair<int, QString>> sent() const;
    // A result of the client service, counted: every request gets exactly one answer, as from
    // the messaging library (which answers a time-out with an error).
    void answer(ClientReq req, const QString& text, bool isMsgError, int substatus);

    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<QSignalSpy> sent_;
    QHash<int, int> answered_;
};

void TestClientLoginDialogQrcode::initTestCase()
{
    qRegisterMetaType<ClientReq>();
    prefix_ = std::make_unique<TestPrefix>();
    dialog()->resize(960, 700);
    dialog()->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog()));
}

void TestClientLoginDialogQrcode::init()
{
    prefix_.reset();
    prefix_ = std::make_unique<TestPrefix>();
    for (const char* name : {"scan_ok.png", "scan_refresh.png"}) {
        const QString relative = QStringLiteral("resource/default/clientlogin/%1").arg(name);
        QVERIFY(prefix_->writeInstallFile(relative, readFile(CORVIS_SOURCE_DIR "/resources/installroot/" + relative)));
    }
    sent_ = std::make_unique<QSignalSpy>(dialog(), &ClientLoginDialog::sendReqClientLogin);
}

void TestClientLoginDialogQrcode::answer(ClientReq req, const QString& text, bool isMsgError, int substatus)
{
    ++answered_[req];
    dialog()->onReqClientLoginResult(req, text, isMsgError, substatus);
}

void TestClientLoginDialogQrcode::cleanup()
{
    if (!dialog()->isVisible()) {
        dialog()->show();
    }
    dialog()->hideLogging();
    dialog()->exitClear();
    selectQr(false);
    // The requests left unanswered time out, as they would at the service.
    QHash<int, int> unanswered;
    for (const auto& request : sent()) {
        if (request.first != CReqClientLogin74 && request.first != CReqClientLogin76) {
            ++unanswered[request.first];
        }
    }
    for (auto it = unanswered.cbegin(); it != unanswered.cend(); ++it) {
        for (int i = answered_.value(it.key()); i < it.value(); ++i) {
            dialog()->onReqClientLoginResult(ClientReq(it.key()), QStringLiteral("后台通信失败"), true, 0);
        }
    }
    answered_.clear();
    sent_.reset();
    prefix_.reset();
}

void TestClientLoginDialogQrcode::loadTitle(const QByteArray& title, const QString& project)
{
    QVERIFY(prefix_->writeSysCfg(QStringLiteral("[Mervasso]\ncsmode=1\ncustomProject=%1\n").arg(project).toUtf8()));
    QVERIFY(prefix_->writeInstallFile("ini/systemTitle.json", title));
    dialog()->handleSystemTitle();
}

QList<QPair<int, QString>> TestClientLoginDialogQrcode::sent() const
{
    QList<QPair<int, QString>> out;
    for (const QList<QVariant>& args : *sent_) {
        out.append({args.at(0).value<ClientReq>(), args.at(1).toString()});
    }
    return out;
}

void TestClientLoginDialogQrcode::toPolling()
{
    loadTitle(kTitle);
    selectQr(true);
    QCOMPARE(sent().size(), 1);
    QCOMPARE(sent().last(), qMakePair(int(CReqClientQrcodeSign), QString()));
    answer(CReqClientQrcodeSign, kSign, false, 0);
    QCOMPARE(sent().last(), qMakePair(int(CReqClientQrcode72), QStringLiteral("qrsign-0001")));
    answer(CReqClientQrcode72, kUrl, false, 0);
    QVERIFY(flow()->heartbeatTimer()->isActive());
    QCOMPARE(dialog()->qrcodePage()->hintLabel()->text(), kWaiting);
}

void TestClientLoginDialogQrcode::pageInTheTab()
{
    loadTitle(kTitle);
    QCOMPARE(tabs()->count(), 2);
    QCOMPARE(tabs()->tabText(1), QStringLiteral("扫码登录"));
    QCOMPARE(tabs()->widget(1), static_cast<QWidget*>(dialog()->qrcodePage()));
    // One heartbeat timer, the flow's, at two seconds.
    const QList<QTimer*> timers = dialog()->findChildren<QTimer*>("timerQrHeartbeat");
    QCOMPARE(timers.size(), 1);
    QCOMPARE(timers.first(), flow()->heartbeatTimer());
    QCOMPARE(timers.first()->interval(), 2000);
    // The account tab is shown first and asks nothing of the QR service.
    QCOMPARE(sent().size(), 0);
}

void TestClientLoginDialogQrcode::firstSwitchStartsOnce()
{
    loadTitle(kTitle);
    selectQr(true);
    QCOMPARE(sent(), (QList<QPair<int, QString>>{{CReqClientQrcodeSign, QString()}}));
    selectQr(false);
    selectQr(true);
    // Rebuilding the tabs on the QR tab starts nothing either.
    dialog()->handleSystemTitle();
    QCOMPARE(sent().size(), 1);
    // The refresh picture starts the next flow, at the user's click.
    QTest::mouseClick(dialog()->qrcodePage()->codeButton(), Qt::LeftButton);
    QCOMPARE(sent().size(), 2);
    QCOMPARE(sent().last().first, int(CReqClientQrcodeSign));
}

void TestClientLoginDialogQrcode::stepsLeaveTheTabBar()
{
    toPolling();
    // While a login of another tab runs, the bar stays locked: the QR steps' results change nothing.
    dialog()->setTabWidgetLoginEnabled(ClientLoginDialog::PageLoginQrcode);
    QVERIFY(!tabEnabled(accountPage()));
    flow()->onHeartbeatTick();
    QCOMPARE(sent().last(), qMakePair(int(CReqClientQrcode73), QStringLiteral("qrsign-0001")));
    answer(CReqClientQrcode73, R"({"status":2004,"msg":"等待扫码","data":{}})", false, 0);
    QVERIFY(!tabEnabled(accountPage()));
    // A failed step: its tip on the QR page, not on the account page.
    flow()->onHeartbeatTick();
    answer(CReqClientQrcode73, QStringLiteral("后台通信失败"), true, 0);
    QVERIFY(!tabEnabled(accountPage()));
    QCOMPARE(dialog()->qrcodePage()->hintLabel()->text(), QStringLiteral("后台通信失败"));
    QCOMPARE(dialog()->qrcodePage()->hintLabel()->tipColour(), kError);
    QCOMPARE(accountPage()->tipLabel()->text(), QString());
    QVERIFY(!flow()->heartbeatTimer()->isActive());
}

void TestClientLoginDialogQrcode::confirmLocksTheBarAndLogsIn()
{
    LogCapture log;
    toPolling();
    QSignalSpy jumped(dialog(), &ClientLoginDialog::sendJumpToMain);
    flow()->onHeartbeatTick();
    answer(CReqClientQrcode73, R"({"status":2001,"msg":"","data":{"username":"alice"}})",
                                     false, 0);
    QCOMPARE(dialog()->qrcodePage()->codeButton()->accessibleName(), QStringLiteral("“alice”扫描成功"));
    QVERIFY(tabEnabled(accountPage()));
    flow()->onHeartbeatTick();
    answer(CReqClientQrcode73, kConfirmed, false, 0);
    QVERIFY(!tabEnabled(accountPage()));
    QVERIFY(tabEnabled(dialog()->qrcodePage()));
    QVERIFY(!flow()->heartbeatTimer()->isActive());
    QCOMPARE(sent().last(), qMakePair(int(CReqClientLogin74), QStringLiteral("alice\n7Q4K-ALICE-2024\nqr-session-alice")));

    QVERIFY(prefix_->writeInstallFile("ini/login.json", R"({"status":2000,"msg":"登录成功","loginName":"alice"})"));
    answer(CReqClientLogin74, QStringLiteral("登录成功"), false, 0);
    QCOMPARE(jumped.size(), 1);
    QVERIFY(tabEnabled(accountPage()));
    QCOMPARE(dialog()->qrcodePage()->hintLabel()->text(), kWaiting);
    // The one-time credentials are gone with the flow; the scanned user stays for the result rows.
    QCOMPARE(flow()->info().authcode, QString());
    QCOMPARE(flow()->info().sessionid, QString());
    QCOMPARE(flow()->info().username, QStringLiteral("alice"));
    for (const char* secret : {"7Q4K-ALICE-2024", "qr-session-alice"}) {
        QVERIFY2(!log.text().contains(QLatin1String(secret)), secret);
    }
}

void TestClientLoginDialogQrcode::resultRows_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isMsgError");
    QTest::addColumn<int>("substatus");
    QTest::addColumn<QByteArray>("loginJson");  // empty: none
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("colour");
    QTest::addColumn<bool>("jump");
    const QByteArray none;
    QTest::newRow("refused") << "扫码登录凭证无效，请重新扫码" << true << 0 << none << "扫码登录凭证无效，请重新扫码" << kError
                             << false;
    QTest::newRow("lost exchange") << "后台通信失败" << true << 0 << none << "后台通信失败" << kError << false;
    QTest::newRow("bind again") << R"({"msg":"该设备已绑定其他用户","result":{"bindUserName":"bob","token":"t-1"}})" << false << 20 << none << "该设备已绑定其他用户"
                                << kError << false;
    QTest::newRow("login.json missing") << "ok" << false << 0 << none << "后台数据处理异常！" << kError << false;
    QTest::newRow("login.json refuses") << "ok" << false << 0 << QByteArray(R"({"status":1001,"msg":"账号已停用"})")
                                        << "账号已停用" << kError << false;
    QTest::newRow("success") << "ok" << false << 0 << QByteArray(R"({"status":2000,"msg":"登录成功"})") << kWaiting
                             << "#2F2F2F" << true;
}

void TestClientLoginDialogQrcode::resultRows()
{
    QFETCH(QString, text);
    QFETCH(bool, isMsgError);
    QFETCH(int, substatus);
    QFETCH(QByteArray, loginJson);
    QFETCH(QString, hint);
    QFETCH(QString, colour);
    QFETCH(bool, jump);
    toPolling();
    flow()->onHeartbeatTick();
    answer(CReqClientQrcode73, kConfirmed, false, 0);
    if (!loginJson.isEmpty()) {
        QVERIFY(prefix_->writeInstallFile("ini/login.json", loginJson));
    }
    QSignalSpy jumped(dialog(), &ClientLoginDialog::sendJumpToMain);
    answer(CReqClientLogin74, text, isMsgError, substatus);
    CusTipLabel* label = dialog()->qrcodePage()->hintLabel();
    QCOMPARE(label->text(), hint);
    QCOMPARE(label->tipColour(), colour);
    QCOMPARE(jumped.size(), jump ? 1 : 0);
    // Never on the account page; every tab usable again.
    QCOMPARE(accountPage()->tipLabel()->text(), QString());
    QVERIFY(tabEnabled(accountPage()));
    if (!jump) {
        // The refresh picture: a click starts a new flow.
        QCOMPARE(dialog()->qrcodePage()->codeButton()->accessibleName(), QStringLiteral("刷新二维码"));
        const int before = sent().size();
        QTest::mouseClick(dialog()->qrcodePage()->codeButton(), Qt::LeftButton);
        QCOMPARE(sent().size(), before + 1);
        QCOMPARE(sent().last().first, int(CReqClientQrcodeSign));
    }
}

void TestClientLoginDialogQrcode::stops_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("leaving the tab") << "tab";
    QTest::newRow("logging in by account") << "account";
    QTest::newRow("hiding the dialog") << "hide";
    QTest::newRow("exitClear") << "exitClear";
}

void TestClientLoginDialogQrcode::stops()
{
    QFETCH(QString, how);
    toPolling();
    flow()->onHeartbeatTick();
    QCOMPARE(sent().last().first, int(CReqClientQrcode73));
    if (how == QLatin1String("tab")) {
        selectQr(false);
    } else if (how == QLatin1String("account")) {
        // A QR flow left running elsewhere (a second window of the tabs) ends with another login.
        accountPage()->accountEdit()->setText(QStringLiteral("demo"));
        accountPage()->passwordEdit()->setText(QStringLiteral("Corvis@2024"));
        dialog()->onBtnLoginClicked(ClientLoginDialog::PageLoginAccount);
        QCOMPARE(sent().last().first, int(CReqClientLogin76));
    } else if (how == QLatin1String("hide")) {
        dialog()->hide();
    } else {
        dialog()->exitClear();
    }
    QVERIFY(!flow()->heartbeatTimer()->isActive());
    // The heartbeat in flight answers late: dropped, and no tick sends another.
    const int before = sent().size();
    answer(CReqClientQrcode73, R"({"status":2004,"msg":"","data":{}})", false, 0);
    flow()->onHeartbeatTick();
    QTest::qWait(0);
    QCOMPARE(sent().size(), before);
    QVERIFY(!flow()->heartbeatTimer()->isActive());
    for (const auto& request : sent().mid(before)) {
        QVERIFY(request.first != CReqClientQrcode73);
    }
}

void TestClientLoginDialogQrcode::qrTabOnly()
{
    // A dialog whose only tab is the QR tab shows a code at once; shown again after a hide, the
    // same flow is not started twice.
    loadTitle(kTitleQrOnly);
    QCOMPARE(sent(), (QList<QPair<int, QString>>{{CReqClientQrcodeSign, QString()}}));
    dialog()->hide();
    dialog()->show();
    QCOMPARE(sent().size(), 1);
    // After exitClear (the user logged out) it is a fresh tab again.
    dialog()->exitClear();
    dialog()->hide();
    dialog()->show();
    QCOMPARE(sent().size(), 2);
    QCOMPARE(sent().last().first, int(CReqClientQrcodeSign));
}

void TestClientLoginDialogQrcode::embeddedWebOfRolq()
{
    loadTitle(kTitleEmbeddedWeb, QStringLiteral("rolq"));
    dialog()->show();
    selectQr(true);
    QCOMPARE(sent().size(), 0);
    // rolq without the embedded web, the standard edition with it: the flow starts.
    loadTitle(kTitle, QStringLiteral("rolq"));
    dialog()->show();
    selectQr(false);
    selectQr(true);
    QCOMPARE(sent().size(), 1);
    QCOMPARE(sent().last().first, int(CReqClientQrcodeSign));
}

QTEST_MAIN(TestClientLoginDialogQrcode)
#include "tst_clientlogindialogqrcode.moc"
