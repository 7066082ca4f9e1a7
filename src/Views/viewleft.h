#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QVBoxLayout;

// The left navigation of the work area: one checkable item per page, in one exclusive group.
// Clicking an item checks it and emits sendIndexChanged(index). Hidden items are also disabled;
// hiding the checked item moves the selection to the first visible item.
//
// Children: "leftItem<index>".
class ViewLeft : public QWidget
{
    Q_OBJECT
public:
    explicit ViewLeft(QWidget* parent = nullptr);

    // Appends an item; returns its index.
    int addItem(const QString& label, const QIcon& icon);
    // Clicks item `index`; an index outside the items logs "error index: " and changes nothing.
    void setCurrentIndex(int index);
    // The checked item, -1 when none.
    int currentIndex() const;
    void showItem(int index);
    void hideItem(int index);
    QList<int> visibleItems() const { return visible_; }
    int count() const;
    QAbstractButton* item(int index) const;
    // Colour of the checked item.
    void setThemeColor(const QString& colour);

signals:
    void sendIndexChanged(int index);

private:
    bool validIndex(int index) const;
    void applyStyle();

    QButtonGroup* group_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
    QList<int> visible_;
    QString theme_ = QStringLiteral("#1AA9FF");
};
