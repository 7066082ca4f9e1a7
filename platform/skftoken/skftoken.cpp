// The software token: the token interface's functions over the folder of tokenstore.h, with
// OpenSSL's SM2 and SM3. Handles are objects of our own, looked up in a table before use, so a
// stale or foreign handle is answered with SAR_INVALIDHANDLEERR instead of being followed.
// One lock serialises every call: a token is a single device that answers one command at a time.

#include "platform/skftoken/sm2blob.h"
#include "platform/skftoken/tokenstore.h"

#include "login/skfapi.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

using namespace skftoken;

namespace {

enum class Kind { Device, Application, Container, Hash };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
    std::string device;
};

// What an open application shares with the containers opened through it: the user's login.
struct Session {
    std::string path;
    bool loggedIn = false;
    bool open = true;
};

struct Device : Object {
    Device() : Object(Kind::Device) {}
};

struct Application : Object {
    Application() : Object(Kind::Application) {}
    std::shared_ptr<Session> session;
};

struct Container : Object {
    Container() : Object(Kind::Container) {}
    std::shared_ptr<Session> session;
    std::string path;
};

struct Hash : Object {
    Hash() : Object(Kind::Hash) {}
    ~Hash() override { EVP_MD_CTX_free(context); }
    EVP_MD_CTX* context = nullptr;
    bool finished = false;
};

std::mutex g_mutex;
std::unordered_map<void*, std::unique_ptr<Object>> g_handles;

template <class T>
T* find(void* handle, Kind kind)
{
    const auto it = g_handles.find(handle);
    if (it == g_handles.end() || it->second->kind != kind) {
        return nullptr;
    }
    return static_cast<T*>(it->second.get());
}

void* keep(std::unique_ptr<Object> object)
{
    void* handle = object.get();
    g_handles.emplace(handle, std::move(object));
    return handle;
}

// A zero-terminated name of at most `limit` bytes, or empty.
std::string nameOf(const char* text, size_t limit = 64)
{
    if (text == nullptr) {
        return std::string();
    }
    const size_t length = strnlen(text, limit + 1);
    return length > limit ? std::string() : std::string(text, length);
}

ULONG fillList(const std::vector<std::string>& names, LPSTR list, ULONG* size)
{
    if (size == nullptr) {
        return SAR_INVALIDPARAMERR;
    }
    std::string joined;
    for (const std::string& name : names) {
        joined.append(name);
        joined.push_back('\0');
    }
    joined.push_back('\0');
    const ULONG needed = static_cast<ULONG>(joined.size());
    if (list == nullptr) {
        *size = needed;
        return SAR_OK;
    }
    if (*size < needed) {
        *size = needed;
        return SAR_BUFFER_TOO_SMALL;
    }
    std::memcpy(list, joined.data(), joined.size());
    *size = needed;
    return SAR_OK;
}

ULONG readError(ReadResult result, ULONG missing)
{
    switch (result) {
    case ReadResult::Ok:
        return SAR_OK;
    case ReadResult::Missing:
        return missing;
    case ReadResult::TooLarge:
    case ReadResult::Unreadable:
        break;
    }
    return SAR_FILEERR;
}

ULONG loadKey(const Container& container, PkeyPtr& key)
{
    std::string pem;
    const ULONG ret = readError(readFile(container.path + "/" + kKeyFile, pem), SAR_KEYNOTFOUNTERR);
    if (ret != SAR_OK) {
        return ret;
    }
    key = privateKeyFromPem(pem);
    OPENSSL_cleanse(&pem[0], pem.size());
    if (!key) {
        return SAR_FILEERR;
    }
    return isSm2(key.get()) ? SAR_OK : SAR_KEYINFOTYPEERR;
}

ULONG checkContainer(void* handle, Container*& container)
{
    container = find<Container>(handle, Kind::Container);
    if (container == nullptr) {
        return SAR_INVALIDHANDLEERR;
    }
    return isPresent(container->device) ? SAR_OK : SAR_DEVICE_REMOVED;
}

ULONG checkApplication(void* handle, Application*& application)
{
    application = find<Application>(handle, Kind::Application);
    if (application == nullptr) {
        return SAR_INVALIDHANDLEERR;
    }
    return isPresent(application->device) ? SAR_OK : SAR_DEVICE_REMOVED;
}

ULONG checkDevice(void* handle, Device*& device)
{
    device = find<Device>(handle, Kind::Device);
    if (device == nullptr) {
        return SAR_INVALIDHANDLEERR;
    }
    return isPresent(device->device) ? SAR_OK : SAR_DEVICE_REMOVED;
}

}  // namespace

