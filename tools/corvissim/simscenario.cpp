#include "simscenario.h"

#include "simkeys.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

const QStringList kCoreKeys = {QStringLiteral("status"), QStringLiteral("reply"),  QStringLiteral("replyType"),
                               QStringLiteral("delayMs"), QStringLiteral("hang"),  QStringLiteral("close"),
                               QStringLiteral("files"),   QStringLiteral("push")};

bool fail(QString* error, const QString& text)
{
    if (error != nullptr) {
        *error = text;
    }
    return false;
}

bool isWord(const QJsonValue& value)
{
    return value.isDouble() && value.toDouble() >= 0 && value.toDouble() <= 65535 &&
           value.toDouble() == static_cast<double>(value.toInt());
}

// A relative path that stays below the install root.
bool isSafeRelative(const QString& path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/'))) {
        return false;
    }
    const QStringList parts = path.split(QLatin1Char('/'));
    return !parts.contains(QStringLiteral("..")) && !parts.contains(QString());
}

}  // namespace

const QStringList& SimScenario::peers()
{
    static const QStringList names = {QStringLiteral("corvisclient"),    QStringLiteral("corvistray"),
                                      QStringLiteral("corvisupdatesrv"), QStringLiteral("corvisweb"),
                                      QStringLiteral("corvisdaemon"),    QStringLiteral("userstation")};
    return names;
}

bool SimScenario::parseCode(const QJsonValue& value, uint16_t* code)
{
    if (isWord(value)) {
        *code = static_cast<uint16_t>(value.toInt());
        return true;
    }
    const QString text = value.toString();
    if (!text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) || text.size() < 3 || text.size() > 6) {
        return false;
    }
    bool ok = false;
    const uint parsed = text.mid(2).toUInt(&ok, 16);
    if (!ok || parsed > 0xFFFF) {
        return false;
    }
    *code = static_cast<uint16_t>(parsed);
    return true;
}

bool SimScenario::checkResponse(const QJsonObject& response, const QString& where, QString* error)
{
    for (auto it = response.begin(); it != response.end(); ++it) {
        const QString key = it.key();
        const QJsonValue value = it.value();
        const QString at = where + QLatin1Char('.') + key;
        if (key == QLatin1String("status") || key == QLatin1String("replyType")) {
            uint16_t word;
            if (!parseCode(value, &word)) {
                return fail(error, at + QStringLiteral(": a number 0..65535 or \"0xNNNN\" expected"));
            }
        } else if (key == QLatin1String("delayMs")) {
            if (!value.isDouble() || value.toInt() < 0) {
                return fail(error, at + QStringLiteral(": a number of milliseconds expected"));
            }
        } else if (key == QLatin1String("hang") || key == QLatin1String("close")) {
            if (!value.isBool()) {
                return fail(error, at + QStringLiteral(": true or false expected"));
            }
        } else if (key == QLatin1String("reply")) {
            if (value.isNull() || value.isUndefined()) {
                return fail(error, at + QStringLiteral(": a text or a JSON value expected"));
            }
        } else if (key == QLatin1String("files")) {
            if (!value.isObject()) {
                return fail(error, at + QStringLiteral(": an object of path to content expected"));
            }
            const QJsonObject files = value.toObject();
            for (auto f = files.begin(); f != files.end(); ++f) {
                if (!isSafeRelative(f.key())) {
                    return fail(error, at + QStringLiteral(": \"%1\" is not a path below the install root").arg(f.key()));
                }
            }
        } else if (key == QLatin1String("push")) {
            if (!value.isArray()) {
                return fail(error, at + QStringLiteral(": an array of messages expected"));
            }
            for (const QJsonValue& message : value.toArray()) {
                const QJsonObject m = message.toObject();
                uint16_t word;
                if (!message.isObject() || !parseCode(m.value(QStringLiteral("code")), &word) ||
                    (m.contains(QStringLiteral("arg")) && !isWord(m.value(QStringLiteral("arg")))) ||
                    (m.contains(QStringLiteral("text")) && !m.value(QStringLiteral("text")).isString()) ||
                    (m.contains(QStringLiteral("delayMs")) && m.value(QStringLiteral("delayMs")).toInt(-1) < 0)) {
                    return fail(error, at + QStringLiteral(": each message needs \"code\" and may have \"arg\" (0..65535), "
                                                           "\"text\" and \"delayMs\""));
                }
            }
        } else if (const SimKeys::Key* extension = SimKeys::find(key)) {
            QString why;
            if (extension->check && !extension->check(value, &why)) {
                return fail(error, at + QStringLiteral(": ") + why);
            }
        } else {
            return fail(error, at + QStringLiteral(": unknown key"));
        }
    }
    return true;
}

