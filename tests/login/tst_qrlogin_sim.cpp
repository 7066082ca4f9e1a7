// The QR login flow against corvissim over the real sockets: the whole exchange with the bodies
// the service receives, the scenario stories and events of the simulated phone, cancel, a hanging
// heartbeat, and the credentials kept out of the log.

#include "comm/uicomm.h"
#include "login/qrloginflow.h"
#include "platform/corvismsg/msgoptions.h"
#include "support/logcapture.h"
#include "support/simprocess.h"
#include "support/testprefix.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

struct Sent {
    QString type;
    QString body;
    bool operator==(const Sent& o) const { return type == o.type && body == o.body; }
};

char* toString(const Sent& sent)
{
    return QTest::toString(QStringLiteral("%1 \"%2\"").arg(sent.type, sent.body));
}

// The flow wired as the login dialog wires it: requests to UiComm, results back.
struct Wired {
    Wired() : flow(corvis::Edition())
    {
        flow.heartbeatTimer()->setInterval(20);
        QObject::connect(&flow, &QrLoginFlow::sendRequest, &flow, [](ClientReq req, const QString& body) {
            UiComm::instance()->apiCorvisclientCommon(req, body, true);
        });
        QObject::connect(UiComm::instance(), &UiComm::sendCommMsg, &flow,
                         [this](ClientReq req, const QString& text, const QString&, bool failed) {
                             if (!flow.onResult(req, text, failed) && req == CReqClientLogin74) {
                                 loginResults.append({text, failed});
                             }
                         });
    }
    QrLoginFlow flow;
    QList<QPair<QString, bool>> loginResults;
};

QList<Sent> clientRequests(const SimProcess& sim)
{
    QList<Sent> out;
    for (const QJsonObject& r : sim.requests(QStringLiteral("corvisclient"))) {
        out.append({r.value("type").toString(), r.value("body").toString()});
    }
    return out;
}

// corvissim run to its end, under the test's prefix (or with none).
int runSim(const QStringList& args, QString* err, bool withPrefix = true)
{
    QProcess process;
    if (!withPrefix) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("CORVISBENCH_PREFIX"));
        process.setProcessEnvironment(env);
    }
    process.start(SimProcess::program(), args);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    *err = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitCode();
}

const Sent kSign{"0x010c", ""};
Sent url(int n)
{
    return {"0x010d", QStringLiteral("qrsign-%1").arg(n, 4, 10, QLatin1Char('0'))};
}
Sent beat(int n)
{
    return {"0x010e", QStringLiteral("qrsign-%1").arg(n, 4, 10, QLatin1Char('0'))};
}

}  // namespace

class TestQrLoginSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void scannedAndConfirmed();
    void stories_data();
    void stories();
    void phoneEvents();
    void cancelRestarts();
    void hangingHeartbeat();
    void badScenario_data();
    void badScenario();
    void eventCommandUsage();

private:
    std::unique_ptr<TestPrefix> prefix_;
};

void TestQrLoginSim::initTestCase()
{
    UiComm::instance();
}

void TestQrLoginSim::init()
{
    prefix_ = std::make_unique<TestPrefix>();
}

void TestQrLoginSim::cleanup()
{
    prefix_.reset();
}

void TestQrLoginSim::scannedAndConfirmed()
{
    LogCapture log;
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.startBuiltins({"demo", "qrcode-scanned"}), qPrintable(sim.errorOutput()));
    Wired w;
    QSignalSpy views(&w.flow, &QrLoginFlow::viewChanged);
    QSignalSpy locks(&w.flow, &QrLoginFlow::lockTabBar);
    w.flow.onTabShown();
    QTRY_COMPARE_WITH_TIMEOUT(w.loginResults.size(), 1, 30000);
    QCOMPARE(w.loginResults.first(), qMakePair(QStringLiteral("登录成功"), false));
    QCOMPARE(locks.count(), 1);
    QCOMPARE(w.flow.stage(), QrLoginFlow::Stage::LoggingIn);

    const Sent login{"0x010f", "alice\n7Q4K-ALICE-2024\nqr-session-alice"};
    // Three heartbeats wait, two see the scan, the sixth the confirmation; none after it.
    const QList<Sent> expected{kSign,   url(1),  beat(1), beat(1), beat(1),
                               beat(1), beat(1), beat(1), login};
    QCOMPARE(clientRequests(sim), expected);

    bool sawScanned = false;
    for (const QList<QVariant>& args : views) {
        const QrLoginView view = args.first().value<QrLoginView>();
        sawScanned |= view.picture == QrLoginView::Scanned && view.overlayText == QStringLiteral("“alice”扫描成功");
    }
    QVERIFY(sawScanned);
    QCOMPARE(w.flow.view().overlayText, QStringLiteral("扫码登录确认成功"));
    QCOMPARE(w.flow.view().url, QStringLiteral("https://portal.corvis.example/mobile/qrlogin?sign=qrsign-0001"));
    const QJsonObject result = QJsonDocument::fromJson(prefix_->readInstallFile("ini/login.json")).object();
    QCOMPARE(result.value("loginName").toString(), QStringLiteral("alice"));
    QCOMPARE(result.value("status").toInt(), 2000);

    // The replies and requests were logged, the credentials of the confirmation were not.
    QVERIFY(log.text().contains("qrsign-0001"));
    QVERIFY(!log.text().contains("7Q4K-ALICE-2024"));
    QVERIFY(!log.text().contains("qr-session-alice"));
}

