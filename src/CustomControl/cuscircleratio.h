#pragma once

#include <QColor>
#include <QWidget>

// A ring gauge: the used fraction (0.0-1.0) as an arc with its percentage in the middle and a
// caption below; an optional threshold fraction is marked on the ring, and the arc turns to the
// warning colour once the used fraction reaches it.
//
// Out-of-range input is clamped: a used fraction below 0 or not a number reads 0, above 1
// reads 1; a threshold above 1 reads 1, and a negative or not-a-number threshold means none
// (-1.0).
class CusCircleRatio : public QWidget
{
    Q_OBJECT
public:
    explicit CusCircleRatio(QWidget* parent = nullptr);

    static constexpr double kNoThreshold = -1.0;

    void setUsedRatio(double used);
    double usedRatio() const { return used_; }
    void setThreshold(double threshold);
    double threshold() const { return threshold_; }
    bool hasThreshold() const { return threshold_ >= 0.0; }
    // The used fraction has reached the threshold.
    bool isOverThreshold() const;

    void setTitle(const QString& title);
    QString title() const { return title_; }
    void setThemeColor(const QColor& colour);

    // "37%": the used fraction rounded to whole percent, as drawn.
    QString percentText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double used_ = 0.0;
    double threshold_ = kNoThreshold;
    QString title_;
    QColor theme_;
};
