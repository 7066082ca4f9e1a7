#include "tokentool.h"

#include "testpaths.h"

#include "corviscommon/productpath.h"

#include <QProcess>

QString TokenTool::program()
{
    return QStringLiteral(CORVIS_BIN_DIR "/corvistoken");
}

int TokenTool::run(const QStringList& args, QString* output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program(), args);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (output != nullptr) {
        *output = QString::fromLocal8Bit(process.readAll());
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool TokenTool::makeKey(const QString& device, const QString& pin, const QStringList& containers, int iterations)
{
    if (run({"create", device, "--pin", pin, "--iterations", QString::number(iterations)}) != 0) {
        return false;
    }
    for (const QString& container : containers) {
        if (run({"add", device, container}) != 0) {
            return false;
        }
    }
    return true;
}

QString TokenTool::containerDir(const QString& device, const QString& container, const QString& app)
{
    return corvis::installPathQ(QStringLiteral("token/%1/%2/%3").arg(device, app, container));
}
