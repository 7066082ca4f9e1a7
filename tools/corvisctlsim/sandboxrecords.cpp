#include "tools/corvisctlsim/sandboxrecords.h"

#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QList>

namespace sandboxrecords {

namespace {

// The form fields as sent: values are not escaped by the workbench, so they are taken as they are.
QHash<QString, QString> formFields(const QByteArray& body)
{
    QHash<QString, QString> fields;
    for (const QByteArray& pair : body.split('&')) {
        const int equals = pair.indexOf('=');
        if (equals > 0) {
            fields.insert(QString::fromUtf8(pair.left(equals)), QString::fromUtf8(pair.mid(equals + 1)));
        }
    }
    return fields;
}

// A record's apply time in seconds: a decimal number, or a local "yyyy-MM-dd hh:mm:ss" text.
bool applySeconds(const QJsonObject& record, qint64& seconds)
{
    const QString text = record.value(QStringLiteral("applyTime")).toString();
    bool ok = false;
    seconds = text.toLongLong(&ok);
    if (ok) {
        return true;
    }
    const QDateTime parsed = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (!parsed.isValid()) {
        return false;
    }
    seconds = parsed.toSecsSinceEpoch();
    return true;
}

QJsonObject resolved(QJsonObject record, qint64 now, int copy)
{
    if (record.contains(QStringLiteral("applyAgo"))) {
        record.insert(QStringLiteral("applyTime"),
                      QString::number(now - static_cast<qint64>(record.value(QStringLiteral("applyAgo")).toDouble())));
    }
    if (record.contains(QStringLiteral("approveAgo"))) {
        record.insert(QStringLiteral("approveTime"),
                      QString::number(now - static_cast<qint64>(record.value(QStringLiteral("approveAgo")).toDouble())));
    }
    record.remove(QStringLiteral("applyAgo"));
    record.remove(QStringLiteral("approveAgo"));
    if (copy > 0) {
        record.insert(QStringLiteral("recordId"),
                      record.value(QStringLiteral("recordId")).toString() + QStringLiteral("-%1").arg(copy + 1));
    }
    return record;
}

}  // namespace

bool check(const QJsonObject& spec, QString& error)
{
    if (!spec.value(QStringLiteral("records")).isArray()) {
        error = QStringLiteral("sandboxRecords: a \"records\" array expected");
        return false;
    }
    for (const QJsonValue& record : spec.value(QStringLiteral("records")).toArray()) {
        if (!record.isObject()) {
            error = QStringLiteral("sandboxRecords: every record must be an object");
            return false;
        }
    }
    const QJsonValue copies = spec.value(QStringLiteral("copies"));
    if (!copies.isUndefined() && (!copies.isDouble() || copies.toInt(-1) < 1 || copies.toInt() > 1000000)) {
        error = QStringLiteral("sandboxRecords: \"copies\" must be a number from 1 to 1000000");
        return false;
    }
    return true;
}

QByteArray answer(const QJsonObject& spec, const QByteArray& requestBody, qint64 now)
{
    const QHash<QString, QString> form = formFields(requestBody);
    const QString status = form.value(QStringLiteral("approveStatus"));
    bool hasStart = false;
    bool hasEnd = false;
    const qint64 start = form.value(QStringLiteral("startTime")).toLongLong(&hasStart);
    const qint64 end = form.value(QStringLiteral("endTime")).toLongLong(&hasEnd);
    bool paged = false;
    bool sized = false;
    const int pageIndex = form.value(QStringLiteral("pageIndex")).toInt(&paged);
    const int pageSize = form.value(QStringLiteral("pageSize")).toInt(&sized);

    const QJsonArray records = spec.value(QStringLiteral("records")).toArray();
    const int copies = spec.value(QStringLiteral("copies")).toInt(1);
    QList<QJsonObject> matching;
    for (int copy = 0; copy < copies; ++copy) {
        for (const QJsonValue& item : records) {
            const QJsonObject record = resolved(item.toObject(), now, copy);
            if (!status.isEmpty() && record.value(QStringLiteral("approveResult")).toString() != status) {
                continue;
            }
            if (hasStart || hasEnd) {
                qint64 applied = 0;
                if (!applySeconds(record, applied) || (hasStart && applied < start) || (hasEnd && applied > end)) {
                    continue;
                }
            }
            matching.append(record);
        }
    }
    // Pages count from 1; without both numbers (or with a size below 1) every record is listed.
    int first = 0;
    int last = matching.size();
    if (paged && sized && pageSize > 0) {
        const qint64 from = (static_cast<qint64>(qMax(pageIndex, 1)) - 1) * pageSize;
        first = static_cast<int>(qMin<qint64>(from, matching.size()));
        last = static_cast<int>(qMin<qint64>(matching.size(), static_cast<qint64>(first) + pageSize));
    }
    QJsonArray page;
    for (int i = first; i < last; ++i) {
        page.append(matching.at(i));
    }
    const QJsonObject data{{QStringLiteral("totalCount"), matching.size()}, {QStringLiteral("recordList"), page}};
    const QJsonObject reply{{QStringLiteral("status"), spec.value(QStringLiteral("status")).toInt(2000)},
                            {QStringLiteral("msg"), spec.value(QStringLiteral("msg")).toString(QStringLiteral("success"))},
                            {QStringLiteral("data"), data}};
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

}  // namespace sandboxrecords
