#include "login/certificatelogin.h"

#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "login/certificatecodec.h"
#include "login/skflibrary.h"

#include <openssl/crypto.h>
#include <openssl/x509.h>

#include <cstring>
#include <vector>

namespace {

// The sizes the name lists are first asked for.
constexpr ULONG kApplicationListSize = 256;
constexpr ULONG kContainerListSize = 1024;
// Bounds on what a token library may ask us to allocate.
constexpr ULONG kMaxListSize = 1024 * 1024;
constexpr ULONG kMaxCertificateSize = 1024 * 1024;
constexpr ULONG kMaxPublicKeySize = 64 * 1024;
constexpr ULONG kDigestLength = 32;
constexpr int kStatusOk = 2000;

QString code(ULONG value)
{
    return hexCode(static_cast<int>(value));
}

// The names of a list: zero-terminated names one after the other, ended by an empty name. Only
// the `length` bytes the library reported are read, and never past the buffer.
std::vector<std::string> splitNames(const std::vector<char>& buffer, ULONG length)
{
    std::vector<std::string> names;
    const size_t end = std::min(static_cast<size_t>(length), buffer.size());
    size_t at = 0;
    while (at < end) {
        size_t stop = at;
        while (stop < end && buffer[stop] != '\0') {
            ++stop;
        }
        if (stop == at) {
            break;
        }
        names.emplace_back(buffer.data() + at, stop - at);
        at = stop + 1;
    }
    return names;
}

// One name-list call into a buffer of `size` bytes; when the library answers that the buffer is
// too small, once more with the size it asks for (bounded). Two spare zero bytes stop a list
// that lacks its terminator.
template <class Call>
ULONG enumerate(Call call, ULONG size, std::vector<std::string>& names)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::vector<char> buffer(static_cast<size_t>(size) + 2, '\0');
        ULONG length = size;
        const ULONG ret = call(buffer.data(), &length);
        if (ret == SAR_BUFFER_TOO_SMALL && attempt == 0 && length > size && length <= kMaxListSize) {
            size = length;
            continue;
        }
        if (ret == SAR_OK) {
            names = splitNames(buffer, std::min(length, size));
        }
        return ret;
    }
    return SAR_BUFFER_TOO_SMALL;
}

bool isDerCertificate(const std::vector<BYTE>& bytes, ULONG length)
{
    const unsigned char* at = bytes.data();
    X509* cert = d2i_X509(nullptr, &at, static_cast<long>(length));
    const bool whole = cert != nullptr && at == bytes.data() + length;
    X509_free(cert);
    return whole;
}

// The PIN as the token takes it: a zero-terminated text in a buffer that is wiped afterwards.
class PinBuffer
{
public:
    explicit PinBuffer(const std::string& pin) : bytes_(pin.begin(), pin.end()) { bytes_.push_back('\0'); }
    ~PinBuffer() { OPENSSL_cleanse(bytes_.data(), bytes_.size()); }
    PinBuffer(const PinBuffer&) = delete;
    PinBuffer& operator=(const PinBuffer&) = delete;
    LPSTR data() { return bytes_.data(); }

private:
    std::vector<char> bytes_;
};

}  // namespace

// One reading: serialised with the others, with the PIN copied from the state at its start and
// wiped at its end. Readings nest (prepare calls GetCerFromUkey, which calls SignDataByECC).
class CertificateLogin::Reading
{
public:
    explicit Reading(CertificateLogin& owner) : owner_(owner), lock_(owner.readingMutex_)
    {
        if (owner_.readingDepth_++ == 0) {
            std::lock_guard<std::mutex> state(owner_.stateMutex_);
            owner_.readingPin_ = owner_.pin_;
        }
    }
    ~Reading()
    {
        if (--owner_.readingDepth_ == 0 && !owner_.readingPin_.empty()) {
            OPENSSL_cleanse(&owner_.readingPin_[0], owner_.readingPin_.size());
            owner_.readingPin_.clear();
        }
    }
    Reading(const Reading&) = delete;
    Reading& operator=(const Reading&) = delete;

private:
    CertificateLogin& owner_;
    std::lock_guard<std::recursive_mutex> lock_;
};

