// The real corvisbench under Xvfb with trayer, against corvissim: a login that the access check
// refuses shows the access-check result dialog; "重新检查" asks the client service again and the
// dialog comes back with the new result. Controls are found over the accessibility bus, as a
// screen reader finds them.

#include "support/accessibility.h"
#include "support/logfiles.h"
#include "support/simprocess.h"
#include "support/testprefix.h"
#include "support/xsession.h"

#include <QtTest>

#include <memory>

#include <csignal>

class TestAccessCheckE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void refusedLoginShowsTheResult();

private:
    bool click(AccessibleApp& app, const QString& name, const QString& role);

    std::unique_ptr<XSession> x_;
};

void TestAccessCheckE2E::initTestCase()
{
    x_ = std::make_unique<XSession>();
    QVERIFY2(x_->isValid(), qPrintable(x_->error()));
}

bool TestAccessCheckE2E::click(AccessibleApp& app, const QString& name, const QString& role)
{
    const QRect rect = app.waitFor(name, role, 20000);
    if (rect.isEmpty()) {
        return false;
    }
    return x_->xdotool({QStringLiteral("mousemove"), QString::number(rect.center().x()), QString::number(rect.center().y()),
                        QStringLiteral("click"), QStringLiteral("1")}) == 0;
}

void TestAccessCheckE2E::refusedLoginShowsTheResult()
{
    TestPrefix prefix;
    prefix.writeSysCfg("[Mervasso]\ncsmode=1\ncustomProject=\n[functions]\nrememberaccount=0\n");
    prefix.writeUserInfo("[UserInfo]\nUserName=accessfail\n");
    SimProcess sim(prefix.root());
    QVERIFY2(sim.startBuiltins({QStringLiteral("demo"), QStringLiteral("accesscheck")}), qPrintable(sim.errorOutput()));
    AccessibilityBus bus(x_->display());
    QVERIFY2(bus.isValid(), qPrintable(bus.error()));
    WorkbenchProcess bench(prefix.root(), x_->display());
    QVERIFY(bench.start(bus.environment()));
    AccessibleApp app(bus, QStringLiteral("corvisbench"));
    QVERIFY2(app.waitForApp(30000), qPrintable(app.error()));
    const QString client = QStringLiteral("corvisclient");
    QVERIFY2(sim.waitForRequest(client, QStringLiteral("0x0112"), 20000), qPrintable(bench.output()));
    QVERIFY(x_->waitForViewableWindow(bench.pid(), 10000));

    QVERIFY(click(app, QStringLiteral("账号"), QStringLiteral("text")));
    QCOMPARE(x_->xdotool({"type", "--delay", "30", "accessfail"}), 0);
    QVERIFY(click(app, QStringLiteral("密码"), QStringLiteral("text")));
    QCOMPARE(x_->xdotool({"type", "--delay", "30", "Corvis@2024"}), 0);
    QCOMPARE(x_->xdotool({"key", "Return"}), 0);
    QVERIFY(sim.waitForRequest(client, QStringLiteral("0x0113"), 10000));

    // The check failed: the dialog shows the head with the number of sections found.
    QVERIFY2(!app.waitFor(QStringLiteral("检查已完成，共发现 5 个不合规项，请立即修复!"), QStringLiteral("label"), 20000).isEmpty(),
             qPrintable(bench.output()));
    QVERIFY(!app.find(QStringLiteral("重新检查"), QStringLiteral("push button")).isEmpty());

    // Checking again asks the client service, and its new result replaces the old one.
    QVERIFY(click(app, QStringLiteral("重新检查"), QStringLiteral("push button")));
    QVERIFY(sim.waitForRequest(client, QStringLiteral("0x0102"), 10000));
    QVERIFY2(!app.waitFor(QStringLiteral("检查已完成，共发现 2 个不合规项，请立即修复!"), QStringLiteral("label"), 20000).isEmpty(),
             qPrintable(bench.output()));
    QVERIFY(!bench.crashed());

    bench.signal(SIGTERM);
    QVERIFY(bench.waitForExit(10000));
}

QTEST_GUILESS_MAIN(TestAccessCheckE2E)
#include "tst_accesscheck_e2e.moc"
