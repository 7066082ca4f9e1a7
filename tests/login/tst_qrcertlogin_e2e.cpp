// The real corvisbench under Xvfb with trayer, used through its accessible names as a person or a
// screen reader would, against corvissim (and corvisctlsim for the challenge):
// - the QR tab shows a code that zbarimg reads from a screenshot as exactly the login URL, at the
//   normal size and at a scale factor of 2; a simulated scan and confirmation log in as alice,
//   and her one-time credentials never reach the log files;
// - a certificate login with a USB key of the software token: a wrong PIN is refused on the page,
//   the right one signs the controller's challenge, the service refuses the first certificate
//   and the workbench logs in with the second without being asked.

#include "support/accessibility.h"
#include "support/ctlsim.h"
#include "support/logfiles.h"
#include "support/simprocess.h"
#include "support/testprefix.h"
#include "support/tokentool.h"
#include "support/xsession.h"
#include "testpaths.h"

#include <QtTest>

#include <csignal>
#include <memory>

namespace {

constexpr int kWaitMs = 30000;
const QString kClient = QStringLiteral("corvisclient");
const QString kLoginUrl = QStringLiteral("https://portal.corvis.example/mobile/qrlogin?sign=qrsign-0001");

// What zbarimg reads from a screenshot of the whole screen, one code per line.
QStringList codesOnScreen(const XSession& x, const QString& file)
{
    if (!x.screenshot(file)) {
        return {};
    }
    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), QStringLiteral("-Sdisable"),
                                           QStringLiteral("-Sqrcode.enable"), file});
    if (!zbar.waitForFinished(30000)) {
        zbar.kill();
        zbar.waitForFinished();
        return {};
    }
    return QString::fromUtf8(zbar.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The corvissim command line under the prefix, to its end.
int simCommand(const QStringList& args)
{
    QProcess process;
    process.start(SimProcess::program(), args);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitCode();
}

QString allLogs(const QString& root)
{
    return workbenchLog(root, QStringLiteral("info")) + workbenchLog(root, QStringLiteral("warning")) +
           workbenchLog(root, QStringLiteral("error"));
}

// One run of the workbench with the accessibility bus, used by accessible names.
struct Session {
    Session(XSession& x, const TestPrefix& prefix, const QStringList& env)
        : x(x), bus(x.display()), bench(prefix.root(), x.display()), app(bus, QStringLiteral("corvisbench"))
    {
        started = bus.isValid() && bench.start(bus.environment() + env) && app.waitForApp(kWaitMs);
    }
    ~Session()
    {
        if (bench.isRunning()) {
            bench.signal(SIGTERM);
            bench.waitForExit(10000);
        }
    }
    // Clicks the middle of the showing control; `scale`: the screen's pixels per accessible unit.
    bool click(const QString& name, const QString& role, qreal scale = 1.0)
    {
        const QRect rect = app.waitFor(name, role, kWaitMs);
        if (rect.isEmpty()) {
            return false;
        }
        const QPoint centre = rect.center() * scale;
        return x.xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"}) == 0;
    }
    bool type(const QString& text) { return x.xdotool({"type", "--delay", "30", text}) == 0; }
    bool key(const QString& keys) { return x.xdotool({"key", keys}) == 0; }
    bool shows(const QString& name, const QString& role) { return !app.waitFor(name, role, kWaitMs).isEmpty(); }

    XSession& x;
    AccessibilityBus bus;
    WorkbenchProcess bench;
    AccessibleApp app;
    bool started = false;
};

void installPictures(const TestPrefix& prefix)
{
    for (const char* name : {"scan_ok.png", "scan_refresh.png", "证书认证.png"}) {
        const QString relative = QStringLiteral("resource/default/clientlogin/") + QString::fromUtf8(name);
        QVERIFY(prefix.writeInstallFile(relative, readFile(CORVIS_SOURCE_DIR "/resources/installroot/" + relative)));
    }
}

}  // namespace

class TestQrCertLoginE2E : public QObject
{
    Q_OBJECT

private slots:
    void qrcodeLogin_data();
    void qrcodeLogin();
    void certificateLogin();
};

void TestQrCertLoginE2E::qrcodeLogin_data()
{
    QTest::addColumn<int>("scale");
    QTest::newRow("normal size") << 1;
    QTest::newRow("scale factor 2") << 2;
}

