// The crypto helpers: DES-ECB with Base64 text, Base64, MD5.

#include "login/des.h"
#include "login/hbase64.h"
#include "login/md5encode.h"
#include "support/testprefix.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <openssl/evp.h>

#include <vector>

namespace {

const unsigned char* key(const char* text)
{
    return reinterpret_cast<const unsigned char*>(text);
}

// A buffer with a guard zone after `size` bytes, so a test sees any write past the bound.
struct GuardedBuffer {
    explicit GuardedBuffer(size_t size) : size(size), bytes(size + 64, 'X') {}
    char* data() { return bytes.data(); }
    bool untouched() const
    {
        return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 'X'; });
    }
    bool guardIntact() const
    {
        return std::all_of(bytes.begin() + static_cast<long>(size), bytes.end(), [](char c) { return c == 'X'; });
    }
    QByteArray text() const { return QByteArray(bytes.data()); }
    size_t size;
    std::vector<char> bytes;
};

QByteArray encrypt(const char* k, const QByteArray& plain)
{
    std::vector<char> out(16384, '\0');
    if (Des::Encrypt(key(k), nullptr, plain.constData(), out.data(), out.size()) != 1) {
        return QByteArray();
    }
    return QByteArray(out.data());
}

}  // namespace

class TestCryptoHelpers : public QObject
{
    Q_OBJECT

private slots:
    void desRoundTrip_data();
    void desRoundTrip();
    void desKnownAnswer_data();
    void desKnownAnswer();
    void desMatchesOpensslTool();
    void desDecryptFailures_data();
    void desDecryptFailures();
    void desEncryptBound_data();
    void desEncryptBound();
    void desDecryptBound_data();
    void desDecryptBound();
    void desBase64Helpers();
    void defaultContextUntouched();
    void base64_data();
    void base64();
    void base64Invalid_data();
    void base64Invalid();
    void md5_data();
    void md5();
};

void TestCryptoHelpers::desRoundTrip_data()
{
    QTest::addColumn<QByteArray>("keyText");
    QTest::addColumn<QByteArray>("plain");

    const QByteArray devInfo = R"({"mac":"52:54:00:12:34:56","ip":"10.0.0.8","machineCode":"u-1","OSName":"uos",)"
                               R"("OSVersion":"1050","appId":"u-1","appName":"corvisbench","deviceType":"1"})";
    for (const char* k : {"HTKRV529", "WQB63815"}) {
        QTest::addRow("%s empty", k) << QByteArray(k) << QByteArray();
        QTest::addRow("%s one byte", k) << QByteArray(k) << QByteArray("a");
        QTest::addRow("%s seven bytes", k) << QByteArray(k) << QByteArray("1234567");
        QTest::addRow("%s whole block", k) << QByteArray(k) << QByteArray("12345678");
        QTest::addRow("%s device info", k) << QByteArray(k) << devInfo;
        QTest::addRow("%s utf-8", k) << QByteArray(k) << QByteArray("安全工作台 + / =");
        QTest::addRow("%s largest that fits", k) << QByteArray(k) << QByteArray(3063, 'z');
    }
}

void TestCryptoHelpers::desRoundTrip()
{
    QFETCH(QByteArray, keyText);
    QFETCH(QByteArray, plain);

    std::vector<char> cipher(Des::kBufferSize);
    QCOMPARE(Des::Encrypt(key(keyText), nullptr, plain.constData(), cipher.data()), 1);
    const QByteArray text(cipher.data());
    QVERIFY(!text.isEmpty());
    QVERIFY(!text.contains('\n'));
    QCOMPARE(text.size() % 4, 0);

    std::vector<char> back(Des::kBufferSize, 'X');
    QCOMPARE(Des::Decrypt(key(keyText), nullptr, cipher.data(), back.data()), 1);
    QCOMPARE(QByteArray(back.data()), plain);
}

void TestCryptoHelpers::desKnownAnswer_data()
{
    QTest::addColumn<QByteArray>("keyBytes");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("cipherBase64");

    // Worked through by `openssl enc -des-ecb -provider legacy -provider default -a -A`.
    QTest::newRow("HTKRV529") << QByteArray("HTKRV529") << QByteArray("hello corvis")
                              << QByteArray("O1blO72YJr2kRGS0Xglf6Q==");
    QTest::newRow("WQB63815") << QByteArray("WQB63815") << QByteArray("hello corvis")
                              << QByteArray("m4GWQP6ujGi+SK7VUKLAAA==");
}

