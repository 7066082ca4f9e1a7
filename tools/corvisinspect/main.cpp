// corvisinspect WHAT [ARGS]: prints, as one JSON object, what the workbench reads from the
// configuration, the result documents, the host and the controller.

#include "tools/corvisinspect/inspectregistry.h"

#include "corviscommon/logging.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>

namespace {

void printUsage()
{
    std::fprintf(stderr, "usage: corvisinspect WHAT [ARGS]\n");
    for (const InspectCommand& command : InspectRegistry::commands()) {
        std::fprintf(stderr, "  %s\n", command.usage.toLocal8Bit().constData());
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    // The workbench's log lines go to standard error; standard output carries only the JSON.
    FLAGS_logtostderr = true;
    FLAGS_colorlogtostderr = false;
    google::InitGoogleLogging(argv[0]);
    QCoreApplication app(argc, argv);

    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        printUsage();
        return 1;
    }
    const QString what = args.takeFirst();
    const InspectCommand* command = InspectRegistry::find(what);
    if (command == nullptr) {
        std::fprintf(stderr, "corvisinspect: unknown WHAT \"%s\"\n", what.toLocal8Bit().constData());
        printUsage();
        return 1;
    }
    QJsonObject out;
    QString error;
    if (command->run(args, out, error) != 0) {
        std::fprintf(stderr, "corvisinspect %s: %s\nusage: %s\n", what.toLocal8Bit().constData(),
                     error.toLocal8Bit().constData(), command->usage.toLocal8Bit().constData());
        return 1;
    }
    const QByteArray json = QJsonDocument(out).toJson(QJsonDocument::Indented);
    std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
    return 0;
}
