#pragma once

#include <QMap>
#include <QMetaType>
#include <QSet>
#include <QString>

// One network mode and the ids of the applications usable in it.
struct st_netmode {
    QString NetModeID;
    QString NetModeName;
    QSet<QString> AppIds;
};
Q_DECLARE_METATYPE(st_netmode)