void TestCryptoHelpers::desKnownAnswer()
{
    QFETCH(QByteArray, keyBytes);
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, cipherBase64);

    QCOMPARE(encrypt(keyBytes.constData(), plain), cipherBase64);

    // The classic single-block vector: the first block of the padded ciphertext.
    const QByteArray classicKey = QByteArray::fromHex("133457799BBCDFF1");
    const QByteArray classicPlain = QByteArray::fromHex("0123456789ABCDEF");
    const QByteArray cipher = QByteArray::fromBase64(encrypt(classicKey.constData(), classicPlain));
    QCOMPARE(cipher.size(), 16);
    QCOMPARE(cipher.left(8).toHex(), QByteArray("85e813540f0ab405"));
}

void TestCryptoHelpers::desMatchesOpensslTool()
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (tool.isEmpty()) {
        QSKIP("the openssl command is not installed");
    }
    const QList<QByteArray> plains = {QByteArray(), QByteArray("x"), QByteArray("exactly8"),
                                      QByteArray("安全工作台"), QByteArray(1000, '#')};
    for (const char* k : {"HTKRV529", "WQB63815"}) {
        for (const QByteArray& plain : plains) {
            QProcess openssl;
            openssl.start(tool, {QStringLiteral("enc"), QStringLiteral("-des-ecb"), QStringLiteral("-provider"),
                                 QStringLiteral("legacy"), QStringLiteral("-provider"), QStringLiteral("default"),
                                 QStringLiteral("-K"), QString::fromLatin1(QByteArray(k).toHex()),
                                 QStringLiteral("-a"), QStringLiteral("-A")});
            QVERIFY(openssl.waitForStarted());
            openssl.write(plain);
            openssl.closeWriteChannel();
            QVERIFY(openssl.waitForFinished(10000));
            QCOMPARE(openssl.exitCode(), 0);
            QCOMPARE(encrypt(k, plain), openssl.readAllStandardOutput().trimmed());
        }
    }
}

void TestCryptoHelpers::desDecryptFailures_data()
{
    QTest::addColumn<QByteArray>("keyText");
    QTest::addColumn<QByteArray>("text");

    // Single blocks enciphered without padding under HTKRV529: their last bytes are no padding.
    QTest::newRow("pad byte 9") << QByteArray("HTKRV529") << QByteArray("6sTm3j3wQcw=");
    QTest::newRow("pad byte 0") << QByteArray("HTKRV529") << QByteArray("uR1/grzaRhU=");
    QTest::newRow("pad bytes disagree") << QByteArray("HTKRV529") << QByteArray("i/7gtv02+hM=");
    QTest::newRow("letter as pad") << QByteArray("HTKRV529") << QByteArray("KyUKZc8hk8k=");
    QTest::newRow("wrong key") << QByteArray("WQB63815") << QByteArray("O1blO72YJr2kRGS0Xglf6Q==");
    QTest::newRow("empty text") << QByteArray("HTKRV529") << QByteArray();
    QTest::newRow("not base64") << QByteArray("HTKRV529") << QByteArray("O1blO72YJr2k*GS0Xglf6Q==");
    QTest::newRow("line break") << QByteArray("HTKRV529") << QByteArray("O1blO72YJr2k\nRGS0Xglf6Q==");
    QTest::newRow("part of a block") << QByteArray("HTKRV529") << QByteArray("O1blO72YJr0=");
}

void TestCryptoHelpers::desDecryptFailures()
{
    QFETCH(QByteArray, keyText);
    QFETCH(QByteArray, text);

    GuardedBuffer out(Des::kBufferSize);
    QCOMPARE(Des::Decrypt(key(keyText), nullptr, text.constData(), out.data(), out.size), 0);
    QVERIFY2(out.untouched(), "a failed decryption wrote into the buffer");
}

void TestCryptoHelpers::desEncryptBound_data()
{
    QTest::addColumn<int>("plainSize");
    QTest::addColumn<int>("outSize");
    QTest::addColumn<int>("result");

    // 3063 bytes pad to 3064, whose Base64 takes 4088 bytes: the largest text for 4096.
    QTest::newRow("largest for the default buffer") << 3063 << 0 << 1;
    QTest::newRow("one more block for the default buffer") << 3064 << 0 << 0;
    QTest::newRow("ten kilobytes for the default buffer") << 10240 << 0 << 0;
    QTest::newRow("exact room for 24 bytes and the zero") << 12 << 25 << 1;
    QTest::newRow("no room for the zero") << 12 << 24 << 0;
    QTest::newRow("one byte buffer") << 0 << 1 << 0;
}

