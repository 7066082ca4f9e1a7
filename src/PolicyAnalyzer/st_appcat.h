#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// One application category; `uidclassid` is matched against that of st_resource.
struct st_appCat {
    int icount = 0;
    QString uidclassid;
    QString strDesc;  // display name
    QString acfid;
};
Q_DECLARE_METATYPE(st_appCat)
Q_DECLARE_METATYPE(QList<st_appCat>)
