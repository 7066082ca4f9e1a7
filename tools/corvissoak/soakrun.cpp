#include "soakrun.h"

#include "comm/serverdeal.h"
#include "comm/uicomm.h"
#include "comm/unixserver.h"
#include "corviscommon/productpath.h"
#include "platform/corvismsg/us_client.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVIS_SOAK_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define CORVIS_SOAK_ASAN 1
#endif
#ifdef CORVIS_SOAK_ASAN
#include <sanitizer/allocator_interface.h>
#endif

namespace {

constexpr ClientReq kKindReq[] = {CReqClientPortalRefresh101, CReqClientPortalRefresh102, CReqClientCollect,
                                  CReqClient105, CReqClientAppforCombobox};
const char* const kKindName[] = {"echo", "hang", "close", "empty reply", "refused"};
// Shares of the requests, in percent, by kind.
constexpr int kKindShare[] = {82, 3, 5, 5, 5};

const char* const kScenario = R"({"corvisclient": {
  "0x0114": {"echo": true},
  "0x0115": {"hang": true},
  "0x0116": {"close": true},
  "0x011d": {"replyType": 0},
  "0x0137": {"status": 9, "echo": true},
  "0x0113": {"reply": "{}", "push": [{"code": "0x0300"}]},
  "0x9002": {"push": [{"code": "0x0301"}]}
}})";

constexpr unsigned short kSenderTimeoutSec = 10;

qint64 rssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

// The bytes the program holds on its heap, without the sanitizer's quarantine and free lists; -1
// when the sanitizer's allocator is not there to ask.
qint64 heapKb()
{
#ifdef CORVIS_SOAK_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes() / 1024);
#else
    return -1;
#endif
}

int threadCount()
{
    return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
}

int kindOf(ClientReq req)
{
    for (int kind = 0; kind < 5; ++kind) {
        if (kKindReq[kind] == req) {
            return kind;
        }
    }
    return -1;
}

// A pushed message as the wire format has it (header big-endian, body words in host order).
QByteArray pushMessage(uint16_t version, uint16_t code, uint16_t arg, const QByteArray& text)
{
    QByteArray message(8 + 4, '\0');
    const uint16_t v = htons(version);
    const uint16_t c = htons(code);
    const uint32_t length = htonl(static_cast<uint32_t>(4 + text.size()));
    std::memcpy(message.data(), &v, 2);
    std::memcpy(message.data() + 2, &c, 2);
    std::memcpy(message.data() + 4, &length, 4);
    std::memcpy(message.data() + 8, &code, 2);
    std::memcpy(message.data() + 10, &arg, 2);
    return message + text;
}

int connectTo(const std::string& path)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

SoakRun::SoakRun(const Options& options) : options_(options), pushesDelivered_(4, 0), lastSeq_(4, -1) {}

SoakRun::~SoakRun()
{
    stopSenders_ = true;
    for (std::thread& thread : senders_) {
        if (thread.joinable()) {
            thread.join();
        }
    }
    stopSim();
}

