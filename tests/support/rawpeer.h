#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

// Peers written only from the wire formats, with plain POSIX sockets and nothing of our
// messaging library, so that what the workbench puts on a socket is checked independently.

// A service on one unix socket: reads each 64502-byte request and answers it with the reply the
// test's function chooses. One connection at a time.
class RawServicePeer
{
public:
    struct Request {
        uint16_t type = 0;
        QByteArray param;  // up to the first NUL
    };
    struct Reply {
        enum Action { Answer, Close, Hang, ReadOnly } action = Answer;
        uint16_t type = 0;
        uint16_t status = 0;
        QByteArray text;
        // Answer with only this many bytes of the reply buffer, then close (-1: all of it).
        int cut = -1;
    };
    using Answer = std::function<Reply(const Request&)>;

    RawServicePeer(const QString& path, Answer answer);
    ~RawServicePeer();
    bool isListening() const { return listenFd_ >= 0; }
    QList<Request> requests() const;

private:
    void loop();
    void serve(int fd);

    QString path_;
    Answer answer_;
    int listenFd_ = -1;
    int wake_[2] = {-1, -1};
    std::thread thread_;
    mutable QMutex mutex_;
    QList<Request> requests_;
    std::vector<int> held_;
};

// A pushed message as the wire format describes it: header (version, code, length; big-endian)
// and body (command, argument; host order; then the text).
QByteArray rawPushMessage(uint16_t code, uint16_t arg, const QByteArray& text, uint16_t version = 1);
// Connects, writes `bytes`, and waits for the server to close. 0 on a clean close after all was
// written; -1 no socket; -2 reset or write refused; -3 no close within 10 s.
int rawSend(const QString& path, const QByteArray& bytes);
// Forks a child that becomes `uid` (user and group), connects to `path` and writes `bytes`, and
// waits for it. Its exit status: 0 when the server refused it (reset the connection), 1 when the
// server read it and closed, 10 when it could not switch user, 11 when it could not connect.
// `pid` gets the child's process id. Needs root.
int sendAsUser(unsigned int uid, const QString& path, const QByteArray& bytes, int* pid);
// Connects and returns the descriptor (-1 when it fails); for tests that hold a connection.
int rawConnect(const QString& path);

// A listener on a unix socket path that runs as another user: a forked child binds `path`, becomes
// `uid` (user and group) and then listens, so that a connecting client sees that uid and the
// child's pid in SO_PEERCRED. It accepts every connection and counts the bytes it is sent. Ended
// (killed) with the object. Needs root.
class ForeignListener
{
public:
    ForeignListener(unsigned int uid, const QString& path);
    ~ForeignListener();
    ForeignListener(const ForeignListener&) = delete;
    ForeignListener& operator=(const ForeignListener&) = delete;

    // True once the child listens (waits up to 10 s for it).
    bool waitListening();
    int pid() const { return pid_; }
    // Connections accepted and bytes received so far.
    int connections();
    qint64 bytesReceived();

private:
    void drain();

    int pid_ = -1;
    int report_ = -1;
    bool listening_ = false;
    int connections_ = 0;
    qint64 bytes_ = 0;
};
