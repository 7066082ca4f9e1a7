#pragma once

#include <QMetaType>
#include <QString>

// One application approval record, as sent.
struct st_appforResource {
    QString appName;
    QString approveResult;
    QString applyTime;
    QString validEndTime;
    QString applyReason;
    QString approveTime;
    QString approveRemark;
    QString approver;
};
Q_DECLARE_METATYPE(st_appforResource)
