// JSON from outside: a reply nested 150,000 levels deep (which overflows the stack of a recursive
// parser) or larger than the cap is refused cleanly, by our RapidJSON helper and by Qt's parser
// alike, and a controller call that gets such a reply fails as with any unreadable reply.

#include "http/api.h"
#include "http/jsonparse.h"

#include "support/ctlsim.h"
#include "support/logcapture.h"
#include "support/testprefix.h"

#include <QJsonDocument>
#include <QtTest>

namespace {

QByteArray nested(const QByteArray& open, const QByteArray& close, int depth, const QByteArray& inner = "1")
{
    return open.repeated(depth) + inner + close.repeated(depth);
}

}  // namespace

class TestJsonParse : public QObject
{
    Q_OBJECT

private slots:
    void parseReply_data();
    void parseReply();
    void qtParserHasItsOwnLimit_data();
    void qtParserHasItsOwnLimit();
    void controllerReplyTooDeep();
};

void TestJsonParse::parseReply_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    const int limit = corvis::json::kMaxDepth;
    QTest::newRow("plain object") << QByteArray(R"({"status":2000,"data":{"list":[{"a":[1,2]}]}})") << true;
    QTest::newRow("at the depth limit") << nested("[", "]", limit) << true;
    QTest::newRow("one level deeper") << nested("[", "]", limit + 1) << false;
    QTest::newRow("150,000 arrays") << nested("[", "]", 150000) << false;
    QTest::newRow("200,000 objects") << nested("{\"a\":", "}", 200000) << false;
    QTest::newRow("deep and unclosed") << QByteArray(300000, '[') << false;
    QTest::newRow("brackets inside strings do not count")
        << "{\"s\":\"" + QByteArray(5000, '[') + "\\\"{{{\"}" << true;
    QTest::newRow("closing more than opened") << QByteArray("]]]]{}") << false;
    QTest::newRow("over the size cap") << "\"" + QByteArray(int(corvis::json::kMaxText), 'x') + "\"" << false;
    QTest::newRow("not JSON") << QByteArray("<html>bad gateway</html>") << false;
}

void TestJsonParse::parseReply()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    rapidjson::Document doc;
    QCOMPARE(corvis::json::parseReply(doc, text.toStdString()), ok);
    if (!ok) {
        QVERIFY(!doc.IsObject());
    }
}

void TestJsonParse::qtParserHasItsOwnLimit_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("150,000 arrays") << nested("[", "]", 150000);
    QTest::newRow("200,000 objects") << nested("{\"a\":", "}", 200000);
}

void TestJsonParse::qtParserHasItsOwnLimit()
{
    // The documents of the client service go through QJsonDocument, whose parser refuses deep
    // nesting by itself (1024 levels): checked here, since the readers rely on it.
    QFETCH(QByteArray, text);
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    QCOMPARE(error.error, QJsonParseError::DeepNesting);
    QVERIFY(doc.isNull());
    QVERIFY(!QJsonDocument::fromJson(nested("[", "]", 1000)).isNull());
}

void TestJsonParse::controllerReplyTooDeep()
{
    TestPrefix prefix;
    const QString body = QString::fromLatin1(nested("{\"data\":", "}", 150000));
    CtlSim sim(prefix, QJsonDocument(QJsonObject{{"controller", QJsonObject{{"/Mervasso/auth/ssoAuth.json",
                                                                             QJsonObject{{"body", body}}}}}})
                           .toJson());
    QVERIFY2(sim.isRunning(), qPrintable(sim.startError()));
    QVERIFY(prefix.writeSysCfg(sim.sysCfg()));
    QVERIFY(prefix.writeUserInfo("[UserInfo]\nSessionID=sess-1\n"));
    LogCapture log;
    stSsoAuthRsp rsp;
    QCOMPARE(API::getInstance()->ssoAuth({"zhang", "app7", "1", "2", "0"}, rsp), -1);
    QVERIFY(log.contains(QStringLiteral("JSON text nested deeper than %1 levels refused").arg(corvis::json::kMaxDepth),
                         google::GLOG_ERROR));
    QVERIFY(log.contains(QStringLiteral("ssoAuth parse false"), google::GLOG_ERROR));
    QCOMPARE(sim.requests().size(), 1);
}

QTEST_GUILESS_MAIN(TestJsonParse)
#include "tst_jsonparse.moc"
