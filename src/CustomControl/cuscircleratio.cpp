#include "src/CustomControl/cuscircleratio.h"

#include "src/CustomControl/cusstyle.h"

#include <QPainter>
#include <QtMath>

#include <cmath>

CusCircleRatio::CusCircleRatio(QWidget* parent) : QWidget(parent), theme_(QLatin1String(cusstyle::kTheme))
{
    setObjectName(QStringLiteral("CusCircleRatio"));
}

void CusCircleRatio::setUsedRatio(double used)
{
    if (std::isnan(used) || used < 0.0) {
        used = 0.0;
    } else if (used > 1.0) {
        used = 1.0;
    }
    if (!qFuzzyCompare(used + 1.0, used_ + 1.0)) {
        used_ = used;
        update();
    }
}

void CusCircleRatio::setThreshold(double threshold)
{
    if (std::isnan(threshold) || threshold < 0.0) {
        threshold = kNoThreshold;
    } else if (threshold > 1.0) {
        threshold = 1.0;
    }
    if (!qFuzzyCompare(threshold + 2.0, threshold_ + 2.0)) {
        threshold_ = threshold;
        update();
    }
}

bool CusCircleRatio::isOverThreshold() const
{
    return hasThreshold() && used_ >= threshold_;
}

void CusCircleRatio::setTitle(const QString& title)
{
    title_ = title;
    update();
}

void CusCircleRatio::setThemeColor(const QColor& colour)
{
    theme_ = colour;
    update();
}

QString CusCircleRatio::percentText() const
{
    return QStringLiteral("%1%").arg(qRound(used_ * 100.0));
}

QSize CusCircleRatio::sizeHint() const
{
    return QSize(120, 144);
}

QSize CusCircleRatio::minimumSizeHint() const
{
    return QSize(80, 104);
}

void CusCircleRatio::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const int captionHeight = title_.isEmpty() ? 0 : 28;
    const int side = qMax(20, qMin(width(), height() - captionHeight) - 8);
    const qreal pen = qMax(6.0, side / 12.0);
    const QRectF ring(QPointF((width() - side) / 2.0 + pen / 2, 4 + pen / 2), QSizeF(side - pen, side - pen));

    painter.setPen(QPen(QColor(QLatin1String(cusstyle::kTrack)), pen, Qt::SolidLine, Qt::FlatCap));
    painter.drawEllipse(ring);

    // Qt angles: sixteenths of a degree, counter-clockwise from three o'clock. The arc starts at
    // twelve and runs clockwise.
    const QColor arcColour = isOverThreshold() ? QColor(QLatin1String(cusstyle::kWarning)) : theme_;
    if (used_ > 0.0) {
        painter.setPen(QPen(arcColour, pen, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(ring, 90 * 16, -qRound(used_ * 360.0 * 16));
    }

    if (hasThreshold()) {
        const qreal angle = qDegreesToRadians(90.0 - threshold_ * 360.0);
        const QPointF centre = ring.center();
        const qreal inner = ring.width() / 2 - pen / 2 - 2;
        const qreal outer = ring.width() / 2 + pen / 2 + 2;
        const QPointF direction(std::cos(angle), -std::sin(angle));
        painter.setPen(QPen(QColor(QLatin1String(cusstyle::kThreshold)), 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(centre + direction * inner, centre + direction * outer);
    }

    QFont font = painter.font();
    font.setPixelSize(qMax(12, side / 5));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(isOverThreshold() ? arcColour : QColor(QLatin1String(cusstyle::kText)));
    painter.drawText(ring, Qt::AlignCenter, percentText());

    if (captionHeight > 0) {
        font.setPixelSize(14);
        font.setBold(false);
        painter.setFont(font);
        painter.setPen(QColor(QLatin1String("#6D6D6D")));
        const QRectF caption(0, 4 + side + 4, width(), captionHeight - 4);
        painter.drawText(caption, Qt::AlignHCenter | Qt::AlignTop, title_);
    }
}
