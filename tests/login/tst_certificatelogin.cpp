// The certificate login against the software token: every path of the reading closes what it
// opened (the token counts its handles), the signatures verify, the PIN rules, the outcomes that
// decide the page's message, the next certificate after a rejection, and token libraries that
// are missing, incomplete or misbehaving.

#include "corviscommon/productpath.h"
#include "login/certificatelogin.h"
#include "login/skflibrary.h"
#include "support/logcapture.h"
#include "support/testprefix.h"
#include "support/tokentool.h"

#include <openssl/crypto.h>

#include <QDir>
#include <QRegularExpression>
#include <QSemaphore>
#include <QThreadPool>
#include <QtTest>

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <set>

namespace {

const QString kPin = QStringLiteral("246810");
const std::string kSignData = "challenge-textsalt";

// The signature text of the body: URL-encoded Base64 of r || s; verified with SM2/SM3 and the
// signer identifier over `message` with the key of the PEM certificate.
bool verifies(const std::string& pem, const std::string& message, const std::string& signatureText)
{
    const QByteArray raw = QByteArray::fromBase64(QByteArray::fromPercentEncoding(QByteArray::fromStdString(signatureText)));
    if (raw.size() != 64) {
        return false;
    }
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    ECDSA_SIG* sig = ECDSA_SIG_new();
    ECDSA_SIG_set0(sig, BN_bin2bn(reinterpret_cast<const unsigned char*>(raw.constData()), 32, nullptr),
                   BN_bin2bn(reinterpret_cast<const unsigned char*>(raw.constData()) + 32, 32, nullptr));
    unsigned char* der = nullptr;
    const int derLength = i2d_ECDSA_SIG(sig, &der);
    ECDSA_SIG_free(sig);
    EVP_PKEY* key = cert != nullptr ? X509_get0_pubkey(cert) : nullptr;
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    EVP_PKEY_CTX* context = key != nullptr ? EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr) : nullptr;
    bool ok = context != nullptr && EVP_PKEY_CTX_set1_id(context, "feitian", 7) == 1;
    if (ok) {
        EVP_MD_CTX_set_pkey_ctx(md, context);
        ok = EVP_DigestVerifyInit(md, nullptr, EVP_sm3(), nullptr, key) == 1 &&
             EVP_DigestVerify(md, der, static_cast<size_t>(derLength),
                              reinterpret_cast<const unsigned char*>(message.data()), message.size()) == 1;
    }
    EVP_MD_CTX_free(md);
    EVP_PKEY_CTX_free(context);
    OPENSSL_free(der);
    X509_free(cert);
    return ok;
}

// The tries left in the PIN record of an application.
int triesLeft(const QString& device, const QString& app = QStringLiteral("CORVIS"))
{
    const QByteArray record = readFile(corvis::installPathQ(QStringLiteral("token/%1/%2/pin").arg(device, app)));
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("remaining=(\\d+)")).match(QString::fromLatin1(record));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

std::shared_ptr<SkfLibrary> loaded(const QString& path)
{
    auto library = std::make_shared<SkfLibrary>();
    return library->load(path) ? library : nullptr;
}

int source(AuthInfo& info, int ret, int status)
{
    info.status = status;
    info.authOriginal = "challenge-text";
    info.originalId = "4711";
    info.salt = "salt";
    return ret;
}

enum Setup {
    NoKey,
    Unplugged,
    ContainerWithoutCertFirst,
    EmptyCertFile,
    NotDer,
    CorruptKey,
    WrongPin,
    TwoCertificates,
    TwoKeys,
    EmptyKey,
    LockedApplication,
    CorruptPinRecord,
};

}  // namespace

class TestCertificateLogin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void libraryPaths();
    void badLibrary_data();
    void badLibrary();
    void reading_data();
    void reading();
    void fiftyContainers();
    void wrongPinSpendsOneTry();
    void pinRules_data();
    void pinRules();
    void prepareOutcomes_data();
    void prepareOutcomes();
    void nextCertificate();
    void publicKeyOfWrongLength();
    void pinNeverLogged();
    void readingOnWorker();

private:
    void setUp(Setup setup);

    std::unique_ptr<TestPrefix> prefix_;
    std::shared_ptr<SkfLibrary> token_;
};

