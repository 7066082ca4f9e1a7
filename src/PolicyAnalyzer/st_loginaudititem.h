#pragma once

#include <QMetaType>
#include <QString>

// One row of the login history.
struct st_loginAuditItem {
    QString action_time;
    QString auth_type;  // login type code; its display text comes from PolicyAnalyzer::getAuthType
    QString client_ip;
    QString client_mac;
    QString description;
};
Q_DECLARE_METATYPE(st_loginAuditItem)
