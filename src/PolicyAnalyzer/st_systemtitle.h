#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// One login type to offer: its id and tab text.
struct st_loginMenu {
    QString menuId;
    QString menuText;
};

// Password rules to display, decimal numbers as sent.
struct st_pwdClaim {
    QString max_length;
    QString min_charlen;
    QString min_length;
    QString min_numlen;
    QString min_special_len;
    int isPwdClaimOpen = 0;
};

// How the login screen is set up.
struct st_systemTitle {
    int validateCodeType = 0;  // 0 none, 1 dynamic code, 2 image or SMS code
    QList<st_loginMenu> loginMenu;
    st_pwdClaim pwdClaim;
    int embeddedWeb = 0;
    int certAuthSign = 0;
};
Q_DECLARE_METATYPE(st_systemTitle)
