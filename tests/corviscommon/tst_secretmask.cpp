// Secret values in replies and commands never reach a log line; the rest of the text does.

#include "corviscommon/secretmask.h"

#include <QtTest>

class TestSecretMask : public QObject
{
    Q_OBJECT

private slots:
    void mask_data();
    void mask();
};

void TestSecretMask::mask_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("masked");

    QTest::newRow("qr heartbeat") << QStringLiteral(R"({"status":2002,"msg":"ok","data":{"username":"zhang","authcode":"938211","sessionid":"a\"b"}})")
                                  << QStringLiteral(R"({"status":2002,"msg":"ok","data":{"username":"zhang","authcode":"***","sessionid":"***"}})");
    QTest::newRow("spaced and cased") << QStringLiteral(R"({ "Password" : "p@ss;word", "code": 2000 })")
                                      << QStringLiteral(R"({ "Password" : "***", "code": 2000 })");
    QTest::newRow("status code kept") << QStringLiteral(R"({"code":"2000","token":"abc"})")
                                      << QStringLiteral(R"({"code":"2000","token":"***"})");
    QTest::newRow("url parameters") << QStringLiteral("browser 'https://h/a?sso_token=XYZ&x=1&ticket=T2' &")
                                    << QStringLiteral("browser 'https://h/a?sso_token=***&x=1&ticket=***' &");
    QTest::newRow("parameter-like word kept") << QStringLiteral("mytoken=1 notoken")
                                              << QStringLiteral("mytoken=1 notoken");
    QTest::newRow("nothing secret") << QStringLiteral("安全工作台启动异常，请重启电脑后重试！")
                                    << QStringLiteral("安全工作台启动异常，请重启电脑后重试！");
    QTest::newRow("empty") << QString() << QString();
}

void TestSecretMask::mask()
{
    QFETCH(QString, text);
    QFETCH(QString, masked);
    QCOMPARE(corvis::maskSecrets(text), masked);
}

QTEST_GUILESS_MAIN(TestSecretMask)
#include "tst_secretmask.moc"
