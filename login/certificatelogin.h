#pragma once

#include "http/api.h"
#include "login/skfapi.h"

#include <QString>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

class SkfLibrary;

// The certificate login without its page: reads every signing certificate from the USB keys
// through the token library, signs the controller's challenge with each key, and builds the
// bodies of request 4101, one certificate after the other when the service rejects one.
//
// Threads: setPin()/clearPin() on the GUI thread before a reading starts; prepare() on a worker
// (it blocks on the controller and the token); nextBody() on the GUI thread when the service has
// rejected a body. Readings are serialised among themselves; the GUI thread's calls only take a
// short lock on the state, never wait for a reading, and see a reading's result once it is done.
// The PIN is never logged and is wiped from memory when replaced and after each reading.
class CertificateLogin
{
public:
    using CertMap = std::map<int, std::string>;
    // API::getAuthInfo by default; tests hand in their own.
    using ChallengeSource = std::function<int(AuthInfo&)>;

    enum class Outcome {
        Send,               // the body is ready: send request 4101 with it
        ServerUnavailable,  // no challenge: "服务器连接失败，请检查网络是否正常"
        NoCertificate,      // no key or no certificate: "请插入U-key后点击登录"
        PinRefused,         // the PIN was refused: "PIN码验证错误"
    };
    struct Step {
        Outcome outcome = Outcome::NoCertificate;
        std::string body;
    };

    // Codes of GetCerFromUkey besides the certificate count.
    static constexpr int kEnumFailed = -1;
    static constexpr int kNoLibrary = -2;
    static constexpr int kNoDevice = -3;
    // The signer identifier of the SM3 digest: 7 ASCII bytes, no terminator.
    static constexpr const char* kSignerId = "feitian";
    static constexpr ULONG kSignerIdLength = 7;

    CertificateLogin();
    ~CertificateLogin();
    CertificateLogin(const CertificateLogin&) = delete;
    CertificateLogin& operator=(const CertificateLogin&) = delete;

    // The red message of the certificate page for an outcome other than Send (empty for Send).
    static QString messageFor(Outcome outcome);

    // The token library to use; without one, the configured library is loaded at the first
    // reading (and again at a later reading when that failed).
    void setLibrary(std::shared_ptr<SkfLibrary> library);
    std::shared_ptr<SkfLibrary> library() const;

    void setPin(const QString& pin);
    void clearPin();

    // The reading on the worker: with `certAuthSign` the challenge from `source` (API::getAuthInfo
    // when empty), then the certificates and signatures, then the first body. Logs as it goes,
    // including "sendReqClientLogin: " with the body when the outcome is Send.
    Step prepare(bool certAuthSign, const ChallengeSource& source = ChallengeSource());

    // After a rejection: the body of the next certificate found on the keys, with the same
    // challenge; false when none is left.
    bool nextBody(std::string* body);

    // Reads every signing certificate (PEM) into `certs` under keys 1, 2, ... in the order found,
    // and the URL-encoded Base64 signature of `signData` by each key into `signatures` under the
    // same key. Both maps are emptied first. Returns the number of certificates, or kEnumFailed,
    // kNoLibrary or kNoDevice. Every container, application and device opened is closed again.
    int GetCerFromUkey(CertMap& certs, CertMap& signatures, const std::string& signData);

    // PIN, public key, SM3 digest with the signer identifier, signature and its check for one
    // container. Returns the size of `signatures` after storing under `key`, or -1 ... -10 for the
    // step that failed (-2: PIN refused, which also clears the PIN-verified flag).
    int SignDataByECC(DEVHANDLE dev, HAPPLICATION app, HCONTAINER container, CertMap& signatures,
                      const std::string& data, int key);

    // State for the page and the tests.
    bool pinVerified() const;
    CertMap certificates() const;
    CertMap signatures() const;
    // The key of the certificate a rejection moves to next; 0 before the first body.
    int position() const;

private:
    class Reading;

    std::shared_ptr<SkfLibrary> libraryForReading();
    std::string bodyFor(int key) const;
    void storePin(std::string pin);

    // Held for a whole reading (prepare, GetCerFromUkey, SignDataByECC).
    std::recursive_mutex readingMutex_;
    int readingDepth_ = 0;
    std::string readingPin_;
    // Once the key has refused the PIN in a reading it is not presented again in that reading:
    // each presentation would spend one of the key's few tries.
    bool pinRefused_ = false;
    std::atomic<bool> pinVerified_{true};

    // The state the GUI thread reads and writes, under a short lock.
    mutable std::mutex stateMutex_;
    std::shared_ptr<SkfLibrary> library_;
    std::string pin_;
    bool certAuthSign_ = false;
    CertMap certs_;
    CertMap signatures_;
    AuthInfo authInfo_;
    int position_ = 0;
};
