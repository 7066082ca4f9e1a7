#include "rawpeer.h"

#include <QMutexLocker>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool fillAddress(const QString& path, sockaddr_un& addr)
{
    const QByteArray local = path.toLocal8Bit();
    if (static_cast<size_t>(local.size()) >= sizeof(addr.sun_path)) {
        return false;
    }
    std::memset(&addr, 0, sizeof(addr));
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, local.constData(), static_cast<size_t>(local.size()));
    return true;
}

bool readExactly(int fd, char* data, size_t length)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::read(fd, data + done, length - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool writeExactly(int fd, const char* data, size_t length)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::send(fd, data + done, length - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

RawServicePeer::RawServicePeer(const QString& path, Answer answer) : path_(path), answer_(std::move(answer))
{
    sockaddr_un addr{};
    if (!fillAddress(path, addr) || ::pipe2(wake_, O_CLOEXEC) != 0) {
        return;
    }
    ::unlink(addr.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return;
    }
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        return;
    }
    listenFd_ = fd;
    thread_ = std::thread([this]() { loop(); });
}

RawServicePeer::~RawServicePeer()
{
    if (thread_.joinable()) {
        const char byte = 1;
        (void)!::write(wake_[1], &byte, 1);
        thread_.join();
    }
    for (int fd : held_) {
        ::close(fd);
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(path_.toLocal8Bit().constData());
    }
    for (int fd : wake_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

QList<RawServicePeer::Request> RawServicePeer::requests() const
{
    QMutexLocker lock(&mutex_);
    return requests_;
}

void RawServicePeer::loop()
{
    for (;;) {
        pollfd fds[2] = {{wake_[0], POLLIN, 0}, {listenFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[0].revents != 0) {
            return;
        }
        if (fds[1].revents != 0) {
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                serve(fd);
            }
        }
    }
}

void RawServicePeer::serve(int fd)
{
    std::vector<char> request(64502);
    if (!readExactly(fd, request.data(), request.size())) {
        ::close(fd);
        return;
    }
    Request received;
    std::memcpy(&received.type, request.data(), 2);
    received.param = QByteArray(request.data() + 2, static_cast<int>(::strnlen(request.data() + 2, 64500)));
    {
        QMutexLocker lock(&mutex_);
        requests_.append(received);
    }
    const Reply reply = answer_(received);
    switch (reply.action) {
    case Reply::Hang:
        held_.push_back(fd);
        return;
    case Reply::Close:
    case Reply::ReadOnly:
        ::close(fd);
        return;
    case Reply::Answer:
        break;
    }
    std::vector<char> buffer(64500, '\0');
    std::memcpy(buffer.data(), &reply.type, 2);
    std::memcpy(buffer.data() + 2, &reply.status, 2);
    std::memcpy(buffer.data() + 4, reply.text.constData(), std::min<size_t>(static_cast<size_t>(reply.text.size()), 64495));
    const size_t length = reply.cut >= 0 ? static_cast<size_t>(reply.cut) : buffer.size();
    writeExactly(fd, buffer.data(), length);
    ::close(fd);
}

QByteArray rawPushMessage(uint16_t code, uint16_t arg, const QByteArray& text, uint16_t version)
{
    QByteArray message(12, '\0');
    const uint16_t v = htons(version);
    const uint16_t c = htons(code);
    const uint32_t length = htonl(static_cast<uint32_t>(4 + text.size()));
    std::memcpy(message.data(), &v, 2);
    std::memcpy(message.data() + 2, &c, 2);
    std::memcpy(message.data() + 4, &length, 4);
    std::memcpy(message.data() + 8, &code, 2);
    std::memcpy(message.data() + 10, &arg, 2);
    return message + text;
}

int rawConnect(const QString& path)
{
    sockaddr_un addr{};
    if (!fillAddress(path, addr)) {
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int rawSend(const QString& path, const QByteArray& bytes)
{
    const int fd = rawConnect(path);
    if (fd < 0) {
        return -1;
    }
    int result = writeExactly(fd, bytes.constData(), static_cast<size_t>(bytes.size())) ? 0 : -2;
    if (result == 0) {
        ::shutdown(fd, SHUT_WR);
        char sink[64];
        for (;;) {
            // A server that never closes is a failure, not a hung test.
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 10000) != 1) {
                result = -3;
                break;
            }
            const ssize_t n = ::read(fd, sink, sizeof(sink));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                result = -2;
            }
            if (n <= 0) {
                break;
            }
        }
    }
    ::close(fd);
    return result;
}

int sendAsUser(unsigned int uid, const QString& path, const QByteArray& bytes, int* pid)
{
    sockaddr_un addr{};
    if (!fillAddress(path, addr)) {
        return 11;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        // Only plain system calls in the child of a threaded process.
        if (::setgid(uid) != 0 || ::setuid(uid) != 0) {
            ::_exit(10);
        }
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
            ::_exit(11);
        }
        if (::send(fd, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL) < 0) {
            ::_exit(errno == EPIPE || errno == ECONNRESET ? 0 : 12);
        }
        char byte;
        const ssize_t n = ::read(fd, &byte, 1);
        ::_exit(n < 0 && errno == ECONNRESET ? 0 : 1);
    }
    if (pid != nullptr) {
        *pid = child;
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

namespace {

// Records the child reports on its pipe: 'L' listening, 'C' a connection, 'B' with a count.
struct ListenerReport {
    char kind;
    uint32_t value;
};

}  // namespace

ForeignListener::ForeignListener(unsigned int uid, const QString& path)
{
    sockaddr_un addr{};
    int pipeFds[2];
    if (!fillAddress(path, addr) || ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        // Only plain system calls in the child of a threaded process.
        ::close(pipeFds[0]);
        const int out = pipeFds[1];
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ::unlink(addr.sun_path);
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
            ::_exit(11);
        }
        if (::setgid(uid) != 0 || ::setuid(uid) != 0 || ::listen(fd, 64) != 0) {
            ::_exit(10);
        }
        // Set after the change of user, which clears it: the child never outlives the test.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ListenerReport report{'L', 0};
        if (::write(out, &report, sizeof report) != sizeof report) {
            ::_exit(12);
        }
        for (;;) {
            const int connection = ::accept(fd, nullptr, nullptr);
            if (connection < 0) {
                continue;
            }
            report = {'C', 0};
            if (::write(out, &report, sizeof report) != sizeof report) {
                ::_exit(12);
            }
            char buffer[4096];
            for (;;) {
                pollfd p{connection, POLLIN, 0};
                // A client that sends nothing is let go after a while.
                if (::poll(&p, 1, 2000) <= 0) {
                    break;
                }
                const ssize_t n = ::read(connection, buffer, sizeof buffer);
                if (n <= 0) {
                    break;
                }
                report = {'B', static_cast<uint32_t>(n)};
                if (::write(out, &report, sizeof report) != sizeof report) {
                    ::_exit(12);
                }
            }
            ::close(connection);
        }
    }
    ::close(pipeFds[1]);
    if (child < 0) {
        ::close(pipeFds[0]);
        return;
    }
    pid_ = child;
    report_ = pipeFds[0];
}

ForeignListener::~ForeignListener()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (report_ >= 0) {
        ::close(report_);
    }
}

void ForeignListener::drain()
{
    if (report_ < 0) {
        return;
    }
    for (;;) {
        pollfd p{report_, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0 || (p.revents & POLLIN) == 0) {
            return;
        }
        ListenerReport report{};
        if (!readExactly(report_, reinterpret_cast<char*>(&report), sizeof report)) {
            ::close(report_);
            report_ = -1;
            return;
        }
        switch (report.kind) {
        case 'L':
            listening_ = true;
            break;
        case 'C':
            ++connections_;
            break;
        case 'B':
            bytes_ += report.value;
            break;
        default:
            break;
        }
    }
}

bool ForeignListener::waitListening()
{
    for (int i = 0; i < 1000 && !listening_ && report_ >= 0; ++i) {
        drain();
        if (!listening_) {
            ::usleep(10000);
        }
    }
    return listening_;
}

int ForeignListener::connections()
{
    drain();
    return connections_;
}

qint64 ForeignListener::bytesReceived()
{
    drain();
    return bytes_;
}
