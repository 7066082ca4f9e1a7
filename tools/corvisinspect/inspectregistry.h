#pragma once

#include <QJsonObject>
#include <QStringList>

#include <functional>
#include <vector>

// The commands of corvisinspect. Each command's file registers itself with a static
// InspectRegistrar, so that adding a command never touches the dispatcher.
struct InspectCommand {
    QString name;
    QString usage;
    // Fills `out` and returns 0, or returns 1 with a message in `error` (bad arguments).
    std::function<int(const QStringList& args, QJsonObject& out, QString& error)> run;
};

class InspectRegistry
{
public:
    static std::vector<InspectCommand>& commands();
    static const InspectCommand* find(const QString& name);
};

struct InspectRegistrar {
    InspectRegistrar(const QString& name, const QString& usage,
                     std::function<int(const QStringList&, QJsonObject&, QString&)> run);
};
