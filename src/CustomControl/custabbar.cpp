#include "src/CustomControl/custabbar.h"

#include "src/CustomControl/cusstyle.h"

CusTabBar::CusTabBar(QWidget* parent) : QTabBar(parent), theme_(QLatin1String(cusstyle::kTheme))
{
    setObjectName(QStringLiteral("CusTabBar"));
    setDrawBase(false);
    setExpanding(false);
    setElideMode(Qt::ElideNone);
    setUsesScrollButtons(true);
    setCursor(Qt::PointingHandCursor);
    applyStyle();
}

void CusTabBar::applyStyle()
{
    // The bar's own font too: the tabs' widths are measured with it.
    setStyleSheet(QStringLiteral("QTabBar { background: transparent; font-size: %4px; }"
                                 "QTabBar::tab { background: transparent; border: none; padding: 4px 14px 6px 14px;"
                                 " margin-right: 4px; color: %1; font-size: %4px; border-bottom: 2px solid transparent; }"
                                 "QTabBar::tab:hover { color: %2; }"
                                 "QTabBar::tab:selected { color: %2; border-bottom: 2px solid %2; }"
                                 "QTabBar::tab:disabled { color: %3; }")
                      .arg(QLatin1String(cusstyle::kText), theme_, QLatin1String(cusstyle::kTextMuted))
                      .arg(fontPixels_));
}

void CusTabBar::setThemeColor(const QString& colour)
{
    theme_ = colour;
    applyStyle();
}

void CusTabBar::setFontPixelSize(int pixels)
{
    fontPixels_ = pixels;
    applyStyle();
}

void CusTabBar::setTabVisible(int index, bool visible)
{
    if (index < 0 || index >= count()) {
        return;
    }
    const int current = currentIndex();
    const bool currentWasVisible = current >= 0 && isTabVisible(current);
    if (!visible && index == current) {
        // Qt's own choice differs between releases; ours: the nearest tab after, then before,
        // preferring enabled tabs.
        int next = nearestVisible(index, true);
        if (next < 0) {
            next = nearestVisible(index, false);
        }
        if (next >= 0) {
            QTabBar::setCurrentIndex(next);
        }
    }
    // Told what it already has, QTabBar drops a pending layout: a bar changed while hidden
    // would show again with its tabs where they were (new ones at no place at all).
    if (isTabVisible(index) != visible) {
        QTabBar::setTabVisible(index, visible);
    }
    if (visible && !currentWasVisible) {
        QTabBar::setCurrentIndex(index);
    }
}

int CusTabBar::nearestVisible(int index, bool enabledOnly) const
{
    auto usable = [&](int i) { return isTabVisible(i) && (!enabledOnly || isTabEnabled(i)); };
    for (int i = index + 1; i < count(); ++i) {
        if (usable(i)) {
            return i;
        }
    }
    for (int i = index - 1; i >= 0; --i) {
        if (usable(i)) {
            return i;
        }
    }
    return -1;
}

void CusTabBar::setCurrentIndex(int index)
{
    if (index < 0 || index >= count() || !isTabVisible(index)) {
        return;
    }
    QTabBar::setCurrentIndex(index);
}

int CusTabBar::visibleCount() const
{
    return visibleTabs().size();
}

QList<int> CusTabBar::visibleTabs() const
{
    QList<int> tabs;
    for (int i = 0; i < count(); ++i) {
        if (isTabVisible(i)) {
            tabs.append(i);
        }
    }
    return tabs;
}

void CusTabBar::setOnlyTabEnabled(int index)
{
    for (int i = 0; i < count(); ++i) {
        setTabEnabled(i, i == index);
    }
}

void CusTabBar::setAllTabsEnabled(bool enabled)
{
    for (int i = 0; i < count(); ++i) {
        setTabEnabled(i, enabled);
    }
}
