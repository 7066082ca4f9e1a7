#pragma once

#include "comm/serverreq.h"
#include "corviscommon/logthrottle.h"
#include "platform/corvismsg/postdeal.h"

#include <QObject>
#include <QString>

#include <atomic>

// Decodes the messages pushed to the workbench's socket and emits them. Process() runs on the
// push server's thread; the receivers live in the GUI thread, so every signal is queued and
// handled there in arrival order.
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
    // Follows every message emitted off the GUI thread; its queued slot runs after the message's
    // receivers and counts it as handled.
    void delivered(qint64 bytes, QPrivateSignal);

private:
    void _changeWindowStatus(ServerReq req);
    void _openWindow(ServerReq req);
    // Whether a message of `cmd` with `text` may go to the GUI thread now; counts it when so.
    bool admit(uint16_t cmd, const QString& text, qint64* bytes);
    void sent(qint64 bytes);
    void onDelivered(qint64 bytes);

    std::atomic<int> pending_{0};
    std::atomic<qint64> pendingBytes_{0};
    std::atomic<quint64> dropped_{0};
    std::atomic<int> maxPending_{kMaxPending};
    // Warnings a flood may repeat: one line a second, with the count.
    corvis::LogThrottle droppedLog_;
    corvis::LogThrottle unknownLog_;
};
