#pragma once

#include <string>

// The controller's side of the DES texts it exchanges with the client: DES-ECB with PKCS#7
// padding under an 8-byte key, as standard Base64 without line breaks. Written apart from the
// product's helper so that each side checks the other.
namespace desecb {

// Base64 ciphertext of `clear`; false when the key is not 8 bytes or the cipher is missing.
bool encrypt(const std::string& key, const std::string& clear, std::string& base64);
// Clear text of a Base64 ciphertext; false on bad Base64, key, length or padding.
bool decrypt(const std::string& key, const std::string& base64, std::string& clear);

}  // namespace desecb
