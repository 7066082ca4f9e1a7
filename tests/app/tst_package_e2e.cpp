// The Debian packages as a customer gets them: both unpacked into a fresh root, the installed
// corvisbench runs from there under Xvfb against the installed corvissim (found its libraries
// and pictures below that root), a person logs in with the demo account, and the pushed close
// ends it. CORVIS_PACKAGE_DIR names the folder holding the .deb files (scripts/package-check.sh
// sets it after building them); without it there is nothing to install and the test is skipped.

#include "support/logfiles.h"
#include "support/simprocess.h"
#include "support/testprefix.h"
#include "support/xsession.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include <memory>

namespace {

const QString kInstallRoot = QStringLiteral("/opt/quintrel/orvane");

// The one package file whose name starts with `package` followed by "_".
QString packageFile(const QString& dir, const QString& package)
{
    const QStringList found = QDir(dir).entryList({package + QStringLiteral("_*.deb")}, QDir::Files);
    return found.size() == 1 ? QDir(dir).filePath(found.first()) : QString();
}

// dpkg-deb -x into `root`; the error text when it fails.
QString unpack(const QString& deb, const QString& root)
{
    QProcess process;
    process.start(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, root});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return QStringLiteral("dpkg-deb -x %1 failed: %2").arg(deb, QString::fromLocal8Bit(process.readAllStandardError()));
    }
    return QString();
}

}  // namespace

class TestPackageE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installedProgramLogsInAndQuits();

private:
    QString packageDir_;
    std::unique_ptr<XSession> x_;
};

void TestPackageE2E::initTestCase()
{
    packageDir_ = qEnvironmentVariable("CORVIS_PACKAGE_DIR");
    if (packageDir_.isEmpty()) {
        QSKIP("CORVIS_PACKAGE_DIR is not set: no packages to install (scripts/package-check.sh sets it)");
    }
    x_ = std::make_unique<XSession>();
    QVERIFY2(x_->isValid(), qPrintable(x_->error()));
}

void TestPackageE2E::installedProgramLogsInAndQuits()
{
    TestPrefix prefix;
    QVERIFY(prefix.isValid());
    for (const QString& package : {QStringLiteral("corvisbench"), QStringLiteral("corvisbench-tools")}) {
        const QString deb = packageFile(packageDir_, package);
        QVERIFY2(!deb.isEmpty(), qPrintable(package + QStringLiteral(" not found in ") + packageDir_));
        const QString error = unpack(deb, prefix.root());
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    const QString bin = prefix.root() + kInstallRoot + QStringLiteral("/bin/");
    QVERIFY(QFileInfo(bin + QStringLiteral("corvisbench")).isExecutable());
    QVERIFY(QFileInfo(bin + QStringLiteral("corvissim")).isExecutable());
    // Re-rooted at the unpacked tree, the installed program's install root is the package's.
    QCOMPARE(prefix.installPath(QStringLiteral("resource")), prefix.root() + kInstallRoot + QStringLiteral("/resource"));
    // The configuration is the services' and in no package (scripts/package-check.sh checks the
    // file lists): written here as they would.
    QVERIFY(!QFileInfo::exists(prefix.installPath(QStringLiteral("ini/syscfg.ini"))));
    prefix.writeSysCfg("[Mervasso]\ncsmode=1\ncustomProject=\n[functions]\nrememberaccount=0\n");
    prefix.writeUserInfo("[UserInfo]\n");

    SimProcess sim(prefix.root());
    sim.setProgram(bin + QStringLiteral("corvissim"));
    QVERIFY2(sim.startBuiltin(QStringLiteral("demo")), qPrintable(sim.errorOutput()));
    WorkbenchProcess bench(prefix.root(), x_->display());
    bench.setProgram(bin + QStringLiteral("corvisbench"));
    QVERIFY(bench.start());
    const QString client = QStringLiteral("corvisclient");
    QVERIFY2(sim.waitForRequest(client, QStringLiteral("0x0112"), 30000),
             qPrintable(bench.output() + workbenchLog(prefix.root(), QStringLiteral("info"))));
    QVERIFY(x_->waitForViewableWindow(bench.pid(), 20000));
    QVERIFY(QTest::qWaitFor(
        [&]() { return workbenchLog(prefix.root(), QStringLiteral("info")).contains("FUNC(parseSystemTitle) exit"); },
        20000));
    // Its log went below the unpacked root, not to the host's install root.
    QVERIFY(!workbenchLog(prefix.root(), QStringLiteral("info")).isEmpty());

    const QString window =
        x_->xdotoolOutput({"search", "--onlyvisible", "--pid", QString::number(bench.pid())}).section('\n', 0, 0);
    QVERIFY(!window.isEmpty());
    QCOMPARE(x_->xdotool({"windowfocus", "--sync", window}), 0);
    QTest::qWait(300);
    QCOMPARE(x_->xdotool({"type", "--delay", "30", "demo"}), 0);
    QCOMPARE(x_->xdotool({"key", "Tab"}), 0);
    QCOMPARE(x_->xdotool({"type", "--delay", "30", "Corvis@2024"}), 0);
    QCOMPARE(x_->xdotool({"key", "Return"}), 0);
    QVERIFY(sim.waitForRequest(client, QStringLiteral("0x0113"), 20000));
    const QStringList fields = sim.requests(client, QStringLiteral("0x0113")).first().value("body").toString().split('\n');
    QCOMPARE(fields.mid(0, 2), (QStringList{"demo", "Corvis@2024"}));
    // The pushed login: the work area asks for the application list.
    QVERIFY(sim.waitForRequest(client, QStringLiteral("0x0114"), 20000));
    QVERIFY(workbenchLog(prefix.root(), QStringLiteral("info"))
                .contains(QLatin1String("==========updateLoginState SReqUpline happen!")));

    // Quit as the services end it: the pushed close.
    QCOMPARE(sim.push(0x0311), 0);
    QVERIFY(bench.waitForExit(20000));
    QVERIFY(!bench.crashed());
    QCOMPARE(bench.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestPackageE2E)
#include "tst_package_e2e.moc"
