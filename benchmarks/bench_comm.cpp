// Local service messaging under load, with the product's logging to files:
//  - request round trip: apiCorvisclientCommon -> a peer answers -> sendCommMsg handled on the GUI
//    thread; p50 and p99 over N requests, one at a time and 16 in flight; beside it the floor,
//    the same 64502-byte request and 64500-byte reply over a raw unix socket from one thread;
//  - push: messages pushed back to back by 4 concurrent senders, each delivered to the GUI thread
//    in its sender's order; messages per second, beside a raw accept-and-read loop on the same
//    socket path with the same senders.
// Usage: bench_comm [requests (10000)] [pushes (20000)]

#include "app/logmanager.h"
#include "comm/serverdeal.h"
#include "comm/uicomm.h"
#include "comm/unixserver.h"
#include "corviscommon/productpath.h"
#include "corviscommon/productpaths.h"
#include "platform/corvismsg/us_client.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRequestSize = 64502;
constexpr int kReplySize = 64500;

int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool readAll(int fd, char* data, size_t length)
{
    while (length > 0) {
        const ssize_t n = ::read(fd, data, length);
        if (n <= 0) {
            return false;
        }
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool writeAll(int fd, const char* data, size_t length)
{
    while (length > 0) {
        const ssize_t n = ::send(fd, data, length, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

int connectTo(const std::string& path)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The client service: acceptor threads that answer every request with its own parameter.
class EchoService
{
public:
    EchoService(const std::string& path, int threads) : path_(path)
    {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
        ::unlink(path.c_str());
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(fd_, 128) != 0) {
            std::perror("bench: echo service");
            std::exit(1);
        }
        for (int i = 0; i < threads; ++i) {
            threads_.emplace_back([this]() { serve(); });
        }
    }
    ~EchoService()
    {
        stop_ = true;
        ::shutdown(fd_, SHUT_RDWR);
        for (auto& t : threads_) {
            t.join();
        }
        ::close(fd_);
        ::unlink(path_.c_str());
    }

private:
    void serve()
    {
        std::vector<char> request(kRequestSize);
        std::vector<char> reply(kReplySize);
        while (!stop_) {
            const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                continue;
            }
            if (readAll(fd, request.data(), request.size())) {
                std::fill(reply.begin(), reply.end(), '\0');
                std::memcpy(reply.data(), request.data(), 2);
                std::memcpy(reply.data() + 4, request.data() + 2, ::strnlen(request.data() + 2, 64));
                writeAll(fd, reply.data(), reply.size());
            }
            ::close(fd);
        }
    }

    std::string path_;
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

struct Percentiles {
    double p50;
    double p99;
    double perSecond = 0;
};

Percentiles percentiles(std::vector<int64_t> ns)
{
    if (ns.empty()) {
        return {0, 0};
    }
    std::sort(ns.begin(), ns.end());
    auto at = [&](double q) { return ns[std::min(ns.size() - 1, static_cast<size_t>(q * ns.size()))] / 1000.0; };
    return {at(0.50), at(0.99)};
}

Percentiles floorRoundTrip(const std::string& path, int count)
{
    std::vector<char> request(kRequestSize, '\0');
    std::vector<char> reply(kReplySize);
    std::vector<int64_t> samples;
    samples.reserve(static_cast<size_t>(count));
    const int64_t begin = nowNs();
    for (int i = 0; i < count; ++i) {
        const int64_t start = nowNs();
        const int fd = connectTo(path);
        const uint16_t type = 0x0112;
        std::memcpy(request.data(), &type, 2);
        if (fd < 0 || !writeAll(fd, request.data(), request.size()) || !readAll(fd, reply.data(), reply.size())) {
            std::fprintf(stderr, "bench: raw exchange failed\n");
            std::exit(1);
        }
        ::close(fd);
        samples.push_back(nowNs() - start);
    }
    Percentiles result = percentiles(samples);
    result.perSecond = count / ((nowNs() - begin) / 1e9);
    return result;
}

// Runs `count` requests through UiComm with at most `inFlight` outstanding.
Percentiles uiCommRoundTrip(int count, int inFlight)
{
    QHash<QString, int64_t> started;
    std::vector<int64_t> samples;
    samples.reserve(static_cast<size_t>(count));
    int issued = 0;
    int failures = 0;
    auto issue = [&]() {
        const QString id = QString::number(issued++);
        started.insert(id, nowNs());
        UiComm::instance()->apiCorvisclientCommon(CReqClientQuerySystemTitle, id, false);
    };
    QObject receiver;
    QObject::connect(UiComm::instance(), &UiComm::sendCommMsg, &receiver,
                     [&](ClientReq, const QString& resMsg, const QString&, bool failed) {
                         const int64_t end = nowNs();
                         if (failed || !started.contains(resMsg)) {
                             ++failures;
                         } else {
                             samples.push_back(end - started.take(resMsg));
                         }
                         if (issued < count) {
                             issue();
                         } else if (started.isEmpty()) {
                             QCoreApplication::quit();
                         }
                     });
    const int64_t begin = nowNs();
    for (int i = 0; i < inFlight && issued < count; ++i) {
        issue();
    }
    QCoreApplication::exec();
    if (failures > 0) {
        std::fprintf(stderr, "bench: %d requests failed\n", failures);
        std::exit(1);
    }
    Percentiles result = percentiles(samples);
    result.perSecond = count / ((nowNs() - begin) / 1e9);
    return result;
}

// Starts `senders` threads that post `total` pushes between them, each numbering its own 0, 1,
// 2, ...; `failed` is called on the sender's thread for each push not taken.
template <typename Failed>
std::vector<std::thread> startPushSenders(const std::string& path, int total, int senders, Failed failed)
{
    std::vector<std::thread> threads;
    for (int s = 0; s < senders; ++s) {
        // The first total % senders senders send one more, so that exactly `total` go out.
        const int share = total / senders + (s < total % senders ? 1 : 0);
        threads.emplace_back([&path, failed, s, share]() {
            for (int i = 0; i < share; ++i) {
                const QByteArray text = QByteArray::number(i);
                US_Client client;
                if (client.InitConn(0, 1, path.c_str()) != 1 ||
                    client.PostMessage(0x0204, static_cast<uint16_t>(s), text.constData(), text.size()) != 0) {
                    failed();
                }
            }
        });
    }
    return threads;
}

// The push floor: one thread accepts on the push socket and reads each message to its end, while
// the same senders post the same messages. Messages per second.
double rawPushRate(int total, int senders)
{
    const std::string path = corvis::paths::pushSocket().toLocal8Bit().toStdString();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    ::unlink(path.c_str());
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(listener, 128) != 0) {
        std::perror("bench: raw push socket");
        std::exit(1);
    }
    std::atomic<int> failures{0};
    const int64_t begin = nowNs();
    std::thread reader([&]() {
        char buffer[4096];
        for (int i = 0; i < total; ++i) {
            const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                continue;
            }
            while (::read(fd, buffer, sizeof buffer) > 0) {
            }
            ::close(fd);
        }
    });
    std::vector<std::thread> threads = startPushSenders(path, total, senders, [&failures]() { ++failures; });
    for (auto& t : threads) {
        t.join();
    }
    const int64_t end = nowNs();
    ::shutdown(listener, SHUT_RDWR);
    reader.join();
    ::close(listener);
    ::unlink(path.c_str());
    if (failures.load() > 0) {
        std::fprintf(stderr, "bench: %d raw pushes failed\n", failures.load());
    }
    return total / ((end - begin) / 1e9);
}

void pushThroughput(int total, int senders)
{
    if (total <= 0) {
        return;
    }
    const double floorRate = rawPushRate(total, senders);
    UnixServer server(corvis::paths::pushSocket());
    server.start();
    std::vector<int> next(static_cast<size_t>(senders), 0);
    int received = 0;
    int outOfOrder = 0;
    std::atomic<int> failures{0};
    QObject receiver;
    QElapsedTimer clock;
    qint64 elapsedNs = 0;
    // Every push is either delivered or failed at its sender: the run ends when all are one or
    // the other.
    const auto finishIfDone = [&]() {
        const int dropped = static_cast<int>(server.severDeal()->dropped());
        if (elapsedNs == 0 && received + failures.load() + dropped >= total) {
            elapsedNs = clock.nsecsElapsed();
            QCoreApplication::quit();
        }
    };
    QObject::connect(server.severDeal(), &ServerDeal::sendServerMsg, &receiver,
                     [&](ServerReq, const QString& text, int arg) {
                         // Senders number their pushes 0, 1, 2, ...; a failed one leaves a gap.
                         int& expected = next[static_cast<size_t>(arg)];
                         const int got = text.toInt();
                         if (got < expected) {
                             ++outOfOrder;
                         }
                         expected = got + 1;
                         ++received;
                         finishIfDone();
                     });
    const std::string path = corvis::paths::pushSocket().toLocal8Bit().toStdString();
    clock.start();
    std::vector<std::thread> threads = startPushSenders(path, total, senders, [&]() {
        ++failures;
        QMetaObject::invokeMethod(&receiver, finishIfDone, Qt::QueuedConnection);
    });
    // Pushes dropped on the way to a GUI thread that fell behind are counted by the push server.
    QTimer dropWatch;
    QObject::connect(&dropWatch, &QTimer::timeout, &receiver, finishIfDone);
    dropWatch.start(100);
    QCoreApplication::exec();
    for (auto& t : threads) {
        t.join();
    }
    server.stop();
    const double seconds = elapsedNs / 1e9;
    std::printf("push, %d senders        %6d messages in %.3f s: %.0f messages/s; delivered %d, out of order %d, "
                "failed %d, dropped %llu\n",
                senders, total, seconds, received / seconds, received, outOfOrder, failures.load(),
                static_cast<unsigned long long>(server.severDeal()->dropped()));
    std::printf("  floor, raw accept-and-read  %.0f messages/s; rate/floor %.2f\n", floorRate,
                received / seconds / floorRate);
}

}  // namespace

int main(int argc, char** argv)
{
    const int requests = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int pushes = argc > 2 ? std::atoi(argv[2]) : 20000;
    char templ[] = "/tmp/cvbbench.XXXXXX";
    if (::mkdtemp(templ) == nullptr) {
        return 1;
    }
    ::setenv("CORVISBENCH_PREFIX", templ, 1);
    QDir().mkpath(QString::fromLatin1(templ) + QStringLiteral("/tmp"));
    QCoreApplication app(argc, argv);
    LogManager logs(argv[0]);

    const std::string clientPath = corvis::paths::clientSocket().toLocal8Bit().toStdString();
    if (requests > 0) {
        EchoService service(clientPath, 16);
        const Percentiles floor = floorRoundTrip(clientPath, requests);
        const Percentiles serial = uiCommRoundTrip(requests, 1);
        const Percentiles parallel = uiCommRoundTrip(requests, 16);
        std::printf("request round trip over %d requests (microseconds)\n", requests);
        std::printf("  floor, raw socket, one thread   p50 %8.1f   p99 %8.1f   %.0f requests/s\n", floor.p50, floor.p99,
                    floor.perSecond);
        std::printf("  UiComm, one at a time           p50 %8.1f   p99 %8.1f   p50/floor %.2f   %.0f requests/s\n",
                    serial.p50, serial.p99, serial.p50 / floor.p50, serial.perSecond);
        std::printf("  UiComm, 16 in flight            p50 %8.1f   p99 %8.1f   p50/floor %.2f   %.0f requests/s\n",
                    parallel.p50, parallel.p99, parallel.p50 / floor.p50, parallel.perSecond);
        std::printf("  one at a time: p99/floor p99 %.2f; 16 in flight: rate/floor rate %.2f\n", serial.p99 / floor.p99,
                    parallel.perSecond / floor.perSecond);
    }
    pushThroughput(pushes, 4);
    QDir(QString::fromLatin1(templ)).removeRecursively();
    return 0;
}
