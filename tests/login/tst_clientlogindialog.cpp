// The login dialog driven as a user and the services drive it: what each login sends, how each
// result changes the dialog, codes and their count-downs, locks, the reset page and remembered
// accounts. Results come from onReqClientLoginResult (as the main window hands them on) or, for
// the paths of the demo scenario, from corvissim over the real sockets.

#include "app/common.h"
#include "comm/uicomm.h"
#include "login/clientlogindialog.h"
#include "login/countdown.h"
#include "login/failurelock.h"
#include "login/logincredentialpage.h"
#include "login/loginlockcountdown.h"
#include "login/resetpasswordpage.h"
#include "platform/corvismsg/msgoptions.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/cusmessagebox.h"
#include "src/CustomControl/cuspasswordedit.h"
#include "src/CustomControl/custabwidget.h"
#include "src/CustomControl/custiplabel.h"
#include "support/logcapture.h"
#include "support/simprocess.h"
#include "support/testprefix.h"

#include <QBuffer>
#include <QCheckBox>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QAccessible>
#include <QComboBox>
#include <QToolButton>
#include <QAbstractSpinBox>
#include <QTabBar>
#include <QLineEdit>
#include <QSignalSpy>
#include <QLayout>
#include <QStackedWidget>
#include <QtTest>

namespace {

const QByteArray kTitleBoth = R"({"data":{"validateCodeType":"0","loginMenu":[
    {"menuId":"accountLoginTab","menuText":"账号登录"},{"menuId":"phoneLoginTab","menuText":"手机号登录"}]}})";
const QByteArray kTitleAccount = R"({"data":{"validateCodeType":"0","loginMenu":[
    {"menuId":"accountLoginTab","menuText":"账号登录"}]}})";
const QString kError = QStringLiteral("#D8424E");

ClientLoginDialog* dialog()
{
    return ClientLoginDialog::instance();
}

LoginCredentialPage* accountPage()
{
    return dialog()->findChild<LoginCredentialPage*>("pageAccount");
}

LoginCredentialPage* phonePage()
{
    return dialog()->findChild<LoginCredentialPage*>("pagePhone");
}

ResetPasswordPage* resetPage()
{
    return dialog()->findChild<ResetPasswordPage*>("pageReset");
}

int outerIndex()
{
    return dialog()->findChild<QStackedWidget*>("stackLogin")->currentIndex();
}

QString edition(const QString& project)
{
    return QStringLiteral("[Mervasso]\ncsmode=1\ncustomProject=%1\n").arg(project);
}

// Selects the tab of a credential page as a user does.
void selectTab(LoginCredentialPage* page)
{
    auto* tabs = dialog()->findChild<CusTabWidget*>("tabWidgetLogin");
    tabs->setCurrentIndex(tabs->indexOf(page));
}

// Types into a credential page as a user does.
void typeInto(LoginCredentialPage* page, const QString& account, const QString& password, const QString& code = QString())
{
    selectTab(page);
    page->accountEdit()->clear();
    QTest::keyClicks(page->accountEdit(), account);
    page->passwordEdit()->clear();
    QTest::keyClicks(page->passwordEdit(), password);
    page->codeEdit()->clear();
    QTest::keyClicks(page->codeEdit(), code);
}

// Types the credentials and presses the page's login button.
void login(LoginCredentialPage* page, const QString& account, const QString& password, const QString& code = QString())
{
    typeInto(page, account, password, code);
    QTest::mouseClick(page->loginButton(), Qt::LeftButton);
}

// A sent body with its epoch field (index `epochAt`) checked and replaced by "EPOCH".
QString withEpoch(const QString& body, int epochAt)
{
    QStringList fields = body.split('\n');
    if (epochAt >= 0 && epochAt < fields.size()) {
        bool ok = false;
        const qint64 ms = fields.at(epochAt).toLongLong(&ok);
        if (ok && qAbs(ms - QDateTime::currentMSecsSinceEpoch()) < 600000) {
            fields[epochAt] = QStringLiteral("EPOCH");
        }
    }
    return fields.join('\n');
}

}  // namespace

class TestClientLoginDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void tabsFromSystemTitle();
    void fieldChecks_data();
    void fieldChecks();
    void loginBodies_data();
    void loginBodies();
    void maskedAccountSent_data();
    void maskedAccountSent();
    void reminderRepeatsWithOne();
    void reminderRefused();
    void results_data();
    void results();
    void accessTextsNeverReadLoginJson_data();
    void accessTextsNeverReadLoginJson();
    void lockCountDown();
    void successJumpsByEdition_data();
    void successJumpsByEdition();
    void rememberAfterSuccess_data();
    void rememberAfterSuccess();
    void rememberedDroppedAtStart_data();
    void rememberedDroppedAtStart();
    void rememberBox_data();
    void rememberBox();
    void firstInstall_data();
    void firstInstall();
    void spaAutoFill_data();
    void spaAutoFill();
    void smsSecondFactor();
    void codeCountDown();
    void phoneCodeButtonComesBack();
    void failureLockFromLoginText();
    void resetByKeyboard_data();
    void resetByKeyboard();
    void everyControlNamed();
    void resetRequests();
    void resetResults_data();
    void resetResults();
    void returnKey();
    void recoverLoginButton();
    void veskSecondStep();
    void veskLoginFile_data();
    void veskLoginFile();
    void veskStepFailure6638();
    void accessLoginResults_data();
    void accessLoginResults();
    void commonDialogFromLoginResults();
    void improveUserInfoFromLogin_data();
    void improveUserInfoFromLogin();
    void accessCheckDialogAsked();
    void logoutAndDiskSpace();
    void versionRollback();
    void titleWhileOnline();
    void loggingPageKeepsTheLayout();
    void hungLoginGivesButtonBack();
    void demoPaths_data();
    void demoPaths();

private:
    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<QSignalSpy> sent_;
    void loadTitle(const QByteArray& title, const QString& project = QString());
    QList<QPair<int, QString>> sentRequests() const;
};

void TestClientLoginDialog::initTestCase()
{
    qRegisterMetaType<ClientReq>();
    qRegisterMetaType<LoginAction::Dialog>();
    qRegisterMetaType<st_accessCheckResult>();
    prefix_ = std::make_unique<TestPrefix>();
    dialog()->resize(960, 700);
    dialog()->show();
}

void TestClientLoginDialog::init()
{
    // The old prefix goes first, so that the new one is the one left active.
    prefix_.reset();
    prefix_ = std::make_unique<TestPrefix>();
    CusMessageBox::clearNextAnswers();
    sent_ = std::make_unique<QSignalSpy>(dialog(), &ClientLoginDialog::sendReqClientLogin);
}

void TestClientLoginDialog::cleanup()
{
    sent_.reset();
    dialog()->logout();
    dialog()->hideLogging();
    for (LoginCredentialPage* page : {accountPage(), phonePage()}) {
        page->setLoggingState(false, true);
        page->setStep(1);
        page->rememberBox()->setChecked(false);
        page->setTip(QString(), kError);
    }
    dialog()->exitClear();
    dialog()->setPageResetStatus(false, true);
    dialog()->findChild<QStackedWidget*>("stackLogin")->setCurrentIndex(0);
    corvismsg::setReceiveTimeoutMs(30000);
    prefix_.reset();
}

void TestClientLoginDialog::loadTitle(const QByteArray& title, const QString& project)
{
    QVERIFY(prefix_->writeSysCfg(edition(project).toUtf8()));
    QVERIFY(prefix_->writeInstallFile("ini/systemTitle.json", title));
    dialog()->handleSystemTitle();
}

QList<QPair<int, QString>> TestClientLoginDialog::sentRequests() const
{
    QList<QPair<int, QString>> out;
    for (const QList<QVariant>& args : *sent_) {
        out.append({args.at(0).value<ClientReq>(), args.at(1).toString()});
    }
    return out;
}

