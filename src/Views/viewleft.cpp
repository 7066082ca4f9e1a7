#include "src/Views/viewleft.h"

#include "corviscommon/logging.h"

#include <QButtonGroup>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

ViewLeft::ViewLeft(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ViewLeft"));
    setAttribute(Qt::WA_StyledBackground, true);
    group_ = new QButtonGroup(this);
    group_->setExclusive(true);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 24, 0, 0);
    layout_->setSpacing(4);
    layout_->addStretch(1);
    connect(group_, &QButtonGroup::idClicked, this, &ViewLeft::sendIndexChanged);
    applyStyle();
}

int ViewLeft::addItem(const QString& label, const QIcon& icon)
{
    const int index = count();
    auto* button = new QPushButton(icon, label, this);
    button->setObjectName(QStringLiteral("leftItem%1").arg(index));
    button->setCheckable(true);
    button->setFixedHeight(48);
    button->setIconSize(QSize(20, 20));
    button->setCursor(Qt::PointingHandCursor);
    group_->addButton(button, index);
    // Before the stretch that keeps the items at the top.
    layout_->insertWidget(layout_->count() - 1, button);
    visible_.append(index);
    return index;
}

int ViewLeft::count() const
{
    return group_->buttons().size();
}

QAbstractButton* ViewLeft::item(int index) const
{
    return group_->button(index);
}

bool ViewLeft::validIndex(int index) const
{
    if (index < 0 || index >= count()) {
        LOG(WARNING) << "error index: " << index;
        return false;
    }
    return true;
}

void ViewLeft::setCurrentIndex(int index)
{
    if (validIndex(index)) {
        group_->button(index)->click();
    }
}

int ViewLeft::currentIndex() const
{
    return group_->checkedId();
}

void ViewLeft::showItem(int index)
{
    if (!validIndex(index)) {
        return;
    }
    QAbstractButton* button = group_->button(index);
    button->setEnabled(true);
    button->setVisible(true);
    if (!visible_.contains(index)) {
        visible_.insert(std::lower_bound(visible_.begin(), visible_.end(), index), index);
    }
}

void ViewLeft::hideItem(int index)
{
    if (!validIndex(index)) {
        return;
    }
    QAbstractButton* button = group_->button(index);
    const bool wasChecked = button->isChecked();
    button->setEnabled(false);
    button->setVisible(false);
    visible_.removeAll(index);
    if (!wasChecked) {
        return;
    }
    if (!visible_.isEmpty()) {
        group_->button(visible_.first())->click();
        return;
    }
    // No item left to select: an exclusive group cannot uncheck its last button.
    group_->setExclusive(false);
    button->setChecked(false);
    group_->setExclusive(true);
}

void ViewLeft::setThemeColor(const QString& colour)
{
    theme_ = colour;
    applyStyle();
}

void ViewLeft::applyStyle()
{
    setStyleSheet(QStringLiteral("#ViewLeft{background-color: #F5F7FA;border-right: 1px solid #E4E7ED;}"
                                 "QPushButton{border: none;text-align: left;padding-left: 32px;font-size: 15px;color: #2F2F2F;background: transparent;}"
                                 "QPushButton:hover{background-color: #EAF0F8;}"
                                 "QPushButton:checked{background-color: %1;color: white;}")
                      .arg(theme_));
}