void TestQrLoginSim::stories_data()
{
    QTest::addColumn<QString>("story");
    QTest::addColumn<int>("heartbeats");
    QTest::addColumn<QString>("tip");
    QTest::newRow("expired") << "qrcode-expired" << 4 << "二维码已过期，请刷新二维码";
    QTest::newRow("cancelled by the service") << "qrcode-cancelled" << 4 << "扫码登录已被取消，请刷新二维码";
}

void TestQrLoginSim::stories()
{
    QFETCH(QString, story);
    QFETCH(int, heartbeats);
    QFETCH(QString, tip);
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.startBuiltins({"demo", story}), qPrintable(sim.errorOutput()));
    Wired w;
    w.flow.onTabShown();
    QTRY_COMPARE_WITH_TIMEOUT(w.flow.view().hint, tip, 30000);
    QCOMPARE(w.flow.view().picture, QrLoginView::Refresh);
    QCOMPARE(w.flow.info().ready, 1);
    QVERIFY(!w.flow.heartbeatTimer()->isActive());
    QCOMPARE(sim.requests("corvisclient", "0x010e").size(), heartbeats);
    QCOMPARE(sim.requests("corvisclient", "0x010f").size(), 0);

    // A click on the refresh picture: a new sign, waiting again.
    QVERIFY(w.flow.onBtnLoginQrcodeClicked());
    QTRY_COMPARE_WITH_TIMEOUT(clientRequests(sim).contains(beat(2)), true, 20000);
    QCOMPARE(w.flow.view().picture, QrLoginView::Code);
}

void TestQrLoginSim::phoneEvents()
{
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.startBuiltin("demo"), qPrintable(sim.errorOutput()));
    Wired w;
    w.flow.onTabShown();
    QVERIFY(sim.waitForRequest("corvisclient", "0x010e", 20000));
    QString err;
    QCOMPARE(runSim({"qrcode", "scan", "--user", "bob"}, &err, false), 1);  // no prefix: refused
    QVERIFY2(err.contains("CORVISBENCH_PREFIX"), qPrintable(err));
    QCOMPARE(runSim({"qrcode", "scan", "--user", "bob"}, &err), 0);
    QTRY_COMPARE_WITH_TIMEOUT(w.flow.view().overlayText, QStringLiteral("“bob”扫描成功"), 20000);
    QCOMPARE(w.flow.view().picture, QrLoginView::Scanned);
    // A confirmation with credentials the service does not know: the QR login is refused.
    QCOMPARE(runSim({"qrcode", "confirm", "--user", "bob", "--authcode", "WRONG", "--sessionid", "s-1"}, &err), 0);
    QTRY_COMPARE_WITH_TIMEOUT(w.loginResults.size(), 1, 20000);
    QCOMPARE(w.loginResults.first(), qMakePair(QStringLiteral("扫码登录凭证无效，请重新扫码"), true));
    QCOMPARE(sim.requests("corvisclient", "0x010f").first().value("body").toString(), QStringLiteral("bob\nWRONG\ns-1"));
    QVERIFY(!QFileInfo::exists(prefix_->root() + "/sim/qrcode.json"));  // the event was taken once
}

void TestQrLoginSim::cancelRestarts()
{
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.startBuiltin("demo"), qPrintable(sim.errorOutput()));
    Wired w;
    w.flow.onTabShown();
    QVERIFY(sim.waitForRequest("corvisclient", "0x010e", 20000));
    w.flow.onBtnLoginQrcodeCancelClicked();
    QTRY_COMPARE_WITH_TIMEOUT(clientRequests(sim).contains(beat(2)), true, 20000);
    const QList<Sent> sent = clientRequests(sim);
    const int cancel = sent.indexOf(Sent{"0x0127", "qrsign-0001"});
    QVERIFY(cancel > 0);
    // After the cancel: a new sign, its URL, and heartbeats of the new sign only.
    QCOMPARE(sent.mid(cancel + 1, 2), (QList<Sent>{kSign, url(2)}));
    for (const Sent& s : sent.mid(cancel + 1)) {
        QVERIFY(s.body != QStringLiteral("qrsign-0001"));
    }
    QCOMPARE(w.flow.info().sign, QStringLiteral("qrsign-0002"));
    // The service has forgotten the cancelled sign.
    w.flow.stop();
    QList<QPair<QString, bool>> urls;
    QObject::connect(UiComm::instance(), &UiComm::sendCommMsg, &w.flow,
                     [&urls](ClientReq req, const QString& text, const QString&, bool failed) {
                         if (req == CReqClientQrcode72) {
                             urls.append({text, failed});
                         }
                     });
    UiComm::instance()->apiCorvisclientCommon(CReqClientQrcode72, QStringLiteral("qrsign-0001"), true);
    QTRY_COMPARE_WITH_TIMEOUT(urls.size(), 1, 20000);
    QCOMPARE(urls.first(), qMakePair(QStringLiteral("签名无效"), true));
}

