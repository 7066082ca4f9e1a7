// "echo": true — the reply text is the request's own parameter, so that requests in flight
// together can be told apart by their answers.

#include "simkeys.h"

namespace {

const SimKeyRegistrar echoKey(
    QStringLiteral("echo"),
    [](const QJsonValue& value, QString* error) {
        if (!value.isBool()) {
            *error = QStringLiteral("true or false expected");
            return false;
        }
        return true;
    },
    [](const SimRequest& request, const QJsonValue& value, SimAnswer& answer) {
        if (value.toBool()) {
            answer.reply = request.body;
        }
    });

}  // namespace
