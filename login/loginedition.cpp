#include "login/loginedition.h"

#include "app/common.h"

namespace LoginEdition {

bool isVesk(const QString& project)
{
    return project == QLatin1String(PROJECT_VESK_UOS) || project == QLatin1String(PROJECT_VESK_KYLIN);
}

QString themeColor(const QString& project)
{
    if (isVesk(project)) {
        return QStringLiteral("#4AB793");
    }
    if (project == QLatin1String(PROJECT_KAV)) {
        return QStringLiteral("#D70A2A");
    }
    return QStringLiteral("#1AA9FF");
}

QString themeHoverColor(const QString& project)
{
    if (isVesk(project)) {
        return QStringLiteral("#3A8783");
    }
    if (project == QLatin1String(PROJECT_KAV)) {
        return QStringLiteral("#A3031E");
    }
    return QStringLiteral("#1A89FF");
}

}  // namespace LoginEdition
