// Secret values in replies, pushes, parameters and commands never reach a log line; hostile
// control characters never forge one; the rest of the text does reach it.

#include "corviscommon/secretmask.h"

#include <QtTest>

class TestSecretMask : public QObject
{
    Q_OBJECT

private slots:
    void mask_data();
    void mask();
    void secretName_data();
    void secretName();
    void fields_data();
    void fields();
    void logSafe_data();
    void logSafe();
    void longText();
    void headerHelpers();
};

void TestSecretMask::mask_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("masked");

    // JSON members.
    QTest::newRow("qr heartbeat") << QStringLiteral(R"({"status":2002,"msg":"ok","data":{"username":"zhang","authcode":"938211","sessionid":"a\"b"}})")
                                  << QStringLiteral(R"({"status":2002,"msg":"ok","data":{"username":"zhang","authcode":"***","sessionid":"***"}})");
    QTest::newRow("spaced and cased") << QStringLiteral(R"({ "Password" : "p@ss;word", "code": 2000 })")
                                      << QStringLiteral(R"({ "Password" : "***", "code": 2000 })");
    QTest::newRow("status code kept") << QStringLiteral(R"({"code":"2000","token":"abc"})")
                                      << QStringLiteral(R"({"code":"2000","token":"***"})");
    QTest::newRow("names holding a secret word")
        << QStringLiteral(R"({"accessToken":"a1","userPwd":"p1","loginPwd":"p2","ssoToken":"s1","sessionId":"s2","ticket":"t"})")
        << QStringLiteral(R"({"accessToken":"***","userPwd":"***","loginPwd":"***","ssoToken":"***","sessionId":"***","ticket":"***"})");
    QTest::newRow("numbers masked too") << QStringLiteral(R"({"pin":123456,"count":3})")
                                        << QStringLiteral(R"({"pin":***,"count":3})");
    QTest::newRow("pin words and look-alikes")
        << QStringLiteral(R"({"userPin":"1","pin_code":"2","PINCode":"3","spinner":"4","pinyin":"5","mapping":"6"})")
        << QStringLiteral(R"({"userPin":"***","pin_code":"***","PINCode":"***","spinner":"4","pinyin":"5","mapping":"6"})");
    QTest::newRow("unterminated at the end") << QStringLiteral(R"({"password":"abc)")
                                             << QStringLiteral(R"({"password":"***")");
    // JSON nested as an escaped string inside JSON.
    QTest::newRow("escaped nested json")
        << QStringLiteral(R"({"data":"{\"password\":\"pa\\\"ss\",\"name\":\"li\",\"sessionId\":\"x1\"}"})")
        << QStringLiteral(R"({"data":"{\"password\":\"***\",\"name\":\"li\",\"sessionId\":\"***\"}"})");
    QTest::newRow("twice nested")
        << QStringLiteral(R"({"a":"{\"b\":\"{\\\"token\\\":\\\"t9\\\"}\"}"})")
        << QStringLiteral(R"({"a":"{\"b\":\"{\\\"token\\\":\\\"***\\\"}\"}"})");
    // URL and form parameters, key=value and key: value.
    QTest::newRow("url parameters") << QStringLiteral("browser 'https://h/a?sso_token=XYZ&x=1&ticket=T2' &")
                                    << QStringLiteral("browser 'https://h/a?sso_token=***&x=1&ticket=***' &");
    QTest::newRow("form body") << QStringLiteral("access_token=s-1&uname=li&appid=7")
                               << QStringLiteral("access_token=***&uname=li&appid=7");
    QTest::newRow("key: value") << QStringLiteral("token: abc, user: li; pwd = 'a b' spinner=3")
                                << QStringLiteral("token: ***, user: li; pwd = '***' spinner=3");
    QTest::newRow("url with a port kept") << QStringLiteral("https://10.0.0.1:443/Mervasso/auth/ssoAuth.json")
                                          << QStringLiteral("https://10.0.0.1:443/Mervasso/auth/ssoAuth.json");
    // Authorizations.
    QTest::newRow("bearer") << QStringLiteral("Authorization: Bearer eyJhbGciOi.J9x-_/+=")
                            << QStringLiteral("Authorization: Bearer ***");
    QTest::newRow("basic") << QStringLiteral("header basic dXNlcjpwYXNz end")
                           << QStringLiteral("header basic *** end");
    QTest::newRow("raw authorization header") << QStringLiteral("Authorization: 9f86d081884c7d65")
                                              << QStringLiteral("Authorization: ***");
    // Mobile numbers as the screen shows them.
    QTest::newRow("phone") << QStringLiteral("验证码已发送至13812345678，请查收")
                           << QStringLiteral("验证码已发送至138****5678，请查收");
    QTest::newRow("longer numbers kept") << QStringLiteral("ts 1700000000000 id 213812345678")
                                         << QStringLiteral("ts 1700000000000 id 213812345678");
    QTest::newRow("nothing secret") << QStringLiteral("安全工作台启动异常，请重启电脑后重试！")
                                    << QStringLiteral("安全工作台启动异常，请重启电脑后重试！");
    QTest::newRow("empty") << QString() << QString();
}

