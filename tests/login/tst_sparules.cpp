// The SPA page's rules without widgets: the input checks and the body of request 37 for every
// page and tab, fields that could break the body, the reset form's checks and bodies, the answer
// of the reset commit, the start page, the titles by edition and what a pushed outcome means.

#include "login/sparules.h"

#include <QtTest>

using corvis::Edition;
using Field = SpaRules::Field;

Q_DECLARE_METATYPE(SpaRules::Field)
Q_DECLARE_METATYPE(SpaRules::TrayOutcome)
Q_DECLARE_METATYPE(SpaRules::ResetStep)

class TestSpaRules : public QObject
{
    Q_OBJECT

private slots:
    void knock_data();
    void knock();
    void resetCheck_data();
    void resetCheck();
    void resetBodies();
    void commitOutcome_data();
    void commitOutcome();
    void startPage_data();
    void startPage();
    void titles_data();
    void titles();
    void editionTexts_data();
    void editionTexts();
    void trayOutcome_data();
    void trayOutcome();
    void failedResetStep_data();
    void failedResetStep();
};

namespace {

const QString kControl = QStringLiteral("输入内容不能包含换行符或控制字符，请重新输入！");
const QString kTooLong = QStringLiteral("输入内容过长，请重新输入！");

}  // namespace

void TestSpaRules::knock_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("account");   // account page, or OAuth account tab
    QTest::addColumn<QString>("password");  // likewise
    QTest::addColumn<QString>("mobile");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("known");
    QTest::addColumn<QString>("hint");  // empty: sent
    QTest::addColumn<Field>("focus");
    QTest::addColumn<QStringList>("fields");

    const QStringList none;
    // Account page: mode 0.
    QTest::newRow("account empty, password filled") << 0 << 0 << "" << "pw" << "" << "" << true << "账号不能为空" << Field::Account << none;
    QTest::newRow("password empty") << 0 << 0 << "alice" << "" << "" << "" << true << "密码不能为空" << Field::Password << none;
    QTest::newRow("account page") << 0 << 0 << "alice" << "Corvis@2024" << "" << "old" << true << "" << Field::None
                                  << QStringList{"0", "alice", "Corvis@2024"};
    QTest::newRow("blank password is a password") << 0 << 0 << "alice" << " " << "" << "" << true << "" << Field::None
                                                  << QStringList{"0", "alice", " "};
    // SIM page: mode 2 with the stored password.
    QTest::newRow("sim empty") << 2 << 0 << "" << "" << "" << "" << true << "手机号码不能为空" << Field::Mobile << none;
    QTest::newRow("sim") << 2 << 0 << "" << "" << "13800000000" << "" << true << "" << Field::None
                         << QStringList{"2", "13800000000", ""};
    QTest::newRow("sim with a stored password") << 2 << 0 << "" << "" << "13800000000" << "kept" << true << "" << Field::None
                                                << QStringList{"2", "13800000000", "kept"};
    // OAuth page: QR-code tabs need no input (mode 1, provider 1 or 2), the account tab is mode 0.
    QTest::newRow("first QR code") << 1 << 0 << "" << "" << "" << "" << true << "" << Field::None << QStringList{"1", "1", ""};
    QTest::newRow("wechat QR code") << 1 << 1 << "" << "" << "" << "kept" << true << "" << Field::None
                                    << QStringList{"1", "2", "kept"};
    QTest::newRow("oauth account empty") << 1 << 2 << "" << "pw" << "" << "" << true << "手机号码不能为空" << Field::OauthAccount
                                         << none;
    QTest::newRow("oauth password empty") << 1 << 2 << "13900000000" << "" << "" << "" << true << "密码不能为空"
                                          << Field::OauthPassword << none;
    QTest::newRow("oauth account") << 1 << 2 << "13900000000" << "pw" << "" << "" << true << "" << Field::None
                                   << QStringList{"0", "13900000000", "pw"};
    // No login button there.
    QTest::newRow("reset tab") << 1 << 3 << "" << "" << "" << "" << false << "" << Field::None << none;
    QTest::newRow("unknown page") << 5 << 0 << "alice" << "pw" << "" << "" << false << "" << Field::None << none;

    // A separator or another control character inside a field would change the body's fields.
    QTest::newRow("line feed in the account") << 0 << 0 << "alice\n1" << "pw" << "" << "" << true << kControl << Field::Account
                                              << none;
    QTest::newRow("line feed in the password") << 0 << 0 << "alice" << "p\nw" << "" << "" << true << kControl
                                               << Field::Password << none;
    QTest::newRow("carriage return") << 0 << 0 << "alice" << "p\rw" << "" << "" << true << kControl << Field::Password << none;
    QTest::newRow("NUL would end the body") << 0 << 0 << "alice" << QString::fromUtf16(u"p\u0000w", 3) << "" << ""
                                            << true << kControl << Field::Password << none;
    QTest::newRow("line separator") << 1 << 2 << QString::fromUtf16(u"139\u2028") << "pw" << "" << "" << true << kControl
                                    << Field::OauthAccount << none;
    QTest::newRow("line feed in the mobile number") << 2 << 0 << "" << "" << "138\n1" << "" << true << kControl
                                                    << Field::Mobile << none;
    QTest::newRow("empty is told before a control character") << 0 << 0 << "" << "p\nw" << "" << "" << true
                                                              << "账号不能为空" << Field::Account << none;
    // A stored password that could not travel is not sent.
    QTest::newRow("unsafe stored password") << 1 << 0 << "" << "" << "" << "a\nb" << true << "" << Field::None
                                            << QStringList{"1", "1", ""};

    // Long fields stay whole; a body the request buffer cannot hold is refused rather than cut.
    const QString tenThousand(10000, QLatin1Char('a'));
    const QString tenThousandCjk(10000, QChar(0x8d26));
    QTest::newRow("10000 characters") << 0 << 0 << tenThousand << tenThousand << "" << "" << true << "" << Field::None
                                      << QStringList{"0", tenThousand, tenThousand};
    QTest::newRow("10000 Chinese characters") << 0 << 0 << tenThousandCjk << tenThousandCjk << "" << "" << true << ""
                                              << Field::None << QStringList{"0", tenThousandCjk, tenThousandCjk};
    QTest::newRow("too long for the request") << 0 << 0 << QString(40000, QLatin1Char('a')) << tenThousandCjk << "" << ""
                                              << true << kTooLong << Field::Account << none;
}

