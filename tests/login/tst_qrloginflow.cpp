// The QR login flow without widgets or sockets: what each answer of the client service makes the
// QR page show and send, the heartbeat's rules, cancel, stop and clear.

#include "login/qrloginflow.h"
#include "support/logcapture.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using Id = corvis::Edition::Id;

namespace {

const QString kSign = QStringLiteral("sign-7f3a");
const QString kUrl = QStringLiteral("https://portal.corvis.example/mobile/qrlogin?sign=sign-7f3a");
const QString kStandardHint = QStringLiteral("打开并登录 移动端门户 扫描即可登录\n(可扫描二维码下载)");
const QString kTirrowaHint = QStringLiteral("打开手机澜讯，点击右上角“+”，使用扫一扫进行扫码登录");
const QString kDataError = QStringLiteral("后台数据处理异常！");
const QString kError = QStringLiteral("#D8424E");
const QString kHint = QStringLiteral("#2F2F2F");

QString heartbeat(int status, const QString& msg, const QString& data = QStringLiteral("{}"))
{
    return QStringLiteral(R"({"status":%1,"msg":"%2","data":%3})").arg(status).arg(msg, data);
}

const QString kAlice = QStringLiteral(R"({"username":"alice"})");
const QString kAliceConfirmed =
    QStringLiteral(R"({"username":"alice","authcode":"AC-SECRET-91","sessionid":"SID-SECRET-42"})");

// One flow with spies on everything it tells the page and the dialog.
struct Harness {
    explicit Harness(Id id = Id::Standard)
        : flow(corvis::Edition(id)), sent(&flow, &QrLoginFlow::sendRequest), views(&flow, &QrLoginFlow::viewChanged),
          locks(&flow, &QrLoginFlow::lockTabBar)
    {
    }

    // The last request sent, or an empty pair.
    QPair<int, QString> last() const
    {
        if (sent.isEmpty()) {
            return {-1, QString()};
        }
        return {sent.last().at(0).toInt(), sent.last().at(1).toString()};
    }
    int count(ClientReq req) const
    {
        int n = 0;
        for (const QList<QVariant>& args : sent) {
            n += args.at(0).value<ClientReq>() == req ? 1 : 0;
        }
        return n;
    }
    // Start, sign and URL answered: the code is shown and the heartbeat runs.
    bool toPolling(const QString& url = kUrl)
    {
        return flow.onBtnLoginQrcodeClicked() &&
               flow.onResult(CReqClientQrcodeSign, QStringLiteral(R"({"data":{"sign":"%1"}})").arg(kSign), false) &&
               flow.onResult(CReqClientQrcode72, QStringLiteral(R"({"loginurl":"%1"})").arg(url), false) &&
               flow.stage() == QrLoginFlow::Stage::Polling;
    }
    // One heartbeat sent and answered.
    void beat(const QString& answer, bool error = false)
    {
        flow.onHeartbeatTick();
        flow.onResult(CReqClientQrcode73, answer, error);
    }

    QrLoginFlow flow;
    QSignalSpy sent;
    QSignalSpy views;
    QSignalSpy locks;
};

}  // namespace

class TestQrLoginFlow : public QObject
{
    Q_OBJECT

private slots:
    void start_data();
    void start();
    void stepFailures_data();
    void stepFailures();
    void statuses_data();
    void statuses();
    void badHeartbeats_data();
    void badHeartbeats();
    void repeatedStatuses();
    void heartbeatsNotStacked();
    void nothingAfterStop();
    void earlierFlowAnswersDropped();
    void cancelRestarts();
    void cancelEdges();
    void tabShownOnce();
    void secretsNotLogged();
};

