#include "login/des.h"

#include "corviscommon/logging.h"
#include "login/cryptocontext.h"
#include "login/hbase64.h"

#include <openssl/evp.h>

#include <climits>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kBlock = 8;

struct CipherCtxFree {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

// DES-ECB fetched once from our own library context; null when the legacy provider is missing.
const EVP_CIPHER* desEcb()
{
    static const EVP_CIPHER* const cipher = [] {
        OSSL_LIB_CTX* lib = corvis::cryptoLibContext();
        EVP_CIPHER* fetched = lib != nullptr ? EVP_CIPHER_fetch(lib, "DES-ECB", nullptr) : nullptr;
        if (fetched == nullptr) {
            LOG(ERROR) << "Des: DES-ECB is not available";
        }
        return fetched;
    }();
    return cipher;
}

// One pass of DES-ECB with PKCS#7 padding over `in`; false on any OpenSSL failure, which for a
// decryption includes a wrong padding.
bool runCipher(bool encrypt, const unsigned char* key, const unsigned char* in, size_t inLen,
               std::vector<unsigned char>& out)
{
    const EVP_CIPHER* cipher = desEcb();
    if (cipher == nullptr || key == nullptr || inLen > static_cast<size_t>(INT_MAX - 2 * kBlock)) {
        return false;
    }
    std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> ctx(EVP_CIPHER_CTX_new());
    if (!ctx || EVP_CipherInit_ex2(ctx.get(), cipher, key, nullptr, encrypt ? 1 : 0, nullptr) != 1) {
        return false;
    }
    out.assign(inLen + kBlock, 0);
    int len = 0;
    int tail = 0;
    if (EVP_CipherUpdate(ctx.get(), out.data(), &len, in, static_cast<int>(inLen)) != 1
        || EVP_CipherFinal_ex(ctx.get(), out.data() + len, &tail) != 1) {
        out.clear();
        return false;
    }
    out.resize(static_cast<size_t>(len + tail));
    return true;
}

}  // namespace

int Des::Encrypt(const unsigned char* key, const unsigned char* iv, const char* text, char* out)
{
    return Encrypt(key, iv, text, out, kBufferSize);
}

int Des::Encrypt(const unsigned char* key, const unsigned char* /*iv*/, const char* text, char* out,
                 size_t outSize)
{
    if (text == nullptr || out == nullptr || outSize == 0) {
        return 0;
    }
    const size_t textLen = strlen(text);
    // Base64 of the padded ciphertext plus the terminating zero; checked before any work so an
    // oversized text never reaches the caller's buffer.
    const size_t cipherLen = (textLen / kBlock + 1) * kBlock;
    if ((cipherLen + 2) / 3 * 4 + 1 > outSize) {
        return 0;
    }
    std::vector<unsigned char> cipher;
    if (!runCipher(true, key, reinterpret_cast<const unsigned char*>(text), textLen, cipher)) {
        return 0;
    }
    return encode(cipher.data(), static_cast<int>(cipher.size()), out, outSize) >= 0 ? 1 : 0;
}

int Des::Decrypt(const unsigned char* key, const unsigned char* iv, const char* text, char* out)
{
    return Decrypt(key, iv, text, out, kBufferSize);
}

int Des::Decrypt(const unsigned char* key, const unsigned char* /*iv*/, const char* text, char* out,
                 size_t outSize)
{
    if (text == nullptr || out == nullptr || outSize == 0) {
        return 0;
    }
    std::string cipher;
    if (!HBase64::decode(text, strlen(text), cipher) || cipher.empty() || cipher.size() % kBlock != 0) {
        return 0;
    }
    // The padding is at most one block: a ciphertext this long cannot fit whatever it holds.
    if (cipher.size() > outSize + kBlock - 1) {
        return 0;
    }
    std::vector<unsigned char> plain;
    if (!runCipher(false, key, reinterpret_cast<const unsigned char*>(cipher.data()), cipher.size(), plain)
        || plain.size() + 1 > outSize) {
        return 0;
    }
    memcpy(out, plain.data(), plain.size());
    out[plain.size()] = '\0';
    return 1;
}

int Des::encode(const unsigned char* in, int inLen, char* out, size_t outSize)
{
    if (out == nullptr || inLen < 0 || (inLen > 0 && in == nullptr)) {
        return -1;
    }
    const std::string text = HBase64::encode(in, inLen);
    if (text.size() + 1 > outSize || text.size() > static_cast<size_t>(INT_MAX)) {
        return -1;
    }
    memcpy(out, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
}

int Des::decode(const char* in, int inLen, unsigned char* out, size_t outSize)
{
    std::string bytes;
    if (inLen < 0 || !HBase64::decode(in, static_cast<size_t>(inLen), bytes) || bytes.size() > outSize
        || (!bytes.empty() && out == nullptr)) {
        return -1;
    }
    if (!bytes.empty()) {
        memcpy(out, bytes.data(), bytes.size());
    }
    return static_cast<int>(bytes.size());
}
