#include "src/CustomControl/cuspicture.h"

#include <QFileInfo>
#include <QGuiApplication>

QString CusPicture::twinPath(const QString& path)
{
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot <= slash + 1) {
        return path + QStringLiteral("@2x");
    }
    return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
}

QPixmap CusPicture::load(const QString& path, const QSize& size, bool keepAspect, qreal ratio)
{
    if (ratio <= 0) {
        ratio = qApp != nullptr ? qApp->devicePixelRatio() : 1.0;
    }
    QPixmap pixmap;
    qreal sourceRatio = 1.0;
    const QString twin = twinPath(path);
    if (ratio > 1.0 && QFileInfo(twin).isFile() && pixmap.load(twin)) {
        sourceRatio = 2.0;
    } else if (!pixmap.load(path)) {
        return QPixmap();
    }
    pixmap.setDevicePixelRatio(sourceRatio);
    if (!size.isValid()) {
        return pixmap;
    }
    // Scaled in device pixels, then marked with the screen's ratio: `size` logical pixels.
    QPixmap scaled = pixmap.scaled(size * ratio, keepAspect ? Qt::KeepAspectRatio : Qt::IgnoreAspectRatio,
                                   Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    return scaled;
}
