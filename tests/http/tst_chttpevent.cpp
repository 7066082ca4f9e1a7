// CHttpEvent against the loopback controller: URL rules, what each request operation puts on the
// wire, and what comes back (bodies, error pages, a server that hangs up).

#include "http/chttpevent.h"

#include "support/ctlsim.h"
#include "support/logcapture.h"
#include "support/testprefix.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

#include <event2/buffer.h>
#include <event2/http.h>

namespace {

enum Operation { Post, PostHeaders, PostParts, Get, GetPath, Privilege, Download, Upload, ImageCode };

const QByteArray kBig = QByteArray("0123456789abcdef").repeated(400) + "tail";

QByteArray scenario()
{
    QJsonObject controller{
        {"/a", QJsonObject{{"body", "posted"}}},
        {"/err", QJsonObject{{"status", 500}, {"body", "server broke"}}},
        {"/close", QJsonObject{{"close", true}}},
        {"/big", QJsonObject{{"body", QString::fromLatin1(kBig)}}},
        {"/late", QJsonObject{{"delayMs", 30}, {"body", "late but here"}}},
        {"/img", QJsonObject{{"bodyBase64", QString::fromLatin1(QByteArray("\x89PNG\r\n\x1a\n\0\1", 10).toBase64())},
                             {"headers", QJsonObject{{"Content-Type", "image/png"}}}}},
        {"*", QJsonObject{{"body", "default"}}},
    };
    QJsonObject sandbox{{"*", QJsonObject{{"body", "plain http"}}}};
    return QJsonDocument(QJsonObject{{"controller", controller}, {"sandbox", sandbox}}).toJson();
}

struct Collected {
    QByteArray headerStatus;
    QByteArray chunks;
    int headerCalls = 0;
};

Collected* collectedOf(void* arg, bool viaEvent)
{
    return static_cast<Collected*>(viaEvent ? static_cast<CHttpEvent*>(arg)->context() : arg);
}

int onHeaders(struct evhttp_request* req, void* arg, bool viaEvent)
{
    Collected* collected = collectedOf(arg, viaEvent);
    ++collected->headerCalls;
    collected->headerStatus = QByteArray::number(evhttp_request_get_response_code(req));
    return 0;
}

void onChunk(struct evhttp_request* req, void* arg, bool viaEvent)
{
    struct evbuffer* input = evhttp_request_get_input_buffer(req);
    const size_t length = evbuffer_get_length(input);
    QByteArray piece(static_cast<int>(length), '\0');
    evbuffer_copyout(input, piece.data(), length);
    collectedOf(arg, viaEvent)->chunks += piece;
}

int downloadHeaders(struct evhttp_request* req, void* arg) { return onHeaders(req, arg, true); }
void downloadChunk(struct evhttp_request* req, void* arg) { onChunk(req, arg, true); }
int imageHeaders(struct evhttp_request* req, void* arg) { return onHeaders(req, arg, false); }
void imageChunk(struct evhttp_request* req, void* arg) { onChunk(req, arg, false); }

}  // namespace

class TestCHttpEvent : public QObject
{
    Q_OBJECT

private slots:
    void handleUrl_data();
    void handleUrl();
    void exchange_data();
    void exchange();
    void closedWithoutAnswer();
    void ipv6Literal();
    void postHeadersLogged();
    void curlHelpers();
};

void TestCHttpEvent::handleUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("logLine");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("requestUri");
    QTest::addColumn<bool>("https");

    QTest::newRow("no port") << "http://127.0.0.1/x" << -1 << "url can't get port" << "127.0.0.1" << "" << "" << false;
    QTest::newRow("https without port") << "https://ctl.example/x" << -1 << "url can't get port" << "ctl.example" << ""
                                        << "" << true;
    QTest::newRow("ftp") << "ftp://127.0.0.1:21/" << -1 << "url must be http or https" << "" << "" << "" << false;
    QTest::newRow("no scheme") << "/just/a/path" << -1 << "url must be http or https" << "" << "" << "" << false;
    QTest::newRow("host as scheme") << "ctl.example:443" << -1 << "url must be http or https" << "" << "" << ""
                                    << false;
    QTest::newRow("empty host") << "http://:80/" << -1 << "url must have a host or IP" << "" << "" << "" << false;
    QTest::newRow("bad port") << "http://h:abc/" << -1 << "malformed url" << "" << "" << "" << false;
    QTest::newRow("port too big") << "http://h:99999/" << -1 << "malformed url" << "" << "" << "" << false;
    QTest::newRow("blank in host") << "http://a b:80/" << -1 << "malformed url" << "" << "" << "" << false;
    QTest::newRow("empty") << "" << -1 << "url must be http or https" << "" << "" << "" << false;
    QTest::newRow("path defaults to /") << "HTTPS://ctl.example:8443" << 0 << "" << "ctl.example" << "/" << "/"
                                        << true;
    QTest::newRow("query kept in request uri") << "http://10.1.2.3:80/a/b.json?x=1&y=2" << 0 << "" << "10.1.2.3"
                                               << "/a/b.json" << "/a/b.json?x=1&y=2" << false;
    QTest::newRow("ipv6 literal") << "https://[::1]:443/a" << 0 << "" << "[::1]" << "/a" << "/a" << true;
}

