#include "platform/corvismsg/us_server.h"

#include "platform/corvismsg/postdeal.h"
#include "platform/corvismsg/sockio.h"

#include <glog/logging.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace corvismsg;

namespace {

// The connection whose message Process() is handling on this thread.
struct CurrentPost {
    int fd = -1;
    bool closed = false;
    bool detached = false;
};
thread_local CurrentPost* t_current = nullptr;

}  // namespace

void US_Server::closeCurrent()
{
    if (t_current != nullptr && !t_current->closed && !t_current->detached) {
        ::close(t_current->fd);
        t_current->closed = true;
    }
}

int US_Server::detachCurrent()
{
    if (t_current == nullptr || t_current->closed || t_current->detached) {
        return -1;
    }
    const int flags = ::fcntl(t_current->fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(t_current->fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    t_current->detached = true;
    return t_current->fd;
}

US_Server::US_Server(PostDeal* handler, const char* path) : US_Server(handler, path, US_ServerOptions()) {}

US_Server::US_Server(PostDeal* handler, const char* path, const US_ServerOptions& options)
    : handler_(handler), path_(path != nullptr ? path : ""), options_(options)
{
    if (::pipe2(wakeFds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        PLOG(ERROR) << "US_Server: no wake-up pipe";
        listenError_ = "no wake-up pipe";
        wakeFds_[0] = wakeFds_[1] = -1;
        return;
    }
    listen();
}

US_Server::~US_Server()
{
    for (auto& connection : connections_) {
        ::close(connection->fd);
    }
    closeListener();
    for (int fd : wakeFds_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void US_Server::closeListener()
{
    if (listenFd_ < 0) {
        return;
    }
    ::close(listenFd_);
    listenFd_ = -1;
    // Remove the socket file only while it is still ours.
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_ino == socketInode_) {
        ::unlink(path_.c_str());
    }
}

namespace {

// Whether some process accepts connections on the socket at `path`.
bool socketServed(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), std::min(path.size(), sizeof(addr.sun_path) - 1));
    const int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr));
    // A full backlog (EAGAIN) is a served socket too.
    const bool served = rc == 0 || errno == EAGAIN || errno == EINPROGRESS;
    ::close(fd);
    return served;
}

}  // namespace

void US_Server::warnDropped(const std::string& text)
{
    uint64_t leftOut = 0;
    if (droppedLog_.allow(&leftOut)) {
        LOG(WARNING) << "US_Server " << path_ << ": " << text
                     << (leftOut > 0 ? " (" + std::to_string(leftOut) + " more dropped since the last line)" : std::string());
    }
}

bool US_Server::failListen(const std::string& reason, long ownerUid)
{
    listenError_ = reason;
    listenOwnerUid_ = ownerUid;
    if (options_.logListenErrors) {
        LOG(ERROR) << "US_Server: " << path_ << " " << reason;
    }
    return false;
}

bool US_Server::listen()
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path_.empty() || path_.size() >= sizeof(addr.sun_path)) {
        return failListen("socket path too long or empty", -1);
    }
    std::memcpy(addr.sun_path, path_.c_str(), path_.size());

    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0) {
        const long owner = static_cast<long>(st.st_uid);
        if (!S_ISSOCK(st.st_mode)) {
            return failListen("exists and is not a socket (owner uid " + std::to_string(owner) + "); not replaced",
                              owner);
        }
        // Only a socket left behind by an earlier run of ours is removed: another user's socket
        // or one that is still served stays where it is.
        if (st.st_uid != ::geteuid()) {
            return failListen("is a socket of uid " + std::to_string(owner) + ", not ours; not replaced", owner);
        }
        if (socketServed(path_)) {
            return failListen("is served by another process (owner uid " + std::to_string(owner) + "); not replaced",
                              owner);
        }
        ::unlink(path_.c_str());
    }

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return failListen(std::string("socket() failed: ") + std::strerror(errno), -1);
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
        const int err = errno;
        ::close(fd);
        long owner = -1;
        if (::lstat(path_.c_str(), &st) == 0) {
            owner = static_cast<long>(st.st_uid);
        }
        return failListen(std::string("bind failed: ") + std::strerror(err), owner);
    }
    ::chmod(path_.c_str(), options_.socketMode);
    if (::listen(fd, 128) != 0) {
        const int err = errno;
        ::close(fd);
        ::unlink(path_.c_str());
        return failListen(std::string("listen failed: ") + std::strerror(err), -1);
    }
    if (::lstat(path_.c_str(), &st) == 0) {
        socketInode_ = st.st_ino;
    }
    listenError_.clear();
    listenOwnerUid_ = -1;
    listenFd_ = fd;
    return true;
}