// The interface's functions are what this library exports; everything else stays hidden.
#pragma GCC visibility push(default)
extern "C" {

ULONG DEVAPI SKF_EnumDev(BOOL bPresent, LPSTR szNameList, ULONG* pulSize)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    std::vector<std::string> names;
    for (const std::string& name : listDirectories(tokenRoot())) {
        if (!bPresent || isPresent(name)) {
            names.push_back(name);
        }
    }
    return fillList(names, szNameList, pulSize);
}

ULONG DEVAPI SKF_ConnectDev(LPSTR szName, DEVHANDLE* phDev)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    const std::string name = nameOf(szName);
    if (phDev == nullptr || !isValidName(name)) {
        return SAR_INVALIDPARAMERR;
    }
    if (!isPresent(name)) {
        return SAR_DEVICE_REMOVED;
    }
    auto device = std::make_unique<Device>();
    device->device = name;
    *phDev = keep(std::move(device));
    return SAR_OK;
}

ULONG DEVAPI SKF_DisConnectDev(DEVHANDLE hDev)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (find<Device>(hDev, Kind::Device) == nullptr) {
        return SAR_INVALIDHANDLEERR;
    }
    g_handles.erase(hDev);
    return SAR_OK;
}

ULONG DEVAPI SKF_EnumApplication(DEVHANDLE hDev, LPSTR szAppName, ULONG* pulSize)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Device* device = nullptr;
    const ULONG ret = checkDevice(hDev, device);
    if (ret != SAR_OK) {
        return ret;
    }
    return fillList(listDirectories(devicePath(device->device)), szAppName, pulSize);
}

ULONG DEVAPI SKF_OpenApplication(DEVHANDLE hDev, LPSTR szAppName, HAPPLICATION* phApplication)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Device* device = nullptr;
    const ULONG ret = checkDevice(hDev, device);
    if (ret != SAR_OK) {
        return ret;
    }
    const std::string name = nameOf(szAppName);
    if (phApplication == nullptr || !isValidName(name)) {
        return SAR_INVALIDPARAMERR;
    }
    const std::string path = applicationPath(device->device, name);
    if (!isDirectory(path)) {
        return SAR_APPLICATION_NOT_EXISTS;
    }
    auto application = std::make_unique<Application>();
    application->device = device->device;
    application->session = std::make_shared<Session>();
    application->session->path = path;
    *phApplication = keep(std::move(application));
    return SAR_OK;
}

ULONG DEVAPI SKF_CloseApplication(HAPPLICATION hApplication)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Application* application = find<Application>(hApplication, Kind::Application);
    if (application == nullptr) {
        return SAR_INVALIDHANDLEERR;
    }
    // Closing logs the user out, also for containers that are still open.
    application->session->open = false;
    application->session->loggedIn = false;
    g_handles.erase(hApplication);
    return SAR_OK;
}

ULONG DEVAPI SKF_EnumContainer(HAPPLICATION hApplication, LPSTR szContainerName, ULONG* pulSize)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Application* application = nullptr;
    const ULONG ret = checkApplication(hApplication, application);
    if (ret != SAR_OK) {
        return ret;
    }
    return fillList(listDirectories(application->session->path), szContainerName, pulSize);
}

ULONG DEVAPI SKF_OpenContainer(HAPPLICATION hApplication, LPSTR szContainerName, HCONTAINER* phContainer)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Application* application = nullptr;
    const ULONG ret = checkApplication(hApplication, application);
    if (ret != SAR_OK) {
        return ret;
    }
    const std::string name = nameOf(szContainerName);
    if (phContainer == nullptr || !isValidName(name)) {
        return SAR_INVALIDPARAMERR;
    }
    const std::string path = application->session->path + "/" + name;
    if (!isDirectory(path)) {
        return SAR_INVALIDPARAMERR;
    }
    auto container = std::make_unique<Container>();
    container->device = application->device;
    container->session = application->session;
    container->path = path;
    *phContainer = keep(std::move(container));
    return SAR_OK;
}

ULONG DEVAPI SKF_CloseContainer(HCONTAINER hContainer)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (find<Container>(hContainer, Kind::Container) == nullptr) {
        return SAR_INVALIDHANDLEERR;
    }
    g_handles.erase(hContainer);
    return SAR_OK;
}

