#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// The QR codes zbar finds in a picture, each as the bytes it holds (no guessing of text
// encodings). A picture is read as 8-bit grey, transparent parts on white, as a screen shows it.
QList<QByteArray> decodeQrCodes(const QImage& picture);
