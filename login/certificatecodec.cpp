#include "login/certificatecodec.h"

#include <openssl/bio.h>
#include <openssl/evp.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace {

void replaceAll(std::string& text, const char* from, const char* to)
{
    const std::string needle(from);
    const std::string replacement(to);
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + replacement.size())) {
        text.replace(at, needle.size(), replacement);
    }
}

}  // namespace

std::string CertificateCodec::toBase64(const std::string& data)
{
    std::unique_ptr<BIO, decltype(&BIO_free_all)> chain(BIO_new(BIO_f_base64()), &BIO_free_all);
    BIO* sink = BIO_new(BIO_s_mem());
    if (!chain || sink == nullptr) {
        BIO_free(sink);
        return std::string();
    }
    BIO_push(chain.get(), sink);
    size_t done = 0;
    while (done < data.size()) {
        const size_t piece = std::min(data.size() - done, static_cast<size_t>(INT_MAX / 2));
        const int written = BIO_write(chain.get(), data.data() + done, static_cast<int>(piece));
        if (written <= 0) {
            return std::string();
        }
        done += static_cast<size_t>(written);
    }
    if (BIO_flush(chain.get()) != 1) {
        return std::string();
    }
    char* text = nullptr;
    const long size = BIO_get_mem_data(sink, &text);
    return size > 0 && text != nullptr ? std::string(text, static_cast<size_t>(size)) : std::string();
}

void CertificateCodec::UrlEncode(std::string& text)
{
    replaceAll(text, "%", "%25");
    replaceAll(text, "#", "%23");
    replaceAll(text, "&", "%26");
    replaceAll(text, "+", "%2B");
    replaceAll(text, "=", "%3D");
    replaceAll(text, " ", "%20");
    replaceAll(text, "/", "%2F");
    replaceAll(text, "\"", "%22");
    replaceAll(text, "?", "%3F");
    replaceAll(text, ".", "%2E");
    replaceAll(text, ":", "%3A");
}

std::string CertificateCodec::pemFromDer(const std::string& der)
{
    return "-----BEGIN CERTIFICATE-----\n" + toBase64(der) + "-----END CERTIFICATE-----";
}

std::string CertificateCodec::body(const std::string& pem)
{
    return pem;
}

std::string CertificateCodec::body(const std::string& pem, const std::string& authOriginal,
                                   const std::string& originalId, const std::string& signature)
{
    return pem + kSeparator + authOriginal + kSeparator + originalId + kSeparator + signature;
}
