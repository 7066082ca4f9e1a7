#include "tools/corvisctlsim/challengeissuer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <openssl/rand.h>

#include <cstdio>

namespace {

// `bytes` random bytes as lower-case hexadecimal; empty when the generator fails.
QString randomHex(int bytes)
{
    QByteArray raw(bytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(raw.data()), bytes) != 1) {
        return QString();
    }
    return QString::fromLatin1(raw.toHex());
}

// A decimal id of 12 digits (the controller's ids are numbers in text).
QString randomId()
{
    unsigned char raw[8];
    if (RAND_bytes(raw, sizeof raw) != 1) {
        return QString();
    }
    quint64 value = 0;
    for (unsigned char byte : raw) {
        value = (value << 8) | byte;
    }
    return QString::number(100000000000ULL + value % 900000000000ULL);
}

}  // namespace

QJsonObject ChallengeIssuer::issue(const QJsonObject& fixed)
{
    QJsonObject challenge;
    challenge.insert("authOriginal", fixed.contains("authOriginal") ? fixed.value("authOriginal").toString() : randomHex(16));
    challenge.insert("originalId", fixed.contains("originalId") ? fixed.value("originalId").toString() : randomId());
    challenge.insert("salt", fixed.contains("salt") ? fixed.value("salt").toString() : randomHex(8));
    for (const char* key : {"authOriginal", "originalId", "salt"}) {
        if (challenge.value(key).toString().isEmpty()) {
            std::fprintf(stderr, "corvisctlsim: no random bytes for a challenge\n");
            return QJsonObject();
        }
    }
    QJsonObject line = challenge;
    line.insert("issued", QDateTime::currentSecsSinceEpoch());
    if (!path_.isEmpty()) {
        QDir().mkpath(QFileInfo(path_).absolutePath());
        QFile file(path_);
        const QByteArray text = QJsonDocument(line).toJson(QJsonDocument::Compact) + "\n";
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(text) != text.size() || !file.flush()) {
            std::fprintf(stderr, "corvisctlsim: cannot record the challenge in %s\n", path_.toLocal8Bit().constData());
            return QJsonObject();
        }
    }
    return challenge;
}
