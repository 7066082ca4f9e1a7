// The workbench as a screen reader meets it: under Xvfb with a session bus and the accessibility
// bus, every showing window is walked over AT-SPI on the login page, in the work area after a
// login and in the message centre, and no control a user can operate may lack a name.

#include "support/accessibility.h"
#include "support/simprocess.h"
#include "support/testprefix.h"
#include "support/xsession.h"

#include <QtTest>

#include <memory>

#include <csignal>

namespace {

// The first showing window of `pid` on the session's display, as xdotool names it.
QString showingWindow(const XSession& x, qint64 pid)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), x.display());
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--pid", QString::number(pid)});
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return QString();
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed().section(QLatin1Char('\n'), 0, 0);
}

}  // namespace

class TestAccessibleNamesE2E : public QObject
{
    Q_OBJECT

private slots:
    void everyShowingControlNamed();
};

void TestAccessibleNamesE2E::everyShowingControlNamed()
{
    XSession x;
    QVERIFY2(x.isValid(), qPrintable(x.error()));
    TestPrefix prefix;
    prefix.writeSysCfg("[Mervasso]\ncsmode=1\ncustomProject=\n[functions]\nrememberaccount=0\n");
    prefix.writeUserInfo("[UserInfo]\n");
    SimProcess sim(prefix.root());
    QVERIFY2(sim.startBuiltin(QStringLiteral("demo")), qPrintable(sim.errorOutput()));
    AccessibilityBus bus(x.display());
    QVERIFY2(bus.isValid(), qPrintable(bus.error()));
    WorkbenchProcess bench(prefix.root(), x.display());
    QVERIFY(bench.start(bus.environment()));
    AccessibleApp app(bus, QStringLiteral("corvisbench"));
    QVERIFY2(app.waitForApp(30000), qPrintable(app.error()));

    // The login page.
    QVERIFY(!app.waitFor(QStringLiteral("登录"), QStringLiteral("push button"), 30000).isEmpty());
    QStringList unnamed = app.unnamedControls();
    QVERIFY2(unnamed.isEmpty(), qPrintable(QStringLiteral("login page: ") + unnamed.join(QStringLiteral("; "))));

    // Logged in from the keyboard alone; the services bring the work area up.
    QVERIFY(x.waitForViewableWindow(bench.pid(), 20000));
    const QString window = showingWindow(x, bench.pid());
    QVERIFY(!window.isEmpty());
    QCOMPARE(x.xdotool({"windowfocus", "--sync", window}), 0);
    QCOMPARE(x.xdotool({"key", "ctrl+a"}), 0);
    QCOMPARE(x.xdotool({"type", "--delay", "30", "demo"}), 0);
    QCOMPARE(x.xdotool({"key", "Tab"}), 0);
    QCOMPARE(x.xdotool({"type", "--delay", "30", "Corvis@2024"}), 0);
    QCOMPARE(x.xdotool({"key", "Return"}), 0);
    QVERIFY(sim.waitForRequest(QStringLiteral("corvisclient"), QStringLiteral("0x0115"), 20000));
    QCOMPARE(sim.push(0x0310), 0);
    QVERIFY(!app.waitFor(QStringLiteral("统一门户"), QStringLiteral("check box"), 30000).isEmpty());
    unnamed = app.unnamedControls();
    QVERIFY2(unnamed.isEmpty(), qPrintable(QStringLiteral("work area: ") + unnamed.join(QStringLiteral("; "))));

    // The message centre over the work area.
    QCOMPARE(sim.push(0x0331), 0);
    QVERIFY(!app.waitFor(QStringLiteral("消息中心"), QString(), 30000).isEmpty());
    unnamed = app.unnamedControls();
    QVERIFY2(unnamed.isEmpty(), qPrintable(QStringLiteral("message centre: ") + unnamed.join(QStringLiteral("; "))));

    bench.signal(SIGTERM);
    QVERIFY(bench.waitForExit(20000));
}

QTEST_GUILESS_MAIN(TestAccessibleNamesE2E)
#include "tst_accessiblenames_e2e.moc"
