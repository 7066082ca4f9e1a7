#pragma once

#include <QString>
#include <QThread>

#include <memory>

class ServerDeal;
class US_Server;

// The workbench's push server: a thread that serves its own socket and hands every message to
// its ServerDeal. The socket is bound when the object is made; run() serves until stop().
class UnixServer : public QThread
{
    Q_OBJECT
public:
    explicit UnixServer(QString path, QObject* parent = nullptr);
    // Stops and waits for the thread; the socket file is removed.
    ~UnixServer() override;

    void stop();
    ServerDeal* severDeal() const { return deal_; }
    bool isListening() const;

protected:
    void run() override;

private:
    ServerDeal* deal_;
    std::unique_ptr<US_Server> server_;
};
