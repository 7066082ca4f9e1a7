#pragma once

#include <QObject>

class QSocketNotifier;

// Signal handling of the workbench.
//
// SIGQUIT and SIGTERM are written to a self-pipe by the handler and served on the event loop,
// which logs "corvisbench exit!" and ends the process with code 2: neither the logger nor exit()
// is ever called from signal context for them. A watchdog thread gets the same signal: when the
// event loop has not acted within a second (the GUI thread is busy), it logs that, then
// "corvisbench exit!", and ends the process with code 2 itself. SIGSEGV and SIGABRT cannot wait for the event
// loop (the faulting code would run again), so their handler writes the stack to the ERROR log and
// ends the process at once with code 2. SIGCHLD, SIGHUP, SIGUSR1, SIGUSR2 and SIGPIPE are
// caught and ignored with SA_RESTART, so they neither end the process nor interrupt system calls.
class SignalTaker : public QObject
{
    Q_OBJECT
public:
    static SignalTaker* instance();

private slots:
    void onSignalReady();

private:
    SignalTaker();
    friend void setSignalTaker();
    bool openPipe();

    QSocketNotifier* notifier_ = nullptr;
};

// Installs signalFatherHandler for the workbench's signals and logs "set singal handler done.".
void setSignalTaker();
void signalFatherHandler(int sig);
// How long the watchdog gives the event loop (1000 ms unless set).
void setSignalWatchdogMs(int ms);
// Writes the current call stack (at most 16 frames) to the ERROR log.
void coredump();