void TestCertificateLogin::initTestCase()
{
    token_ = loaded(SkfLibrary::bundledPath());
    QVERIFY2(token_, "the software token beside the test program");
}

void TestCertificateLogin::init()
{
    prefix_ = std::make_unique<TestPrefix>();
    QVERIFY(prefix_->isValid());
}

void TestCertificateLogin::cleanup()
{
    // Whatever the path, the reading left nothing open on the token.
    QCOMPARE(token_->openHandleCount(), 0);
    prefix_.reset();
}

void TestCertificateLogin::libraryPaths()
{
    // Beside the program: build/bin/.. /lib for the tests as for the workbench.
    QCOMPARE(QFileInfo(SkfLibrary::bundledPath()).canonicalFilePath(),
             QFileInfo(QStringLiteral(CORVIS_TEST_SKF_PROXY)).absolutePath() + QStringLiteral("/libcorvisskf.so"));
    QCOMPARE(SkfLibrary::libraryPath(), SkfLibrary::bundledPath());
    prefix_->writeSysCfg("[UKey]\nSkfLibrary=  \n");
    QCOMPARE(SkfLibrary::libraryPath(), SkfLibrary::bundledPath());
    prefix_->writeSysCfg("[UKey]\nSkfLibrary=" CORVIS_TEST_SKF_PROXY "\n");
    QCOMPARE(SkfLibrary::libraryPath(), QStringLiteral(CORVIS_TEST_SKF_PROXY));
}

void TestCertificateLogin::badLibrary_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("named");

    QTest::newRow("missing file") << QStringLiteral("/nonexistent/libskf.so") << QStringLiteral("/nonexistent/libskf.so");
    QTest::newRow("relative path") << QStringLiteral("libcorvisskf.so") << QStringLiteral("not absolute");
    QTest::newRow("not a library") << QStringLiteral("/etc/hostname") << QStringLiteral("/etc/hostname");
    QTest::newRow("lacks a function") << QStringLiteral(CORVIS_TEST_SKF_NOVERIFY) << QStringLiteral("lacks SKF_ECCVerify");
}

void TestCertificateLogin::badLibrary()
{
    QFETCH(QString, path);
    QFETCH(QString, named);

    SkfLibrary library;
    QVERIFY(!library.load(path));
    QVERIFY(!library.isLoaded());
    QVERIFY2(library.errorString().contains(named), qPrintable(library.errorString()));

    // Configured for the login: no certificate, and the ERROR line says why.
    QVERIFY(TokenTool::makeKey("key1", kPin, {"zhangsan"}));
    prefix_->writeSysCfg("[UKey]\nSkfLibrary=" + path.toLocal8Bit() + "\n");
    LogCapture log;
    CertificateLogin login;
    login.setPin(kPin);
    QCOMPARE(login.prepare(false).outcome, CertificateLogin::Outcome::NoCertificate);
    QVERIFY(login.certificates().empty());
    QVERIFY(log.contains(named, google::GLOG_ERROR));
    QVERIFY(log.contains(QStringLiteral("get certificate failed"), google::GLOG_ERROR));
}

