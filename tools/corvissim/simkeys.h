#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <functional>

// One request as corvissim received it.
struct SimRequest {
    QString peer;      // "corvisclient", "corvistray", ...
    uint16_t type = 0; // wire type, daemon command or station protocol
    QByteArray body;   // parameter text, data or command
};

// The answer the client service is about to give; response keys may change it.
struct SimAnswer {
    uint16_t replyType = 0;
    uint16_t status = 0;
    QByteArray reply;
};

// Response keys beyond the built-in ones. A source file of corvissim registers a key with a
// static SimKeyRegistrar; the key may then appear in any response of a scenario. The handler runs
// after the files are written and before the answer, in the order of registration.
class SimKeys
{
public:
    // Checks the value when the scenario is loaded; false with a message rejects the scenario.
    using Check = std::function<bool(const QJsonValue& value, QString* error)>;
    // Acts on one request; may change the answer.
    using Apply = std::function<void(const SimRequest& request, const QJsonValue& value, SimAnswer& answer)>;
    // Runs first, before any delay or file: may hand back a whole other response to carry out
    // instead of this one (true), for answers that depend on what the request carries.
    using Select = std::function<bool(const SimRequest& request, const QJsonValue& value, QJsonObject* response)>;

    struct Key {
        QString name;
        Check check;
        Apply apply;
        Select select;
    };

    static void add(const Key& key);
    static const Key* find(const QString& name);
    static const QList<Key>& all();
};

struct SimKeyRegistrar {
    SimKeyRegistrar(const QString& name, SimKeys::Check check, SimKeys::Apply apply)
    {
        SimKeys::add({name, std::move(check), std::move(apply), {}});
    }
    SimKeyRegistrar(const QString& name, SimKeys::Check check, SimKeys::Select select)
    {
        SimKeys::add({name, std::move(check), {}, std::move(select)});
    }
};
