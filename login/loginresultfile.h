#pragma once

#include <QJsonObject>
#include <QString>

// ini/login.json, written by the client service after a login exchange and only read here.
struct LoginResultFile {
    enum Outcome { Missing, Unreadable, Ok };

    Outcome outcome = Missing;
    int status = -1;                  // -1 when absent
    QString msg = QStringLiteral("未知错误");
    QString sessionId;
    QString loginName;
    QString accessToken;
    QString allowChangePwd;
    QJsonObject result;               // vesk editions: codes, image code, bind data
    bool hasResult = false;           // "result" is there as an object (possibly empty)

    // Reads the file now: Missing when nothing is there, Unreadable for a file that cannot be
    // read or is not a JSON object.
    static LoginResultFile read();
    static QString path();
};
