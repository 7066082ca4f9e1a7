#include "login/qrcodesymbol.h"

#include <QPainter>

#include <qrencode.h>

#include <cerrno>
#include <memory>

QrCodeSymbol QrCodeSymbol::encode(const QString& text)
{
    QrCodeSymbol symbol;
    // The encoder takes a C string: text after a NUL would be dropped without a word.
    const QByteArray utf8 = text.toUtf8();
    if (utf8.isEmpty() || utf8.contains('\0')) {
        symbol.error_ = EmptyText;
        return symbol;
    }
    errno = 0;
    const std::unique_ptr<QRcode, void (*)(QRcode*)> code(
        QRcode_encodeString(utf8.constData(), kMinVersion, QR_ECLEVEL_Q, QR_MODE_8, 1), &QRcode_free);
    if (!code) {
        symbol.error_ = errno == ERANGE ? TooLong : EncodeFailed;
        return symbol;
    }
    symbol.error_ = NoError;
    symbol.version_ = code->version;
    symbol.width_ = code->width;
    symbol.modules_ = QByteArray(reinterpret_cast<const char*>(code->data), code->width * code->width);
    return symbol;
}

bool QrCodeSymbol::isDark(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= width_) {
        return false;
    }
    return (static_cast<unsigned char>(modules_.at(y * width_ + x)) & 1U) != 0;
}

QImage QrCodeSymbol::toImage(const QSize& pixels, int quietZone) const
{
    if (isNull() || pixels.isEmpty()) {
        return QImage();
    }
    QImage image(pixels, QImage::Format_ARGB32);
    if (image.isNull()) {
        return image;
    }
    image.fill(Qt::white);
    const int margin = quietZone > 0 ? quietZone : 0;
    const qreal span = width_ + 2 * margin;
    const qreal moduleWidth = pixels.width() / span;
    const qreal moduleHeight = pixels.height() / span;
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (int y = 0; y < width_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (isDark(x, y)) {
                painter.drawRect(QRectF((x + margin) * moduleWidth, (y + margin) * moduleHeight, moduleWidth, moduleHeight));
            }
        }
    }
    return image;
}
