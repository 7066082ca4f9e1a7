#pragma once

// The daemon's client: one stream connection from Init() to Destroy(), carrying frames of wire
// format 2 of corvismsg.h. Not shared between threads.
class TCP_Client
{
public:
    // The connection settings: the socket type (1, a unix stream socket is the only kind), the
    // socket path, and the send time-out (0: corvismsg::receiveTimeoutMs()).
    struct Option {
        int type = 1;
        char path[108] = {};
        int timeoutMs = 0;
    };

    TCP_Client();
    ~TCP_Client();
    TCP_Client(const TCP_Client&) = delete;
    TCP_Client& operator=(const TCP_Client&) = delete;

    // Connects. Returns 1 when connected, 0 or below on failure (errno tells why).
    int Init(Option& option);

    // Writes one frame. 0 when written; -1 not connected, bad arguments or write failed;
    // -2 time-out.
    int SendMessage(unsigned short module, unsigned short command, const char* data, int length);

    void Destroy();

private:
    int fd_ = -1;
    int timeoutMs_ = 0;
};
