#pragma once

#include "corviscommon/edition.h"

#include <QString>

// Colours of the login pages by edition.
namespace LoginEdition {

// Informational tips and the idle login button.
QString themeColor(const corvis::Edition& edition);
QString themeHoverColor(const corvis::Edition& edition);
// Error tips in every edition.
inline QString errorColor() { return QStringLiteral("#D8424E"); }
// Neutral hints.
inline QString hintColor() { return QStringLiteral("#2F2F2F"); }

}  // namespace LoginEdition
