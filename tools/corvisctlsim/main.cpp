// corvisctlsim: a loopback stand-in for the controller (HTTPS) and the local sandbox service
// (HTTP), answering from a scenario and recording every request. See README.md beside this file.

#include "corviscommon/inifile.h"
#include "corviscommon/productpath.h"
#include "corviscommon/productpaths.h"
#include "tools/corvisctlsim/ctlserver.h"
#include "tools/corvisctlsim/desecb.h"

#include <QFileInfo>

#include <openssl/ssl.h>

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: corvisctlsim serve [--scenario FILE] [--record FILE] [--challenges FILE] [--https-port N]\n"
                 "                          [--sandbox-port N] [--tls-min 1.2|1.3] [--configure] [--exit-with-parent]\n"
                 "       corvisctlsim des encrypt|decrypt KEY   (text on standard input)\n");
    return 1;
}

int runDes(int argc, char* argv[])
{
    if (argc != 4 || (std::strcmp(argv[2], "encrypt") != 0 && std::strcmp(argv[2], "decrypt") != 0)) {
        return usage();
    }
    const std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    std::string output;
    const bool ok = std::strcmp(argv[2], "encrypt") == 0 ? desecb::encrypt(argv[3], input, output)
                                                          : desecb::decrypt(argv[3], input, output);
    if (!ok) {
        std::fprintf(stderr, "corvisctlsim des: %s failed\n", argv[2]);
        return 1;
    }
    std::fwrite(output.data(), 1, output.size(), stdout);
    return 0;
}

bool parsePort(const char* text, int& port)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 65535) {
        return false;
    }
    port = static_cast<int>(value);
    return true;
}

// Points the workbench's configuration under the prefix at this stand-in.
void configure(int httpsPort, int sandboxPort)
{
    const std::string sysCfg = corvis::paths::sysCfg().toLocal8Bit().toStdString();
    corvis::makeParentDirs(sysCfg);
    const std::string https = std::to_string(httpsPort);
    const std::string sandbox = std::to_string(sandboxPort);
    inifile_write(sysCfg.c_str(), "Mervasso", "ServerIP", "127.0.0.1", nullptr);
    inifile_write(sysCfg.c_str(), "Mervasso", "ServerPort", https.c_str(), nullptr);
    inifile_write(sysCfg.c_str(), "NewSandbox", "ServerIP", "127.0.0.1", nullptr);
    inifile_write(sysCfg.c_str(), "NewSandbox", "ServerPort", sandbox.c_str(), nullptr);
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc >= 2 && std::strcmp(argv[1], "des") == 0) {
        return runDes(argc, argv);
    }
    if (argc < 2 || std::strcmp(argv[1], "serve") != 0) {
        return usage();
    }
    CtlServer::Options options;
    options.tlsMinVersion = TLS1_2_VERSION;
    bool writeConfig = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--configure") {
            writeConfig = true;
        } else if (arg == "--exit-with-parent") {
            // A test that dies must not leave its stand-in (and its output pipes) behind.
            const pid_t parent = ::getppid();
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent) {
                return 1;
            }
        } else if (arg == "--scenario" && hasValue) {
            options.scenarioPath = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == "--record" && hasValue) {
            options.recordPath = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == "--challenges" && hasValue) {
            options.challengePath = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == "--https-port" && hasValue) {
            if (!parsePort(argv[++i], options.httpsPort)) {
                return usage();
            }
        } else if (arg == "--sandbox-port" && hasValue) {
            if (!parsePort(argv[++i], options.sandboxPort)) {
                return usage();
            }
        } else if (arg == "--tls-min" && hasValue) {
            const std::string version = argv[++i];
            if (version == "1.2") {
                options.tlsMinVersion = TLS1_2_VERSION;
            } else if (version == "1.3") {
                options.tlsMinVersion = TLS1_3_VERSION;
            } else {
                return usage();
            }
        } else {
            return usage();
        }
    }
    if (options.recordPath.isEmpty()) {
        // The record lives beside corvissim's, below the prefix, never in a real product path.
        if (corvis::pathPrefix().empty()) {
            std::fprintf(stderr, "corvisctlsim: set CORVISBENCH_PREFIX or give --record FILE\n");
            return 1;
        }
        const std::string dir = corvis::pathPrefix() + "/sim";
        corvis::makeDirs(dir);
        options.recordPath = QString::fromLocal8Bit((dir + "/controller-requests.jsonl").c_str());
    }
    if (options.challengePath.isEmpty()) {
        // Beside the record, where the simulated client service looks for them.
        options.challengePath = QFileInfo(options.recordPath).absolutePath() + QStringLiteral("/challenges.jsonl");
    }
    std::signal(SIGPIPE, SIG_IGN);

    CtlServer server(options);
    QString error;
    if (!server.start(error)) {
        std::fprintf(stderr, "corvisctlsim: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    if (writeConfig) {
        configure(server.httpsPort(), server.sandboxPort());
    }
    std::printf("corvisctlsim ready https=%d sandbox=%d ipv6=%d\n", server.httpsPort(), server.sandboxPort(),
                server.hasIpv6() ? 1 : 0);
    std::fflush(stdout);
    server.run();
    return 0;
}
