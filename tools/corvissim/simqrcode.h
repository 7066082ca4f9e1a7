#pragma once

#include "simkeys.h"

#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QVector>

#include <mutex>

// The mobile side of the QR login as corvissim plays it: the signs it hands out (0x010C), their
// login URLs (0x010D), the scan state each heartbeat reports (0x010E) and the cancel (0x0127).
// A flow's state follows the scenario's timeline, counted in heartbeats, or the events that
// `corvissim qrcode ...` leaves in <prefix>/sim/qrcode.json for the flow polling at that moment.
// One per process; requests are answered on several threads.
class SimQrcode
{
public:
    // One state of the timeline: it begins after `after` heartbeats of the state before it.
    struct Step {
        int after = 0;
        int status = 2004;
        QString username;
        QString authcode;
        QString sessionid;
        QString msg;
    };

    static SimQrcode& instance();

    // The value of the "qrcode" key: true, or an object with "timeline" and "url".
    static bool check(const QJsonValue& value, QString* error);
    // The response to one request of the QR login: `base` without the key, with the reply and
    // status chosen here. False for a type the QR login does not use.
    bool respond(const SimRequest& request, const QJsonValue& value, const QJsonObject& base, QJsonObject* response);

    // corvissim qrcode scan|confirm|expire|cancel [--user NAME] [--authcode CODE] [--sessionid ID] [--msg TEXT]
    static int command(const QStringList& args);
    static QString eventPath();

    static constexpr uint16_t kSign = 0x010C;
    static constexpr uint16_t kUrl = 0x010D;
    static constexpr uint16_t kHeartbeat = 0x010E;
    static constexpr uint16_t kCancel = 0x0127;

private:
    struct Flow {
        int heartbeats = 0;
        bool cancelled = false;
        bool overridden = false;
        Step state;  // set by an event; wins over the timeline from then on
    };

    static Step stepFrom(const QJsonObject& object);
    static QJsonObject heartbeatReply(const Step& step);
    bool takeEvent(Step* step);

    std::mutex mutex_;
    int issued_ = 0;
    QString current_;
    QHash<QString, Flow> flows_;
};
