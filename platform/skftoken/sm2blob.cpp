#include "platform/skftoken/sm2blob.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/obj_mac.h>
#include <openssl/param_build.h>
#include <openssl/pem.h>

#include <cstring>
#include <vector>

namespace skftoken {

namespace {

struct BnFree {
    void operator()(BIGNUM* bn) const { BN_free(bn); }
};
using BnPtr = std::unique_ptr<BIGNUM, BnFree>;

bool padded(const BIGNUM* bn, unsigned char* out, size_t length)
{
    return bn != nullptr && BN_bn2binpad(bn, out, static_cast<int>(length)) == static_cast<int>(length);
}

bool isZero(const unsigned char* bytes, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool isSm2(const EVP_PKEY* key)
{
    return key != nullptr && EVP_PKEY_is_a(key, "SM2");
}

bool toBlob(const EVP_PKEY* key, ECCPUBLICKEYBLOB& blob)
{
    std::memset(&blob, 0, sizeof blob);
    if (!isSm2(key)) {
        return false;
    }
    BIGNUM* x = nullptr;
    BIGNUM* y = nullptr;
    const bool got = EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_EC_PUB_X, &x) == 1 &&
                     EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_EC_PUB_Y, &y) == 1;
    BnPtr xHolder(x), yHolder(y);
    if (!got) {
        return false;
    }
    blob.BitLen = kBitLength;
    const size_t offset = sizeof blob.XCoordinate - kCoordinateLength;
    return padded(x, blob.XCoordinate + offset, kCoordinateLength) &&
           padded(y, blob.YCoordinate + offset, kCoordinateLength);
}

ULONG fromBlob(const ECCPUBLICKEYBLOB& blob, PkeyPtr& key)
{
    key.reset();
    const size_t offset = sizeof blob.XCoordinate - kCoordinateLength;
    if (blob.BitLen != kBitLength || !isZero(blob.XCoordinate, offset) || !isZero(blob.YCoordinate, offset)) {
        return SAR_MODULUSLENERR;
    }
    unsigned char point[1 + 2 * kCoordinateLength];
    point[0] = 0x04;
    std::memcpy(point + 1, blob.XCoordinate + offset, kCoordinateLength);
    std::memcpy(point + 1 + kCoordinateLength, blob.YCoordinate + offset, kCoordinateLength);

    OSSL_PARAM_BLD* build = OSSL_PARAM_BLD_new();
    OSSL_PARAM* params = nullptr;
    EVP_PKEY_CTX* context = nullptr;
    EVP_PKEY* made = nullptr;
    if (build != nullptr && OSSL_PARAM_BLD_push_utf8_string(build, OSSL_PKEY_PARAM_GROUP_NAME, "SM2", 0) == 1 &&
        OSSL_PARAM_BLD_push_octet_string(build, OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point) == 1) {
        params = OSSL_PARAM_BLD_to_param(build);
    }
    if (params != nullptr) {
        context = EVP_PKEY_CTX_new_from_name(nullptr, "SM2", nullptr);
    }
    // Import checks that the point lies on the curve.
    if (context == nullptr || EVP_PKEY_fromdata_init(context) != 1 ||
        EVP_PKEY_fromdata(context, &made, EVP_PKEY_PUBLIC_KEY, params) != 1) {
        made = nullptr;
    }
    EVP_PKEY_CTX_free(context);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(build);
    if (made == nullptr) {
        return SAR_INVALIDPARAMERR;
    }
    key.reset(made);
    return SAR_OK;
}

bool zValue(const ECCPUBLICKEYBLOB& blob, const unsigned char* id, size_t idLength, unsigned char z[32])
{
    // ENTL holds the identifier's length in bits in two bytes.
    if (idLength > 0xffff / 8 || (id == nullptr && idLength > 0)) {
        return false;
    }
    const size_t offset = sizeof blob.XCoordinate - kCoordinateLength;
    if (blob.BitLen != kBitLength || !isZero(blob.XCoordinate, offset) || !isZero(blob.YCoordinate, offset)) {
        return false;
    }
    EC_GROUP* group = EC_GROUP_new_by_curve_name(NID_sm2);
    BN_CTX* bnContext = BN_CTX_new();
    BnPtr p(BN_new()), a(BN_new()), b(BN_new()), gx(BN_new()), gy(BN_new());
    bool ok = group != nullptr && bnContext != nullptr && p && a && b && gx && gy &&
              EC_GROUP_get_curve(group, p.get(), a.get(), b.get(), bnContext) == 1 &&
              EC_POINT_get_affine_coordinates(group, EC_GROUP_get0_generator(group), gx.get(), gy.get(),
                                              bnContext) == 1;
    std::vector<unsigned char> input;
    if (ok) {
        const size_t bits = idLength * 8;
        input.push_back(static_cast<unsigned char>((bits >> 8) & 0xff));
        input.push_back(static_cast<unsigned char>(bits & 0xff));
        input.insert(input.end(), id, id + idLength);
        unsigned char field[kCoordinateLength];
        for (const BIGNUM* value : {a.get(), b.get(), gx.get(), gy.get()}) {
            ok = ok && padded(value, field, sizeof field);
            input.insert(input.end(), field, field + sizeof field);
        }
        input.insert(input.end(), blob.XCoordinate + offset, blob.XCoordinate + offset + kCoordinateLength);
        input.insert(input.end(), blob.YCoordinate + offset, blob.YCoordinate + offset + kCoordinateLength);
    }
    unsigned int length = 0;
    ok = ok && EVP_Digest(input.data(), input.size(), z, &length, EVP_sm3(), nullptr) == 1 && length == 32;
    BN_CTX_free(bnContext);
    EC_GROUP_free(group);
    return ok;
}

bool signDigest(EVP_PKEY* key, const unsigned char* digest, size_t length, ECCSIGNATUREBLOB& signature)
{
    std::memset(&signature, 0, sizeof signature);
    if (!isSm2(key)) {
        return false;
    }
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr);
    std::vector<unsigned char> der(static_cast<size_t>(EVP_PKEY_get_size(key)) + 16);
    size_t derLength = der.size();
    // Without a message digest set, the SM2 signer takes its input as the digest e itself.
    const bool signedOk = context != nullptr && EVP_PKEY_sign_init(context) == 1 &&
                          EVP_PKEY_sign(context, der.data(), &derLength, digest, length) == 1;
    EVP_PKEY_CTX_free(context);
    if (!signedOk) {
        return false;
    }
    const unsigned char* at = der.data();
    ECDSA_SIG* parsed = d2i_ECDSA_SIG(nullptr, &at, static_cast<long>(derLength));
    if (parsed == nullptr) {
        return false;
    }
    const size_t offset = sizeof signature.r - kCoordinateLength;
    const bool ok = padded(ECDSA_SIG_get0_r(parsed), signature.r + offset, kCoordinateLength) &&
                    padded(ECDSA_SIG_get0_s(parsed), signature.s + offset, kCoordinateLength);
    ECDSA_SIG_free(parsed);
    return ok;
}

