#pragma once

#include <QMetaType>

// The login types the login dialog offers, one per tab. Values are fixed: logs print them.
enum PageLoginType {
    PageLoginAccount = 0,  // account and password
    PageLoginPhone = 1,    // phone and password
    PageLoginQrcode = 2,   // QR code
    PageLoginCert = 3,     // certificate (USB key)
};
Q_DECLARE_METATYPE(PageLoginType)
