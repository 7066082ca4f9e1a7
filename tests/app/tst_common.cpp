// The configuration accessors: sections, keys, defaults, caching and the setters.

#include "app/common.h"
#include "support/testprefix.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QtTest>

#include <functional>

using Accessor = std::function<QVariant()>;
Q_DECLARE_METATYPE(Accessor)

class TestCommon : public QObject
{
    Q_OBJECT

private slots:
    void accessors_data();
    void accessors();
    void defaults();
    void cachedIntegerReadOnce();
    void cachedStringReadAgainWhileEmpty();
    void uncachedReadEveryTime();
    void setters();
    void freeFunctions();
    void errorMsg_data();
    void errorMsg();
    void wordWrapText();
};

void TestCommon::accessors_data()
{
    QTest::addColumn<QByteArray>("sysCfg");
    QTest::addColumn<QByteArray>("userInfo");
    QTest::addColumn<Accessor>("accessor");
    QTest::addColumn<QVariant>("expected");

    const QByteArray none;
    auto row = [&](const char* name, const QByteArray& sys, const QByteArray& user, Accessor a, QVariant v) {
        QTest::newRow(name) << sys << user << a << v;
    };
    // Values are trimmed and lose their quotes; a cached name reads its file once.
    row("softName trimmed", "[about]\nname=\" 安全工作台 \"\n", none, [] { return QVariant(Common::softName()); }, "安全工作台");
    // "true when 1": another number is false; an integer read returns the number as it is.
    row("csMode 1", "[Mervasso]\ncsmode=1\n", none, [] { return QVariant(Common::csMode()); }, true);
    row("csMode 2 is not 1", "[Mervasso]\ncsmode=2\n", none, [] { return QVariant(Common::csMode()); }, false);
    row("spaOauth 2 is not 1", "[corvisspa]\nspaoauth=2\n", none, [] { return QVariant(Common::spaOauth()); }, false);
    row("spaSim as is", "[corvisspa]\nspasim=2\n", none, [] { return QVariant(Common::spaSim()); }, 2);
    // Absent reads as true: only 0 turns the portal's display mode off.
    row("portalDisplayMode absent", none, "[UserInfo]\n", [] { return QVariant(Common::portalDisplayMode()); }, true);
    row("portalDisplayMode 0", none, "[UserInfo]\nPortalDisplayMode=0\n", [] { return QVariant(Common::portalDisplayMode()); }, false);
    row("portalDisplayMode text", none, "[UserInfo]\nPortalDisplayMode=no\n", [] { return QVariant(Common::portalDisplayMode()); }, true);
    row("integer not integer", "[functions]\nclosetrayremind=yes\n", none, [] { return QVariant(Common::closeTrayRemind()); }, 0);
    // Each key lives in one file.
    row("wrong file", none, "[Mervasso]\nServerIP=1.1.1.1\n", [] { return QVariant(Common::portalIp()); }, "");
    row("velmora section of the user file", none, "[VelmoraSpa]\nVlsUserName=v\n", [] { return QVariant(Common::vlsUserName()); }, "v");
    // Buffer bounds: a value that does not fit reads as the default.
    row("value too long for 256", "[Mervasso]\nServerIP=" + QByteArray(300, 'a') + "\n", none,
        [] { return QVariant(Common::portalIp()); }, "");
    row("spaUserName fits 1024", none, "[UserInfo]\nSpaUserName=" + QByteArray(1000, 'u') + "\n",
        [] { return QVariant(Common::spaUserName().size()); }, 1000);
    row("browser too long for 512", "[functions]\nbrowser=" + QByteArray(600, 'b') + "\n", none,
        [] { return QVariant(Common::browser()); }, "");
}

void TestCommon::accessors()
{
    QFETCH(QByteArray, sysCfg);
    QFETCH(QByteArray, userInfo);
    QFETCH(Accessor, accessor);
    QFETCH(QVariant, expected);

    TestPrefix prefix;
    QVERIFY(prefix.isValid());
    QVERIFY(prefix.writeSysCfg(sysCfg));
    QVERIFY(prefix.writeUserInfo(userInfo));
    QCOMPARE(accessor(), expected);
}

void TestCommon::defaults()
{
    TestPrefix prefix;
    // No files at all.
    QCOMPARE(Common::softName(), QStringLiteral("QuintrelCORVIS云助手"));
    QCOMPARE(Common::csSoftName(), QStringLiteral("Tessaly"));
    QCOMPARE(Common::portalDisplayMode(), true);
    QCOMPARE(Common::csMode(), false);
    QCOMPARE(Common::customProject(), QString());
    QCOMPARE(Common::netmodeCount(), 0);
    QVERIFY(Common::sysCfgPath().startsWith(prefix.root()));
    QVERIFY(Common::sysCfgPath().endsWith(QLatin1String("/opt/quintrel/orvane/ini/syscfg.ini")));
    QVERIFY(Common::userInfoPath().endsWith(QLatin1String("/opt/quintrel/orvane/ini/userinfo.ini")));
}

void TestCommon::cachedIntegerReadOnce()
{
    TestPrefix prefix;
    prefix.writeSysCfg("[Mervasso]\ncsmode=1\noldTray=0\n[corvisspa]\nspamark=1\n");
    QCOMPARE(Common::csMode(), true);
    QCOMPARE(Common::spaMark(), true);
    // A later change is not seen until restart (writeFile directly: no cache reset).
    QVERIFY(writeFile(prefix.installPath("ini/syscfg.ini"), "[Mervasso]\ncsmode=0\n[corvisspa]\nspamark=0\n"));
    QCOMPARE(Common::csMode(), true);
    QCOMPARE(Common::spaMark(), true);
    QCOMPARE(isCsMode(), false);  // the free function reads every time
}

