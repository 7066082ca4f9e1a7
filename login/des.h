#pragma once

#include <cstddef>
#include <string>

// DES in ECB mode with PKCS#7 padding, the ciphertext carried as Base64 text. The key is the
// caller's 8 bytes; ECB takes no IV, so `iv` is accepted and ignored (it may be null).
//
// The four-argument forms write into a caller's buffer of kBufferSize bytes; callers with a
// smaller buffer use the forms that take its size. Nothing is ever written past `outSize`: a
// result that would not fit (with its terminating zero) fails and leaves `out` untouched.
class Des
{
public:
    static constexpr size_t kBufferSize = 4096;

    // Encrypts the zero-terminated `text`; writes the Base64 ciphertext, zero-terminated.
    // Returns 1 on success, 0 on failure.
    static int Encrypt(const unsigned char* key, const unsigned char* iv, const char* text, char* out);
    static int Encrypt(const unsigned char* key, const unsigned char* iv, const char* text, char* out,
                       size_t outSize);

    // Decodes the zero-terminated Base64 `text`, decrypts it and removes the padding; writes the
    // plaintext, zero-terminated. A bad Base64 text, a ciphertext that is not a whole number of
    // blocks or a wrong padding returns 0 and writes nothing.
    static int Decrypt(const unsigned char* key, const unsigned char* iv, const char* text, char* out);
    static int Decrypt(const unsigned char* key, const unsigned char* iv, const char* text, char* out,
                       size_t outSize);

    // The Base64 used by Des. encode writes the zero-terminated text and returns its length, or
    // -1 when it does not fit in outSize. decode returns the number of bytes written, or -1 when
    // the text is not Base64 or the bytes do not fit.
    static int encode(const unsigned char* in, int inLen, char* out, size_t outSize);
    static int decode(const char* in, int inLen, unsigned char* out, size_t outSize);
};
