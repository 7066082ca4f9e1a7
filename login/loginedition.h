#pragma once

#include <QString>

// Edition-dependent choices of the login pages.
namespace LoginEdition {

// True for the two vesk editions.
bool isVesk(const QString& project);
// Informational tips and the idle login button.
QString themeColor(const QString& project);
QString themeHoverColor(const QString& project);
// Error tips in every edition.
inline QString errorColor() { return QStringLiteral("#D8424E"); }
// Neutral hints.
inline QString hintColor() { return QStringLiteral("#2F2F2F"); }

}  // namespace LoginEdition
