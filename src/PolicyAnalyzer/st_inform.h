#pragma once

#include <QMetaType>
#include <QString>

// One message of the notification centre.
struct st_inform {
    QString id;
    QString title;
    QString content;
    QString time;  // as the service sends it
    int isRead = 0;  // non-zero once the user has read it
};
Q_DECLARE_METATYPE(st_inform)
