#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <mutex>

// What corvissim answers: for each peer and request type, a list of responses used in turn, one
// per request, the last one repeating. A type "*" applies to every type of the peer without an
// entry of its own. Loaded from a file, from built-in scenarios, or both; later loads add to and
// replace entries of earlier ones.
class SimScenario
{
public:
    // The peers corvissim plays, as scenarios and the request record name them.
    static const QStringList& peers();

    bool loadFile(const QString& path, QString* error);
    // A built-in scenario: every fragment under :/scenarios/NAME/, in name order.
    bool loadBuiltin(const QString& name, QString* error);
    bool loadJson(const QByteArray& json, const QString& origin, QString* error);
    static QStringList builtinNames();

    // The next response for one request; false when the scenario names none.
    bool next(const QString& peer, uint16_t type, QJsonObject* response);

    // Checks one response object (also used for the responses of extension keys).
    static bool checkResponse(const QJsonObject& response, const QString& where, QString* error);
    // "0x0300" or a number.
    static bool parseCode(const QJsonValue& value, uint16_t* code);

private:
    struct Entry {
        QVector<QJsonObject> responses;
        int used = 0;
    };
    static constexpr int kAnyType = -1;

    std::mutex mutex_;
    QHash<QString, QHash<int, Entry>> entries_;
};