void TestClientLoginDialog::tabsFromSystemTitle()
{
    QVERIFY(prefix_->writeSysCfg(edition(QString()).toUtf8()));
    auto* loading = dialog()->findChild<QStackedWidget*>("stackLoading");
    auto* timer = dialog()->findChild<QTimer*>("timerSystemTitle");
    QCOMPARE(timer->interval(), 17000);
    dialog()->handleSystemTitle();  // no document yet: retry later
    QVERIFY(timer->isActive());
    loadTitle(kTitleBoth);
    QVERIFY(!timer->isActive());
    QCOMPARE(loading->currentIndex(), 1);
    auto* tabs = dialog()->findChild<CusTabWidget*>("tabWidgetLogin");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), QStringLiteral("账号登录"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("手机号登录"));
    QCOMPARE(tabs->widget(1), static_cast<QWidget*>(phonePage()));
}

void TestClientLoginDialog::fieldChecks_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("project");
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("empty account") << 0 << "" << "" << "" << "x" << 1 << "账号不能为空，请重新输入！" << "editAccount";
    QTest::newRow("empty password") << 0 << "" << "" << "zs" << "" << 1 << "密码不能为空，请重新输入！" << "editPassword";
    QTest::newRow("empty phone") << 1 << "" << "" << "" << "x" << 1 << "手机号不能为空，请重新输入！" << "editAccount";
    QTest::newRow("broken account mask") << 0 << "" << "zhangsan567" << "wang****567" << "x" << 1
                                         << "账号输入有误，请重新输入!" << "editAccount";
    QTest::newRow("broken phone mask") << 1 << "" << "13812345678" << "139****5678" << "x" << 1
                                       << "手机号输入有误，请重新输入!" << "editAccount";
    QTest::newRow("phone step 2 without code") << 1 << "" << "" << "13812345678" << "x" << 2
                                               << "验证码不能为空，请重新输入！" << "";
    QTest::newRow("vesk step 2 without code") << 0 << "vesk-uos-4.19.71" << "" << "zs" << "Kq9z!mA2" << 2
                                              << "验证码不能为空，请重新输入！" << "";
    QTest::newRow("vesk weak password") << 0 << "vesk-kylin-5.4.18-32" << "" << "zs" << "abcdefgh" << 1
                                        << "当前密码不符合（密码长度8-16位，必须包含大写字母、小写字母、数字和特殊字符中的3种"
                                           "或3种以上。）规则，请点击忘记密码进行修改"
                                        << "";
}

void TestClientLoginDialog::fieldChecks()
{
    QFETCH(int, type);
    QFETCH(QString, project);
    QFETCH(QString, remembered);
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(int, step);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    QVERIFY(prefix_->writeUserInfo(QStringLiteral("[UserInfo]\nCsUserName=%1\nCsUserPhone=%1\n").arg(remembered).toUtf8()));
    loadTitle(kTitleBoth, project);
    LoginCredentialPage* page = type == 1 ? phonePage() : accountPage();
    page->setStep(step);
    login(page, account, password);
    QCOMPARE(page->tipLabel()->text(), message);
    QCOMPARE(page->tipLabel()->tipColour(), kError);
    QVERIFY(sent_->isEmpty());
    QVERIFY(page->loginButton()->isEnabled());
    if (!focus.isEmpty()) {
        QCOMPARE(dialog()->focusWidget(), page->findChild<QWidget*>(focus));
    }
}

void TestClientLoginDialog::loginBodies_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("bind");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("body");
    const QString vesk = QStringLiteral("vesk-uos-4.19.71");
    QTest::newRow("standard account") << "" << 0 << 1 << false << "" << int(CReqClientLogin76)
                                      << "zs01\nKq9z!mA2\nEPOCH\n";
    QTest::newRow("vesk account step 2 bound") << vesk << 0 << 2 << true << "556677" << int(CReqClientLogin85)
                                               << "zs01\nKq9z!mA2\nEPOCH\n556677\n01\n0";
    QTest::newRow("phone step 2") << "" << 1 << 2 << true << "1234" << int(CReqClientLogin86)
                                  << "zs01\nKq9z!mA2\nEPOCH\nphone\n1234\n01\n0";
}

void TestClientLoginDialog::loginBodies()
{
    QFETCH(QString, project);
    QFETCH(int, type);
    QFETCH(int, step);
    QFETCH(bool, bind);
    QFETCH(QString, code);
    QFETCH(int, req);
    QFETCH(QString, body);
    loadTitle(kTitleBoth, project);
    LoginCredentialPage* page = type == 1 ? phonePage() : accountPage();
    page->setStep(step);
    page->bindSwitch()->setChecked(bind);
    login(page, "zs01", "Kq9z!mA2", code);
    QCOMPARE(sent_->size(), 1);
    QCOMPARE(sentRequests().first().first, req);
    QCOMPARE(withEpoch(sentRequests().first().second, 2), body);
    QCOMPARE(page->loginButton()->text(), QStringLiteral("登录中，请稍后..."));
    QVERIFY(!page->loginButton()->isEnabled());
    // The tab bar is locked on the page's tab while the login runs.
    auto* tabs = dialog()->findChild<CusTabWidget*>("tabWidgetLogin");
    QCOMPARE(tabs->isTabEnabled(type == 1 ? 0 : 1), false);
}

void TestClientLoginDialog::maskedAccountSent_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("sent");
    QTest::newRow("masked form sends the real value") << "" << "zhan****567" << "zhangsan567";
    QTest::newRow("vesk masked form") << "vesk-uos-4.19.71" << "zha****n567" << "zhangsan567";
    QTest::newRow("stars elsewhere sent as typed") << "" << "zh****san56" << "zh****san56";
}

void TestClientLoginDialog::maskedAccountSent()
{
    QFETCH(QString, project);
    QFETCH(QString, typed);
    QFETCH(QString, sent);
    QVERIFY(prefix_->writeUserInfo("[UserInfo]\nCsUserName=zhangsan567\n"));
    loadTitle(kTitleBoth, project);
    QVERIFY(accountPage()->accountEdit()->text().contains("****"));  // shown masked
    login(accountPage(), typed, "Kq9z!mA2");
    QCOMPARE(sent_->size(), 1);
    QCOMPARE(sentRequests().first().second.section('\n', 0, 0), sent);
}

void TestClientLoginDialog::reminderRepeatsWithOne()
{
    loadTitle(kTitleBoth);
    login(phonePage(), "13800000000", "Kq9z!mA2");
    QVERIFY(sentRequests().last().second.endsWith("\n0"));
    CusMessageBox::setNextAnswer(CusMessageBox::Confirm);
    dialog()->onReqClientLoginResult(CReqClientLoginAuthCode84, "该账号已在其他设备登录", false, 27);
    QCOMPARE(sent_->size(), 2);
    QCOMPARE(sentRequests().at(1).first, int(CReqClientLoginAuthCode84));
    QVERIFY(sentRequests().at(1).second.endsWith("\nphone\n1"));
    QCOMPARE(dialog()->reminderAccepted(), 0);
    dialog()->onReqClientLoginResult(CReqClientLoginAuthCode84, "账号或密码错误", true, 0);
    QTest::mouseClick(phonePage()->loginButton(), Qt::LeftButton);
    QVERIFY(sentRequests().at(2).second.endsWith("\nphone\n0"));
}

void TestClientLoginDialog::reminderRefused()
{
    loadTitle(kTitleBoth);
    phonePage()->setStep(2);
    login(phonePage(), "13800000000", "Kq9z!mA2", "99");
    CusMessageBox::setNextAnswer(CusMessageBox::Cancel);
    dialog()->onReqClientLoginResult(CReqClientLogin86, "该账号已在其他设备登录", false, 27);
    QCOMPARE(sent_->size(), 1);
    QCOMPARE(phonePage()->step(), 1);
    QVERIFY(phonePage()->loginButton()->isEnabled());
    QCOMPARE(phonePage()->tipLabel()->text(), QString());
    QCOMPARE(dialog()->focusWidget(), static_cast<QWidget*>(phonePage()->passwordEdit()));
}

