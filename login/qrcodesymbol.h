#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// The QR symbol of a text, as libqrencode's string encoder makes it: version 2 at least, error
// correction level Q, 8-bit mode, case-sensitive. Null when the text is empty or does not fit
// (version 40 at level Q holds about 1,663 bytes in 8-bit mode). No widgets: the login flow asks
// it whether a login URL can be shown before the page paints it.
class QrCodeSymbol
{
public:
    enum Error {
        NoError,
        EmptyText,
        TooLong,
        EncodeFailed,
    };

    static constexpr int kMinVersion = 2;

    static QrCodeSymbol encode(const QString& text);

    bool isNull() const { return width_ == 0; }
    Error error() const { return error_; }
    int version() const { return version_; }
    // Modules per side, without the quiet zone.
    int width() const { return width_; }
    bool isDark(int x, int y) const;

    // The symbol on a white 32-bit ARGB picture of `pixels`, each dark module a black rectangle of
    // real-number size; `quietZone` white modules on every side (none by default: the QR button
    // shows the picture 12 pixels inside its white face, which is the reader's light margin, and
    // a margin inside the picture would only shrink the modules). Null for a null symbol.
    QImage toImage(const QSize& pixels, int quietZone = 0) const;

private:
    Error error_ = EncodeFailed;
    int version_ = 0;
    int width_ = 0;
    QByteArray modules_;  // width_ * width_ bytes, row by row; lowest bit set: dark
};
