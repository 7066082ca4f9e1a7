#pragma once

#include "corviscommon/edition.h"

#include <QString>

// The colours of the login pages: the theme colour of an edition for informational tips and the
// idle login button, the error colour and the neutral hint colour shared by every edition.
namespace LoginColors {

QString theme(const corvis::Edition& edition);
QString themeHover(const corvis::Edition& edition);
inline QString error() { return QStringLiteral("#D8424E"); }
inline QString hint() { return QStringLiteral("#2F2F2F"); }

}  // namespace LoginColors