void TestClientLoginDialog::results_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isMsgError");
    QTest::addColumn<int>("substatus");
    QTest::addColumn<QByteArray>("loginJson");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("colour");
    QTest::addColumn<bool>("idle");
    QTest::addColumn<int>("nextReq");  // -1: nothing sent
    QTest::addColumn<int>("outer");
    const QByteArray ok = R"({"status":2000,"msg":"ok","loginName":"zs"})";
    const QString theme = QStringLiteral("#1AA9FF");
    QTest::newRow("A error") << int(CReqClientLogin76) << "用户名或密码错误" << true << 0 << QByteArray() << "用户名或密码错误"
                             << kError << true << -1 << 0;
    QTest::newRow("A empty text") << int(CReqClientLogin76) << "" << false << 0 << QByteArray() << "" << kError << false
                                  << -1 << 0;
    QTest::newRow("A second factor") << int(CReqClientLogin76) << "请完成短信二次认证" << false << 7 << QByteArray()
                                     << "请完成短信二次认证" << theme << false << int(CReqClientLoginResult78) << 0;
    QTest::newRow("A 21") << int(CReqClientLogin76) << R"({"restTime":300,"failCount":5,"msg":"账户已锁定"})" << false
                          << 21 << QByteArray() << "账户已锁定" << kError << true << -1 << 0;
    QTest::newRow("A success") << int(CReqClientLogin76) << "登录成功" << false << 0 << ok << "" << kError << true << -1
                               << 0;
    QTest::newRow("A refused in login.json") << int(CReqClientLogin76) << "done" << false << 0
                                             << QByteArray(R"({"status":4001,"msg":"账号已停用"})") << "账号已停用"
                                             << kError << true << -1 << 0;
    QTest::newRow("A login.json without msg") << int(CReqClientLogin76) << "done" << false << 0
                                              << QByteArray(R"({"status":4001})") << "未知错误" << kError << true << -1
                                              << 0;
    QTest::newRow("A login.json missing") << int(CReqClientLogin76) << "done" << false << 0 << QByteArray()
                                          << "后台数据处理异常！" << kError << true << -1 << 0;
    QTest::newRow("A login.json broken") << int(CReqClientLogin76) << "done" << false << 0 << QByteArray("{nope")
                                         << "后台数据处理异常！" << kError << true << -1 << 0;
    QTest::newRow("A 3 access check") << int(CReqClientLogin76) << "3" << false << 0 << QByteArray() << "" << kError
                                      << false << -1 << 2;
    QTest::newRow("S error") << int(CReqClientLogin86) << "验证码错误" << true << 0 << QByteArray() << "验证码错误"
                             << kError << true << -1 << 0;
    QTest::newRow("S success logging page") << int(CReqClientLoginAuthCode84) << "ok" << false << 0 << ok << "" << kError
                                            << true << -1 << 2;
    QTest::newRow("114 error") << int(CReqClient114) << "绑定失败" << true << 0 << QByteArray() << "绑定失败" << kError
                               << false << -1 << 0;
    QTest::newRow("114 ok") << int(CReqClient114) << "已提交" << false << 0 << QByteArray() << "已提交" << theme << false
                            << -1 << 0;
}

void TestClientLoginDialog::results()
{
    QFETCH(int, req);
    QFETCH(QString, text);
    QFETCH(bool, isMsgError);
    QFETCH(int, substatus);
    QFETCH(QByteArray, loginJson);
    QFETCH(QString, tip);
    QFETCH(QString, colour);
    QFETCH(bool, idle);
    QFETCH(int, nextReq);
    QFETCH(int, outer);
    loadTitle(kTitleBoth);
    if (!loginJson.isEmpty()) {
        QVERIFY(prefix_->writeInstallFile("ini/login.json", loginJson));
    }
    const bool phone = req == CReqClientLogin70 || req == CReqClientLoginAuthCode84 || req == CReqClientLogin86;
    LoginCredentialPage* page = phone ? phonePage() : accountPage();
    selectTab(page);
    if (req != CReqClient114) {
        login(page, "zs01", "Kq9z!mA2", "1");
        QVERIFY(page->isLogging());
        sent_->clear();
    }
    dialog()->onReqClientLoginResult(ClientReq(req), text, isMsgError, substatus);
    QCOMPARE(page->tipLabel()->text(), tip);
    if (!tip.isEmpty()) {
        QCOMPARE(page->tipLabel()->tipColour(), colour);
    }
    QCOMPARE(!page->isLogging(), idle || req == CReqClient114);
    if (nextReq < 0) {
        QVERIFY(sent_->isEmpty());
    } else {
        QCOMPARE(sent_->size(), 1);
        QCOMPARE(sentRequests().first().first, nextReq);
        QCOMPARE(sentRequests().first().second, QString());
    }
    QCOMPARE(outerIndex(), outer);
    // Every result frees the tab bar.
    auto* tabs = dialog()->findChild<CusTabWidget*>("tabWidgetLogin");
    QVERIFY(tabs->isTabEnabled(0) && tabs->isTabEnabled(1));
}

void TestClientLoginDialog::accessTextsNeverReadLoginJson_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("loggingText");
    QTest::newRow("2") << "2" << "接入检查失败，详情请见页面提示！";
    QTest::newRow("3") << "3" << "正在进行接入检查，请稍等";
}

void TestClientLoginDialog::accessTextsNeverReadLoginJson()
{
    QFETCH(QString, text);
    QFETCH(QString, loggingText);
    loadTitle(kTitleBoth);
    QVERIFY(prefix_->writeInstallFile("ini/login.json", "{broken"));
    LogCapture log;
    dialog()->onReqClientLoginResult(CReqClientLogin76, text, false, 0);
    QVERIFY(!log.text().contains("parseLoginResMsg"));
    QCOMPARE(accountPage()->tipLabel()->text(), QString());
    QCOMPARE(outerIndex(), 2);
    QCOMPARE(dialog()->findChild<QLabel*>("labelLoggingText")->text(), loggingText);
}

void TestClientLoginDialog::lockCountDown()
{
    loadTitle(kTitleBoth);
    dialog()->onReqClientLoginResult(CReqClientLogin76, R"({"restTime":3,"failCount":4,"msg":"账户已锁定"})", false, 21);
    auto* lock = dialog()->findChild<LoginLockCountDown*>();
    QVERIFY(lock->isRunning());
    QCOMPARE(dialog()->loginLock().failCount, 4);
    QCOMPARE(accountPage()->tipLabel()->text(), QStringLiteral("账户已锁定"));
    lock->tick();
    QCOMPARE(accountPage()->tipLabel()->text(), QStringLiteral("您已登录失败4次，账户锁定2秒！"));
    dialog()->closeLoginLock();
    QVERIFY(!lock->isRunning());
    QCOMPARE(accountPage()->tipLabel()->text(), QString());
    // kav shows the record but counts nothing down.
    QVERIFY(prefix_->writeSysCfg(edition("kav").toUtf8()));
    dialog()->onReqClientLoginResult(CReqClientLogin76, R"({"restTime":3,"failCount":4,"msg":"账户已锁定"})", false, 21);
    QVERIFY(!lock->isRunning());
}

void TestClientLoginDialog::successJumpsByEdition_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<QString>("sandbox");
    QTest::addColumn<bool>("jump");
    QTest::newRow("standard") << "" << "" << true;
    QTest::newRow("vesk logging page") << "vesk-uos-4.19.71" << "" << false;
    QTest::newRow("kav with sandbox") << "kav" << "sb-1" << false;
    QTest::newRow("kav without sandbox") << "kav" << "" << true;
}