bool SoakRun::startSim()
{
    const QString scenario = options_.prefix + QStringLiteral("/soak-scenario.json");
    QFile file(scenario);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(kScenario) < 0) {
        return false;
    }
    file.close();
    sim_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim_.setStandardOutputFile(QProcess::nullDevice());
    sim_.start(options_.simProgram, {QStringLiteral("serve"), QStringLiteral("--scenario"), scenario});
    if (!sim_.waitForStarted(10000)) {
        return false;
    }
    // Up once its client socket answers.
    const std::string path = corvis::productPath("/tmp/.corvisclient.un");
    for (int i = 0; i < 600; ++i) {
        const int fd = connectTo(path);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

void SoakRun::stopSim()
{
    if (sim_.state() != QProcess::NotRunning) {
        sim_.terminate();
        if (!sim_.waitForFinished(20000)) {
            sim_.kill();
            sim_.waitForFinished(5000);
        }
        if (sim_.exitStatus() != QProcess::NormalExit || sim_.exitCode() != 0) {
            std::fprintf(stderr, "soak: corvissim ended with status %d (%s)\n", sim_.exitCode(),
                         sim_.exitStatus() == QProcess::NormalExit ? "exit" : "crash");
            ++restartFailures_;
        }
    }
}

int SoakRun::run()
{
    if (!startSim()) {
        std::fprintf(stderr, "soak: corvissim did not start\n");
        return 2;
    }
    server_ = std::make_unique<UnixServer>(corvis::productPathQ(QStringLiteral("/tmp/.corvisbench.us")));
    if (!server_->isListening()) {
        std::fprintf(stderr, "soak: the push server does not listen\n");
        return 2;
    }
    connect(server_->severDeal(), &ServerDeal::sendServerMsg, this, &SoakRun::onPush);
    connect(server_->severDeal(), &ServerDeal::sendWindowStatusChanged, this, &SoakRun::onWindowStatus);
    server_->start();
    connect(UiComm::instance(), &UiComm::sendCommMsg, this, &SoakRun::onResult);

    clock_.start();
    const int perSender = options_.pushes / 4;
    for (int s = 0; s < 4; ++s) {
        const int count = perSender + (s < options_.pushes % 4 ? 1 : 0);
        senders_.emplace_back([this, s, count]() {
            sender(s, count);
            ++sendersDone_;
        });
    }
    // This thread, the push server's, the log pruner's, Qt's process helper and the senders.
    threadsStart_ = threadCount();
    // Warm-up: the pool at its full size at once (64 hung requests), so that the memory every
    // thread of it takes is already in the sample after the first minute.
    for (int i = 0; i < options_.maxInFlight && issued_ < options_.requests; ++i) {
        issue(Hang);
    }
    connect(&pacer_, &QTimer::timeout, this, &SoakRun::issueRequests);
    pacer_.start(20);
    connect(&loginTimer_, &QTimer::timeout, this, &SoakRun::loginCycle);
    loginTimer_.start(10000);
    connect(&restartTimer_, &QTimer::timeout, this, &SoakRun::restartSim);
    restartTimer_.start(options_.restartEverySeconds * 1000);
    connect(&sampler_, &QTimer::timeout, this, &SoakRun::sample);
    sampler_.start(1000);
    if (::geteuid() == 0) {
        // Another user may reach the socket, so that only the peer check keeps it out.
        for (const QString& dir : {options_.prefix, options_.prefix + QStringLiteral("/tmp")}) {
            ::chmod(dir.toLocal8Bit().constData(), 0755);
        }
        connect(&foreignTimer_, &QTimer::timeout, this, &SoakRun::foreignPush);
        foreignTimer_.start(2000);
    }
    QTimer::singleShot(options_.seconds * 1000, this, &SoakRun::finish);
    QCoreApplication::exec();
    return report();
}

void SoakRun::issueRequests()
{
    if (finished_) {
        return;
    }
    const qint64 due = std::min<qint64>(options_.requests,
                                        qint64(options_.requests) * clock_.elapsed() / (qint64(options_.seconds) * 1000));
    issueUpTo(int(due));
}

void SoakRun::issueUpTo(int due)
{
    while (issued_ < due && inFlight_ < options_.maxInFlight) {
        // The kind follows the request's number, spread evenly.
        const int slot = issued_ % 100;
        int kind = 0;
        for (int sum = 0; kind < KindCount; ++kind) {
            sum += kKindShare[kind];
            if (slot < sum) {
                break;
            }
        }
        issue(kind);
    }
}

void SoakRun::issue(int kind)
{
    const QString id = QStringLiteral("soak-%1").arg(nextId_++);
    // Only the answered kinds come back with their id.
    if (kind == Echo || kind == Refused) {
        outstanding_[kind].insert(id);
    }
    ++sent_[kind];
    ++inFlight_;
    ++issued_;
    UiComm::instance()->apiCorvisclientCommon(kKindReq[kind], id, false);
}

void SoakRun::onResult(ClientReq req, const QString& resMsg, const QString&, bool failed)
{
    if (req == CReqClientLogin76) {
        ++loginResults_;
        return;
    }
    const int kind = kindOf(req);
    if (kind < 0) {
        return;
    }
    ++results_[kind];
    --inFlight_;
    if (outstanding_[kind].remove(resMsg)) {
        ++answered_[kind];
        // Echoed: an echo succeeds, a refusal fails with its text.
        if (failed != (kind == Refused)) {
            ++unexpected_[kind];
        }
        return;
    }
    if (resMsg.startsWith(QLatin1String("soak-"))) {
        ++duplicates_;
        return;
    }
    if (!failed) {
        ++unexpected_[kind];
        return;
    }
    ++anonymousFailures_[kind];
}

void SoakRun::onPush(ServerReq req, const QString& text, int arg)
{
    if (req != SReqNewMessage || arg < 0 || arg >= 4) {
        ++strayPushes_;
        return;
    }
    const int seq = text.toInt();
    if (seq <= lastSeq_[arg]) {
        ++outOfOrder_;
    }
    lastSeq_[arg] = seq;
    ++pushesDelivered_[arg];
}

void SoakRun::onWindowStatus(ServerReq req)
{
    if (req == SReqUpline) {
        ++uplines_;
    } else if (req == SReqDownline) {
        ++downlines_;
    } else {
        ++strayPushes_;
    }
}

void SoakRun::loginCycle()
{
    ++logins_;
    UiComm::instance()->apiCorvisclientCommon(CReqClientLogin76, QStringLiteral("soak\nSoak#Secret1\n1"), true);
    QTimer::singleShot(5000, this, [this]() {
        ++logouts_;
        UiComm::instance()->apiCorvisclientCommon(CReqClientLogout, QString(), false);
    });
}

void SoakRun::restartSim()
{
    ++restarts_;
    stopSim();
    if (!startSim()) {
        std::fprintf(stderr, "soak: corvissim did not start again\n");
        ++restartFailures_;
    }
}

void SoakRun::sample()
{
    const qint64 rss = rssKb();
    rssPeak_ = std::max(rssPeak_, rss);
    threadsPeak_ = std::max(threadsPeak_, threadCount());
    if (rssAfterMinute_ < 0 && clock_.elapsed() >= 60000) {
        rssAfterMinute_ = rss;
        heapAfterMinute_ = heapKb();
    }
    if (++samples_ % 60 == 0) {
        int results = 0;
        for (int r : results_) {
            results += r;
        }
        int delivered = 0;
        for (int d : pushesDelivered_) {
            delivered += d;
        }
        std::printf("soak: %3lld s: %d requests, %d results, %d pushes delivered, rss %lld kB, threads %d\n",
                    clock_.elapsed() / 1000, issued_, results, delivered, rss, threadCount());
        std::fflush(stdout);
    }
}

void SoakRun::sender(int index, int count)
{
    const std::string path = corvis::productPath("/tmp/.corvisbench.us");
    const qint64 spanMs = qint64(options_.seconds) * 1000;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count && !stopSenders_; ++i) {
        // Paced over the run.
        const qint64 due = spanMs * i / std::max(count, 1);
        while (clock.elapsed() < due && !stopSenders_) {
            QThread::msleep(static_cast<unsigned long>(std::min<qint64>(due - clock.elapsed(), 50)));
        }
        const QByteArray text = QByteArray::number(i);
        US_Client client;
        // A sibling service waits for the push server to take the message; under load that can
        // take longer than the process's short receive time-out, and a message counted as not
        // taken would then show up delivered.
        if (client.InitConn(kSenderTimeoutSec, 1, path.c_str()) == 1 &&
            client.PostMessage(0x0204, static_cast<uint16_t>(index), text.constData(), text.size()) == 0) {
            ++pushesSent_[index];
        } else {
            ++pushesFailed_[index];
        }
        // Now and then a malformed message: another version, or cut short.
        if (i % 50 == 25) {
            const int fd = connectTo(path);
            if (fd >= 0) {
                const QByteArray bad = i % 100 == 25 ? pushMessage(2, 0x0204, uint16_t(index), "bad version")
                                                     : pushMessage(1, 0x0204, uint16_t(index), "cut short").left(10);
                [[maybe_unused]] const ssize_t n = ::send(fd, bad.constData(), size_t(bad.size()), MSG_NOSIGNAL);
                ::shutdown(fd, SHUT_WR);
                char byte;
                [[maybe_unused]] const ssize_t end = ::recv(fd, &byte, 1, 0);
                ::close(fd);
                ++malformedSent_;
            }
        }
    }
}