void TestCHttpEvent::handleUrl()
{
    QFETCH(QString, url);
    QFETCH(int, result);
    QFETCH(QString, logLine);
    QFETCH(QString, host);
    QFETCH(QString, path);
    QFETCH(QString, requestUri);
    QFETCH(bool, https);

    LogCapture log;
    CHttpEvent event;
    const QByteArray text = url.toUtf8();
    QCOMPARE(event.handle_url(text.constData()), result);
    QCOMPARE(QString::fromStdString(event.url()), url);
    if (result != 0) {
        QVERIFY2(log.contains(logLine, google::GLOG_ERROR), qPrintable(log.text()));
        // A request to the same URL sends nothing and answers nothing.
        CHttpEvent request;
        QCOMPARE(request.post_method(text.constData(), "a=1", CHttpEvent::https_request_done_cb), -1);
        QVERIFY(request.get_response_data().empty());
    }
    QCOMPARE(QString::fromStdString(event.host()), host);
    QCOMPARE(QString::fromStdString(event.path()), path);
    QCOMPARE(QString::fromStdString(event.requestUri()), requestUri);
    if (!host.isEmpty()) {
        QCOMPARE(event.isHttps(), https);
    }
}

void TestCHttpEvent::exchange_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<bool>("sandbox");
    QTest::addColumn<QString>("urlPath");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("uri");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QJsonObject>("headers");

    const QJsonObject form{{"Connection", "close"}, {"Content-Type", "application/x-www-form-urlencoded"}};
    QTest::newRow("post sends the path only") << int(Post) << false << "/a?x=1" << QByteArray("posted") << "POST"
                                              << "/a" << QByteArray("k=v&n=2") << form;
    QTest::newRow("error page is the body") << int(Post) << false << "/err" << QByteArray("server broke") << "POST"
                                            << "/err" << QByteArray("k=v") << form;
    QTest::newRow("body over many pieces") << int(Post) << false << "/big" << kBig << "POST" << "/big"
                                           << QByteArray("x") << form;
    QTest::newRow("delayed answer") << int(Post) << false << "/late" << QByteArray("late but here") << "POST"
                                    << "/late" << QByteArray("x") << form;
    QTest::newRow("plain http") << int(Post) << true << "/quarrow/api/v1/x" << QByteArray("plain http") << "POST"
                                << "/quarrow/api/v1/x" << QByteArray("{}") << form;
    QTest::newRow("post in parts") << int(PostParts) << false << "/a" << QByteArray("posted") << "POST" << "/a"
                                   << QByteArray("one=1&two=2&three=3") << form;
    QTest::newRow("header map replaces the form type")
        << int(PostHeaders) << true << "/quarrow/api/v1/start" << QByteArray("plain http") << "POST"
        << "/quarrow/api/v1/start" << QByteArray("{\"a\":1}")
        << QJsonObject{{"Connection", "close"}, {"Content-Type", "application/json"}, {"Authorization", "tok-123"}};
    QTest::newRow("get keeps the query") << int(Get) << false << "/g/q.json?a=1&b=2" << QByteArray("default") << "GET"
                                         << "/g/q.json?a=1&b=2" << QByteArray() << QJsonObject{{"Connection", "close"}};
    QTest::newRow("get of another path") << int(GetPath) << false << "/ignored?z=9" << QByteArray("default") << "GET"
                                         << "/other/path?p=1" << QByteArray() << QJsonObject{{"Connection", "close"}};
    QTest::newRow("privilege login cookie")
        << int(Privilege) << false << "/vesk/login" << QByteArray("default") << "POST" << "/vesk/login"
        << QByteArray("user=a") << QJsonObject{{"Cookie", "corvis_verify_key=vk-42"}, {"Connection", "close"}};
    QTest::newRow("download through chunks") << int(Download) << false << "/dl" << QByteArray() << "GET"
                                             << "/big" << QByteArray() << QJsonObject{{"Connection", "close"}};
    QTest::newRow("multipart upload") << int(Upload) << false << "/up" << QByteArray("default") << "POST" << "/up"
                                      << QByteArray("name=\"file\"; filename=\"notes.txt\"") << QJsonObject();
    QTest::newRow("image code") << int(ImageCode) << false << "/x" << QByteArray() << "GET" << "/img" << QByteArray()
                                << QJsonObject{{"Connection", "close"}};
}

