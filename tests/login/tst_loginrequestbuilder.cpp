// The bodies of the login dialog's requests: one row per body of the login and code requests by
// page, step, SMS mode, code type and edition, and the reset page's two requests.

#include "corviscommon/edition.h"
#include "login/loginrequestbuilder.h"

#include <QtTest>

namespace {

const QString kVesk = QStringLiteral("vesk-uos-4.19.71");

LoginRequestBuilder::Fields fields(bool bind, bool reminder)
{
    LoginRequestBuilder::Fields f;
    f.account = QStringLiteral("zs01");
    f.password = QStringLiteral("Kq9z!mA2");
    f.epoch = QStringLiteral("1700000000000");
    f.code = QStringLiteral("556677");
    f.bind = bind;
    f.reminderAccepted = reminder;
    return f;
}

}  // namespace

class TestLoginRequestBuilder : public QObject
{
    Q_OBJECT

private slots:
    void login_data();
    void login();
    void codeRequest_data();
    void codeRequest();
    void stopsLoginLock_data();
    void stopsLoginLock();
    void resetBodies();
    void emptyFieldsKeepTheirPlace();
};

void TestLoginRequestBuilder::login_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("authMode");
    QTest::addColumn<QString>("project");
    QTest::addColumn<bool>("bind");
    QTest::addColumn<bool>("reminder");
    QTest::addColumn<int>("req");  // -1: nothing is sent
    QTest::addColumn<QString>("body");
    const int account = PageLoginAccount;
    const int phone = PageLoginPhone;
    QTest::newRow("76 standard") << account << 1 << 0 << "" << false << false << int(CReqClientLogin76)
                                 << "zs01\nKq9z!mA2\n1700000000000\n556677";
    QTest::newRow("76 ignores the step") << account << 2 << 1 << "kav" << true << true << int(CReqClientLogin76)
                                         << "zs01\nKq9z!mA2\n1700000000000\n556677";
    QTest::newRow("80 sms mode sends the code alone") << account << 1 << 2 << "" << false << false
                                                      << int(CReqClientLogin80) << "556677";
    QTest::newRow("83 vesk step 1") << account << 1 << 0 << kVesk << false << false << int(CReqClientLoginAuthCode83)
                                    << "zs01\nKq9z!mA2\n1700000000000\n0";
    QTest::newRow("83 vesk step 1 after the reminder") << account << 1 << 2 << kVesk << false << true
                                                       << int(CReqClientLoginAuthCode83)
                                                       << "zs01\nKq9z!mA2\n1700000000000\n1";
    QTest::newRow("85 vesk step 2 bound") << account << 2 << 0 << "vesk-kylin-5.4.18-32" << true << false
                                          << int(CReqClientLogin85) << "zs01\nKq9z!mA2\n1700000000000\n556677\n01\n0";
    QTest::newRow("85 vesk step 2 unbound") << account << 2 << 0 << kVesk << false << false << int(CReqClientLogin85)
                                            << "zs01\nKq9z!mA2\n1700000000000\n556677\n02\n0";
    QTest::newRow("vesk other step sends nothing") << account << 3 << 0 << kVesk << false << false << -1 << "";
    QTest::newRow("84 phone step 1") << phone << 1 << 0 << "" << false << false << int(CReqClientLoginAuthCode84)
                                     << "zs01\nKq9z!mA2\n1700000000000\nphone\n0";
    QTest::newRow("84 phone step 1 vesk, reminder") << phone << 1 << 2 << kVesk << true << true
                                                    << int(CReqClientLoginAuthCode84)
                                                    << "zs01\nKq9z!mA2\n1700000000000\nphone\n1";
    QTest::newRow("86 phone step 2") << phone << 2 << 0 << "" << true << false << int(CReqClientLogin86)
                                     << "zs01\nKq9z!mA2\n1700000000000\nphone\n556677\n01\n0";
    QTest::newRow("phone other step sends nothing") << phone << 0 << 0 << "" << false << false << -1 << "";
    QTest::newRow("qr page sends nothing") << int(PageLoginQrcode) << 1 << 0 << "" << false << false << -1 << "";
    QTest::newRow("cert page sends nothing") << int(PageLoginCert) << 1 << 0 << kVesk << false << false << -1 << "";
}

void TestLoginRequestBuilder::login()
{
    QFETCH(int, type);
    QFETCH(int, step);
    QFETCH(int, authMode);
    QFETCH(QString, project);
    QFETCH(bool, bind);
    QFETCH(bool, reminder);
    QFETCH(int, req);
    QFETCH(QString, body);
    const std::optional<LoginRequest> request = LoginRequestBuilder::login(
        PageLoginType(type), step, authMode, corvis::Edition::fromProject(project), fields(bind, reminder));
    QCOMPARE(request.has_value(), req >= 0);
    if (request) {
        QCOMPARE(int(request->req), req);
        QCOMPARE(request->body, body);
    }
}

