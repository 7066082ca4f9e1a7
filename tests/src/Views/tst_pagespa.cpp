// The SPA page driven as a user drives it (offscreen) against corvissim's tray and client service:
// the start page and titles by configuration, each page's input checks and the body of request 37
// the tray receives, the outcome texts, the auto-login credentials handed on once, a knock without
// an outcome, a second click while one runs, the redo cycle, the mode switch, the OAuth tabs and
// the password reset with its three tray requests and requests 128 and 129.

#include "app/common.h"
#include "comm/uicomm.h"
#include "login/countdown.h"
#include "platform/corvismsg/msgoptions.h"
#include "src/CustomControl/custabwidget.h"
#include "src/Views/pagespa.h"
#include "support/logcapture.h"
#include "support/simprocess.h"
#include "support/testprefix.h"
#include "testpaths.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

// A system configuration in client-server mode with SPA on and SIM offered.
QByteArray sysCfg(const QByteArray& project = QByteArray(), const QByteArray& spa = "spasim=1\n")
{
    return "[Mervasso]\ncsmode=1\ncustomProject=" + project + "\n[corvisspa]\nspamark=1\n" + spa;
}

const QByteArray kSysCfg = sysCfg();
const QString kTray = QStringLiteral("corvistray");
const QString kClient = QStringLiteral("corvisclient");
const QString kSpa = QStringLiteral("0x0601");
const QString kRed = QStringLiteral("font-size:14px;color:red;");
const QString kGreen = QStringLiteral("font-size:14px;color:#4AB793");
const QString kUnreachable = QStringLiteral("连接控制器失败，请检查网络是否正常！");

PageSPA* page()
{
    return PageSPA::instance();
}

template <typename T = QWidget>
T* child(const char* name)
{
    T* found = ::page()->findChild<T*>(QLatin1String(name));
    if (found == nullptr) {
        qWarning("no child %s", name);
    }
    return found;
}

QLabel* label(const char* name)
{
    return child<QLabel>(name);
}

QPushButton* button(const char* name)
{
    return child<QPushButton>(name);
}

QLineEdit* edit(const char* name)
{
    return child<QLineEdit>(name);
}

QStackedWidget* stack()
{
    return child<QStackedWidget>("spaStack");
}

CusTabWidget* tabs()
{
    return child<CusTabWidget>("spaOauthTabs");
}

// Types into an edit as a user does (clearing it first).
void type(const char* name, const QString& text)
{
    QLineEdit* e = edit(name);
    e->clear();
    QTest::keyClicks(e, text);
}

void click(const char* name)
{
    QTest::mouseClick(button(name), Qt::LeftButton);
}

// Types an account and a password on the account page and presses its login button.
void knock(const QString& account, const QString& password)
{
    type("editSpaAccount", account);
    type("editSpaPassword", password);
    click("btnSpaLogin");
}

// Opens the OAuth reset form and fills it (an empty code is left untyped).
void fillReset(const QString& user, const QString& password, const QString& code = QString())
{
    ::page()->onOauthToReset();
    type("editSpaResetUser", user);
    type("editSpaResetMobile", QStringLiteral("13800000000"));
    type("editSpaResetPassword", password);
    type("editSpaResetRepeated", password);
    if (!code.isEmpty()) {
        type("editSpaResetCode", code);
    }
}

}  // namespace

class TestPageSPA : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startPage_data();
    void startPage();
    void checkInput_data();
    void checkInput();
    void knockBodies_data();
    void knockBodies();
    void separatorInsideAField();
    void outcome_data();
    void outcome();
    void outcomeTextIsPlain();
    void autoLoginOnce();
    void noAutoLoginWithoutKnock();
    void secondClickSendsNothing();
    void noOutcomeEndsTheKnock();
    void trayUnreachable();
    void redo();
    void modeSwitch();
    void oauthTabs();
    void resetValidation_data();
    void resetValidation();
    void resetFlow();
    void resetRefusedByTheTray();
    void resetCommitRefused();
    void authorizationNobodyAskedFor();
    void windowButtons();

private:
    QStringList trayBodies() const;
    QStringList clientBodies(const QString& type) const;
    // Sends a marker to the tray and waits until it is recorded, so that a request 37 sent
    // before it would be in the record too.
    bool flushTray();

    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<LogCapture> log_;
    int markers_ = 0;
};

QStringList TestPageSPA::trayBodies() const
{
    QStringList bodies;
    for (const QJsonObject& request : sim_->requests(kTray, kSpa)) {
        bodies.append(request.value(QStringLiteral("body")).toString());
    }
    return bodies;
}

QStringList TestPageSPA::clientBodies(const QString& type) const
{
    QStringList bodies;
    for (const QJsonObject& request : sim_->requests(kClient, type)) {
        bodies.append(request.value(QStringLiteral("body")).toString());
    }
    return bodies;
}

bool TestPageSPA::flushTray()
{
    const QString marker = QStringLiteral("marker-%1").arg(++markers_);
    UiComm::instance()->apiCorvistrayCommon(CReqTray36, marker);
    return QTest::qWaitFor(
        [&]() {
            for (const QJsonObject& request : sim_->requests(kTray, QStringLiteral("0x0401"))) {
                if (request.value(QStringLiteral("body")).toString() == marker) {
                    return true;
                }
            }
            return false;
        },
        15000);
}