void TestCHttpEvent::exchange()
{
    QFETCH(int, operation);
    QFETCH(bool, sandbox);
    QFETCH(QString, urlPath);
    QFETCH(QByteArray, expected);
    QFETCH(QString, method);
    QFETCH(QString, uri);
    QFETCH(QByteArray, body);
    QFETCH(QJsonObject, headers);

    TestPrefix prefix;
    CtlSim sim(prefix, scenario());
    QVERIFY2(sim.isRunning(), qPrintable(sim.startError()));
    const QByteArray url = (sandbox ? sim.sandboxUrl(urlPath) : sim.httpsUrl(urlPath)).toUtf8();

    CHttpEvent event;
    Collected collected;
    int result = -1;
    switch (operation) {
    case Post:
        result = event.post_method(url.constData(), body.constData(), CHttpEvent::https_request_done_cb);
        break;
    case PostParts:
        result = event.post_method(url.constData(), "one=1", "&two=2", "&three=3", CHttpEvent::https_request_done_cb);
        break;
    case PostHeaders:
        result = event.post_method(url.constData(), body.constData(),
                                   {{"Content-Type", "application/json"}, {"Authorization", "tok-123"}},
                                   CHttpEvent::https_request_done_cb);
        break;
    case Get:
        result = event.get_method(url.constData(), CHttpEvent::https_request_done_cb);
        break;
    case GetPath:
        result = event.get_method(url.constData(), "/other/path?p=1", CHttpEvent::https_request_done_cb);
        break;
    case Privilege:
        result = event.vesk_privilege_login(url.constData(), body.constData(), "vk-42", CHttpEvent::https_request_done_cb);
        break;
    case Download:
        result = event.file_download(url.constData(), "/big", downloadHeaders, downloadChunk, &collected);
        break;
    case Upload: {
        QTemporaryDir dir;
        writeFile(dir.filePath("notes.txt"), "line one\nline two\n");
        const QByteArray file = dir.filePath("notes.txt").toLocal8Bit();
        result = event.file_upload(url.constData(), {{"kind", "text"}}, file.constData(), "file",
                                   CHttpEvent::https_request_done_cb);
        break;
    }
    case ImageCode:
        result = event.vesk_get_imageCode(url.constData(), "/img", &collected, imageHeaders, imageChunk);
        break;
    }
    QCOMPARE(result, 0);
    QCOMPARE(QByteArray::fromStdString(event.get_response_data()), expected);

    const QList<QJsonObject> requests = sim.requests();
    QCOMPARE(requests.size(), 1);
    const QJsonObject request = requests.first();
    QCOMPARE(request.value("method").toString(), method);
    QCOMPARE(request.value("uri").toString(), uri);
    QCOMPARE(request.value("service").toString(), QString::fromLatin1(sandbox ? "sandbox" : "controller"));
    const QJsonObject received = request.value("headers").toObject();
    QCOMPARE(received.value("Host").toString(), QStringLiteral("127.0.0.1"));
    for (auto it = headers.begin(); it != headers.end(); ++it) {
        QCOMPARE(received.value(it.key()).toString(), it.value().toString());
    }
    const QByteArray sent = request.value("body").toString().toUtf8();
    if (operation == Upload) {
        QVERIFY(received.value("Content-Type").toString().startsWith("multipart/form-data; boundary="));
        QVERIFY2(sent.contains(body), sent.constData());
        QVERIFY(sent.contains("line one\nline two\n"));
        QVERIFY(sent.contains("name=\"kind\"\r\n\r\ntext\r\n"));
    } else {
        QCOMPARE(sent, body);
    }
    if (operation == Download) {
        QCOMPARE(collected.chunks, kBig);
        QCOMPARE(collected.headerStatus, QByteArray("200"));
    }
    if (operation == ImageCode) {
        QCOMPARE(collected.chunks, QByteArray("\x89PNG\r\n\x1a\n\0\1", 10));
        QCOMPARE(collected.headerCalls, 1);
    }
}

