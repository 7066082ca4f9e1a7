#include "tools/corvisinspect/inspectregistry.h"

std::vector<InspectCommand>& InspectRegistry::commands()
{
    static std::vector<InspectCommand> all;
    return all;
}

const InspectCommand* InspectRegistry::find(const QString& name)
{
    for (const InspectCommand& command : commands()) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

InspectRegistrar::InspectRegistrar(const QString& name, const QString& usage,
                                   std::function<int(const QStringList&, QJsonObject&, QString&)> run)
{
    InspectRegistry::commands().push_back({name, usage, std::move(run)});
}
