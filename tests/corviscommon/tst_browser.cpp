// Finding the browser: desktop files, the system default, "which", and Common::usableBrowser.

#include "app/common.h"
#include "corviscommon/browser.h"
#include "fakehost.h"
#include "support/logcapture.h"
#include "support/testprefix.h"
#include "testpaths.h"

#include <QFile>
#include <QtTest>

namespace {

const std::string kApps = CORVIS_TEST_DATA_DIR "/host/applications";
const std::string kUosIssue = "cat /etc/issue | grep -E 'UnionTech|UOS'";

std::string desktopFile(const QString& name)
{
    QFile file(QString::fromStdString(kApps) + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

}  // namespace

class TestBrowser : public QObject
{
    Q_OBJECT

private slots:
    void desktopExec_data();
    void desktopExec();
    void appBrowser_data();
    void appBrowser();
    void namedBrowser_data();
    void namedBrowser();
    void namedBrowserOnThisHost();
    void usableBrowser_data();
    void usableBrowser();
};

void TestBrowser::desktopExec_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("exec");

    QTest::newRow("chrome, field code removed, TryExec and actions skipped")
        << QByteArray::fromStdString(desktopFile("google-chrome.desktop")) << true
        << QByteArray("/usr/bin/google-chrome-stable");
    QTest::newRow("entry after an action, blanks around the sign, %% kept as %")
        << QByteArray::fromStdString(desktopFile("firefox-esr.desktop")) << true
        << QByteArray("/usr/lib/firefox-esr/firefox-esr --name \"50% off\"");
    QTest::newRow("crlf lines") << QByteArray::fromStdString(desktopFile("org.deepin.browser.desktop")) << true
                                << QByteArray("/usr/bin/browser");
    QTest::newRow("no Exec in the entry") << QByteArray::fromStdString(desktopFile("noexec.desktop")) << false
                                          << QByteArray();
    QTest::newRow("only field codes") << QByteArray::fromStdString(desktopFile("onlycodes.desktop")) << false
                                      << QByteArray();
    QTest::newRow("no group header") << QByteArray("Exec=/bin/b\n") << true << QByteArray("/bin/b");
    QTest::newRow("empty") << QByteArray() << false << QByteArray();
}

void TestBrowser::desktopExec()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, found);
    QFETCH(QByteArray, exec);

    std::string out = "stale";
    QCOMPARE(parseDesktopExec(content.toStdString(), out), found);
    QCOMPARE(QByteArray::fromStdString(out), exec);
}

void TestBrowser::appBrowser_data()
{
    QTest::addColumn<bool>("uos");
    QTest::addColumn<QByteArray>("defaultAnswer");
    QTest::addColumn<QByteArray>("findAnswer");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("exec");
    QTest::addColumn<QStringList>("logLines");

    QTest::newRow("other system") << false << QByteArray("google-chrome.desktop\n") << QByteArray() << true
                                  << QByteArray("/usr/bin/google-chrome-stable")
                                  << QStringList{"got os name failed"};
    QTest::newRow("other system names none") << false << QByteArray() << QByteArray() << true
                                             << QByteArray("/usr/bin/uos-browser-stable")
                                             << QStringList{"got default web browser failed"};
    QTest::newRow("uos") << true << QByteArray("firefox-esr.desktop\n") << QByteArray() << true
                         << QByteArray("/usr/lib/firefox-esr/firefox-esr --name \"50% off\"")
                         << QStringList{"xdg-mine output: firefox-esr.desktop"};
    QTest::newRow("uos editor owns html") << true << QByteArray("deepin-editor.desktop\n")
                                          << QByteArray("/usr/share/applications/org.deepin.browser.desktop\n") << true
                                          << QByteArray("/usr/bin/browser")
                                          << QStringList{"xdg-mine output: deepin-editor.desktop"};
    QTest::newRow("uos editor, no deepin browser") << true << QByteArray("deepin-editor.desktop\n") << QByteArray()
                                                   << true << QByteArray("/usr/bin/uos-browser-stable")
                                                   << QStringList{"got default web browser failed"};
    QTest::newRow("desktop file missing") << false << QByteArray("missing.desktop") << QByteArray() << false
                                          << QByteArray() << QStringList{"open desktop file failed:" + QString::fromStdString(kApps) + "/missing.desktop"};
    QTest::newRow("desktop file without Exec") << false << QByteArray("noexec.desktop") << QByteArray() << false
                                               << QByteArray()
                                               << QStringList{"desktop file missing Exec:" + QString::fromStdString(kApps) + "/noexec.desktop"};
    QTest::newRow("a path is reduced to its file name") << false << QByteArray("../../../etc/google-chrome.desktop")
                                                        << QByteArray() << true
                                                        << QByteArray("/usr/bin/google-chrome-stable") << QStringList();
    QTest::newRow("a directory is no desktop file") << false << QByteArray("..") << QByteArray() << true
                                                    << QByteArray("/usr/bin/uos-browser-stable")
                                                    << QStringList{"got default web browser failed"};
}

