#pragma once

#include <QMetaType>
#include <QString>

// The device is bound to another user: the controller's text, that user and the change ticket.
struct st_againBindInfo {
    QString msg;
    QString bindUserName;
    QString token;
};
Q_DECLARE_METATYPE(st_againBindInfo)