ULONG DEVAPI SKF_ExportCertificate(HCONTAINER hContainer, BOOL bSignFlag, BYTE* pbCert, ULONG* pulCertLen)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Container* container = nullptr;
    ULONG ret = checkContainer(hContainer, container);
    if (ret != SAR_OK) {
        return ret;
    }
    if (pulCertLen == nullptr) {
        return SAR_INVALIDPARAMERR;
    }
    if (!bSignFlag) {
        return SAR_CERTNOTFOUNTERR;  // this token holds signing certificates only
    }
    std::string der;
    ret = readError(readFile(container->path + "/" + kCertFile, der), SAR_CERTNOTFOUNTERR);
    if (ret != SAR_OK) {
        return ret;
    }
    if (!der.empty()) {
        const unsigned char* at = reinterpret_cast<const unsigned char*>(der.data());
        X509* cert = d2i_X509(nullptr, &at, static_cast<long>(der.size()));
        const bool whole = cert != nullptr && at == reinterpret_cast<const unsigned char*>(der.data()) + der.size();
        X509_free(cert);
        if (!whole) {
            return SAR_FILEERR;
        }
    }
    const ULONG length = static_cast<ULONG>(der.size());
    if (pbCert == nullptr) {
        *pulCertLen = length;
        return SAR_OK;
    }
    if (*pulCertLen < length) {
        *pulCertLen = length;
        return SAR_BUFFER_TOO_SMALL;
    }
    std::memcpy(pbCert, der.data(), der.size());
    *pulCertLen = length;
    return SAR_OK;
}

ULONG DEVAPI SKF_VerifyPIN(HAPPLICATION hApplication, ULONG ulPINType, LPSTR szPIN, ULONG* pulRetryCount)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Application* application = nullptr;
    const ULONG ret = checkApplication(hApplication, application);
    if (ret != SAR_OK) {
        return ret;
    }
    if (ulPINType != USER_TYPE) {
        return SAR_USER_TYPE_INVALID;  // only the user PIN is kept
    }
    if (szPIN == nullptr) {
        return SAR_INVALIDPARAMERR;
    }
    // A text longer than any PIN is cut just past the limit, which the length check refuses.
    std::string pin(szPIN, strnlen(szPIN, PinRecord::kMaxPinLength + 1));
    uint32_t remaining = 0;
    const PinCheck check = verifyPin(application->session->path, pin, remaining);
    OPENSSL_cleanse(&pin[0], pin.size());
    if (pulRetryCount != nullptr) {
        *pulRetryCount = remaining;
    }
    application->session->loggedIn = check == PinCheck::Ok;
    switch (check) {
    case PinCheck::Ok:
        return SAR_OK;
    case PinCheck::Incorrect:
        return SAR_PIN_INCORRECT;
    case PinCheck::Locked:
        return SAR_PIN_LOCKED;
    case PinCheck::LengthRange:
        return SAR_PIN_LEN_RANGE;
    case PinCheck::NotInitialized:
        return SAR_USER_PIN_NOT_INITIALIZED;
    case PinCheck::WriteFailed:
        return SAR_WRITEFILEERR;
    case PinCheck::Corrupt:
        break;
    }
    return SAR_FILEERR;
}

ULONG DEVAPI SKF_ExportPublicKey(HCONTAINER hContainer, BOOL bSignFlag, BYTE* pbBlob, ULONG* pulBlobLen)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Container* container = nullptr;
    ULONG ret = checkContainer(hContainer, container);
    if (ret != SAR_OK) {
        return ret;
    }
    if (pulBlobLen == nullptr) {
        return SAR_INVALIDPARAMERR;
    }
    if (!bSignFlag) {
        return SAR_KEYNOTFOUNTERR;
    }
    PkeyPtr key;
    ret = loadKey(*container, key);
    if (ret != SAR_OK) {
        return ret;
    }
    ECCPUBLICKEYBLOB blob;
    if (!toBlob(key.get(), blob)) {
        return SAR_KEYINFOTYPEERR;
    }
    if (pbBlob == nullptr) {
        *pulBlobLen = sizeof blob;
        return SAR_OK;
    }
    if (*pulBlobLen < sizeof blob) {
        *pulBlobLen = sizeof blob;
        return SAR_BUFFER_TOO_SMALL;
    }
    std::memcpy(pbBlob, &blob, sizeof blob);
    *pulBlobLen = sizeof blob;
    return SAR_OK;
}

