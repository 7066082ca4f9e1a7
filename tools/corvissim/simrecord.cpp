#include "simrecord.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

SimRecord::~SimRecord()
{
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool SimRecord::open(const QString& path, QString* error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    file_ = std::fopen(path.toLocal8Bit().constData(), "ae");
    if (file_ == nullptr && error != nullptr) {
        *error = path + QStringLiteral(": cannot be opened for appending");
    }
    return file_ != nullptr;
}

void SimRecord::append(const SimRequest& request)
{
    QJsonObject line;
    line.insert(QStringLiteral("peer"), request.peer);
    line.insert(QStringLiteral("type"), QString::asprintf("0x%04x", request.type));
    line.insert(QStringLiteral("body"), QString::fromUtf8(request.body));
    const QByteArray text = QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_ != nullptr) {
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), file_);
        std::fflush(file_);
    }
}
