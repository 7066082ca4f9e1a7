// A token library for tests: forwards every call to the software token, and can misbehave on
// request. CORVIS_TEST_SKF_PUBKEY_LEN=N makes SKF_ExportPublicKey report N bytes. Built a second
// time without SKF_ECCVerify (SKF_TEST_WITHOUT_VERIFY), as a library that lacks a function.

#include "login/skfapi.h"

#include <dlfcn.h>

#include <cstdlib>

namespace {

void* target()
{
    static void* handle = ::dlopen(CORVIS_TEST_SKF_TARGET, RTLD_NOW | RTLD_LOCAL);
    return handle;
}

template <class F>
F real(const char* name)
{
    return reinterpret_cast<F>(::dlsym(target(), name));
}

}  // namespace

#define FORWARD(name, ...) \
    static const auto fn = real<decltype(&::name)>(#name); \
    return fn != nullptr ? fn(__VA_ARGS__) : SAR_FAIL

#pragma GCC visibility push(default)
extern "C" {

ULONG DEVAPI SKF_EnumDev(BOOL a, LPSTR b, ULONG* c) { FORWARD(SKF_EnumDev, a, b, c); }
ULONG DEVAPI SKF_ConnectDev(LPSTR a, DEVHANDLE* b) { FORWARD(SKF_ConnectDev, a, b); }
ULONG DEVAPI SKF_DisConnectDev(DEVHANDLE a) { FORWARD(SKF_DisConnectDev, a); }
ULONG DEVAPI SKF_EnumApplication(DEVHANDLE a, LPSTR b, ULONG* c) { FORWARD(SKF_EnumApplication, a, b, c); }
ULONG DEVAPI SKF_OpenApplication(DEVHANDLE a, LPSTR b, HAPPLICATION* c) { FORWARD(SKF_OpenApplication, a, b, c); }
ULONG DEVAPI SKF_CloseApplication(HAPPLICATION a) { FORWARD(SKF_CloseApplication, a); }
ULONG DEVAPI SKF_EnumContainer(HAPPLICATION a, LPSTR b, ULONG* c) { FORWARD(SKF_EnumContainer, a, b, c); }
ULONG DEVAPI SKF_OpenContainer(HAPPLICATION a, LPSTR b, HCONTAINER* c) { FORWARD(SKF_OpenContainer, a, b, c); }
ULONG DEVAPI SKF_CloseContainer(HCONTAINER a) { FORWARD(SKF_CloseContainer, a); }
ULONG DEVAPI SKF_ExportCertificate(HCONTAINER a, BOOL b, BYTE* c, ULONG* d) { FORWARD(SKF_ExportCertificate, a, b, c, d); }
ULONG DEVAPI SKF_VerifyPIN(HAPPLICATION a, ULONG b, LPSTR c, ULONG* d) { FORWARD(SKF_VerifyPIN, a, b, c, d); }
ULONG DEVAPI SKF_ExportPublicKey(HCONTAINER a, BOOL b, BYTE* c, ULONG* d)
{
    static const auto fn = real<decltype(&::SKF_ExportPublicKey)>("SKF_ExportPublicKey");
    const ULONG ret = fn(a, b, c, d);
    if (const char* length = std::getenv("CORVIS_TEST_SKF_PUBKEY_LEN")) {
        if (ret == SAR_OK && d != nullptr && c != nullptr) {
            *d = static_cast<ULONG>(std::atoi(length));
        }
    }
    return ret;
}
ULONG DEVAPI SKF_DigestInit(DEVHANDLE a, ULONG b, ECCPUBLICKEYBLOB* c, unsigned char* d, ULONG e, HANDLE* f)
{
    FORWARD(SKF_DigestInit, a, b, c, d, e, f);
}
ULONG DEVAPI SKF_Digest(HANDLE a, BYTE* b, ULONG c, BYTE* d, ULONG* e) { FORWARD(SKF_Digest, a, b, c, d, e); }
ULONG DEVAPI SKF_ECCSignData(HCONTAINER a, BYTE* b, ULONG c, PECCSIGNATUREBLOB d) { FORWARD(SKF_ECCSignData, a, b, c, d); }
#ifndef SKF_TEST_WITHOUT_VERIFY
ULONG DEVAPI SKF_ECCVerify(DEVHANDLE a, ECCPUBLICKEYBLOB* b, BYTE* c, ULONG d, PECCSIGNATUREBLOB e)
{
    FORWARD(SKF_ECCVerify, a, b, c, d, e);
}
#endif
ULONG DEVAPI SKF_CloseHandle(HANDLE a) { FORWARD(SKF_CloseHandle, a); }
int CORVIS_SKF_OpenHandleCount(void)
{
    static const auto fn = real<decltype(&::CORVIS_SKF_OpenHandleCount)>("CORVIS_SKF_OpenHandleCount");
    return fn != nullptr ? fn() : -1;
}

}  // extern "C"
#pragma GCC visibility pop
