#include "tools/corvisctlsim/desecb.h"

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <memory>
#include <vector>

namespace desecb {

namespace {

// DES lives in OpenSSL 3's legacy provider: load it into a library context of our own.
EVP_CIPHER* desCipher()
{
    static EVP_CIPHER* cipher = [] {
        OSSL_LIB_CTX* context = OSSL_LIB_CTX_new();
        OSSL_PROVIDER_load(context, "legacy");
        OSSL_PROVIDER_load(context, "default");
        return EVP_CIPHER_fetch(context, "DES-ECB", nullptr);
    }();
    return cipher;
}

bool run(bool encrypting, const std::string& key, const std::vector<unsigned char>& in,
         std::vector<unsigned char>& out)
{
    EVP_CIPHER* cipher = desCipher();
    if (cipher == nullptr || key.size() != 8) {
        return false;
    }
    std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> context(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    if (!context ||
        EVP_CipherInit_ex2(context.get(), cipher, reinterpret_cast<const unsigned char*>(key.data()), nullptr,
                           encrypting ? 1 : 0, nullptr) != 1) {
        return false;
    }
    out.assign(in.size() + 16, 0);
    int length = 0;
    int tail = 0;
    if (EVP_CipherUpdate(context.get(), out.data(), &length, in.data(), static_cast<int>(in.size())) != 1 ||
        EVP_CipherFinal_ex(context.get(), out.data() + length, &tail) != 1) {
        return false;
    }
    out.resize(static_cast<size_t>(length + tail));
    return true;
}

}  // namespace

bool encrypt(const std::string& key, const std::string& clear, std::string& base64)
{
    std::vector<unsigned char> cipherText;
    if (!run(true, key, std::vector<unsigned char>(clear.begin(), clear.end()), cipherText)) {
        return false;
    }
    std::vector<unsigned char> text(4 * ((cipherText.size() + 2) / 3) + 1, 0);
    const int length = EVP_EncodeBlock(text.data(), cipherText.data(), static_cast<int>(cipherText.size()));
    base64.assign(reinterpret_cast<const char*>(text.data()), static_cast<size_t>(length));
    return true;
}

bool decrypt(const std::string& key, const std::string& base64, std::string& clear)
{
    if (base64.empty() || base64.size() % 4 != 0) {
        return false;
    }
    std::vector<unsigned char> cipherText(base64.size() / 4 * 3, 0);
    int length = EVP_DecodeBlock(cipherText.data(), reinterpret_cast<const unsigned char*>(base64.data()),
                                 static_cast<int>(base64.size()));
    if (length < 0) {
        return false;
    }
    // EVP_DecodeBlock counts the bytes that the "=" padding stands for.
    for (size_t i = base64.size(); i > 0 && base64[i - 1] == '='; --i) {
        --length;
    }
    cipherText.resize(static_cast<size_t>(length));
    std::vector<unsigned char> out;
    if (!run(false, key, cipherText, out)) {
        return false;
    }
    clear.assign(out.begin(), out.end());
    return true;
}

}  // namespace desecb