void TestCryptoHelpers::desEncryptBound()
{
    QFETCH(int, plainSize);
    QFETCH(int, outSize);
    QFETCH(int, result);

    const QByteArray plain(plainSize, 'p');
    GuardedBuffer out(outSize == 0 ? Des::kBufferSize : static_cast<size_t>(outSize));
    const int got = outSize == 0 ? Des::Encrypt(key("HTKRV529"), nullptr, plain.constData(), out.data())
                                 : Des::Encrypt(key("HTKRV529"), nullptr, plain.constData(), out.data(), out.size);
    QCOMPARE(got, result);
    QVERIFY(out.guardIntact());
    if (result == 0) {
        QVERIFY(out.untouched());
    } else {
        QCOMPARE(static_cast<size_t>(out.text().size()) + 1 <= out.size, true);
    }
}

void TestCryptoHelpers::desDecryptBound_data()
{
    QTest::addColumn<int>("plainSize");
    QTest::addColumn<int>("outSize");
    QTest::addColumn<int>("result");

    QTest::newRow("4095 bytes and the zero in 4096") << 4095 << 0 << 1;
    QTest::newRow("4096 bytes leave no room for the zero") << 4096 << 0 << 0;
    QTest::newRow("8000 bytes") << 8000 << 0 << 0;
    QTest::newRow("1023 bytes in a 1024-byte buffer") << 1023 << 1024 << 1;
    QTest::newRow("1024 bytes in a 1024-byte buffer") << 1024 << 1024 << 0;
    QTest::newRow("2000 bytes in a 1024-byte buffer") << 2000 << 1024 << 0;
}

void TestCryptoHelpers::desDecryptBound()
{
    QFETCH(int, plainSize);
    QFETCH(int, outSize);
    QFETCH(int, result);

    QByteArray plain(plainSize, 'q');
    const QByteArray cipher = encrypt("WQB63815", plain);
    QVERIFY(!cipher.isEmpty());
    GuardedBuffer out(outSize == 0 ? Des::kBufferSize : static_cast<size_t>(outSize));
    const int got = outSize == 0 ? Des::Decrypt(key("WQB63815"), nullptr, cipher.constData(), out.data())
                                 : Des::Decrypt(key("WQB63815"), nullptr, cipher.constData(), out.data(), out.size);
    QCOMPARE(got, result);
    QVERIFY(out.guardIntact());
    if (result == 1) {
        QCOMPARE(out.text(), plain);
    } else {
        QVERIFY(out.untouched());
    }
}

void TestCryptoHelpers::desBase64Helpers()
{
    const unsigned char bytes[] = {0xfb, 0xff, 0x00, 0x41};
    char text[9];
    QCOMPARE(Des::encode(bytes, 4, text, sizeof(text)), 8);
    QCOMPARE(QByteArray(text), QByteArray("+/8AQQ=="));
    QCOMPARE(Des::encode(bytes, 4, text, 8), -1);
    QCOMPARE(Des::encode(bytes, 0, text, 1), 0);
    QCOMPARE(QByteArray(text), QByteArray());

    unsigned char back[4] = {};
    QCOMPARE(Des::decode("+/8AQQ==", 8, back, sizeof(back)), 4);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(back), 4), QByteArray(reinterpret_cast<const char*>(bytes), 4));
    QCOMPARE(Des::decode("+/8AQQ==", 8, back, 3), -1);
    QCOMPARE(Des::decode("+/8A?Q==", 8, back, sizeof(back)), -1);
}

void TestCryptoHelpers::defaultContextUntouched()
{
    // Our helpers have loaded the legacy provider into their own context...
    QCOMPARE(encrypt("HTKRV529", "hello corvis"), QByteArray("O1blO72YJr2kRGS0Xglf6Q=="));
    // ...while the process's default context, which TLS uses, still has no DES and still has AES.
    EVP_CIPHER* des = EVP_CIPHER_fetch(nullptr, "DES-ECB", nullptr);
    QVERIFY(des == nullptr);
    EVP_CIPHER* aes = EVP_CIPHER_fetch(nullptr, "AES-128-GCM", nullptr);
    QVERIFY(aes != nullptr);
    EVP_CIPHER_free(aes);
}

