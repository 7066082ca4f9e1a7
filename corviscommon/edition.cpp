#include "corviscommon/edition.h"

#include "corviscommon/inivalues.h"
#include "corviscommon/productpaths.h"

#include <QMutex>
#include <QMutexLocker>

namespace corvis {

namespace {

struct Known {
    Edition::Id id;
    const char* project;
};

constexpr Known kKnown[] = {
    {Edition::Id::VeskUos, "vesk-uos-4.19.71"},
    {Edition::Id::VeskKylin, "vesk-kylin-5.4.18-32"},
    {Edition::Id::TirrowaUosX86, "tirrowa-uos-x86"},
    {Edition::Id::Rolq, "rolq"},
    {Edition::Id::Kav, "kav"},
    {Edition::Id::Velmora, "velmora"},
    {Edition::Id::BrastelZtna, "brastel-ztna"},
    {Edition::Id::OstrelBigdata, "ostrel-bigdata"},
};

QMutex& currentMutex()
{
    static QMutex mutex;
    return mutex;
}

QString& currentProject()
{
    static QString project;
    return project;
}

}  // namespace

Edition::Edition(Id id) : id_(id), project_(projectId(id)) {}

Edition Edition::fromProject(const QString& project)
{
    Edition edition;
    edition.project_ = project;
    if (project.isEmpty()) {
        edition.id_ = Id::Standard;
        return edition;
    }
    edition.id_ = Id::Other;
    for (const Known& known : kKnown) {
        if (project == QLatin1String(known.project)) {
            edition.id_ = known.id;
            break;
        }
    }
    return edition;
}

Edition Edition::current()
{
    {
        QMutexLocker lock(&currentMutex());
        if (!currentProject().isEmpty()) {
            return fromProject(currentProject());
        }
    }
    const QString project = ini::readString(paths::sysCfg(), "Mervasso", "customProject", 256);
    QMutexLocker lock(&currentMutex());
    currentProject() = project;
    return fromProject(project);
}

void Edition::resetCurrentForTest()
{
    QMutexLocker lock(&currentMutex());
    currentProject().clear();
}

QString Edition::projectId(Id id)
{
    for (const Known& known : kKnown) {
        if (known.id == id) {
            return QString::fromLatin1(known.project);
        }
    }
    return QString();
}

}  // namespace corvis
