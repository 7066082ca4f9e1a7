#pragma once

#include "tools/corvisctlsim/challengeissuer.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>

// One answer of the stand-in, as a scenario describes it.
struct CtlResponse {
    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    int delayMs = 0;
    bool close = false;
    bool hang = false;
};

// The scenario file: for each service ("controller", "sandbox") the answers by request path. It
// is read again whenever its content changes, so a test may rewrite it between requests; the
// answers listed for a path are used in turn and the last one repeats.
class Scenario
{
public:
    // An empty path uses the built-in default scenario.
    explicit Scenario(const QString& path);

    bool load(QString& error);
    // `body` is the request's body, which some answers are made from.
    CtlResponse next(const QString& service, const QString& path, const QByteArray& body = QByteArray());
    // Where "$challenge" records what it hands out.
    void setChallengeFile(const QString& path) { challenges_.setPath(path); }

private:
    bool parse(const QByteArray& raw, QString& error);
    void refresh();
    CtlResponse toResponse(const QJsonObject& object, const QByteArray& requestBody);
    QJsonValue expand(const QJsonValue& value);

    ChallengeIssuer challenges_;
    QString path_;
    QByteArray raw_;
    QJsonObject root_;
    QHash<QString, int> used_;
};
