#include "platform/skftoken/tokenstore.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace skftoken {

namespace {

constexpr size_t kSaltLength = 16;
constexpr size_t kHashLength = 32;

std::string prefix()
{
    const char* value = std::getenv("CORVISBENCH_PREFIX");
    if (value == nullptr || value[0] == '\0') {
        return std::string();
    }
    std::string text(value);
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

std::string toHex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 0x0f];
    }
    return out;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool fromHex(const std::string& text, std::string& out)
{
    if (text.size() % 2 != 0) {
        return false;
    }
    out.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = hexValue(text[i]);
        const int low = hexValue(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        out += static_cast<char>((high << 4) | low);
    }
    return true;
}

bool parseCount(const std::string& text, uint32_t& out)
{
    if (text.empty() || text.size() > 10 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    if (value > 0xffffffffULL) {
        return false;
    }
    out = static_cast<uint32_t>(value);
    return true;
}

bool derive(const std::string& pin, const std::string& salt, uint32_t iterations, std::string& out)
{
    unsigned char hash[kHashLength];
    const int ok = PKCS5_PBKDF2_HMAC(pin.data(), static_cast<int>(pin.size()),
                                     reinterpret_cast<const unsigned char*>(salt.data()), static_cast<int>(salt.size()),
                                     static_cast<int>(iterations), EVP_sha256(), sizeof hash, hash);
    if (ok != 1) {
        return false;
    }
    out.assign(reinterpret_cast<const char*>(hash), sizeof hash);
    OPENSSL_cleanse(hash, sizeof hash);
    return true;
}

// An exclusive lock of a directory, released with the object.
class DirectoryLock
{
public:
    explicit DirectoryLock(const std::string& dir)
        : fd_(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW))
    {
        if (fd_ >= 0) {
            int ret = 0;
            do {
                ret = ::flock(fd_, LOCK_EX);
            } while (ret != 0 && errno == EINTR);
            if (ret != 0) {
                ::close(fd_);
                fd_ = -1;
            }
        }
    }
    ~DirectoryLock()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_;
};

}  // namespace

std::string tokenRoot()
{
    return prefix() + kInstallRoot + "/token";
}

bool isValidName(const std::string& name)
{
    if (name.empty() || name.size() > 64 || name[0] == '.') {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == '.';
    });
}

std::vector<std::string> listDirectories(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* handle = ::opendir(dir.c_str());
    if (handle == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(handle)) {
        const std::string name(entry->d_name);
        if (isValidName(name) && isDirectory(dir + "/" + name)) {
            names.push_back(name);
        }
    }
    ::closedir(handle);
    std::sort(names.begin(), names.end());
    return names;
}

bool isDirectory(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

ReadResult readFile(const std::string& path, std::string& out)
{
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Unreadable;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return ReadResult::Unreadable;
    }
    if (static_cast<size_t>(info.st_size) > kMaxFileSize) {
        ::close(fd);
        return ReadResult::TooLarge;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            ::close(fd);
            out.clear();
            return ReadResult::Unreadable;
        }
        if (got == 0) {
            break;
        }
        out.append(buffer, static_cast<size_t>(got));
        if (out.size() > kMaxFileSize) {
            ::close(fd);
            out.clear();
            return ReadResult::TooLarge;
        }
    }
    ::close(fd);
    return ReadResult::Ok;
}