void TestQrLoginFlow::start_data()
{
    QTest::addColumn<int>("edition");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("logo");
    QTest::newRow("standard") << int(Id::Standard) << kStandardHint << "resource/default/clientlogin/scan_ok.png";
    QTest::newRow("tirrowa-uos-x86") << int(Id::TirrowaUosX86) << kTirrowaHint << "resource/default/clientlogin/scan_ok.png";
    QTest::newRow("vesk-uos-4.19.71") << int(Id::VeskUos) << QString() << "resource/vesk/clientlogin/scan_ok.png";
    QTest::newRow("vesk-kylin-5.4.18-32") << int(Id::VeskKylin) << QString() << "resource/vesk/clientlogin/scan_ok.png";
    QTest::newRow("kav") << int(Id::Kav) << kStandardHint << "resource/default/clientlogin/scan_ok.png";
}

void TestQrLoginFlow::start()
{
    QFETCH(int, edition);
    QFETCH(QString, hint);
    QFETCH(QString, logo);
    LogCapture log;
    Harness h{Id(edition)};
    QCOMPARE(h.flow.info().ready, 1);
    QVERIFY(QrLoginFlow::scanOkLogo(corvis::Edition(Id(edition))).endsWith(logo));
    QVERIFY(QrLoginFlow::scanRefreshLogo(corvis::Edition(Id(edition))).endsWith(logo.replace("scan_ok", "scan_refresh")));

    QVERIFY(h.flow.onBtnLoginQrcodeClicked());
    QCOMPARE(h.last(), qMakePair(int(CReqClientQrcodeSign), QString()));
    QCOMPARE(h.flow.info().ready, 0);
    QCOMPARE(h.flow.info().status, -1);
    QCOMPARE(h.flow.view().hint, hint);
    QCOMPARE(h.flow.view().hintColour, kHint);
    QCOMPARE(h.flow.view().picture, QrLoginView::Blank);
    QVERIFY(log.contains("FUNC(onBtnLoginQrcodeClicked) exit, begin login"));

    // A second click while the flow runs does nothing.
    QVERIFY(!h.flow.onBtnLoginQrcodeClicked());
    QCOMPARE(h.sent.count(), 1);
    QVERIFY(log.contains("FUNC(onBtnLoginQrcodeClicked) exit, noting to do"));

    QVERIFY(h.flow.onResult(CReqClientQrcodeSign, QStringLiteral(R"({"code":0,"data":{"sign":"%1"}})").arg(kSign), false));
    QCOMPARE(h.last(), qMakePair(int(CReqClientQrcode72), kSign));
    QCOMPARE(h.flow.info().sign, kSign);
    QVERIFY(h.flow.onResult(CReqClientQrcode72, QStringLiteral(R"({"loginurl":"%1"})").arg(kUrl), false));
    QCOMPARE(h.flow.view().picture, QrLoginView::Code);
    QCOMPARE(h.flow.view().url, kUrl);
    QCOMPARE(h.flow.view().hint, hint);
    QVERIFY(h.flow.heartbeatTimer()->isActive());
    QCOMPARE(h.flow.heartbeatTimer()->interval(), 2000);
    QCOMPARE(h.flow.heartbeatTimer()->objectName(), QStringLiteral("timerQrHeartbeat"));
    h.flow.onHeartbeatTick();
    QCOMPARE(h.last(), qMakePair(int(CReqClientQrcode73), kSign));
    // The QR login's own result is the login dialog's.
    QVERIFY(!h.flow.onResult(CReqClientLogin74, QString(), false));
    QVERIFY(!h.flow.onResult(CReqClientLogin76, QString(), false));
}

void TestQrLoginFlow::stepFailures_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("error");
    QTest::addColumn<QString>("tip");
    QString longUrl = QStringLiteral("https://portal.corvis.example/mobile/qrlogin?sign=");
    while (longUrl.size() < 3000) {
        longUrl += QStringLiteral("a1b2c3d4e5");
    }
    QTest::newRow("71 refused") << 71 << "后台通信失败" << true << "后台通信失败";
    QTest::newRow("71 not JSON") << 71 << "sign" << false << kDataError;
    QTest::newRow("71 without data") << 71 << R"({"sign":"x"})" << false << kDataError;
    QTest::newRow("71 sign a number") << 71 << R"({"data":{"sign":5}})" << false << kDataError;
    QTest::newRow("71 sign empty") << 71 << R"({"data":{"sign":""}})" << false << kDataError;
    QTest::newRow("72 refused") << 72 << "签名无效" << true << "签名无效";
    QTest::newRow("72 not JSON") << 72 << "<html>" << false << kDataError;
    QTest::newRow("72 URL empty") << 72 << R"({"loginurl":""})" << false << kDataError;
    QTest::newRow("72 URL of 3,000 bytes") << 72 << QStringLiteral(R"({"loginurl":"%1"})").arg(longUrl) << false
                                           << "登录地址过长，无法生成二维码，请联系管理员";
}

