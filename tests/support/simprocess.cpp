#include "simprocess.h"

#include "testpaths.h"
#include "testprefix.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcessEnvironment>
#include <QtTest>

SimProcess::SimProcess(const QString& prefixRoot) : prefix_(prefixRoot) {}

SimProcess::~SimProcess()
{
    stop();
}

QString SimProcess::program()
{
    return QStringLiteral(CORVIS_BIN_DIR "/corvissim");
}

bool SimProcess::start(const QByteArray& scenario)
{
    QStringList args{QStringLiteral("serve")};
    if (!scenario.isEmpty()) {
        const QString file = prefix_ + QStringLiteral("/sim/scenario.json");
        if (!writeFile(file, scenario)) {
            return false;
        }
        args << QStringLiteral("--scenario") << file;
    }
    return startWith(args);
}

bool SimProcess::startBuiltin(const QString& name)
{
    return startWith({QStringLiteral("serve"), QStringLiteral("--scenario"), QStringLiteral("builtin:") + name});
}

bool SimProcess::startBuiltins(const QStringList& names)
{
    QStringList args{QStringLiteral("serve")};
    for (const QString& name : names) {
        args << QStringLiteral("--scenario") << QStringLiteral("builtin:") + name;
    }
    return startWith(args);
}

bool SimProcess::startWith(const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CORVISBENCH_PREFIX"), prefix_);
    process_.setProcessEnvironment(env);
    process_.start(program_, args);
    if (!process_.waitForStarted(5000)) {
        return false;
    }
    QByteArray out;
    QDeadlineTimer deadline(10000);
    while (!out.contains("corvissim: serving under")) {
        if (deadline.hasExpired() || process_.state() == QProcess::NotRunning) {
            return false;
        }
        process_.waitForReadyRead(50);
        out += process_.readAllStandardOutput();
    }
    return true;
}

bool SimProcess::stop()
{
    if (process_.state() == QProcess::NotRunning) {
        return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
    }
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(3000);
        return false;
    }
    return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
}

bool SimProcess::isRunning() const
{
    return process_.state() != QProcess::NotRunning;
}

QString SimProcess::errorOutput()
{
    return QString::fromLocal8Bit(process_.readAllStandardError() + process_.readAllStandardOutput());
}

QString SimProcess::recordPath() const
{
    return prefix_ + QStringLiteral("/sim/requests.jsonl");
}

QList<QJsonObject> SimProcess::requests() const
{
    QList<QJsonObject> out;
    const QByteArray text = readFile(recordPath());
    for (const QByteArray& line : text.split('\n')) {
        if (!line.isEmpty()) {
            out.append(QJsonDocument::fromJson(line).object());
        }
    }
    return out;
}

QList<QJsonObject> SimProcess::requests(const QString& peer, const QString& type) const
{
    QList<QJsonObject> out;
    for (const QJsonObject& request : requests()) {
        if (request.value(QStringLiteral("peer")).toString() == peer &&
            (type.isEmpty() || request.value(QStringLiteral("type")).toString() == type)) {
            out.append(request);
        }
    }
    return out;
}

bool SimProcess::waitForRequests(int count, int timeoutMs) const
{
    return QTest::qWaitFor([&]() { return requests().size() >= count; }, timeoutMs);
}

bool SimProcess::waitForRequest(const QString& peer, const QString& type, int timeoutMs) const
{
    return QTest::qWaitFor([&]() { return !requests(peer, type).isEmpty(); }, timeoutMs);
}

int SimProcess::push(quint16 code, int arg, const QString& text) const
{
    return push(prefix_, {QStringLiteral("--code"), QString::asprintf("0x%04x", code), QStringLiteral("--arg"),
                          QString::number(arg), QStringLiteral("--text"), text});
}

int SimProcess::push(const QString& prefixRoot, const QStringList& args, QString* errorOutput)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CORVISBENCH_PREFIX"), prefixRoot);
    process.setProcessEnvironment(env);
    process.start(program(), QStringList{QStringLiteral("push")} + args);
    // The workbench's push server may live in this very process: keep its events flowing.
    if (!process.waitForStarted(5000) ||
        !QTest::qWaitFor([&]() { return process.state() == QProcess::NotRunning; }, 20000)) {
        process.kill();
        process.waitForFinished(3000);
        return -1;
    }
    if (errorOutput != nullptr) {
        *errorOutput = QString::fromLocal8Bit(process.readAllStandardError());
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
