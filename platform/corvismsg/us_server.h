#pragma once

#include "platform/corvismsg/logthrottle.h"
#include "platform/corvismsg/msgoptions.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class PostDeal;
struct us_post_t;

// How a US_Server frames and guards its connections. The defaults are those of the push socket
// (wire format 3 of corvismsg.h).
struct US_ServerOptions {
    // A message (header included) must arrive whole within this time of the connection being
    // accepted (or of the previous frame, for streams); otherwise the connection is closed.
    int readTimeoutMs = 5000;
    // Largest message, header included; a longer one is dropped and its connection closed.
    int maxMessage = corvismsg::kMaxPushMessage;
    // > 0: messages have no header and are exactly this long (the request sockets, format 1).
    int fixedSize = 0;
    // Header word 0 must be 1 (format 3); off for the daemon's frames (format 2).
    bool checkVersion = true;
    // Several frames follow each other on one connection until the peer closes (format 2).
    bool stream = false;
    // Only uid 0 and our own effective uid may connect.
    bool checkPeer = true;
    unsigned int socketMode = 0666;
    int maxConnections = 256;
    // Log why the socket could not be set up (ERROR). A caller that retries and reports the
    // reason itself turns this off so that its retries stay quiet.
    bool logListenErrors = true;
};

// A server on one unix socket. The constructor binds and listens; Run() serves on the calling
// thread until Stop() is called from any thread. Every complete message is handed to the
// handler's Process() on that thread, in the order the messages completed.
class US_Server
{
public:
    US_Server(PostDeal* handler, const char* path);
    US_Server(PostDeal* handler, const char* path, const US_ServerOptions& options);
    ~US_Server();
    US_Server(const US_Server&) = delete;
    US_Server& operator=(const US_Server&) = delete;

    bool IsListening() const { return listenFd_ >= 0; }
    const std::string& Path() const { return path_; }
    // Why the socket could not be set up (empty when it listens), and the uid owning what holds
    // its path (-1 when nothing or unknown).
    const std::string& ListenError() const { return listenError_; }
    long ListenOwnerUid() const { return listenOwnerUid_; }

    // Serves until Stop(), then closes the socket and removes its file. Returns 0, or -1 when
    // the socket could not be set up.
    int Run();
    void Stop();

    // Used by PostDeal for the message being processed on this thread.
    static void closeCurrent();
    static int detachCurrent();

private:
    struct Connection {
        int fd = -1;
        std::vector<char> buffer;
        size_t have = 0;
        size_t need = 0;
        bool headerDone = false;
        int64_t deadline = 0;
        unsigned int uid = 0;
        int pid = 0;
    };

    bool listen();
    bool failListen(const std::string& reason, long ownerUid);
    // A WARNING about a dropped message or connection, at most one a second with the count.
    void warnDropped(const std::string& text);
    void closeListener();
    void acceptAll();
    bool admit(int fd, Connection& connection);
    // Reads what is ready; false when the connection is finished (closed or handed over).
    bool serve(Connection& connection);
    // Header complete: checks it and sets the body length; false when it is dropped.
    bool takeHeader(Connection& connection);
    // Whole message: hands it over; false when the connection is finished.
    bool dispatch(Connection& connection);
    void resetForNext(Connection& connection);
    void drop(Connection& connection);

    PostDeal* handler_;
    std::string path_;
    US_ServerOptions options_;
    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    unsigned long socketInode_ = 0;
    std::string listenError_;
    long listenOwnerUid_ = -1;
    corvismsg::LogThrottle refusedLog_;
    corvismsg::LogThrottle droppedLog_;
    std::atomic<bool> stop_{false};
    std::vector<std::unique_ptr<Connection>> connections_;
};