void TestClientLoginDialog::successJumpsByEdition()
{
    QFETCH(QString, project);
    QFETCH(QString, sandbox);
    QFETCH(bool, jump);
    loadTitle(kTitleBoth, project);
    QVERIFY(prefix_->writeUserInfo(QStringLiteral("[UserInfo]\nSandboxInfo=%1\n").arg(sandbox).toUtf8()));
    QVERIFY(prefix_->writeInstallFile("ini/login.json", R"({"status":2000})"));
    QSignalSpy jumped(dialog(), &ClientLoginDialog::sendJumpToMain);
    dialog()->onReqClientLoginResult(CReqClientLogin76, "ok", false, 0);
    QCOMPARE(jumped.size(), jump ? 1 : 0);
    QCOMPARE(outerIndex(), jump ? 0 : 2);
}

void TestClientLoginDialog::rememberAfterSuccess_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("account ticked") << 0 << true << "lisi0000001" << "lisi0000001";
    QTest::newRow("account ticked, masked form kept") << 0 << true << "zhan****567" << "zhangsan567";
    QTest::newRow("account unticked clears") << 0 << false << "lisi0000001" << "";
    QTest::newRow("phone ticked") << 1 << true << "13900000000" << "13900000000";
    QTest::newRow("phone unticked clears") << 1 << false << "13900000000" << "";
}

void TestClientLoginDialog::rememberAfterSuccess()
{
    QFETCH(int, type);
    QFETCH(bool, ticked);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QVERIFY(prefix_->writeUserInfo("[UserInfo]\nCsUserName=zhangsan567\nCsUserPhone=13800000000\n"));
    loadTitle(kTitleBoth);
    QVERIFY(prefix_->writeInstallFile("ini/login.json", R"({"status":2000})"));
    LoginCredentialPage* page = type == 1 ? phonePage() : accountPage();
    page->rememberBox()->setChecked(ticked);
    typeInto(page, typed, "Kq9z!mA2");
    QVERIFY(dialog()->parseLoginResMsg(PageLoginType(type), "ok"));
    QCOMPARE(type == 1 ? Common::csUserPhone() : Common::csUserName(), stored);
}

void TestClientLoginDialog::rememberedDroppedAtStart_data()
{
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QString>("shown");
    QTest::newRow("10") << "zhangsan56" << "";
    QTest::newRow("11") << "zhangsan567" << "zhan****567";
    QTest::newRow("12") << "zhangsan5678" << "";
}

void TestClientLoginDialog::rememberedDroppedAtStart()
{
    QFETCH(QString, remembered);
    QFETCH(QString, shown);
    QVERIFY(prefix_->writeUserInfo(QStringLiteral("[UserInfo]\nCsUserName=%1\n").arg(remembered).toUtf8()));
    accountPage()->accountEdit()->clear();
    loadTitle(kTitleBoth);
    QCOMPARE(accountPage()->accountEdit()->text(), shown);
    // A dropped value is never sent in place of what is typed.
    login(accountPage(), "zhan****567", "Kq9z!mA2");
    QCOMPARE(sentRequests().first().second.section('\n', 0, 0), shown.isEmpty() ? "zhan****567" : remembered);
}

void TestClientLoginDialog::rememberBox_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("account") << 0;
    QTest::newRow("phone") << 1;
}

void TestClientLoginDialog::rememberBox()
{
    QFETCH(int, type);
    QVERIFY(prefix_->writeUserInfo("[UserInfo]\nCsUserName=zhangsan567\nCsUserPhone=13800000000\n"));
    loadTitle(kTitleBoth);
    LoginCredentialPage* page = type == 1 ? phonePage() : accountPage();
    selectTab(page);
    QTest::mouseClick(page->rememberBox(), Qt::LeftButton, {}, QPoint(5, page->rememberBox()->height() / 2));
    QVERIFY(page->rememberBox()->isChecked());
    QCOMPARE(type == 1 ? Common::rememberPhone() : Common::rememberAccount(), 1);
    QCOMPARE(type == 1 ? Common::csUserPhone() : Common::csUserName(), type == 1 ? "13800000000" : "zhangsan567");
    QTest::mouseClick(page->rememberBox(), Qt::LeftButton, {}, QPoint(5, page->rememberBox()->height() / 2));
    QCOMPARE(type == 1 ? Common::rememberPhone() : Common::rememberAccount(), 0);
    QCOMPARE(type == 1 ? Common::csUserPhone() : Common::csUserName(), QString());
}

void TestClientLoginDialog::firstInstall_data()
{
    QTest::addColumn<QByteArray>("userInfo");
    QTest::addColumn<bool>("first");
    QTest::newRow("no key") << QByteArray("[UserInfo]\nUserName=a\n") << true;
    QTest::newRow("blank") << QByteArray("[UserInfo]\nSessionIDDes=   \n") << true;
    QTest::newRow("session") << QByteArray("[UserInfo]\nSessionIDDes=9f8e\n") << false;
}

void TestClientLoginDialog::firstInstall()
{
    QFETCH(QByteArray, userInfo);
    QFETCH(bool, first);
    QVERIFY(prefix_->writeUserInfo(userInfo));
    QCOMPARE(ClientLoginDialog::isFirstInstall(), first);
    loadTitle(kTitleBoth, "vesk-uos-4.19.71");
    dialog()->showLogging(0);
    QCOMPARE(dialog()->findChild<QLabel*>("labelLoggingText")->text(),
             first ? QStringLiteral("首次创建安全工作台耗时会较长\n请稍等") : QStringLiteral("正在创建您电脑上的安全工作台"));
}

void TestClientLoginDialog::spaAutoFill_data()
{
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<bool>("sends");
    QTest::newRow("one account tab") << kTitleAccount << true;
    QTest::newRow("two tabs") << kTitleBoth << false;
}

void TestClientLoginDialog::spaAutoFill()
{
    QFETCH(QByteArray, title);
    QFETCH(bool, sends);
    loadTitle(title);
    dialog()->spaAutoFill("spauser", "Kq9z!mA2");
    QVERIFY(accountPage()->accountEdit()->isReadOnly());
    QVERIFY(accountPage()->passwordEdit()->isReadOnly());
    QCOMPARE(sent_->size(), sends ? 1 : 0);
    if (sends) {
        QCOMPARE(withEpoch(sentRequests().first().second, 2), QStringLiteral("spauser\nKq9z!mA2\nEPOCH\n"));
    }
}

void TestClientLoginDialog::smsSecondFactor()
{
    loadTitle(kTitleBoth);
    login(accountPage(), "smsdemo", "Kq9z!mA2");
    dialog()->onReqClientLoginResult(CReqClientLogin76, "请完成短信二次认证", false, 7);
    QVERIFY(accountPage()->isCodeVisible());
    QCOMPARE(sentRequests().last().first, int(CReqClientLoginResult78));
    dialog()->onReqClientLoginResult(CReqClientLoginResult78, R"({"status":2000,"result":{"phoneFormat":"13812345678"}})",
                                     false, 0);
    QCOMPARE(dialog()->authMode(), 2);
    QCOMPARE(accountPage()->tipLabel()->text(), QStringLiteral("短信验证码将发送至手机号码：138****5678，请点击\"获取验证码\""));
    QCOMPARE(accountPage()->codeButton()->text(), QStringLiteral("获取验证码"));
    QCOMPARE(accountPage()->codeEdit()->placeholderText(), QStringLiteral("请输入验证码"));
    QVERIFY(accountPage()->loginButton()->isEnabled());
    sent_->clear();
    QTest::mouseClick(accountPage()->codeButton(), Qt::LeftButton);
    QCOMPARE(sentRequests().last(), qMakePair(int(CReqClientAuthCode79), QString()));
    QTest::keyClicks(accountPage()->codeEdit(), "123456");
    QTest::mouseClick(accountPage()->loginButton(), Qt::LeftButton);
    QCOMPARE(sentRequests().last(), qMakePair(int(CReqClientLogin80), QStringLiteral("123456")));
    // An unreadable initialisation answer.
    dialog()->onReqClientLoginResult(CReqClientLoginResult78, "garbage", false, 0);
    QCOMPARE(accountPage()->tipLabel()->text(), QStringLiteral("短信认证初始化结果异常，请重试！"));
}