void TestSpaRules::knock()
{
    QFETCH(int, page);
    QFETCH(int, tab);
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(QString, mobile);
    QFETCH(QString, stored);
    QFETCH(bool, known);
    QFETCH(QString, hint);
    QFETCH(Field, focus);
    QFETCH(QStringList, fields);

    SpaRules::Input input;
    input.page = page;
    input.tab = tab;
    if (page == SpaRules::PageOauth) {
        input.oauthAccount = account;
        input.oauthPassword = password;
    } else {
        input.account = account;
        input.password = password;
    }
    input.mobile = mobile;
    input.storedPassword = stored;
    const SpaRules::Knock knock = SpaRules::knock(input);
    QCOMPARE(knock.known, known);
    if (!known) {
        QVERIFY(!knock.valid);
        return;
    }
    QCOMPARE(knock.hint, hint);
    QCOMPARE(knock.focus, focus);
    QCOMPARE(knock.valid, hint.isEmpty());
    if (!knock.valid) {
        return;
    }
    // The body is exactly three fields, whatever they hold.
    QCOMPARE(knock.body().split(QLatin1Char('\n')), fields);
    QVERIFY(knock.body().toUtf8().size() <= 64500);
    // The credentials kept for the outcome: what the body carries.
    QCOMPARE(knock.password, fields.at(2));
}

void TestSpaRules::resetCheck_data()
{
    QTest::addColumn<QStringList>("form");  // user, mobile, password, repeated, code
    QTest::addColumn<bool>("commit");
    QTest::addColumn<QString>("hint");  // empty: passes
    QTest::addColumn<Field>("focus");

    const QStringList full{"zhang", "13800000000", "Kq9z!mA2", "Kq9z!mA2", "123456"};
    const auto with = [&full](int index, const QString& value) {
        QStringList form = full;
        form[index] = value;
        return form;
    };
    for (bool commit : {false, true}) {
        const char* step = commit ? "commit" : "code";
        QTest::addRow("%s: user empty", step) << with(0, "") << commit << "用户名不能为空，请重新输入！" << Field::ResetUser;
        QTest::addRow("%s: mobile empty", step) << with(1, "") << commit << "手机号不能为空，请重新输入！" << Field::ResetMobile;
        QTest::addRow("%s: password empty", step) << with(2, "") << commit << "密码不能为空，请重新输入！"
                                                  << Field::ResetPassword;
        QTest::addRow("%s: repetition empty", step) << with(3, "") << commit << "请再次输入密码！" << Field::ResetRepeated;
        QTest::addRow("%s: passwords differ", step) << with(3, "Kq9z!mA3") << commit << "两次密码输入不一致，请重新输入！"
                                                    << Field::ResetRepeated;
        QTest::addRow("%s: line feed in the user name", step) << with(0, "zh\nang") << commit << kControl << Field::ResetUser;
        QStringList both = with(3, "Kq9z\n!mA2");
        both[2] = both.at(3);
        QTest::addRow("%s: line feed in both passwords", step) << both << commit << kControl << Field::ResetPassword;
        QTest::addRow("%s: complete", step) << full << commit << "" << Field::None;
    }
    QTest::newRow("code step: no code needed") << with(4, "") << false << "" << Field::None;
    QTest::newRow("commit: code empty") << with(4, "") << true << "验证码不能为空，请重新输入！" << Field::ResetCode;
    QTest::newRow("commit: line feed in the code") << with(4, "12\n34") << true << kControl << Field::ResetCode;
    QTest::newRow("commit: too long") << with(0, QString(70000, QLatin1Char('u'))) << true << kTooLong << Field::ResetUser;
}

