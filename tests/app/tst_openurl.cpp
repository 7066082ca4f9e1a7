// Opening links: the command the user station receives, run through /bin/sh with a stand-in
// browser, must hand the browser the URL as one argument and run nothing else.

#include "app/common.h"
#include "corviscommon/secretmask.h"
#include "support/logcapture.h"
#include "support/simprocess.h"
#include "support/testprefix.h"

#include <QtTest>

class TestOpenUrl : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void urlIsOneArgument_data();
    void urlIsOneArgument();
    void browserWithArguments();
    void noBrowserNotifies();
    void tokenNotLogged();
    void leadingDashRefused();
    void stationMissing();

private:
    // Writes the stand-in browser and configures it; it writes its arguments, NUL-separated.
    QString installBrowser();
    // Runs the recorded command as the station would and returns the arguments the browser got.
    QList<QByteArray> runRecorded(const QString& command);
    QString recordedCommand();

    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<SimProcess> sim_;
};

void TestOpenUrl::init()
{
    prefix_ = std::make_unique<TestPrefix>();
    sim_ = std::make_unique<SimProcess>(prefix_->root());
    QVERIFY2(sim_->start(), qPrintable(sim_->errorOutput()));
}

void TestOpenUrl::cleanup()
{
    sim_.reset();
    prefix_.reset();
}

QString TestOpenUrl::installBrowser()
{
    const QString browser = prefix_->root() + QStringLiteral("/browser");
    const QString args = prefix_->root() + QStringLiteral("/args");
    writeFile(browser, QStringLiteral("#!/bin/sh\nprintf '%s\\0' \"$@\" > '%1.tmp' && mv '%1.tmp' '%1'\n").arg(args).toUtf8());
    QFile::setPermissions(browser, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    prefix_->writeSysCfg("[functions]\nbrowser=" + browser.toUtf8() + "\n");
    return browser;
}

QString TestOpenUrl::recordedCommand()
{
    if (!sim_->waitForRequest(QStringLiteral("userstation"), QStringLiteral("0x1006"))) {
        return QString();
    }
    return sim_->requests(QStringLiteral("userstation")).first().value(QStringLiteral("body")).toString();
}

QList<QByteArray> TestOpenUrl::runRecorded(const QString& command)
{
    QProcess shell;
    shell.setWorkingDirectory(prefix_->root());
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    if (!shell.waitForFinished(10000)) {
        return {};
    }
    // The command ends with "&": the browser runs on in the background.
    const QString args = prefix_->root() + QStringLiteral("/args");
    if (!QTest::qWaitFor([&]() { return QFileInfo::exists(args); }, 10000)) {
        return {};
    }
    QList<QByteArray> out = readFile(args).split('\0');
    out.removeLast();
    return out;
}

void TestOpenUrl::urlIsOneArgument_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("plain") << "https://portal.example/app?x=1&y=2";
    QTest::newRow("double quote") << "http://x/a\"; touch pwned; \"";
    QTest::newRow("single quote") << "http://x/a'; touch pwned; '";
    QTest::newRow("command substitution") << "http://x/$(touch pwned)";
    QTest::newRow("backticks") << "http://x/`touch pwned`";
    QTest::newRow("ampersand and pipe") << "http://x/?a=1&touch pwned|touch pwned";
    QTest::newRow("newline") << "http://x/a\ntouch pwned";
    QTest::newRow("backslashes") << "http://x/a\\'\\\"; touch pwned";
    QTest::newRow("unicode") << "http://门户.example/应用?name=张三";
}

void TestOpenUrl::urlIsOneArgument()
{
    QFETCH(QString, url);
    const QString browser = installBrowser();
    LogCapture log;
    QCOMPARE(Common::openURL(url), 0);
    const QString command = recordedCommand();
    QVERIFY(command.startsWith(QLatin1Char('\'') + browser + QStringLiteral("' '")));
    QVERIFY(command.endsWith(QStringLiteral("' &")));
    // A line break in the URL is logged escaped: it cannot start a line of its own.
    QVERIFY(log.contains(QStringLiteral("Common::openURL:") + corvis::logSafe(command), google::GLOG_INFO));
    QCOMPARE(runRecorded(command), QList<QByteArray>{url.toUtf8()});
    QVERIFY(!QFileInfo::exists(prefix_->root() + QStringLiteral("/pwned")));
}

void TestOpenUrl::browserWithArguments()
{
    // A default browser from a desktop file comes with its own arguments.
    const QString browser = installBrowser();
    const std::string exec = browser.toStdString() + " --name \"50% off\"  --x=\"a\\\"b\" 'c d'";
    const CommandRunner host = [&](const std::string& cmd, std::string& out) {
        out = cmd.rfind("which ", 0) == 0 ? exec + "\n" : std::string();
        return cmd.rfind("which ", 0) == 0 ? 0 : -1;
    };
    QCOMPARE(Common::openURL(QStringLiteral("http://x/$(id)"), host), 0);
    QCOMPARE(runRecorded(recordedCommand()),
             (QList<QByteArray>{"--name", "50% off", "--x=a\"b", "c d", "http://x/$(id)"}));
}

void TestOpenUrl::noBrowserNotifies()
{
    prefix_->writeSysCfg("[functions]\nbrowser=" + prefix_->root().toUtf8() + "/no-such-browser\n");
    QCOMPARE(Common::openURL(QStringLiteral("http://x/")), 0);
    QCOMPARE(recordedCommand(),
             QStringLiteral("notify-send -u critical '未检测到谷歌浏览器，请检查该软件是否已正确安装' -i '%1/logo.png' &")
                 .arg(prefix_->installPath(QStringLiteral("resource"))));
}

void TestOpenUrl::tokenNotLogged()
{
    installBrowser();
    LogCapture log;
    const QString url = QStringLiteral("https://app.example/?sso_token=SECRETTOKEN42&customerize=&dev_type=linux");
    QCOMPARE(Common::openURL(url), 0);
    // The browser gets the token; the log does not.
    QVERIFY(recordedCommand().contains(QStringLiteral("SECRETTOKEN42")));
    QVERIFY(!log.text().contains(QStringLiteral("SECRETTOKEN42")));
    QVERIFY(log.contains(QStringLiteral("?sso_token=***&customerize=&dev_type=linux")));
}

void TestOpenUrl::leadingDashRefused()
{
    installBrowser();
    LogCapture log;
    QCOMPARE(Common::openURL(QStringLiteral("--remote-debugging-port=9222")), -1);
    QVERIFY(log.contains(QStringLiteral("Common::openURL: not a link, refused:"), google::GLOG_ERROR));
    QVERIFY(sim_->stop());
    QVERIFY(sim_->requests().isEmpty());
}

void TestOpenUrl::stationMissing()
{
    installBrowser();
    QVERIFY(sim_->stop());
    QCOMPARE(Common::openURL(QStringLiteral("http://x/")), -2);
}

QTEST_GUILESS_MAIN(TestOpenUrl)
#include "tst_openurl.moc"
