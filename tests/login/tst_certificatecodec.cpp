// The encodings of the certificate login: the percent-encoding of the signature, Base64 with
// OpenSSL's line breaks (checked against OpenSSL's own command line), the PEM text and the body.

#include "login/certificatecodec.h"

#include <QProcess>
#include <QtTest>

#include <openssl/rand.h>

class TestCertificateCodec : public QObject
{
    Q_OBJECT

private slots:
    void urlEncode_data();
    void urlEncode();
    void urlEncodeBase64Text();
    void toBase64_data();
    void toBase64();
    void pemAndBody();
};

void TestCertificateCodec::urlEncode_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("encoded");

    QTest::newRow("percent") << QByteArray("%") << QByteArray("%25");
    QTest::newRow("hash") << QByteArray("#") << QByteArray("%23");
    QTest::newRow("ampersand") << QByteArray("&") << QByteArray("%26");
    QTest::newRow("plus") << QByteArray("+") << QByteArray("%2B");
    QTest::newRow("equals") << QByteArray("=") << QByteArray("%3D");
    QTest::newRow("blank") << QByteArray(" ") << QByteArray("%20");
    QTest::newRow("slash") << QByteArray("/") << QByteArray("%2F");
    QTest::newRow("double quote") << QByteArray("\"") << QByteArray("%22");
    QTest::newRow("question mark") << QByteArray("?") << QByteArray("%3F");
    QTest::newRow("dot") << QByteArray(".") << QByteArray("%2E");
    QTest::newRow("colon") << QByteArray(":") << QByteArray("%3A");
    // "%" goes first, so the codes made later are not encoded a second time.
    QTest::newRow("codes not encoded twice") << QByteArray("a+b=") << QByteArray("a%2Bb%3D");
    QTest::newRow("percent before a code") << QByteArray("%2B+") << QByteArray("%252B%2B");
    QTest::newRow("every occurrence") << QByteArray("//..") << QByteArray("%2F%2F%2E%2E");
    QTest::newRow("untouched") << QByteArray("Abc019-_~\n") << QByteArray("Abc019-_~\n");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("utf-8 kept") << QByteArray("证书") << QByteArray("证书");
}

void TestCertificateCodec::urlEncode()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, encoded);
    std::string value = text.toStdString();
    CertificateCodec::UrlEncode(value);
    QCOMPARE(QByteArray::fromStdString(value), encoded);
    // A percent-decoder gives the text back.
    QCOMPARE(QByteArray::fromPercentEncoding(QByteArray::fromStdString(value)), text);
}

void TestCertificateCodec::urlEncodeBase64Text()
{
    // Base64 of bytes that bring out "+", "/" and "=".
    const std::string raw("\xfb\xff\xbf\xfe\x0f", 5);
    std::string text = CertificateCodec::toBase64(raw);
    QCOMPARE(QByteArray::fromStdString(text), QByteArray("+/+//g8=\n"));
    CertificateCodec::UrlEncode(text);
    QCOMPARE(QByteArray::fromStdString(text), QByteArray("%2B%2F%2B%2F%2Fg8%3D\n"));
    QCOMPARE(QByteArray::fromBase64(QByteArray::fromPercentEncoding(QByteArray::fromStdString(text))),
             QByteArray::fromStdString(raw));
}

void TestCertificateCodec::toBase64_data()
{
    QTest::addColumn<QByteArray>("data");
    auto random = [](int size) {
        QByteArray bytes(size, '\0');
        RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), size);
        return bytes;
    };
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one byte") << QByteArray("a");
    QTest::newRow("48 bytes, one full line") << random(48);
    QTest::newRow("49 bytes, a second line") << random(49);
    QTest::newRow("64-byte signature") << random(64);
    QTest::newRow("certificate-sized") << random(700);
    QTest::newRow("zero bytes") << QByteArray(100, '\0');
}

void TestCertificateCodec::toBase64()
{
    QFETCH(QByteArray, data);
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"), {QStringLiteral("base64")});
    QVERIFY(openssl.waitForStarted());
    openssl.write(data);
    openssl.closeWriteChannel();
    QVERIFY(openssl.waitForFinished(30000));
    const QByteArray expected = openssl.readAllStandardOutput();

    const std::string text = CertificateCodec::toBase64(data.toStdString());
    QCOMPARE(QByteArray::fromStdString(text), expected);
    for (const QByteArray& line : QByteArray::fromStdString(text).split('\n')) {
        QVERIFY(line.size() <= 64);
    }
    QCOMPARE(QByteArray::fromBase64(QByteArray::fromStdString(text)), data);
}

void TestCertificateCodec::pemAndBody()
{
    const std::string der(100, '\x30');
    const std::string pem = CertificateCodec::pemFromDer(der);
    QVERIFY(QByteArray::fromStdString(pem).startsWith("-----BEGIN CERTIFICATE-----\n"));
    QVERIFY(QByteArray::fromStdString(pem).endsWith("\n-----END CERTIFICATE-----"));
    QCOMPARE(QByteArray::fromStdString(pem).count('\n'), 4);  // header, two Base64 lines

    QCOMPARE(QString::fromStdString(CertificateCodec::body("PEM")), QStringLiteral("PEM"));
    QCOMPARE(QString::fromStdString(CertificateCodec::body("PEM", "challenge", "42", "c2ln%3D\n")),
             QStringLiteral("PEM[$^^$]challenge[$^^$]42[$^^$]c2ln%3D\n"));
}

QTEST_GUILESS_MAIN(TestCertificateCodec)
#include "tst_certificatecodec.moc"
