#pragma once

#include <QString>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

class ServerDeal;
class US_Server;

// The workbench's push server: a thread that serves its own socket and hands every message to
// its ServerDeal. The socket is bound when the object is made; run() serves until stop().
//
// The path is fixed, so another user can hold it (a plain file, a socket of theirs, a socket
// someone still serves). Then the server does not run deaf in silence: it logs why and who owns
// the path, emits listenFailed() once, and tries again every retry interval until the path can be
// made ours (only a stale socket of our own is ever removed).
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

    // Time between two attempts to listen after a failure; 5 s unless set.
    void setRetryIntervalMs(int ms);

signals:
    // The socket could not be made ours: no pushed message can arrive until it is. Emitted on the
    // GUI thread, once when listening fails after having worked (or at start).
    void listenFailed(QString reason, qlonglong ownerUid);
    // Listening again after a failure.
    void listeningAgain();

protected:
    void run() override;

private:
    bool tryListen();
    void serve();

    QString path_;
    QByteArray localPath_;
    ServerDeal* deal_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool failing_ = false;
    std::string lastFailure_;
    std::unique_ptr<US_Server> server_;
    std::atomic<int> retryMs_{5000};
};
