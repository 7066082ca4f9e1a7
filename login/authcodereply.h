#pragma once

#include <QJsonObject>
#include <QString>

// The answer document of a successful code request (login pages and reset page).
struct AuthCodeReply {
    enum Outcome {
        ParseError,   // not a JSON object
        StatusError,  // status other than 2000: msg is the error tip
        NoResult,     // status 2000 without a result object
        Ok,           // status 2000 with result: seconds and msg (informational) are set
    };

    Outcome outcome = ParseError;
    int status = -1;
    QString msg;
    // How long the code button stays disabled: the largest of the three waits, each 60 when not
    // sent, kept within 0 .. CountDown::kMaxSeconds.
    int seconds = 0;
    QString phoneFormat;

    static AuthCodeReply parse(const QString& text);
    // The largest of the three waits of a "result" object, each 60 when not sent, clamped.
    static int waitSeconds(const QJsonObject& result);
    // The tip this answer shows: an error text, or for Ok the service's message.
    QString tip() const;
    bool isError() const { return outcome != Ok; }
};
