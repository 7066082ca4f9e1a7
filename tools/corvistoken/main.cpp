// corvistoken: makes and changes the software token's USB keys below CORVISBENCH_PREFIX (devices,
// applications, containers with SM2 keys and certificates of a test authority, the user PIN,
// plugging and unplugging). See README.md beside this file.

#include "platform/skftoken/sm2blob.h"
#include "platform/skftoken/tokenstore.h"
#include "tools/corvistoken/tokenca.h"

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace skftoken;

namespace {

constexpr const char* kDefaultApplication = "CORVIS";
constexpr const char* kDefaultCaName = "Corvis Test CA";

int usage()
{
    std::fprintf(stderr,
                 "usage: corvistoken ca [--ca DIR] [--cn NAME]\n"
                 "       corvistoken create DEVICE --pin PIN [--app APP] [--iterations N] [--retries N]\n"
                 "       corvistoken add DEVICE CONTAINER [--app APP] [--cn NAME] [--ca DIR] [--days N] [--no-cert]\n"
                 "       corvistoken set-pin DEVICE PIN [--app APP] [--iterations N] [--retries N]\n"
                 "       corvistoken change-pin DEVICE OLD NEW [--app APP]\n"
                 "       corvistoken unplug|plug|remove DEVICE\n"
                 "       corvistoken cert|pubkey DEVICE CONTAINER [--app APP]\n"
                 "       corvistoken list\n"
                 "CORVISBENCH_PREFIX must be set: the keys live in <prefix>/opt/quintrel/orvane/token.\n");
    return 2;
}

int fail(const std::string& why)
{
    std::fprintf(stderr, "corvistoken: %s\n", why.c_str());
    return 1;
}

std::string prefixRoot()
{
    const char* value = std::getenv("CORVISBENCH_PREFIX");
    return value != nullptr ? std::string(value) : std::string();
}

struct Args {
    std::vector<std::string> words;
    std::map<std::string, std::string> options;
    bool noCert = false;
};

// Words and "--name value" options; false on an unknown option or a missing value.
bool parse(int argc, char* argv[], Args& args)
{
    static const char* withValue[] = {"--pin", "--app", "--iterations", "--retries", "--cn", "--ca", "--days"};
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--no-cert") {
            args.noCert = true;
            continue;
        }
        if (word.rfind("--", 0) == 0) {
            bool known = false;
            for (const char* name : withValue) {
                known = known || word == name;
            }
            if (!known || i + 1 >= argc) {
                return false;
            }
            args.options[word] = argv[++i];
            continue;
        }
        args.words.push_back(word);
    }
    return true;
}

bool number(const std::string& text, uint32_t min, uint32_t max, uint32_t& out)
{
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < min || value > max) {
        return false;
    }
    out = static_cast<uint32_t>(value);
    return true;
}

std::string option(const Args& args, const char* name, const std::string& fallback)
{
    const auto it = args.options.find(name);
    return it != args.options.end() ? it->second : fallback;
}

std::string caDir(const Args& args)
{
    return option(args, "--ca", prefixRoot() + "/sim/ca");
}

bool checkName(const std::string& what, const std::string& name, std::string& error)
{
    // The PIN record and the unplugged marker share the folders with the names.
    const bool temporary = name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0;
    if (!isValidName(name) || name == kPinFile || name == kUnpluggedMarker || temporary) {
        error = what + " name \"" + name + "\": 1 to 64 of A-Z a-z 0-9 _ - . not beginning with \".\"";
        return false;
    }
    return true;
}

int pinRecord(const std::string& appDir, const std::string& pin, const Args& args, const PinRecord* previous)
{
    uint32_t iterations = previous != nullptr ? previous->iterations : PinRecord::kDefaultIterations;
    uint32_t retries = previous != nullptr ? previous->maxRetries : PinRecord::kDefaultRetries;
    if (args.options.count("--iterations") != 0 &&
        !number(args.options.at("--iterations"), 1, PinRecord::kMaxIterations, iterations)) {
        return fail("--iterations: 1 to 10000000");
    }
    if (args.options.count("--retries") != 0 && !number(args.options.at("--retries"), 1, 99, retries)) {
        return fail("--retries: 1 to 99");
    }
    if (pin.size() < PinRecord::kMinPinLength || pin.size() > PinRecord::kMaxPinLength) {
        return fail("a PIN has 4 to 64 bytes");
    }
    PinRecord record;
    if (!PinRecord::create(pin, iterations, retries, record) || !storePin(appDir, record)) {
        return fail("cannot write the PIN of " + appDir);
    }
    return 0;
}

