#pragma once

#include <QSortFilterProxyModel>
#include <QString>

// What one portal tab shows of the item model: everything, the names holding a search key, the
// favourites or one category's entries (whole category ids, see PortalRules::inCategory).
class PortalFilterProxy : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    enum Filter { All, Search, Favourites, Category };

    explicit PortalFilterProxy(QObject* parent = nullptr);

    void setFilter(Filter filter, const QString& value = QString());
    Filter filter() const { return filter_; }
    QString value() const { return value_; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    Filter filter_ = All;
    QString value_;
};
