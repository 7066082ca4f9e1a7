// The real corvisbench under Xvfb against the demo services: after the pushed login the portal
// fills, a double-click on a web application hands its address to the browser as one argument,
// and in the rolq edition the address carries the controller's single-sign-on token.

#include "corviscommon/inivalues.h"
#include "support/accessibility.h"
#include "support/ctlsim.h"
#include "support/logfiles.h"
#include "support/simprocess.h"
#include "support/testprefix.h"
#include "support/xsession.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <memory>

class TestPortalE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void opensWebApplication_data();
    void opensWebApplication();

private:
    std::unique_ptr<XSession> x_;
};

void TestPortalE2E::initTestCase()
{
    x_ = std::make_unique<XSession>();
    QVERIFY2(x_->isValid(), qPrintable(x_->error()));
}

void TestPortalE2E::opensWebApplication_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<QString>("url");
    QTest::newRow("standard") << QString() << "https://wiki.corp.example/";
    // The token of the controller stand-in's default answer.
    QTest::newRow("rolq") << "rolq" << "https://wiki.corp.example/?sso_token=sso-token-0001&customerize=&dev_type=linux";
}

void TestPortalE2E::opensWebApplication()
{
    QFETCH(QString, project);
    QFETCH(QString, url);
    TestPrefix prefix;
    CtlSim ctl(prefix);
    QVERIFY2(ctl.isRunning(), qPrintable(ctl.startError()));
    QVERIFY(prefix.writeSysCfg(ctl.sysCfg()));
    const QString syscfg = prefix.installPath(QStringLiteral("ini/syscfg.ini"));
    corvis::ini::write(syscfg, "Mervasso", "csmode", QByteArrayLiteral("1"));
    if (!project.isEmpty()) {
        corvis::ini::write(syscfg, "Mervasso", "customProject", project.toUtf8());
    }
    // The stand-in browser writes its arguments, NUL-separated.
    const QString browser = prefix.root() + QStringLiteral("/browser");
    const QString args = prefix.root() + QStringLiteral("/args");
    QFile script(browser);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\0' \"$@\" > '%1.tmp' && mv '%1.tmp' '%1'\n").arg(args).toUtf8());
    script.close();
    QFile::setPermissions(browser, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    corvis::ini::write(syscfg, "functions", "browser", browser.toUtf8());
    // The session the single sign-on asks the controller with.
    QVERIFY(prefix.writeUserInfo("[UserInfo]\nUserName=demo\nSessionID=sess-e2e-portal\n"));

    SimProcess sim(prefix.root());
    QVERIFY2(sim.startBuiltin(QStringLiteral("demo")), qPrintable(sim.errorOutput()));
    AccessibilityBus bus(x_->display());
    QVERIFY2(bus.isValid(), qPrintable(bus.error()));
    WorkbenchProcess bench(prefix.root(), x_->display());
    QVERIFY(bench.start(bus.environment()));
    AccessibleApp app(bus, QStringLiteral("corvisbench"));
    QVERIFY2(app.waitForApp(30000), qPrintable(app.error()));
    const QString client = QStringLiteral("corvisclient");
    QVERIFY(sim.waitForRequest(client, QStringLiteral("0x0112"), 30000));

    // The pushed login fills the portal; a pushed "show" brings the work area up.
    QCOMPARE(sim.push(0x0300), 0);
    QVERIFY(sim.waitForRequest(client, QStringLiteral("0x0115"), 30000));
    QVERIFY(QTest::qWaitFor([&]() { return !x_->hasViewableWindow(bench.pid()); }, 30000));
    QCOMPARE(sim.push(0x0310), 0);
    QVERIFY(x_->waitForViewableWindow(bench.pid(), 30000));
    const QRect item = app.waitFor(QStringLiteral("知识库"), QString(), 30000);
    QVERIFY2(!item.isEmpty(), qPrintable(workbenchLog(prefix.root(), QStringLiteral("info")).right(3000)));
    QCOMPARE(x_->xdotool({"mousemove", QString::number(item.center().x()), QString::number(item.center().y()), "click", "--repeat",
                          "2", "--delay", "80", "1"}),
             0);

    // The station records the command; run it as the station would.
    const QString station = QStringLiteral("userstation");
    QVERIFY2(sim.waitForRequest(station, QStringLiteral("0x1006"), 30000),
             qPrintable(workbenchLog(prefix.root(), QStringLiteral("info")).right(3000)));
    const QString command = sim.requests(station).first().value(QStringLiteral("body")).toString();
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    QVERIFY(shell.waitForFinished(20000));
    QVERIFY(QTest::qWaitFor([&]() { return QFileInfo::exists(args); }, 20000));
    QFile record(args);
    QVERIFY(record.open(QIODevice::ReadOnly));
    QList<QByteArray> got = record.readAll().split('\0');
    got.removeLast();
    QCOMPARE(got, QList<QByteArray>{url.toUtf8()});
    if (!project.isEmpty()) {
        QString body;
        for (const QJsonObject& request : ctl.requests()) {
            if (request.value(QStringLiteral("path")).toString() == QLatin1String("/Mervasso/auth/ssoAuth.json")) {
                body = request.value(QStringLiteral("body")).toString();
            }
        }
        QVERIFY2(body.startsWith(QLatin1String("access_token=sess-e2e-portal&uname=demo&appid=app03&")), qPrintable(body));
        // The token is a credential: never in the log.
        QVERIFY(!workbenchLog(prefix.root(), QStringLiteral("info")).contains(QLatin1String("sso-token-0001")));
    }

    QCOMPARE(sim.push(0x0311), 0);
    QVERIFY(bench.waitForExit(20000));
    QVERIFY(!bench.crashed());
}

QTEST_GUILESS_MAIN(TestPortalE2E)
#include "tst_portal_e2e.moc"