void TestPageSPA::initTestCase()
{
    prefix_ = std::make_unique<TestPrefix>();
    QVERIFY(prefix_->writeSysCfg(kSysCfg));
    sim_ = std::make_unique<SimProcess>(prefix_->root());
    QVERIFY2(sim_->start(), qPrintable(sim_->errorOutput()));
    log_ = std::make_unique<LogCapture>();
    // kav's title picture, as the installation has it.
    QFile logo(QStringLiteral(CORVIS_SOURCE_DIR "/resources/installroot/resource/logo_kav.png"));
    QVERIFY(logo.open(QIODevice::ReadOnly));
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("resource/logo_kav.png"), logo.readAll()));
    ::page()->resize(960, 700);
    ::page()->show();
    // The marker's wire type, so that flushTray finds it.
    QCOMPARE(clientReqInfo(CReqTray36).wireType, quint16(0x0401));
}

void TestPageSPA::init()
{
    QVERIFY(prefix_->writeSysCfg(kSysCfg));
    ::page()->initSPAPage(RedoSpaNormal);
    // What an earlier case sent is recorded before this one counts.
    QVERIFY(flushTray());
}

void TestPageSPA::cleanup()
{
    QVERIFY(prefix_->writeSysCfg(kSysCfg));
    QVERIFY(prefix_->writeUserInfo(QByteArray()));
    corvismsg::setReceiveTimeoutMs(30000);
    ::page()->exitClear();
    ::page()->initSPAPage(RedoSpaNormal);
    log_->clear();
}

// ---------------------------------------------------------------------------------------------

void TestPageSPA::startPage_data()
{
    QTest::addColumn<QByteArray>("sysCfg");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("mode");  // empty: the mode button is hidden
    QTest::newRow("account") << QByteArray("[corvisspa]\nspasim=1\n") << 0 << "预认证" << "SIM认证";
    QTest::newRow("no SIM offered") << QByteArray("[corvisspa]\nspasim=0\n") << 0 << "预认证" << "";
    QTest::newRow("SIM") << QByteArray("[corvisspa]\nspaloginType=2\nspasim=1\n") << 2 << "SIM认证" << "预认证";
    QTest::newRow("rolq SIM") << QByteArray("[Mervasso]\ncustomProject=rolq\n[corvisspa]\nspaloginType=2\nspasim=1\n") << 2
                              << "SIM登录" << "账号登录";
    QTest::newRow("oauth") << QByteArray("[corvisspa]\nspaoauth=1\n") << 1 << "预认证" << "";
    // kav's title is its logo.
    QTest::newRow("kav") << QByteArray("[Mervasso]\ncustomProject=kav\n[corvisspa]\nspasim=1\n") << 0 << "" << "SIM认证";
}

void TestPageSPA::startPage()
{
    QFETCH(QByteArray, sysCfg);
    QFETCH(int, page);
    QFETCH(QString, title);
    QFETCH(QString, mode);
    QVERIFY(prefix_->writeSysCfg(sysCfg));
    ::page()->initSPAPage(RedoSpaNormal);
    QCOMPARE(stack()->currentIndex(), page);
    QCOMPARE(label("labelSpaTitle")->text(), title);
    QCOMPARE(!label("labelSpaTitle")->pixmap(Qt::ReturnByValue).isNull(), title.isEmpty());
    QCOMPARE(button("btnSpaChangeMode")->isVisible(), !mode.isEmpty());
    if (!mode.isEmpty()) {
        QCOMPARE(button("btnSpaChangeMode")->text(), mode);
    }
    if (page == 1) {
        QCOMPARE(tabs()->currentIndex(), 0);
        QVERIFY(!tabs()->tabBar()->isTabVisible(PageSPA::OauthReset));
    }
}

void TestPageSPA::checkInput_data()
{
    QTest::addColumn<int>("page");  // 0, 2 or 1 (the OAuth account tab)
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("focus");
    QTest::newRow("account empty") << 0 << "" << "pw" << "账号不能为空" << "editSpaAccount";
    QTest::newRow("password empty") << 0 << "alice" << "" << "密码不能为空" << "editSpaPassword";
    QTest::newRow("mobile empty") << 2 << "" << "" << "手机号码不能为空" << "editSpaSim";
    QTest::newRow("oauth account empty") << 1 << "" << "pw" << "手机号码不能为空" << "editSpaOauthAccount";
    QTest::newRow("oauth password empty") << 1 << "13900000000" << "" << "密码不能为空" << "editSpaOauthPassword";
}

