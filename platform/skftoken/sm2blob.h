#pragma once

// SM2 and SM3 for the software token, on OpenSSL: the token interface's public-key and signature
// blobs, the signer's Z value (the SM3 digest of the identifier, the curve and the public key that
// is hashed in front of the message), and signatures over 32-byte digests.

#include "login/skfapi.h"

#include <openssl/evp.h>

#include <memory>
#include <string>

namespace skftoken {

struct PkeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyFree>;

constexpr size_t kCoordinateLength = 32;
constexpr ULONG kBitLength = 256;
// The identifier GM/T 0009 uses when a signer has none of its own.
constexpr const char* kDefaultSignerId = "1234567812345678";

// The public key of an SM2 key as a blob (BitLen 256, coordinates in the last 32 bytes).
bool toBlob(const EVP_PKEY* key, ECCPUBLICKEYBLOB& blob);
// An SM2 public key from a blob; SAR_OK, SAR_MODULUSLENERR for another size, SAR_INVALIDPARAMERR
// for a point that is not on the curve.
ULONG fromBlob(const ECCPUBLICKEYBLOB& blob, PkeyPtr& key);

// Z = SM3(ENTL || ID || a || b || xG || yG || xA || yA), ENTL the identifier's length in bits
// as two bytes. False when the identifier is too long for ENTL or the blob is not a 256-bit key.
bool zValue(const ECCPUBLICKEYBLOB& blob, const unsigned char* id, size_t idLength, unsigned char z[32]);

// Signs / verifies a 32-byte digest with SM2 (no further hashing).
bool signDigest(EVP_PKEY* key, const unsigned char* digest, size_t length, ECCSIGNATUREBLOB& signature);
bool verifyDigest(EVP_PKEY* key, const unsigned char* digest, size_t length, const ECCSIGNATUREBLOB& signature);

// Reads an SM2 private key from PEM; null when the text is not one.
PkeyPtr privateKeyFromPem(const std::string& pem);
bool isSm2(const EVP_PKEY* key);

}  // namespace skftoken