void TestCHttpEvent::closedWithoutAnswer()
{
    TestPrefix prefix;
    CtlSim sim(prefix, scenario());
    QVERIFY2(sim.isRunning(), qPrintable(sim.startError()));
    LogCapture log;
    CHttpEvent event;
    const QByteArray url = sim.httpsUrl("/close").toUtf8();
    QCOMPARE(event.post_method(url.constData(), "a=1", CHttpEvent::https_request_done_cb), 0);
    QVERIFY(event.get_response_data().empty());
    // glog ends the line at the message's own trailing line feed.
    QVERIFY(log.contains("some request failed - no idea which one though!", google::GLOG_ERROR));
    QVERIFY(log.contains("https_request_done_cb req is null socket error:", google::GLOG_ERROR));
    QVERIFY(!sim.requests().isEmpty());
}

void TestCHttpEvent::ipv6Literal()
{
    TestPrefix prefix;
    CtlSim sim(prefix, scenario());
    QVERIFY2(sim.isRunning(), qPrintable(sim.startError()));
    if (!sim.hasIpv6()) {
        QSKIP("no ::1 on this machine");
    }
    CHttpEvent event;
    const QByteArray url = QStringLiteral("https://[::1]:%1/a").arg(sim.httpsPort()).toUtf8();
    QCOMPARE(event.post_method(url.constData(), "v=6", CHttpEvent::https_request_done_cb), 0);
    QCOMPARE(QByteArray::fromStdString(event.get_response_data()), QByteArray("posted"));
    const QList<QJsonObject> requests = sim.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().value("peer").toString(), QStringLiteral("::1"));
    QCOMPARE(requests.first().value("headers").toObject().value("Host").toString(), QStringLiteral("[::1]"));
}

void TestCHttpEvent::postHeadersLogged()
{
    TestPrefix prefix;
    CtlSim sim(prefix, scenario());
    QVERIFY2(sim.isRunning(), qPrintable(sim.startError()));
    LogCapture log;
    {
        CHttpEvent event;
        const QByteArray url = sim.sandboxUrl("/quarrow/api/v1/stop").toUtf8();
        event.post_method(url.constData(), "{}", {{"Authorization", "tok-secret"}, {"Content-Type", "application/json"}},
                          CHttpEvent::https_request_done_cb);
    }
    {
        CHttpEvent event;
        const QByteArray url = sim.httpsUrl("/vesk/login").toUtf8();
        event.vesk_privilege_login(url.constData(), "u=1", "vk-secret", CHttpEvent::https_request_done_cb);
    }
    // Header pairs in key order; credentials never reach the log.
    const QStringList info = log.lines(google::GLOG_INFO);
    const int authorization = info.indexOf("set post header:Authorization ***");
    const int type = info.indexOf("set post header:Content-Type application/json");
    QVERIFY2(authorization >= 0 && type > authorization, qPrintable(log.text()));
    QVERIFY2(log.contains(QStringLiteral("Request URL[%1], Request Header:Host:[127.0.0.1], Cookie:[corvis_verify_key=***]")
                              .arg(sim.httpsUrl("/vesk/login"))),
             qPrintable(log.text()));
    QVERIFY(!log.text().contains("secret"));
}

void TestCHttpEvent::curlHelpers()
{
    TestPrefix prefix;
    CtlSim sim(prefix, scenario());
    QVERIFY2(sim.isRunning(), qPrintable(sim.startError()));
    sim.setScenario(R"({"controller": {"/ip": {"body": "  203.0.113.7\n"}, "*": {"status": 500, "body": "oops"}}})");

    std::string address;
    QCOMPARE(CHttpEvent::get_system_internal_ip(address, sim.httpsUrl("/ip").toStdString()), 0);
    QCOMPARE(QString::fromStdString(address), QStringLiteral("203.0.113.7"));

    std::string out;
    QCOMPARE(CHttpEvent::GetResponse(sim.httpsUrl("/p").toStdString(), "{\"a\":1}", false, out), 0);
    QCOMPARE(QString::fromStdString(out), QStringLiteral("oops"));
    const QList<QJsonObject> requests = sim.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(0).value("method").toString(), QStringLiteral("GET"));
    QCOMPARE(requests.at(1).value("method").toString(), QStringLiteral("POST"));
    QCOMPARE(requests.at(1).value("body").toString(), QStringLiteral("{\"a\":1}"));

    // Nothing listens on the stand-in's port once it is gone: the code and the error line.
    LogCapture log;
    const std::string closed = QStringLiteral("http://127.0.0.1:1/none").toStdString();
    std::string none;
    QVERIFY(CHttpEvent::GetResponse(closed, std::string(), true, none) != 0);
    QVERIFY(none.empty());
    QVERIFY(log.contains("url:" + QString::fromStdString(closed) + ",responsecode:0,errorcode:7,errormsg:"));
}

QTEST_GUILESS_MAIN(TestCHttpEvent)
#include "tst_chttpevent.moc"