CertificateLogin::CertificateLogin() = default;

CertificateLogin::~CertificateLogin()
{
    clearPin();
}

QString CertificateLogin::messageFor(Outcome outcome)
{
    switch (outcome) {
    case Outcome::ServerUnavailable:
        return QStringLiteral("服务器连接失败，请检查网络是否正常");
    case Outcome::NoCertificate:
        return QStringLiteral("请插入U-key后点击登录");
    case Outcome::PinRefused:
        return QStringLiteral("PIN码验证错误");
    case Outcome::Send:
        break;
    }
    return QString();
}

void CertificateLogin::setLibrary(std::shared_ptr<SkfLibrary> library)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    library_ = std::move(library);
}

std::shared_ptr<SkfLibrary> CertificateLogin::library() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return library_;
}

void CertificateLogin::storePin(std::string pin)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (!pin_.empty()) {
        OPENSSL_cleanse(&pin_[0], pin_.size());
    }
    pin_.swap(pin);
    if (!pin.empty()) {
        OPENSSL_cleanse(&pin[0], pin.size());
    }
}

void CertificateLogin::setPin(const QString& pin)
{
    QByteArray utf8 = pin.toUtf8();
    storePin(std::string(utf8.constData(), static_cast<size_t>(utf8.size())));
    if (!utf8.isEmpty()) {
        OPENSSL_cleanse(utf8.data(), static_cast<size_t>(utf8.size()));
    }
}

void CertificateLogin::clearPin()
{
    storePin(std::string());
}

bool CertificateLogin::pinVerified() const
{
    return pinVerified_;
}

CertificateLogin::CertMap CertificateLogin::certificates() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return certs_;
}

CertificateLogin::CertMap CertificateLogin::signatures() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return signatures_;
}

int CertificateLogin::position() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return position_;
}

std::shared_ptr<SkfLibrary> CertificateLogin::libraryForReading()
{
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        if (library_ && library_->isLoaded()) {
            return library_;
        }
    }
    // Loaded outside the lock: the GUI thread never waits for a library to load.
    auto library = std::make_shared<SkfLibrary>();
    if (!library->load()) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (!library_ || !library_->isLoaded()) {
        library_ = library;
    }
    return library_;
}

CertificateLogin::Step CertificateLogin::prepare(bool certAuthSign, const ChallengeSource& source)
{
    Reading reading(*this);
    LOG(INFO) << "m_systemTitle.certAuthSign: " << certAuthSign;
    {
        // A new reading: nothing of the last one is sent again.
        std::lock_guard<std::mutex> lock(stateMutex_);
        certAuthSign_ = certAuthSign;
        authInfo_ = AuthInfo();
        certs_.clear();
        signatures_.clear();
        position_ = 0;
    }
    Step step;
    AuthInfo info;
    if (certAuthSign) {
        const int ret = source ? source(info) : API::getInstance()->getAuthInfo(info);
        // A controller that answers without a challenge has not given one either.
        if (ret != 0 || info.status != kStatusOk || info.authOriginal.empty() || info.originalId.empty()) {
            LOG(ERROR) << "getAuthInfo failed" << ", ret: " << ret << ", status: " << info.status
                       << ", msg: " << corvis::logSafe(info.msg);
            step.outcome = Outcome::ServerUnavailable;
            return step;
        }
    }
    const std::string signData = info.authOriginal + info.salt;
    LOG(INFO) << "sign_data: " << corvis::logSafe(signData);
    CertMap certs;
    CertMap signatures;
    const int found = GetCerFromUkey(certs, signatures, signData);

    std::lock_guard<std::mutex> lock(stateMutex_);
    certs_ = certs;
    signatures_ = signatures;
    authInfo_ = info;
    if (found <= 0) {
        LOG(ERROR) << "get certificate failed";
        step.outcome = Outcome::NoCertificate;
        return step;
    }
    if (certAuthSign && !pinVerified_) {
        LOG(ERROR) << "mb_pin_verify_ok failed";
        step.outcome = Outcome::PinRefused;
        return step;
    }
    const int first = certs_.begin()->first;
    step.body = bodyFor(first);
    step.outcome = Outcome::Send;
    position_ = first + 1;
    LOG(INFO) << "sendReqClientLogin: " << corvis::logSafe(step.body);
    return step;
}

