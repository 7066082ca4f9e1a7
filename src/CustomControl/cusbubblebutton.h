#pragma once

#include <QPushButton>

// A button (the top bar's message button) with a red bubble at its top right that shows a
// count: nothing for 0 or less, the number up to 99, "99+" above.
class CusBubbleButton : public QPushButton
{
    Q_OBJECT
public:
    explicit CusBubbleButton(QWidget* parent = nullptr);

    static constexpr int kMaxShown = 99;

    void setCount(int count);
    int count() const { return count_; }
    // What the bubble shows; empty when there is no bubble.
    QString bubbleText() const;
    // Where the bubble is drawn; empty when there is no bubble.
    QRect bubbleRect() const;

signals:
    void countChanged(int count);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int count_ = 0;
};