void TestClientLoginDialog::codeCountDown()
{
    loadTitle(kTitleBoth);
    auto* countDown = dialog()->findChild<CountDown*>("accountCodeCountDown");
    QPushButton* button = accountPage()->codeButton();
    dialog()->onReqClientLoginResult(CReqClientAuthCode79,
                                     R"({"status":2000,"msg":"验证码已发送","result":{"smsSendCodeButtonTime":30}})", false, 0);
    QVERIFY(countDown->isRunning());
    QCOMPARE(countDown->remaining(), 60);
    QCOMPARE(button->text(), QStringLiteral("已发送（60）"));
    QVERIFY(!button->isEnabled());
    QCOMPARE(accountPage()->tipLabel()->text(), QStringLiteral("验证码已发送"));
    for (int i = 0; i < 59; ++i) {
        countDown->tick();
    }
    QCOMPARE(button->text(), QStringLiteral("已发送（1）"));
    countDown->tick();
    QVERIFY(button->isEnabled());
    QCOMPARE(button->text(), QStringLiteral("发送验证码"));
    // A refused code request gives the button back with the service's text.
    dialog()->onReqClientLoginResult(CReqClientLoginPage77, "发送失败", true, 0);
    QVERIFY(button->isEnabled());
    QCOMPARE(accountPage()->tipLabel()->text(), QStringLiteral("发送失败"));
    // A huge wait is clamped to a day.
    dialog()->onReqClientLoginResult(CReqClientLogin69,
                                     R"({"status":2000,"result":{"iUserSmsLockWaitTime":"99999999999"}})", false, 0);
    QCOMPARE(dialog()->findChild<CountDown*>("phoneCodeCountDown")->remaining(), CountDown::kMaxSeconds);
    dialog()->findChild<CountDown*>("phoneCodeCountDown")->stop();
}

void TestClientLoginDialog::phoneCodeButtonComesBack()
{
    loadTitle(kTitleBoth);
    typeInto(phonePage(), "13900000000", "Kq9z!mA2");
    QTest::mouseClick(phonePage()->codeButton(), Qt::LeftButton);
    QCOMPARE(sentRequests().last().first, int(CReqClientLoginAuthCode84));
    QCOMPARE(withEpoch(sentRequests().last().second, 2), QStringLiteral("13900000000\nKq9z!mA2\nEPOCH\nphone"));
    QVERIFY(!phonePage()->codeButton()->isEnabled());
    dialog()->onReqClientLoginResult(CReqClientLoginAuthCode84, "后台通信失败", true, 0);
    QVERIFY(phonePage()->codeButton()->isEnabled());
    QCOMPARE(phonePage()->tipLabel()->text(), QStringLiteral("后台通信失败"));
}

void TestClientLoginDialog::failureLockFromLoginText()
{
    loadTitle(kTitleBoth, "vesk-uos-4.19.71");
    login(accountPage(), "zs01", "Kq9z!mA2");
    dialog()->onReqClientLoginResult(CReqClientLoginAuthCode83, "已登录失败3次，请2分钟 0秒后重试", true, 0);
    auto* lock = dialog()->findChild<FailureLock*>("failureLock0");
    QVERIFY(lock && lock->isRunning());
    QCOMPARE(accountPage()->tipLabel()->text(), QStringLiteral("已登录失败3次，请2分钟后重试"));
    lock->tick();
    QCOMPARE(accountPage()->tipLabel()->text(), QStringLiteral("已登录失败3次，请1分钟 59秒后重试"));
    QVERIFY(accountPage()->loginButton()->isEnabled());
    // Seconds alone start nothing on another page.
    dialog()->onReqClientLoginResult(CReqClientLoginAuthCode84, "已登录失败3次，请30秒后重试", true, 0);
    QVERIFY(dialog()->findChild<FailureLock*>("failureLock1") == nullptr ||
            !dialog()->findChild<FailureLock*>("failureLock1")->isRunning());
    lock->stop();
}

void TestClientLoginDialog::resetByKeyboard_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Enter") << "enter";
    QTest::newRow("Space") << "space";
    QTest::newRow("screen reader press") << "press";
}

void TestClientLoginDialog::resetByKeyboard()
{
    QFETCH(QString, how);
    loadTitle(kTitleBoth);
    QPushButton* reset = accountPage()->resetLink();
    QCOMPARE(reset->accessibleName(), QStringLiteral("重置密码"));
    QVERIFY(reset->focusPolicy() & Qt::TabFocus);
    // Reached from the account box by Tab, like any other control.
    accountPage()->accountEdit()->setFocus();
    QWidget* w = accountPage()->accountEdit();
    for (int i = 0; i < 20 && w != reset; ++i) {
        w = w->nextInFocusChain();
    }
    QCOMPARE(w, static_cast<QWidget*>(reset));
    reset->setFocus();
    if (how == QLatin1String("enter")) {
        QTest::keyClick(reset, Qt::Key_Return);
    } else if (how == QLatin1String("space")) {
        QTest::keyClick(reset, Qt::Key_Space);
    } else {
        QAccessibleInterface* item = QAccessible::queryAccessibleInterface(reset);
        QVERIFY(item && item->actionInterface());
        item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    }
    // A screen reader's press is an animated click: it lands a moment later.
    QTRY_COMPARE(outerIndex(), 1);
    // Nothing went out: the reset page only opened.
    QVERIFY(sent_->isEmpty());
}