void TestQrLoginFlow::stepFailures()
{
    QFETCH(int, step);
    QFETCH(QString, text);
    QFETCH(bool, error);
    QFETCH(QString, tip);
    Harness h;
    QVERIFY(h.flow.onBtnLoginQrcodeClicked());
    if (step == 72) {
        QVERIFY(h.flow.onResult(CReqClientQrcodeSign, QStringLiteral(R"({"data":{"sign":"%1"}})").arg(kSign), false));
    }
    const int sent = h.sent.count();
    QVERIFY(h.flow.onResult(ClientReq(step), text, error));
    QCOMPARE(h.sent.count(), sent);
    QCOMPARE(h.flow.view().picture, QrLoginView::Refresh);
    QCOMPARE(h.flow.view().overlayText, QStringLiteral("刷新二维码"));
    QCOMPARE(h.flow.view().overlayColour, kHint);
    QCOMPARE(h.flow.view().hint, tip);
    QCOMPARE(h.flow.view().hintColour, kError);
    QVERIFY(h.flow.view().url.isEmpty());
    QCOMPARE(h.flow.info().ready, 1);
    QVERIFY(!h.flow.heartbeatTimer()->isActive());
    // No retry by itself; a click on the refresh picture starts again.
    h.flow.onHeartbeatTick();
    QCOMPARE(h.sent.count(), sent);
    QVERIFY(h.flow.onBtnLoginQrcodeClicked());
    QCOMPARE(h.last(), qMakePair(int(CReqClientQrcodeSign), QString()));
}