void TestQrCertLoginE2E::qrcodeLogin()
{
    QFETCH(int, scale);
    XSession x(scale == 2 ? QStringLiteral("2560x1600x24") : QStringLiteral("1280x800x24"));
    QVERIFY2(x.isValid(), qPrintable(x.error()));
    TestPrefix prefix;
    QVERIFY(prefix.writeSysCfg("[Mervasso]\ncsmode=1\ncustomProject=\n"));
    installPictures(prefix);
    SimProcess sim(prefix.root());
    QVERIFY2(sim.startBuiltin(QStringLiteral("demo")), qPrintable(sim.errorOutput()));
    QStringList env;
    if (scale == 2) {
        env << QStringLiteral("QT_SCALE_FACTOR=2");
    }
    Session s(x, prefix, env);
    QVERIFY2(s.started, qPrintable(s.bench.output()));

    // The first switch to the QR tab asks for a code; the code on the screen scans.
    QVERIFY(s.click(QStringLiteral("扫码登录"), QStringLiteral("page tab"), scale));
    QVERIFY(sim.waitForRequest(kClient, QStringLiteral("0x010e"), kWaitMs));
    QVERIFY(s.shows(QStringLiteral("登录二维码"), QStringLiteral("push button")));
    const QString shot = prefix.root() + QStringLiteral("/qrcode.png");
    QStringList codes;
    QVERIFY(QTest::qWaitFor([&] { return (codes = codesOnScreen(x, shot)).size() == 1; }, kWaitMs));
    QCOMPARE(codes, QStringList{kLoginUrl});
    QCOMPARE(sim.requests(kClient, QStringLiteral("0x010c")).size(), 1);
    QCOMPARE(sim.requests(kClient, QStringLiteral("0x010d")).first().value("body").toString(), QStringLiteral("qrsign-0001"));

    // The phone scans, then confirms.
    QCOMPARE(simCommand({QStringLiteral("qrcode"), QStringLiteral("scan")}), 0);
    QVERIFY(s.shows(QStringLiteral("“alice”扫描成功"), QStringLiteral("push button")));
    QCOMPARE(simCommand({QStringLiteral("qrcode"), QStringLiteral("confirm")}), 0);
    QVERIFY(sim.waitForRequest(kClient, QStringLiteral("0x010f"), kWaitMs));
    const QList<QJsonObject> logins = sim.requests(kClient, QStringLiteral("0x010f"));
    QCOMPARE(logins.size(), 1);
    QCOMPARE(logins.first().value("body").toString(), QStringLiteral("alice\n7Q4K-ALICE-2024\nqr-session-alice"));
    const int beats = sim.requests(kClient, QStringLiteral("0x010e")).size();
    // Logged in: the work area asks for its data; no heartbeat followed the confirmation.
    for (const char* type : {"0x0114", "0x0115", "0x011b"}) {
        QVERIFY2(sim.waitForRequest(kClient, QString::fromLatin1(type), kWaitMs), type);
    }
    QCOMPARE(sim.requests(kClient, QStringLiteral("0x010e")).size(), beats);

    const QString logs = allLogs(prefix.root());
    QVERIFY(logs.contains(QLatin1String("QR-code scan status 2002")));
    for (const char* secret : {"7Q4K-ALICE-2024", "qr-session-alice"}) {
        QVERIFY2(!logs.contains(QLatin1String(secret)), secret);
    }
}

void TestQrCertLoginE2E::certificateLogin()
{
    XSession x;
    QVERIFY2(x.isValid(), qPrintable(x.error()));
    TestPrefix prefix;
    installPictures(prefix);
    const QString pin = QStringLiteral("735291");
    QVERIFY(TokenTool::makeKey(QStringLiteral("key1"), pin, {QStringLiteral("revoked"), QStringLiteral("zhangsan")}));
    CtlSim ctl(prefix);
    QVERIFY2(ctl.isRunning(), qPrintable(ctl.startError()));
    QVERIFY(prefix.writeSysCfg("[Mervasso]\ncsmode=1\ncustomProject=\nServerIP=127.0.0.1\nServerPort=" +
                               QByteArray::number(ctl.httpsPort()) + "\n"));
    SimProcess sim(prefix.root());
    QVERIFY2(sim.startBuiltin(QStringLiteral("demo")), qPrintable(sim.errorOutput()));
    Session s(x, prefix, {});
    QVERIFY2(s.started, qPrintable(s.bench.output()));

    QVERIFY(s.click(QStringLiteral("证书登录"), QStringLiteral("page tab")));
    QVERIFY(s.shows(QStringLiteral("请插入U-key点击登录"), QStringLiteral("label")));

    // A wrong PIN: the key is read, nothing is signed, nothing is sent.
    QVERIFY(s.click(QStringLiteral("登录"), QStringLiteral("push button")));
    QVERIFY(s.click(QStringLiteral("PIN码"), QStringLiteral("text")));
    QVERIFY(s.type(QStringLiteral("864209")));
    QVERIFY(s.key(QStringLiteral("Return")));
    QVERIFY(s.shows(QStringLiteral("PIN码验证错误"), QStringLiteral("label")));
    QCOMPARE(sim.requests(kClient, QStringLiteral("0x0605")).size(), 0);

    // The right PIN: the first certificate is refused, the second logs in.
    QVERIFY(s.click(QStringLiteral("登录"), QStringLiteral("push button")));
    QVERIFY(s.click(QStringLiteral("PIN码"), QStringLiteral("text")));
    QVERIFY(s.type(pin));
    QVERIFY(s.key(QStringLiteral("Return")));
    QVERIFY(QTest::qWaitFor([&] { return sim.requests(kClient, QStringLiteral("0x0605")).size() == 2; }, kWaitMs));
    for (const char* type : {"0x0114", "0x0115", "0x011b"}) {
        QVERIFY2(sim.waitForRequest(kClient, QString::fromLatin1(type), kWaitMs), type);
    }
    const QList<QJsonObject> logins = sim.requests(kClient, QStringLiteral("0x0605"));
    QString pem;
    QCOMPARE(TokenTool::run({"cert", "key1", "zhangsan"}, &pem), 0);
    QVERIFY(logins.at(1).value("body").toString().startsWith(pem.trimmed() + QStringLiteral("[$^^$]")));
    // The challenge was signed and used up on the other side: corvissim checked the signature.
    QVERIFY(QFileInfo::exists(prefix.root() + QStringLiteral("/sim/challenges.jsonl.used")));
    QVERIFY(!allLogs(prefix.root()).contains(pin));
}

QTEST_GUILESS_MAIN(TestQrCertLoginE2E)
#include "tst_qrcertlogin_e2e.moc"
