#pragma once

#include "comm/serverreq.h"
#include "corviscommon/logthrottle.h"
#include "platform/corvismsg/postdeal.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <deque>
#include <mutex>

// Decodes the messages pushed to the workbench's socket and emits them. Process() runs on the
// push server's thread; the receivers live in the GUI thread: the messages wait in one queue and
// are emitted there in arrival order, those that arrived together in one pass of the event loop.
//
// The way to the GUI thread is bounded: while kMaxPending messages (or kMaxPendingBytes of text)
// wait there unhandled, a further message is dropped with a WARNING (at most one line a second,
// with the count; so are unknown codes). A flood of pushes must not grow the process without end
// while the GUI thread is busy.
class ServerDeal : public QObject, public PostDeal
{
    Q_OBJECT
public:
    // Header and body of one message, at most.
    static constexpr int kWorkingSize = 64512;
    static constexpr int kMaxPending = 2000;
    static constexpr qint64 kMaxPendingBytes = 32 * 1024 * 1024;

    explicit ServerDeal(QObject* parent = nullptr);

    int Process(us_post_t* post) override;

    // Dispatches one body of `length` bytes: command word, argument word, text. `body` must have
    // room for one byte more, where the text is terminated.
    void _parseProtocol(char* body, int length);

    // Messages handed to the GUI thread and not handled there yet; messages dropped so far.
    int pending() const { return pending_.load(); }
    quint64 dropped() const { return dropped_.load(); }
    // A lower bound on waiting messages, for tests (0: kMaxPending).
    void setMaxPending(int messages);

signals:
    void sendServerMsg(ServerReq req, const QString& text, int arg);
    void sendWindowStatusChanged(ServerReq req);
    void sendOpenWindow(ServerReq req);
    void sendSandboxReady(const QString& text);

private:
    // One decoded message on its way to the GUI thread.
    struct Message {
        enum Kind { Server, WindowStatus, OpenWindow, SandboxReady } kind = Server;
        ServerReq req = ServerReq();
        QString text;
        int arg = 0;
        qint64 bytes = 0;
    };

    void _changeWindowStatus(ServerReq req);
    void _openWindow(ServerReq req);
    // Emits it now on the GUI thread, or queues it there when there is room for a message of
    // `text` (else drops it).
    void deliver(uint16_t cmd, const QString& text, Message message);
    // Whether a message of `cmd` with `text` may go to the GUI thread now; counts it when so.
    bool admit(uint16_t cmd, const QString& text, qint64* bytes);
    void emitMessage(const Message& message);
    // On the GUI thread: emits what waits, in order.
    void drain();

    std::atomic<int> pending_{0};
    std::atomic<qint64> pendingBytes_{0};
    std::atomic<quint64> dropped_{0};
    std::atomic<int> maxPending_{kMaxPending};
    std::mutex queueMutex_;
    std::deque<Message> queue_;
    // A drain() is posted and has not started yet.
    bool drainPosted_ = false;
    // Warnings a flood may repeat: one line a second, with the count.
    corvis::LogThrottle droppedLog_;
    corvis::LogThrottle unknownLog_;
};