void TestQrLoginFlow::statuses_data()
{
    QTest::addColumn<int>("edition");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("picture");
    QTest::addColumn<QString>("overlay");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("hintColour");
    QTest::addColumn<bool>("polling");
    QTest::addColumn<int>("ready");
    QTest::addColumn<QString>("loginBody");  // 74 sent with this body; empty: none
    QTest::addColumn<bool>("indicator");

    const QString confirmed = heartbeat(2002, "确认成功", kAliceConfirmed);
    const QString body = QStringLiteral("alice\nAC-SECRET-91\nSID-SECRET-42");
    QTest::newRow("2004 waiting") << int(Id::Standard) << heartbeat(2004, "等待扫码") << int(QrLoginView::Code) << ""
                                  << kStandardHint << kHint << true << 0 << "" << false;
    QTest::newRow("2004 vesk: no hint") << int(Id::VeskUos) << heartbeat(2004, "等待扫码") << int(QrLoginView::Code) << ""
                                        << "" << kHint << true << 0 << "" << false;
    QTest::newRow("2001 scanned") << int(Id::Standard) << heartbeat(2001, "已扫码", kAlice) << int(QrLoginView::Scanned)
                                  << "“alice”扫描成功" << "" << kHint << true << 0 << "" << false;
    QTest::newRow("2001 tirrowa: indicator") << int(Id::TirrowaUosX86) << heartbeat(2001, "已扫码", kAlice)
                                             << int(QrLoginView::Scanned) << "“alice”扫描成功" << "" << kHint << true << 0
                                             << "" << true;
    QTest::newRow("2002 confirmed: msg") << int(Id::Standard) << confirmed << int(QrLoginView::Scanned) << "确认成功" << ""
                                         << kHint << false << 0 << body << false;
    QTest::newRow("2002 tirrowa: 登录成功") << int(Id::TirrowaUosX86) << confirmed << int(QrLoginView::Scanned) << "登录成功"
                                           << "" << kHint << false << 0 << body << false;
    QTest::newRow("2002 without credentials") << int(Id::Standard)
                                              << heartbeat(2002, "确认成功", R"({"username":"alice","authcode":"","sessionid":"s"})")
                                              << int(QrLoginView::Refresh) << "刷新二维码" << kDataError << kError << false
                                              << 1 << "" << false;
    // The login body is one field per line: a line break in a field would add a field of its own.
    const struct {
        const char* name;
        const char* data;
    } broken[] = {
        {"2002 user with a line break", R"({"username":"alice\nadmin","authcode":"AC","sessionid":"s"})"},
        {"2002 code with a line break", R"({"username":"alice","authcode":"AC\nx","sessionid":"s"})"},
        {"2002 session with a carriage return", R"({"username":"alice","authcode":"AC","sessionid":"s\r\nx"})"},
    };
    for (const auto& row : broken) {
        QTest::newRow(row.name) << int(Id::Standard) << heartbeat(2002, "确认成功", row.data) << int(QrLoginView::Refresh)
                                << "刷新二维码" << kDataError << kError << false << 1 << "" << false;
    }
    QTest::newRow("2003 expired") << int(Id::Standard) << heartbeat(2003, "二维码已过期") << int(QrLoginView::Refresh)
                                  << "刷新二维码" << "二维码已过期" << kError << false << 1 << "" << false;
    QTest::newRow("6002 cancelled by the service") << int(Id::TirrowaUosX86) << heartbeat(6002, "已取消")
                                                   << int(QrLoginView::Refresh) << "刷新二维码" << "已取消" << kError
                                                   << false << 1 << "" << false;
    QTest::newRow("2003 without a text") << int(Id::Standard) << heartbeat(2003, "") << int(QrLoginView::Refresh)
                                         << "刷新二维码" << "二维码已失效，请点击刷新二维码" << kError << false << 1 << ""
                                         << false;
    QTest::newRow("other status") << int(Id::Standard) << heartbeat(5001, "服务异常") << int(QrLoginView::Refresh)
                                  << "刷新二维码" << "服务异常" << kError << false << 1 << "" << false;
    QTest::newRow("status 0") << int(Id::Standard) << heartbeat(0, "ok") << int(QrLoginView::Refresh) << "刷新二维码"
                              << "ok" << kError << false << 1 << "" << false;
    QTest::newRow("refused heartbeat") << int(Id::TirrowaUosX86) << "后台通信失败" << int(QrLoginView::Refresh)
                                       << "刷新二维码" << "后台通信失败" << kError << false << 1 << "" << false;
}

void TestQrLoginFlow::statuses()
{
    QFETCH(int, edition);
    QFETCH(QString, answer);
    QFETCH(int, picture);
    QFETCH(QString, overlay);
    QFETCH(QString, hint);
    QFETCH(QString, hintColour);
    QFETCH(bool, polling);
    QFETCH(int, ready);
    QFETCH(QString, loginBody);
    QFETCH(bool, indicator);
    LogCapture log;
    Harness h{Id(edition)};
    QVERIFY(h.toPolling());
    const bool refused = !answer.startsWith('{');
    h.beat(answer, refused);

    const QrLoginView& view = h.flow.view();
    QCOMPARE(int(view.picture), picture);
    QCOMPARE(view.overlayText, overlay);
    QCOMPARE(view.hint, hint);
    QCOMPARE(view.hintColour, hintColour);
    QCOMPARE(view.scanIndicator, indicator);
    QCOMPARE(view.url, kUrl);  // the code stays under every overlay
    QCOMPARE(h.flow.heartbeatTimer()->isActive(), polling);
    QCOMPARE(h.flow.info().ready, ready);
    QCOMPARE(h.count(CReqClientLogin74), loginBody.isEmpty() ? 0 : 1);
    QCOMPARE(h.locks.count(), loginBody.isEmpty() ? 0 : 1);
    if (!loginBody.isEmpty()) {
        QCOMPARE(h.last(), qMakePair(int(CReqClientLogin74), loginBody));
        QCOMPARE(h.flow.stage(), QrLoginFlow::Stage::LoggingIn);
        QVERIFY(!view.cancelEnabled);
    }
    if (picture == QrLoginView::Scanned) {
        QVERIFY(view.logo.endsWith("scan_ok.png"));
        QCOMPARE(view.overlayColour, edition == int(Id::VeskUos) ? QStringLiteral("#4AB793") : QStringLiteral("#1AA9FF"));
    }
    if (picture == QrLoginView::Refresh) {
        QVERIFY(view.logo.endsWith("scan_refresh.png"));
    }
    QCOMPARE(log.contains("error status: 5001"), answer.contains("5001"));
    // The next tick polls again only while the flow polls.
    const int before = h.count(CReqClientQrcode73);
    h.flow.onHeartbeatTick();
    QCOMPARE(h.count(CReqClientQrcode73), before + (polling ? 1 : 0));
}

