#include "tools/corvistoken/tokenca.h"

#include "platform/skftoken/sm2blob.h"
#include "platform/skftoken/tokenstore.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace tokenca {

namespace {

struct X509Free {
    void operator()(X509* cert) const { X509_free(cert); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;

std::string bioText(BIO* bio)
{
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return size > 0 && data != nullptr ? std::string(data, static_cast<size_t>(size)) : std::string();
}

bool addExtension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (extension == nullptr) {
        return false;
    }
    const bool ok = X509_add_ext(cert, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return ok;
}

// Everything but the signature: version 3, a random serial, the validity and the names.
X509Ptr draft(EVP_PKEY* subjectKey, const std::string& commonName, int days)
{
    X509Ptr cert(X509_new());
    BIGNUM* serial = BN_new();
    bool ok = cert && serial != nullptr && X509_set_version(cert.get(), 2) == 1 &&
              BN_rand(serial, 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1 &&
              BN_to_ASN1_INTEGER(serial, X509_get_serialNumber(cert.get())) != nullptr &&
              X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600) != nullptr &&
              X509_gmtime_adj(X509_getm_notAfter(cert.get()), static_cast<long>(days) * 86400) != nullptr &&
              X509_set_pubkey(cert.get(), subjectKey) == 1;
    BN_free(serial);
    X509_NAME* name = ok ? X509_get_subject_name(cert.get()) : nullptr;
    ok = ok &&
         X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>("Corvis Test"), -1,
                                    -1, 0) == 1 &&
         X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                    reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0) == 1;
    return ok ? std::move(cert) : X509Ptr();
}

bool loadCa(const std::string& dir, skftoken::PkeyPtr& key, X509Ptr& cert, std::string& error)
{
    std::string keyPem, certPem;
    if (skftoken::readFile(dir + "/" + kKeyFile, keyPem) != skftoken::ReadResult::Ok ||
        skftoken::readFile(dir + "/" + kCertFile, certPem) != skftoken::ReadResult::Ok) {
        error = "no certificate authority in " + dir;
        return false;
    }
    key = skftoken::privateKeyFromPem(keyPem);
    BIO* bio = BIO_new_mem_buf(certPem.data(), static_cast<int>(certPem.size()));
    cert.reset(bio != nullptr ? PEM_read_bio_X509(bio, nullptr, nullptr, nullptr) : nullptr);
    BIO_free(bio);
    if (!key || !cert || X509_check_private_key(cert.get(), key.get()) != 1) {
        error = "the certificate authority in " + dir + " is damaged";
        return false;
    }
    return true;
}

}  // namespace

bool newSm2Key(std::string& pem, EVP_PKEY** key, std::string& error)
{
    EVP_PKEY* made = EVP_PKEY_Q_keygen(nullptr, nullptr, "SM2");
    if (made == nullptr) {
        error = "SM2 key generation failed";
        return false;
    }
    BIO* bio = BIO_new(BIO_s_mem());
    const bool ok = bio != nullptr && PEM_write_bio_PrivateKey(bio, made, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    pem = ok ? bioText(bio) : std::string();
    BIO_free(bio);
    if (!ok || pem.empty()) {
        EVP_PKEY_free(made);
        error = "cannot write the SM2 key";
        return false;
    }
    *key = made;
    return true;
}

bool ensure(const std::string& dir, const std::string& commonName, std::string& error)
{
    if (skftoken::exists(dir + "/" + kCertFile)) {
        skftoken::PkeyPtr key;
        X509Ptr cert;
        return loadCa(dir, key, cert, error);
    }
    if (!skftoken::makeDirectory(dir)) {
        error = "cannot make " + dir;
        return false;
    }
    std::string keyPem;
    EVP_PKEY* raw = nullptr;
    if (!newSm2Key(keyPem, &raw, error)) {
        return false;
    }
    skftoken::PkeyPtr key(raw);
    X509Ptr cert = draft(key.get(), commonName, 3650);
    bool ok = cert && X509_set_issuer_name(cert.get(), X509_get_subject_name(cert.get())) == 1 &&
              addExtension(cert.get(), cert.get(), NID_basic_constraints, "critical,CA:TRUE") &&
              addExtension(cert.get(), cert.get(), NID_key_usage, "critical,keyCertSign,cRLSign") &&
              addExtension(cert.get(), cert.get(), NID_subject_key_identifier, "hash") &&
              X509_sign(cert.get(), key.get(), EVP_sm3()) > 0;
    BIO* bio = BIO_new(BIO_s_mem());
    ok = ok && bio != nullptr && PEM_write_bio_X509(bio, cert.get()) == 1;
    const std::string certPem = ok ? bioText(bio) : std::string();
    BIO_free(bio);
    if (!ok || certPem.empty() || !skftoken::writeFileAtomic(dir + "/" + kKeyFile, keyPem) ||
        !skftoken::writeFileAtomic(dir + "/" + kCertFile, certPem)) {
        error = "cannot make the certificate authority in " + dir;
        return false;
    }
    return true;
}

bool issue(const std::string& dir, EVP_PKEY* subjectKey, const std::string& commonName, int days, std::string& der,
           std::string& error)
{
    skftoken::PkeyPtr caKey;
    X509Ptr caCert;
    if (!loadCa(dir, caKey, caCert, error)) {
        return false;
    }
    X509Ptr cert = draft(subjectKey, commonName, days);
    const bool ok = cert && X509_set_issuer_name(cert.get(), X509_get_subject_name(caCert.get())) == 1 &&
                    addExtension(cert.get(), caCert.get(), NID_basic_constraints, "critical,CA:FALSE") &&
                    addExtension(cert.get(), caCert.get(), NID_key_usage, "critical,digitalSignature,nonRepudiation") &&
                    addExtension(cert.get(), caCert.get(), NID_subject_key_identifier, "hash") &&
                    addExtension(cert.get(), caCert.get(), NID_authority_key_identifier, "keyid") &&
                    X509_sign(cert.get(), caKey.get(), EVP_sm3()) > 0;
    unsigned char* bytes = nullptr;
    const int length = ok ? i2d_X509(cert.get(), &bytes) : -1;
    if (length <= 0) {
        error = "cannot issue a certificate for " + commonName;
        return false;
    }
    der.assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
    OPENSSL_free(bytes);
    return true;
}

}  // namespace tokenca
