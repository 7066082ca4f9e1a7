#pragma once

// The software token's folder: devices, applications and containers as directories below
// <install root>/token, so that a test or the demo can make, plug and unplug USB keys with files.
//
//   <install root>/token/<device>/                 a key; absent while the file "unplugged" is there
//   <install root>/token/<device>/<application>/pin  the user PIN record (see PinRecord)
//   <install root>/token/<device>/<application>/<container>/key.pem   SM2 signing key (PKCS#8 PEM)
//   <install root>/token/<device>/<application>/<container>/cert.der  its X.509 certificate (DER)
//
// Names are 1 to 64 characters of A-Z a-z 0-9 "_" "-" "." and do not begin with "."; other
// entries are not part of the token. The install root follows CORVISBENCH_PREFIX as every product
// path does.

#include <cstdint>
#include <string>
#include <vector>

namespace skftoken {

constexpr const char* kInstallRoot = "/opt/quintrel/orvane";
constexpr const char* kUnpluggedMarker = "unplugged";
constexpr const char* kPinFile = "pin";
constexpr const char* kKeyFile = "key.pem";
constexpr const char* kCertFile = "cert.der";

// Largest file the token reads (certificates, keys, PIN records).
constexpr size_t kMaxFileSize = 64 * 1024;

// <prefix>/opt/quintrel/orvane/token
std::string tokenRoot();

bool isValidName(const std::string& name);
// The names of the directories below `dir` that are valid names, sorted.
std::vector<std::string> listDirectories(const std::string& dir);
bool isDirectory(const std::string& path);
bool exists(const std::string& path);

enum class ReadResult { Ok, Missing, Unreadable, TooLarge };
// A regular file (no symbolic link followed) of at most kMaxFileSize bytes.
ReadResult readFile(const std::string& path, std::string& out);
// Writes a file whole (a temporary file renamed over it), with mode 0600.
bool writeFileAtomic(const std::string& path, const std::string& content);
bool makeDirectory(const std::string& path);

std::string devicePath(const std::string& device);
std::string applicationPath(const std::string& device, const std::string& application);
std::string containerPath(const std::string& device, const std::string& application, const std::string& container);

// A device is present when its directory exists and holds no "unplugged" marker.
bool isPresent(const std::string& device);

// The user PIN of an application: a salted PBKDF2 (HMAC-SHA-256) hash and a retry counter that
// locks the application when it reaches 0. Kept as "key=value" lines.
struct PinRecord {
    uint32_t iterations = 0;
    std::string salt;  // raw bytes
    std::string hash;  // raw bytes, 32
    uint32_t maxRetries = 0;
    uint32_t remaining = 0;

    static constexpr uint32_t kDefaultIterations = 100000;
    static constexpr uint32_t kDefaultRetries = 5;
    static constexpr uint32_t kMaxIterations = 10000000;
    static constexpr size_t kMinPinLength = 4;
    static constexpr size_t kMaxPinLength = 64;

    // A fresh record for `pin` with a new random salt; false when no random bytes could be had.
    static bool create(const std::string& pin, uint32_t iterations, uint32_t maxRetries, PinRecord& out);
    // False when the text is not a whole, sound record.
    static bool parse(const std::string& text, PinRecord& out);
    std::string serialize() const;
    bool matches(const std::string& pin) const;
    bool locked() const { return remaining == 0; }
};

enum class PinCheck { Ok, Incorrect, Locked, LengthRange, NotInitialized, Corrupt, WriteFailed };
// Checks `pin` against the application's record under an exclusive lock of the application
// directory, counting a failure down and resetting the counter on success; the record is written
// back before the answer. `remaining` is the count after the check.
PinCheck verifyPin(const std::string& appDir, const std::string& pin, uint32_t& remaining);
// Replaces the record under the same lock.
bool storePin(const std::string& appDir, const PinRecord& record);

}  // namespace skftoken
