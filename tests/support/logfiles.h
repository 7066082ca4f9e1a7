#pragma once

#include <QString>

// The workbench's log text of one severity ("info", "warning", "error") under a prefix root:
// every corvisbench.<severity>.* file there, concatenated.
QString workbenchLog(const QString& prefixRoot, const QString& severity);