void TestClientLoginDialog::everyControlNamed()
{
    loadTitle(R"({"data":{"validateCodeType":"1","loginMenu":[)"
              R"({"menuId":"accountLoginTab","menuText":"账号登录"},{"menuId":"phoneLoginTab","menuText":"手机号登录"},)"
              R"({"menuId":"QrCodeLoginTab","menuText":"扫码登录"},{"menuId":"certLoginTab","menuText":"证书登录"}]}})");
    dialog()->addResetPage();
    QStringList unnamed;
    for (QWidget* w : dialog()->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QComboBox*>(w) || qobject_cast<QTabBar*>(w) ||
                             qobject_cast<QAbstractSpinBox*>(w);
        // Qt's own parts (the tab bar's scroll arrows) are named by Qt.
        if (!control || w->objectName().startsWith(QLatin1String("qt_")) ||
            (qobject_cast<QToolButton*>(w) && qobject_cast<QTabBar*>(w->parentWidget()))) {
            continue;
        }
        if (w->objectName().isEmpty() || w->accessibleName().isEmpty()) {
            unnamed.append(QStringLiteral("%1 \"%2\"").arg(QLatin1String(w->metaObject()->className()), w->objectName()));
        }
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

void TestClientLoginDialog::resetRequests()
{
    loadTitle(kTitleBoth);
    QTest::mouseClick(accountPage()->resetLink(), Qt::LeftButton);
    dialog()->addResetPage();
    QCOMPARE(outerIndex(), 1);
    ResetPasswordPage* page = resetPage();
    QTest::keyClicks(page->userEdit(), "t1001");
    QTest::keyClicks(page->idCardEdit(), "11010519491231002X");
    QTest::keyClicks(page->passwordEdit(), "Kq9z!mA2");
    QTest::keyClicks(page->repeatEdit(), "Kq9z!mA2");
    QTest::mouseClick(page->submitButton(), Qt::LeftButton);
    QCOMPARE(page->tipLabel()->text(), QStringLiteral("验证码不能为空，请重新输入！"));
    QVERIFY(sent_->isEmpty());
    QTest::mouseClick(page->codeButton(), Qt::LeftButton);
    QCOMPARE(sentRequests().last().first, int(CReqClientResetAuthCode));
    QCOMPARE(withEpoch(sentRequests().last().second, 4), QStringLiteral("t1001\n11010519491231002X\nKq9z!mA2\nKq9z!mA2\nEPOCH"));
    QTest::keyClicks(page->codeEdit(), "123456");
    QTest::mouseClick(page->submitButton(), Qt::LeftButton);
    QCOMPARE(sentRequests().last().first, int(CReqClientResetPwd));
    QCOMPARE(withEpoch(sentRequests().last().second, 4),
             QStringLiteral("t1001\n11010519491231002X\nKq9z!mA2\nKq9z!mA2\nEPOCH\n123456"));
    QCOMPARE(page->submitButton()->text(), QStringLiteral("提交中，请稍后..."));
    // The exchange failed: the submitting state ends, the text is the tip.
    dialog()->onReqClientLoginResult(CReqClientResetPwd, "后台通信失败", true, 0);
    QVERIFY(page->submitButton()->isEnabled());
    QCOMPARE(page->tipLabel()->text(), QStringLiteral("后台通信失败"));
}

void TestClientLoginDialog::resetResults_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<int>("outer");
    QTest::addColumn<bool>("countDown");
    QTest::addColumn<bool>("lock");
    QTest::addColumn<QString>("loginTip");  // the account page's tip afterwards
    const QString vesk = QStringLiteral("vesk-uos-4.19.71");
    QTest::newRow("code sent") << "" << int(CReqClientResetAuthCode)
                               << R"({"status":2000,"msg":"验证码已发送","result":{}})" << "验证码已发送" << 1 << true << false
                               << "";
    QTest::newRow("code sent vesk phone") << vesk << int(CReqClientResetAuthCode)
                                          << R"({"status":2000,"msg":"x","result":{"phoneFormat":"138****5678"}})"
                                          << "验证码已发送至手机号138****5678绑定的【岚汀】微信公众号" << 1 << true << false
                                          << "";
    QTest::newRow("code parse error") << "" << int(CReqClientResetAuthCode) << "oops" << "后台数据处理异常！" << 1 << false
                                      << false << "";
    QTest::newRow("code 6634 vesk") << vesk << int(CReqClientResetAuthCode)
                                    << R"({"status":6634,"msg":"已连续输错信息5次，请1分钟 0秒后重试"})"
                                    << "已连续输错信息5次，请1分钟后重试" << 1 << false << true << "";
    // Only the vesk editions say so on the account page, with the teller number and password.
    QTest::newRow("reset done") << "" << int(CReqClientResetPwd) << R"({"status":2000,"msg":"ok"})" << "" << 0 << false
                                << false << "";
    QTest::newRow("reset done kav") << "kav" << int(CReqClientResetPwd) << R"({"status":2000,"msg":"ok"})" << "" << 0
                                    << false << false << "";
    QTest::newRow("reset done vesk") << vesk << int(CReqClientResetPwd) << R"({"status":2000,"msg":"ok"})" << "" << 0
                                     << false << false << "重置密码成功，请重新登录";
    QTest::newRow("reset refused") << "" << int(CReqClientResetPwd) << R"({"status":4003,"msg":"验证码错误"})"
                                   << "验证码错误" << 1 << false << false << "";
    QTest::newRow("reset 6634 vesk") << vesk << int(CReqClientResetPwd)
                                     << R"({"status":6634,"msg":"已连续输错信息2次，请0分钟 9秒后重试"})"
                                     << "已连续输错信息2次，请9秒后重试" << 1 << false << true << "";
}

void TestClientLoginDialog::resetResults()
{
    QFETCH(QString, project);
    QFETCH(int, req);
    QFETCH(QString, text);
    QFETCH(QString, tip);
    QFETCH(int, outer);
    QFETCH(bool, countDown);
    QFETCH(bool, lock);
    QFETCH(QString, loginTip);
    loadTitle(kTitleBoth, project);
    typeInto(accountPage(), "before", "");
    dialog()->addResetPage();
    resetPage()->userEdit()->setText("t1001");
    resetPage()->passwordEdit()->setText("Kq9z!mA2");
    dialog()->setPageResetStatus(req == CReqClientResetPwd, false);
    dialog()->onReqClientLoginResult(ClientReq(req), text, false, 0);
    QCOMPARE(outerIndex(), outer);
    QCOMPARE(resetPage()->tipLabel()->text(), tip);
    QVERIFY(resetPage()->submitButton()->isEnabled());
    auto* reset = dialog()->findChild<CountDown*>("resetCodeCountDown");
    QCOMPARE(reset->isRunning(), countDown);
    QCOMPARE(resetPage()->codeButton()->isEnabled(), !countDown);
    reset->stop();
    FailureLock* failure = dialog()->findChild<FailureLock*>("failureLock2");
    QCOMPARE(failure != nullptr && failure->isRunning(), lock);
    if (failure) {
        failure->stop();
    }
    QCOMPARE(accountPage()->tipLabel()->text(), loginTip);
    const bool copied = !loginTip.isEmpty();
    QCOMPARE(accountPage()->accountEdit()->text(), copied ? QStringLiteral("t1001") : QStringLiteral("before"));
    QCOMPARE(accountPage()->passwordEdit()->text(), copied ? QStringLiteral("Kq9z!mA2") : QString());
    if (outer == 0) {
        // Back on the login page nothing typed on the reset page is left behind.
        QVERIFY(resetPage()->passwordEdit()->text().isEmpty());
        QVERIFY(!resetPage()->submitButton()->text().contains(QStringLiteral("提交中")));
    }
}

void TestClientLoginDialog::returnKey()
{
    loadTitle(kTitleBoth);
    typeInto(accountPage(), "zs01", "Kq9z!mA2");
    QTest::keyClick(accountPage()->passwordEdit(), Qt::Key_Return);
    QCOMPARE(sent_->size(), 1);
    QCOMPARE(sentRequests().first().first, int(CReqClientLogin76));
    // A second Return while the login runs sends nothing more.
    QTest::keyClick(accountPage()->passwordEdit(), Qt::Key_Return);
    QCOMPARE(sent_->size(), 1);
    dialog()->onReqClientLoginResult(CReqClientLogin76, "x", true, 0);
    dialog()->addResetPage();
    QTest::keyClick(resetPage()->userEdit(), Qt::Key_Return);
    QCOMPARE(resetPage()->tipLabel()->text(), QStringLiteral("未输入柜员号，请重新输入！"));
}

void TestClientLoginDialog::recoverLoginButton()
{
    loadTitle(kTitleBoth);
    login(accountPage(), "zs01", "Kq9z!mA2");
    LogCapture log;
    dialog()->onRecoverLoginBtn(CReqClientLogin76);
    QVERIFY(log.contains("FUNC(onRecoverLoginBtn) need to login again."));
    QVERIFY(accountPage()->loginButton()->isEnabled());
    QCOMPARE(accountPage()->loginButton()->text(), QStringLiteral("登    录"));
}

namespace {

QString pngDataUrl()
{
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
}

}  // namespace

void TestClientLoginDialog::veskSecondStep()
{
    loadTitle(kTitleBoth, "vesk-uos-4.19.71");
    QJsonObject result{{"sendSmsMsg", "验证码已发送至138****5678"},
                       {"smsSendCodeButtonTime", 45},
                       {"iSendSmsTimeInterval", "50"},
                       {"iUserSmsLockWaitTime", "55"}};
    QVERIFY(prefix_->writeInstallFile("ini/login.json",
                                      QJsonDocument(QJsonObject{{"status", 6105}, {"result", result}}).toJson()));
    login(accountPage(), "zs01", "Kq9z!mA2");
    QCOMPARE(sentRequests().first().first, int(CReqClientLoginAuthCode83));
    dialog()->onReqClientLoginResult(CReqClientLoginAuthCode83, "需要二次认证", false, 7);
    QCOMPARE(accountPage()->step(), 2);
    QVERIFY(accountPage()->loginButton()->isEnabled());
    QCOMPARE(accountPage()->tipLabel()->text(), QStringLiteral("验证码已发送至138****5678"));
    QCOMPARE(accountPage()->tipLabel()->tipColour(), QStringLiteral("#4AB793"));
    auto* countDown = dialog()->findChild<CountDown*>("accountCodeCountDown");
    QCOMPARE(countDown->remaining(), 55);
    countDown->stop();
    // Step 2 sends the code and the bind flag.
    login(accountPage(), "zs01", "Kq9z!mA2", "8899");
    QCOMPARE(sentRequests().last().first, int(CReqClientLogin85));
    QCOMPARE(withEpoch(sentRequests().last().second, 2), QStringLiteral("zs01\nKq9z!mA2\nEPOCH\n8899\n02\n0"));
}

void TestClientLoginDialog::veskLoginFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<bool>("bindShown");
    QTest::addColumn<bool>("image");
    const QByteArray png = pngDataUrl().toLatin1();
    QTest::newRow("8001 image code, bind 03")
        << QByteArray(R"({"status":8001,"result":{"authImage":")" + png + R"(","bindData":{"bindStatus":"03"}}})")
        << 2 << "" << true << true;
    QTest::newRow("8001 bind 04") << QByteArray(R"({"status":8001,"result":{"bindData":{"bindStatus":"04"}}})")
                                  << 2 << "" << true << false;
    QTest::newRow("6105 bind 02 hides") << QByteArray(R"({"status":6105,"result":{"bindData":{"bindStatus":"02"}}})")
                                        << 2 << "" << false << false;
    QTest::newRow("missing result") << QByteArray(R"({"status":6105,"msg":"x"})") << 1
                                    << "安全工作台启动异常，请重启电脑后重试！" << false << false;
    QTest::newRow("unreadable") << QByteArray("{broken") << 1 << "后台数据处理异常！" << false << false;
    QTest::newRow("other status shows msg") << QByteArray(R"({"status":7001,"msg":"<b>账号异常</b>","result":{}})")
                                            << 1 << "<b>账号异常</b>" << false << false;
}

