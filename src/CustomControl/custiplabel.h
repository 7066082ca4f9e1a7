#pragma once

#include <QLabel>

// A tip line under a form: an error or an informational text in its colour, or nothing. The
// style is "font-size: <n>px;color:<colour>;" (14 px by default).
class CusTipLabel : public QLabel
{
    Q_OBJECT
public:
    explicit CusTipLabel(QWidget* parent = nullptr);

    // `text` in `colour` ("#D8424E", "red", ...).
    void setTip(const QString& text, const QString& colour);
    void setErrorTip(const QString& text) { setTip(text, errorColour_); }
    void setInfoTip(const QString& text) { setTip(text, infoColour_); }
    void clearTip();

    // Colours of setErrorTip / setInfoTip; "#D8424E" and the theme colour by default.
    void setColours(const QString& error, const QString& info);
    void setPixelSize(int pixels);

    QString tipColour() const { return colour_; }
    bool isErrorTip() const { return !text().isEmpty() && colour_ == errorColour_; }

private:
    QString errorColour_;
    QString infoColour_;
    QString colour_;
    int pixels_ = 14;
};
