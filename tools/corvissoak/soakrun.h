#pragma once

#include "comm/clientreq.h"
#include "comm/serverreq.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QProcess>
#include <QSet>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

class UnixServer;

// One soak run in this process: requests through UiComm against corvissim (echoed answers,
// hangs, closed connections, empty and refused replies, restarts of the service), pushes from
// four senders to the push server (with malformed messages and, as root, a sender of another
// user mixed in), and a login and a logout every 10 s. At the end it checks that every request
// got exactly one result, every allowed push arrived in its sender's order, and memory stayed
// within 10% of what it was after the first minute; the figures go to standard output.
class SoakRun : public QObject
{
    Q_OBJECT
public:
    struct Options {
        int seconds = 1800;
        int requests = 100000;
        int pushes = 200000;
        int restartEverySeconds = 90;
        int maxInFlight = 64;
        QString simProgram;
        QString prefix;
    };

    explicit SoakRun(const Options& options);
    ~SoakRun() override;

    // Runs to the end; 0 when every check held.
    int run();

private:
    enum Kind { Echo, Hang, Close, Empty, Refused, KindCount };

    bool startSim();
    void stopSim();
    void issueRequests();
    void issue(int kind);
    void issueUpTo(int due);
    void onResult(ClientReq req, const QString& resMsg, const QString& extra, bool failed);
    void onPush(ServerReq req, const QString& text, int arg);
    void onWindowStatus(ServerReq req);
    void loginCycle();
    void restartSim();
    void sample();
    void finish();
    void sender(int index, int count);
    void foreignPush();
    int report();

    Options options_;
    QProcess sim_;
    std::unique_ptr<UnixServer> server_;
    QElapsedTimer clock_;
    QTimer pacer_;
    QTimer loginTimer_;
    QTimer restartTimer_;
    QTimer sampler_;
    QTimer foreignTimer_;

    int issued_ = 0;
    int nextId_ = 0;
    int inFlight_ = 0;
    int sent_[KindCount] = {};
    int results_[KindCount] = {};
    int answered_[KindCount] = {};
    int anonymousFailures_[KindCount] = {};
    int unexpected_[KindCount] = {};
    QSet<QString> outstanding_[KindCount];
    int duplicates_ = 0;
    int logins_ = 0;
    int loginResults_ = 0;
    int logouts_ = 0;
    int uplines_ = 0;
    int downlines_ = 0;
    int restarts_ = 0;
    int restartFailures_ = 0;

    std::vector<std::thread> senders_;
    std::atomic<bool> stopSenders_{false};
    std::atomic<int> sendersDone_{0};
    std::atomic<int> pushesSent_[4] = {};
    std::atomic<int> pushesFailed_[4] = {};
    std::atomic<int> malformedSent_{0};
    int foreignSent_ = 0;
    int foreignRefusedByServer_ = 0;
    int foreignUnreachable_ = 0;
    std::vector<int> pushesDelivered_;
    std::vector<int> lastSeq_;
    int outOfOrder_ = 0;
    int strayPushes_ = 0;

    qint64 rssAfterMinute_ = -1;
    qint64 rssEnd_ = -1;
    qint64 heapAfterMinute_ = -1;
    qint64 heapEnd_ = -1;
    qint64 rssPeak_ = 0;
    int threadsPeak_ = 0;
    int threadsStart_ = 0;
    int samples_ = 0;
    bool finished_ = false;
};
