#include "http/logsafe.h"

namespace corvis {

std::string maskedSecret(const std::string& secret)
{
    return secret.empty() ? std::string() : std::string("****");
}

std::string withoutSecret(std::string text, const std::string& secret)
{
    if (secret.empty()) {
        return text;
    }
    const std::string mask = maskedSecret(secret);
    size_t pos = 0;
    while ((pos = text.find(secret, pos)) != std::string::npos) {
        text.replace(pos, secret.size(), mask);
        pos += mask.size();
    }
    return text;
}

std::string maskedCookie(const std::string& cookie)
{
    std::string out;
    size_t start = 0;
    while (start < cookie.size()) {
        size_t end = cookie.find(';', start);
        if (end == std::string::npos) {
            end = cookie.size();
        }
        const std::string pair = cookie.substr(start, end - start);
        const size_t eq = pair.find('=');
        out += eq == std::string::npos ? pair : pair.substr(0, eq + 1) + maskedSecret(pair.substr(eq + 1));
        if (end < cookie.size()) {
            out += ';';
        }
        start = end + 1;
    }
    return out;
}

}  // namespace corvis
