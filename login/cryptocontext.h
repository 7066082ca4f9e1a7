#pragma once

typedef struct ossl_lib_ctx_st OSSL_LIB_CTX;

namespace corvis {

// The OpenSSL library context of the crypto helpers, with the "legacy" provider (DES) and the
// "default" provider loaded. It is ours alone: the process's default context, which TLS uses,
// keeps its own configuration. Created on first use, thread-safe, never freed. Null when the
// providers could not be loaded (logged once).
OSSL_LIB_CTX* cryptoLibContext();

}  // namespace corvis
