// The rules that turn login results into what the login dialog does: one row per result row of
// each kind of login (account, step, phone, QR code, certificate) with the edition variants, the
// SMS initialisation, the bind-again answer, the reset page's results and where a successful
// login leads. An action is compared as a short description of the fields it sets.

#include "comm/cs_ret_status.h"
#include "corviscommon/edition.h"
#include "login/loginresultrules.h"

#include <QtTest>

namespace {

const QString kVesk = QStringLiteral("vesk-uos-4.19.71");
const QString kVeskKylin = QStringLiteral("vesk-kylin-5.4.18-32");
const QString kKav = QStringLiteral("kav");

QString pageName(PageLoginType type)
{
    switch (type) {
    case PageLoginAccount:
        return QStringLiteral("account");
    case PageLoginPhone:
        return QStringLiteral("phone");
    case PageLoginQrcode:
        return QStringLiteral("qr");
    case PageLoginCert:
        return QStringLiteral("cert");
    }
    return QStringLiteral("?");
}

QString dialogName(const LoginAction& action)
{
    switch (action.dialog) {
    case LoginAction::Dialog::None:
        return QString();
    case LoginAction::Dialog::Reminder:
        return QStringLiteral("reminder");
    case LoginAction::Dialog::BindAgain:
        return QStringLiteral("bindAgain(%1,%2)").arg(action.bindInfo.bindUserName, action.bindInfo.token);
    case LoginAction::Dialog::CommonResult:
        return QStringLiteral("common(%1)").arg(action.dialogStatus);
    case LoginAction::Dialog::ImproveUserInfo:
        return QStringLiteral("improve(%1)").arg(action.dialogStatus);
    }
    return QStringLiteral("?");
}

// The fields an action sets, in the order the dialog applies them.
QString describe(const LoginAction& a)
{
    QStringList out{pageName(a.page)};
    if (a.unlockTabs) {
        out << QStringLiteral("unlock");
    }
    if (a.clearCode) {
        out << QStringLiteral("clearCode");
    }
    if (a.authMode >= 0) {
        out << QStringLiteral("authMode=%1").arg(a.authMode);
    }
    if (a.loginLockChange == LoginAction::LockChange::Stop) {
        out << QStringLiteral("lockStop");
    } else if (a.loginLockChange == LoginAction::LockChange::Restart) {
        out << QStringLiteral("lockRestart(%1,%2)").arg(a.loginLock.restTime).arg(a.loginLock.failCount);
    }
    if (a.setsTip) {
        out << QStringLiteral("tip%1[%2]=%3").arg(a.tipAfterLocks ? QStringLiteral("Last") : QString(), a.tipColour, a.tip);
    }
    if (a.failureLock) {
        out << (*a.failureLock == FailureLock::LoginFailed ? QStringLiteral("failureLock=failed")
                                                            : QStringLiteral("failureLock=locked"));
    }
    if (a.step != 0) {
        out << QStringLiteral("step=%1").arg(a.step);
    }
    if (a.pageState == LoginAction::PageState::Idle) {
        out << QStringLiteral("idle");
    }
    if (a.showCode) {
        out << QStringLiteral("showCode");
    }
    if (a.refreshCodeButton) {
        out << QStringLiteral("refreshCode");
    }
    if (a.focus == LoginAction::Focus::Password) {
        out << QStringLiteral("focusPassword");
    }
    if (a.logging >= 0) {
        out << QStringLiteral("logging=%1").arg(a.logging);
    }
    if (a.next) {
        out << QStringLiteral("next=%1:'%2'").arg(int(a.next->req)).arg(a.next->body);
    }
    if (a.readStepFile) {
        out << QStringLiteral("stepFile");
    }
    if (a.dialog != LoginAction::Dialog::None) {
        out << dialogName(a);
    }
    if (a.readLoginFile) {
        out << QStringLiteral("loginFile");
    }
    if (a.runCodeButton) {
        out << QStringLiteral("runCodeButton");
    }
    if (a.jump) {
        out << QStringLiteral("jump");
    }
    return out.join(QLatin1Char(' '));
}

QString describe(const ResetAction& a)
{
    QStringList out;
    if (a.stopFailureLock) {
        out << QStringLiteral("stopLock");
    }
    if (a.copyToLoginPage) {
        out << QStringLiteral("copy");
    }
    if (a.codeCountDown >= 0) {
        out << QStringLiteral("countDown=%1").arg(a.codeCountDown);
    }
    if (a.setsTip) {
        out << QStringLiteral("tip[%1]=%2").arg(a.tipIsError ? QStringLiteral("error") : QStringLiteral("info"), a.tip);
    }
    if (a.startFailureLock) {
        out << QStringLiteral("startLock");
    }
    if (a.leaveSubmitting) {
        out << (a.clearPage ? QStringLiteral("idleCleared") : QStringLiteral("idle"));
    }
    if (a.backToLogin) {
        out << QStringLiteral("backToLogin");
    }
    if (!a.loginTip.isEmpty()) {
        out << QStringLiteral("loginTip[%1]=%2").arg(a.loginTipColour, a.loginTip);
    }
    if (a.refreshCodeButton) {
        out << QStringLiteral("refreshCode");
    }
    return out.join(QLatin1Char(' '));
}

}  // namespace

