#include "corviscommon/command.h"

#include "corviscommon/logging.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The workbench ignores SIGCHLD, which makes the kernel reap children on its own and waitpid
// fail. While any command runs, SIGCHLD is back at its default; the first runner in saves the
// old disposition and the last one out restores it, so concurrent runners cannot leave it wrong.
class ChildSignalDefault
{
public:
    ChildSignalDefault()
    {
        std::lock_guard<std::mutex> lock(mutex());
        if (users()++ == 0) {
            struct sigaction dfl;
            memset(&dfl, 0, sizeof dfl);
            dfl.sa_handler = SIG_DFL;
            sigemptyset(&dfl.sa_mask);
            sigaction(SIGCHLD, &dfl, &saved());
        }
    }
    ~ChildSignalDefault()
    {
        std::lock_guard<std::mutex> lock(mutex());
        if (--users() == 0) {
            sigaction(SIGCHLD, &saved(), nullptr);
        }
    }
    ChildSignalDefault(const ChildSignalDefault&) = delete;
    ChildSignalDefault& operator=(const ChildSignalDefault&) = delete;

private:
    static std::mutex& mutex()
    {
        static std::mutex m;
        return m;
    }
    static int& users()
    {
        static int count = 0;
        return count;
    }
    static struct sigaction& saved()
    {
        static struct sigaction action;
        return action;
    }
};

int reap(pid_t pid, int options = 0)
{
    int status = 0;
    pid_t done;
    do {
        done = ::waitpid(pid, &status, options);
    } while (done < 0 && errno == EINTR);
    return done;
}

void closeFd(int fd)
{
    if (fd >= 0) {
        ::close(fd);
    }
}

int plainOutput(const std::string& cmd, std::string& out)
{
    FILE* pipe = ::popen(cmd.c_str(), "re");
    if (pipe == nullptr) {
        LOG(WARNING) << "cmdGetOutput: popen failed: " << strerror(errno);
        return -1;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, n);
    }
    ::pclose(pipe);
    return 0;
}

// What a child may call between fork and exec: async-signal-safe functions only.
[[noreturn]] void runChild(const char* cmd, int writeFd)
{
    ::setpgid(0, 0);
    if (writeFd != STDOUT_FILENO) {
        ::dup2(writeFd, STDOUT_FILENO);
    }
    // The workbench ignores or blocks signals the command must see as usual.
    struct sigaction dfl;
    memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    for (int sig : {SIGPIPE, SIGHUP, SIGUSR1, SIGUSR2, SIGCHLD, SIGTERM, SIGQUIT, SIGINT}) {
        ::sigaction(sig, &dfl, nullptr);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execl("/bin/sh", "sh", "-c", cmd, static_cast<char*>(nullptr));
    ::_exit(127);
}

}  // namespace

int cmdGetOutput(const std::string& cmd, std::string& out, int timeout_ms)
{
    out.clear();
    ChildSignalDefault childSignal;
    if (timeout_ms < 1) {
        return plainOutput(cmd, out);
    }

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        LOG(WARNING) << "cmdGetOutput: pipe failed: " << strerror(errno);
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        LOG(WARNING) << "cmdGetOutput: fork failed: " << strerror(errno);
        closeFd(fds[0]);
        closeFd(fds[1]);
        return -1;
    }
    if (pid == 0) {
        // dup2 clears close-on-exec on the copy; the original closes on exec.
        runChild(cmd.c_str(), fds[1]);
    }
    // Also from the parent, so that the kill below reaches the group whoever wins the race.
    ::setpgid(pid, pid);
    closeFd(fds[1]);

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    auto remaining = [&deadline]() {
        return static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    };

    bool timedOut = false;
    bool failed = false;
    char buffer[4095];
    for (;;) {
        const int left = remaining();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        struct pollfd pfd = {fds[0], POLLIN, 0};
        const int ready = ::poll(&pfd, 1, left);
        if (ready == 0) {
            timedOut = true;
            break;
        }
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            failed = true;
            break;
        }
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n > 0) {
            out.append(buffer, static_cast<size_t>(n));
        } else if (n == 0) {
            break;  // every writer has closed its end
        } else if (errno != EINTR && errno != EAGAIN) {
            failed = true;
            break;
        }
    }
    closeFd(fds[0]);

    if (!timedOut && !failed) {
        // The output has ended, but the command may still run (it closed its standard output):
        // its exit is awaited for the time that remains, no longer.
        for (;;) {
            const pid_t done = reap(pid, WNOHANG);
            if (done == pid || (done < 0 && errno == ECHILD)) {
                return 0;
            }
            if (remaining() <= 0) {
                timedOut = true;
                break;
            }
            ::usleep(2000);
        }
    }

    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
    reap(pid);
    if (timedOut) {
        LOG(WARNING) << "cmdGetOutput: command timed out after " << timeout_ms << " ms: " << cmd;
        errno = ETIMEDOUT;
    } else {
        LOG(WARNING) << "cmdGetOutput: reading the output failed: " << strerror(errno);
    }
    return -1;
}

int posix_system(const std::string& cmd)
{
    ChildSignalDefault childSignal;
    const int ret = ::system(cmd.c_str());
    if (ret == -1) {
        LOG(ERROR) << "execute command " << cmd << " faild, err:" << strerror(errno);
        return -1;
    }
    if (WIFEXITED(ret) && WEXITSTATUS(ret) == 0) {
        return 0;
    }
    LOG(ERROR) << "run CMD:[" << cmd << "] fail, script exit code:" << (WIFEXITED(ret) ? WEXITSTATUS(ret) : -1);
    return -1;
}

std::string shellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    quoted += '\'';
    return quoted;
}

CommandRunner hostCommandRunner()
{
    return [](const std::string& cmd, std::string& out) { return cmdGetOutput(cmd, out, kHostCommandTimeoutMs); };
}

std::string trimmedText(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return std::string();
    }
    const size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}
