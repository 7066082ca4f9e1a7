#include "login/mqrcode.h"

#include "login/qrcodesymbol.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPainter>
#include <QPushButton>

namespace {

QSize devicePixels(const QSize& logical, qreal ratio)
{
    return QSize(qRound(logical.width() * ratio), qRound(logical.height() * ratio));
}

void setIcon(QPushButton* button, const QPixmap& picture, const QSize& iconSize)
{
    button->setIcon(QIcon(picture));
    button->setIconSize(iconSize);
}

}  // namespace

QImage MQRcode::generateQRcode(QPushButton* button, const QString& text)
{
    if (button == nullptr) {
        return QImage();
    }
    const QrCodeSymbol symbol = QrCodeSymbol::encode(text);
    const QSize size = button->geometry().size();
    const qreal ratio = button->devicePixelRatioF();
    QImage image = symbol.toImage(devicePixels(size, ratio));
    if (image.isNull()) {
        return image;
    }
    image.setDevicePixelRatio(ratio);
    setIcon(button, QPixmap::fromImage(image),
            QSize(size.width() - kIconMargin, size.height() - kIconMargin));
    return image;
}

QPixmap MQRcode::blurImage(const QPixmap& source)
{
    QPixmap faded(source.size());
    faded.setDevicePixelRatio(source.devicePixelRatio());
    faded.fill(Qt::transparent);
    QPainter painter(&faded);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawPixmap(0, 0, source);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    // In logical units the picture is never larger than its device size.
    painter.fillRect(QRect(QPoint(0, 0), faded.size()), QColor(0, 0, 0, 10));
    painter.end();
    return faded;
}

QPixmap MQRcode::blankPicture(QPushButton* button)
{
    const qreal ratio = button->devicePixelRatioF();
    QPixmap blank(devicePixels(button->geometry().size(), ratio));
    blank.setDevicePixelRatio(ratio);
    blank.fill(Qt::white);
    return blank;
}

void MQRcode::addLogoText(QPushButton* button, const QPixmap& faded, const QString& logoPath, const QString& text,
                          const QString& colour)
{
    if (button == nullptr) {
        return;
    }
    const qreal ratio = faded.devicePixelRatio() > 0 ? faded.devicePixelRatio() : 1.0;
    QPixmap picture = faded.isNull() ? blankPicture(button) : faded;
    const qreal width = picture.width() / ratio;
    const int logoSide = qRound(width * 0.35);

    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPixmap logo(logoPath);
    int logoWidth = logoSide;
    int logoHeight = logoSide;
    if (!logo.isNull()) {
        logo = logo.scaled(devicePixels(QSize(logoSide, logoSide), ratio), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        logo.setDevicePixelRatio(ratio);
        logoWidth = qRound(logo.width() / ratio);
        logoHeight = qRound(logo.height() / ratio);
    }
    const int x = qRound((width - logoWidth) / 2);
    const int y = x - 20;
    if (!logo.isNull()) {
        painter.drawPixmap(x, y, logo);
    }
    QFont font = painter.font();
    font.setPointSize(14);
    painter.setFont(font);
    painter.setPen(QColor(colour));
    painter.drawText(QRect(0, y + logoHeight, qRound(width), 39), Qt::AlignHCenter | Qt::AlignVCenter, text);
    painter.end();

    const int side = button->geometry().width() - kIconMargin;
    setIcon(button, picture, QSize(side, side));
}
