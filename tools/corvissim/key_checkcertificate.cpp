// "checkCertificate": { OPTIONS } — the client service's side of the certificate login (request
// 0x0605): the body is checked for real, and the response is the login's success or a refusal.
//
// The body is the certificate's PEM text alone, or "[$^^$]"-separated with the challenge text,
// the challenge id and the signature (URL-encoded Base64 of r || s). It is accepted when
//  - the certificate chains to the test authority ("ca", default sim/ca/ca.pem below the prefix,
//    where corvistoken keeps it) and its common name is not in "reject";
//  - with a signature: the challenge is the one corvisctlsim issued last ("challenges", default
//    sim/challenges.jsonl), not yet used by a login, at most "maxAgeSeconds" (default 300) old,
//    and the SM2/SM3 signature with the signer identifier "feitian" verifies over the challenge
//    text followed by its salt;
//  - without a signature only when "requireSignature" is false (default true).
// Accepted: the response "ok", by default the demo's login success for the certificate's common
// name (ini/login.json, ini/userinfo.ini, then the pushed online state); the challenge is used up.
// Refused: the response "refused" (default status 1), its reply text saying why unless it has one.

#include "simkeys.h"
#include "simscenario.h"

#include "corviscommon/productpath.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStringList>

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <cstdio>
#include <memory>
#include <mutex>

