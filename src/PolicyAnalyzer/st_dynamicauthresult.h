#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// One assessed risk item of a dynamic-authorization result.
struct st_dynamicAuthItem {
    QString riskType;
    QString itemName;
    int bResult = 0;
    QString riskScore;
    QString description;
};

// The latest dynamic (continuous) authorization assessment of the host.
struct st_dynamicAuthResult {
    QString score;
    QString trustLevel;
    QString checkTime;
    QList<st_dynamicAuthItem> items;
};
Q_DECLARE_METATYPE(st_dynamicAuthResult)

// The re-authentication a dynamic-authorization response demands.
enum AuthAgainType {
    AuthAgainPwd = 0,
    AuthAgainSms = 1,
};
Q_DECLARE_METATYPE(AuthAgainType)