void TestQrLoginFlow::badHeartbeats_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("not JSON") << "{status:2004";
    QTest::newRow("empty") << "";
    QTest::newRow("an array") << "[2004]";
    QTest::newRow("a number") << "2004";
    QTest::newRow("status as a text") << R"({"status":"2004","msg":"x","data":{}})";
    QTest::newRow("status missing") << R"({"msg":"x","data":{}})";
    QTest::newRow("2001 without the user") << R"({"status":2001,"msg":"x","data":{}})";
    QTest::newRow("2001 with data a text") << R"({"status":2001,"msg":"x","data":"alice"})";
    QTest::newRow("2002 without the session") << R"({"status":2002,"msg":"x","data":{"username":"a","authcode":"b"}})";
    QTest::newRow("2002 with a numeric code") << R"({"status":2002,"msg":"x","data":{"username":"a","authcode":7,"sessionid":"c"}})";
}

void TestQrLoginFlow::badHeartbeats()
{
    QFETCH(QString, answer);
    Harness h;
    QVERIFY(h.toPolling());
    h.beat(answer);
    QCOMPARE(h.flow.view().hint, kDataError);
    QCOMPARE(h.flow.view().picture, QrLoginView::Refresh);
    QVERIFY(!h.flow.heartbeatTimer()->isActive());
    QCOMPARE(h.flow.info().ready, 1);
    // Polling has stopped for good: ticks (a timer event already queued) send nothing.
    for (int i = 0; i < 5; ++i) {
        h.flow.onHeartbeatTick();
    }
    QCOMPARE(h.count(CReqClientQrcode73), 1);
    QCOMPARE(h.count(CReqClientLogin74), 0);
}

void TestQrLoginFlow::repeatedStatuses()
{
    Harness h;
    QVERIFY(h.toPolling());
    h.beat(heartbeat(2004, "等待扫码"));
    const int views = h.views.count();
    h.beat(heartbeat(2004, "等待扫码"));
    h.beat(heartbeat(2004, "等待扫码"));
    QCOMPARE(h.views.count(), views);  // a repeated 2004 does nothing
    h.beat(heartbeat(2001, "", kAlice));
    QCOMPARE(h.views.count(), views + 1);
    h.beat(heartbeat(2001, "", R"({"username":"bob"})"));
    QCOMPARE(h.views.count(), views + 2);  // every 2001 paints again
    QCOMPARE(h.flow.view().overlayText, QStringLiteral("“bob”扫描成功"));
    // Back to waiting (the phone went back): the code is shown again.
    h.beat(heartbeat(2004, "等待扫码"));
    QCOMPARE(h.flow.view().picture, QrLoginView::Code);
    h.beat(heartbeat(2002, "ok", kAliceConfirmed));
    QCOMPARE(h.count(CReqClientLogin74), 1);
    // A late second 2002 (none can be in flight, but an answer could still come) changes nothing.
    const int afterConfirm = h.views.count();
    QVERIFY(h.flow.onResult(CReqClientQrcode73, heartbeat(2002, "ok", kAliceConfirmed), false));
    h.flow.onHeartbeatTick();
    QCOMPARE(h.count(CReqClientLogin74), 1);
    QCOMPARE(h.locks.count(), 1);
    QCOMPARE(h.views.count(), afterConfirm);
}

