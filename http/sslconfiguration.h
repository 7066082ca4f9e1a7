#pragma once

#include <QSslConfiguration>

class QNetworkRequest;

// TLS settings for the pictures and icons fetched with QNetworkAccessManager: TLS 1.2 and later,
// so that servers which refuse TLS 1.0 still answer, and the peer left unverified like every
// other controller exchange (controllers run on self-signed certificates).
QSslConfiguration downloadSslConfiguration();
void applyDownloadSsl(QNetworkRequest& request);
