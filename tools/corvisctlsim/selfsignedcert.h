#pragma once

#include <string>

typedef struct ssl_ctx_st SSL_CTX;

// A TLS server context with a key and a self-signed certificate made now (P-256, valid one
// day, names localhost, 127.0.0.1 and ::1), accepting `minVersion` (TLS1_2_VERSION ...) and
// later. nullptr with a reason in `error` on failure.
SSL_CTX* newSelfSignedServerContext(int minVersion, std::string& error);
