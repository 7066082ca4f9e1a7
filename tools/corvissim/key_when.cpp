// "when": [ { "fields": { "0": "demo", "1": "secret" }, "contains": "phone", "then": RESPONSE }, ... ]
// The first entry whose tests all hold for the request replaces the response; with none the
// response itself (its other keys) is carried out. "fields" compares whole fields of a body
// joined by line feeds (counted from 0); "contains" looks for a text anywhere in the body. This is
// how a login scenario answers a right password and a wrong one differently.

#include "simkeys.h"
#include "simscenario.h"

#include <QJsonArray>

namespace {

bool holds(const SimRequest& request, const QJsonObject& entry)
{
    const QString body = QString::fromUtf8(request.body);
    const QStringList fields = body.split(QLatin1Char('\n'));
    const QJsonObject wanted = entry.value(QStringLiteral("fields")).toObject();
    for (auto it = wanted.begin(); it != wanted.end(); ++it) {
        const int index = it.key().toInt();
        if (index >= fields.size() || fields.at(index) != it.value().toString()) {
            return false;
        }
    }
    const QJsonValue contains = entry.value(QStringLiteral("contains"));
    return contains.isUndefined() || body.contains(contains.toString());
}

bool check(const QJsonValue& value, QString* error)
{
    if (!value.isArray()) {
        *error = QStringLiteral("an array of {\"fields\", \"contains\", \"then\"} expected");
        return false;
    }
    const QJsonArray entries = value.toArray();
    for (int i = 0; i < entries.size(); ++i) {
        const QJsonObject entry = entries.at(i).toObject();
        const QString at = QStringLiteral("[%1]").arg(i);
        if (!entries.at(i).isObject() || !entry.value(QStringLiteral("then")).isObject()) {
            *error = at + QStringLiteral(": an object with a \"then\" response expected");
            return false;
        }
        for (auto it = entry.begin(); it != entry.end(); ++it) {
            if (it.key() != QLatin1String("fields") && it.key() != QLatin1String("contains") &&
                it.key() != QLatin1String("then")) {
                *error = at + QStringLiteral(".%1: unknown key").arg(it.key());
                return false;
            }
        }
        const QJsonValue fields = entry.value(QStringLiteral("fields"));
        if (!fields.isUndefined()) {
            if (!fields.isObject()) {
                *error = at + QStringLiteral(".fields: an object of field number to text expected");
                return false;
            }
            const QJsonObject map = fields.toObject();
            for (auto f = map.begin(); f != map.end(); ++f) {
                bool ok = false;
                const int index = f.key().toInt(&ok);
                if (!ok || index < 0 || !f.value().isString()) {
                    *error = at + QStringLiteral(".fields.%1: a field number and a text expected").arg(f.key());
                    return false;
                }
            }
        }
        const QJsonValue contains = entry.value(QStringLiteral("contains"));
        if (!contains.isUndefined() && !contains.isString()) {
            *error = at + QStringLiteral(".contains: a text expected");
            return false;
        }
        QString why;
        if (!SimScenario::checkResponse(entry.value(QStringLiteral("then")).toObject(), at + QStringLiteral(".then"), &why)) {
            *error = why;
            return false;
        }
    }
    return true;
}

const SimKeyRegistrar whenKey(
    QStringLiteral("when"), check, [](const SimRequest& request, const QJsonValue& value, QJsonObject* response) {
        for (const QJsonValue& entry : value.toArray()) {
            if (holds(request, entry.toObject())) {
                *response = entry.toObject().value(QStringLiteral("then")).toObject();
                return true;
            }
        }
        return false;
    });

}  // namespace
