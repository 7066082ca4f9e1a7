#include "src/Views/portaliconloader.h"

#include "http/sslconfiguration.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

// What Qt keeps of a reply before this loader reads it: the cap applies to what is read.
constexpr qint64 kReadBuffer = 64 * 1024;

}  // namespace

// The network manager is made with the first download: making one starts Qt's network
// configuration thread, a cost for start-up that a portal without icons never needs.
PortalIconLoader::PortalIconLoader(QObject* parent) : QObject(parent) {}

PortalIconLoader::~PortalIconLoader()
{
    clear();
}

bool PortalIconLoader::request(const QString& url)
{
    const QUrl parsed(url);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || parsed.host().isEmpty() || (scheme != QLatin1String("https") && scheme != QLatin1String("http"))) {
        return false;
    }
    queue_.enqueue(url);
    startNext();
    return true;
}

void PortalIconLoader::clear()
{
    queue_.clear();
    const QList<QNetworkReply*> replies = running_.keys();
    running_.clear();
    for (QNetworkReply* reply : replies) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void PortalIconLoader::startNext()
{
    while (running_.size() < kMaxInFlight && !queue_.isEmpty()) {
        const QString url = queue_.dequeue();
        QNetworkRequest request{QUrl(url)};
        applyDownloadSsl(request);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        if (manager_ == nullptr) {
            manager_ = new QNetworkAccessManager(this);
        }
        QNetworkReply* reply = manager_->get(request);
        reply->setReadBufferSize(kReadBuffer);
        running_.insert(reply, Download{url, QByteArray(), QString()});
        connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply]() {
            bool known = false;
            const qint64 length = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
            if (known && length > kMaxBytes) {
                abandon(reply, QStringLiteral("icon of %1 bytes is over the limit of %2 bytes").arg(length).arg(kMaxBytes));
            }
        });
        connect(reply, &QNetworkReply::readyRead, this, [this, reply]() { onReadyRead(reply); });
        connect(reply, &QNetworkReply::finished, this, [this, reply]() { onFinished(reply); });
        // A whole deadline, not an idle one: a server that trickles a byte at a time ends too.
        auto* timer = new QTimer(reply);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this,
                [this, reply]() { abandon(reply, QStringLiteral("no complete icon within %1 ms").arg(timeoutMs_)); });
        timer->start(timeoutMs_);
    }
}

void PortalIconLoader::onReadyRead(QNetworkReply* reply)
{
    auto it = running_.find(reply);
    if (it == running_.end() || !it->refusal.isEmpty()) {
        return;
    }
    const QByteArray chunk = reply->read(kMaxBytes + 1 - it->data.size());
    it->data.append(chunk);
    if (it->data.size() > kMaxBytes) {
        abandon(reply, QStringLiteral("icon is over the limit of %1 bytes").arg(kMaxBytes));
    }
}

void PortalIconLoader::abandon(QNetworkReply* reply, const QString& why)
{
    auto it = running_.find(reply);
    if (it == running_.end() || !it->refusal.isEmpty()) {
        return;
    }
    it->refusal = why;
    it->data.clear();
    it->data.squeeze();
    reply->abort();
}

void PortalIconLoader::onFinished(QNetworkReply* reply)
{
    const auto it = running_.find(reply);
    if (it == running_.end()) {
        return;
    }
    QString why = it->refusal;
    if (why.isEmpty() && reply->error() != QNetworkReply::NoError) {
        why = reply->errorString();
    }
    if (why.isEmpty()) {
        it->data.append(reply->read(kMaxBytes + 1 - it->data.size()));
        if (it->data.size() > kMaxBytes) {
            why = QStringLiteral("icon is over the limit of %1 bytes").arg(kMaxBytes);
        } else {
            checkPicture(it->data, &why);
        }
    }
    const Download download = it.value();
    running_.erase(it);
    reply->deleteLater();
    if (why.isEmpty()) {
        emit loaded(download.url, download.data);
    } else {
        emit failed(download.url, why);
    }
    startNext();
}

bool PortalIconLoader::checkPicture(const QByteArray& data, QString* why)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (!reader.canRead() || !size.isValid()) {
        *why = QStringLiteral("not a picture");
        return false;
    }
    // Judged from the header: a picture that declares a huge size is never decoded.
    if (size.width() > kMaxDimension || size.height() > kMaxDimension) {
        *why = QStringLiteral("picture of %1 x %2 pixels is over the limit of %3").arg(size.width()).arg(size.height()).arg(kMaxDimension);
        return false;
    }
    if (reader.read().isNull()) {
        *why = QStringLiteral("not a picture: ") + reader.errorString();
        return false;
    }
    return true;
}