bool CertificateLogin::nextBody(std::string* body)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (position_ <= 0) {
        return false;
    }
    const auto next = certs_.lower_bound(position_);
    if (next == certs_.end()) {
        return false;
    }
    *body = bodyFor(next->first);
    position_ = next->first + 1;
    LOG(INFO) << "sendReqClientLogin: " << corvis::logSafe(*body);
    return true;
}

// Called with the state locked.
std::string CertificateLogin::bodyFor(int key) const
{
    const auto cert = certs_.find(key);
    if (cert == certs_.end()) {
        return std::string();
    }
    if (!certAuthSign_) {
        return CertificateCodec::body(cert->second);
    }
    const auto signature = signatures_.find(key);
    return CertificateCodec::body(cert->second, authInfo_.authOriginal, authInfo_.originalId,
                                  signature != signatures_.end() ? signature->second : std::string());
}

int CertificateLogin::GetCerFromUkey(CertMap& certs, CertMap& signatures, const std::string& signData)
{
    Reading reading(*this);
    certs.clear();
    signatures.clear();
    pinVerified_ = true;
    pinRefused_ = false;
    // Kept alive for the whole reading even if another library is set meanwhile.
    const std::shared_ptr<SkfLibrary> library = libraryForReading();
    if (!library) {
        return kNoLibrary;
    }
    const SkfLibrary::Functions& skf = library->fn();

    ULONG size = 0;
    ULONG ret = skf.EnumDev(TRUE, nullptr, &size);
    if (ret != SAR_OK) {
        LOG(ERROR) << "SKF_EnumDev failed: " << code(ret);
        return kEnumFailed;
    }
    if (size < 2) {
        LOG(WARNING) << "No Device: " << size;
        return kNoDevice;
    }
    if (size > kMaxListSize) {
        LOG(ERROR) << "SKF_EnumDev failed: " << "list of " << size << " bytes";
        return kEnumFailed;
    }
    std::vector<std::string> devices;
    ret = enumerate([&](LPSTR list, ULONG* length) { return skf.EnumDev(TRUE, list, length); }, size, devices);
    if (ret != SAR_OK) {
        LOG(ERROR) << "SKF_EnumDev failed: " << code(ret);
        return kEnumFailed;
    }
    if (devices.empty()) {
        LOG(WARNING) << "No Device: " << 0;
        return kNoDevice;
    }

    for (std::string& deviceName : devices) {
        LOG(INFO) << "Find Device: " << deviceName;
        DEVHANDLE dev = nullptr;
        ret = skf.ConnectDev(&deviceName[0], &dev);
        if (ret != SAR_OK) {
            LOG(ERROR) << "SKF_ConnectDev failed: " << code(ret);
            continue;
        }
        LOG(INFO) << "Connect Device: " << deviceName;

        std::vector<std::string> applications;
        ret = enumerate([&](LPSTR list, ULONG* length) { return skf.EnumApplication(dev, list, length); },
                        kApplicationListSize, applications);
        if (ret != SAR_OK) {
            LOG(ERROR) << "SKF_EnumApplication failed: " << code(ret);
            skf.DisConnectDev(dev);
            continue;
        }
        for (std::string& appName : applications) {
            LOG(INFO) << "SKF_OpenApplication: " << appName;
            HAPPLICATION app = nullptr;
            ret = skf.OpenApplication(dev, &appName[0], &app);
            if (ret != SAR_OK) {
                LOG(ERROR) << "SKF_OpenApplication failed: " << code(ret);
                continue;
            }
            LOG(INFO) << appName << " success";

            std::vector<std::string> containers;
            ret = enumerate([&](LPSTR list, ULONG* length) { return skf.EnumContainer(app, list, length); },
                            kContainerListSize, containers);
            if (ret != SAR_OK) {
                LOG(ERROR) << "SKF_EnumContainer failed: " << code(ret);
                skf.CloseApplication(app);
                continue;
            }
            for (std::string& containerName : containers) {
                LOG(INFO) << "SKF_OpenContainer: " << containerName;
                HCONTAINER container = nullptr;
                ret = skf.OpenContainer(app, &containerName[0], &container);
                if (ret != SAR_OK) {
                    LOG(ERROR) << "SKF_OpenContainer failed: " << code(ret);
                    continue;
                }
                ULONG certLength = 0;
                ret = skf.ExportCertificate(container, TRUE, nullptr, &certLength);
                if (ret != SAR_OK) {
                    LOG(WARNING) << "There is no cert in container, export cert faild!" << " " << code(ret);
                    skf.CloseContainer(container);
                    continue;
                }
                if (certLength == 0) {
                    LOG(WARNING) << "There is no cert in container";
                    skf.CloseContainer(container);
                    continue;
                }
                if (certLength > kMaxCertificateSize) {
                    LOG(ERROR) << "SKF_ExportCertificate failed: " << "certificate of " << certLength << " bytes";
                    skf.CloseContainer(container);
                    continue;
                }
                std::vector<BYTE> der(static_cast<size_t>(certLength) + 1, 0);
                ULONG derLength = certLength;
                ret = skf.ExportCertificate(container, TRUE, der.data(), &derLength);
                if (ret != SAR_OK || derLength == 0 || derLength > certLength) {
                    LOG(ERROR) << "SKF_ExportCertificate failed" << ": " << code(ret);
                    skf.CloseContainer(container);
                    continue;
                }
                // A token may hand back anything; only an X.509 certificate in DER goes to the service.
                if (!isDerCertificate(der, derLength)) {
                    LOG(ERROR) << "SKF_ExportCertificate failed" << ": not a DER certificate in " << containerName;
                    skf.CloseContainer(container);
                    continue;
                }
                const int key = static_cast<int>(certs.size()) + 1;
                certs[key] = CertificateCodec::pemFromDer(
                    std::string(reinterpret_cast<const char*>(der.data()), static_cast<size_t>(derLength)));
                SignDataByECC(dev, app, container, signatures, signData, key);
                skf.CloseContainer(container);
            }
            skf.CloseApplication(app);
        }
        skf.DisConnectDev(dev);
    }
    return static_cast<int>(certs.size());
}

