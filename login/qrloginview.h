#pragma once

#include <QMetaType>
#include <QString>

// What the QR page shows at one moment. The QR login flow decides it; the page only paints it.
struct QrLoginView {
    enum Picture {
        Blank,    // white: a new code is on its way
        Code,     // `url` as a QR code
        Scanned,  // the faded code with the success logo and `overlayText`
        Refresh,  // the faded code with the refresh logo and "刷新二维码": a click starts a new flow
    };

    Picture picture = Blank;
    QString url;            // Code: the text of the code; Scanned, Refresh: the code under the fade (empty: none)
    QString logo;           // Scanned, Refresh: picture file painted over the faded code
    QString overlayText;    // Scanned, Refresh: text painted under the logo
    QString overlayColour;  // its colour
    QString hint;           // the hint line under the code (16-pixel type)
    QString hintColour;
    bool scanIndicator = false;  // tirrowa-uos-x86: the code has been scanned
    bool cancelEnabled = true;

    bool operator==(const QrLoginView& o) const
    {
        return picture == o.picture && url == o.url && logo == o.logo && overlayText == o.overlayText &&
               overlayColour == o.overlayColour && hint == o.hint && hintColour == o.hintColour &&
               scanIndicator == o.scanIndicator && cancelEnabled == o.cancelEnabled;
    }
    bool operator!=(const QrLoginView& o) const { return !(*this == o); }
};
Q_DECLARE_METATYPE(QrLoginView)
