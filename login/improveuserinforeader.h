#pragma once

#include "login/loginresultfile.h"
#include "login/st_improveuserinfoelements.h"

#include <QJsonObject>
#include <QString>
#include <QVector>

// The user-information form a login asks to be completed first (substatus 26): the elements of
// "pageElements" inside the "result" of ini/login.json.
class ImproveUserInfoReader
{
public:
    // More elements (or options of one element) than this are dropped with a warning: the form
    // stays usable whatever the document holds.
    static constexpr int kMaxElements = 1000;
    static constexpr int kMaxOptions = 1000;

    // Reads ini/login.json now. False on any failure, with `msg` the tip to show; on success
    // `elements` holds every element in the order of the document (an empty list is a success).
    static bool read(QString& msg, QVector<st_ImproveUserInfoElements>& elements);
    // The same for a document already read.
    static bool parse(const LoginResultFile& file, QString& msg, QVector<st_ImproveUserInfoElements>& elements);
    // One entry of "pageElements". Numbers may come as numbers or as decimal texts.
    static st_ImproveUserInfoElements element(const QJsonObject& entry);
};
