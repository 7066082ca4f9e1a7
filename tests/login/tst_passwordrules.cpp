// The local password rules: composition, sequences, repetitions and the weak-password list.

#include "login/passwordrules.h"
#include "support/logcapture.h"
#include "support/testprefix.h"

#include <QtTest>

class TestPasswordRules : public QObject
{
    Q_OBJECT

private slots:
    void composition_data();
    void composition();
    void ruleWindows_data();
    void ruleWindows();
    void consecutive_data();
    void consecutive();
    void keyboardBase_data();
    void keyboardBase();
    void sequences_data();
    void sequences();
    void legality_data();
    void legality();
    void weakList_data();
    void weakList();
    void missingListKeepsOtherRules();
    void rejectedPasswordNeverLogged();
};

void TestPasswordRules::composition_data()
{
    QTest::addColumn<QString>("pwd");
    QTest::addColumn<bool>("acceptable");
    QTest::newRow("7 chars, 3 classes") << "Abcde1x" << false;
    QTest::newRow("8 chars, 3 classes") << "Abcdex1y" << true;
    QTest::newRow("16 chars, 3 classes") << "Abcdefghijklmn12" << true;
    QTest::newRow("17 chars, 3 classes") << "Abcdefghijklmn123" << false;
    QTest::newRow("two classes") << "abcdefg1" << false;
    QTest::newRow("lower upper special") << "abcdefG!" << true;
    QTest::newRow("digits special upper") << "1234567A#" << true;
    QTest::newRow("backquote counts as special") << "abcdefg`1" << true;
    QTest::newRow("backslash counts as special") << "abcdefg\\1" << true;
    QTest::newRow("other characters are no class") << QString::fromUtf8("abcdéééé1") << false;
    QTest::newRow("other characters allowed") << QString::fromUtf8("abcdéé1Z") << true;
    QTest::newRow("empty") << "" << false;
}

void TestPasswordRules::composition()
{
    QFETCH(QString, pwd);
    QFETCH(bool, acceptable);
    QCOMPARE(PasswordRules::isPasswordWeak(pwd), acceptable);
}

void TestPasswordRules::ruleWindows_data()
{
    QTest::addColumn<QString>("pwd");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("n");
    QTest::addColumn<bool>("found");
    QTest::newRow("forward") << "xxabcxx" << QStringList{"abcdef"} << 3 << true;
    QTest::newRow("reversed") << "xxdcbxx" << QStringList{"abcdef"} << 3 << true;
    QTest::newRow("case-sensitive") << "xxABCxx" << QStringList{"abcdef"} << 3 << false;
    QTest::newRow("only two adjacent") << "abxcd" << QStringList{"abcdef"} << 3 << false;
    QTest::newRow("line shorter than n") << "ab" << QStringList{"ab"} << 3 << false;
    QTest::newRow("last window") << "def" << QStringList{"abcdef"} << 3 << true;
    QTest::newRow("second line") << "zz123" << QStringList{"abc", "0123"} << 3 << true;
}

void TestPasswordRules::ruleWindows()
{
    QFETCH(QString, pwd);
    QFETCH(QStringList, lines);
    QFETCH(int, n);
    QFETCH(bool, found);
    QCOMPARE(PasswordRules::findPwdRuleStr(pwd, lines, n), found);
}

void TestPasswordRules::consecutive_data()
{
    QTest::addColumn<QString>("s");
    QTest::addColumn<int>("n");
    QTest::addColumn<bool>("found");
    QTest::newRow("three in a row") << "abbbc" << 3 << true;
    QTest::newRow("two then break") << "abbcbb" << 3 << false;
    QTest::newRow("at the end") << "abccc" << 3 << true;
    QTest::newRow("single char") << "a" << 1 << false;
    QTest::newRow("empty") << "" << 2 << false;
}

void TestPasswordRules::consecutive()
{
    QFETCH(QString, s);
    QFETCH(int, n);
    QFETCH(bool, found);
    QCOMPARE(PasswordRules::hasConsecutiveChars(s, n), found);
}

void TestPasswordRules::keyboardBase_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("base");
    QTest::newRow("digit row") << "!@#$%^&*()_+" << "1234567890-=";
    QTest::newRow("brackets and bar") << "{}|" << "[]\\";
    QTest::newRow("colon quote") << ":\"" << ";'";
    QTest::newRow("angle question") << "<>?" << ",./";
    QTest::newRow("backquote to tilde, tilde stays") << "`~" << "~~";
    QTest::newRow("letters unchanged") << "aZ9" << "aZ9";
    QTest::newRow("outside the map") << QString::fromUtf8("é 中") << QString::fromUtf8("é 中");
}

void TestPasswordRules::keyboardBase()
{
    QFETCH(QString, typed);
    QFETCH(QString, base);
    QCOMPARE(PasswordRules::convertToKeyboardBase(typed), base);
}

