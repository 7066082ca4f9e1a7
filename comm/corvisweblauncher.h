#pragma once

#include <QString>

// Starts the embedded web component on the portal address (rolq edition with embedded web): the
// program bin/startcorvisweb of the install root, detached, with the portal address as its one
// argument. It gets the workbench's environment without the library, Qt plug-in, QML and
// platform settings, which belong to the workbench's own Qt.
class CorviswebLauncher
{
public:
    static QString programPath();
    // True when the program was started.
    static bool start(const QString& portalUrl);
};