int CertificateLogin::SignDataByECC(DEVHANDLE dev, HAPPLICATION app, HCONTAINER container, CertMap& signatures,
                                    const std::string& data, int key)
{
    Reading reading(*this);
    if (data.empty()) {
        LOG(INFO) << "SignDataByECC sign_data is empty";
        return -1;
    }
    const std::shared_ptr<SkfLibrary> library = this->library();
    if (!library || !library->isLoaded()) {
        return -1;
    }
    const SkfLibrary::Functions& skf = library->fn();

    if (pinRefused_) {
        LOG(ERROR) << "SKF_VerifyPIN failed: " << "not presented again after a refusal";
        pinVerified_ = false;
        return -2;
    }
    if (readingPin_.find('\0') != std::string::npos) {
        // The interface takes a zero-terminated text: the PIN would arrive cut short.
        LOG(ERROR) << "SKF_VerifyPIN failed: " << "the PIN holds a NUL character";
        pinVerified_ = false;
        pinRefused_ = true;
        return -2;
    }
    ULONG retries = 0;
    ULONG ret = SAR_OK;
    {
        PinBuffer pin(readingPin_);
        ret = skf.VerifyPIN(app, USER_TYPE, pin.data(), &retries);
    }
    if (ret != SAR_OK) {
        LOG(ERROR) << "SKF_VerifyPIN failed: " << code(ret) << ", retries: " << retries;
        pinVerified_ = false;
        pinRefused_ = true;
        return -2;
    }

    ULONG length = 0;
    ret = skf.ExportPublicKey(container, TRUE, nullptr, &length);
    if (ret != SAR_OK) {
        LOG(ERROR) << "SKF_ExportPublicKey failed: " << code(ret);
        return -3;
    }
    if (length == 0 || length > kMaxPublicKeySize) {
        LOG(ERROR) << "malloc failed: " << length;
        return -4;
    }
    std::vector<BYTE> blob(length, 0);
    ret = skf.ExportPublicKey(container, TRUE, blob.data(), &length);
    if (ret != SAR_OK) {
        LOG(ERROR) << "SKF_ExportPublicKey failed: " << code(ret);
        return -5;
    }
    LOG(INFO) << "ulPubKeyLen = " << length;
    if (length != sizeof(ECCPUBLICKEYBLOB) || blob.size() < sizeof(ECCPUBLICKEYBLOB)) {
        LOG(ERROR) << "ulPubKeyLen != sizeof(ECCPUBLICKEYBLOB)";
        return -6;
    }
    ECCPUBLICKEYBLOB publicKey;
    std::memcpy(&publicKey, blob.data(), sizeof publicKey);

    unsigned char id[kSignerIdLength];
    std::memcpy(id, kSignerId, kSignerIdLength);
    HANDLE hash = nullptr;
    ret = skf.DigestInit(dev, SGD_SM3, &publicKey, id, kSignerIdLength, &hash);
    if (ret != SAR_OK) {
        LOG(ERROR) << "SKF_DigestInit failed: " << code(ret);
        return -7;
    }
    std::vector<BYTE> message(data.begin(), data.end());
    BYTE digest[64] = {0};
    ULONG digestLength = sizeof digest;
    ret = skf.Digest(hash, message.data(), static_cast<ULONG>(message.size()), digest, &digestLength);
    if (skf.CloseHandle != nullptr) {
        skf.CloseHandle(hash);
    }
    if (ret != SAR_OK || digestLength != kDigestLength) {
        LOG(ERROR) << "SKF_Digest failed: " << code(ret) << ", length: " << digestLength;
        return -8;
    }

    ECCSIGNATUREBLOB signature;
    std::memset(&signature, 0, sizeof signature);
    ret = skf.ECCSignData(container, digest, kDigestLength, &signature);
    if (ret != SAR_OK) {
        LOG(ERROR) << "SKF_ECCSignData failed: " << code(ret);
        return -9;
    }
    LOG(INFO) << "SKF_ECCSignData success";

    // r and s of a 256-bit curve sit in the last 32 bytes of their 64-byte fields.
    std::string raw(reinterpret_cast<const char*>(signature.r) + 32, 32);
    raw.append(reinterpret_cast<const char*>(signature.s) + 32, 32);
    std::string text = CertificateCodec::toBase64(raw);

    ret = skf.ECCVerify(dev, &publicKey, digest, kDigestLength, &signature);
    if (ret != SAR_OK) {
        LOG(ERROR) << "SKF_ECCVerify failed: " << code(ret);
        return -10;
    }
    LOG(INFO) << "SM2 verify SignValue is succeed!" << corvis::logSafe(text);
    CertificateCodec::UrlEncode(text);
    signatures[key] = text;
    return static_cast<int>(signatures.size());
}