void TestLoginRequestBuilder::codeRequest_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("authMode");
    QTest::addColumn<int>("validateCodeType");
    QTest::addColumn<QString>("project");
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("body");
    const int account = PageLoginAccount;
    QTest::newRow("84 phone") << int(PageLoginPhone) << 0 << 0 << "" << int(CReqClientLoginAuthCode84)
                              << "zs01\nKq9z!mA2\n1700000000000\nphone";
    QTest::newRow("83 vesk account") << account << 2 << 2 << kVesk << int(CReqClientLoginAuthCode83)
                                     << "zs01\nKq9z!mA2\n1700000000000";
    QTest::newRow("79 sms mode empty") << account << 2 << 0 << "" << int(CReqClientAuthCode79) << "";
    QTest::newRow("79 sms mode kav") << account << 2 << 2 << "kav" << int(CReqClientAuthCode79)
                                     << "zs01\nKq9z!mA2\n1700000000000";
    QTest::newRow("77 image or sms code") << account << 0 << 2 << "" << int(CReqClientLoginPage77) << "1700000000000";
    QTest::newRow("77 after an image code") << account << 1 << 2 << "rolq" << int(CReqClientLoginPage77)
                                            << "1700000000000";
    QTest::newRow("no code") << account << 0 << 0 << "" << -1 << "";
    QTest::newRow("dynamic code from a token") << account << 0 << 1 << "" << -1 << "";
    QTest::newRow("qr page") << int(PageLoginQrcode) << 0 << 2 << "" << -1 << "";
}

void TestLoginRequestBuilder::codeRequest()
{
    QFETCH(int, type);
    QFETCH(int, authMode);
    QFETCH(int, validateCodeType);
    QFETCH(QString, project);
    QFETCH(int, req);
    QFETCH(QString, body);
    const std::optional<LoginRequest> request = LoginRequestBuilder::codeRequest(
        PageLoginType(type), authMode, validateCodeType, corvis::Edition::fromProject(project), fields(true, true));
    QCOMPARE(request.has_value(), req >= 0);
    if (request) {
        QCOMPARE(int(request->req), req);
        QCOMPARE(request->body, body);
    }
}

void TestLoginRequestBuilder::stopsLoginLock_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("project");
    QTest::addColumn<bool>("stops");
    QTest::newRow("account standard") << int(PageLoginAccount) << "" << true;
    QTest::newRow("account kav") << int(PageLoginAccount) << "kav" << true;
    QTest::newRow("account vesk") << int(PageLoginAccount) << kVesk << false;
    QTest::newRow("phone") << int(PageLoginPhone) << "" << false;
}

void TestLoginRequestBuilder::stopsLoginLock()
{
    QFETCH(int, type);
    QFETCH(QString, project);
    QFETCH(bool, stops);
    QCOMPARE(LoginRequestBuilder::stopsLoginLock(PageLoginType(type), corvis::Edition::fromProject(project)), stops);
}

void TestLoginRequestBuilder::resetBodies()
{
    const LoginRequest code = LoginRequestBuilder::resetCode("t1001", "11010519491231002X", "Kq9z!mA2", "Kq9z!mA3",
                                                             "1700000000000");
    QCOMPARE(int(code.req), int(CReqClientResetAuthCode));
    QCOMPARE(code.body, QStringLiteral("t1001\n11010519491231002X\nKq9z!mA2\nKq9z!mA3\n1700000000000"));
    const LoginRequest reset = LoginRequestBuilder::resetPassword("t1001", "11010519491231002X", "Kq9z!mA2", "Kq9z!mA2",
                                                                  "1700000000000", "123456");
    QCOMPARE(int(reset.req), int(CReqClientResetPwd));
    QCOMPARE(reset.body, QStringLiteral("t1001\n11010519491231002X\nKq9z!mA2\nKq9z!mA2\n1700000000000\n123456"));
    QCOMPARE(LoginRequestBuilder::smsInit(), (LoginRequest{CReqClientLoginResult78, QString()}));
}

void TestLoginRequestBuilder::emptyFieldsKeepTheirPlace()
{
    // An empty code still takes its line: the service reads the fields by position.
    LoginRequestBuilder::Fields f = fields(false, false);
    f.code.clear();
    const std::optional<LoginRequest> request =
        LoginRequestBuilder::login(PageLoginAccount, 1, 0, corvis::Edition(), f);
    QVERIFY(request);
    QCOMPARE(request->body, QStringLiteral("zs01\nKq9z!mA2\n1700000000000\n"));
}

QTEST_GUILESS_MAIN(TestLoginRequestBuilder)
#include "tst_loginrequestbuilder.moc"