void TestPageSPA::checkInput()
{
    QFETCH(int, page);
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(QString, hint);
    QFETCH(QString, focus);
    const int before = trayBodies().size();
    const char* hintLabel = "labelSpaAccountHint";
    const char* loginButton = "btnSpaLogin";
    if (page == 0) {
        type("editSpaAccount", account);
        type("editSpaPassword", password);
    } else if (page == 2) {
        click("btnSpaChangeMode");
        QCOMPARE(stack()->currentIndex(), 2);
        hintLabel = "labelSpaSimHint";
        loginButton = "btnSpaSimLogin";
    } else {
        stack()->setCurrentIndex(1);
        tabs()->setCurrentIndex(PageSPA::OauthAccount);
        type("editSpaOauthAccount", account);
        type("editSpaOauthPassword", password);
        hintLabel = "labelSpaOauthHint";
        loginButton = "btnSpaOauthLogin";
    }
    // The field at fault takes the focus from the button.
    button(loginButton)->setFocus();
    click(loginButton);
    QCOMPARE(label(hintLabel)->text(), hint);
    QCOMPARE(label(hintLabel)->styleSheet(), kRed);
    QVERIFY(::page()->focusWidget());
    QCOMPARE(::page()->focusWidget()->objectName(), focus);
    QVERIFY(!::page()->isKnocking());
    QVERIFY(button(loginButton)->isEnabled());
    QVERIFY(flushTray());
    QCOMPARE(trayBodies().size(), before);
}

void TestPageSPA::knockBodies_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("busyButton");  // the button reading "正在登录中..." (empty: the tab's label shows progress)
    QTest::newRow("account page") << 0 << 0 << "alice" << "Corvis@2024" << "0\nalice\nCorvis@2024" << "btnSpaLogin";
    QTest::newRow("SIM page") << 2 << 0 << "13800000000" << "" << "2\n13800000000\n" << "btnSpaSimLogin";
    QTest::newRow("first QR code") << 1 << 0 << "" << "" << "1\n1\n" << "";
    QTest::newRow("wechat QR code") << 1 << 1 << "" << "" << "1\n2\n" << "";
    QTest::newRow("oauth account") << 1 << 2 << "13900000000" << "Oa@2024" << "0\n13900000000\nOa@2024" << "btnSpaOauthLogin";
}

void TestPageSPA::knockBodies()
{
    QFETCH(int, page);
    QFETCH(int, tab);
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(QString, body);
    QFETCH(QString, busyButton);
    const int before = trayBodies().size();
    QPushButton* login = nullptr;
    if (page == 0) {
        type("editSpaAccount", account);
        type("editSpaPassword", password);
        login = button("btnSpaLogin");
    } else if (page == 2) {
        click("btnSpaChangeMode");
        type("editSpaSim", account);
        login = button("btnSpaSimLogin");
    } else {
        stack()->setCurrentIndex(1);
        tabs()->setCurrentIndex(tab);
        if (tab == 2) {
            type("editSpaOauthAccount", account);
            type("editSpaOauthPassword", password);
            login = button("btnSpaOauthLogin");
        } else {
            login = button(tab == 0 ? "btnSpaQrcodeLogin" : "btnSpaWechatLogin");
        }
    }
    QTest::mouseClick(login, Qt::LeftButton);
    QVERIFY(::page()->isKnocking());
    QVERIFY(!login->isEnabled());
    QVERIFY(!button("btnSpaChangeMode")->isEnabled());
    QVERIFY(!tabs()->tabBar()->isEnabled());
    if (busyButton.isEmpty()) {
        QLabel* hint = label(tab == 0 ? "labelSpaQrcodeHint" : "labelSpaWechatHint");
        QCOMPARE(hint->text(), QStringLiteral("正在连接CORVIS服务器..."));
        QCOMPARE(hint->styleSheet(), kGreen);
    } else {
        QCOMPARE(button(busyButton.toLatin1().constData())->text(), QStringLiteral("正在登录中..."));
    }
    QTRY_COMPARE_WITH_TIMEOUT(trayBodies().size(), before + 1, 15000);
    QCOMPARE(trayBodies().last(), body);

    ::page()->slot_SPA_login_result(true, QString());
    QVERIFY(!::page()->isKnocking());
    QVERIFY(login->isEnabled());
    QCOMPARE(button("btnSpaLogin")->text(), QStringLiteral("登  录"));
    QCOMPARE(button("btnSpaSimLogin")->text(), QStringLiteral("SIM登录"));
    QCOMPARE(button("btnSpaOauthLogin")->text(), QStringLiteral("登  录"));
    // What was typed has gone on; the fields are empty again.
    for (const char* name : {"editSpaAccount", "editSpaPassword", "editSpaSim", "editSpaOauthAccount", "editSpaOauthPassword"}) {
        QVERIFY2(edit(name)->text().isEmpty(), name);
    }
    // No password reached the log.
    if (!password.isEmpty()) {
        QVERIFY(!log_->text().contains(password));
    }
}

void TestPageSPA::separatorInsideAField()
{
    const int before = trayBodies().size();
    // A paste or a program may put a line feed where a user cannot type one.
    edit("editSpaAccount")->setText(QStringLiteral("alice\n1"));
    type("editSpaPassword", QStringLiteral("pw"));
    click("btnSpaLogin");
    QCOMPARE(label("labelSpaAccountHint")->text(), QStringLiteral("输入内容不能包含换行符或控制字符，请重新输入！"));
    QCOMPARE(edit("editSpaAccount")->text(), QStringLiteral("alice\n1"));
    QVERIFY(!::page()->isKnocking());
    QVERIFY(flushTray());
    QCOMPARE(trayBodies().size(), before);

    // Fields of 10,000 characters travel whole.
    const QString longAccount(10000, QLatin1Char('a'));
    const QString longPassword(10000, QChar(0x5bc6));
    edit("editSpaAccount")->setText(longAccount);
    edit("editSpaPassword")->setText(longPassword);
    click("btnSpaLogin");
    QTRY_COMPARE_WITH_TIMEOUT(trayBodies().size(), before + 1, 15000);
    QCOMPARE(trayBodies().last().split(QLatin1Char('\n')), (QStringList{"0", longAccount, longPassword}));
    ::page()->slot_SPA_login_result(false, QStringLiteral("网关拒绝"));
}