void TestPasswordRules::sequences_data()
{
    QTest::addColumn<QString>("pwd");
    QTest::addColumn<bool>("rejected");
    QTest::newRow("keyboard letters") << "Xasd9!Kp" << true;
    QTest::newRow("keyboard letters upper case") << "XASD9!Kp" << true;
    QTest::newRow("keyboard backwards") << "Xdsa9!Kp" << true;
    QTest::newRow("column walk cde reversed window") << "Abcde1xk" << true;
    QTest::newRow("column walk upper case") << "ZxEDCq9!" << true;
    QTest::newRow("shifted digit row") << "Kq!@#9mz" << true;
    QTest::newRow("descending digits") << "Kq9876mz" << true;
    QTest::newRow("same letter any case") << "KqaAaZ9m" << true;
    QTest::newRow("keypad triple as typed") << "Kq147zM!" << true;
    QTest::newRow("keypad with symbols") << "Kq/*-zM9" << true;
    QTest::newRow("keypad not upper-cased") << "Kq63.zM9" << true;
    QTest::newRow("nothing") << "Kq9z!mA2" << false;
    QTest::newRow("two apart") << "Ax9Bz!4w" << false;
}

void TestPasswordRules::sequences()
{
    TestPrefix prefix;
    QFETCH(QString, pwd);
    QFETCH(bool, rejected);
    QCOMPARE(PasswordRules::checkSequentialKeyboard(pwd), rejected);
}

void TestPasswordRules::legality_data()
{
    QTest::addColumn<QString>("pwd");
    QTest::addColumn<bool>("legal");
    QTest::addColumn<QString>("msg");
    const QString illegalChar = QStringLiteral("输入有非法字符，请修改。");
    const QString composition =
        QStringLiteral("密码长度8-16位，必须包含大写字母、小写字母、数字和特殊字符中的3种或3种以上。");
    const QString sequence = QStringLiteral("不能使用连续的字符或者常见弱口令。");
    QTest::newRow("legal") << "Kq9z!mA2" << true << "";
    QTest::newRow("blank first") << "Kq9 z!mA2" << false << illegalChar;
    QTest::newRow("blank beats length") << "a b" << false << illegalChar;
    QTest::newRow("ideograph first") << QString::fromUtf8("Kq9z中mA2") << false << illegalChar;
    QTest::newRow("last ideograph of the range") << QString::fromUtf8("Kq9z\u9fffmA2") << false << illegalChar;
    QTest::newRow("7 characters") << "Kq9z!mA" << false << composition;
    QTest::newRow("17 characters") << "Kq9z!mA2Kq9z!mA2x" << false << composition;
    QTest::newRow("8 chars composition ok but cde") << "Abcde1xk" << false << sequence;
    QTest::newRow("8 chars composition ok but edc") << "Aedc1xkq" << false << sequence;
    QTest::newRow("16 legal") << "Kq9z!mA2Kq9z!mA2" << true << "";
}

void TestPasswordRules::legality()
{
    TestPrefix prefix;
    QFETCH(QString, pwd);
    QFETCH(bool, legal);
    QFETCH(QString, msg);
    QString reason;
    QCOMPARE(PasswordRules::isPasswordLegal(pwd, reason), legal);
    QCOMPARE(reason, msg);
}

void TestPasswordRules::weakList_data()
{
    QTest::addColumn<QString>("pwd");
    QTest::addColumn<bool>("rejected");
    QTest::newRow("whole line") << "Zt9!mQw2" << true;
    QTest::newRow("line with CRLF") << "Pk7#nVx4" << true;
    QTest::newRow("UTF-8 line") << QString::fromUtf8("Ün9!mQx2") << true;
    QTest::newRow("contains a line") << "xZt9!mQw2" << false;
    QTest::newRow("case differs") << "zt9!mQw2" << false;
}

void TestPasswordRules::weakList()
{
    TestPrefix prefix;
    QVERIFY(prefix.writeInstallFile("orvane/bin/john/WeakPassword.txt",
                                    QByteArray("password\nZt9!mQw2\nPk7#nVx4\r\n") + QString::fromUtf8("Ün9!mQx2").toUtf8()));
    QFETCH(QString, pwd);
    QFETCH(bool, rejected);
    QCOMPARE(PasswordRules::comparedWeakCiphertext(pwd), rejected);
    QString msg;
    QCOMPARE(PasswordRules::isPasswordLegal(pwd, msg), !rejected);
}

void TestPasswordRules::missingListKeepsOtherRules()
{
    TestPrefix prefix;
    LogCapture log;
    QVERIFY(!PasswordRules::comparedWeakCiphertext("Zt9!mQw2"));
    QVERIFY(log.contains("open weak password file failed: " + PasswordRules::weakPasswordFile(), google::GLOG_WARNING));
    QVERIFY(PasswordRules::weakPasswordFile().endsWith("/opt/quintrel/orvane/orvane/bin/john/WeakPassword.txt"));
    QVERIFY(PasswordRules::weakPasswordFile().startsWith(prefix.root()));
    QString msg;
    QVERIFY(PasswordRules::isPasswordLegal("Kq9z!mA2", msg));
    QVERIFY(!PasswordRules::isPasswordLegal("Kq9zqwer!", msg));
    QCOMPARE(msg, QStringLiteral("不能使用连续的字符或者常见弱口令。"));
}

void TestPasswordRules::rejectedPasswordNeverLogged()
{
    TestPrefix prefix;
    LogCapture log;
    QString msg;
    QVERIFY(!PasswordRules::isPasswordLegal("Secret!qwe9", msg));
    QVERIFY(log.contains("checkSequentialKeyboard: "));
    QVERIFY(!log.text().contains("Secret!qwe9"));
}

QTEST_GUILESS_MAIN(TestPasswordRules)
#include "tst_passwordrules.moc"