void TestSecretMask::mask()
{
    QFETCH(QString, text);
    QFETCH(QString, masked);
    QCOMPARE(corvis::maskSecrets(text), masked);
    // Masking a masked text changes nothing.
    QCOMPARE(corvis::maskSecrets(masked), masked);
}

void TestSecretMask::secretName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("secret");

    for (const char* name : {"password", "Passwd", "oldPwd", "new_password", "sso_token", "refreshToken", "JSESSIONID",
                             "ticket", "authCode", "auth_code", "smsCode", "verify-code", "clientSecret", "Cookie",
                             "Authorization", "pin", "PIN", "ukeyPin", "pin_code", "PINCode", "pin2"}) {
        QTest::newRow(name) << QString::fromLatin1(name) << true;
    }
    for (const char* name : {"code", "status", "spinner", "pinyin", "pinned", "mapping", "username", "phoneFormat",
                             "msg", "shipping", "opinion"}) {
        QTest::newRow(name) << QString::fromLatin1(name) << false;
    }
}

void TestSecretMask::secretName()
{
    QFETCH(QString, name);
    QFETCH(bool, secret);
    QCOMPARE(corvis::isSecretName(name), secret);
}

void TestSecretMask::fields_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QList<int>>("positions");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("masked");

    QTest::newRow("account login") << "li\nKq9z!mA2\n1700000000000\n8841" << QList<int>{1, 3} << "\n"
                                   << "li\n***\n1700000000000\n***";
    QTest::newRow("empty field stays empty") << "li\n\n1\n" << QList<int>{1, 3} << "\n" << "li\n\n1\n";
    QTest::newRow("position past the end") << "123456" << QList<int>{0, 4} << "\n" << "***";
    QTest::newRow("ampersand") << "654321&13812345678" << QList<int>{0} << "&" << "***&13812345678";
}

void TestSecretMask::fields()
{
    QFETCH(QString, body);
    QFETCH(QList<int>, positions);
    QFETCH(QString, separator);
    QFETCH(QString, masked);
    QCOMPARE(corvis::maskFields(body, positions, separator.at(0)), masked);
}

void TestSecretMask::logSafe_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("logged");

    QTest::newRow("forged line") << QStringLiteral("ok\nI0101 00:00:00 forged line")
                                 << QStringLiteral("ok\\nI0101 00:00:00 forged line");
    QTest::newRow("cr esc and other c0")
        << QStringLiteral("a\rb") + QChar(0x1b) + QStringLiteral("[31mc") + QChar(0x07) + QChar(0x7f)
        << QStringLiteral("a\\rb\\x1b[31mc\\x07\\x7f");
    QTest::newRow("tab and separators") << QStringLiteral("a\tb") + QChar(0x2028) + QStringLiteral("c")
                                        << QStringLiteral("a\\tb\\u2028c");
    QTest::newRow("pushed credentials")
        << QStringLiteral("{\"password\":\"x\",\n\"sessionId\":\"y\"}") << QStringLiteral("{\"password\":\"***\",\\n\"sessionId\":\"***\"}");
    QTest::newRow("chinese kept") << QStringLiteral("重置密码成功，请重新登录") << QStringLiteral("重置密码成功，请重新登录");
}

void TestSecretMask::logSafe()
{
    QFETCH(QString, text);
    QFETCH(QString, logged);
    QCOMPARE(corvis::logSafe(text), logged);
    QCOMPARE(QString::fromStdString(corvis::logSafe(text.toUtf8().toStdString())), logged);
}

void TestSecretMask::longText()
{
    // A long reply is cut and its length noted; a secret before the cut is still masked.
    const QString text = QStringLiteral("{\"token\":\"abc\",\"list\":\"") + QString(100000, QLatin1Char('x')) +
                         QStringLiteral("\"}");
    const QString logged = corvis::logSafe(text);
    QVERIFY(logged.startsWith(QStringLiteral("{\"token\":\"***\",\"list\":\"xxx")));
    QVERIFY(!logged.contains(QStringLiteral("abc")));
    QVERIFY(logged.size() < corvis::kLogTextLimit + 64);
    QVERIFY(logged.endsWith(QStringLiteral(" ...[cut, %1 characters in all]").arg(text.size())));

    // At the limit nothing is cut.
    const QString exact(corvis::kLogTextLimit, QLatin1Char('a'));
    QCOMPARE(corvis::logSafe(exact), exact);
}

void TestSecretMask::headerHelpers()
{
    QCOMPARE(corvis::maskedSecret("s-1"), std::string("***"));
    QCOMPARE(corvis::maskedSecret(""), std::string());
    QCOMPARE(corvis::withoutSecret("sessionid=s-1&x=s-1", "s-1"), std::string("sessionid=***&x=***"));
    QCOMPARE(corvis::maskedCookie("corvis_sessionid=s-1; lang=zh"), std::string("corvis_sessionid=***; lang=***"));
}

QTEST_GUILESS_MAIN(TestSecretMask)
#include "tst_secretmask.moc"
