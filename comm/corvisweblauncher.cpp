#include "comm/corvisweblauncher.h"

#include "corviscommon/command.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpath.h"
#include "corviscommon/secretmask.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace {

// Set to empty, not removed: the component's start script treats them as its own to fill.
const char* const kClearedVariables[] = {"LD_LIBRARY_PATH", "QT_QPA_PLATFORM_PLUGIN_PATH", "QML2_IMPORT_PATH",
                                         "QT_QPA_PLATFORM"};

}  // namespace

QString CorviswebLauncher::programPath()
{
    return corvis::installPathQ(QStringLiteral("bin/startcorvisweb"));
}

bool CorviswebLauncher::start(const QString& portalUrl)
{
    const QString program = programPath();
    // No shell in between: the address from the controller's document reaches the program as
    // one literal argument.
    LOG(INFO) << "open url: "
              << corvis::maskSecrets(program + QLatin1Char(' ') +
                                     QString::fromStdString(shellQuote(portalUrl.toStdString())));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : kClearedVariables) {
        environment.insert(QString::fromLatin1(name), QString());
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments({portalUrl});
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached()) {
        LOG(ERROR) << "failed to start " << program << ": " << process.errorString();
        return false;
    }
    return true;
}
