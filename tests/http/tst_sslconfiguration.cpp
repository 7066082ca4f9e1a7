// The TLS settings of picture downloads, used with QNetworkAccessManager against the loopback
// controller and its self-signed certificate.

#include "http/sslconfiguration.h"

#include "support/ctlsim.h"
#include "support/testprefix.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QByteArray kPicture("\x89PNG\r\n\x1a\n-picture-bytes", 23);

QByteArray pictureScenario()
{
    const QJsonObject picture{{"bodyBase64", QString::fromLatin1(kPicture.toBase64())},
                              {"headers", QJsonObject{{"Content-Type", "image/png"}}}};
    return QJsonDocument(QJsonObject{{"controller", QJsonObject{{"/icon.png", picture}}}}).toJson();
}

}  // namespace

class TestSslConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void settings();
    void download_data();
    void download();
};

void TestSslConfiguration::settings()
{
    const QSslConfiguration configuration = downloadSslConfiguration();
    QCOMPARE(configuration.protocol(), QSsl::TlsV1_2OrLater);
    QCOMPARE(configuration.peerVerifyMode(), QSslSocket::VerifyNone);
    QNetworkRequest request(QUrl("https://127.0.0.1:1/x.png"));
    applyDownloadSsl(request);
    QCOMPARE(request.sslConfiguration().protocol(), QSsl::TlsV1_2OrLater);
}

void TestSslConfiguration::download_data()
{
    QTest::addColumn<QString>("serverMinimum");
    QTest::addColumn<bool>("useHelper");
    QTest::addColumn<bool>("succeeds");

    QTest::newRow("server from TLS 1.2") << "1.2" << true << true;
    QTest::newRow("server from TLS 1.3") << "1.3" << true << true;
    // The control: a client held to TLS 1.2 alone is refused, so the floor is real.
    QTest::newRow("TLS 1.2 only against 1.3") << "1.3" << false << false;
}

void TestSslConfiguration::download()
{
    QFETCH(QString, serverMinimum);
    QFETCH(bool, useHelper);
    QFETCH(bool, succeeds);
    if (!QSslSocket::supportsSsl()) {
        QSKIP("Qt has no TLS backend here");
    }
    TestPrefix prefix;
    CtlSim sim(prefix, pictureScenario(), {"--tls-min", serverMinimum});
    QVERIFY2(sim.isRunning(), qPrintable(sim.startError()));

    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl(sim.httpsUrl("/icon.png")));
    QSslConfiguration configuration = downloadSslConfiguration();
    if (!useHelper) {
        configuration.setProtocol(QSsl::TlsV1_2);
    }
    request.setSslConfiguration(configuration);
    QNetworkReply* reply = manager.get(request);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    QVERIFY(finished.wait(15000));
    if (succeeds) {
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        QCOMPARE(reply->readAll(), kPicture);
    } else {
        QVERIFY(reply->error() != QNetworkReply::NoError);
    }
    reply->deleteLater();
}

QTEST_GUILESS_MAIN(TestSslConfiguration)
#include "tst_sslconfiguration.moc"