void TestSpaRules::resetCheck()
{
    QFETCH(QStringList, form);
    QFETCH(bool, commit);
    QFETCH(QString, hint);
    QFETCH(Field, focus);
    const SpaRules::Check check =
        SpaRules::resetCheck(SpaRules::ResetInput{form.at(0), form.at(1), form.at(2), form.at(3), form.at(4)}, commit);
    QCOMPARE(check.ok, hint.isEmpty());
    QCOMPARE(check.hint, hint);
    QCOMPARE(check.focus, focus);
}

void TestSpaRules::resetBodies()
{
    const SpaRules::ResetInput input{"zhang", "13800000000", "Kq9z!mA2", "Kq9z!mA2", "123456"};
    QCOMPARE(SpaRules::resetAuthCodeBody(input), QStringLiteral("zhang\n13800000000"));
    QCOMPARE(SpaRules::resetCommitBody(input), QStringLiteral("zhang\n13800000000\nKq9z!mA2\n123456"));
    QCOMPARE(SpaRules::resetStepBody(false), QStringLiteral("3\nSENDSMS\n"));
    QCOMPARE(SpaRules::resetStepBody(true), QStringLiteral("3\nUPDATEPWD\n"));
}

void TestSpaRules::commitOutcome_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("shown");
    QTest::newRow("refused") << "验证码错误" << true << false << "验证码错误";
    QTest::newRow("refused without a text") << "" << true << false << "重置密码失败，请稍后重试！";
    QTest::newRow("status 2000") << R"({"status":2000,"msg":"修改成功"})" << false << true << "修改成功";
    // A status document that says no is no success, whatever the exchange said.
    QTest::newRow("status 6634") << R"({"status":6634,"msg":"已连续输错信息3次"})" << false << false << "已连续输错信息3次";
    QTest::newRow("status without msg") << R"({"status":1})" << false << false << "未知错误";
    QTest::newRow("plain answer") << "ok" << false << true << "ok";
    QTest::newRow("empty answer") << "" << false << true << "";
    QTest::newRow("JSON without status") << R"({"msg":"x"})" << false << true << R"({"msg":"x"})";
}

void TestSpaRules::commitOutcome()
{
    QFETCH(QString, text);
    QFETCH(bool, failed);
    QFETCH(bool, ok);
    QFETCH(QString, shown);
    const SpaRules::CommitOutcome outcome = SpaRules::commitOutcome(text, failed);
    QCOMPARE(outcome.ok, ok);
    QCOMPARE(outcome.text, shown);
}

void TestSpaRules::startPage_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("sim");
    QTest::addColumn<bool>("oauth");
    QTest::addColumn<int>("page");
    for (int type : {0, 1, 2, 3}) {
        for (int sim : {0, 1, 2}) {
            QTest::addRow("type %d, sim %d", type, sim) << QString() << type << sim << false << (type == 2 && sim == 1 ? 2 : 0);
        }
    }
    QTest::newRow("oauth") << QString() << 0 << 0 << true << 1;
    QTest::newRow("SIM before oauth") << QString() << 2 << 1 << true << 2;
    QTest::newRow("brastel always oauth") << "brastel-ztna" << 2 << 1 << false << 1;
    QTest::newRow("kav SIM") << "kav" << 2 << 1 << false << 2;
    QTest::newRow("rolq account") << "rolq" << 1 << 1 << false << 0;
}

void TestSpaRules::startPage()
{
    QFETCH(QString, project);
    QFETCH(int, type);
    QFETCH(int, sim);
    QFETCH(bool, oauth);
    QFETCH(int, page);
    QCOMPARE(SpaRules::startPage(Edition::fromProject(project), type, sim, oauth), page);
}