bool SimScenario::loadJson(const QByteArray& json, const QString& origin, QString* error)
{
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        return fail(error, origin + QStringLiteral(": not a JSON object (%1)").arg(parseError.errorString()));
    }
    // Checked whole before anything is taken, so a bad scenario changes nothing.
    QHash<QString, QHash<int, Entry>> loaded;
    const QJsonObject root = document.object();
    for (auto peer = root.begin(); peer != root.end(); ++peer) {
        if (!peers().contains(peer.key())) {
            return fail(error, origin + QStringLiteral(": unknown peer \"%1\"").arg(peer.key()));
        }
        if (!peer.value().isObject()) {
            return fail(error, origin + QStringLiteral(": %1 must be an object of types").arg(peer.key()));
        }
        const QJsonObject types = peer.value().toObject();
        for (auto type = types.begin(); type != types.end(); ++type) {
            const QString where = origin + QStringLiteral(": ") + peer.key() + QLatin1Char('.') + type.key();
            int key = kAnyType;
            if (type.key() != QLatin1String("*")) {
                uint16_t code;
                if (!parseCode(QJsonValue(type.key()), &code)) {
                    return fail(error, where + QStringLiteral(": a type is written \"0xNNNN\" or \"*\""));
                }
                key = code;
            }
            QJsonArray list = type.value().isArray() ? type.value().toArray() : QJsonArray{type.value()};
            if (list.isEmpty()) {
                return fail(error, where + QStringLiteral(": no response"));
            }
            Entry entry;
            for (int i = 0; i < list.size(); ++i) {
                if (!list.at(i).isObject()) {
                    return fail(error, where + QStringLiteral("[%1]: a response object expected").arg(i));
                }
                if (!checkResponse(list.at(i).toObject(), where + QStringLiteral("[%1]").arg(i), error)) {
                    return false;
                }
                entry.responses.append(list.at(i).toObject());
            }
            loaded[peer.key()][key] = entry;
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto peer = loaded.begin(); peer != loaded.end(); ++peer) {
        for (auto type = peer.value().begin(); type != peer.value().end(); ++type) {
            entries_[peer.key()][type.key()] = type.value();
        }
    }
    return true;
}

bool SimScenario::loadFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(error, path + QStringLiteral(": ") + file.errorString());
    }
    return loadJson(file.readAll(), path, error);
}

QStringList SimScenario::builtinNames()
{
    return QDir(QStringLiteral(":/scenarios")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

bool SimScenario::loadBuiltin(const QString& name, QString* error)
{
    const QDir dir(QStringLiteral(":/scenarios/") + name);
    if (name.isEmpty() || !dir.exists()) {
        return fail(error, QStringLiteral("no built-in scenario \"%1\" (there are: %2)")
                               .arg(name, builtinNames().join(QStringLiteral(", "))));
    }
    for (const QString& fragment : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
        if (!loadFile(dir.filePath(fragment), error)) {
            return false;
        }
    }
    return true;
}

bool SimScenario::next(const QString& peer, uint16_t type, QJsonObject* response)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto peerIt = entries_.find(peer);
    if (peerIt == entries_.end()) {
        return false;
    }
    auto it = peerIt->find(type);
    if (it == peerIt->end()) {
        it = peerIt->find(kAnyType);
        if (it == peerIt->end()) {
            return false;
        }
    }
    Entry& entry = it.value();
    const int index = std::min(entry.used, entry.responses.size() - 1);
    if (entry.used < entry.responses.size()) {
        ++entry.used;
    }
    *response = entry.responses.at(index);
    return true;
}
