// CHttpCurlClient against the loopback controller: the option sets of the POST and GET helpers
// as they reach the server, and the upload with its attempts and its single callback.

#include "http/chttpcurlclient.h"

#include "support/ctlsim.h"
#include "support/logcapture.h"
#include "support/testprefix.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

struct UploadOutcome {
    int calls = 0;
    bool success = false;
    std::string response;
};

void recordUpload(bool success, std::string response, void* context)
{
    UploadOutcome* outcome = static_cast<UploadOutcome*>(context);
    ++outcome->calls;
    outcome->success = success;
    outcome->response = response;
}

QByteArray scenario()
{
    const QJsonObject controller{
        {"/up", QJsonObject{{"body", "{\"status\":2000}"}}},
        {"/broken", QJsonObject{{"close", true}}},
        {"*", QJsonObject{{"status", 201}, {"body", "answer"}, {"headers", QJsonObject{{"X-Trace", "t-1"}}}}},
    };
    return QJsonDocument(QJsonObject{{"controller", controller}}).toJson();
}

enum Post { Json, Plain, CookieJson, CookieForm };

}  // namespace

class TestCHttpCurlClient : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { CHttpCurlClient::release(); }
    void posts_data();
    void posts();
    void gets();
    void uploadSuccess();
    void uploadFailsThreeTimes();
    void release();
};

void TestCHttpCurlClient::posts_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("contentType");
    QTest::addColumn<QString>("cookie");
    QTest::addColumn<QString>("logLine");

    QTest::newRow("HttpPost is JSON") << int(Json) << "application/json;charset=UTF-8" << ""
                                      << "curl http post request url:URL result:0";
    QTest::newRow("HttpPosts adds nothing") << int(Plain) << "application/x-www-form-urlencoded" << "" << "";
    QTest::newRow("HttpPosts cookie and JSON") << int(CookieJson) << "application/json;charset=UTF-8"
                                               << "corvis_sessionid=s-1; lang=zh"
                                               << "======______1 set cookie:corvis_sessionid=***; lang=***";
    QTest::newRow("HttpPosts cookie only") << int(CookieForm) << "application/x-www-form-urlencoded"
                                           << "corvis_sessionid=s-1" << "======______1 set cookie:corvis_sessionid=***";
}

void TestCHttpCurlClient::posts()
{
    QFETCH(int, kind);
    QFETCH(QString, contentType);
    QFETCH(QString, cookie);
    QFETCH(QString, logLine);

    TestPrefix prefix;
    CtlSim sim(prefix, scenario());
    QVERIFY2(sim.isRunning(), qPrintable(sim.startError()));
    const std::string url = sim.httpsUrl("/post?q=1").toStdString();
    const std::string body = R"({"k":"v"})";
    std::string response = "kept:";
    LogCapture log;
    int code = -1;
    switch (kind) {
    case Json:
        code = CHttpCurlClient::HttpPost(url, body, response, 5);
        break;
    case Plain:
        code = CHttpCurlClient::HttpPosts(url, body, response, 5, true);
        break;
    case CookieJson:
        code = CHttpCurlClient::HttpPosts(url, body, cookie.toStdString(), true, response, 5);
        break;
    case CookieForm:
        code = CHttpCurlClient::HttpPosts(url, body, cookie.toStdString(), false, response, 0);
        break;
    }
    QCOMPARE(code, 0);
    // The body is appended; the HTTP status does not matter.
    QCOMPARE(QString::fromStdString(response), QStringLiteral("kept:answer"));
    if (!logLine.isEmpty()) {
        QVERIFY2(log.contains(logLine.replace("URL", QString::fromStdString(url))), qPrintable(log.text()));
    }
    QVERIFY(!log.text().contains("s-1"));

    const QList<QJsonObject> requests = sim.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().value("method").toString(), QStringLiteral("POST"));
    QCOMPARE(requests.first().value("uri").toString(), QStringLiteral("/post?q=1"));
    QCOMPARE(requests.first().value("body").toString(), QString::fromStdString(body));
    const QJsonObject headers = requests.first().value("headers").toObject();
    QCOMPARE(headers.value("Content-Type").toString(), contentType);
    QCOMPARE(headers.value("Cookie").toString(), cookie);
}

void TestCHttpCurlClient::gets()
{
    TestPrefix prefix;
    CtlSim sim(prefix, scenario());
    QVERIFY2(sim.isRunning(), qPrintable(sim.startError()));
    LogCapture log;

    std::string response;
    QCOMPARE(CHttpCurlClient::HttpGet(sim.httpsUrl("/g").toStdString(), response, 5), 2);
    QCOMPARE(QString::fromStdString(response), QStringLiteral("answer"));
    QVERIFY(log.contains("curl http get request url:" + sim.httpsUrl("/g") + " result:0"));

    // 2 even when nothing answers: callers look at the response text.
    std::string nothing;
    QCOMPARE(CHttpCurlClient::HttpGet("http://127.0.0.1:1/g", nothing, 5), 2);
    QVERIFY(nothing.empty());
    QVERIFY(log.contains("curl http get request url:http://127.0.0.1:1/g result:7"));

    std::string plain;
    QCOMPARE(CHttpCurlClient::HttpGets(sim.httpsUrl("/g?a=b").toStdString(), plain, 5), 0);
    QCOMPARE(QString::fromStdString(plain), QStringLiteral("answer"));
    QVERIFY(log.contains("curl http gets request url:" + sim.httpsUrl("/g?a=b") + " result:0"));

    std::string body;
    std::string headers;
    QCOMPARE(CHttpCurlClient::HttpGets(sim.httpsUrl("/h").toStdString(), body, true, headers, 5, true), 0);
    QCOMPARE(QString::fromStdString(body), QStringLiteral("answer"));
    QVERIFY2(QString::fromStdString(headers).startsWith("HTTP/1.1 201"), headers.c_str());
    QVERIFY(QString::fromStdString(headers).contains("X-Trace: t-1"));

    const QList<QJsonObject> requests = sim.requests();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests.at(1).value("uri").toString(), QStringLiteral("/g?a=b"));
    for (const QJsonObject& request : requests) {
        QCOMPARE(request.value("method").toString(), QStringLiteral("GET"));
    }
}

