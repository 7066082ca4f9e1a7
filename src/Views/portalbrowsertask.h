#pragma once

#include "src/PolicyAnalyzer/st_resource.h"

#include <QRunnable>
#include <QString>

// Opens a web application of the portal in the desktop's browser, on the global thread pool:
// with single sign-on (the rolq edition) it first asks the controller for a ticket and adds it to
// the address; then the user station runs the browser (Common::openURL). Holds its own copy of
// the entry.
class PortalBrowserTask : public QRunnable
{
public:
    PortalBrowserTask(const st_resource& entry, bool singleSignOn);

    void run() override;

    // The address to open: the entry's own, or with single sign-on the one the controller's
    // answer makes of it (the entry's own when the controller gives no ticket).
    static QString address(const st_resource& entry, bool singleSignOn);

private:
    st_resource entry_;
    bool singleSignOn_;
};