class TestLoginResultRules : public QObject
{
    Q_OBJECT

private slots:
    void kinds_data();
    void kinds();
    void rows_data();
    void rows();
    void loginFileStatusOnlyForStepErrors();
    void afterLogin_data();
    void afterLogin();
    void smsInit_data();
    void smsInit();
    void bindAgainAnswer_data();
    void bindAgainAnswer();
    void reset_data();
    void reset();
};

void TestLoginResultRules::kinds_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<int>("kind");  // -1: not a login result
    QTest::addColumn<int>("page");
    QTest::newRow("66") << int(CReqClientLogin66) << int(LoginKind::Account) << int(PageLoginAccount);
    QTest::newRow("76") << int(CReqClientLogin76) << int(LoginKind::Account) << int(PageLoginAccount);
    QTest::newRow("80") << int(CReqClientLogin80) << int(LoginKind::Account) << int(PageLoginAccount);
    QTest::newRow("83") << int(CReqClientLoginAuthCode83) << int(LoginKind::Step) << int(PageLoginAccount);
    QTest::newRow("84") << int(CReqClientLoginAuthCode84) << int(LoginKind::Step) << int(PageLoginPhone);
    QTest::newRow("85") << int(CReqClientLogin85) << int(LoginKind::Step) << int(PageLoginAccount);
    QTest::newRow("86") << int(CReqClientLogin86) << int(LoginKind::Step) << int(PageLoginPhone);
    QTest::newRow("70") << int(CReqClientLogin70) << int(LoginKind::Phone) << int(PageLoginPhone);
    QTest::newRow("74 on the QR page") << int(CReqClientLogin74) << int(LoginKind::Qrcode) << int(PageLoginQrcode);
    QTest::newRow("4101 on the current tab") << int(CReqClientVeskCheckCertificate) << int(LoginKind::Certificate)
                                             << int(PageLoginCert);
    QTest::newRow("65 code") << int(CReqClientLogin65) << -1 << 0;
    QTest::newRow("73 heartbeat") << int(CReqClientQrcode73) << -1 << 0;
    QTest::newRow("68 reset") << int(CReqClientResetPwd) << -1 << 0;
}

void TestLoginResultRules::kinds()
{
    QFETCH(int, req);
    QFETCH(int, kind);
    QFETCH(int, page);
    const std::optional<LoginKind> found = LoginResultRules::kindOf(ClientReq(req));
    QCOMPARE(found.has_value(), kind >= 0);
    if (found) {
        QCOMPARE(int(*found), kind);
        QCOMPARE(int(LoginResultRules::pageOf(*found, ClientReq(req), PageLoginCert)), page);
    }
}

