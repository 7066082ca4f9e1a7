// The real corvisbench under Xvfb with SPA on, against corvissim's tray and client service, used by
// accessible names as a user would: it starts on the SPA page, a wrong password is refused with
// the tray's text, the right one opens the login page filled with the SPA account, which then
// logs in. No password reaches any log file.

#include "support/accessibility.h"
#include "support/logfiles.h"
#include "support/simprocess.h"
#include "support/testprefix.h"
#include "support/xsession.h"

#include <QJsonObject>
#include <QtTest>

#include <memory>

namespace {

constexpr int kWaitMs = 30000;
const QString kTray = QStringLiteral("corvistray");
const QString kClient = QStringLiteral("corvisclient");

}  // namespace

class TestPageSpaE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void knockThenLogin();

private:
    bool click(AccessibleApp& app, const QString& name, const QString& role);
    bool typeInto(AccessibleApp& app, const QString& name, const QString& text);

    std::unique_ptr<XSession> x_;
};

void TestPageSpaE2E::initTestCase()
{
    x_ = std::make_unique<XSession>();
    QVERIFY2(x_->isValid(), qPrintable(x_->error()));
}

bool TestPageSpaE2E::click(AccessibleApp& app, const QString& name, const QString& role)
{
    const QRect rect = app.waitFor(name, role, kWaitMs);
    if (rect.isEmpty()) {
        qWarning("no %s named %s is showing", qPrintable(role), qPrintable(name));
        return false;
    }
    return x_->xdotool({QStringLiteral("mousemove"), QString::number(rect.center().x()), QString::number(rect.center().y()),
                        QStringLiteral("click"), QStringLiteral("1")}) == 0;
}

bool TestPageSpaE2E::typeInto(AccessibleApp& app, const QString& name, const QString& text)
{
    return click(app, name, QStringLiteral("text")) && x_->xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")}) == 0 &&
           x_->xdotool({QStringLiteral("key"), QStringLiteral("BackSpace")}) == 0 &&
           x_->xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("25"), text}) == 0;
}

void TestPageSpaE2E::knockThenLogin()
{
    TestPrefix prefix;
    QVERIFY(prefix.writeSysCfg("[Mervasso]\ncsmode=1\n[corvisspa]\nspamark=1\n"));
    SimProcess sim(prefix.root());
    QVERIFY2(sim.startBuiltins({QStringLiteral("demo")}), qPrintable(sim.errorOutput()));
    AccessibilityBus bus(x_->display());
    QVERIFY2(bus.isValid(), qPrintable(bus.error()));
    WorkbenchProcess bench(prefix.root(), x_->display());
    QVERIFY(bench.start(bus.environment()));
    AccessibleApp app(bus, QStringLiteral("corvisbench"));
    QVERIFY2(app.waitForApp(kWaitMs), qPrintable(app.error()));

    // The SPA page comes first.
    QVERIFY(!app.waitFor(QStringLiteral("预认证"), QStringLiteral("label"), kWaitMs).isEmpty());
    QVERIFY(typeInto(app, QStringLiteral("账号"), QStringLiteral("demo")));
    QVERIFY(typeInto(app, QStringLiteral("密码"), QStringLiteral("Wrong@2024")));
    QVERIFY(x_->xdotool({QStringLiteral("key"), QStringLiteral("Return")}) == 0);
    QVERIFY(sim.waitForRequest(kTray, QStringLiteral("0x0601"), kWaitMs));
    QCOMPARE(sim.requests(kTray, QStringLiteral("0x0601")).first().value(QStringLiteral("body")).toString(),
             QStringLiteral("0\ndemo\nWrong@2024"));
    QVERIFY(!app.waitFor(QStringLiteral("SPA认证失败：用户名或密码错误"), QStringLiteral("label"), kWaitMs).isEmpty());

    QVERIFY(typeInto(app, QStringLiteral("密码"), QStringLiteral("Corvis@2024")));
    QVERIFY(click(app, QStringLiteral("登录"), QStringLiteral("push button")));
    QVERIFY(QTest::qWaitFor([&]() { return sim.requests(kTray, QStringLiteral("0x0601")).size() >= 2; }, kWaitMs));
    QCOMPARE(sim.requests(kTray, QStringLiteral("0x0601")).at(1).value(QStringLiteral("body")).toString(),
             QStringLiteral("0\ndemo\nCorvis@2024"));

    // The login page asks for the title and is filled with the SPA account; logging in sends it.
    QVERIFY(QTest::qWaitFor([&]() { return app.find(QStringLiteral("预认证"), QStringLiteral("label")).isEmpty(); }, kWaitMs));
    QVERIFY(sim.waitForRequest(kClient, QStringLiteral("0x0112"), kWaitMs));
    QVERIFY(!app.waitFor(QStringLiteral("登录"), QStringLiteral("push button"), kWaitMs).isEmpty());
    QVERIFY(click(app, QStringLiteral("登录"), QStringLiteral("push button")));
    QVERIFY(sim.waitForRequest(kClient, QStringLiteral("0x0113"), kWaitMs));
    const QString loginBody = sim.requests(kClient, QStringLiteral("0x0113")).first().value(QStringLiteral("body")).toString();
    QVERIFY2(loginBody.startsWith(QLatin1String("demo\n")), qPrintable(loginBody));
    QVERIFY(loginBody.contains(QLatin1String("Corvis@2024")));

    for (const char* severity : {"info", "warning", "error"}) {
        const QString log = workbenchLog(prefix.root(), QString::fromLatin1(severity));
        QVERIFY2(!log.contains(QLatin1String("Corvis@2024")), severity);
        QVERIFY2(!log.contains(QLatin1String("Wrong@2024")), severity);
    }
    QVERIFY(workbenchLog(prefix.root(), QStringLiteral("info")).contains(QLatin1String("slot_SPA_login_result login succ!")));
}

QTEST_GUILESS_MAIN(TestPageSpaE2E)
#include "tst_pagespa_e2e.moc"