void TestQrLoginFlow::heartbeatsNotStacked()
{
    LogCapture log;
    Harness h;
    QVERIFY(h.toPolling());
    h.flow.onHeartbeatTick();
    QVERIFY(h.flow.heartbeatOutstanding());
    for (int i = 0; i < 10; ++i) {
        h.flow.onHeartbeatTick();  // the service is slow: ticks wait for the answer
    }
    QCOMPARE(h.count(CReqClientQrcode73), 1);
    QCOMPARE(log.lines(google::GLOG_WARNING).filter("still unanswered").size(), 1);
    QVERIFY(h.flow.onResult(CReqClientQrcode73, heartbeat(2004, "等待扫码"), false));
    QVERIFY(!h.flow.heartbeatOutstanding());
    h.flow.onHeartbeatTick();
    QCOMPARE(h.count(CReqClientQrcode73), 2);
    // The messaging library's time-out ends the wait: a failed answer stops polling.
    QVERIFY(h.flow.onResult(CReqClientQrcode73, QStringLiteral("后台通信失败"), true));
    QCOMPARE(h.flow.view().hint, QStringLiteral("后台通信失败"));
    h.flow.onHeartbeatTick();
    QCOMPARE(h.count(CReqClientQrcode73), 2);
}

void TestQrLoginFlow::nothingAfterStop()
{
    Harness h;
    QVERIFY(h.toPolling());
    h.beat(heartbeat(2001, "", kAlice));
    h.flow.onHeartbeatTick();
    h.flow.stop();  // the user left the QR tab
    QVERIFY(!h.flow.heartbeatTimer()->isActive());
    QCOMPARE(h.flow.stage(), QrLoginFlow::Stage::Idle);
    QCOMPARE(h.flow.info().ready, 1);
    QCOMPARE(h.flow.view().picture, QrLoginView::Refresh);
    QVERIFY(h.flow.view().hint.isEmpty());
    QCOMPARE(h.flow.view().url, kUrl);
    // The answer still on its way confirms: too late, nothing is sent and the tab bar stays free.
    QVERIFY(h.flow.onResult(CReqClientQrcode73, heartbeat(2002, "ok", kAliceConfirmed), false));
    for (int i = 0; i < 3; ++i) {
        h.flow.onHeartbeatTick();
    }
    QCOMPARE(h.count(CReqClientQrcode73), 2);
    QCOMPARE(h.count(CReqClientLogin74), 0);
    QCOMPARE(h.locks.count(), 0);
    // Stopping twice, or when nothing runs, changes nothing.
    const int views = h.views.count();
    h.flow.stop();
    QCOMPARE(h.views.count(), views);
    // During the QR login the dialog owns the result: stop leaves the page as it is.
    Harness l;
    QVERIFY(l.toPolling());
    l.beat(heartbeat(2002, "ok", kAliceConfirmed));
    const int loginViews = l.views.count();
    l.flow.stop();
    QCOMPARE(l.views.count(), loginViews);
    QCOMPARE(l.flow.stage(), QrLoginFlow::Stage::LoggingIn);
}