void TestLoginResultRules::rows_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("project");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isMsgError");
    QTest::addColumn<int>("substatus");
    QTest::addColumn<int>("loginFileStatus");
    QTest::addColumn<QString>("action");
    const QString std;
    const QString lockJson = R"({"restTime":300,"failCount":5,"msg":"账户已锁定"})";
    const QString bindJson = R"({"msg":"设备已绑定其他用户","result":{"bindUserName":"lisi","token":"t-9"}})";
    const int a76 = CReqClientLogin76;

    // Account login (66, 76, 80) of the editions other than vesk.
    QTest::newRow("A error 76 runs the code button")
        << a76 << std << "用户名或密码错误" << true << 0 << -1
        << "account unlock authMode=0 tip[#D8424E]=用户名或密码错误 idle runCodeButton";
    QTest::newRow("A error 80") << int(CReqClientLogin80) << std << "验证码错误" << true << 0 << -1
                                << "account unlock tip[#D8424E]=验证码错误 idle";
    QTest::newRow("A error 66 after the access check") << int(CReqClientLogin66) << std << "接入检查未通过" << true << 0
                                                       << -1 << "account unlock tip[#D8424E]=接入检查未通过 idle";
    QTest::newRow("A empty text") << a76 << std << "" << false << 0 << -1 << "account unlock";
    QTest::newRow("A 2 access check failed") << int(CReqClientLogin66) << std << "2" << false << 0 << -1
                                             << "account unlock logging=3";
    QTest::newRow("A 3 access check runs") << a76 << std << "3" << false << 0 << -1 << "account unlock logging=1";
    QTest::newRow("A 7 second factor") << a76 << std << "请完成短信二次认证" << false << int(CS_RET_LOGIN_SECOND_FACTOR)
                                       << -1 << "account unlock tip[#1AA9FF]=请完成短信二次认证 showCode next=78:''";
    QTest::newRow("A 7 second factor kav") << a76 << kKav << "请完成短信二次认证" << false << 7 << -1
                                           << "account unlock tip[#D70A2A]=请完成短信二次认证 showCode next=78:''";
    QTest::newRow("A 19 sms refused") << int(CReqClientLogin80) << std << "短信验证码错误" << false << 19 << -1
                                      << "account unlock tip[#D8424E]=短信验证码错误 idle";
    // The page stays busy until the bind-again dialog closes.
    QTest::newRow("A 20 bind again") << a76 << std << bindJson << false << 20 << -1
                                     << "account unlock tip[#D8424E]=设备已绑定其他用户 bindAgain(lisi,t-9)";
    QTest::newRow("A 20 unreadable keeps the text") << a76 << std << "设备已绑定" << false << 20 << -1
                                                    << "account unlock tip[#D8424E]=设备已绑定 bindAgain(,)";
    QTest::newRow("A 21 lock counts down") << a76 << std << lockJson << false << 21 << -1
                                           << "account unlock lockRestart(300,5) tip[#D8424E]=账户已锁定 idle";
    QTest::newRow("A 21 lock kav shows only") << a76 << kKav << lockJson << false << 21 << -1
                                              << "account unlock lockStop tip[#D8424E]=账户已锁定 idle";
    QTest::newRow("A 21 lock vesk counts down") << a76 << kVesk << lockJson << false << 21 << -1
                                                << "account unlock lockRestart(300,5) tip[#D8424E]=账户已锁定 idle";
    QTest::newRow("A 22 retry counts down, no tip") << a76 << std << lockJson << false << 22 << -1
                                                    << "account unlock lockRestart(300,5) idle";
    QTest::newRow("A 22 retry kav shows the message") << a76 << kKav << lockJson << false << 22 << -1
                                                      << "account unlock lockStop tip[#D8424E]=账户已锁定 idle";
    QTest::newRow("A 22 retry without record") << a76 << std << "密码错误，请重新输入" << false << 22 << -1
                                               << "account unlock lockStop tip[#D8424E]=密码错误，请重新输入 idle";
    QTest::newRow("A 22 retry without count") << a76 << std << R"({"restTime":30,"msg":"m"})" << false << 22 << -1
                                              << QStringLiteral("account unlock lockStop tip[#D8424E]=%1 idle")
                                                     .arg(R"({"restTime":30,"msg":"m"})");
    QTest::newRow("A 14 forced change") << a76 << std << "14" << false << 0 << -1 << "account unlock idle common(14)";
    QTest::newRow("A 15 forced change") << a76 << std << "15" << false << 0 << -1 << "account unlock idle common(15)";
    QTest::newRow("A 16 forced change") << a76 << std << "16" << false << 0 << -1 << "account unlock idle common(16)";
    QTest::newRow("A 17 reads login.json") << a76 << std << "17" << false << 0 << -1 << "account unlock loginFile";
    QTest::newRow("A 26 user information") << a76 << std << "请完善信息" << false << 26 << -1
                                           << "account unlock idle improve(26)";
    QTest::newRow("A otherwise login.json") << a76 << std << "登录成功" << false << 0 << -1 << "account unlock loginFile";
    QTest::newRow("A 25 is not an account row") << a76 << std << "x" << false << 25 << -1 << "account unlock loginFile";

    // Step logins (83 to 86): the vesk account steps and the phone steps.
    const int s83 = CReqClientLoginAuthCode83;
    const int s86 = CReqClientLogin86;
    QTest::newRow("S 27 reminder first") << s83 << kVesk << "该账号已在其他设备登录" << false << 27 << -1
                                         << "account unlock reminder";
    QTest::newRow("S 27 reminder before the error") << s86 << std << "该账号已在其他设备登录" << true << 27 << -1
                                                    << "phone unlock reminder";
    QTest::newRow("S error") << s86 << std << "验证码错误" << true << 0 << -1
                             << "phone unlock clearCode tip[#D8424E]=验证码错误 idle";
    QTest::newRow("S error, login failed count vesk") << s83 << kVesk << "已登录失败3次，请2分钟 0秒后重试" << true << 0
                                                      << -1
                                                      << "account unlock clearCode tip[#D8424E]=已登录失败3次，请2分钟 0秒后重试 "
                                                         "failureLock=failed idle";
    QTest::newRow("S error, locked vesk kylin") << s83 << kVeskKylin << "因您多次输入错误，请5分钟 0秒后重试" << true << 0
                                                << 2000
                                                << "account unlock clearCode tip[#D8424E]=因您多次输入错误，请5分钟 0秒后重试 "
                                                   "failureLock=locked idle";
    QTest::newRow("S error, login failed elsewhere no lock") << int(CReqClientLoginAuthCode84) << std
                                                             << "已登录失败3次，请2分钟 0秒后重试" << true << 0 << -1
                                                             << "phone unlock clearCode tip[#D8424E]=已登录失败3次，请2分钟 0秒后重试 idle";
    QTest::newRow("S error, 6638 back to step 1") << int(CReqClientLogin85) << kVesk << "验证码已失效" << true << 0
                                                  << int(CS_DOC_STEP_AGAIN)
                                                  << "account unlock clearCode tipLast[#D8424E]=验证码已失效 step=1 idle "
                                                     "focusPassword";
    QTest::newRow("S empty text") << s86 << std << "" << false << 0 << -1 << "phone unlock clearCode";
    QTest::newRow("S 2") << s83 << kVesk << "2" << false << 0 << -1 << "account unlock clearCode logging=3";
    QTest::newRow("S 3") << s86 << std << "3" << false << 0 << -1 << "phone unlock clearCode logging=1";
    QTest::newRow("S 7 step document") << s83 << kVesk << "需要二次认证" << false << 7 << -1
                                       << "account unlock clearCode idle stepFile";
    QTest::newRow("S 25 step document phone") << int(CReqClientLoginAuthCode84) << std << "x" << false << 25 << -1
                                              << "phone unlock clearCode idle stepFile";
    QTest::newRow("S 19 is not a step row") << s83 << kVesk << "x" << false << 19 << -1
                                            << "account unlock clearCode loginFile";
    QTest::newRow("S otherwise login.json") << s86 << std << "ok" << false << 0 << -1
                                            << "phone unlock clearCode loginFile";

    // Phone login (70).
    const int p70 = CReqClientLogin70;
    QTest::newRow("P error") << p70 << std << "失败" << true << 0 << -1 << "phone unlock tip[#D8424E]=失败 idle";
    QTest::newRow("P empty text") << p70 << std << "" << false << 0 << -1 << "phone unlock";
    QTest::newRow("P 2") << p70 << std << "2" << false << 0 << -1 << "phone unlock logging=3";
    QTest::newRow("P 7 is not a phone row") << p70 << std << "x" << false << 7 << -1 << "phone unlock loginFile";
    QTest::newRow("P otherwise login.json") << p70 << std << "ok" << false << 0 << -1 << "phone unlock loginFile";

    // QR-code login (74): every row acts on the QR page.
    const int q74 = CReqClientLogin74;
    QTest::newRow("Q error on the QR page") << q74 << std << "二维码已过期" << true << 0 << -1
                                            << "qr unlock tip[#D8424E]=二维码已过期";
    QTest::newRow("Q empty text") << q74 << std << "" << false << 0 << -1 << "qr unlock";
    QTest::newRow("Q 3") << q74 << std << "3" << false << 0 << -1 << "qr unlock logging=1";
    QTest::newRow("Q 20 bind again") << q74 << std << bindJson << false << 20 << -1
                                     << "qr unlock tip[#D8424E]=设备已绑定其他用户 bindAgain(lisi,t-9)";
    QTest::newRow("Q 21 is not a QR row") << q74 << std << lockJson << false << 21 << -1 << "qr unlock loginFile";
    QTest::newRow("Q otherwise login.json") << q74 << std << "ok" << false << 0 << -1 << "qr unlock loginFile";

    // Certificate login (4101) on the current tab.
    const int c = CReqClientVeskCheckCertificate;
    QTest::newRow("C error") << c << kVesk << "证书校验失败" << true << 0 << -1 << "cert unlock tip[#D8424E]=证书校验失败";
    QTest::newRow("C success jumps") << c << kVesk << "认证成功" << false << 0 << -1
                                     << "cert unlock tip[#4AB793]=认证成功 jump";
}

