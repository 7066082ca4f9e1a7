// corvissoak: a long run of the core request and push paths against corvissim, with faults mixed
// in; see soakrun.h. scripts/soak.sh runs it under ASan.
//
//   corvissoak [--minutes N] [--seconds N] [--requests N] [--pushes N] [--restart-every SECONDS]
//              [--timeout-ms N] [--corvissim PATH]

#include "soakrun.h"

#include "app/logmanager.h"
#include "platform/corvismsg/msgoptions.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SoakRun::Options options;
    options.simProgram = QCoreApplication::applicationDirPath() + QStringLiteral("/corvissim");
    int timeoutMs = 1000;
    const QStringList args = app.arguments();
    // Options come in pairs: a name and its value.
    for (int i = 1; i < args.size(); i += 2) {
        const QString arg = args.at(i);
        const QString value = i + 1 < args.size() ? args.at(i + 1) : QString();
        bool used = true;
        if (arg == QLatin1String("--minutes")) {
            options.seconds = value.toInt() * 60;
        } else if (arg == QLatin1String("--seconds")) {
            options.seconds = value.toInt();
        } else if (arg == QLatin1String("--requests")) {
            options.requests = value.toInt();
        } else if (arg == QLatin1String("--pushes")) {
            options.pushes = value.toInt();
        } else if (arg == QLatin1String("--restart-every")) {
            options.restartEverySeconds = value.toInt();
        } else if (arg == QLatin1String("--timeout-ms")) {
            timeoutMs = value.toInt();
        } else if (arg == QLatin1String("--corvissim")) {
            options.simProgram = value;
        } else {
            used = false;
        }
        if (!used || value.isEmpty()) {
            std::fprintf(stderr, "usage: corvissoak [--minutes N] [--seconds N] [--requests N] [--pushes N] "
                                 "[--restart-every SECONDS] [--timeout-ms N] [--corvissim PATH]\n");
            return 2;
        }
    }
    if (options.seconds <= 0 || options.requests < 0 || options.pushes < 0 || options.restartEverySeconds <= 0) {
        std::fprintf(stderr, "corvissoak: bad numbers\n");
        return 2;
    }
    // A prefix of its own, so that nothing touches the product paths; kept for the logs.
    QByteArray root = qgetenv("CORVISBENCH_PREFIX");
    if (root.isEmpty()) {
        char templ[] = "/tmp/cvbsoak.XXXXXX";
        if (::mkdtemp(templ) == nullptr) {
            return 2;
        }
        root = templ;
        qputenv("CORVISBENCH_PREFIX", root);
    }
    options.prefix = QString::fromLocal8Bit(root);
    QDir().mkpath(options.prefix + QStringLiteral("/tmp"));
    // The product's own logs, in files below the prefix (rotated and pruned as in the product).
    LogManager logs(argv[0]);
    // Hung requests end after this; the soak has many of them.
    corvismsg::setReceiveTimeoutMs(timeoutMs);
    std::printf("soak: prefix %s, %d s, %d requests, %d pushes\n", root.constData(), options.seconds, options.requests,
                options.pushes);
    std::fflush(stdout);
    SoakRun run(options);
    return run.run();
}
