#pragma once

#include <string>

// The encodings of the certificate login: Base64 with OpenSSL's line breaks, the percent-encoding
// of the signature, the PEM wrapping of a certificate read from a token and the request body.
class CertificateCodec
{
public:
    // Standard Base64 through OpenSSL's Base64 filter over a memory sink: a line break after every
    // 64 characters and after the last line; empty for empty input.
    static std::string toBase64(const std::string& data);

    // Percent-encodes in place: "%" first (so that later codes are not encoded again), then "#",
    // "&", "+", "=", the blank, "/", the double quote, "?", "." and ":". The double quote gets its
    // own code, "%22".
    static void UrlEncode(std::string& text);

    // "-----BEGIN CERTIFICATE-----\n", the Base64 of the DER bytes (ending in a line break) and
    // "-----END CERTIFICATE-----", without a final line break.
    static std::string pemFromDer(const std::string& der);

    // The fields separated by "[$^^$]": the certificate alone, or with a signature the certificate,
    // the challenge text, the challenge id and the signature.
    static std::string body(const std::string& pem);
    static std::string body(const std::string& pem, const std::string& authOriginal, const std::string& originalId,
                            const std::string& signature);

    static constexpr const char* kSeparator = "[$^^$]";
};
