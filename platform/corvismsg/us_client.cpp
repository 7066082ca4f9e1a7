#include "platform/corvismsg/us_client.h"

#include "platform/corvismsg/msgoptions.h"
#include "platform/corvismsg/sockio.h"

#include <glog/logging.h>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace corvismsg;

US_Client::US_Client() = default;

US_Client::~US_Client()
{
    CloseConn();
}

int US_Client::InitConn(unsigned short timeoutSec, unsigned short type, const char* path)
{
    CloseConn();
    if (type != SOCK_STREAM) {
        errno = EPROTOTYPE;
        return -1;
    }
    fd_ = io::connectUnix(path);
    if (fd_ < 0) {
        return -1;
    }
    timeoutMs_ = timeoutSec > 0 ? timeoutSec * 1000 : 0;
    return 1;
}

namespace {

int effectiveTimeout(int own)
{
    return own > 0 ? own : receiveTimeoutMs();
}

}  // namespace

int US_Client::SendMessage(char* buffer, int length)
{
    if (fd_ < 0 || buffer == nullptr || length < 0) {
        return -1;
    }
    const int rc = io::writeAll(fd_, buffer, static_cast<size_t>(length), io::Deadline(effectiveTimeout(timeoutMs_)));
    if (rc == io::IoTimeout) {
        LOG(WARNING) << "US_Client: the service took no request within " << effectiveTimeout(timeoutMs_) << " ms";
        return -2;
    }
    return rc == io::IoOk ? 0 : -1;
}

int US_Client::RecvMessage(char* buffer, int length)
{
    if (fd_ < 0 || buffer == nullptr || length <= 0) {
        return -1;
    }
    size_t got = 0;
    const int timeout = effectiveTimeout(timeoutMs_);
    const int rc = io::readFull(fd_, buffer, static_cast<size_t>(length), io::Deadline(timeout), &got);
    switch (rc) {
    case io::IoOk:
        return length;
    case io::IoClosed:
        if (got > 0) {
            LOG(WARNING) << "US_Client: the service closed after " << got << " of " << length << " bytes";
            return -1;
        }
        return 0;
    case io::IoTimeout:
        LOG(WARNING) << "US_Client: no reply within " << timeout << " ms";
        return -2;
    default:
        return -1;
    }
}

int US_Client::PostMessage(unsigned short code, unsigned short arg, const char* text, int length)
{
    if (fd_ < 0 || length < 0 || (length > 0 && text == nullptr)) {
        return -1;
    }
    const int bodyLength = 4 + length;
    if (kHeaderSize + bodyLength > kMaxPushMessage) {
        return -3;
    }
    std::vector<char> message(static_cast<size_t>(kHeaderSize + bodyLength));
    io::putU16BE(message.data(), 1);
    io::putU16BE(message.data() + 2, code);
    io::putU32BE(message.data() + 4, static_cast<uint32_t>(bodyLength));
    // The body's own words are in host order.
    std::memcpy(message.data() + 8, &code, 2);
    std::memcpy(message.data() + 10, &arg, 2);
    if (length > 0) {
        std::memcpy(message.data() + 12, text, static_cast<size_t>(length));
    }
    const io::Deadline deadline(effectiveTimeout(timeoutMs_));
    int rc = io::writeAll(fd_, message.data(), message.size(), deadline);
    if (rc == io::IoTimeout) {
        return -2;
    }
    if (rc != io::IoOk) {
        // A server that refused us closed before we were done writing.
        return errno == EPIPE || errno == ECONNRESET ? -3 : -1;
    }
    ::shutdown(fd_, SHUT_WR);
    rc = io::waitForEnd(fd_, deadline);
    if (rc == io::IoTimeout) {
        return -2;
    }
    return rc == io::IoOk ? 0 : -3;
}

void US_Client::CloseConn()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}
