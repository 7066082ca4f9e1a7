#include "platform/corvismsg/tcp_client.h"

#include "platform/corvismsg/msgoptions.h"
#include "platform/corvismsg/sockio.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace corvismsg;

TCP_Client::TCP_Client() = default;

TCP_Client::~TCP_Client()
{
    Destroy();
}

int TCP_Client::Init(Option& option)
{
    Destroy();
    if (option.type != SOCK_STREAM) {
        errno = EPROTOTYPE;
        return -1;
    }
    // The path must be terminated inside the record.
    if (::memchr(option.path, '\0', sizeof(option.path)) == nullptr) {
        errno = ENAMETOOLONG;
        return -1;
    }
    fd_ = io::connectUnix(option.path);
    if (fd_ < 0) {
        return -1;
    }
    timeoutMs_ = option.timeoutMs;
    return 1;
}

int TCP_Client::SendMessage(unsigned short module, unsigned short command, const char* data, int length)
{
    if (fd_ < 0 || length < 0 || (length > 0 && data == nullptr)) {
        return -1;
    }
    std::vector<char> frame(static_cast<size_t>(kHeaderSize) + static_cast<size_t>(length));
    io::putU16BE(frame.data(), module);
    io::putU16BE(frame.data() + 2, command);
    io::putU32BE(frame.data() + 4, static_cast<uint32_t>(length));
    if (length > 0) {
        std::memcpy(frame.data() + kHeaderSize, data, static_cast<size_t>(length));
    }
    const int timeout = timeoutMs_ > 0 ? timeoutMs_ : receiveTimeoutMs();
    const int rc = io::writeAll(fd_, frame.data(), frame.size(), io::Deadline(timeout));
    if (rc == io::IoTimeout) {
        return -2;
    }
    return rc == io::IoOk ? 0 : -1;
}

void TCP_Client::Destroy()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}
