// What the request log shows of a request body, and the one table of the services' sockets.

#include "comm/clientreq.h"
#include "comm/uicomm.h"
#include "corviscommon/productpaths.h"
#include "support/logcapture.h"
#include "support/rawpeer.h"
#include "support/testprefix.h"

#include <QtTest>

class TestRequestLog : public QObject
{
    Q_OBJECT

private slots:
    void bodyForLog_data();
    void bodyForLog();
    void socketTable();
    void replyAndParameterLogsHoldNoSecret();
};

void TestRequestLog::bodyForLog_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("logged");

    // The login bodies: fields joined by line feeds, the credentials at their places.
    QTest::newRow("76 account login") << int(CReqClientLogin76) << "zhang\nKq9z!mA2\n1700000000000\n8841"
                                      << "zhang\\n***\\n1700000000000\\n***";
    QTest::newRow("83 vesk step 1") << int(CReqClientLoginAuthCode83) << "zhang\nKq9z!mA2\n1700000000000\n1"
                                    << "zhang\\n***\\n1700000000000\\n1";
    QTest::newRow("85 vesk step 2") << int(CReqClientLogin85) << "zhang\nKq9z!mA2\n1700000000000\n123456\n1\n1"
                                    << "zhang\\n***\\n1700000000000\\n***\\n1\\n1";
    QTest::newRow("86 phone step 2") << int(CReqClientLogin86) << "13812345678\nKq9z!mA2\n1\nphone\n123456\n0\n1"
                                     << "138****5678\\n***\\n1\\nphone\\n***\\n0\\n1";
    QTest::newRow("80 sms code") << int(CReqClientLogin80) << "654321" << "***";
    QTest::newRow("74 qr login") << int(CReqClientLogin74) << "zhang\nac-1\nsid-2" << "zhang\\n***\\n***";
    QTest::newRow("81 change password") << int(CReqClientModifyPwd) << "Old@2024\nNew@2024\n0" << "***\\n***\\n0";
    QTest::newRow("68 reset commit") << int(CReqClientResetPwd) << "t1001\n110105194912120011\nKq9z!mA2\nKq9z!mA2\n1\n8841"
                                     << "t1001\\n110105194912120011\\n***\\n***\\n1\\n***";
    QTest::newRow("113 bind phone") << int(CReqClientBind) << "123456&13812345678" << "***&138****5678";
    QTest::newRow("114 binding token") << int(CReqClient114) << "zhang\ntok-9" << "zhang\\n***";
    QTest::newRow("129 spa reset commit") << int(CReqClientOauthResetCommit) << "zhang\n13812345678\nKq9z!mA2\n8841"
                                          << "zhang\\n138****5678\\n***\\n***";
    QTest::newRow("37 tray spa login") << int(CReqTraySpaLogin) << "1\nzhang\nKq9z!mA2" << "1\\nzhang\\n***";
    // Quiet requests of no known layout keep their first field only.
    QTest::newRow("65 quiet, unknown layout") << int(CReqClientLogin65) << "zhang\nsecret\nmore" << "zhang\\n***\\n***";
    // Other bodies pass the pattern mask.
    QTest::newRow("117 json") << int(CReqClientApplyCommit) << R"({"appIds":["7"],"reason":"x","token":"t"})"
                              << R"({"appIds":["7"],"reason":"x","token":"***"})";
    QTest::newRow("75 empty") << int(CReqClientQuerySystemTitle) << "" << "";
}

void TestRequestLog::bodyForLog()
{
    QFETCH(int, req);
    QFETCH(QString, body);
    QFETCH(QString, logged);
    QCOMPARE(requestBodyForLog(req, body), logged);
}

void TestRequestLog::socketTable()
{
    TestPrefix prefix;
    const QList<ServiceSocket> sockets = serviceSockets();
    QStringList rows;
    for (const ServiceSocket& socket : sockets) {
        QVERIFY2(socket.path.startsWith(prefix.root() + QLatin1Char('/')), qPrintable(socket.path));
        rows.append(QStringLiteral("%1 %2 %3 %4")
                        .arg(socket.peer, socket.path.mid(prefix.root().size()))
                        .arg(int(socket.framing))
                        .arg(socket.answers));
    }
    QCOMPARE(rows, (QStringList{
                       "corvisclient /tmp/.corvisclient.un 0 1",
                       "corvistray /tmp/.corvistray.un 0 0",
                       "corvisupdatesrv /tmp/.corvisupdatesrv.un 0 0",
                       "corvisweb /tmp/.corvisweb.un 0 0",
                       "corvisdaemon /tmp/.corvis_cfs/.corvisdaemon.sock 1 0",
                       "corvisdaemon /run/user/corvis/.corvisdaemon.sock 1 0",
                       "corvisdaemon /tmp/.corvisdaemon.un 2 0",
                       "userstation /tmp/.userstation.un 2 0",
                   }));
    // The request peers reach the same paths.
    QCOMPARE(peerSocketPath(ReqPeer::Corvisclient), sockets.at(0).path);
    QCOMPARE(peerSocketPath(ReqPeer::Corvisweb), sockets.at(3).path);
    QCOMPARE(corvis::paths::pushSocket(), prefix.path(QStringLiteral("/tmp/.corvisbench.us")));
}

void TestRequestLog::replyAndParameterLogsHoldNoSecret()
{
    TestPrefix prefix;
    // A reply carrying credentials in every form, and a line break that would forge a log line.
    const QByteArray reply = R"({"accessToken":"T0k3n","data":"{\"password\":\"Pw1\"}","phone":"13812345678",)"
                             "\"auth\":\"Bearer B3ar3r\",\"msg\":\"ok\nI0101 forged\"}";
    RawServicePeer peer(peerSocketPath(ReqPeer::Corvisclient), [reply](const RawServicePeer::Request& request) {
        RawServicePeer::Reply answer;
        answer.type = request.type;
        answer.text = reply;
        return answer;
    });
    QVERIFY(peer.isListening());
    LogCapture log;
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    // Request 114 is logged with its parameter; its second field is the binding token.
    UiComm::instance()->apiCorvisclientCommon(CReqClient114, QStringLiteral("zhang\nB1nd"), true);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 20000);
    // The receiver gets the reply as it came.
    QCOMPARE(spy.first().at(1).toString().toUtf8(), reply);
    const QString text = log.text();
    for (const char* secret : {"T0k3n", "Pw1", "13812345678", "B3ar3r", "B1nd"}) {
        QVERIFY2(!text.contains(QLatin1String(secret)), secret);
    }
    QVERIFY(text.contains(QStringLiteral("138****5678")));
    QVERIFY(text.contains(QStringLiteral("ok\\nI0101 forged")));
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        QVERIFY(!line.startsWith(QLatin1String("I0101 forged")));
    }
}

QTEST_GUILESS_MAIN(TestRequestLog)
#include "tst_requestlog.moc"
