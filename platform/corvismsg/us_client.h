#pragma once

// A client of one service socket: one connection per exchange (wire formats 1 and 3 of
// corvismsg.h). Not shared between threads.
class US_Client
{
public:
    US_Client();
    ~US_Client();
    US_Client(const US_Client&) = delete;
    US_Client& operator=(const US_Client&) = delete;

    // Connects to the unix socket `path`. `timeoutSec` is this connection's receive time-out in
    // seconds (0: the library's, corvismsg::receiveTimeoutMs()); `type` is the socket type and
    // must be 1 (a stream). Returns 1 when connected, -1 otherwise (errno tells why).
    int InitConn(unsigned short timeoutSec, unsigned short type, const char* path);

    // Writes the whole buffer. 0 when sent; -1 not connected or write failed; -2 time-out.
    int SendMessage(char* buffer, int length);

    // Reads exactly `length` bytes. Returns `length`; 0 when the peer closed before anything
    // arrived; -1 when it closed early or on an error; -2 on time-out.
    int RecvMessage(char* buffer, int length);

    // Sends one pushed message (code, argument and text) and waits until the server has read it
    // and closed the connection. 0 delivered; -1 not connected or write failed; -2 time-out;
    // -3 refused (the server reset the connection) or the text is too long.
    int PostMessage(unsigned short code, unsigned short arg, const char* text, int length);

    void CloseConn();

    int fd() const { return fd_; }

private:
    int fd_ = -1;
    int timeoutMs_ = 0;
};
