#pragma once

#include <QTabBar>

// The workbench's tab bar: flat tabs with the selected one underlined in the theme colour, tabs
// that can be hidden and shown again, and locking on one tab while an operation runs.
//
// Visibility rules: hiding the current tab selects the nearest visible tab after it, else
// before it, enabled tabs first (when none is left the index stays); showing a tab while no visible tab is current
// selects it; selecting a hidden tab through this class changes nothing.
class CusTabBar : public QTabBar
{
    Q_OBJECT
public:
    explicit CusTabBar(QWidget* parent = nullptr);

    void setTabVisible(int index, bool visible);
    // Hides this class's QTabBar::setCurrentIndex so that hidden tabs cannot be selected.
    void setCurrentIndex(int index);

    int visibleCount() const;
    QList<int> visibleTabs() const;

    // Enables only `index` (the others are disabled) / enables or disables every tab.
    void setOnlyTabEnabled(int index);
    void setAllTabsEnabled(bool enabled);

    void setThemeColor(const QString& colour);
    void setFontPixelSize(int pixels);

private:
    void applyStyle();
    int nearestVisible(int index, bool enabledOnly) const;

    QString theme_;
    int fontPixels_ = 14;
};