void TestLoginResultRules::rows()
{
    QFETCH(int, req);
    QFETCH(QString, project);
    QFETCH(QString, text);
    QFETCH(bool, isMsgError);
    QFETCH(int, substatus);
    QFETCH(int, loginFileStatus);
    QFETCH(QString, action);
    LoginReply reply;
    reply.kind = *LoginResultRules::kindOf(ClientReq(req));
    reply.req = ClientReq(req);
    reply.text = text;
    reply.isMsgError = isMsgError;
    reply.substatus = substatus;
    reply.loginFileStatus = loginFileStatus;
    reply.currentPage = PageLoginCert;
    QCOMPARE(describe(LoginResultRules::decide(reply, corvis::Edition::fromProject(project))), action);
}

void TestLoginResultRules::loginFileStatusOnlyForStepErrors()
{
    QVERIFY(LoginResultRules::readsLoginFileStatus(LoginKind::Step, true));
    QVERIFY(!LoginResultRules::readsLoginFileStatus(LoginKind::Step, false));
    QVERIFY(!LoginResultRules::readsLoginFileStatus(LoginKind::Account, true));
    QVERIFY(!LoginResultRules::readsLoginFileStatus(LoginKind::Phone, true));
}

void TestLoginResultRules::afterLogin_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("project");
    QTest::addColumn<bool>("sandbox");
    QTest::addColumn<bool>("loggingPage");
    QTest::newRow("account standard jumps") << int(LoginKind::Account) << "" << false << false;
    QTest::newRow("account unknown project jumps") << int(LoginKind::Account) << "someone-else" << false << false;
    QTest::newRow("account vesk logging page") << int(LoginKind::Account) << kVesk << false << true;
    QTest::newRow("account kav with sandbox") << int(LoginKind::Account) << kKav << true << true;
    QTest::newRow("account kav without sandbox") << int(LoginKind::Account) << kKav << false << false;
    QTest::newRow("account rolq sandbox ignored") << int(LoginKind::Account) << "rolq" << true << false;
    QTest::newRow("qr standard jumps") << int(LoginKind::Qrcode) << "" << false << false;
    QTest::newRow("qr vesk kylin logging page") << int(LoginKind::Qrcode) << kVeskKylin << false << true;
    QTest::newRow("phone logging page") << int(LoginKind::Phone) << "" << false << true;
    QTest::newRow("step logging page") << int(LoginKind::Step) << "" << false << true;
}