namespace {

const char kSeparator[] = "[$^^$]";
const char kSignerId[] = "feitian";
constexpr int kDefaultMaxAgeSeconds = 300;

const QString kBadBody = QStringLiteral("证书格式错误");
const QString kUntrusted = QStringLiteral("证书不受信任");
const QString kRejected = QStringLiteral("证书已被停用");
const QString kNoSignature = QStringLiteral("缺少证书签名");
const QString kStaleChallenge = QStringLiteral("认证挑战已失效，请重新登录");
const QString kBadSignature = QStringLiteral("证书签名验证失败");

// Challenges are used up by logins answered on several threads at once.
std::mutex g_usedMutex;

struct X509Free {
    void operator()(X509* cert) const { X509_free(cert); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;

QString underPrefix(const QString& path)
{
    if (path.startsWith(QLatin1Char('/'))) {
        return path;
    }
    return QString::fromLocal8Bit(corvis::pathPrefix().c_str()) + QLatin1Char('/') + path;
}

X509Ptr readPem(const QByteArray& text)
{
    BIO* bio = BIO_new_mem_buf(text.constData(), text.size());
    X509Ptr cert(bio != nullptr ? PEM_read_bio_X509(bio, nullptr, nullptr, nullptr) : nullptr);
    BIO_free(bio);
    return cert;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool chainsTo(X509* cert, const QString& caPath)
{
    X509Ptr ca = readPem(readAll(caPath));
    if (!ca) {
        std::fprintf(stderr, "corvissim: no test authority at %s\n", caPath.toLocal8Bit().constData());
        return false;
    }
    X509_STORE* store = X509_STORE_new();
    X509_STORE_CTX* context = X509_STORE_CTX_new();
    const bool ok = store != nullptr && context != nullptr && X509_STORE_add_cert(store, ca.get()) == 1 &&
                    X509_STORE_CTX_init(context, store, cert, nullptr) == 1 && X509_verify_cert(context) == 1;
    X509_STORE_CTX_free(context);
    X509_STORE_free(store);
    return ok;
}

QString commonName(X509* cert)
{
    char name[256] = {0};
    if (X509_NAME_get_text_by_NID(X509_get_subject_name(cert), NID_commonName, name, sizeof name) < 0) {
        return QString();
    }
    return QString::fromUtf8(name);
}

// The challenge corvisctlsim issued last; empty when there is none.
QJsonObject latestChallenge(const QString& path)
{
    QJsonObject latest;
    for (const QByteArray& line : readAll(path).split('\n')) {
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject()) {
            latest = document.object();
        }
    }
    return latest;
}

bool isUsed(const QString& usedPath, const QString& id)
{
    for (const QByteArray& line : readAll(usedPath).split('\n')) {
        if (QString::fromUtf8(line.trimmed()) == id) {
            return true;
        }
    }
    return false;
}

void markUsed(const QString& usedPath, const QString& id)
{
    QFile file(usedPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(id.toUtf8() + "\n") < 0) {
        std::fprintf(stderr, "corvissim: cannot record the used challenge in %s\n", usedPath.toLocal8Bit().constData());
    }
}

// SM2 with SM3 and the signer identifier over `message`; `signature` is r || s, 32 bytes each.
bool verifySm2(EVP_PKEY* key, const QByteArray& message, const QByteArray& signature)
{
    if (key == nullptr || signature.size() != 64) {
        return false;
    }
    ECDSA_SIG* value = ECDSA_SIG_new();
    BIGNUM* r = BN_bin2bn(reinterpret_cast<const unsigned char*>(signature.constData()), 32, nullptr);
    BIGNUM* s = BN_bin2bn(reinterpret_cast<const unsigned char*>(signature.constData()) + 32, 32, nullptr);
    if (value == nullptr || r == nullptr || s == nullptr || ECDSA_SIG_set0(value, r, s) != 1) {
        BN_free(r);
        BN_free(s);
        ECDSA_SIG_free(value);
        return false;
    }
    unsigned char* der = nullptr;
    const int derLength = i2d_ECDSA_SIG(value, &der);
    ECDSA_SIG_free(value);
    EVP_MD_CTX* digest = EVP_MD_CTX_new();
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr);
    bool ok = derLength > 0 && digest != nullptr && context != nullptr &&
              EVP_PKEY_CTX_set1_id(context, kSignerId, sizeof kSignerId - 1) == 1;
    if (ok) {
        EVP_MD_CTX_set_pkey_ctx(digest, context);
        ok = EVP_DigestVerifyInit(digest, nullptr, EVP_sm3(), nullptr, key) == 1 &&
             EVP_DigestVerify(digest, der, static_cast<size_t>(derLength),
                              reinterpret_cast<const unsigned char*>(message.constData()),
                              static_cast<size_t>(message.size())) == 1;
    }
    EVP_MD_CTX_free(digest);
    EVP_PKEY_CTX_free(context);
    OPENSSL_free(der);
    return ok;
}

// Why the body is refused; empty when it is accepted. `name` gets the certificate's common name.
QString judge(const QByteArray& body, const QJsonObject& options, QString* name)
{
    QList<QByteArray> fields;
    int from = 0;
    for (;;) {
        const int at = body.indexOf(kSeparator, from);
        fields.append(body.mid(from, at < 0 ? -1 : at - from));
        if (at < 0) {
            break;
        }
        from = at + static_cast<int>(sizeof kSeparator - 1);
    }
    if (fields.size() != 1 && fields.size() != 4) {
        return kBadBody;
    }
    X509Ptr cert = readPem(fields.at(0));
    if (!cert) {
        return kBadBody;
    }
    *name = commonName(cert.get());
    if (!chainsTo(cert.get(), underPrefix(options.value("ca").toString(QStringLiteral("sim/ca/ca.pem"))))) {
        return kUntrusted;
    }
    for (const QJsonValue& rejected : options.value("reject").toArray()) {
        if (rejected.toString() == *name) {
            return kRejected;
        }
    }
    if (fields.size() == 1) {
        return options.value("requireSignature").toBool(true) ? kNoSignature : QString();
    }

    const QString authOriginal = QString::fromUtf8(fields.at(1));
    const QString originalId = QString::fromUtf8(fields.at(2));
    const QString challengePath = underPrefix(options.value("challenges").toString(QStringLiteral("sim/challenges.jsonl")));
    const QString usedPath = challengePath + QStringLiteral(".used");
    const QJsonObject challenge = latestChallenge(challengePath);
    const int maxAge = options.value("maxAgeSeconds").toInt(kDefaultMaxAgeSeconds);
    const qint64 age = QDateTime::currentSecsSinceEpoch() - static_cast<qint64>(challenge.value("issued").toDouble());
    std::lock_guard<std::mutex> lock(g_usedMutex);
    if (challenge.isEmpty() || challenge.value("originalId").toString() != originalId ||
        challenge.value("authOriginal").toString() != authOriginal || isUsed(usedPath, originalId) ||
        (maxAge > 0 && age > maxAge)) {
        return kStaleChallenge;
    }
    const QByteArray signature = QByteArray::fromBase64(QByteArray::fromPercentEncoding(fields.at(3)));
    const QByteArray message = (authOriginal + challenge.value("salt").toString()).toUtf8();
    if (!verifySm2(X509_get0_pubkey(cert.get()), message, signature)) {
        return kBadSignature;
    }
    markUsed(usedPath, originalId);
    return QString();
}

// What the demo's account login writes, for the certificate's holder.
QJsonObject loginSuccess(const QString& name)
{
    QString user = name;
    user.remove(QRegularExpression(QStringLiteral("[\\x00-\\x1f\\x7f\\[\\]=;#]")));
    if (user.isEmpty()) {
        user = QStringLiteral("cert");
    }
    const QJsonObject login{{"status", 2000},
                            {"msg", QStringLiteral("登录成功")},
                            {"sessionId", QStringLiteral("demo-session-") + user},
                            {"loginName", user},
                            {"accessToken", QStringLiteral("demo-token")},
                            {"allowChangePwd", QStringLiteral("1")}};
    const QString userInfo = QStringLiteral("[UserInfo]\nPcName=demo-pc\nUserName=%1\nUserFullName=%1\nDepartment=研发部\n").arg(user);
    return QJsonObject{{"status", 0},
                       {"reply", QStringLiteral("登录成功")},
                       {"files", QJsonObject{{"ini/login.json", login}, {"ini/userinfo.ini", userInfo}}},
                       {"push", QJsonArray{QJsonObject{{"code", QStringLiteral("0x0300")}, {"delayMs", 300}}}}};
}

bool check(const QJsonValue& value, QString* error)
{
    if (!value.isObject()) {
        *error = QStringLiteral("an object of options expected");
        return false;
    }
    const QJsonObject options = value.toObject();
    for (auto it = options.begin(); it != options.end(); ++it) {
        const QString& key = it.key();
        const QJsonValue& v = it.value();
        bool ok = true;
        if (key == QLatin1String("ca") || key == QLatin1String("challenges")) {
            ok = v.isString() && !v.toString().isEmpty();
        } else if (key == QLatin1String("requireSignature")) {
            ok = v.isBool();
        } else if (key == QLatin1String("maxAgeSeconds")) {
            ok = v.isDouble() && v.toDouble() >= 0;
        } else if (key == QLatin1String("reject")) {
            ok = v.isArray();
            for (const QJsonValue& name : v.toArray()) {
                ok = ok && name.isString();
            }
        } else if (key == QLatin1String("ok") || key == QLatin1String("refused")) {
            if (!v.isObject()) {
                ok = false;
            } else if (!SimScenario::checkResponse(v.toObject(), QStringLiteral(".") + key, error)) {
                return false;
            }
        } else {
            *error = QStringLiteral(".%1: unknown key").arg(key);
            return false;
        }
        if (!ok) {
            *error = QStringLiteral(".%1: a value of the wrong kind").arg(key);
            return false;
        }
    }
    return true;
}

const SimKeyRegistrar checkCertificateKey(
    QStringLiteral("checkCertificate"), check,
    [](const SimRequest& request, const QJsonValue& value, QJsonObject* response) {
        const QJsonObject options = value.toObject();
        QString name;
        const QString why = judge(request.body, options, &name);
        if (why.isEmpty()) {
            std::fprintf(stderr, "corvissim: certificate login of \"%s\" accepted\n", name.toUtf8().constData());
            *response = options.contains("ok") ? options.value("ok").toObject() : loginSuccess(name);
            return true;
        }
        std::fprintf(stderr, "corvissim: certificate login of \"%s\" refused: %s\n", name.toUtf8().constData(),
                     why.toUtf8().constData());
        QJsonObject refused = options.value("refused").toObject();
        if (!refused.contains("status")) {
            refused.insert("status", 1);
        }
        if (!refused.contains("reply")) {
            refused.insert("reply", why);
        }
        *response = refused;
        return true;
    });

}  // namespace