bool writeFileAtomic(const std::string& path, const std::string& content)
{
    const std::string temporary = path + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;
    }
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t wrote = ::write(fd, content.data() + done, content.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            ::close(fd);
            ::unlink(temporary.c_str());
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool makeDirectory(const std::string& path)
{
    std::string partial;
    size_t at = 0;
    while (at != std::string::npos) {
        at = path.find('/', at + 1);
        partial = path.substr(0, at);
        if (!partial.empty() && ::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return isDirectory(path);
}

std::string devicePath(const std::string& device)
{
    return tokenRoot() + "/" + device;
}

std::string applicationPath(const std::string& device, const std::string& application)
{
    return devicePath(device) + "/" + application;
}

std::string containerPath(const std::string& device, const std::string& application, const std::string& container)
{
    return applicationPath(device, application) + "/" + container;
}

bool isPresent(const std::string& device)
{
    return isValidName(device) && isDirectory(devicePath(device)) &&
           !exists(devicePath(device) + "/" + kUnpluggedMarker);
}

bool PinRecord::create(const std::string& pin, uint32_t iterations, uint32_t maxRetries, PinRecord& out)
{
    if (iterations == 0 || iterations > kMaxIterations || maxRetries == 0) {
        return false;
    }
    unsigned char salt[kSaltLength];
    if (RAND_bytes(salt, sizeof salt) != 1) {
        return false;
    }
    PinRecord record;
    record.iterations = iterations;
    record.salt.assign(reinterpret_cast<const char*>(salt), sizeof salt);
    record.maxRetries = maxRetries;
    record.remaining = maxRetries;
    if (!derive(pin, record.salt, iterations, record.hash)) {
        return false;
    }
    out = record;
    return true;
}

bool PinRecord::parse(const std::string& text, PinRecord& out)
{
    PinRecord record;
    bool haveIterations = false, haveSalt = false, haveHash = false, haveMax = false, haveRemaining = false;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty()) {
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            return false;
        }
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "iterations") {
            haveIterations = parseCount(value, record.iterations);
        } else if (key == "salt") {
            haveSalt = fromHex(value, record.salt) && !record.salt.empty();
        } else if (key == "hash") {
            haveHash = fromHex(value, record.hash) && record.hash.size() == kHashLength;
        } else if (key == "maxRetries") {
            haveMax = parseCount(value, record.maxRetries);
        } else if (key == "remaining") {
            haveRemaining = parseCount(value, record.remaining);
        } else {
            return false;
        }
    }
    if (!haveIterations || !haveSalt || !haveHash || !haveMax || !haveRemaining || record.iterations == 0 ||
        record.iterations > kMaxIterations || record.maxRetries == 0 || record.remaining > record.maxRetries) {
        return false;
    }
    out = record;
    return true;
}

std::string PinRecord::serialize() const
{
    return "iterations=" + std::to_string(iterations) + "\nsalt=" + toHex(salt) + "\nhash=" + toHex(hash) +
           "\nmaxRetries=" + std::to_string(maxRetries) + "\nremaining=" + std::to_string(remaining) + "\n";
}

bool PinRecord::matches(const std::string& pin) const
{
    std::string candidate;
    if (!derive(pin, salt, iterations, candidate)) {
        return false;
    }
    const bool same = candidate.size() == hash.size() && CRYPTO_memcmp(candidate.data(), hash.data(), hash.size()) == 0;
    OPENSSL_cleanse(&candidate[0], candidate.size());
    return same;
}

PinCheck verifyPin(const std::string& appDir, const std::string& pin, uint32_t& remaining)
{
    remaining = 0;
    DirectoryLock lock(appDir);
    if (!lock.held()) {
        return PinCheck::Corrupt;
    }
    std::string text;
    const std::string path = appDir + "/" + kPinFile;
    const ReadResult read = readFile(path, text);
    if (read == ReadResult::Missing) {
        return PinCheck::NotInitialized;
    }
    PinRecord record;
    if (read != ReadResult::Ok || !PinRecord::parse(text, record)) {
        return PinCheck::Corrupt;
    }
    remaining = record.remaining;
    if (record.locked()) {
        return PinCheck::Locked;
    }
    // A PIN outside the allowed lengths is refused before it is compared and costs no try.
    if (pin.size() < PinRecord::kMinPinLength || pin.size() > PinRecord::kMaxPinLength) {
        return PinCheck::LengthRange;
    }
    if (record.matches(pin)) {
        if (record.remaining != record.maxRetries) {
            record.remaining = record.maxRetries;
            if (!writeFileAtomic(path, record.serialize())) {
                return PinCheck::WriteFailed;
            }
        }
        remaining = record.remaining;
        return PinCheck::Ok;
    }
    record.remaining -= 1;
    remaining = record.remaining;
    // The try is spent only once it is on disk: otherwise guessing could outrun the counter.
    if (!writeFileAtomic(path, record.serialize())) {
        return PinCheck::WriteFailed;
    }
    return record.locked() ? PinCheck::Locked : PinCheck::Incorrect;
}

bool storePin(const std::string& appDir, const PinRecord& record)
{
    DirectoryLock lock(appDir);
    return lock.held() && writeFileAtomic(appDir + "/" + kPinFile, record.serialize());
}

}  // namespace skftoken
