#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

// corvissim serve under a test's prefix: started with an optional scenario, waited for until its
// sockets are up, stopped with SIGTERM (at the latest by the destructor). Its request record can
// be read back and waited on, and messages pushed to the workbench's socket.
class SimProcess
{
public:
    explicit SimProcess(const QString& prefixRoot);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // `scenario`: JSON text written to <prefix>/sim/scenario.json and served; empty: none.
    bool start(const QByteArray& scenario = QByteArray());
    // A built-in scenario ("demo").
    bool startBuiltin(const QString& name);
    // Several, loaded in order: a later one replaces the entries of an earlier one.
    bool startBuiltins(const QStringList& names);
    // Stops it (SIGTERM) and waits; true when it ended with exit status 0.
    bool stop();
    bool isRunning() const;
    // What it wrote to standard error (and, when it failed to start, standard output).
    QString errorOutput();

    // Every request recorded so far, oldest first.
    QList<QJsonObject> requests() const;
    // Requests to one peer, and optionally of one type ("0x0113").
    QList<QJsonObject> requests(const QString& peer, const QString& type = QString()) const;
    // Processes events while waiting, so that queued results keep arriving.
    bool waitForRequests(int count, int timeoutMs = 10000) const;
    bool waitForRequest(const QString& peer, const QString& type, int timeoutMs = 10000) const;
    QString recordPath() const;

    // corvissim push for this prefix; its exit status (0 delivered, 1 not).
    int push(quint16 code, int arg = 0, const QString& text = QString()) const;
    static int push(const QString& prefixRoot, const QStringList& args, QString* errorOutput = nullptr);

    static QString program();
    // Serves with another corvissim (an installed one) instead of the build's.
    void setProgram(const QString& path) { program_ = path; }

private:
    bool startWith(const QStringList& args);

    QString prefix_;
    QString program_ = program();
    QProcess process_;
};
