#pragma once

// The decisions start-up takes from the configuration, apart from their effects so that they
// can be tested without ending the process.
class Startup
{
public:
    // True (after logging why) when the edition or an old tray program forbids the workbench.
    static bool editionRefused();
    // True (after logging why) when neither client-server mode nor SPA is configured.
    static bool modeRefused();
    // The first page to show: 1 the login page, 3 the SPA page, -1 none (the window stays hidden
    // until a pushed message opens it). Logs the choice.
    static int firstPage();
};