bool verifyDigest(EVP_PKEY* key, const unsigned char* digest, size_t length, const ECCSIGNATUREBLOB& signature)
{
    if (!isSm2(key)) {
        return false;
    }
    const size_t offset = sizeof signature.r - kCoordinateLength;
    if (!isZero(signature.r, offset) || !isZero(signature.s, offset)) {
        return false;
    }
    ECDSA_SIG* value = ECDSA_SIG_new();
    BIGNUM* r = BN_bin2bn(signature.r + offset, static_cast<int>(kCoordinateLength), nullptr);
    BIGNUM* s = BN_bin2bn(signature.s + offset, static_cast<int>(kCoordinateLength), nullptr);
    if (value == nullptr || r == nullptr || s == nullptr || ECDSA_SIG_set0(value, r, s) != 1) {
        BN_free(r);
        BN_free(s);
        ECDSA_SIG_free(value);
        return false;
    }
    unsigned char* der = nullptr;
    const int derLength = i2d_ECDSA_SIG(value, &der);
    ECDSA_SIG_free(value);
    if (derLength <= 0) {
        return false;
    }
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr);
    const bool ok = context != nullptr && EVP_PKEY_verify_init(context) == 1 &&
                    EVP_PKEY_verify(context, der, static_cast<size_t>(derLength), digest, length) == 1;
    EVP_PKEY_CTX_free(context);
    OPENSSL_free(der);
    return ok;
}

PkeyPtr privateKeyFromPem(const std::string& pem)
{
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    if (bio == nullptr) {
        return PkeyPtr();
    }
    // No pass phrase: an encrypted key is refused instead of prompting on a terminal.
    EVP_PKEY* key = PEM_read_bio_PrivateKey(bio, nullptr, [](char*, int, int, void*) { return 0; }, nullptr);
    BIO_free(bio);
    return PkeyPtr(key);
}

}  // namespace skftoken
