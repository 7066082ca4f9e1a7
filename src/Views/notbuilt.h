#pragma once

#include <QString>

// Operations of pages and dialogs whose behaviour is still to come log this (at WARNING, so it
// stands out) instead of pretending that anything happened: "FUNC(Class::op) not built yet"
// followed by ", " and `detail` when given.
void logNotBuilt(const char* operation, const QString& detail = QString());
