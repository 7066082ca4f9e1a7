#pragma once

#include <openssl/evp.h>

#include <string>

// The test certificate authority of corvistoken: an SM2 key and a self-signed certificate in a
// directory (ca.key, ca.pem), and the signing certificates it issues for token containers. The
// simulated client service trusts the certificate in its default place.
namespace tokenca {

constexpr const char* kKeyFile = "ca.key";
constexpr const char* kCertFile = "ca.pem";

// Makes the authority in `dir` unless it is there already; false with `error` on failure.
bool ensure(const std::string& dir, const std::string& commonName, std::string& error);

// A new SM2 key (PKCS#8 PEM, unencrypted) and its public key.
bool newSm2Key(std::string& pem, EVP_PKEY** key, std::string& error);

// A certificate for `subjectKey` named CN=`commonName`, signed with SM2/SM3 by the authority in
// `dir`, valid from an hour ago for `days` days; DER bytes in `der`.
bool issue(const std::string& dir, EVP_PKEY* subjectKey, const std::string& commonName, int days, std::string& der,
           std::string& error);

}  // namespace tokenca
