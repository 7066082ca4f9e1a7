// Starting the embedded web component: the installed start program gets the portal address as
// one literal argument (no shell reads it), the workbench's Qt and library settings emptied, and
// the workbench never waits for it. A missing program is a failure the caller hears of.

#include "comm/corvisweblauncher.h"
#include "support/logcapture.h"
#include "support/testprefix.h"

#include <QFile>
#include <QtTest>

class TestCorviswebLauncher : public QObject
{
    Q_OBJECT

private slots:
    void addressIsOneArgument_data();
    void addressIsOneArgument();
    void missingProgram();
};

void TestCorviswebLauncher::addressIsOneArgument_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("plain") << "https://portal.example:8443/index";
    QTest::newRow("shell words") << "https://p.example/a b;touch pwned&x=$(id)`id`'\"";
    QTest::newRow("token masked in the log") << "https://p.example/sso?token=abc123&x=1";
}

void TestCorviswebLauncher::addressIsOneArgument()
{
    QFETCH(QString, url);
    TestPrefix prefix;
    qputenv("LD_LIBRARY_PATH", "/opt/workbench/lib");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString out = prefix.installPath("out.txt");
    // Writes its arguments, one a line, then the four settings as it sees them.
    const QByteArray script = "#!/bin/sh\n"
                              "{ printf '%s\\n' \"$#\" \"$1\"; "
                              "printf '[%s]' \"${LD_LIBRARY_PATH-unset}\" \"${QT_QPA_PLATFORM_PLUGIN_PATH-unset}\" "
                              "\"${QML2_IMPORT_PATH-unset}\" \"${QT_QPA_PLATFORM-unset}\"; } > \"$0.tmp\"\n"
                              "mv \"$0.tmp\" " +
                              out.toLocal8Bit() + "\n";
    QVERIFY(prefix.writeInstallFile("bin/startcorvisweb", script));
    QFile::setPermissions(CorviswebLauncher::programPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    LogCapture log;
    QVERIFY(CorviswebLauncher::start(url));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 20000);
    const QStringList lines = QString::fromLocal8Bit(readFile(out)).split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), QStringLiteral("1"));
    QCOMPARE(lines.at(1), url);
    QCOMPARE(lines.at(2), QStringLiteral("[][][][]"));
    QVERIFY(log.contains("open url: " + CorviswebLauncher::programPath()));
    QVERIFY(!log.text().contains("abc123"));
    qunsetenv("LD_LIBRARY_PATH");
    qunsetenv("QT_QPA_PLATFORM");
}

void TestCorviswebLauncher::missingProgram()
{
    TestPrefix prefix;
    QVERIFY(!QFile::exists(CorviswebLauncher::programPath()));
    QVERIFY(!CorviswebLauncher::start(QStringLiteral("https://portal.example")));
}

QTEST_GUILESS_MAIN(TestCorviswebLauncher)
#include "tst_corvisweblauncher.moc"
