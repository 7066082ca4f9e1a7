#include "http/sslconfiguration.h"

#include <QNetworkRequest>

QSslConfiguration downloadSslConfiguration()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return configuration;
}

void applyDownloadSsl(QNetworkRequest& request)
{
    request.setSslConfiguration(downloadSslConfiguration());
}
