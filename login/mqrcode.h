#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

class QPushButton;

// Draws the QR login's pictures onto the QR button: the code itself and the overlays painted
// over its faded trace (the success logo, the refresh picture).
class MQRcode
{
public:
    // The code of `text` on a white picture the size of the button (in device pixels, so that it
    // stays sharp at any pixel ratio), edge to edge. It becomes the button's icon, 24 pixels
    // smaller in each direction, so that the button's white face around it is the quiet zone a
    // reader needs; it is returned. A text that cannot be encoded (empty, too long) gives a null
    // image and leaves the button as it was.
    static QImage generateQRcode(QPushButton* button, const QString& text);
    // The picture with its alpha multiplied by 10/255: only a faint trace remains.
    static QPixmap blurImage(const QPixmap& source);
    // The logo (35 % of the button's width) and, below it, `text` in 14-point type and `colour`
    // on the faded picture; the result becomes the button's icon.
    static void addLogoText(QPushButton* button, const QPixmap& faded, const QString& logoPath, const QString& text,
                            const QString& colour);
    // A white picture the size of the button, for overlays when no code was drawn yet.
    static QPixmap blankPicture(QPushButton* button);

    static constexpr int kIconMargin = 24;
};
