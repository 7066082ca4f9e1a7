#include "src/CustomControl/cusbubblebutton.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

QFont bubbleFont(const QFont& base)
{
    QFont font = base;
    font.setPixelSize(10);
    font.setBold(true);
    return font;
}

}  // namespace

CusBubbleButton::CusBubbleButton(QWidget* parent) : QPushButton(parent)
{
    setObjectName(QStringLiteral("CusBubbleButton"));
    setCursor(Qt::PointingHandCursor);
}

void CusBubbleButton::setCount(int count)
{
    count = qMax(0, count);
    if (count == count_) {
        return;
    }
    count_ = count;
    update();
    emit countChanged(count_);
}

QString CusBubbleButton::bubbleText() const
{
    if (count_ <= 0) {
        return QString();
    }
    return count_ > kMaxShown ? QStringLiteral("%1+").arg(kMaxShown) : QString::number(count_);
}

QRect CusBubbleButton::bubbleRect() const
{
    const QString text = bubbleText();
    if (text.isEmpty()) {
        return QRect();
    }
    const int height = 16;
    const int width = qMax(height, QFontMetrics(bubbleFont(font())).horizontalAdvance(text) + 8);
    // Over the top right corner, inside the button so that nothing is clipped.
    return QRect(this->width() - width, 0, width, height);
}

void CusBubbleButton::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    const QRect bubble = bubbleRect();
    if (bubble.isEmpty()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(QLatin1String("#F5222D")));
    painter.drawRoundedRect(QRectF(bubble), bubble.height() / 2.0, bubble.height() / 2.0);
    painter.setFont(bubbleFont(font()));
    painter.setPen(Qt::white);
    painter.drawText(bubble, Qt::AlignCenter, bubbleText());
}
