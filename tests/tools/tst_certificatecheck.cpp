// The other side of the certificate login: corvisctlsim hands out fresh challenges through the
// real getAuthInfo, the login reads and signs with the software token, and corvissim checks the
// body of request 0x0605 for real (chain to the test authority, SM2/SM3 signature with the
// signer identifier, the challenge it was given) over the real sockets.

#include "comm/uicomm.h"
#include "http/api.h"
#include "login/certificatecodec.h"
#include "login/certificatelogin.h"
#include "login/skflibrary.h"
#include "support/ctlsim.h"
#include "support/simprocess.h"
#include "support/testprefix.h"
#include "support/tokentool.h"

#include <QJsonDocument>
#include <QtTest>

namespace {

const QString kPin = QStringLiteral("246810");
const QString kStale = QStringLiteral("认证挑战已失效，请重新登录");

struct Result {
    QString resMsg;
    bool failed = true;
};

Result send(const std::string& body)
{
    QSignalSpy spy(UiComm::instance(), &UiComm::sendCommMsg);
    UiComm::instance()->apiCorvisclientCommon(CReqClientVeskCheckCertificate, QString::fromStdString(body), true);
    if (!spy.wait(20000) && spy.isEmpty()) {
        return {QStringLiteral("no result"), true};
    }
    const QList<QVariant> args = spy.first();
    return {args.at(1).toString(), args.at(3).toBool()};
}

QByteArray scenario(const QJsonObject& options)
{
    const QJsonObject root{{"corvisclient", QJsonObject{{"0x0605", QJsonObject{{"checkCertificate", options}}}}}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

QList<QJsonObject> challenges(const TestPrefix& prefix)
{
    QList<QJsonObject> out;
    for (const QByteArray& line : readFile(prefix.root() + "/sim/challenges.jsonl").split('\n')) {
        if (!line.isEmpty()) {
            out << QJsonDocument::fromJson(line).object();
        }
    }
    return out;
}

// Replaces one field of a "[$^^$]" body.
std::string withField(const std::string& body, int index, const QString& value)
{
    QStringList parts = QString::fromStdString(body).split(QStringLiteral("[$^^$]"));
    parts[index] = value;
    return parts.join(QStringLiteral("[$^^$]")).toStdString();
}

}  // namespace

class TestCertificateCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void challengesAreFresh();
    void acceptedOnce();
    void refused_data();
    void refused();
    void badOptions();

private:
    CertificateLogin::Step prepare(CertificateLogin& login, bool certAuthSign = true);

    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<CtlSim> ctl_;
    std::shared_ptr<SkfLibrary> token_;
};

void TestCertificateCheck::initTestCase()
{
    UiComm::instance();
    token_ = std::make_shared<SkfLibrary>();
    QVERIFY(token_->load(SkfLibrary::bundledPath()));
}

void TestCertificateCheck::init()
{
    prefix_ = std::make_unique<TestPrefix>();
    ctl_ = std::make_unique<CtlSim>(*prefix_);
    QVERIFY2(ctl_->isRunning(), qPrintable(ctl_->startError()));
    QVERIFY(prefix_->writeSysCfg(ctl_->sysCfg("[appinfo]\nUUID=test-machine\n")));
}

void TestCertificateCheck::cleanup()
{
    QCOMPARE(token_->openHandleCount(), 0);
    ctl_.reset();
    prefix_.reset();
}

CertificateLogin::Step TestCertificateCheck::prepare(CertificateLogin& login, bool certAuthSign)
{
    login.setLibrary(token_);
    login.setPin(kPin);
    return login.prepare(certAuthSign);
}

void TestCertificateCheck::challengesAreFresh()
{
    AuthInfo first, second;
    QCOMPARE(API::getInstance()->getAuthInfo(first), 0);
    QCOMPARE(API::getInstance()->getAuthInfo(second), 0);
    QCOMPARE(first.status, 2000);
    QVERIFY(!first.authOriginal.empty() && !first.originalId.empty() && !first.salt.empty());
    QVERIFY(first.authOriginal != second.authOriginal);
    QVERIFY(first.originalId != second.originalId);
    QVERIFY(first.salt != second.salt);

    // What the controller handed out, in the order it did, for the client service to check.
    const QList<QJsonObject> issued = challenges(*prefix_);
    QCOMPARE(issued.size(), 2);
    QCOMPARE(issued.at(0).value("authOriginal").toString().toStdString(), first.authOriginal);
    QCOMPARE(issued.at(0).value("originalId").toString().toStdString(), first.originalId);
    QCOMPARE(issued.at(0).value("salt").toString().toStdString(), first.salt);
    QCOMPARE(issued.at(1).value("originalId").toString().toStdString(), second.originalId);
    QVERIFY(issued.at(1).value("issued").toDouble() > 1.7e9);
}

void TestCertificateCheck::acceptedOnce()
{
    QVERIFY(TokenTool::makeKey("key1", kPin, {"zhangsan"}));
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(scenario({})), qPrintable(sim.errorOutput()));
    CertificateLogin login;
    const auto step = prepare(login);
    QCOMPARE(step.outcome, CertificateLogin::Outcome::Send);