void TestCertificateLogin::setUp(Setup setup)
{
    auto write = [](const QString& path, const QByteArray& content) { QVERIFY(writeFile(path, content)); };
    switch (setup) {
    case NoKey:
        break;
    case Unplugged:
        QVERIFY(TokenTool::makeKey("key1", kPin, {"zhangsan"}));
        QCOMPARE(TokenTool::run({"unplug", "key1"}), 0);
        break;
    case ContainerWithoutCertFirst:
        QVERIFY(TokenTool::makeKey("key1", kPin, {}));
        QCOMPARE(TokenTool::run({"add", "key1", "a-empty", "--no-cert"}), 0);
        QCOMPARE(TokenTool::run({"add", "key1", "b-signing"}), 0);
        break;
    case EmptyCertFile:
        QVERIFY(TokenTool::makeKey("key1", kPin, {"a", "b"}));
        write(TokenTool::containerDir("key1", "a") + "/cert.der", QByteArray());
        break;
    case NotDer:
        QVERIFY(TokenTool::makeKey("key1", kPin, {"a", "b"}));
        write(TokenTool::containerDir("key1", "a") + "/cert.der", "-----BEGIN CERTIFICATE-----\nnot DER\n");
        break;
    case CorruptKey:
        QVERIFY(TokenTool::makeKey("key1", kPin, {"a"}));
        write(TokenTool::containerDir("key1", "a") + "/key.pem", "garbage");
        break;
    case WrongPin:
        QVERIFY(TokenTool::makeKey("key1", QStringLiteral("135790"), {"a"}));
        break;
    case TwoCertificates:
        QVERIFY(TokenTool::makeKey("key1", kPin, {"a", "b"}));
        break;
    case TwoKeys:
        QVERIFY(TokenTool::makeKey("key1", kPin, {"a"}));
        QVERIFY(TokenTool::makeKey("key2", kPin, {"b"}));
        break;
    case EmptyKey:
        // A device without applications and an application without containers.
        QVERIFY(QDir().mkpath(corvis::installPathQ("token/key0")));
        QVERIFY(TokenTool::makeKey("key1", kPin, {}));
        break;
    case LockedApplication:
        QVERIFY(TokenTool::makeKey("key1", QStringLiteral("135790"), {"a"}));
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(TokenTool::run({"change-pin", "key1", "000000", "111111"}), 1);
        }
        QCOMPARE(triesLeft("key1"), 0);
        QCOMPARE(TokenTool::run({"change-pin", "key1", "135790", kPin}), 1);  // locked stays locked
        break;
    case CorruptPinRecord:
        QVERIFY(TokenTool::makeKey("key1", kPin, {"a"}));
        write(corvis::installPathQ("token/key1/CORVIS/pin"), "iterations=1\nsalt=zz\n");
        break;
    }
}

void TestCertificateLogin::reading_data()
{
    QTest::addColumn<int>("setup");
    QTest::addColumn<int>("result");
    QTest::addColumn<QList<int>>("signedKeys");
    QTest::addColumn<bool>("pinVerified");

    QTest::newRow("no key") << int(NoKey) << CertificateLogin::kNoDevice << QList<int>{} << true;
    QTest::newRow("key unplugged") << int(Unplugged) << CertificateLogin::kNoDevice << QList<int>{} << true;
    QTest::newRow("device and application empty") << int(EmptyKey) << 0 << QList<int>{} << true;
    QTest::newRow("container without certificate skipped") << int(ContainerWithoutCertFirst) << 1 << QList<int>{1} << true;
    QTest::newRow("empty certificate skipped") << int(EmptyCertFile) << 1 << QList<int>{1} << true;
    QTest::newRow("certificate not DER skipped") << int(NotDer) << 1 << QList<int>{1} << true;
    QTest::newRow("damaged key: certificate, no signature") << int(CorruptKey) << 1 << QList<int>{} << true;
    QTest::newRow("wrong PIN: certificate, no signature") << int(WrongPin) << 1 << QList<int>{} << false;
    QTest::newRow("locked application") << int(LockedApplication) << 1 << QList<int>{} << false;
    QTest::newRow("damaged PIN record") << int(CorruptPinRecord) << 1 << QList<int>{} << false;
    QTest::newRow("two certificates") << int(TwoCertificates) << 2 << QList<int>{1, 2} << true;
    QTest::newRow("two keys") << int(TwoKeys) << 2 << QList<int>{1, 2} << true;
}

void TestCertificateLogin::reading()
{
    QFETCH(int, setup);
    QFETCH(int, result);
    QFETCH(QList<int>, signedKeys);
    QFETCH(bool, pinVerified);

    setUp(static_cast<Setup>(setup));
    CertificateLogin login;
    login.setLibrary(token_);
    login.setPin(kPin);
    CertificateLogin::CertMap certs{{9, "old"}};
    CertificateLogin::CertMap signatures{{9, "old"}};
    QCOMPARE(login.GetCerFromUkey(certs, signatures, kSignData), result);
    QCOMPARE(static_cast<int>(certs.size()), std::max(result, 0));
    QCOMPARE(login.pinVerified(), pinVerified);
    QList<int> keys;
    for (const auto& entry : signatures) {
        keys << entry.first;
        QVERIFY2(verifies(certs.at(entry.first), kSignData, entry.second), "the signature verifies");
    }
    QCOMPARE(keys, signedKeys);
    int key = 0;
    for (const auto& entry : certs) {
        QCOMPARE(entry.first, ++key);  // keys from 1 in the order found
        QVERIFY(QByteArray::fromStdString(entry.second).startsWith("-----BEGIN CERTIFICATE-----\n"));
    }
}

