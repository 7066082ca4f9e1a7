#include "tools/corvisctlsim/selfsignedcert.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace {

std::string opensslError(const char* what)
{
    char text[256] = {0};
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    return std::string(what) + ": " + text;
}

X509* makeCertificate(EVP_PKEY* key, std::string& error)
{
    X509* cert = X509_new();
    if (cert == nullptr) {
        error = opensslError("X509_new");
        return nullptr;
    }
    unsigned char serial[8];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7f;
    BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert));
    BN_free(number);
    X509_set_version(cert, 2);
    // An hour back, so that a clock a little behind still accepts it.
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 24 * 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("corvisctlsim"), -1,
                               -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"), -1, -1,
                               0);
    X509_set_issuer_name(cert, name);
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* names =
        X509V3_EXT_conf_nid(nullptr, &context, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1,IP:::1");
    if (names == nullptr || X509_add_ext(cert, names, -1) != 1 || X509_sign(cert, key, EVP_sha256()) == 0) {
        error = opensslError("certificate");
        X509_EXTENSION_free(names);
        X509_free(cert);
        return nullptr;
    }
    X509_EXTENSION_free(names);
    return cert;
}

}  // namespace

SSL_CTX* newSelfSignedServerContext(int minVersion, std::string& error)
{
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (key == nullptr) {
        error = opensslError("EVP_EC_gen");
        return nullptr;
    }
    X509* cert = makeCertificate(key, error);
    SSL_CTX* context = cert != nullptr ? SSL_CTX_new(TLS_server_method()) : nullptr;
    if (cert != nullptr && context == nullptr) {
        error = opensslError("SSL_CTX_new");
    }
    if (context != nullptr) {
        if (SSL_CTX_set_min_proto_version(context, minVersion) != 1 || SSL_CTX_use_certificate(context, cert) != 1 ||
            SSL_CTX_use_PrivateKey(context, key) != 1 || SSL_CTX_check_private_key(context) != 1) {
            error = opensslError("server context");
            SSL_CTX_free(context);
            context = nullptr;
        }
    }
    X509_free(cert);
    EVP_PKEY_free(key);
    return context;
}
