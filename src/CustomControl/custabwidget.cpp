#include "src/CustomControl/custabwidget.h"

#include "src/CustomControl/custabbar.h"

CusTabWidget::CusTabWidget(QWidget* parent) : QTabWidget(parent)
{
    setObjectName(QStringLiteral("CusTabWidget"));
    bar_ = new CusTabBar(this);
    setTabBar(bar_);
    setDocumentMode(true);
    setTabsCentered(false);
}

void CusTabWidget::setTabVisible(int index, bool visible)
{
    // The pages follow the bar's currentChanged, so the bar's rules decide for both.
    bar_->setTabVisible(index, visible);
}

void CusTabWidget::setCurrentIndex(int index)
{
    bar_->setCurrentIndex(index);
}

void CusTabWidget::setTabsCentered(bool centred)
{
    setStyleSheet(QStringLiteral("QTabWidget::pane { border: none; }"
                                 "QTabWidget::tab-bar { alignment: %1; }")
                      .arg(centred ? QStringLiteral("center") : QStringLiteral("left")));
}
