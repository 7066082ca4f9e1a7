#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// One item of a check section: the text shown in the result tree and an optional repair link.
struct st_secondaryNode {
    QString reason;
    QString repairGuideUrl;
};

// One non-compliant check section with its caption and items.
struct st_primaryNode {
    QString title;
    QList<st_secondaryNode> items;
};

// Outcome of the host compliance check run at login.
struct st_accessCheckResult {
    int state = 0;
    int nodeCount = 0;
    QList<st_primaryNode> nodes;
};
Q_DECLARE_METATYPE(st_accessCheckResult)