void TestBrowser::appBrowser()
{
    QFETCH(bool, uos);
    QFETCH(QByteArray, defaultAnswer);
    QFETCH(QByteArray, findAnswer);
    QFETCH(bool, found);
    QFETCH(QByteArray, exec);
    QFETCH(QStringList, logLines);

    FakeHost host;
    if (uos) {
        host.answer(kUosIssue, "UnionTech OS Desktop 20\n");
    }
    host.answer("xdg-mime query default text/html", uos ? defaultAnswer.toStdString() : std::string());
    host.answer("xdg-settings get default-web-browser", uos ? std::string() : defaultAnswer.toStdString());
    host.answer("find /usr/share/applications -name org.deepin.browser.desktop", findAnswer.toStdString());

    LogCapture log;
    std::string out = "stale";
    QCOMPARE(getAppBrowser(out, host.runner(), kApps), found);
    QCOMPARE(QByteArray::fromStdString(out), exec);
    for (const QString& line : logLines) {
        QVERIFY2(log.contains(line), qPrintable(line + "\n--\n" + log.text()));
    }
    QCOMPARE(host.ran("xdg-mime query default text/html"), uos);
    QCOMPARE(host.ran("xdg-settings get default-web-browser"), !uos);
    QCOMPARE(host.ran("find /usr/share/applications -name org.deepin.browser.desktop"),
             defaultAnswer.contains("deepin-editor"));
}

void TestBrowser::namedBrowser_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("exec");

    QTest::newRow("found") << QByteArray("chromium") << QByteArray("which 'chromium'")
                           << QByteArray("/usr/bin/chromium\n") << QByteArray("/usr/bin/chromium");
    QTest::newRow("not found") << QByteArray("chromium") << QByteArray("which 'chromium'") << QByteArray()
                               << QByteArray();
    QTest::newRow("quote in the name") << QByteArray("a'b; reboot") << QByteArray("which 'a'\\''b; reboot'")
                                       << QByteArray("/opt/x\n") << QByteArray("/opt/x");
}

void TestBrowser::namedBrowser()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, exec);

    FakeHost host;
    host.answer(command.toStdString(), answer.toStdString());
    std::string out = "stale";
    QCOMPARE(getSytemBrowser(name.toStdString(), out, host.runner(), kApps), !exec.isEmpty());
    QCOMPARE(QByteArray::fromStdString(out), exec);
    // A named browser never asks for the system default.
    QCOMPARE(host.commands().size(), size_t(1));
}

void TestBrowser::namedBrowserOnThisHost()
{
    std::string out;
    QVERIFY(getSytemBrowser("sh", out));
    QVERIFY(QFile::exists(QString::fromStdString(out)));
    QVERIFY(!getSytemBrowser("no-such-browser-cvb", out));
    QVERIFY(out.empty());
}

void TestBrowser::usableBrowser_data()
{
    QTest::addColumn<QByteArray>("project");
    QTest::addColumn<bool>("configuredExists");
    QTest::addColumn<bool>("vesk");

    QTest::newRow("standard, configured browser") << QByteArray() << true << false;
    QTest::newRow("standard, configured browser missing") << QByteArray() << false << false;
    QTest::newRow("vesk uos, configured browser present") << QByteArray("vesk-uos-4.19.71") << true << false;
    QTest::newRow("vesk uos, configured browser missing") << QByteArray("vesk-uos-4.19.71") << false << true;
    QTest::newRow("vesk kylin, configured browser missing") << QByteArray("vesk-kylin-5.4.18-32") << false << true;
    QTest::newRow("kav is no vesk") << QByteArray("kav") << false << false;
}

void TestBrowser::usableBrowser()
{
    QFETCH(QByteArray, project);
    QFETCH(bool, configuredExists);
    QFETCH(bool, vesk);

    TestPrefix prefix;
    const QString configured = prefix.path(QStringLiteral("/bin/my browser"));
    if (configuredExists) {
        QVERIFY(writeFile(configured, "#!/bin/sh\n"));
        QVERIFY(QFile::setPermissions(configured, QFile::ReadOwner | QFile::ExeOwner));
    }
    QVERIFY(prefix.writeSysCfg("[Mervasso]\ncustomProject=" + project + "\n[functions]\nbrowser=" + configured.toUtf8()
                               + "\n"));

    const std::string veskBrowser = "/opt/apps/com.vesk.browser/Program/browser-entry";
    FakeHost host;
    host.answer("which " + shellQuote(configured.toStdString()),
                configuredExists ? "  " + configured.toStdString() + " \n" : std::string());
    host.answer("which " + shellQuote(veskBrowser), veskBrowser + "\n");

    LogCapture log;
    QString out = QStringLiteral("stale");
    const bool found = Common::usableBrowser(out, host.runner());
    QCOMPARE(log.contains(QStringLiteral("syscfg browser not exist, so it's use new version")), vesk);
    if (vesk) {
        QVERIFY(found);
        QCOMPARE(out, QString::fromStdString(veskBrowser));
    } else {
        QCOMPARE(found, configuredExists);
        QCOMPARE(out, configuredExists ? configured : QString());
    }
}

QTEST_GUILESS_MAIN(TestBrowser)
#include "tst_browser.moc"