void TestLoginResultRules::afterLogin()
{
    QFETCH(int, kind);
    QFETCH(QString, project);
    QFETCH(bool, sandbox);
    QFETCH(bool, loggingPage);
    const auto after = LoginResultRules::afterLogin(LoginKind(kind), corvis::Edition::fromProject(project), sandbox);
    QCOMPARE(after == LoginResultRules::AfterLogin::LoggingPage, loggingPage);
}

void TestLoginResultRules::smsInit_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isMsgError");
    QTest::addColumn<QString>("action");
    QTest::newRow("error sends the code request") << "" << "短信服务不可用" << true
                                                  << "account authMode=2 tip[#D8424E]=短信服务不可用 idle runCodeButton";
    QTest::newRow("phone masked at 3") << "" << R"({"status":2000,"result":{"phoneFormat":"13812345678"}})" << false
                                       << "account authMode=2 tip[#1AA9FF]=短信验证码将发送至手机号码：138****5678，"
                                          "请点击\"获取验证码\" idle showCode refreshCode";
    QTest::newRow("phone masked at 3 in vesk too") << kVesk << R"({"result":{"phoneFormat":"13812345678"}})" << false
                                                   << "account authMode=2 tip[#4AB793]=短信验证码将发送至手机号码："
                                                      "138****5678，请点击\"获取验证码\" idle showCode refreshCode";
    QTest::newRow("already masked kept") << "" << R"({"result":{"phoneFormat":"138****5678"}})" << false
                                         << "account authMode=2 tip[#1AA9FF]=短信验证码将发送至手机号码：138****5678，"
                                            "请点击\"获取验证码\" idle showCode refreshCode";
    QTest::newRow("unreadable") << "" << "garbage" << false
                                << "account tip[#D8424E]=短信认证初始化结果异常，请重试！ idle";
    QTest::newRow("no phone") << "" << R"({"result":{}})" << false
                              << "account tip[#D8424E]=短信认证初始化结果异常，请重试！ idle";
}