void TestSpaRules::titles_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("logo");
    QTest::addColumn<QString>("mode");
    QTest::newRow("account") << QString() << 0 << "预认证" << false << "SIM认证";
    QTest::newRow("SIM") << QString() << 2 << "SIM认证" << false << "预认证";
    QTest::newRow("kav account: the logo") << "kav" << 0 << "预认证" << true << "SIM认证";
    QTest::newRow("kav SIM") << "kav" << 2 << "SIM认证" << false << "预认证";
    QTest::newRow("rolq account") << "rolq" << 0 << "预认证" << false << "SIM登录";
    QTest::newRow("rolq SIM") << "rolq" << 2 << "SIM登录" << false << "账号登录";
    QTest::newRow("oauth") << QString() << 1 << "预认证" << false << "SIM认证";
}

void TestSpaRules::titles()
{
    QFETCH(QString, project);
    QFETCH(int, page);
    QFETCH(QString, title);
    QFETCH(bool, logo);
    QFETCH(QString, mode);
    const SpaRules::Titles titles = SpaRules::titles(Edition::fromProject(project), page);
    QCOMPARE(titles.title, title);
    QCOMPARE(titles.logo, logo);
    QCOMPARE(titles.modeButton, mode);
}

void TestSpaRules::editionTexts_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<QString>("retry");
    QTest::addColumn<bool>("keeps");
    QTest::newRow("standard") << QString() << "登  录" << false;
    QTest::newRow("velmora") << "velmora" << "再次尝试" << true;
    QTest::newRow("tirrowa") << "tirrowa-uos-x86" << "再次尝试" << true;
    QTest::newRow("kav") << "kav" << "登  录" << false;
}

void TestSpaRules::editionTexts()
{
    QFETCH(QString, project);
    QFETCH(QString, retry);
    QFETCH(bool, keeps);
    QCOMPARE(SpaRules::retryText(Edition::fromProject(project)), retry);
    QCOMPARE(SpaRules::keepsConfiguredAccount(Edition::fromProject(project)), keeps);
}

void TestSpaRules::trayOutcome_data()
{
    using O = SpaRules::TrayOutcome;
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("resetPage");
    QTest::addColumn<O>("outcome");
    for (bool reset : {false, true}) {
        const char* where = reset ? "reset tab" : "elsewhere";
        QTest::addRow("empty, %s", where) << "" << reset << O::Success;
        QTest::addRow("OPEN1443, %s", where) << "OPEN1443" << reset << O::Success;
        QTest::addRow("other text, %s", where) << "网关拒绝" << reset << O::Failure;
    }
    QTest::newRow("OPEN1443 with more is a failure") << "OPEN1443 timeout" << false << O::Failure;
    QTest::newRow("authorized outside the reset tab") << "YZY_ONLYAUTH_SUCCESS SENDSMS" << false << O::Ignore;
    QTest::newRow("authorized for the code") << "YZY_ONLYAUTH_SUCCESS SENDSMS" << true << O::ContinueAuthCode;
    QTest::newRow("authorized for the commit") << "YZY_ONLYAUTH_SUCCESS UPDATEPWD" << true << O::ContinueCommit;
    QTest::newRow("authorized without a step") << "YZY_ONLYAUTH_SUCCESS" << true << O::ContinueCommit;
    QTest::newRow("refused outside the reset tab") << "YZY_ONLYAUTH_FAIL" << false << O::Ignore;
    QTest::newRow("refused on the reset tab") << "YZY_ONLYAUTH_FAIL SENDSMS" << true << O::Failure;
}

void TestSpaRules::trayOutcome()
{
    QFETCH(QString, text);
    QFETCH(bool, resetPage);
    QFETCH(SpaRules::TrayOutcome, outcome);
    QCOMPARE(SpaRules::trayOutcome(text, resetPage), outcome);
}

void TestSpaRules::failedResetStep_data()
{
    using S = SpaRules::ResetStep;
    QTest::addColumn<QString>("msg");
    QTest::addColumn<S>("pending");
    QTest::addColumn<S>("step");
    QTest::newRow("SENDSMS named") << "YZY_ONLYAUTH_FAIL SENDSMS" << S::Commit << S::AuthCode;
    QTest::newRow("UPDATEPWD named") << "YZY_ONLYAUTH_FAIL UPDATEPWD" << S::AuthCode << S::Commit;
    QTest::newRow("no answer during the code step") << "后台通信失败" << S::AuthCode << S::AuthCode;
    QTest::newRow("no answer during the commit") << "后台通信失败" << S::Commit << S::Commit;
    QTest::newRow("nothing under way") << "YZY_ONLYAUTH_FAIL" << S::None << S::Commit;
}

void TestSpaRules::failedResetStep()
{
    QFETCH(QString, msg);
    QFETCH(SpaRules::ResetStep, pending);
    QFETCH(SpaRules::ResetStep, step);
    QCOMPARE(SpaRules::failedResetStep(msg, pending), step);
}

QTEST_APPLESS_MAIN(TestSpaRules)
#include "tst_sparules.moc"
