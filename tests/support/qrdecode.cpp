#include "qrdecode.h"

#include <QPainter>

#include <zbar.h>

#include <memory>

QList<QByteArray> decodeQrCodes(const QImage& picture)
{
    QList<QByteArray> found;
    if (picture.isNull()) {
        return found;
    }
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        QImage source = picture;
        source.setDevicePixelRatio(1.0);
        painter.drawImage(0, 0, source);
    }
    const QImage grey = flat.convertToFormat(QImage::Format_Grayscale8);
    QByteArray bytes;
    bytes.reserve(grey.width() * grey.height());
    for (int y = 0; y < grey.height(); ++y) {
        bytes.append(reinterpret_cast<const char*>(grey.constScanLine(y)), grey.width());
    }

    const std::unique_ptr<zbar::zbar_image_scanner_t, void (*)(zbar::zbar_image_scanner_t*)> scanner(
        zbar::zbar_image_scanner_create(), &zbar::zbar_image_scanner_destroy);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 0);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_ENABLE, 1);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_BINARY, 1);
    const std::unique_ptr<zbar::zbar_image_t, void (*)(zbar::zbar_image_t*)> image(zbar::zbar_image_create(),
                                                                                   &zbar::zbar_image_destroy);
    zbar::zbar_image_set_format(image.get(), zbar_fourcc('Y', '8', '0', '0'));
    zbar::zbar_image_set_size(image.get(), static_cast<unsigned>(grey.width()), static_cast<unsigned>(grey.height()));
    zbar::zbar_image_set_data(image.get(), bytes.constData(), static_cast<unsigned long>(bytes.size()), nullptr);
    if (zbar::zbar_scan_image(scanner.get(), image.get()) <= 0) {
        return found;
    }
    for (const zbar::zbar_symbol_t* symbol = zbar::zbar_image_first_symbol(image.get()); symbol != nullptr;
         symbol = zbar::zbar_symbol_next(symbol)) {
        found.append(QByteArray(zbar::zbar_symbol_get_data(symbol),
                                static_cast<int>(zbar::zbar_symbol_get_data_length(symbol))));
    }
    return found;
}
