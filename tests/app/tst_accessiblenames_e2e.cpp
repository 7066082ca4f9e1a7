// The workbench as a screen reader meets it: under Xvfb with a session bus and the accessibility
// bus, the login is done by role and name alone, every showing window is walked over AT-SPI on
// the login page, in the work area, in the message centre and in the personal centre, and no
// control a user can operate may lack a name.

#include "support/accessibility.h"
#include "support/simprocess.h"
#include "support/testprefix.h"
#include "support/xsession.h"

#include <QtTest>

#include <memory>

#include <csignal>

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

    // Logged in as a screen reader's user does: the fields found by role and name, filled through
    // their text interface, "登录" pressed through its action; the services bring the work area up.
    QVERIFY2(app.setText(QStringLiteral("账号"), QStringLiteral("text"), QStringLiteral("demo")), qPrintable(app.error()));
    QVERIFY2(app.setText(QStringLiteral("密码"), QStringLiteral("text"), QStringLiteral("Corvis@2024")),
             qPrintable(app.error()));
    QVERIFY2(app.press(QStringLiteral("登录"), QStringLiteral("push button")), qPrintable(app.error()));
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

    // The personal centre from the user menu, by role and name again.
    QVERIFY2(app.press(QStringLiteral("用户菜单"), QString()), qPrintable(app.error()));
    QVERIFY(!app.waitFor(QStringLiteral("个人中心"), QStringLiteral("menu item"), 30000).isEmpty());
    QVERIFY2(app.press(QStringLiteral("个人中心"), QStringLiteral("menu item")), qPrintable(app.error()));
    QVERIFY(!app.waitFor(QStringLiteral("个人中心"), QStringLiteral("dialog"), 30000).isEmpty());
    unnamed = app.unnamedControls();
    QVERIFY2(unnamed.isEmpty(), qPrintable(QStringLiteral("personal centre: ") + unnamed.join(QStringLiteral("; "))));

    bench.signal(SIGTERM);
    QVERIFY(bench.waitForExit(20000));
}

QTEST_GUILESS_MAIN(TestAccessibleNamesE2E)
#include "tst_accessiblenames_e2e.moc"