int createDevice(const Args& args)
{
    if (args.words.size() != 1 || args.options.count("--pin") == 0) {
        return usage();
    }
    const std::string& device = args.words[0];
    const std::string app = option(args, "--app", kDefaultApplication);
    std::string error;
    if (!checkName("device", device, error) || !checkName("application", app, error)) {
        return fail(error);
    }
    const std::string appDir = applicationPath(device, app);
    if (exists(appDir)) {
        return fail("application " + app + " of " + device + " exists already");
    }
    if (!makeDirectory(appDir)) {
        return fail("cannot make " + appDir);
    }
    return pinRecord(appDir, args.options.at("--pin"), args, nullptr);
}

int addContainer(const Args& args)
{
    if (args.words.size() != 2) {
        return usage();
    }
    const std::string& device = args.words[0];
    const std::string& container = args.words[1];
    const std::string app = option(args, "--app", kDefaultApplication);
    std::string error;
    if (!checkName("device", device, error) || !checkName("application", app, error) ||
        !checkName("container", container, error)) {
        return fail(error);
    }
    if (!isDirectory(applicationPath(device, app))) {
        return fail("no application " + app + " on " + device + " (corvistoken create first)");
    }
    const std::string dir = containerPath(device, app, container);
    if (exists(dir)) {
        return fail("container " + container + " exists already");
    }
    uint32_t days = 365;
    if (args.options.count("--days") != 0 && !number(args.options.at("--days"), 1, 36500, days)) {
        return fail("--days: 1 to 36500");
    }
    std::string keyPem;
    EVP_PKEY* raw = nullptr;
    if (!tokenca::newSm2Key(keyPem, &raw, error)) {
        return fail(error);
    }
    PkeyPtr key(raw);
    std::string der;
    if (!args.noCert) {
        const std::string ca = caDir(args);
        if (!tokenca::ensure(ca, kDefaultCaName, error) ||
            !tokenca::issue(ca, key.get(), option(args, "--cn", container), static_cast<int>(days), der, error)) {
            return fail(error);
        }
    }
    const bool ok = makeDirectory(dir) && writeFileAtomic(dir + "/" + kKeyFile, keyPem) &&
                    (args.noCert || writeFileAtomic(dir + "/" + kCertFile, der));
    OPENSSL_cleanse(&keyPem[0], keyPem.size());
    return ok ? 0 : fail("cannot write " + dir);
}

int setPin(const Args& args)
{
    if (args.words.size() != 2) {
        return usage();
    }
    const std::string appDir = applicationPath(args.words[0], option(args, "--app", kDefaultApplication));
    if (!isValidName(args.words[0]) || !isDirectory(appDir)) {
        return fail("no application " + appDir);
    }
    std::string text;
    PinRecord previous;
    const bool havePrevious = readFile(appDir + "/" + kPinFile, text) == ReadResult::Ok && PinRecord::parse(text, previous);
    return pinRecord(appDir, args.words[1], args, havePrevious ? &previous : nullptr);
}

int changePin(const Args& args)
{
    if (args.words.size() != 3) {
        return usage();
    }
    const std::string appDir = applicationPath(args.words[0], option(args, "--app", kDefaultApplication));
    if (!isValidName(args.words[0]) || !isDirectory(appDir)) {
        return fail("no application " + appDir);
    }
    uint32_t remaining = 0;
    switch (verifyPin(appDir, args.words[1], remaining)) {
    case PinCheck::Ok:
        break;
    case PinCheck::Locked:
        return fail("the PIN is locked");
    case PinCheck::Incorrect:
        return fail("wrong PIN, " + std::to_string(remaining) + " tries left");
    case PinCheck::LengthRange:
        return fail("a PIN has 4 to 64 bytes");
    case PinCheck::NotInitialized:
        return fail("no PIN set (corvistoken set-pin)");
    case PinCheck::Corrupt:
    case PinCheck::WriteFailed:
        return fail("the PIN record of " + appDir + " cannot be used");
    }
    std::string text;
    PinRecord previous;
    if (readFile(appDir + "/" + kPinFile, text) != ReadResult::Ok || !PinRecord::parse(text, previous)) {
        return fail("the PIN record of " + appDir + " cannot be used");
    }
    return pinRecord(appDir, args.words[2], args, &previous);
}

int plug(const Args& args, bool in)
{
    if (args.words.size() != 1) {
        return usage();
    }
    const std::string dir = devicePath(args.words[0]);
    if (!isValidName(args.words[0]) || !isDirectory(dir)) {
        return fail("no device " + args.words[0]);
    }
    const std::string marker = dir + "/" + kUnpluggedMarker;
    if (in) {
        return ::unlink(marker.c_str()) == 0 || errno == ENOENT ? 0 : fail("cannot plug " + args.words[0]);
    }
    return writeFileAtomic(marker, std::string()) ? 0 : fail("cannot unplug " + args.words[0]);
}