    const Result result = send(step.body);
    QCOMPARE(result.resMsg, QStringLiteral("登录成功"));
    QVERIFY(!result.failed);
    const QJsonObject loginJson = QJsonDocument::fromJson(prefix_->readInstallFile("ini/login.json")).object();
    QCOMPARE(loginJson.value("status").toInt(), 2000);
    QCOMPARE(loginJson.value("loginName").toString(), QStringLiteral("zhangsan"));
    QVERIFY(prefix_->readInstallFile("ini/userinfo.ini").contains("UserName=zhangsan"));

    // The same body again: its challenge is used up.
    QFile::remove(prefix_->installPath("ini/login.json"));
    const Result replay = send(step.body);
    QVERIFY(replay.failed);
    QCOMPARE(replay.resMsg, kStale);
    QVERIFY(!QFileInfo::exists(prefix_->installPath("ini/login.json")));
}

void TestCertificateCheck::refused_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("reply");

    QTest::newRow("tampered signature") << "tampered" << QStringLiteral("证书签名验证失败");
    QTest::newRow("signature of another key") << "otherKey" << QStringLiteral("证书签名验证失败");
    QTest::newRow("certificate of another authority") << "foreignCa" << QStringLiteral("证书不受信任");
    QTest::newRow("older challenge") << "oldChallenge" << kStale;
    QTest::newRow("challenge never issued") << "unknownChallenge" << kStale;
    QTest::newRow("challenge text changed") << "otherText" << kStale;
    QTest::newRow("challenge too old") << "expired" << kStale;
    QTest::newRow("certificate named in the scenario") << "rejected" << QStringLiteral("证书已被停用");
    QTest::newRow("no signature") << "unsigned" << QStringLiteral("缺少证书签名");
    QTest::newRow("not a certificate") << "garbage" << QStringLiteral("证书格式错误");
    QTest::newRow("scenario's own refusal") << "ownRefusal" << QStringLiteral("账号已禁用");
}

