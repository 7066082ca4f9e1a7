// Masking of the remembered account and phone, and the value sent for what the field shows.

#include "corviscommon/edition.h"
#include "login/accountmask.h"
#include "support/logcapture.h"

#include <QtTest>

namespace {

corvis::Edition edition(bool vesk)
{
    return vesk ? corvis::Edition(corvis::Edition::Id::VeskUos) : corvis::Edition();
}

}  // namespace

class TestAccountMask : public QObject
{
    Q_OBJECT

private slots:
    void masking_data();
    void masking();
    void otherType();
    void realValue_data();
    void realValue();
};

void TestAccountMask::masking_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("vesk");
    QTest::addColumn<QString>("masked");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("account vesk") << "13812345678" << int(PageLoginAccount) << true << "138****5678" << "";
    QTest::newRow("account other") << "13812345678" << int(PageLoginAccount) << false << "1381****678" << "";
    QTest::newRow("phone vesk") << "13812345678" << int(PageLoginPhone) << true << "138****5678" << "";
    QTest::newRow("phone other") << "13812345678" << int(PageLoginPhone) << false << "138****5678" << "";
    QTest::newRow("account 10") << "1381234567" << int(PageLoginAccount) << false << ""
                                << "account error, length is 10";
    QTest::newRow("account 12") << "138123456789" << int(PageLoginAccount) << true << ""
                                << "account error, length is 12";
    QTest::newRow("phone 10") << "1381234567" << int(PageLoginPhone) << false << "" << "phone error, length is 10";
    QTest::newRow("phone empty") << "" << int(PageLoginPhone) << false << "" << "phone error, length is 0";
}

void TestAccountMask::masking()
{
    QFETCH(QString, value);
    QFETCH(int, type);
    QFETCH(bool, vesk);
    QFETCH(QString, masked);
    QFETCH(QString, logLine);
    LogCapture log;
    QCOMPARE(AccountMask::encryptLastAccount(value, PageLoginType(type), edition(vesk)), masked);
    if (!logLine.isEmpty()) {
        QVERIFY2(log.contains(logLine), qPrintable(log.text()));
    }
}

void TestAccountMask::otherType()
{
    LogCapture log;
    QCOMPARE(AccountMask::encryptLastAccount("13812345678", PageLoginQrcode, corvis::Edition()), QString());
    QVERIFY(log.contains("error loginType: 2"));
}

void TestAccountMask::realValue_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("vesk");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<bool>("broken");
    QTest::newRow("masked account other") << "zhan****567" << "zhangsan567" << int(PageLoginAccount) << false
                                          << "zhangsan567" << false;
    QTest::newRow("masked account vesk") << "zha****n567" << "zhangsan567" << int(PageLoginAccount) << true
                                         << "zhangsan567" << false;
    QTest::newRow("masked phone") << "138****5678" << "13812345678" << int(PageLoginPhone) << false << "13812345678"
                                  << false;
    QTest::newRow("typed value") << "lisi" << "zhangsan567" << int(PageLoginAccount) << false << "lisi" << false;
    QTest::newRow("stars elsewhere sent as typed") << "z****gsan56" << "zhangsan567" << int(PageLoginAccount)
                                                   << false << "z****gsan56" << false;
    QTest::newRow("stars at the mask, other value") << "wang****567" << "zhangsan567" << int(PageLoginAccount)
                                                    << false << "wang****567" << true;
    QTest::newRow("vesk mask position of other edition") << "zhan****567" << "zhangsan567" << int(PageLoginAccount)
                                                         << true << "zhan****567" << false;
    QTest::newRow("phone edited around the mask") << "139****5678" << "13812345678" << int(PageLoginPhone) << false
                                                  << "139****5678" << true;
    QTest::newRow("nothing remembered") << "zhan****567" << "" << int(PageLoginAccount) << false << "zhan****567"
                                        << false;
    QTest::newRow("remembered of 12") << "zhan****5678" << "zhangsan5678" << int(PageLoginAccount) << false
                                      << "zhan****5678" << false;
}

void TestAccountMask::realValue()
{
    QFETCH(QString, field);
    QFETCH(QString, remembered);
    QFETCH(int, type);
    QFETCH(bool, vesk);
    QFETCH(QString, sent);
    QFETCH(bool, broken);
    QCOMPARE(AccountMask::realValue(field, remembered, PageLoginType(type), edition(vesk)), sent);
    QCOMPARE(AccountMask::isBrokenMask(field, remembered, PageLoginType(type), edition(vesk)), broken);
}

QTEST_GUILESS_MAIN(TestAccountMask)
#include "tst_accountmask.moc"