void TestClientLoginDialog::veskLoginFile()
{
    QFETCH(QByteArray, file);
    QFETCH(int, step);
    QFETCH(QString, tip);
    QFETCH(bool, bindShown);
    QFETCH(bool, image);
    loadTitle(kTitleBoth, "vesk-uos-4.19.71");
    QFile::remove(prefix_->installPath("cache/imageCode.png"));
    QVERIFY(prefix_->writeInstallFile("ini/login.json", file));
    login(accountPage(), "zs01", "Kq9z!mA2");
    dialog()->onReqClientLoginResult(CReqClientLoginAuthCode83, "需要二次认证", false, 7);
    QCOMPARE(accountPage()->step(), step);
    if (!tip.isEmpty()) {
        QCOMPARE(accountPage()->tipLabel()->text(), tip);
    }
    QCOMPARE(accountPage()->isBindVisible(), bindShown);
    QCOMPARE(!accountPage()->findChild<QWidget*>("widgetBind")->isHidden(), bindShown && step == 2);
    QCOMPARE(QImage(prefix_->installPath("cache/imageCode.png")).isNull(), !image);
    if (image) {
        // The image code stands on the code button.
        QVERIFY(!accountPage()->codeButton()->icon().isNull());
    }
}

void TestClientLoginDialog::veskStepFailure6638()
{
    loadTitle(kTitleBoth, "vesk-uos-4.19.71");
    QVERIFY(prefix_->writeInstallFile("ini/login.json", R"({"status":6638,"msg":"x"})"));
    accountPage()->setStep(2);
    login(accountPage(), "zs01", "Kq9z!mA2", "12");
    dialog()->onReqClientLoginResult(CReqClientLogin85, "验证码已失效", true, 0);
    QCOMPARE(accountPage()->step(), 1);
    QVERIFY(accountPage()->codeEdit()->text().isEmpty());
    QCOMPARE(accountPage()->tipLabel()->text(), QStringLiteral("验证码已失效"));
    QCOMPARE(dialog()->focusWidget(), static_cast<QWidget*>(accountPage()->passwordEdit()));
}

void TestClientLoginDialog::accessLoginResults_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("jump");
    QTest::addColumn<int>("outer");
    QTest::addColumn<QString>("tip");
    QTest::newRow("2 failed check") << 2 << "" << false << 2 << "";
    QTest::newRow("4 passed") << 4 << "ok" << true << 0 << "";
    QTest::newRow("5 refused") << 5 << "接入检查未通过" << false << 0 << "接入检查未通过";
    QTest::newRow("6 refused") << 6 << "接入超时" << false << 0 << "接入超时";
    QTest::newRow("other ignored") << 9 << "x" << false << 2 << "";
}

void TestClientLoginDialog::accessLoginResults()
{
    QFETCH(int, state);
    QFETCH(QString, text);
    QFETCH(bool, jump);
    QFETCH(int, outer);
    QFETCH(QString, tip);
    loadTitle(kTitleBoth);
    QVERIFY(prefix_->writeInstallFile("ini/login.json", R"({"status":2000})"));
    dialog()->onReqClientLoginResult(CReqClientLogin76, "3", false, 0);
    QCOMPARE(outerIndex(), 2);
    QSignalSpy jumped(dialog(), &ClientLoginDialog::sendJumpToMain);
    dialog()->resultAfterAccessLogin(state, text);
    QCOMPARE(jumped.size(), jump ? 1 : 0);
    QCOMPARE(outerIndex(), outer);
    QCOMPARE(accountPage()->tipLabel()->text(), tip);
}

void TestClientLoginDialog::commonDialogFromLoginResults()
{
    loadTitle(kTitleBoth);
    login(accountPage(), "zs01", "Kq9z!mA2");
    QSignalSpy shown(dialog(), &ClientLoginDialog::sendShowCommonDialog);
    dialog()->onReqClientLoginResult(CReqClientLogin76, "15", false, 0);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().at(0).value<LoginAction::Dialog>(), LoginAction::Dialog::CommonResult);
    QCOMPARE(shown.first().at(1).toInt(), 15);
    QCOMPARE(shown.first().at(2).value<ClientReq>(), CReqClientLogin76);
    QVERIFY(!accountPage()->isLogging());
    QCOMPARE(outerIndex(), 0);
}

void TestClientLoginDialog::improveUserInfoFromLogin_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("tip");
    QTest::newRow("two elements") << QByteArray(R"({"status":2000,"result":{"pageElements":[
        {"iorder":"1","iisrequired":"1","ielementtype":"1","strelementname":"邮箱","uidelementid":"e1"},
        {"iorder":"2","iisrequired":"0","ielementtype":"7","strelementname":"部门","uidelementid":"e2",
         "elementfeatureJson":{"selectOption":[{"name":"财务","value":"f"}]}}]}})") << 2 << "";
    QTest::newRow("zero elements") << QByteArray(R"({"status":2000,"result":{"pageElements":[]}})") << 0 << "";
    QTest::newRow("no pageElements") << QByteArray(R"({"status":2000,"result":{}})") << -1 << "后台数据处理异常！";
    QTest::newRow("missing file") << QByteArray() << -1 << "后台数据处理异常！";
    QTest::newRow("status not success") << QByteArray(R"({"status":6001,"msg":"信息获取失败","result":{"pageElements":[]}})")
                                        << -1 << "信息获取失败";
}

void TestClientLoginDialog::improveUserInfoFromLogin()
{
    QFETCH(QByteArray, file);
    QFETCH(int, count);
    QFETCH(QString, tip);
    loadTitle(kTitleBoth);
    QFile::remove(prefix_->installPath("ini/login.json"));
    if (!file.isEmpty()) {
        QVERIFY(prefix_->writeInstallFile("ini/login.json", file));
    }
    login(accountPage(), "zs01", "Kq9z!mA2");
    QSignalSpy shown(dialog(), &ClientLoginDialog::sendShowImproveUserInfo);
    dialog()->onReqClientLoginResult(CReqClientLogin76, "请完善个人信息", false, 26);
    QVERIFY(!accountPage()->isLogging());
    if (count < 0) {
        QCOMPARE(shown.size(), 0);
        QCOMPARE(accountPage()->tipLabel()->text(), tip);
        return;
    }
    QCOMPARE(shown.size(), 1);
    const auto elements = shown.first().at(0).value<QVector<st_ImproveUserInfoElements>>();
    QCOMPARE(elements.size(), count);
    QCOMPARE(shown.first().at(1).toString(), QStringLiteral("请完善个人信息"));
}