void US_Server::Stop()
{
    stop_.store(true);
    if (wakeFds_[1] >= 0) {
        const char byte = 1;
        while (::write(wakeFds_[1], &byte, 1) < 0 && errno == EINTR) {
        }
    }
}

int US_Server::Run()
{
    if (listenFd_ < 0 || wakeFds_[0] < 0) {
        return -1;
    }
    std::vector<pollfd> fds;
    while (!stop_.load()) {
        fds.clear();
        fds.push_back({wakeFds_[0], POLLIN, 0});
        const bool accepting = static_cast<int>(connections_.size()) < options_.maxConnections;
        fds.push_back({accepting ? listenFd_ : -1, POLLIN, 0});
        int64_t nearest = -1;
        for (const auto& connection : connections_) {
            fds.push_back({connection->fd, POLLIN, 0});
            if (nearest < 0 || connection->deadline < nearest) {
                nearest = connection->deadline;
            }
        }
        int timeout = -1;
        if (nearest >= 0) {
            timeout = static_cast<int>(std::max<int64_t>(0, nearest - io::nowMs()));
        }
        const int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            PLOG(ERROR) << "US_Server: poll failed";
            return -1;
        }
        if (fds[0].revents != 0) {
            char sink[64];
            while (::read(wakeFds_[0], sink, sizeof(sink)) > 0) {
            }
            if (stop_.load()) {
                break;
            }
        }
        // Established connections first, oldest first, so that messages keep their order.
        const size_t count = connections_.size();
        std::vector<Connection*> finished;
        for (size_t i = 0; i < count; ++i) {
            if (fds[i + 2].revents == 0) {
                continue;
            }
            if (!serve(*connections_[i])) {
                finished.push_back(connections_[i].get());
            }
        }
        const int64_t now = io::nowMs();
        for (auto& connection : connections_) {
            if (connection->fd >= 0 && connection->deadline <= now &&
                std::find(finished.begin(), finished.end(), connection.get()) == finished.end()) {
                warnDropped("no whole message within " + std::to_string(options_.readTimeoutMs) + " ms (" +
                            std::to_string(connection->have) + " bytes), connection of pid " +
                            std::to_string(connection->pid) + " closed");
                drop(*connection);
                finished.push_back(connection.get());
            }
        }
        connections_.erase(std::remove_if(connections_.begin(), connections_.end(),
                                          [&](const std::unique_ptr<Connection>& c) {
                                              return std::find(finished.begin(), finished.end(), c.get()) !=
                                                     finished.end();
                                          }),
                           connections_.end());
        if (fds[1].revents != 0) {
            acceptAll();
        }
    }
    for (auto& connection : connections_) {
        ::close(connection->fd);
    }
    connections_.clear();
    // A stopped server takes nothing more: senders see the socket gone, not a silent queue.
    closeListener();
    return 0;
}

void US_Server::acceptAll()
{
    while (static_cast<int>(connections_.size()) < options_.maxConnections) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                PLOG(WARNING) << "US_Server " << path_ << ": accept failed";
            }
            return;
        }
        auto connection = std::make_unique<Connection>();
        if (!admit(fd, *connection)) {
            ::close(fd);
            continue;
        }
        connections_.push_back(std::move(connection));
    }
}