void TestCertificateCheck::refused()
{
    QFETCH(QString, what);
    QFETCH(QString, reply);

    QVERIFY(TokenTool::makeKey("key1", kPin, {"zhangsan"}));
    if (what == QLatin1String("foreignCa")) {
        QVERIFY(QDir(TokenTool::containerDir("key1", "zhangsan")).removeRecursively());
        QCOMPARE(TokenTool::run({"add", "key1", "zhangsan", "--ca", prefix_->root() + "/other-ca"}), 0);
    }
    QJsonObject options;
    if (what == QLatin1String("rejected")) {
        options.insert("reject", QJsonArray{"lisi", "zhangsan"});
    } else if (what == QLatin1String("expired")) {
        options.insert("maxAgeSeconds", 1);
    } else if (what == QLatin1String("ownRefusal")) {
        options.insert("reject", QJsonArray{"zhangsan"});
        options.insert("refused", QJsonObject{{"status", 3}, {"reply", QStringLiteral("账号已禁用")}});
    }
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(scenario(options)), qPrintable(sim.errorOutput()));

    CertificateLogin login;
    auto step = prepare(login, what != QLatin1String("unsigned"));
    QCOMPARE(step.outcome, CertificateLogin::Outcome::Send);
    std::string body = step.body;
    if (what == QLatin1String("tampered")) {
        std::string signature = login.signatures().at(1);
        signature[5] = signature[5] == 'A' ? 'B' : 'A';
        body = withField(body, 3, QString::fromStdString(signature));
    } else if (what == QLatin1String("otherKey")) {
        // A genuine signature of the same challenge, by a key of another certificate.
        QCOMPARE(TokenTool::run({"add", "key1", "zzother"}), 0);
        CertificateLogin other;
        other.setLibrary(token_);
        other.setPin(kPin);
        CertificateLogin::CertMap certs, signatures;
        const QStringList parts = QString::fromStdString(body).split(QStringLiteral("[$^^$]"));
        const QJsonObject challenge = challenges(*prefix_).last();
        QCOMPARE(other.GetCerFromUkey(certs, signatures, (challenge.value("authOriginal").toString() +
                                                          challenge.value("salt").toString()).toStdString()),
                 2);
        body = withField(body, 3, QString::fromStdString(signatures.at(2)));
    } else if (what == QLatin1String("oldChallenge")) {
        AuthInfo newer;
        QCOMPARE(API::getInstance()->getAuthInfo(newer), 0);
    } else if (what == QLatin1String("unknownChallenge")) {
        body = withField(body, 2, QStringLiteral("999"));
    } else if (what == QLatin1String("otherText")) {
        body = withField(body, 1, QStringLiteral("another-challenge"));
    } else if (what == QLatin1String("expired")) {
        // The challenge file says when it was issued: make it older than the scenario allows.
        const QString path = prefix_->root() + "/sim/challenges.jsonl";
        QJsonObject line = challenges(*prefix_).last();
        line.insert("issued", line.value("issued").toDouble() - 60);
        QVERIFY(writeFile(path, QJsonDocument(line).toJson(QJsonDocument::Compact) + "\n"));
    } else if (what == QLatin1String("garbage")) {
        body = withField(body, 0, QStringLiteral("-----BEGIN CERTIFICATE-----\nAAAA\n-----END CERTIFICATE-----"));
    }
    const Result result = send(body);
    QVERIFY(result.failed);
    QCOMPARE(result.resMsg, reply);
    QVERIFY(!QFileInfo::exists(prefix_->installPath("ini/login.json")));

    if (what == QLatin1String("unsigned")) {
        // A service that takes the certificate alone.
        SimProcess lenient(prefix_->root());
        QVERIFY(sim.stop());
        QVERIFY2(lenient.start(scenario({{"requireSignature", false}})), qPrintable(lenient.errorOutput()));
        QVERIFY(!send(step.body).failed);
    }
}

void TestCertificateCheck::badOptions()
{
    for (const QJsonObject& options :
         {QJsonObject{{"colour", "red"}}, QJsonObject{{"reject", "zhangsan"}}, QJsonObject{{"ok", QJsonObject{{"status", "x"}}}},
          QJsonObject{{"maxAgeSeconds", -1}}}) {
        SimProcess sim(prefix_->root());
        QVERIFY(!sim.start(scenario(options)));
        QVERIFY2(sim.errorOutput().contains("checkCertificate"), qPrintable(sim.errorOutput()));
    }
}

QTEST_GUILESS_MAIN(TestCertificateCheck)
#include "tst_certificatecheck.moc"
