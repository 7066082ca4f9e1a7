#include "src/CustomControl/custiplabel.h"

#include "src/CustomControl/cusstyle.h"

CusTipLabel::CusTipLabel(QWidget* parent)
    : QLabel(parent), errorColour_(QLatin1String(cusstyle::kError)), infoColour_(QLatin1String(cusstyle::kTheme))
{
    setObjectName(QStringLiteral("CusTipLabel"));
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    colour_ = infoColour_;
}

void CusTipLabel::setTip(const QString& text, const QString& colour)
{
    colour_ = colour;
    setStyleSheet(QStringLiteral("font-size: %1px;color:%2;").arg(pixels_).arg(colour));
    setText(text);
}

void CusTipLabel::clearTip()
{
    clear();
}

void CusTipLabel::setColours(const QString& error, const QString& info)
{
    errorColour_ = error;
    infoColour_ = info;
}

void CusTipLabel::setPixelSize(int pixels)
{
    pixels_ = pixels;
    setStyleSheet(QStringLiteral("font-size: %1px;color:%2;").arg(pixels_).arg(colour_));
}
