#include "ctlsim.h"

#include "testpaths.h"
#include "testprefix.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

CtlSim::CtlSim(const TestPrefix& prefix, const QByteArray& scenario, const QStringList& extraArgs)
{
    const QString dir = prefix.root() + QStringLiteral("/sim");
    QDir().mkpath(dir);
    recordPath_ = dir + QStringLiteral("/controller-requests.jsonl");
    QStringList args{QStringLiteral("serve"), QStringLiteral("--exit-with-parent"), QStringLiteral("--record"),
                     recordPath_};
    if (!scenario.isEmpty()) {
        scenarioPath_ = dir + QStringLiteral("/controller-scenario.json");
        writeFile(scenarioPath_, scenario);
        args << QStringLiteral("--scenario") << scenarioPath_;
    }
    args << extraArgs;
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(CORVIS_BIN_DIR "/corvisctlsim"), args);
    QByteArray out;
    while (!out.contains('\n') && process_.waitForReadyRead(15000)) {
        out += process_.readAllStandardOutput();
    }
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("ready https=(\\d+) sandbox=(\\d+) ipv6=(\\d)")).match(QString::fromLatin1(out));
    if (!match.hasMatch()) {
        error_ = QStringLiteral("corvisctlsim did not start: ") + QString::fromLocal8Bit(out);
        process_.kill();
        process_.waitForFinished(5000);
        return;
    }
    httpsPort_ = match.captured(1).toInt();
    sandboxPort_ = match.captured(2).toInt();
    ipv6_ = match.captured(3) == QLatin1String("1");
}

CtlSim::~CtlSim()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
}

QString CtlSim::httpsUrl(const QString& path) const
{
    return QStringLiteral("https://127.0.0.1:%1%2").arg(httpsPort_).arg(path);
}

QString CtlSim::sandboxUrl(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(sandboxPort_).arg(path);
}

void CtlSim::setScenario(const QByteArray& json)
{
    if (!scenarioPath_.isEmpty()) {
        writeFile(scenarioPath_, json);
    }
}

QList<QJsonObject> CtlSim::requests() const
{
    QList<QJsonObject> out;
    for (const QByteArray& line : readFile(recordPath_).split('\n')) {
        if (!line.trimmed().isEmpty()) {
            out.append(QJsonDocument::fromJson(line).object());
        }
    }
    return out;
}

void CtlSim::clearRequests()
{
    // The stand-in appends, so truncating in place keeps its descriptor valid.
    QFile file(recordPath_);
    if (file.open(QIODevice::ReadWrite)) {
        file.resize(0);
    }
}

QByteArray CtlSim::sysCfg(const QByteArray& extra) const
{
    return "[Mervasso]\nServerIP=127.0.0.1\nServerPort=" + QByteArray::number(httpsPort_) +
           "\n[NewSandbox]\nServerIP=127.0.0.1\nServerPort=" + QByteArray::number(sandboxPort_) + "\n" + extra;
}
