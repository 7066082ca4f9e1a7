#include "tools/corvisctlsim/scenario.h"

#include "tools/corvisctlsim/desecb.h"
#include "tools/corvisctlsim/sandboxrecords.h"

#include <QDateTime>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray compact(const QJsonValue& value)
{
    if (value.isObject()) {
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    }
    if (value.isArray()) {
        return QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    }
    // A scalar: wrap it in an array and take the element's text back out.
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

}  // namespace

// {"$des": {"key": K, "text": T}} stands for the DES text of T (a string, or any JSON value as
// compact JSON) under K, as the controller enciphers its data. {"$challenge": {"key": K}} stands
// for the DES text of a fresh getAuthInfo challenge, recorded in the challenge file; "authOriginal",
// "originalId" or "salt" beside the key pin that field.
QJsonValue Scenario::expand(const QJsonValue& value)
{
    if (value.isArray()) {
        QJsonArray out;
        for (const QJsonValue& item : value.toArray()) {
            out.append(expand(item));
        }
        return out;
    }
    if (!value.isObject()) {
        return value;
    }
    const QJsonObject object = value.toObject();
    if (object.size() == 1 && object.value("$challenge").isObject()) {
        const QJsonObject spec = object.value("$challenge").toObject();
        const QJsonObject challenge = challenges_.issue(spec);
        std::string cipherText;
        if (challenge.isEmpty() ||
            !desecb::encrypt(spec.value("key").toString().toStdString(),
                             QJsonDocument(challenge).toJson(QJsonDocument::Compact).toStdString(), cipherText)) {
            std::fprintf(stderr, "corvisctlsim: $challenge needs an 8-byte key and a writable challenge file\n");
        }
        return QString::fromStdString(cipherText);
    }
    if (object.size() == 1 && object.value("$des").isObject()) {
        const QJsonObject des = object.value("$des").toObject();
        const QJsonValue text = des.value("text");
        const QByteArray clear = text.isString() ? text.toString().toUtf8() : compact(text);
        std::string cipherText;
        if (!desecb::encrypt(des.value("key").toString().toStdString(), clear.toStdString(), cipherText)) {
            std::fprintf(stderr, "corvisctlsim: $des needs an 8-byte key\n");
        }
        return QString::fromStdString(cipherText);
    }
    QJsonObject out;
    for (auto it = object.begin(); it != object.end(); ++it) {
        out.insert(it.key(), expand(it.value()));
    }
    return out;
}

Scenario::Scenario(const QString& path) : path_(path.isEmpty() ? QStringLiteral(":/corvisctlsim/default.json") : path)
{
}

bool Scenario::load(QString& error)
{
    const QByteArray raw = readAll(path_);
    if (raw.isEmpty()) {
        error = QStringLiteral("cannot read scenario ") + path_;
        return false;
    }
    return parse(raw, error);
}

bool Scenario::parse(const QByteArray& raw, QString& error)
{
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(raw, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        error = QStringLiteral("scenario %1 is not a JSON object: %2").arg(path_, parseError.errorString());
        return false;
    }
    raw_ = raw;
    root_ = document.object();
    used_.clear();
    return true;
}

void Scenario::refresh()
{
    const QByteArray raw = readAll(path_);
    if (raw.isEmpty() || raw == raw_) {
        return;
    }
    QString error;
    if (!parse(raw, error)) {
        std::fprintf(stderr, "corvisctlsim: %s (keeping the previous one)\n", error.toLocal8Bit().constData());
    }
}

CtlResponse Scenario::next(const QString& service, const QString& path, const QByteArray& body)
{
    refresh();
    const QJsonObject answers = root_.value(service).toObject();
    QString key = path;
    if (!answers.contains(key)) {
        key = QStringLiteral("*");
    }
    const QJsonValue entry = answers.value(key);
    QJsonArray list = entry.isArray() ? entry.toArray() : QJsonArray{entry};
    if (entry.isUndefined() || list.isEmpty()) {
        CtlResponse missing;
        missing.status = 404;
        missing.body = QJsonDocument(QJsonObject{{"status", 404}, {"msg", QStringLiteral("no answer for ") + path}})
                           .toJson(QJsonDocument::Compact);
        missing.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json;charset=UTF-8")));
        return missing;
    }
    const QString counter = service + QLatin1Char(' ') + key;
    const int index = qMin(used_.value(counter), list.size() - 1);
    used_[counter] = index + 1;
    return toResponse(list.at(index).toObject(), body);
}

CtlResponse Scenario::toResponse(const QJsonObject& object, const QByteArray& requestBody)
{
    CtlResponse response;
    response.status = object.value("status").toInt(200);
    response.delayMs = object.value("delayMs").toInt(0);
    response.close = object.value("close").toBool(false);
    response.hang = object.value("hang").toBool(false);
    if (object.contains("sandboxRecords")) {
        const QJsonObject spec = object.value("sandboxRecords").toObject();
        QString error;
        if (sandboxrecords::check(spec, error)) {
            response.body = sandboxrecords::answer(spec, requestBody, QDateTime::currentSecsSinceEpoch());
        } else {
            std::fprintf(stderr, "corvisctlsim: %s\n", error.toLocal8Bit().constData());
            response.status = 500;
            response.body = error.toUtf8();
        }
    } else if (object.contains("bodyBase64")) {
        response.body = QByteArray::fromBase64(object.value("bodyBase64").toString().toLatin1());
    } else {
        const QJsonValue body = expand(object.value("body"));
        if (body.isString()) {
            response.body = body.toString().toUtf8();
        } else if (!body.isUndefined() && !body.isNull()) {
            response.body = compact(body);
        }
    }
    const QJsonObject headers = object.value("headers").toObject();
    if (!headers.contains("Content-Type")) {
        response.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json;charset=UTF-8")));
    }
    for (auto it = headers.begin(); it != headers.end(); ++it) {
        response.headers.append({it.key().toUtf8(), it.value().toString().toUtf8()});
    }
    return response;
}
