#pragma once

#include <QJsonObject>
#include <QString>

// Fresh getAuthInfo challenges: each one is a random challenge text, id and salt, appended as one
// JSON line ({"authOriginal", "originalId", "salt", "issued": seconds since the epoch}) to the
// challenge file before it is handed out, so that the simulated client service can check the
// signed login against what the controller issued.
class ChallengeIssuer
{
public:
    explicit ChallengeIssuer(const QString& path = QString()) : path_(path) {}

    void setPath(const QString& path) { path_ = path; }
    QString path() const { return path_; }

    // A new challenge; a field given in `fixed` (a scenario may pin one) is taken as it is.
    // Empty when no random bytes could be had or the file cannot be written.
    QJsonObject issue(const QJsonObject& fixed = QJsonObject());

private:
    QString path_;
};