ULONG DEVAPI SKF_DigestInit(DEVHANDLE hDev, ULONG ulAlgID, ECCPUBLICKEYBLOB* pPubKey, unsigned char* pucID,
                            ULONG ulIDLen, HANDLE* phHash)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Device* device = nullptr;
    const ULONG ret = checkDevice(hDev, device);
    if (ret != SAR_OK) {
        return ret;
    }
    if (ulAlgID != SGD_SM3) {
        return SAR_NOTSUPPORTYETERR;
    }
    if (phHash == nullptr || (pucID == nullptr && ulIDLen > 0)) {
        return SAR_INVALIDPARAMERR;
    }
    auto hash = std::make_unique<Hash>();
    hash->device = device->device;
    hash->context = EVP_MD_CTX_new();
    if (hash->context == nullptr || EVP_DigestInit_ex(hash->context, EVP_sm3(), nullptr) != 1) {
        return SAR_HASHERR;
    }
    if (pPubKey != nullptr) {
        if (pPubKey->BitLen != kBitLength) {
            return SAR_MODULUSLENERR;
        }
        const unsigned char* id = pucID;
        size_t idLength = ulIDLen;
        if (idLength == 0) {
            id = reinterpret_cast<const unsigned char*>(kDefaultSignerId);
            idLength = std::strlen(kDefaultSignerId);
        }
        unsigned char z[32];
        if (!zValue(*pPubKey, id, idLength, z)) {
            return SAR_INVALIDPARAMERR;
        }
        if (EVP_DigestUpdate(hash->context, z, sizeof z) != 1) {
            return SAR_HASHERR;
        }
    }
    *phHash = keep(std::move(hash));
    return SAR_OK;
}

ULONG DEVAPI SKF_Digest(HANDLE hHash, BYTE* pbData, ULONG ulDataLen, BYTE* pbHashData, ULONG* pulHashLen)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Hash* hash = find<Hash>(hHash, Kind::Hash);
    if (hash == nullptr) {
        return SAR_INVALIDHANDLEERR;
    }
    if (hash->finished) {
        return SAR_HASHOBJERR;
    }
    if (pulHashLen == nullptr || (pbData == nullptr && ulDataLen > 0)) {
        return SAR_INVALIDPARAMERR;
    }
    const ULONG length = 32;
    if (pbHashData == nullptr) {
        *pulHashLen = length;
        return SAR_OK;
    }
    if (*pulHashLen < length) {
        *pulHashLen = length;
        return SAR_BUFFER_TOO_SMALL;
    }
    unsigned int written = 0;
    hash->finished = true;
    if ((ulDataLen > 0 && EVP_DigestUpdate(hash->context, pbData, ulDataLen) != 1) ||
        EVP_DigestFinal_ex(hash->context, pbHashData, &written) != 1 || written != length) {
        return SAR_HASHERR;
    }
    *pulHashLen = length;
    return SAR_OK;
}

ULONG DEVAPI SKF_CloseHandle(HANDLE hHandle)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (find<Hash>(hHandle, Kind::Hash) == nullptr) {
        return SAR_INVALIDHANDLEERR;
    }
    g_handles.erase(hHandle);
    return SAR_OK;
}

ULONG DEVAPI SKF_ECCSignData(HCONTAINER hContainer, BYTE* pbData, ULONG ulDataLen, PECCSIGNATUREBLOB pSignature)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Container* container = nullptr;
    ULONG ret = checkContainer(hContainer, container);
    if (ret != SAR_OK) {
        return ret;
    }
    if (pbData == nullptr || pSignature == nullptr) {
        return SAR_INVALIDPARAMERR;
    }
    if (ulDataLen != 32) {
        return SAR_INDATALENERR;
    }
    if (!container->session->open || !container->session->loggedIn) {
        return SAR_USER_NOT_LOGGED_IN;
    }
    PkeyPtr key;
    ret = loadKey(*container, key);
    if (ret != SAR_OK) {
        return ret;
    }
    return signDigest(key.get(), pbData, ulDataLen, *pSignature) ? SAR_OK : SAR_FAIL;
}

ULONG DEVAPI SKF_ECCVerify(DEVHANDLE hDev, ECCPUBLICKEYBLOB* pECCPubKeyBlob, BYTE* pbData, ULONG ulDataLen,
                           PECCSIGNATUREBLOB pSignature)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Device* device = nullptr;
    ULONG ret = checkDevice(hDev, device);
    if (ret != SAR_OK) {
        return ret;
    }
    if (pECCPubKeyBlob == nullptr || pbData == nullptr || pSignature == nullptr) {
        return SAR_INVALIDPARAMERR;
    }
    if (ulDataLen != 32) {
        return SAR_INDATALENERR;
    }
    PkeyPtr key;
    ret = fromBlob(*pECCPubKeyBlob, key);
    if (ret != SAR_OK) {
        return ret;
    }
    return verifyDigest(key.get(), pbData, ulDataLen, *pSignature) ? SAR_OK : SAR_FAIL;
}

int CORVIS_SKF_OpenHandleCount(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return static_cast<int>(g_handles.size());
}

}  // extern "C"
#pragma GCC visibility pop
