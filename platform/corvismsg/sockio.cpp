#include "platform/corvismsg/sockio.h"

#include <glog/logging.h>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace corvismsg::io {

int64_t nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

Deadline::Deadline(int ms) : end_(nowMs() + (ms > 0 ? ms : 0)) {}

int Deadline::remaining() const
{
    const int64_t left = end_ - nowMs();
    return left > 0 ? static_cast<int>(left) : 0;
}

int connectUnix(const char* path)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path == nullptr || std::strlen(path) >= sizeof(addr.sun_path)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::strncpy(addr.sun_path, path, sizeof(addr.sun_path) - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr));
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    if (!trustedPeer(fd, path)) {
        ::close(fd);
        errno = EACCES;
        return -1;
    }
    return fd;
}

bool trustedPeer(int fd, const char* path)
{
    ucred cred{};
    socklen_t length = sizeof(cred);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0) {
        PLOG(ERROR) << "corvismsg: no credentials of the listener on " << (path != nullptr ? path : "")
                    << ", nothing sent";
        return false;
    }
    if (cred.uid == 0 || cred.uid == ::geteuid()) {
        return true;
    }
    LOG(ERROR) << "corvismsg: the listener on " << (path != nullptr ? path : "") << " runs as uid " << cred.uid
               << ", pid " << cred.pid << ", neither root nor our own user: nothing sent";
    return false;
}

namespace {

// Waits for `events` on fd; 1 ready, 0 deadline passed, -1 error.
int waitFor(int fd, short events, const Deadline& deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int rc = ::poll(&p, 1, deadline.remaining());
        if (rc > 0) {
            return 1;
        }
        if (rc == 0) {
            return 0;
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

// After a call on fd failed with errno: IoOk to try again (interrupted, or ready after waiting
// for `events`), else IoTimeout or IoError.
int retryAfter(int fd, short events, const Deadline& deadline)
{
    if (errno == EINTR) {
        return IoOk;
    }
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
        return IoError;
    }
    const int ready = waitFor(fd, events, deadline);
    return ready > 0 ? IoOk : ready == 0 ? IoTimeout : IoError;
}

}  // namespace

int writeAll(int fd, const char* data, size_t length, const Deadline& deadline)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::send(fd, data + done, length - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n == 0) {
            return IoError;
        }
        const int rc = retryAfter(fd, POLLOUT, deadline);
        if (rc != IoOk) {
            return rc;
        }
    }
    return IoOk;
}

int readFull(int fd, char* data, size_t length, const Deadline& deadline, size_t* got)
{
    size_t done = 0;
    int result = IoOk;
    while (done < length) {
        const ssize_t n = ::recv(fd, data + done, length - done, MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n == 0) {
            result = IoClosed;
            break;
        }
        result = retryAfter(fd, POLLIN, deadline);
        if (result != IoOk) {
            break;
        }
    }
    if (got != nullptr) {
        *got = done;
    }
    return result;
}

int waitForEnd(int fd, const Deadline& deadline)
{
    char sink[256];
    for (;;) {
        const ssize_t n = ::recv(fd, sink, sizeof(sink), MSG_DONTWAIT);
        if (n == 0) {
            return IoOk;
        }
        if (n > 0) {
            continue;
        }
        const int rc = retryAfter(fd, POLLIN, deadline);
        if (rc != IoOk) {
            return rc;
        }
    }
}

void putU16BE(char* out, uint16_t value)
{
    const uint16_t be = htons(value);
    std::memcpy(out, &be, sizeof(be));
}

void putU32BE(char* out, uint32_t value)
{
    const uint32_t be = htonl(value);
    std::memcpy(out, &be, sizeof(be));
}

uint16_t getU16BE(const char* in)
{
    uint16_t be;
    std::memcpy(&be, in, sizeof(be));
    return ntohs(be);
}

uint32_t getU32BE(const char* in)
{
    uint32_t be;
    std::memcpy(&be, in, sizeof(be));
    return ntohl(be);
}

}  // namespace corvismsg::io
