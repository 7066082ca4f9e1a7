#pragma once

#include <cstddef>
#include <cstdint>

// Socket helpers shared by the clients and the server of corvismsg.
namespace corvismsg::io {

// A monotonic deadline `ms` from now; remaining() is 0 once it has passed.
class Deadline
{
public:
    explicit Deadline(int ms);
    int remaining() const;
    bool expired() const { return remaining() == 0; }

private:
    int64_t end_;
};

int64_t nowMs();

// Creates a stream unix socket (close-on-exec) and connects it to `path`. Returns the descriptor
// or -1 with errno set (ENAMETOOLONG when the path does not fit the address; EACCES when the
// listener is neither root nor our own user, see trustedPeer).
int connectUnix(const char* path);

// Whether the process at the other end of `fd` (SO_PEERCRED: for a connecting client, the one that
// called listen()) is root or runs as our effective uid. When it is not, or its credentials cannot
// be read, an ERROR line names `path`, its uid and pid, and nothing must be sent: under a
// world-writable /tmp another user may bind a service's path while the service is down.
bool trustedPeer(int fd, const char* path);

enum IoResult { IoOk = 0, IoError = -1, IoTimeout = -2, IoClosed = -3 };

// Writes all `length` bytes before the deadline (no SIGPIPE). IoOk, IoError (errno) or IoTimeout.
int writeAll(int fd, const char* data, size_t length, const Deadline& deadline);

// Reads exactly `length` bytes before the deadline. IoOk; IoClosed when the peer ended the stream
// first (`*got` says how much arrived); IoError (errno); IoTimeout.
int readFull(int fd, char* data, size_t length, const Deadline& deadline, size_t* got = nullptr);

// Waits for the peer to end the stream, discarding anything it sends. IoOk on a clean end,
// IoError on a reset or another error, IoTimeout.
int waitForEnd(int fd, const Deadline& deadline);

void putU16BE(char* out, uint16_t value);
void putU32BE(char* out, uint32_t value);
uint16_t getU16BE(const char* in);
uint32_t getU32BE(const char* in);

}  // namespace corvismsg::io