void TestCommon::cachedStringReadAgainWhileEmpty()
{
    TestPrefix prefix;
    prefix.writeSysCfg("[about]\n");
    QCOMPARE(Common::softName(), QStringLiteral("QuintrelCORVIS云助手"));
    QCOMPARE(Common::customProject(), QString());
    QVERIFY(writeFile(prefix.installPath("ini/syscfg.ini"), "[about]\nname=Desk\n[Mervasso]\ncustomProject=kav\n"));
    QCOMPARE(Common::softName(), QStringLiteral("Desk"));
    QCOMPARE(Common::customProject(), QStringLiteral("kav"));
    // Once read, the value stays.
    QVERIFY(writeFile(prefix.installPath("ini/syscfg.ini"), "[about]\nname=Other\n[Mervasso]\ncustomProject=rolq\n"));
    QCOMPARE(Common::softName(), QStringLiteral("Desk"));
    QCOMPARE(Common::customProject(), QStringLiteral("kav"));
}

void TestCommon::uncachedReadEveryTime()
{
    TestPrefix prefix;
    prefix.writeUserInfo("[UserInfo]\nUserName=a\n");
    QCOMPARE(Common::userName(), QStringLiteral("a"));
    QVERIFY(writeFile(prefix.installPath("ini/userinfo.ini"), "[UserInfo]\nUserName=b\n"));
    QCOMPARE(Common::userName(), QStringLiteral("b"));
}

void TestCommon::setters()
{
    TestPrefix prefix;
    prefix.writeSysCfg("[functions]\nrememberaccount=1\nbrowser=x\n");
    Common::setRememberAccount(false);
    QCOMPARE(prefix.readInstallFile("ini/syscfg.ini"), QByteArray("[functions]\nrememberaccount=0\nbrowser=x\n"));
    QCOMPARE(Common::rememberAccount(), 0);

    // The user information file is created when missing.
    QVERIFY(!QFile::exists(prefix.installPath("ini/userinfo.ini")));
    Common::setCsUserName(QStringLiteral("张三"));
    QCOMPARE(prefix.readInstallFile("ini/userinfo.ini"), QByteArray("[UserInfo]\nCsUserName=张三\n"));
    QCOMPARE(Common::csUserName(), QStringLiteral("张三"));
    Common::setPortalDisplayMode(0);
    QCOMPARE(Common::portalDisplayMode(), false);
    Common::setPortalDisplayMode(1);
    QCOMPARE(Common::portalDisplayMode(), true);
}

void TestCommon::freeFunctions()
{
    TestPrefix prefix;
    prefix.writeSysCfg("[Mervasso]\ncsmode=01\ncustomProject=" + QByteArray(200, 'p') + "\n[functions]\nrollbackUpdate=1\n");
    // "01" is the integer 1 but not the text "1".
    QCOMPARE(Common::csMode(), true);
    QCOMPARE(isCsMode(), false);
    // 200 characters fit the accessor's 256 bytes but not getCustomProject's 128.
    QCOMPARE(Common::customProject().size(), 200);
    QCOMPARE(getCustomProject(), std::string());
    QCOMPARE(isOpenRollbackUpdate(), true);
    prefix.writeSysCfg("[Mervasso]\ncsmode=1\ncustomProject=ostrel-bigdata\n[functions]\nrollbackUpdate=2\n");
    QCOMPARE(isCsMode(), true);
    QCOMPARE(getCustomProject(), std::string("ostrel-bigdata"));
    QCOMPARE(isOpenRollbackUpdate(), false);
}

void TestCommon::errorMsg_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("msg");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("code and message") << 0x1020 << QStringLiteral("file not exist") << QByteArray("Error Code: 0x1020, Error Msg: file not exist");
    QTest::newRow("code only") << 0x10a2 << QString() << QByteArray("Error Code: 0x10a2");
    QTest::newRow("zero") << 0 << QString() << QByteArray("Error Code: 0x0");
    QTest::newRow("chinese") << 1 << QStringLiteral("失败") << QByteArray("Error Code: 0x1, Error Msg: 失败");
}

void TestCommon::errorMsg()
{
    QFETCH(int, code);
    QFETCH(QString, msg);
    QFETCH(QByteArray, text);
    QCOMPARE(Common::errorMsg(code, msg), text);
    QCOMPARE(Common::commonMsg(msg), msg.toLocal8Bit());
}

void TestCommon::wordWrapText()
{
    QFont font;
    font.setPixelSize(14);
    const QFontMetrics metrics(font);
    const QString text = QStringLiteral("安全工作台启动异常，请重启电脑后重试！安全工作台启动异常，请重启电脑后重试！");
    const int width = metrics.horizontalAdvance(text.left(10)) + 2;
    const QString wrapped = Common::wordWrapText(font, width, text);
    QCOMPARE(QString(wrapped).remove(QLatin1Char('\n')), text);
    QVERIFY(wrapped.count(QLatin1Char('\n')) >= 3);
    for (const QString& line : wrapped.split(QLatin1Char('\n'))) {
        QVERIFY2(metrics.horizontalAdvance(line) <= width, qPrintable(line));
    }
    QCOMPARE(Common::wordWrapText(font, 10000, text), text);
    QCOMPARE(Common::wordWrapText(font, width, QString()), QString());
}

QTEST_MAIN(TestCommon)
#include "tst_common.moc"