void TestPageSPA::outcome_data()
{
    QTest::addColumn<QByteArray>("project");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("tab");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("msg");
    QTest::addColumn<QString>("hintLabel");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("loginText");  // the account page's button afterwards
    QTest::newRow("account success") << QByteArray() << 0 << 0 << true << "" << "labelSpaAccountHint" << "连接服务器成功"
                                     << "登  录";
    QTest::newRow("account refused") << QByteArray() << 0 << 0 << false << "用户名或密码错误" << "labelSpaAccountHint"
                                     << "用户名或密码错误" << "登  录";
    QTest::newRow("velmora: try again") << QByteArray("velmora") << 0 << 0 << false << "用户名或密码错误"
                                        << "labelSpaAccountHint" << "用户名或密码错误" << "再次尝试";
    QTest::newRow("SIM success") << QByteArray() << 2 << 0 << true << "OPEN1443" << "labelSpaSimHint" << "连接服务器成功"
                                 << "登  录";
    QTest::newRow("SIM refused") << QByteArray() << 2 << 0 << false << "手机号未注册" << "labelSpaSimHint" << "手机号未注册"
                                 << "登  录";
    QTest::newRow("QR refused: the network") << QByteArray() << 1 << 0 << false << "anything" << "labelSpaQrcodeHint"
                                             << kUnreachable << "登  录";
    QTest::newRow("wechat refused: the network") << QByteArray() << 1 << 1 << false << "anything" << "labelSpaWechatHint"
                                                 << kUnreachable << "登  录";
    QTest::newRow("wechat success") << QByteArray() << 1 << 1 << true << "" << "labelSpaWechatHint" << "连接服务器成功"
                                    << "登  录";
    QTest::newRow("oauth account refused") << QByteArray() << 1 << 2 << false << "密码错误" << "labelSpaOauthHint"
                                           << "密码错误" << "登  录";
    QTest::newRow("oauth account success") << QByteArray() << 1 << 2 << true << "" << "labelSpaOauthHint" << "连接服务器成功"
                                           << "登  录";
}

void TestPageSPA::outcome()
{
    QFETCH(QByteArray, project);
    QFETCH(int, page);
    QFETCH(int, tab);
    QFETCH(bool, ok);
    QFETCH(QString, msg);
    QFETCH(QString, hintLabel);
    QFETCH(QString, hint);
    QFETCH(QString, loginText);
    QVERIFY(prefix_->writeSysCfg(sysCfg(project)));
    stack()->setCurrentIndex(page);
    if (page == 1) {
        tabs()->setCurrentIndex(tab);
    }
    QSignalSpy succeeded(::page(), &PageSPA::sendSPALoginSucc);
    QSignalSpy shown(::page(), &PageSPA::spaResultShown);
    ::page()->slot_SPA_login_result(ok, msg);
    QLabel* shownHint = label(hintLabel.toLatin1().constData());
    QCOMPARE(shownHint->text(), hint);
    QCOMPARE(shownHint->styleSheet(), ok ? kGreen : kRed);
    QCOMPARE(button("btnSpaLogin")->text(), loginText);
    QVERIFY(button("btnSpaLogin")->isEnabled());
    QCOMPARE(succeeded.count(), ok ? 1 : 0);
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.at(0), (QVariantList{ok, msg}));
}

void TestPageSPA::outcomeTextIsPlain()
{
    const QString markup = QStringLiteral("<b>拒绝</b><img src=x>");
    ::page()->slot_SPA_login_result(false, markup);
    QCOMPARE(label("labelSpaAccountHint")->text(), markup);
    QCOMPARE(label("labelSpaAccountHint")->textFormat(), Qt::PlainText);
}

void TestPageSPA::autoLoginOnce()
{
    knock(QStringLiteral("alice"), QStringLiteral("Corvis@2024"));
    QSignalSpy succeeded(page(), &PageSPA::sendSPALoginSucc);
    ::page()->slot_SPA_login_result(true, QStringLiteral("OPEN1443"));
    QCOMPARE(succeeded.count(), 1);
    QCOMPARE(succeeded.at(0), (QVariantList{"alice", "Corvis@2024"}));
    QString account;
    QString password;
    QVERIFY(::page()->needAutoLogin(account, password));
    QCOMPARE(account, QStringLiteral("alice"));
    QCOMPARE(password, QStringLiteral("Corvis@2024"));
    account.clear();
    password.clear();
    QVERIFY(!::page()->needAutoLogin(account, password));
    QVERIFY(account.isEmpty() && password.isEmpty());

    // A new page (redo) forgets a flag not yet read.
    knock(QStringLiteral("alice"), QStringLiteral("Corvis@2024"));
    ::page()->slot_SPA_login_result(true, QString());
    ::page()->initSPAPage(RedoSpaStart);
    QVERIFY(!::page()->needAutoLogin(account, password));
}

