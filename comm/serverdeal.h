#pragma once

#include "comm/serverreq.h"
#include "platform/corvismsg/postdeal.h"

#include <QObject>
#include <QString>

// Decodes the messages pushed to the workbench's socket and emits them. Process() runs on the
// push server's thread; the receivers live in the GUI thread, so every signal is queued and
// handled there in arrival order.
class ServerDeal : public QObject, public PostDeal
{
    Q_OBJECT
public:
    // Header and body of one message, at most.
    static constexpr int kWorkingSize = 64512;

    explicit ServerDeal(QObject* parent = nullptr);

    int Process(us_post_t* post) override;

    // Dispatches one body of `length` bytes: command word, argument word, text. `body` must have
    // room for one byte more, where the text is terminated.
    void _parseProtocol(char* body, int length);

signals:
    void sendServerMsg(ServerReq req, const QString& text, int arg);
    void sendWindowStatusChanged(ServerReq req);
    void sendOpenWindow(ServerReq req);
    void sendSandboxReady(const QString& text);

private:
    void _changeWindowStatus(ServerReq req);
    void _openWindow(ServerReq req);
};