void TestClientLoginDialog::accessCheckDialogAsked()
{
    loadTitle(kTitleBoth);
    QVERIFY(prefix_->writeInstallFile("ini/accessCheckResult.json", "{broken"));
    QSignalSpy asked(dialog(), &ClientLoginDialog::sendShowAccessCheckResult);
    dialog()->onReqClientLoginResult(CReqClientLogin76, "3", false, 0);
    QCOMPARE(asked.size(), 0);
    dialog()->resultAfterAccessLogin(2, QString());
    QCOMPARE(asked.size(), 1);
    QCOMPARE(outerIndex(), 2);
}

void TestClientLoginDialog::logoutAndDiskSpace()
{
    loadTitle(kTitleBoth);
    phonePage()->setStep(2);
    dialog()->onReqClientLoginResult(CReqClientLogin76, R"({"restTime":9,"failCount":1,"msg":"m"})", false, 21);
    dialog()->showLogging(0);
    dialog()->logout();
    QCOMPARE(outerIndex(), 0);
    QCOMPARE(phonePage()->step(), 1);
    QVERIFY(!dialog()->findChild<LoginLockCountDown*>()->isRunning());
    dialog()->showDiskSpaceLack();
    QCOMPARE(accountPage()->tipLabel()->text(), QStringLiteral("无法创建安全工作台，请清理磁盘空间后重新登录！"));
    QCOMPARE(accountPage()->tipLabel()->tipColour(), kError);
}

void TestClientLoginDialog::versionRollback()
{
    auto* button = dialog()->findChild<QPushButton*>("btnBackVersion");
    LogCapture log;
    CusMessageBox::setNextAnswer(CusMessageBox::Confirm);
    dialog()->onBackVersionBtn();
    QVERIFY(log.contains("file is not exist! path" + prefix_->installPath("update/bak/corvis_update.zip")));
    QVERIFY(button->isEnabled());
    QVERIFY(prefix_->writeInstallFile("update/bak/corvis_update.zip", "zip"));
    CusMessageBox::setNextAnswer(CusMessageBox::Cancel);
    dialog()->onBackVersionBtn();
    QVERIFY(button->isEnabled());
    CusMessageBox::setNextAnswer(CusMessageBox::Confirm);
    dialog()->onBackVersionBtn();
    QVERIFY(!button->isEnabled());
    QCOMPARE(button->text(), QStringLiteral("正在检查版本回退"));
    QVERIFY(log.contains("clientLoginDialog send msg to corvisupdatesrv to backVersion!"));
    dialog()->changeBackVersionBtnStatus(true);
    QVERIFY(button->isEnabled());
    QCOMPARE(button->text(), QStringLiteral("版本回退"));
}

void TestClientLoginDialog::loggingPageKeepsTheLayout()
{
    loadTitle(kTitleBoth);
    auto* title = dialog()->findChild<QLabel*>("labelLoginTitle");
    auto* outer = dialog()->findChild<QStackedWidget*>("stackLogin");
    QTRY_VERIFY(title->isVisible() && outer->isVisible());
    const QRect titleBefore = title->geometry();
    const QRect outerBefore = outer->geometry();
    dialog()->showLogging(1);
    // The title-bar buttons hide while the check runs; nothing else moves.
    QVERIFY(dialog()->findChild<QPushButton*>("btnLoginClose")->isHidden());
    QVERIFY(dialog()->findChild<QPushButton*>("btnLoginMin")->isHidden());
    dialog()->layout()->activate();
    QCOMPARE(title->geometry(), titleBefore);
    QCOMPARE(outer->geometry(), outerBefore);
    dialog()->hideLogging();
    QVERIFY(dialog()->findChild<QPushButton*>("btnLoginClose")->isVisible());
}

void TestClientLoginDialog::titleWhileOnline()
{
    loadTitle(kTitleBoth);
    dialog()->setOnline(true);
    QVERIFY(prefix_->writeInstallFile("ini/systemTitle.json", kTitleAccount));
    dialog()->handleSystemTitle();
    dialog()->setOnline(false);
    QCOMPARE(dialog()->findChild<CusTabWidget*>("tabWidgetLogin")->count(), 2);
    QCOMPARE(dialog()->systemTitle().loginMenu.size(), 1);
}

namespace {

// What the main window does for the login dialog: requests go out through UiComm, results of the
// login requests come back to the dialog.
struct Router {
    Router()
    {
        out = QObject::connect(dialog(), &ClientLoginDialog::sendReqClientLogin, UiComm::instance(),
                               [](ClientReq req, const QString& text) {
                                   UiComm::instance()->apiCorvisclientCommon(req, text, true);
                               });
        in = QObject::connect(UiComm::instance(), &UiComm::sendCommMsg, dialog(),
                              [](ClientReq req, const QString& text, const QString& extra, bool failed) {
                                  if (req != CReqClientQuerySystemTitle) {
                                      dialog()->onReqClientLoginResult(req, text, failed, extra.toInt());
                                  }
                              });
    }
    ~Router()
    {
        QObject::disconnect(out);
        QObject::disconnect(in);
    }
    QMetaObject::Connection out;
    QMetaObject::Connection in;
};

}  // namespace

void TestClientLoginDialog::hungLoginGivesButtonBack()
{
    loadTitle(kTitleBoth);
    corvismsg::setReceiveTimeoutMs(300);
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.startBuiltin("demo"), qPrintable(sim.errorOutput()));
    Router router;
    login(accountPage(), "hung", "Corvis@2024");
    QVERIFY(!accountPage()->loginButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(accountPage()->loginButton()->isEnabled(), 10000);
    QCOMPARE(accountPage()->tipLabel()->text(), QStringLiteral("后台通信失败"));
    QCOMPARE(accountPage()->tipLabel()->tipColour(), kError);
    auto* tabs = dialog()->findChild<CusTabWidget*>("tabWidgetLogin");
    QVERIFY(tabs->isTabEnabled(1));
}

void TestClientLoginDialog::demoPaths_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<bool>("jump");
    QTest::addColumn<int>("outer");
    const QString pwd = QStringLiteral("Corvis@2024");
    QTest::newRow("success") << 0 << "demo" << pwd << "" << true << 0;
    QTest::newRow("wrong password") << 0 << "demo" << "Wrong@2024" << "用户名或密码错误" << false << 0;
    QTest::newRow("lock") << 0 << "locked" << pwd << "账户已锁定，请5分钟后重试" << false << 0;
    QTest::newRow("retry") << 0 << "retrytext" << pwd << "密码错误，请重新输入" << false << 0;
    QTest::newRow("access check") << 0 << "access" << pwd << "" << false << 2;
    QTest::newRow("phone") << 1 << "13900000000" << pwd << "" << false << 2;
}

void TestClientLoginDialog::demoPaths()
{
    QFETCH(int, type);
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(QString, tip);
    QFETCH(bool, jump);
    QFETCH(int, outer);
    loadTitle(kTitleBoth);
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.startBuiltin("demo"), qPrintable(sim.errorOutput()));
    Router router;
    QSignalSpy jumped(dialog(), &ClientLoginDialog::sendJumpToMain);
    LoginCredentialPage* page = type == 1 ? phonePage() : accountPage();
    login(page, account, password);
    QTRY_VERIFY_WITH_TIMEOUT(!page->isLogging() || outerIndex() == 2, 10000);
    QCOMPARE(page->tipLabel()->text(), tip);
    QCOMPARE(jumped.size(), jump ? 1 : 0);
    QCOMPARE(outerIndex(), outer);
    const QList<QJsonObject> logins = sim.requests("corvisclient", type == 1 ? "0x0129" : "0x0113");
    QCOMPARE(logins.size(), 1);
    QVERIFY(logins.first().value("body").toString().startsWith(account + "\n" + password + "\n"));
}

QTEST_MAIN(TestClientLoginDialog)
#include "tst_clientlogindialog.moc"
