// "approveRecords": { "records": [ RECORD, ... ] } — the client service's application approval
// records (request 0x0137). The body is empty (every record) or the start and end of a time range
// in seconds since the epoch on two lines; the answer lists the records applied for within it:
// {"status":2000,"msg":"success","data":{"totalCount":N,"recordList":[...]}}.
//
// A RECORD is copied as it is, except that "applyAgo", "approveAgo" (seconds before now) and
// "validFor" (seconds after now; 0 or less: never expires) become "applyTime", "approveTime" and
// "validEndTime" in seconds since the epoch, so that the records stay spread over the last months
// whenever the scenario runs. A body that is no range is refused with status 1.

#include "simkeys.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

const QStringList kRelative{QStringLiteral("applyAgo"), QStringLiteral("approveAgo"), QStringLiteral("validFor")};

bool check(const QJsonValue& value, QString* error)
{
    const QJsonObject object = value.toObject();
    if (!value.isObject() || !object.value(QStringLiteral("records")).isArray()) {
        *error = QStringLiteral("an object with a \"records\" array expected");
        return false;
    }
    const QJsonArray records = object.value(QStringLiteral("records")).toArray();
    for (int i = 0; i < records.size(); ++i) {
        if (!records.at(i).isObject()) {
            *error = QStringLiteral("records[%1]: an object expected").arg(i);
            return false;
        }
        const QJsonObject record = records.at(i).toObject();
        for (const QString& key : kRelative) {
            if (record.contains(key) && !record.value(key).isDouble()) {
                *error = QStringLiteral("records[%1].%2: a number of seconds expected").arg(i).arg(key);
                return false;
            }
        }
    }
    return true;
}

QJsonObject resolved(QJsonObject record, qint64 now)
{
    const auto seconds = [&record](const QString& key) { return static_cast<qint64>(record.value(key).toDouble()); };
    if (record.contains(QStringLiteral("applyAgo"))) {
        record.insert(QStringLiteral("applyTime"), QString::number(now - seconds(QStringLiteral("applyAgo"))));
    }
    if (record.contains(QStringLiteral("approveAgo"))) {
        record.insert(QStringLiteral("approveTime"), QString::number(now - seconds(QStringLiteral("approveAgo"))));
    }
    if (record.contains(QStringLiteral("validFor"))) {
        const qint64 validFor = seconds(QStringLiteral("validFor"));
        record.insert(QStringLiteral("validEndTime"), validFor > 0 ? QString::number(now + validFor) : QStringLiteral("0"));
    }
    for (const QString& key : kRelative) {
        record.remove(key);
    }
    return record;
}

void apply(const SimRequest& request, const QJsonValue& value, SimAnswer& answer)
{
    const QString body = QString::fromUtf8(request.body);
    bool ranged = false;
    qint64 start = 0;
    qint64 end = 0;
    if (!body.isEmpty()) {
        const QStringList fields = body.split(QLatin1Char('\n'));
        bool startOk = false;
        bool endOk = false;
        if (fields.size() == 2) {
            start = fields.at(0).toLongLong(&startOk);
            end = fields.at(1).toLongLong(&endOk);
        }
        if (!startOk || !endOk || start > end) {
            answer.status = 1;
            answer.reply = QStringLiteral("时间范围无效").toUtf8();
            return;
        }
        ranged = true;
    }
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QJsonArray list;
    for (const QJsonValue& item : value.toObject().value(QStringLiteral("records")).toArray()) {
        const QJsonObject record = resolved(item.toObject(), now);
        bool timed = false;
        const qint64 applied = record.value(QStringLiteral("applyTime")).toString().toLongLong(&timed);
        if (ranged && (!timed || applied < start || applied > end)) {
            continue;
        }
        list.append(record);
    }
    const QJsonObject data{{QStringLiteral("totalCount"), list.size()}, {QStringLiteral("recordList"), list}};
    const QJsonObject reply{{QStringLiteral("status"), 2000}, {QStringLiteral("msg"), QStringLiteral("success")},
                            {QStringLiteral("data"), data}};
    answer.reply = QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

const SimKeyRegistrar approveRecordsKey(QStringLiteral("approveRecords"), check, apply);

}  // namespace