void TestLoginResultRules::smsInit()
{
    QFETCH(QString, project);
    QFETCH(QString, text);
    QFETCH(bool, isMsgError);
    QFETCH(QString, action);
    QCOMPARE(describe(LoginResultRules::decideSmsInit(text, isMsgError, corvis::Edition::fromProject(project))), action);
}

void TestLoginResultRules::bindAgainAnswer_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<bool>("isMsgError");
    QTest::addColumn<QString>("action");
    QTest::newRow("error") << "" << true << "phone tip[#D8424E]=已提交";
    QTest::newRow("ok standard") << "" << false << "phone tip[#1AA9FF]=已提交";
    QTest::newRow("ok kav") << kKav << false << "phone tip[#D70A2A]=已提交";
}

void TestLoginResultRules::bindAgainAnswer()
{
    QFETCH(QString, project);
    QFETCH(bool, isMsgError);
    QFETCH(QString, action);
    const LoginAction result = LoginResultRules::decideBindAgainAnswer(QStringLiteral("已提交"), isMsgError, PageLoginPhone,
                                                                       corvis::Edition::fromProject(project));
    QCOMPARE(describe(result), action);
}

void TestLoginResultRules::reset_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("project");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isMsgError");
    QTest::addColumn<QString>("action");
    const int code = CReqClientResetAuthCode;
    const int reset = CReqClientResetPwd;
    const QString lockText = R"({"status":6634,"msg":"已连续输错信息5次，请1分钟 0秒后重试"})";

    QTest::newRow("67 exchange failed") << code << "" << "后台通信失败" << true << "tip[error]=后台通信失败 refreshCode";
    QTest::newRow("67 parse error") << code << "" << "oops" << false << "tip[error]=后台数据处理异常！ refreshCode";
    QTest::newRow("67 no result") << code << "" << R"({"status":2000})" << false
                                  << "tip[error]=安全工作台启动异常，请重启电脑后重试！ refreshCode";
    QTest::newRow("67 sent") << code << "" << R"({"status":2000,"msg":"验证码已发送","result":{"smsSendCodeButtonTime":90}})"
                             << false << "countDown=90 tip[info]=验证码已发送 refreshCode";
    QTest::newRow("67 sent, phone outside vesk") << code << "" << R"({"status":2000,"msg":"m","result":{"phoneFormat":"138****5678"}})"
                                                 << false << "countDown=60 tip[info]=m refreshCode";
    QTest::newRow("67 sent, phone vesk") << code << kVesk
                                         << R"({"status":2000,"msg":"m","result":{"phoneFormat":"138****5678"}})" << false
                                         << "stopLock countDown=60 tip[info]=验证码已发送至手机号138****5678绑定的【岚汀】"
                                            "微信公众号 refreshCode";
    QTest::newRow("67 refused") << code << "" << R"({"status":4001,"msg":"用户不存在"})" << false
                                << "tip[error]=用户不存在 refreshCode";
    QTest::newRow("67 6634 outside vesk") << code << "" << lockText << false
                                          << "tip[error]=已连续输错信息5次，请1分钟 0秒后重试 refreshCode";
    QTest::newRow("67 6634 vesk") << code << kVeskKylin << lockText << false
                                  << "tip[error]=已连续输错信息5次，请1分钟 0秒后重试 startLock refreshCode";

    QTest::newRow("68 exchange failed") << reset << "" << "后台通信失败" << true << "tip[error]=后台通信失败 idle";
    QTest::newRow("68 parse error") << reset << "" << "oops" << false << "tip[error]=后台数据处理异常！ idle";
    // Only the vesk editions copy the teller number and password and say the reset succeeded.
    QTest::newRow("68 done standard") << reset << "" << R"({"status":2000,"msg":"ok"})" << false
                                      << "idleCleared backToLogin";
    QTest::newRow("68 done kav") << reset << kKav << R"({"status":2000,"msg":"ok"})" << false << "idleCleared backToLogin";
    QTest::newRow("68 done rolq") << reset << "rolq" << R"({"status":2000})" << false << "idleCleared backToLogin";
    QTest::newRow("68 done vesk") << reset << kVesk << R"({"status":2000,"msg":"ok"})" << false
                                  << "stopLock copy idleCleared backToLogin loginTip[#4AB793]=重置密码成功，请重新登录";
    QTest::newRow("68 done vesk kylin") << reset << kVeskKylin << R"({"status":2000})" << false
                                        << "stopLock copy idleCleared backToLogin loginTip[#4AB793]=重置密码成功，请重新登录";
    QTest::newRow("68 refused") << reset << "" << R"({"status":4003,"msg":"验证码错误"})" << false
                                << "tip[error]=验证码错误 idle";
    QTest::newRow("68 refused without msg") << reset << "" << R"({"status":4003})" << false << "tip[error]=未知错误 idle";
    QTest::newRow("68 6634 outside vesk") << reset << "" << lockText << false
                                          << "tip[error]=已连续输错信息5次，请1分钟 0秒后重试 idle";
    QTest::newRow("68 6634 vesk") << reset << kVesk << lockText << false
                                  << "tip[error]=已连续输错信息5次，请1分钟 0秒后重试 startLock idle";
}

void TestLoginResultRules::reset()
{
    QFETCH(int, req);
    QFETCH(QString, project);
    QFETCH(QString, text);
    QFETCH(bool, isMsgError);
    QFETCH(QString, action);
    QCOMPARE(describe(LoginResultRules::decideReset(ClientReq(req), text, isMsgError, corvis::Edition::fromProject(project))),
             action);
}

QTEST_GUILESS_MAIN(TestLoginResultRules)
#include "tst_loginresultrules.moc"
