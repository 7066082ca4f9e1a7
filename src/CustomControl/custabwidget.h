#pragma once

#include <QTabWidget>

class CusTabBar;

// A tab widget on CusTabBar: borderless pane, tabs that can be hidden (with the bar's rules for
// the current tab), and no selection of hidden tabs.
class CusTabWidget : public QTabWidget
{
    Q_OBJECT
public:
    explicit CusTabWidget(QWidget* parent = nullptr);

    CusTabBar* cusTabBar() const { return bar_; }

    void setTabVisible(int index, bool visible);
    // Hides QTabWidget::setCurrentIndex: a hidden tab is not selected.
    void setCurrentIndex(int index);
    void setTabsCentered(bool centred);

private:
    CusTabBar* bar_ = nullptr;
};
