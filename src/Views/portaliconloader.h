#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QQueue>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// Downloads the portal's application icons with the project's picture TLS settings, a few at a
// time. Every download is bounded: its body may not exceed kMaxBytes (the reply is abandoned as
// soon as it says or sends more), it must end within the time-out, and it must be a picture of at
// most kMaxDimension pixels a side, checked from its header before anything is decoded. What
// passes is handed on as `loaded`; everything else ends in one `failed` with the reason. Nothing
// blocks the thread: the checks run on at most kMaxBytes of data.
class PortalIconLoader : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kMaxBytes = 2 * 1024 * 1024;
    static constexpr int kMaxDimension = 1024;
    static constexpr int kMaxInFlight = 4;
    static constexpr int kTimeoutMs = 15000;

    explicit PortalIconLoader(QObject* parent = nullptr);
    ~PortalIconLoader() override;

    // Queues a download of `url`; false (and nothing queued) for an address that is not http(s).
    bool request(const QString& url);
    // Abandons every download and forgets the queue.
    void clear();
    void setTimeoutMs(int ms) { timeoutMs_ = ms; }

    int inFlight() const { return running_.size(); }
    int queued() const { return queue_.size(); }

    // Whether `data` is a picture this loader accepts; `why` gets the reason when not.
    static bool checkPicture(const QByteArray& data, QString* why);

signals:
    void loaded(const QString& url, const QByteArray& data);
    void failed(const QString& url, const QString& error);

private:
    struct Download {
        QString url;
        QByteArray data;
        QString refusal;  // set when this loader abandoned the download
    };

    void startNext();
    void onReadyRead(QNetworkReply* reply);
    void onFinished(QNetworkReply* reply);
    void abandon(QNetworkReply* reply, const QString& why);

    QNetworkAccessManager* manager_ = nullptr;
    QQueue<QString> queue_;
    QHash<QNetworkReply*, Download> running_;
    int timeoutMs_ = kTimeoutMs;
};