void TestQrLoginFlow::earlierFlowAnswersDropped()
{
    Harness h;
    QVERIFY(h.toPolling());
    h.flow.onHeartbeatTick();  // 73 of the first flow in flight
    h.flow.stop();
    QVERIFY(h.flow.onBtnLoginQrcodeClicked());
    QVERIFY(h.flow.onResult(CReqClientQrcodeSign, R"({"data":{"sign":"second"}})", false));
    const QString secondUrl = QStringLiteral(R"({"loginurl":"%1"})").arg(QStringLiteral("https:") + "//p.example/q?sign=second");
    QVERIFY(h.flow.onResult(CReqClientQrcode72, secondUrl, false));
    // Still one heartbeat unanswered: the new flow waits for it rather than stacking another.
    h.flow.onHeartbeatTick();
    QCOMPARE(h.count(CReqClientQrcode73), 1);
    // The first flow's answer is dropped, whatever it says.
    QVERIFY(h.flow.onResult(CReqClientQrcode73, heartbeat(2003, "过期"), false));
    QCOMPARE(h.flow.stage(), QrLoginFlow::Stage::Polling);
    QCOMPARE(h.flow.view().picture, QrLoginView::Code);
    h.flow.onHeartbeatTick();
    QCOMPARE(h.last(), qMakePair(int(CReqClientQrcode73), QStringLiteral("second")));
    QVERIFY(h.flow.onResult(CReqClientQrcode73, heartbeat(2004, "等待扫码"), false));
    // Answers without a request are dropped and do not upset the count of the next one.
    QVERIFY(h.flow.onResult(CReqClientQrcodeSign, R"({"data":{"sign":"third"}})", false));
    QVERIFY(h.flow.onResult(CReqClientQrcode73, heartbeat(2003, "过期"), false));
    QVERIFY(h.flow.onResult(CReqClientQrcode73, heartbeat(2003, "过期"), false));
    QCOMPARE(h.flow.info().sign, QStringLiteral("second"));
    QCOMPARE(h.flow.stage(), QrLoginFlow::Stage::Polling);
    h.flow.onHeartbeatTick();
    QCOMPARE(h.count(CReqClientQrcode73), 3);
    QVERIFY(h.flow.onResult(CReqClientQrcode73, heartbeat(2001, "", kAlice), false));
    QCOMPARE(h.flow.view().picture, QrLoginView::Scanned);
}

void TestQrLoginFlow::cancelRestarts()
{
    LogCapture log;
    for (bool error : {false, true}) {
        Harness h;
        QVERIFY(h.toPolling());
        h.beat(heartbeat(2001, "", kAlice));
        h.flow.onBtnLoginQrcodeCancelClicked();
        QVERIFY(log.contains("m_pLoginQrcodeCancel clicked"));
        QCOMPARE(h.last(), qMakePair(int(CReqClientLogin82), kSign));
        QVERIFY(!h.flow.heartbeatTimer()->isActive());
        QVERIFY(!h.flow.view().cancelEnabled);
        h.flow.onBtnLoginQrcodeCancelClicked();  // a second click waits for the first
        QCOMPARE(h.count(CReqClientLogin82), 1);
        QVERIFY(h.flow.onResult(CReqClientLogin82, error ? QStringLiteral("取消失败") : QStringLiteral("{}"), error));
        // Whatever the answer, a new flow starts at once.
        QCOMPARE(h.last(), qMakePair(int(CReqClientQrcodeSign), QString()));
        QCOMPARE(h.flow.stage(), QrLoginFlow::Stage::Signing);
        QCOMPARE(h.flow.info().ready, 0);
        QVERIFY(h.flow.info().sign.isEmpty());
        QVERIFY(h.flow.view().cancelEnabled);
        QCOMPARE(log.contains("loginQrcodeCancel error: 取消失败"), error);
    }
}

void TestQrLoginFlow::cancelEdges()
{
    // Without a sign there is nothing to cancel at the service: the flow starts again.
    Harness none;
    QVERIFY(none.flow.onBtnLoginQrcodeClicked());
    QVERIFY(none.flow.onResult(CReqClientQrcodeSign, QStringLiteral("down"), true));
    none.flow.onBtnLoginQrcodeCancelClicked();
    QCOMPARE(none.count(CReqClientLogin82), 0);
    QCOMPARE(none.count(CReqClientQrcodeSign), 2);

    // While the QR login runs the cancel waits for its result.
    Harness login;
    QVERIFY(login.toPolling());
    login.beat(heartbeat(2002, "ok", kAliceConfirmed));
    login.flow.onBtnLoginQrcodeCancelClicked();
    QCOMPARE(login.count(CReqClientLogin82), 0);
    // The dialog's result rows show a failed QR login on the page.
    login.flow.showError(QStringLiteral("凭证无效"));
    QCOMPARE(login.flow.view().hint, QStringLiteral("凭证无效"));
    QCOMPARE(login.flow.info().ready, 1);
    QVERIFY(login.flow.view().cancelEnabled);

    // Leaving the tab before the cancel's answer: no new flow behind the user's back.
    Harness left;
    QVERIFY(left.toPolling());
    left.flow.onBtnLoginQrcodeCancelClicked();
    left.flow.stop();
    QVERIFY(left.flow.onResult(CReqClientLogin82, QStringLiteral("{}"), false));
    QCOMPARE(left.count(CReqClientQrcodeSign), 1);
    QCOMPARE(left.flow.stage(), QrLoginFlow::Stage::Idle);
}