void TestCertificateLogin::fiftyContainers()
{
    QStringList names;
    for (int i = 0; i < 50; ++i) {
        names << QStringLiteral("container-%1").arg(i, 2, 10, QLatin1Char('0'));
    }
    QVERIFY(TokenTool::makeKey("key1", kPin, names));
    CertificateLogin login;
    login.setLibrary(token_);
    login.setPin(kPin);
    CertificateLogin::CertMap certs, signatures;
    QCOMPARE(login.GetCerFromUkey(certs, signatures, kSignData), 50);
    QCOMPARE(signatures.size(), size_t(50));
    std::set<std::string> distinct;
    for (const auto& entry : certs) {
        distinct.insert(entry.second);
    }
    QCOMPARE(distinct.size(), size_t(50));
    QVERIFY(verifies(certs.at(50), kSignData, signatures.at(50)));
}

void TestCertificateLogin::wrongPinSpendsOneTry()
{
    // Three containers behind one PIN: a wrong PIN is presented once per reading, not three times.
    QVERIFY(TokenTool::makeKey("key1", QStringLiteral("135790"), {"a", "b", "c"}));
    CertificateLogin login;
    login.setLibrary(token_);
    login.setPin(kPin);
    CertificateLogin::CertMap certs, signatures;
    QCOMPARE(login.GetCerFromUkey(certs, signatures, kSignData), 3);
    QVERIFY(signatures.empty());
    QCOMPARE(triesLeft("key1"), 4);

    // The right PIN at the next reading signs again and restores the tries.
    login.setPin(QStringLiteral("135790"));
    QCOMPARE(login.prepare(false).outcome, CertificateLogin::Outcome::Send);
    QCOMPARE(login.GetCerFromUkey(certs, signatures, kSignData), 3);
    QCOMPARE(signatures.size(), size_t(3));
    QCOMPARE(triesLeft("key1"), 5);
}

void TestCertificateLogin::pinRules_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("triesAfter");

    QTest::newRow("right") << kPin << kPin << true << 5;
    QTest::newRow("wrong") << kPin << QStringLiteral("999999") << false << 4;
    QTest::newRow("empty: refused, no try spent") << kPin << QString() << false << 5;
    QTest::newRow("1000 characters: refused, no try spent") << kPin << QString(1000, QLatin1Char('7')) << false << 5;
    QTest::newRow("NUL inside: never presented") << kPin << QString::fromUtf8("246\0810", 7) << false << 5;
    QTest::newRow("non-ASCII PIN") << QStringLiteral("密码2468") << QStringLiteral("密码2468") << true << 5;
    QTest::newRow("non-ASCII typed wrong") << kPin << QStringLiteral("口令口令") << false << 4;
}

void TestCertificateLogin::pinRules()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(int, triesAfter);

    QVERIFY(TokenTool::makeKey("key1", stored, {"a"}));
    CertificateLogin login;
    login.setLibrary(token_);
    login.setPin(typed);
    const auto step = login.prepare(true, [](AuthInfo& info) { return source(info, 0, 2000); });
    QCOMPARE(step.outcome, accepted ? CertificateLogin::Outcome::Send : CertificateLogin::Outcome::PinRefused);
    QCOMPARE(login.certificates().size(), size_t(1));
    QCOMPARE(triesLeft("key1"), triesAfter);
}