void TestCHttpCurlClient::uploadSuccess()
{
    TestPrefix prefix;
    CtlSim sim(prefix, scenario());
    QVERIFY2(sim.isRunning(), qPrintable(sim.startError()));
    const QString file = prefix.root() + "/data.bin";
    QVERIFY(writeFile(file, "payload-123"));

    UploadOutcome outcome;
    LogCapture log;
    CHttpCurlClient::setUploadCallBack(recordUpload, &outcome);
    CHttpCurlClient::setUploadCookie("corvis_sessionid=s-9;");
    CHttpCurlClient::setUploadHeader("Content-Type:multipart/form-data");
    QCOMPARE(CHttpCurlClient::HttpUpload(sim.httpsUrl("/up").toStdString(), file.toStdString()), 0);
    QCOMPARE(outcome.calls, 1);
    QVERIFY(outcome.success);
    QCOMPARE(QString::fromStdString(outcome.response), QStringLiteral("{\"status\":2000}"));
    QVERIFY(log.contains(" Uploadfile :" + file));
    QVERIFY(log.contains("Upload success:" + file));
    QVERIFY(log.contains("url:" + sim.httpsUrl("/up") + ",responsecode:200"));

    const QList<QJsonObject> requests = sim.requests();
    QCOMPARE(requests.size(), 1);
    const QJsonObject headers = requests.first().value("headers").toObject();
    QCOMPARE(headers.value("Cookie").toString(), QStringLiteral("corvis_sessionid=s-9;"));
    const QString type = headers.value("Content-Type").toString();
    QVERIFY2(type.startsWith("multipart/form-data; boundary="), qPrintable(type));
    const QString boundary = type.mid(type.indexOf("boundary=") + 9);
    const QString body = requests.first().value("body").toString();
    QVERIFY(body.startsWith("--" + boundary + "\r\n"));
    QVERIFY(body.contains("Content-Disposition: form-data; name=\"file\"; filename=\"data.bin\""));
    QVERIFY(body.contains("payload-123"));
    QVERIFY(body.endsWith("--" + boundary + "--\r\n"));
}

void TestCHttpCurlClient::uploadFailsThreeTimes()
{
    TestPrefix prefix;
    CtlSim sim(prefix, scenario());
    QVERIFY2(sim.isRunning(), qPrintable(sim.startError()));
    const QString file = prefix.root() + "/data.bin";
    QVERIFY(writeFile(file, "payload"));

    UploadOutcome outcome;
    LogCapture log;
    CHttpCurlClient::setUploadCallBack(recordUpload, &outcome);
    QCOMPARE(CHttpCurlClient::HttpUpload(sim.httpsUrl("/broken").toStdString(), file.toStdString()), 0);
    QCOMPARE(outcome.calls, 1);
    QVERIFY(!outcome.success);
    QVERIFY(outcome.response.empty());
    QCOMPARE(sim.requests().size(), 3);
    const QString failure = "[curl_upload]url:" + sim.httpsUrl("/broken") + ",responsecode:0,CURLcode:52,errormsg:";
    int failures = 0;
    for (const QString& line : log.lines(google::GLOG_ERROR)) {
        failures += line.startsWith(failure) ? 1 : 0;
    }
    QCOMPARE(failures, 3);

    // Nothing listening at all: the same three attempts, one callback.
    UploadOutcome refused;
    CHttpCurlClient::setUploadCallBack(recordUpload, &refused);
    CHttpCurlClient::HttpUpload("https://127.0.0.1:1/up", file.toStdString());
    QCOMPARE(refused.calls, 1);
    QVERIFY(!refused.success);

    // Without a callback the outcome is only logged.
    CHttpCurlClient::setUploadCallBack(nullptr, nullptr);
    CHttpCurlClient::HttpUpload("https://127.0.0.1:1/up", file.toStdString());
    QCOMPARE(refused.calls, 1);
}

void TestCHttpCurlClient::release()
{
    LogCapture log;
    CHttpCurlClient* first = CHttpCurlClient::ins();
    QCOMPARE(CHttpCurlClient::ins(), first);
    CHttpCurlClient::release();
    QVERIFY(log.contains("~CHttpCurlClient"));
    CHttpCurlClient::release();  // a second release is harmless
    QVERIFY(CHttpCurlClient::ins() != nullptr);
}

QTEST_GUILESS_MAIN(TestCHttpCurlClient)
#include "tst_chttpcurlclient.moc"
