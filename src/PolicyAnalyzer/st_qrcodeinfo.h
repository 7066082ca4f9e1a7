#pragma once

#include <QMetaType>
#include <QString>

// State of one QR-code login flow, held by the login dialog.
struct st_qrcodeInfo {
    int ready = 1;    // a new flow may start
    int status = -1;  // last scan status; -1 before the first heartbeat
    QString sign;     // key of the whole flow
    QString username;
    QString authcode;
    QString sessionid;
    QString msg;
};
Q_DECLARE_METATYPE(st_qrcodeInfo)