void TestPageSPA::noAutoLoginWithoutKnock()
{
    QString account;
    QString password;
    // An outcome nobody asked for hands nothing on.
    ::page()->slot_SPA_login_result(true, QString());
    QVERIFY(!::page()->needAutoLogin(account, password));
    // A SIM success is no account login.
    click("btnSpaChangeMode");
    type("editSpaSim", QStringLiteral("13800000000"));
    click("btnSpaSimLogin");
    ::page()->slot_SPA_login_result(true, QString());
    QVERIFY(!::page()->needAutoLogin(account, password));
    // A failure neither.
    click("btnSpaChangeMode");
    knock(QStringLiteral("alice"), QStringLiteral("bad"));
    ::page()->slot_SPA_login_result(false, QStringLiteral("用户名或密码错误"));
    QVERIFY(!::page()->needAutoLogin(account, password));
    // What the user typed stays after a failure, to be corrected.
    QCOMPARE(edit("editSpaAccount")->text(), QStringLiteral("alice"));
}

void TestPageSPA::secondClickSendsNothing()
{
    const int before = trayBodies().size();
    knock(QStringLiteral("alice"), QStringLiteral("pw"));
    // The button is disabled; Return in a field, or a program, asks again.
    QTest::keyClick(edit("editSpaPassword"), Qt::Key_Return);
    ::page()->slot_btn_common_login_clicked();
    QVERIFY(flushTray());
    QCOMPARE(trayBodies().size(), before + 1);
    ::page()->slot_SPA_login_result(false, QStringLiteral("x"));
}

void TestPageSPA::noOutcomeEndsTheKnock()
{
    auto* timer = ::page()->findChild<QTimer*>(QStringLiteral("spaOutcomeTimer"));
    QVERIFY(timer);
    corvismsg::setReceiveTimeoutMs(45000);
    knock(QStringLiteral("alice"), QStringLiteral("pw"));
    // The messaging library's time-out.
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 45000);
    QSignalSpy shown(page(), &PageSPA::spaResultShown);
    timer->start(1);
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 15000);
    QCOMPARE(shown.at(0), (QVariantList{false, QStringLiteral("后台通信失败")}));
    QCOMPARE(label("labelSpaAccountHint")->text(), QStringLiteral("后台通信失败"));
    QVERIFY(button("btnSpaLogin")->isEnabled());
    QCOMPARE(button("btnSpaLogin")->text(), QStringLiteral("登  录"));
    QVERIFY(!::page()->isKnocking());
    // An outcome stops the clock.
    click("btnSpaLogin");
    QVERIFY(timer->isActive());
    ::page()->slot_SPA_login_result(false, QStringLiteral("x"));
    QVERIFY(!timer->isActive());
}

void TestPageSPA::trayUnreachable()
{
    // Without a knock a lost request changes nothing.
    ::page()->onSpaRequestFailed(QStringLiteral("安全工作台启动异常，请重启电脑后重试！"));
    QVERIFY(label("labelSpaAccountHint")->text().isEmpty());
    knock(QStringLiteral("alice"), QStringLiteral("pw"));
    ::page()->onSpaRequestFailed(QStringLiteral("安全工作台启动异常，请重启电脑后重试！"));
    QCOMPARE(label("labelSpaAccountHint")->text(), QStringLiteral("安全工作台启动异常，请重启电脑后重试！"));
    QVERIFY(button("btnSpaLogin")->isEnabled());
    QVERIFY(!::page()->isKnocking());
}

void TestPageSPA::redo()
{
    type("editSpaAccount", QStringLiteral("alice"));
    type("editSpaPassword", QStringLiteral("pw"));
    type("editSpaOauthAccount", QStringLiteral("139"));
    label("labelSpaAccountHint")->setText(QStringLiteral("old"));
    ::page()->initSPAPage(RedoSpaStart);
    QCOMPARE(button("btnSpaLogin")->text(), QStringLiteral("正在重置SPA..."));
    QCOMPARE(button("btnSpaSimLogin")->text(), QStringLiteral("正在重置SPA..."));
    QCOMPARE(label("labelSpaQrcodeHint")->text(), QStringLiteral("正在重置SPA..."));
    QCOMPARE(label("labelSpaWechatHint")->text(), QStringLiteral("正在重置SPA..."));
    QCOMPARE(button("btnSpaOauthLogin")->text(), QStringLiteral("正在登录中..."));
    QVERIFY(label("labelSpaAccountHint")->text().isEmpty());
    for (const char* name : {"btnSpaLogin", "btnSpaSimLogin", "btnSpaOauthLogin", "btnSpaChangeMode"}) {
        QVERIFY2(!button(name)->isEnabled(), name);
    }
    for (const char* name : {"editSpaAccount", "editSpaPassword", "editSpaOauthAccount"}) {
        QVERIFY2(edit(name)->text().isEmpty(), name);
    }

    ::page()->initSPAPage(RedoSpaDone);
    QCOMPARE(button("btnSpaLogin")->text(), QStringLiteral("登  录"));
    QCOMPARE(button("btnSpaSimLogin")->text(), QStringLiteral("SIM登录"));
    QCOMPARE(button("btnSpaOauthLogin")->text(), QStringLiteral("登  录"));
    QVERIFY(label("labelSpaQrcodeHint")->text().isEmpty());
    for (const char* name : {"btnSpaLogin", "btnSpaSimLogin", "btnSpaOauthLogin", "btnSpaChangeMode"}) {
        QVERIFY2(button(name)->isEnabled(), name);
    }
    QCOMPARE(stack()->currentIndex(), 0);

    // velmora keeps its configured account over a reset; the mobile number goes.
    QVERIFY(prefix_->writeSysCfg(sysCfg("velmora")));
    type("editSpaAccount", QStringLiteral("vuser"));
    type("editSpaPassword", QStringLiteral("vpwd"));
    type("editSpaSim", QStringLiteral("138"));
    ::page()->initSPAPage(RedoSpaStart);
    QCOMPARE(edit("editSpaAccount")->text(), QStringLiteral("vuser"));
    QCOMPARE(edit("editSpaPassword")->text(), QStringLiteral("vpwd"));
    QVERIFY(edit("editSpaSim")->text().isEmpty());
}

