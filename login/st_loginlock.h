#pragma once

#include <QMetaType>
#include <QString>

// A login lock or retry record sent by the client service with substatus 21 or 22.
struct st_loginLock {
    int restTime = -1;   // seconds the account stays locked; -1 when unknown
    int failCount = -1;  // failures so far; -1 when unknown
    QString msg;
};
Q_DECLARE_METATYPE(st_loginLock)