void TestCertificateLogin::prepareOutcomes_data()
{
    QTest::addColumn<bool>("certAuthSign");
    QTest::addColumn<int>("sourceRet");
    QTest::addColumn<int>("sourceStatus");
    QTest::addColumn<bool>("haveKey");
    QTest::addColumn<QString>("pin");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("fields");
    QTest::addColumn<QString>("message");

    using O = CertificateLogin::Outcome;
    const QString server = QStringLiteral("服务器连接失败，请检查网络是否正常");
    const QString insert = QStringLiteral("请插入U-key后点击登录");
    QTest::newRow("signed") << true << 0 << 2000 << true << kPin << int(O::Send) << 4 << QString();
    QTest::newRow("certificate alone, no PIN asked")
        << false << 0 << 2000 << true << QStringLiteral("000000") << int(O::Send) << 1 << QString();
    QTest::newRow("controller unreachable") << true << -1 << 0 << true << kPin << int(O::ServerUnavailable) << 0 << server;
    QTest::newRow("controller without a challenge")
        << true << 0 << 4003 << true << kPin << int(O::ServerUnavailable) << 0 << server;
    QTest::newRow("no key") << true << 0 << 2000 << false << kPin << int(O::NoCertificate) << 0 << insert;
    QTest::newRow("no key, unsigned") << false << 0 << 2000 << false << kPin << int(O::NoCertificate) << 0 << insert;
    QTest::newRow("wrong PIN") << true << 0 << 2000 << true << QStringLiteral("000000") << int(O::PinRefused) << 0
                               << QStringLiteral("PIN码验证错误");
}

void TestCertificateLogin::prepareOutcomes()
{
    QFETCH(bool, certAuthSign);
    QFETCH(int, sourceRet);
    QFETCH(int, sourceStatus);
    QFETCH(bool, haveKey);
    QFETCH(QString, pin);
    QFETCH(int, outcome);
    QFETCH(int, fields);
    QFETCH(QString, message);

    if (haveKey) {
        QVERIFY(TokenTool::makeKey("key1", kPin, {"zhangsan"}));
    }
    CertificateLogin login;
    login.setLibrary(token_);
    login.setPin(pin);
    int asked = 0;
    const auto step = login.prepare(certAuthSign, [&](AuthInfo& info) {
        ++asked;
        return source(info, sourceRet, sourceStatus);
    });
    QCOMPARE(int(step.outcome), outcome);
    QCOMPARE(CertificateLogin::messageFor(step.outcome), message);
    QCOMPARE(asked, certAuthSign ? 1 : 0);
    if (haveKey) {
        // Without a challenge to sign the PIN is never presented.
        QCOMPARE(triesLeft("key1"), certAuthSign && sourceRet == 0 && sourceStatus == 2000 && pin != kPin ? 4 : 5);
    }
    if (step.outcome != CertificateLogin::Outcome::Send) {
        QVERIFY(step.body.empty());
        return;
    }
    const QStringList parts = QString::fromStdString(step.body).split(QStringLiteral("[$^^$]"));
    QCOMPARE(parts.size(), fields);
    QCOMPARE(parts.at(0).toStdString(), login.certificates().at(1));
    if (fields == 4) {
        QCOMPARE(parts.at(1), QStringLiteral("challenge-text"));
        QCOMPARE(parts.at(2), QStringLiteral("4711"));
        QVERIFY(verifies(parts.at(0).toStdString(), "challenge-textsalt", parts.at(3).toStdString()));
    }
    QCOMPARE(login.position(), 2);
}

void TestCertificateLogin::nextCertificate()
{
    QVERIFY(TokenTool::makeKey("key1", kPin, {"first", "second"}));
    CertificateLogin login;
    login.setLibrary(token_);
    login.setPin(kPin);
    std::string body;
    QVERIFY(!login.nextBody(&body));  // nothing sent yet
    const auto step = login.prepare(true, [](AuthInfo& info) { return source(info, 0, 2000); });
    QCOMPARE(step.outcome, CertificateLogin::Outcome::Send);
    const auto certs = login.certificates();
    QVERIFY(QString::fromStdString(step.body).startsWith(QString::fromStdString(certs.at(1))));

    // Rejected: the second certificate goes with the same challenge and its own signature.
    QVERIFY(login.nextBody(&body));
    const QStringList parts = QString::fromStdString(body).split(QStringLiteral("[$^^$]"));
    QCOMPARE(parts.size(), 4);
    QCOMPARE(parts.at(0).toStdString(), certs.at(2));
    QCOMPARE(parts.at(1), QStringLiteral("challenge-text"));
    QCOMPARE(parts.at(2), QStringLiteral("4711"));
    QCOMPARE(parts.at(3).toStdString(), login.signatures().at(2));
    QVERIFY(verifies(certs.at(2), "challenge-textsalt", parts.at(3).toStdString()));
    QCOMPARE(login.position(), 3);

    // Both rejected: none left.
    QVERIFY(!login.nextBody(&body));
    QCOMPARE(login.position(), 3);

    // A new reading starts over.
    QCOMPARE(login.prepare(false).outcome, CertificateLogin::Outcome::Send);
    QVERIFY(login.nextBody(&body));
    QCOMPARE(body, login.certificates().at(2));
}