bool US_Server::admit(int fd, Connection& connection)
{
    ucred cred{};
    socklen_t length = sizeof(cred);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0) {
        PLOG(WARNING) << "US_Server " << path_ << ": no peer credentials, connection closed";
        return false;
    }
    if (options_.checkPeer && cred.uid != 0 && cred.uid != ::geteuid()) {
        uint64_t leftOut = 0;
        if (refusedLog_.allow(&leftOut)) {
            LOG(WARNING) << "US_Server " << path_ << ": refused a connection from uid " << cred.uid << ", pid "
                         << cred.pid
                         << (leftOut > 0 ? " (" + std::to_string(leftOut) + " more refused since the last line)"
                                         : std::string());
        }
        return false;
    }
    connection.fd = fd;
    connection.uid = cred.uid;
    connection.pid = cred.pid;
    resetForNext(connection);
    return true;
}

void US_Server::resetForNext(Connection& connection)
{
    connection.have = 0;
    connection.headerDone = options_.fixedSize > 0;
    connection.need = options_.fixedSize > 0 ? static_cast<size_t>(options_.fixedSize) : kHeaderSize;
    if (connection.buffer.size() < connection.need) {
        connection.buffer.resize(connection.need);
    }
    connection.deadline = io::nowMs() + options_.readTimeoutMs;
}

void US_Server::drop(Connection& connection)
{
    if (connection.fd >= 0) {
        ::close(connection.fd);
        connection.fd = -1;
    }
}

bool US_Server::serve(Connection& connection)
{
    for (;;) {
        // Never more than the current part of the message: the rest belongs to the next frame.
        const ssize_t n = ::recv(connection.fd, connection.buffer.data() + connection.have,
                                 connection.need - connection.have, 0);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                return true;
            }
            warnDropped(std::string("read failed: ") + std::strerror(errno) + ", connection closed");
            drop(connection);
            return false;
        }
        if (n == 0) {
            if (connection.have > 0) {
                warnDropped("peer closed after " + std::to_string(connection.have) + " of " +
                            std::to_string(connection.need) + " bytes, message dropped");
            }
            drop(connection);
            return false;
        }
        connection.have += static_cast<size_t>(n);
        if (connection.have < connection.need) {
            continue;
        }
        if (!connection.headerDone) {
            if (!takeHeader(connection)) {
                drop(connection);
                return false;
            }
            if (connection.have < connection.need) {
                continue;
            }
        }
        if (!dispatch(connection)) {
            return false;
        }
    }
}

bool US_Server::takeHeader(Connection& connection)
{
    const char* header = connection.buffer.data();
    const uint16_t version = io::getU16BE(header);
    const uint32_t bodyLength = io::getU32BE(header + 4);
    if (options_.checkVersion && version != 1) {
        warnDropped("message of version " + std::to_string(version) + " dropped, connection closed");
        return false;
    }
    if (bodyLength > static_cast<uint32_t>(options_.maxMessage - kHeaderSize)) {
        warnDropped("message of " + std::to_string(bodyLength + uint64_t{kHeaderSize}) + " bytes exceeds " +
                    std::to_string(options_.maxMessage) + ", dropped, connection closed");
        return false;
    }
    connection.headerDone = true;
    connection.need = kHeaderSize + bodyLength;
    if (connection.buffer.size() < connection.need) {
        connection.buffer.resize(connection.need);
    }
    return true;
}

bool US_Server::dispatch(Connection& connection)
{
    CurrentPost current;
    current.fd = connection.fd;
    us_post_t post{connection.fd, connection.buffer.data(), static_cast<int>(connection.have)};
    if (handler_ != nullptr) {
        t_current = &current;
        handler_->Process(&post);
        t_current = nullptr;
    }
    if (current.detached || current.closed) {
        connection.fd = -1;
        return false;
    }
    if (!options_.stream) {
        drop(connection);
        return false;
    }
    resetForNext(connection);
    return true;
}
