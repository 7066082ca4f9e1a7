// Arbitrary bytes from a peer, read as one frame of our own framing through a socket pair.

#include "comm/unsocket.h"

#include <glog/logging.h>

#include <cstdint>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The failure lines are part of the path but would drown the fuzzer's output.
    FLAGS_minloglevel = google::GLOG_FATAL;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        return 0;
    }
    // What fits the pair's buffer is sent, then the peer ends the stream.
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::send(fds[0], data + done, size - done, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    ::shutdown(fds[0], SHUT_WR);
    std::string body;
    const int rc = recv_message_from_unsocket(fds[1], body);
    if (rc >= 0 && static_cast<size_t>(rc) != body.size()) {
        __builtin_trap();
    }
    if (rc < 0 && !body.empty()) {
        __builtin_trap();
    }
    ::close(fds[0]);
    ::close(fds[1]);
    return 0;
}