void TestCryptoHelpers::base64_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("f") << QByteArray("f") << QByteArray("Zg==");
    QTest::newRow("fo") << QByteArray("fo") << QByteArray("Zm8=");
    QTest::newRow("foo") << QByteArray("foo") << QByteArray("Zm9v");
    QTest::newRow("foob") << QByteArray("foob") << QByteArray("Zm9vYg==");
    QTest::newRow("fooba") << QByteArray("fooba") << QByteArray("Zm9vYmE=");
    QTest::newRow("foobar") << QByteArray("foobar") << QByteArray("Zm9vYmFy");
    QTest::newRow("high bytes") << QByteArray::fromHex("fbfffe00") << QByteArray("+//+AA==");
    QTest::newRow("long, no line breaks") << QByteArray(100, 'a') << QByteArray(100, 'a').toBase64();
}

void TestCryptoHelpers::base64()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, text);

    const std::string encoded =
        HBase64::encode(reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size());
    QCOMPARE(QByteArray::fromStdString(encoded), text);
    QVERIFY(encoded.size() + 1 <= HBase64::encodedBufferSize(static_cast<size_t>(bytes.size())));
    QCOMPARE(QByteArray::fromStdString(HBase64::decode(text.toStdString())), bytes);
}

void TestCryptoHelpers::base64Invalid_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("unpadded two") << QByteArray("Zg") << true << QByteArray("f");
    QTest::newRow("unpadded three") << QByteArray("Zm8") << true << QByteArray("fo");
    QTest::newRow("single character") << QByteArray("Z") << false << QByteArray();
    QTest::newRow("five characters") << QByteArray("Zm9vY") << false << QByteArray();
    QTest::newRow("only padding") << QByteArray("====") << false << QByteArray();
    QTest::newRow("three pads") << QByteArray("Z===") << false << QByteArray();
    QTest::newRow("pad in the middle") << QByteArray("Zg==Zg==") << false << QByteArray();
    QTest::newRow("stray bits") << QByteArray("Zh==") << false << QByteArray();
    QTest::newRow("line break") << QByteArray("Zm9v\nYmFy") << false << QByteArray();
    QTest::newRow("url alphabet") << QByteArray("-_8=") << false << QByteArray();
    QTest::newRow("nul inside") << QByteArray("Zm\0v", 4) << false << QByteArray();
}

void TestCryptoHelpers::base64Invalid()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(QByteArray, bytes);

    std::string out = "junk";
    QCOMPARE(HBase64::decode(text.constData(), static_cast<size_t>(text.size()), out), valid);
    QCOMPARE(QByteArray::fromStdString(out), bytes);
    QCOMPARE(QByteArray::fromStdString(HBase64::decode(text.toStdString())), bytes);
}

void TestCryptoHelpers::md5_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("digest");

    // The test suite of RFC 1321, appendix A.5.
    QTest::newRow("empty") << QByteArray("") << QByteArray("d41d8cd98f00b204e9800998ecf8427e");
    QTest::newRow("a") << QByteArray("a") << QByteArray("0cc175b9c0f1b6a831c399e269772661");
    QTest::newRow("abc") << QByteArray("abc") << QByteArray("900150983cd24fb0d6963f7d28e17f72");
    QTest::newRow("message digest") << QByteArray("message digest") << QByteArray("f96b697d7cb7938d525a2f31aaf161d0");
    QTest::newRow("alphabet") << QByteArray("abcdefghijklmnopqrstuvwxyz")
                              << QByteArray("c3fcd3d76192e4007dfb496cca67e13b");
    QTest::newRow("alphanumeric") << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")
                                  << QByteArray("d174ab98d277d9f5a5611c2c9f419d9f");
    QTest::newRow("digits") << QByteArray("1234567890").repeated(8) << QByteArray("57edf4a22be3c955ac49da2e2107b67a");
    QTest::newRow("bytes with nul") << QByteArray("a\0b", 3) << QCryptographicHash::hash(QByteArray("a\0b", 3),
                                                                                          QCryptographicHash::Md5).toHex();
}

void TestCryptoHelpers::md5()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, digest);

    QCOMPARE(QByteArray::fromStdString(Md5Encode::Encode(text.toStdString())), digest);
}

QTEST_GUILESS_MAIN(TestCryptoHelpers)
#include "tst_cryptohelpers.moc"