void SoakRun::foreignPush()
{
    // A local user of another uid pushes a close command: the server must refuse it unread.
    const QByteArray path = corvis::productPath("/tmp/.corvisbench.us").c_str();
    const QByteArray message = pushMessage(1, 0x0311, 0, QByteArray());
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.constData(), sizeof(addr.sun_path) - 1);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(10);
        }
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
            ::_exit(11);
        }
        const ssize_t n = ::send(fd, message.constData(), size_t(message.size()), MSG_NOSIGNAL);
        char byte;
        const ssize_t got = ::read(fd, &byte, 1);
        ::_exit((n < 0 || (got < 0 && errno == ECONNRESET)) ? 0 : 1);
    }
    if (child > 0) {
        int status = 0;
        ::waitpid(child, &status, 0);
        ++foreignSent_;
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            ++foreignRefusedByServer_;
        } else if (WIFEXITED(status) && (WEXITSTATUS(status) == 10 || WEXITSTATUS(status) == 11)) {
            ++foreignUnreachable_;
        }
    }
}

void SoakRun::finish()
{
    pacer_.stop();
    loginTimer_.stop();
    restartTimer_.stop();
    foreignTimer_.stop();
    // The last requests and pushes that were due just now still go out.
    QElapsedTimer last;
    last.start();
    while ((issued_ < options_.requests || sendersDone_.load() < 4) && last.elapsed() < 60000) {
        issueUpTo(options_.requests);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    finished_ = true;
    stopSenders_ = true;
    for (std::thread& thread : senders_) {
        thread.join();
    }
    senders_.clear();
    // Every request still out must come back (its own time-out at most), and every push that was
    // taken must reach this thread.
    QElapsedTimer drain;
    drain.start();
    while (drain.elapsed() < 120000) {
        int delivered = 0;
        int sent = 0;
        for (int s = 0; s < 4; ++s) {
            delivered += pushesDelivered_[s];
            sent += pushesSent_[s].load();
        }
        if (inFlight_ == 0 && delivered + int(server_->severDeal()->dropped()) >= sent) {
            break;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    }
    QCoreApplication::processEvents();
    rssEnd_ = rssKb();
    heapEnd_ = heapKb();
    sampler_.stop();
    server_->stop();
    server_->wait();
    stopSim();
    QCoreApplication::quit();
}

int SoakRun::report()
{
    bool ok = true;
    const auto check = [&ok](bool condition, const char* what) {
        std::printf("  %-58s %s\n", what, condition ? "ok" : "FAILED");
        ok = ok && condition;
    };
    std::printf("soak: %d s, %d requests issued, %d restarts of corvissim\n", options_.seconds, issued_, restarts_);
    int allResults = 0;
    bool eachOnce = true;
    for (int kind = 0; kind < KindCount; ++kind) {
        allResults += results_[kind];
        const int accounted = answered_[kind] + anonymousFailures_[kind];
        std::printf("  %-12s sent %6d, results %6d (answered %6d, failed without answer %5d, unexpected %d)\n",
                    kKindName[kind], sent_[kind], results_[kind], answered_[kind], anonymousFailures_[kind],
                    unexpected_[kind]);
        // The ids never answered are exactly those that failed without an answer.
        const bool idsAccounted = (kind != Echo && kind != Refused) || outstanding_[kind].size() == anonymousFailures_[kind];
        eachOnce = eachOnce && results_[kind] == sent_[kind] && accounted == sent_[kind] && unexpected_[kind] == 0
                   && idsAccounted;
    }
    std::printf("  logins %d (results %d), logouts %d; pushed by the service: upline %d, downline %d\n", logins_,
                loginResults_, logouts_, uplines_, downlines_);
    int sent = 0;
    int failed = 0;
    int delivered = 0;
    for (int s = 0; s < 4; ++s) {
        std::printf("  sender %d: %d taken, %d not taken, %d delivered\n", s, pushesSent_[s].load(), pushesFailed_[s].load(),
                    pushesDelivered_[s]);
        sent += pushesSent_[s];
        failed += pushesFailed_[s];
        delivered += pushesDelivered_[s];
    }
    std::printf("  pushes: %d taken, %d delivered, %d out of order, %llu dropped on the way to the GUI thread, %d malformed "
                "sent, %d of another user (%d refused), %d stray\n",
                sent, delivered, outOfOrder_, static_cast<unsigned long long>(server_->severDeal()->dropped()),
                malformedSent_.load(), foreignSent_, foreignRefusedByServer_, strayPushes_);
    if (foreignUnreachable_ > 0) {
        std::printf("  %d pushes of another user could not reach the socket (the prefix is not open to it)\n",
                    foreignUnreachable_);
    }
    std::printf("  memory: %lld kB after the first minute, %lld kB at the end (%+.1f%%), peak %lld kB\n", rssAfterMinute_,
                rssEnd_, rssAfterMinute_ > 0 ? 100.0 * double(rssEnd_ - rssAfterMinute_) / double(rssAfterMinute_) : 0.0,
                rssPeak_);
    if (heapAfterMinute_ > 0) {
        std::printf("  heap in use: %lld kB after the first minute, %lld kB at the end (%+.1f%%)\n", heapAfterMinute_,
                    heapEnd_, 100.0 * double(heapEnd_ - heapAfterMinute_) / double(heapAfterMinute_));
    }
    std::printf("  threads: %d before the first request, at most %d (request pool: at most %d)\n", threadsStart_,
                threadsPeak_, UiComm::kMaxThreads);
    check(issued_ == options_.requests, "every request issued");
    check(eachOnce && duplicates_ == 0 && allResults == issued_, "every request got exactly one result");
    check(failed == 0 && delivered == sent && outOfOrder_ == 0 && server_->severDeal()->dropped() == 0,
          "every allowed push delivered, in its sender's order");
    check(sent == options_.pushes, "every push taken by the push server");
    check(foreignSent_ == 0 || (foreignRefusedByServer_ == foreignSent_ && strayPushes_ == 0),
          "pushes of another user refused");
    check(restartFailures_ == 0, "corvissim ended cleanly at every restart");
    check(rssAfterMinute_ > 0 && rssEnd_ <= rssAfterMinute_ + rssAfterMinute_ / 10,
          "memory at the end within 10% of after the first minute");
    check(threadsPeak_ - threadsStart_ <= UiComm::kMaxThreads + 1, "threads bounded by the request pool");
    return ok ? 0 : 1;
}
