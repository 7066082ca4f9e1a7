#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

class TestPrefix;

// corvisctlsim, the loopback controller, run for one test under its prefix on free ports.
// The scenario file can be rewritten between requests; the stand-in picks up the change.
class CtlSim
{
public:
    // An empty scenario uses the stand-in's built-in default answers; `extraArgs` go to
    // "corvisctlsim serve" (--tls-min 1.3 ...).
    explicit CtlSim(const TestPrefix& prefix, const QByteArray& scenario = QByteArray(),
                    const QStringList& extraArgs = QStringList());
    ~CtlSim();
    CtlSim(const CtlSim&) = delete;
    CtlSim& operator=(const CtlSim&) = delete;

    bool isRunning() const { return httpsPort_ > 0; }
    QString startError() const { return error_; }
    int httpsPort() const { return httpsPort_; }
    int sandboxPort() const { return sandboxPort_; }
    bool hasIpv6() const { return ipv6_; }
    // "https://127.0.0.1:PORT" + path, and the plain-HTTP sandbox service's twin.
    QString httpsUrl(const QString& path = QString()) const;
    QString sandboxUrl(const QString& path = QString()) const;

    void setScenario(const QByteArray& json);
    // Every request received so far, oldest first: service, method, uri, path, query, headers,
    // body, peer.
    QList<QJsonObject> requests() const;
    void clearRequests();

    // Points [Mervasso] and [NewSandbox] of the prefix's syscfg.ini at the stand-in.
    QByteArray sysCfg(const QByteArray& extra = QByteArray()) const;

private:
    QProcess process_;
    QString scenarioPath_;
    QString recordPath_;
    QString error_;
    int httpsPort_ = 0;
    int sandboxPort_ = 0;
    bool ipv6_ = false;
};