void TestPageSPA::modeSwitch()
{
    label("labelSpaAccountHint")->setText(QStringLiteral("old"));
    click("btnSpaChangeMode");
    QCOMPARE(stack()->currentIndex(), 2);
    QCOMPARE(label("labelSpaTitle")->text(), QStringLiteral("SIM认证"));
    QCOMPARE(button("btnSpaChangeMode")->text(), QStringLiteral("预认证"));
    QVERIFY(label("labelSpaAccountHint")->text().isEmpty());
    label("labelSpaSimHint")->setText(QStringLiteral("old"));
    click("btnSpaChangeMode");
    QCOMPARE(stack()->currentIndex(), 0);
    QCOMPARE(label("labelSpaTitle")->text(), QStringLiteral("预认证"));
    QCOMPARE(button("btnSpaChangeMode")->text(), QStringLiteral("SIM认证"));
    QVERIFY(label("labelSpaSimHint")->text().isEmpty());
    // The OAuth page has no mode to switch.
    stack()->setCurrentIndex(1);
    ::page()->slot_btn_change_login_mode_clicked();
    QCOMPARE(stack()->currentIndex(), 1);
}

void TestPageSPA::oauthTabs()
{
    QVERIFY(prefix_->writeSysCfg(sysCfg(QByteArray(), "spaoauth=1\n")));
    ::page()->initSPAPage(RedoSpaNormal);
    QCOMPARE(stack()->currentIndex(), 1);
    QVERIFY(!tabs()->tabBar()->isTabVisible(PageSPA::OauthReset));
    tabs()->setCurrentIndex(PageSPA::OauthAccount);
    QVERIFY(!::page()->isInOauthResetPage());
    click("btnSpaOauthForget");
    QVERIFY(::page()->isInOauthResetPage());
    QVERIFY(!tabs()->tabBar()->isVisible());
    QVERIFY(button("btnSpaBack")->isVisible());
    QCOMPARE(label("labelSpaTitle")->text(), QStringLiteral("重置密码"));
    QCOMPARE(label("labelSpaTitle")->styleSheet(), QStringLiteral("font-size: 20px;color: black;"));

    click("btnSpaBack");
    QCOMPARE(tabs()->currentIndex(), int(PageSPA::OauthAccount));
    QVERIFY(!::page()->isInOauthResetPage());
    QVERIFY(tabs()->tabBar()->isVisible());
    QVERIFY(!tabs()->tabBar()->isTabVisible(PageSPA::OauthReset));
    QVERIFY(!button("btnSpaBack")->isVisible());
    QCOMPARE(label("labelSpaTitle")->text(), QStringLiteral("预认证"));
    QCOMPARE(label("labelSpaTitle")->styleSheet(), QStringLiteral("font-size: 28px;color: black;"));

    // A fresh form each time.
    ::page()->onOauthToReset();
    type("editSpaResetUser", QStringLiteral("zhang"));
    ::page()->onOauthToLogin();
    ::page()->onOauthToReset();
    QVERIFY(edit("editSpaResetUser")->text().isEmpty());
}

void TestPageSPA::resetValidation_data()
{
    QTest::addColumn<QStringList>("form");  // user, mobile, password, repeated, code
    QTest::addColumn<bool>("commit");
    QTest::addColumn<QString>("hint");
    QTest::newRow("user") << QStringList{"", "138", "a", "a", ""} << false << "用户名不能为空，请重新输入！";
    QTest::newRow("differ") << QStringList{"u", "138", "a", "b", ""} << true << "两次密码输入不一致，请重新输入！";
    QTest::newRow("code") << QStringList{"u", "138", "a", "a", ""} << true << "验证码不能为空，请重新输入！";
}

