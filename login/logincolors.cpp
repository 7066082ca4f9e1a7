#include "login/logincolors.h"

namespace LoginColors {

QString theme(const corvis::Edition& edition)
{
    if (edition.isVesk()) {
        return QStringLiteral("#4AB793");
    }
    if (edition.is(corvis::Edition::Id::Kav)) {
        return QStringLiteral("#D70A2A");
    }
    return QStringLiteral("#1AA9FF");
}

QString themeHover(const corvis::Edition& edition)
{
    if (edition.isVesk()) {
        return QStringLiteral("#3A8783");
    }
    if (edition.is(corvis::Edition::Id::Kav)) {
        return QStringLiteral("#A3031E");
    }
    return QStringLiteral("#1A89FF");
}

}  // namespace LoginColors
