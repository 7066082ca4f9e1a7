#include "login/cryptocontext.h"

#include "corviscommon/logging.h"

#include <openssl/err.h>
#include <openssl/provider.h>

namespace corvis {

namespace {

OSSL_LIB_CTX* createContext()
{
    OSSL_LIB_CTX* ctx = OSSL_LIB_CTX_new();
    if (ctx == nullptr) {
        LOG(ERROR) << "crypto: OSSL_LIB_CTX_new failed";
        return nullptr;
    }
    // DES lives in the legacy provider since OpenSSL 3; the default one supplies everything else
    // (MD5 and the padding helpers) inside this context.
    for (const char* name : {"legacy", "default"}) {
        if (OSSL_PROVIDER_load(ctx, name) == nullptr) {
            char reason[256];
            ERR_error_string_n(ERR_get_error(), reason, sizeof(reason));
            LOG(ERROR) << "crypto: cannot load the OpenSSL provider " << name << ": " << reason;
            OSSL_LIB_CTX_free(ctx);
            return nullptr;
        }
    }
    return ctx;
}

}  // namespace

OSSL_LIB_CTX* cryptoLibContext()
{
    static OSSL_LIB_CTX* const ctx = createContext();
    return ctx;
}

}  // namespace corvis