void TestQrLoginSim::hangingHeartbeat()
{
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(R"({"corvisclient": {"0x010C": {"qrcode": true}, "0x010D": {"qrcode": true},
                                            "0x010E": {"hang": true}}})"),
             qPrintable(sim.errorOutput()));
    const int timeout = corvismsg::receiveTimeoutMs();
    corvismsg::setReceiveTimeoutMs(3000);
    Wired w;
    w.flow.onTabShown();
    QVERIFY(sim.waitForRequest("corvisclient", "0x010e", 20000));
    // Ticks every 20 ms while the service hangs; the one heartbeat ends with the library's time-out.
    QTRY_COMPARE_WITH_TIMEOUT(w.flow.view().hint, QStringLiteral("后台通信失败"), 30000);
    corvismsg::setReceiveTimeoutMs(timeout);
    QCOMPARE(sim.requests("corvisclient", "0x010e").size(), 1);
    QVERIFY(!w.flow.heartbeatTimer()->isActive());
    QCOMPARE(w.flow.view().picture, QrLoginView::Refresh);
}

void TestQrLoginSim::badScenario_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("message");
    QTest::newRow("false") << QByteArray("false") << "qrcode: true or an object expected";
    QTest::newRow("a number") << QByteArray("1") << "qrcode: true or an object with";
    QTest::newRow("unknown option") << QByteArray(R"({"sign": "x"})") << "qrcode: sign: unknown key";
    QTest::newRow("url without the sign") << QByteArray("{\"url\": \"https:\x2f/x\"}") << "url: a text with %1";
    QTest::newRow("timeline not an array") << QByteArray(R"({"timeline": {}})") << "timeline: an array of steps";
    QTest::newRow("step without status") << QByteArray(R"({"timeline": [{"after": 1}]})")
                                         << "timeline[0]: \"after\" (heartbeats) and \"status\"";
    QTest::newRow("negative after") << QByteArray(R"({"timeline": [{"after": -1, "status": 2001}]})")
                                    << "timeline[0]: \"after\"";
    QTest::newRow("unknown step key") << QByteArray(R"({"timeline": [{"after": 1, "status": 2001, "user": "a"}]})")
                                      << "timeline[0].user: unknown key";
    QTest::newRow("user not a text") << QByteArray(R"({"timeline": [{"after": 1, "status": 2001, "username": 5}]})")
                                     << "timeline[0].username: a text expected";
}

void TestQrLoginSim::badScenario()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, message);
    const QString file = prefix_->root() + QStringLiteral("/bad.json");
    QVERIFY(writeFile(file, "{\"corvisclient\": {\"0x010E\": {\"qrcode\": " + value + "}}}"));
    QString err;
    QCOMPARE(runSim({"serve", "--scenario", file}, &err), 1);
    QVERIFY2(err.contains(message), qPrintable(err));
}

void TestQrLoginSim::eventCommandUsage()
{
    QString err;
    QCOMPARE(runSim({"qrcode"}, &err), 2);
    QCOMPARE(runSim({"qrcode", "wave"}, &err), 2);
    QCOMPARE(runSim({"qrcode", "scan", "--user"}, &err), 2);
    QCOMPARE(runSim({"qrcode", "scan", "--colour", "red"}, &err), 2);
    QVERIFY2(err.contains("usage: corvissim qrcode scan|confirm|expire|cancel"), qPrintable(err));
    QCOMPARE(runSim({"qrcode", "expire", "--msg", "过期了"}, &err), 0);
    const QJsonObject event = QJsonDocument::fromJson(readFile(prefix_->root() + "/sim/qrcode.json")).object();
    QCOMPARE(event.value("status").toInt(), 2003);
    QCOMPARE(event.value("msg").toString(), QStringLiteral("过期了"));
}

QTEST_GUILESS_MAIN(TestQrLoginSim)
#include "tst_qrlogin_sim.moc"
