// corvissim: the sibling services of the workbench, played on their sockets under the prefix.
//   corvissim serve [--scenario FILE | --scenario builtin:NAME]...
//   corvissim push --code 0xNNNN [--arg N] [--text TEXT]
//   corvissim qrcode scan|confirm|expire|cancel [--user NAME] [--authcode CODE] [--sessionid ID] [--msg TEXT]
// See README.md beside this file.

#include "simpush.h"
#include "simqrcode.h"
#include "simrecord.h"
#include "simresponder.h"
#include "simscenario.h"
#include "simservice.h"

#include "comm/clientreq.h"
#include "corviscommon/productpath.h"

#include <QCoreApplication>
#include <QStringList>

#include <glog/logging.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: corvissim serve [--scenario FILE | --scenario builtin:NAME]...\n"
                 "       corvissim push --code 0xNNNN [--arg N] [--text TEXT]\n"
                 "       corvissim qrcode scan|confirm|expire|cancel [--user NAME] [--authcode CODE] "
                 "[--sessionid ID] [--msg TEXT]\n");
    return 2;
}

int serve(const QStringList& args)
{
    // Several scenarios are loaded in order; a later one replaces the entries of an earlier one.
    QStringList scenarioNames;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--scenario") && i + 1 < args.size()) {
            scenarioNames.append(args.at(++i));
        } else {
            return usage();
        }
    }
    // The simulator takes over service sockets: never the real ones.
    if (corvis::pathPrefix().empty()) {
        std::fprintf(stderr, "corvissim: CORVISBENCH_PREFIX is not set; serve runs only under a prefix\n");
        return 1;
    }

    SimScenario scenario;
    QString error;
    for (const QString& scenarioName : scenarioNames) {
        const bool loaded = scenarioName.startsWith(QLatin1String("builtin:"))
                                ? scenario.loadBuiltin(scenarioName.mid(8), &error)
                                : scenario.loadFile(scenarioName, &error);
        if (!loaded) {
            std::fprintf(stderr, "corvissim: %s\n", error.toLocal8Bit().constData());
            return 1;
        }
    }
    SimRecord record;
    const QString prefix = QString::fromStdString(corvis::pathPrefix());
    if (!record.open(prefix + QStringLiteral("/sim/requests.jsonl"), &error)) {
        std::fprintf(stderr, "corvissim: %s\n", error.toLocal8Bit().constData());
        return 1;
    }

    // Signals are taken by sigwait below; every thread started from here inherits the mask.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    SimResponder responder;
    // The services' own socket table: every socket the workbench may reach a service on.
    std::vector<std::unique_ptr<SimService>> services;
    for (const ServiceSocket& socket : serviceSockets()) {
        services.push_back(std::make_unique<SimService>(socket.peer, socket.path, socket.framing, socket.answers,
                                                        scenario, record, responder));
        if (!services.back()->start(&error)) {
            std::fprintf(stderr, "corvissim: %s\n", error.toLocal8Bit().constData());
            return 1;
        }
    }
    std::printf("corvissim: serving under %s\n", prefix.toLocal8Bit().constData());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&endSignals, &signal);
    for (auto& service : services) {
        service->stop();
    }
    responder.shutdown();
    return 0;
}

int push(const QStringList& args)
{
    bool haveCode = false;
    uint16_t code = 0;
    uint16_t arg = 0;
    QByteArray text;
    for (int i = 0; i < args.size(); ++i) {
        const QString& option = args.at(i);
        if (i + 1 >= args.size()) {
            return usage();
        }
        const QString value = args.at(++i);
        if (option == QLatin1String("--code")) {
            haveCode = SimScenario::parseCode(QJsonValue(value), &code);
            if (!haveCode) {
                std::fprintf(stderr, "corvissim: --code takes 0xNNNN\n");
                return 2;
            }
        } else if (option == QLatin1String("--arg")) {
            bool ok = false;
            const uint parsed = value.toUInt(&ok, 0);
            if (!ok || parsed > 0xFFFF) {
                std::fprintf(stderr, "corvissim: --arg takes a number 0..65535\n");
                return 2;
            }
            arg = static_cast<uint16_t>(parsed);
        } else if (option == QLatin1String("--text")) {
            text = value.toUtf8();
        } else {
            return usage();
        }
    }
    if (!haveCode) {
        return usage();
    }
    QString error;
    const int rc = simPush(code, arg, text, &error);
    if (rc != 0) {
        std::fprintf(stderr, "corvissim: push not delivered: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    FLAGS_logtostderr = true;
    google::InitGoogleLogging("corvissim");
    std::signal(SIGPIPE, SIG_IGN);

    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        return usage();
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("serve")) {
        return serve(args);
    }
    if (command == QLatin1String("push")) {
        return push(args);
    }
    if (command == QLatin1String("qrcode")) {
        return SimQrcode::command(args);
    }
    return usage();
}
