#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// The answer body of the response key "sandboxRecords": the controller's sandbox approval
// records, filtered and paged as the form body of querySandboxApproveRecords asks.
namespace sandboxrecords {

// Whether `spec` is a usable value of the key; `error` says why not.
bool check(const QJsonObject& spec, QString& error);
// {"status":..,"msg":..,"data":{"totalCount":N,"recordList":[...]}} for the request body
// ("sessionid=..&approveStatus=..&startTime=..&endTime=..&pageIndex=..&pageSize=..") at `now`.
QByteArray answer(const QJsonObject& spec, const QByteArray& requestBody, qint64 now);

}  // namespace sandboxrecords
