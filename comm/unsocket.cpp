#include "comm/unsocket.h"

#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Writes everything; false on an error (errno set).
bool writen(int fd, const char* data, size_t length)
{
    size_t done = 0;
    while (done < length) {
        ssize_t n = ::send(fd, data + done, length - done, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK) {
            n = ::write(fd, data + done, length - done);
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Reads exactly `length` bytes; false on an error or an early end (errno 0 then).
bool readn(int fd, char* data, size_t length)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::read(fd, data + done, length - done);
        if (n == 0) {
            errno = 0;
            return false;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

const char* errorText()
{
    return errno == 0 ? "peer closed the connection" : std::strerror(errno);
}

}  // namespace

int init_unix_socket(const char* path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        LOG(ERROR) << "create unix socket failed:" << std::strerror(errno);
        return -1;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    // A longer path would be cut and might name another socket: refuse it.
    if (path == nullptr || std::strlen(path) > sizeof(addr.sun_path) - 1) {
        LOG(ERROR) << "connect to unix socket failed:" << std::strerror(ENAMETOOLONG);
        ::close(fd);
        return -2;
    }
    std::strncpy(addr.sun_path, path, sizeof(addr.sun_path) - 1);
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr));
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        LOG(ERROR) << "connect to unix socket failed:" << std::strerror(errno);
        ::close(fd);
        return -2;
    }
    // Commands go only to root or our own user: under a world-writable /tmp another user may hold
    // the path while the service is down.
    ucred cred{};
    socklen_t credLength = sizeof(cred);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &credLength) != 0) {
        LOG(ERROR) << "connect to unix socket failed: no credentials of the listener on " << path << ": "
                   << std::strerror(errno);
        ::close(fd);
        return -2;
    }
    if (cred.uid != 0 && cred.uid != ::geteuid()) {
        LOG(ERROR) << "connect to unix socket failed: the listener on " << path << " runs as uid " << cred.uid
                   << ", pid " << cred.pid << ", neither root nor our own user: nothing sent";
        ::close(fd);
        return -2;
    }
    return fd;
}

int send_message_to_unsocket(int fd, int proto, const std::string& body)
{
    if (fd < 0) {
        LOG(ERROR) << "invalid socket fd.";
        return -1;
    }
    const size_t total = 8 + body.size();
    char* frame = static_cast<char*>(std::malloc(total));
    if (frame == nullptr) {
        LOG(ERROR) << "malloc failed ,err:" << std::strerror(errno);
        return -2;
    }
    const uint16_t version = htons(1);
    const uint16_t protocol = htons(static_cast<uint16_t>(proto));
    const uint32_t length = htonl(static_cast<uint32_t>(body.size()));
    std::memcpy(frame, &version, 2);
    std::memcpy(frame + 2, &protocol, 2);
    std::memcpy(frame + 4, &length, 4);
    if (!body.empty()) {
        std::memcpy(frame + 8, body.data(), body.size());
    }
    const bool ok = writen(fd, frame, total);
    const int saved = errno;
    std::free(frame);
    if (!ok) {
        LOG(ERROR) << "writen failed, err:" << std::strerror(saved);
        return -3;
    }
    return 0;
}

int recv_message_from_unsocket(int fd, std::string& body)
{
    body.clear();
    if (fd < 0) {
        LOG(ERROR) << "invalid fd.";
        return -1;
    }
    uint16_t version = 0;
    if (!readn(fd, reinterpret_cast<char*>(&version), 2)) {
        LOG(ERROR) << "readn version failed, err:" << errorText();
        return -2;
    }
    uint16_t protocol = 0;
    if (!readn(fd, reinterpret_cast<char*>(&protocol), 2)) {
        LOG(ERROR) << "readn protocol failed, err:" << errorText();
        return -3;
    }
    uint32_t length = 0;
    if (!readn(fd, reinterpret_cast<char*>(&length), 4)) {
        LOG(ERROR) << "readn length failed, err:" << errorText();
        return -4;
    }
    length = ntohl(length);
    if (length == 0) {
        LOG(WARNING) << "recv msg_len = 0.";
        return 0;
    }
    // The length comes from the peer: bound it before allocating.
    if (length > kMaxFrameBody) {
        LOG(ERROR) << "msg_len too large: " << length << ", limit " << kMaxFrameBody;
        return -4;
    }
    char* data = static_cast<char*>(std::malloc(length));
    if (data == nullptr) {
        LOG(ERROR) << "malloc failed len:" << length << ", err:" << std::strerror(errno);
        return -5;
    }
    if (!readn(fd, data, length)) {
        LOG(ERROR) << "readn failed, err:" << errorText();
        std::free(data);
        return -6;
    }
    body.assign(data, length);
    std::free(data);
    return static_cast<int>(length);
}

int corvis_station_execute_cmd(const char* cmd)
{
    if (cmd == nullptr || *cmd == '\0') {
        LOG(ERROR) << "invalid cmd";
        return -1;
    }
    const std::string path = corvis::paths::stationSocket().toLocal8Bit().toStdString();
    const int fd = init_unix_socket(path.c_str());
    if (fd < 0) {
        LOG(ERROR) << "init unix socket failed.";
        return -2;
    }
    const int rc = send_message_to_unsocket(fd, kProtoExecuteCmd, cmd);
    ::close(fd);
    return rc;
}
