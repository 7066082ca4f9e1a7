#include "login/md5encode.h"

#include "corviscommon/logging.h"
#include "login/cryptocontext.h"

#include <openssl/evp.h>

namespace {

const EVP_MD* md5()
{
    static const EVP_MD* const md = [] {
        OSSL_LIB_CTX* lib = corvis::cryptoLibContext();
        EVP_MD* fetched = lib != nullptr ? EVP_MD_fetch(lib, "MD5", nullptr) : nullptr;
        if (fetched == nullptr) {
            LOG(ERROR) << "Md5Encode: MD5 is not available";
        }
        return fetched;
    }();
    return md;
}

}  // namespace

std::string Md5Encode::Encode(std::string text)
{
    const EVP_MD* md = md5();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (md == nullptr || EVP_Digest(text.data(), text.size(), digest, &len, md, nullptr) != 1) {
        return std::string();
    }
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(len * 2);
    for (unsigned int i = 0; i < len; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 0x0F];
    }
    return out;
}