void TestCertificateLogin::publicKeyOfWrongLength()
{
    QVERIFY(TokenTool::makeKey("key1", kPin, {"a"}));
    auto proxy = loaded(QStringLiteral(CORVIS_TEST_SKF_PROXY));
    QVERIFY(proxy);
    qputenv("CORVIS_TEST_SKF_PUBKEY_LEN", "131");
    CertificateLogin login;
    login.setLibrary(proxy);
    login.setPin(kPin);
    CertificateLogin::CertMap certs, signatures;
    LogCapture log;
    QCOMPARE(login.GetCerFromUkey(certs, signatures, kSignData), 1);
    qunsetenv("CORVIS_TEST_SKF_PUBKEY_LEN");
    QVERIFY(signatures.empty());
    QVERIFY(log.contains(QStringLiteral("ulPubKeyLen != sizeof(ECCPUBLICKEYBLOB)"), google::GLOG_ERROR));
    QCOMPARE(proxy->openHandleCount(), 0);

    // The same library behaving: signed.
    QCOMPARE(login.GetCerFromUkey(certs, signatures, kSignData), 1);
    QCOMPARE(signatures.size(), size_t(1));
}

void TestCertificateLogin::pinNeverLogged()
{
    const QString pin = QStringLiteral("Pin#Secret-7781");
    QVERIFY(TokenTool::makeKey("key1", pin, {"a", "b"}));
    LogCapture log;
    CertificateLogin login;
    login.setLibrary(token_);
    for (const QString& typed : {pin, QStringLiteral("Pin#Wrong-4455")}) {
        login.setPin(typed);
        login.prepare(true, [](AuthInfo& info) { return source(info, 0, 2000); });
    }
    QVERIFY(log.contains(QStringLiteral("SKF_VerifyPIN failed"), google::GLOG_ERROR));
    QVERIFY(!log.text().contains(QStringLiteral("Secret-7781")));
    QVERIFY(!log.text().contains(QStringLiteral("Wrong-4455")));
    // Nor in the token's PIN record.
    QVERIFY(!readFile(corvis::installPathQ("token/key1/CORVIS/pin")).contains("Secret-7781"));
}

void TestCertificateLogin::readingOnWorker()
{
    QVERIFY(TokenTool::makeKey("key1", kPin, {"a"}));
    CertificateLogin login;
    login.setLibrary(token_);
    login.setPin(kPin);
    QSemaphore asked, answer;
    CertificateLogin::Step step;
    QAtomicInt done;
    QThreadPool::globalInstance()->start([&] {
        step = login.prepare(true, [&](AuthInfo& info) {
            asked.release();
            // The controller answers when the test says so.
            answer.tryAcquire(1, 60000);
            return source(info, 0, 2000);
        });
        // The pool keeps this thread past the test; OpenSSL's per-thread random state would
        // otherwise be freed only when the thread ends, racing the leak check at exit.
        OPENSSL_thread_stop();
        done.storeRelease(1);
    });
    QVERIFY(asked.tryAcquire(1, 60000));
    // While the worker waits on the controller, the GUI thread's calls do not wait for it.
    login.setPin(QStringLiteral("000000"));
    login.setPin(kPin);
    QVERIFY(login.certificates().empty());
    std::string body;
    QVERIFY(!login.nextBody(&body));
    QCOMPARE(login.position(), 0);
    answer.release();
    QTRY_VERIFY_WITH_TIMEOUT(done.loadAcquire() == 1, 60000);
    QCOMPARE(step.outcome, CertificateLogin::Outcome::Send);
    QCOMPARE(login.certificates().size(), size_t(1));
    QCOMPARE(login.position(), 2);
}

QTEST_GUILESS_MAIN(TestCertificateLogin)
#include "tst_certificatelogin.moc"