void TestQrLoginFlow::tabShownOnce()
{
    Harness h;
    h.flow.onTabShown();
    QCOMPARE(h.count(CReqClientQrcodeSign), 1);
    h.flow.stop();
    h.flow.onTabShown();
    QCOMPARE(h.count(CReqClientQrcodeSign), 1);
    // exitClear: the page is emptied and a later first switch starts a fresh flow.
    h.flow.clear();
    QCOMPARE(h.flow.info().ready, 1);
    QCOMPARE(h.flow.info().status, -1);
    QVERIFY(h.flow.info().sign.isEmpty());
    QCOMPARE(h.flow.view().picture, QrLoginView::Refresh);
    QVERIFY(h.flow.view().url.isEmpty());
    QVERIFY(h.flow.view().hint.isEmpty());
    h.flow.onTabShown();
    QCOMPARE(h.count(CReqClientQrcodeSign), 2);
    // A confirmed flow cleared by the login result: the credentials go, the user stays (the
    // bind-again dialog names him), and a new flow starts afresh.
    Harness confirmed;
    QVERIFY(confirmed.toPolling());
    confirmed.beat(heartbeat(2002, "ok", kAliceConfirmed));
    confirmed.flow.clear();
    QCOMPARE(confirmed.flow.info().username, QStringLiteral("alice"));
    QVERIFY(confirmed.flow.info().authcode.isEmpty());
    QVERIFY(confirmed.flow.info().sessionid.isEmpty());
    QVERIFY(confirmed.flow.info().sign.isEmpty());
    QCOMPARE(confirmed.flow.stage(), QrLoginFlow::Stage::Idle);
    QVERIFY(confirmed.flow.onBtnLoginQrcodeClicked());
    QVERIFY(confirmed.flow.info().username.isEmpty());
    // A click on the code started the flow before the first switch: the switch adds nothing.
    Harness clicked;
    QVERIFY(clicked.flow.onBtnLoginQrcodeClicked());
    clicked.flow.onTabShown();
    QCOMPARE(clicked.count(CReqClientQrcodeSign), 1);
    // After a QR login the waiting hint comes back.
    clicked.flow.resetHint();
    QCOMPARE(clicked.flow.view().hint, kStandardHint);
}

void TestQrLoginFlow::secretsNotLogged()
{
    LogCapture log;
    Harness h;
    QVERIFY(h.toPolling());
    h.beat(heartbeat(2001, "", kAlice));
    h.beat(heartbeat(2002, "ok", kAliceConfirmed));
    QCOMPARE(h.count(CReqClientLogin74), 1);
    for (const char* broken : {R"({"status":2002,"msg":"x","data":{"username":"a","authcode":"AC-SECRET-91"}})",
                               R"({status:2002, authcode: AC-SECRET-91, sessionid: SID-SECRET-42)"}) {
        Harness b;
        QVERIFY(b.toPolling());
        b.beat(QString::fromUtf8(broken));
        QCOMPARE(b.flow.view().hint, kDataError);
    }
    QVERIFY(!log.text().isEmpty());
    QVERIFY(!log.text().contains("AC-SECRET-91"));
    QVERIFY(!log.text().contains("SID-SECRET-42"));
}

QTEST_GUILESS_MAIN(TestQrLoginFlow)
#include "tst_qrloginflow.moc"
