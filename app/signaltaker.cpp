#include "app/signaltaker.h"

#include "corviscommon/logging.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <execinfo.h>
#include <fcntl.h>
#include <system_error>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
// Wakes the watchdog: the same signal, for the case the event loop does not take it.
int g_watchdogPipe[2] = {-1, -1};
volatile sig_atomic_t g_crashing = 0;
std::atomic<int> g_watchdogMs{1000};

void endProcess()
{
    google::FlushLogFiles(google::GLOG_INFO);
    std::fflush(nullptr);
    // _exit, not exit: request and push-server threads may still run, and static destructors
    // running under them could crash the process on its way out and change the exit code.
    ::_exit(2);
}

// The GUI thread may be busy for long (a huge list, a slow call): SIGTERM must still end the
// process. The watchdog waits for a signal, gives the event loop its time, and ends the process
// itself when the loop has not acted by then.
void watchdog()
{
    unsigned char sig = 0;
    for (;;) {
        const ssize_t n = ::read(g_watchdogPipe[0], &sig, 1);
        if (n == 1) {
            break;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return;
    }
    const int ms = g_watchdogMs.load();
    timespec left{ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
    if (g_crashing) {
        // The crash dump did not end the process: the faulting thread may hold the logger's or the
        // allocator's lock, so end without touching either.
        ::_exit(2);
    }
    LOG(WARNING) << "FUNC(signalWatchdog) the event loop did not take signal " << int(sig) << " within " << ms
                 << " ms";
    LOG(INFO) << "corvisbench exit!";
    endProcess();
}

void startWatchdog()
{
    if (g_watchdogPipe[0] >= 0) {
        return;
    }
    if (::pipe2(g_watchdogPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        LOG(ERROR) << "FUNC(setSignalTaker) watchdog pipe failed: " << std::strerror(errno);
        g_watchdogPipe[0] = g_watchdogPipe[1] = -1;
        return;
    }
    // The watchdog's end blocks; the handler's end must never block.
    const int flags = ::fcntl(g_watchdogPipe[0], F_GETFL);
    ::fcntl(g_watchdogPipe[0], F_SETFL, flags & ~O_NONBLOCK);
    try {
        std::thread(watchdog).detach();
    } catch (const std::system_error&) {
        LOG(ERROR) << "FUNC(setSignalTaker) no watchdog thread";
    }
}

}  // namespace

void setSignalWatchdogMs(int ms)
{
    g_watchdogMs.store(ms > 0 ? ms : 1);
}

SignalTaker::SignalTaker() = default;

SignalTaker* SignalTaker::instance()
{
    static SignalTaker* taker = new SignalTaker();
    return taker;
}

bool SignalTaker::openPipe()
{
    if (g_pipe[0] >= 0) {
        return true;
    }
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        LOG(ERROR) << "FUNC(setSignalTaker) pipe failed: " << std::strerror(errno);
        return false;
    }
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalTaker::onSignalReady);
    return true;
}

void SignalTaker::onSignalReady()
{
    unsigned char sig = 0;
    while (::read(g_pipe[0], &sig, 1) == 1) {
        if (sig == SIGQUIT || sig == SIGTERM) {
            LOG(INFO) << "corvisbench exit!";
            endProcess();
        }
    }
}

namespace {

// Async-signal-safe.
void wakeWatchdog(int sig)
{
    const unsigned char byte = static_cast<unsigned char>(sig);
    if (g_watchdogPipe[1] >= 0) {
        [[maybe_unused]] const ssize_t ignored = ::write(g_watchdogPipe[1], &byte, 1);
    }
}

}  // namespace

void coredump()
{
    void* frames[16];
    const int count = ::backtrace(frames, 16);
    LOG(ERROR) << "backtrace() returned " << count << " addresses";
    char** symbols = ::backtrace_symbols(frames, count);
    if (symbols == nullptr) {
        LOG(ERROR) << "backtrace_symbols is empty.";
        return;
    }
    for (int i = 0; i < count; ++i) {
        LOG(ERROR) << "index : " << i << ", addr:" << symbols[i];
    }
    std::free(symbols);
}

void signalFatherHandler(int sig)
{
    switch (sig) {
    case SIGABRT:
    case SIGSEGV:
        // A second fault while dumping must not loop.
        if (g_crashing) {
            ::_exit(2);
        }
        g_crashing = 1;
        // Should the dump block on a lock the faulting thread holds, the watchdog still ends the process.
        wakeWatchdog(sig);
        coredump();
        LOG(INFO) << "corvisbench exit!";
        endProcess();
        break;
    case SIGQUIT:
    case SIGTERM: {
        const int saved = errno;
        const unsigned char byte = static_cast<unsigned char>(sig);
        if (g_pipe[1] < 0 || ::write(g_pipe[1], &byte, 1) != 1) {
            // No event loop to hand it to: end here without touching the logger.
            ::_exit(2);
        }
        wakeWatchdog(sig);
        errno = saved;
        break;
    }
    default:
        break;
    }
}

void setSignalTaker()
{
    SignalTaker::instance()->openPipe();
    startWatchdog();
    // Load the unwinder now: backtrace() may allocate on its first call, which a crash handler
    // must not.
    void* warmup[1];
    ::backtrace(warmup, 1);

    struct sigaction action {};
    action.sa_handler = signalFatherHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGCHLD, SIGQUIT, SIGTERM, SIGHUP, SIGSEGV, SIGABRT, SIGUSR1, SIGUSR2, SIGPIPE}) {
        ::sigaction(sig, &action, nullptr);
    }
    LOG(INFO) << "set singal handler done.";
}
