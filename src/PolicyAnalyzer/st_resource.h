#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// One application entry of the portal or of the application-request list.
struct st_resource {
    QString AppID;
    QString AppName;
    QString AppIco;
    QString icoPath;  // local cache file of the icon
    QString Url;
    QString uidclassid;
    QString source;
    bool isCreateIconInSandbox = false;
    bool enable = false;
    bool isApply = false;
    bool isChecked = false;
    bool iAppHide = false;
    bool ibrowsertype = false;
    bool isProtectApp = false;
    bool collect = false;
    int RunMode = 0;
    int ResourceType = 0;
};
Q_DECLARE_METATYPE(st_resource)
Q_DECLARE_METATYPE(QList<st_resource>)