void TestPageSPA::resetValidation()
{
    QFETCH(QStringList, form);
    QFETCH(bool, commit);
    QFETCH(QString, hint);
    const int before = trayBodies().size();
    ::page()->onOauthToReset();
    const char* names[] = {"editSpaResetUser", "editSpaResetMobile", "editSpaResetPassword", "editSpaResetRepeated",
                           "editSpaResetCode"};
    for (int i = 0; i < 5; ++i) {
        type(names[i], form.at(i));
    }
    click(commit ? "btnSpaResetCommit" : "btnSpaResetAuthCode");
    QCOMPARE(label("labelSpaResetHint")->text(), hint);
    QCOMPARE(label("labelSpaResetHint")->styleSheet(), kRed);
    QVERIFY(!::page()->isKnocking());
    QVERIFY(flushTray());
    QCOMPARE(trayBodies().size(), before);
}

void TestPageSPA::resetFlow()
{
    fillReset(QStringLiteral("zhang"), QStringLiteral("Kq9z!mA2"));
    QSignalSpy started(page(), &PageSPA::oauthResetStepStarted);

    // The code: the tray authorizes first, then the client service sends the SMS.
    const int trayBefore = trayBodies().size();
    click("btnSpaResetAuthCode");
    QVERIFY(!button("btnSpaResetAuthCode")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(trayBodies().size(), trayBefore + 1, 15000);
    QCOMPARE(trayBodies().last(), QStringLiteral("3\nSENDSMS\n"));
    const int codesBefore = clientBodies(QStringLiteral("0x0133")).size();
    ::page()->onOauthResetBtnAuthCode(false);
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.at(0).at(0).value<ClientReq>(), CReqClientOauthResetAuthCode);
    QTRY_COMPARE_WITH_TIMEOUT(clientBodies(QStringLiteral("0x0133")).size(), codesBefore + 1, 15000);
    QCOMPARE(clientBodies(QStringLiteral("0x0133")).last(), QStringLiteral("zhang\n13800000000"));
    ::page()->handleOauthResetAuthCode(
        QStringLiteral(R"({"status":2000,"msg":"验证码已发送","result":{"smsSendCodeButtonTime":3,"iSendSmsTimeInterval":"2","iUserSmsLockWaitTime":"1"}})"),
        false);
    QCOMPARE(label("labelSpaResetHint")->text(), QStringLiteral("验证码已发送"));
    QCOMPARE(button("btnSpaResetAuthCode")->text(), QStringLiteral("已发送（3）"));
    QVERIFY(!button("btnSpaResetAuthCode")->isEnabled());
    auto* countDown = ::page()->findChild<CountDown*>(QStringLiteral("spaResetCodeCountDown"));
    QVERIFY(countDown);
    countDown->tick();
    QCOMPARE(button("btnSpaResetAuthCode")->text(), QStringLiteral("已发送（2）"));
    countDown->tick();
    countDown->tick();
    QCOMPARE(button("btnSpaResetAuthCode")->text(), QStringLiteral("获取验证码"));
    QVERIFY(button("btnSpaResetAuthCode")->isEnabled());

    // The commit: the same two steps, with the code.
    type("editSpaResetCode", QStringLiteral("123456"));
    click("btnSpaResetCommit");
    QCOMPARE(button("btnSpaResetCommit")->text(), QStringLiteral("提交中，请稍后..."));
    QVERIFY(!button("btnSpaResetCommit")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(trayBodies().size(), trayBefore + 2, 15000);
    QCOMPARE(trayBodies().last(), QStringLiteral("3\nUPDATEPWD\n"));
    const int commitsBefore = clientBodies(QStringLiteral("0x0134")).size();
    ::page()->onOauthResetBtnCommit(false);
    QCOMPARE(started.count(), 2);
    QCOMPARE(started.at(1).at(0).value<ClientReq>(), CReqClientOauthResetCommit);
    QTRY_COMPARE_WITH_TIMEOUT(clientBodies(QStringLiteral("0x0134")).size(), commitsBefore + 1, 15000);
    QCOMPARE(clientBodies(QStringLiteral("0x0134")).last(), QStringLiteral("zhang\n13800000000\nKq9z!mA2\n123456"));
    ::page()->handleOauthResetCommit(QStringLiteral(R"({"status":2000,"msg":"修改成功"})"), false);
    QCOMPARE(label("labelSpaResetHint")->text(), QStringLiteral("修改成功，3s后自动返回登录界面"));
    QCOMPARE(label("labelSpaResetHint")->styleSheet(), kGreen);
    QCOMPARE(button("btnSpaResetCommit")->text(), QStringLiteral("提交"));
    for (const char* name : {"editSpaResetUser", "editSpaResetMobile", "editSpaResetPassword", "editSpaResetRepeated",
                             "editSpaResetCode"}) {
        QVERIFY2(edit(name)->text().isEmpty(), name);
    }
    // Back to the account tab after 3 s.
    auto* back = ::page()->findChild<QTimer*>(QStringLiteral("spaResetReturnTimer"));
    QVERIFY(back->isActive());
    QCOMPARE(back->interval(), 3000);
    back->start(1);
    QTRY_VERIFY_WITH_TIMEOUT(!::page()->isInOauthResetPage(), 15000);
    QCOMPARE(tabs()->currentIndex(), int(PageSPA::OauthAccount));
    // The new password never reached the log.
    QVERIFY(!log_->text().contains(QStringLiteral("Kq9z!mA2")));
}

void TestPageSPA::resetRefusedByTheTray()
{
    fillReset(QStringLiteral("zhang"), QStringLiteral("a"));
    click("btnSpaResetAuthCode");
    QVERIFY(::page()->isKnocking());
    QSignalSpy result(page(), &PageSPA::oauthResetResultShown);
    ::page()->slot_SPA_login_result(false, QStringLiteral("YZY_ONLYAUTH_FAIL SENDSMS"));
    QCOMPARE(result.count(), 1);
    QCOMPARE(result.at(0).at(0).value<ClientReq>(), CReqClientOauthResetAuthCode);
    QCOMPARE(label("labelSpaResetHint")->text(), kUnreachable);
    QVERIFY(button("btnSpaResetAuthCode")->isEnabled());
    QVERIFY(!::page()->isKnocking());

    // No outcome at all: the commit ends with the library's time-out, as the network's fault.
    type("editSpaResetCode", QStringLiteral("1"));
    click("btnSpaResetCommit");
    auto* timer = ::page()->findChild<QTimer*>(QStringLiteral("spaOutcomeTimer"));
    QVERIFY(timer->isActive());
    timer->start(1);
    QTRY_COMPARE_WITH_TIMEOUT(result.count(), 2, 15000);
    QCOMPARE(result.at(1).at(0).value<ClientReq>(), CReqClientOauthResetCommit);
    QCOMPARE(label("labelSpaResetHint")->text(), kUnreachable);
    QVERIFY(button("btnSpaResetCommit")->isEnabled());
    QCOMPARE(button("btnSpaResetCommit")->text(), QStringLiteral("提交"));
}

void TestPageSPA::resetCommitRefused()
{
    fillReset(QStringLiteral("zhang"), QStringLiteral("a"), QStringLiteral("000000"));
    click("btnSpaResetCommit");
    ::page()->onOauthResetBtnCommit(false);
    ::page()->handleOauthResetCommit(QStringLiteral("验证码错误"), true);
    QCOMPARE(label("labelSpaResetHint")->text(), QStringLiteral("验证码错误"));
    QCOMPARE(label("labelSpaResetHint")->styleSheet(), kRed);
    QCOMPARE(button("btnSpaResetCommit")->text(), QStringLiteral("提交"));
    // The form stays filled so that the code can be corrected.
    QCOMPARE(edit("editSpaResetCode")->text(), QStringLiteral("000000"));
    QVERIFY(!::page()->findChild<QTimer*>(QStringLiteral("spaResetReturnTimer"))->isActive());

    // A status document that says no is a refusal, though the exchange went through.
    ::page()->handleOauthResetCommit(QStringLiteral(R"({"status":6634,"msg":"已连续输错信息3次"})"), false);
    QCOMPARE(label("labelSpaResetHint")->text(), QStringLiteral("已连续输错信息3次"));
    QCOMPARE(label("labelSpaResetHint")->styleSheet(), kRed);

    // A code answer that is no document starts no count-down.
    ::page()->handleOauthResetAuthCode(QStringLiteral("not json"), false);
    QCOMPARE(label("labelSpaResetHint")->text(), QStringLiteral("后台数据处理异常！"));
    QCOMPARE(button("btnSpaResetAuthCode")->text(), QStringLiteral("获取验证码"));
}

void TestPageSPA::authorizationNobodyAskedFor()
{
    // A user of its own: requests left over from earlier cases may still reach the service.
    fillReset(QStringLiteral("unasked"), QStringLiteral("a"), QStringLiteral("1"));
    QSignalSpy started(page(), &PageSPA::oauthResetStepStarted);
    ::page()->onOauthResetBtnAuthCode(false);
    ::page()->onOauthResetBtnCommit(false);
    QCOMPARE(started.count(), 0);
    // Leaving the form gives its step up: a late authorization sends nothing.
    click("btnSpaResetAuthCode");
    ::page()->onOauthToLogin();
    ::page()->onOauthResetBtnAuthCode(false);
    QCOMPARE(started.count(), 0);
    QVERIFY(!::page()->isKnocking());
    UiComm::instance()->apiCorvisclientCommon(CReqClient89, QString(), false);
    QVERIFY(sim_->waitForRequest(kClient, QStringLiteral("0x0142"), 15000));
    QVERIFY(clientBodies(QStringLiteral("0x0133")).filter(QStringLiteral("unasked")).isEmpty());
    QVERIFY(clientBodies(QStringLiteral("0x0134")).filter(QStringLiteral("unasked")).isEmpty());
}

void TestPageSPA::windowButtons()
{
    QSignalSpy change(page(), &PageSPA::sendWindowsChange);
    click("btnSpaMin");
    click("btnSpaClose");
    QCOMPARE(change.count(), 2);
    QCOMPARE(change.at(0), QVariantList{0});
    QCOMPARE(change.at(1), QVariantList{1});
    QCOMPARE(button("btnSpaMin")->accessibleName(), QStringLiteral("最小化"));
    QCOMPARE(button("btnSpaClose")->accessibleName(), QStringLiteral("关闭"));
}

QTEST_MAIN(TestPageSPA)
#include "tst_pagespa.moc"