int removeTree(const std::string& path)
{
    // Only our own names are below a device, so a depth-first walk of them is all it takes.
    for (const std::string& name : listDirectories(path)) {
        removeTree(path + "/" + name);
    }
    for (const char* file : {kPinFile, kKeyFile, kCertFile, kUnpluggedMarker}) {
        ::unlink((path + "/" + file).c_str());
    }
    return ::rmdir(path.c_str());
}

int removeDevice(const Args& args)
{
    if (args.words.size() != 1 || !isValidName(args.words[0]) || !isDirectory(devicePath(args.words[0]))) {
        return args.words.size() != 1 ? usage() : fail("no device " + args.words[0]);
    }
    return removeTree(devicePath(args.words[0])) == 0 ? 0 : fail("cannot remove every file of " + args.words[0]);
}

std::string subjectOf(const std::string& der)
{
    const unsigned char* at = reinterpret_cast<const unsigned char*>(der.data());
    X509* cert = d2i_X509(nullptr, &at, static_cast<long>(der.size()));
    if (cert == nullptr) {
        return "not a DER certificate";
    }
    char line[512];
    X509_NAME_oneline(X509_get_subject_name(cert), line, sizeof line);
    X509_free(cert);
    return line;
}

int list()
{
    for (const std::string& device : listDirectories(tokenRoot())) {
        std::printf("%s%s\n", device.c_str(), isPresent(device) ? "" : " (unplugged)");
        for (const std::string& app : listDirectories(devicePath(device))) {
            std::string text;
            PinRecord record;
            const ReadResult read = readFile(applicationPath(device, app) + "/" + kPinFile, text);
            std::string pin = read == ReadResult::Missing ? "no PIN"
                              : !PinRecord::parse(text, record)
                                  ? "damaged PIN record"
                                  : "PIN tries " + std::to_string(record.remaining) + "/" +
                                        std::to_string(record.maxRetries) + (record.locked() ? ", locked" : "");
            std::printf("  %s: %s\n", app.c_str(), pin.c_str());
            for (const std::string& container : listDirectories(applicationPath(device, app))) {
                std::string der;
                const ReadResult cert = readFile(containerPath(device, app, container) + "/" + kCertFile, der);
                std::printf("    %s: %s\n", container.c_str(),
                            cert == ReadResult::Missing ? "no certificate"
                            : cert != ReadResult::Ok    ? "unreadable certificate"
                                                        : subjectOf(der).c_str());
            }
        }
    }
    return 0;
}

int show(const Args& args, bool certificate)
{
    if (args.words.size() != 2) {
        return usage();
    }
    const std::string dir = containerPath(args.words[0], option(args, "--app", kDefaultApplication), args.words[1]);
    std::string text;
    if (!isValidName(args.words[0]) || !isValidName(args.words[1]) ||
        readFile(dir + "/" + (certificate ? kCertFile : kKeyFile), text) != ReadResult::Ok) {
        return fail(std::string("no ") + (certificate ? "certificate" : "key") + " in " + dir);
    }
    BIO* out = BIO_new_fp(stdout, BIO_NOCLOSE);
    bool ok = false;
    if (certificate) {
        const unsigned char* at = reinterpret_cast<const unsigned char*>(text.data());
        X509* cert = d2i_X509(nullptr, &at, static_cast<long>(text.size()));
        ok = cert != nullptr && PEM_write_bio_X509(out, cert) == 1;
        X509_free(cert);
    } else {
        PkeyPtr key = privateKeyFromPem(text);
        ok = key && PEM_write_bio_PUBKEY(out, key.get()) == 1;
    }
    OPENSSL_cleanse(&text[0], text.size());
    BIO_free(out);
    return ok ? 0 : fail("cannot read " + dir);
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        return usage();
    }
    if (prefixRoot().empty()) {
        // Without a prefix the keys would land in the real install root.
        return fail("set CORVISBENCH_PREFIX");
    }
    Args args;
    if (!parse(argc, argv, args)) {
        return usage();
    }
    const std::string command = argv[1];
    if (command == "ca") {
        std::string error;
        if (!args.words.empty() || !tokenca::ensure(caDir(args), option(args, "--cn", kDefaultCaName), error)) {
            return args.words.empty() ? fail(error) : usage();
        }
        std::printf("%s/%s\n", caDir(args).c_str(), tokenca::kCertFile);
        return 0;
    }
    if (command == "create") {
        return createDevice(args);
    }
    if (command == "add") {
        return addContainer(args);
    }
    if (command == "set-pin") {
        return setPin(args);
    }
    if (command == "change-pin") {
        return changePin(args);
    }
    if (command == "unplug" || command == "plug") {
        return plug(args, command == "plug");
    }
    if (command == "remove") {
        return removeDevice(args);
    }
    if (command == "list") {
        return args.words.empty() ? list() : usage();
    }
    if (command == "cert" || command == "pubkey") {
        return show(args, command == "cert");
    }
    return usage();
}
