#include "src/Views/portalfilterproxy.h"

#include "src/Views/portalitemmodel.h"
#include "src/Views/portalrules.h"

PortalFilterProxy::PortalFilterProxy(QObject* parent) : QSortFilterProxyModel(parent)
{
    setDynamicSortFilter(true);
}

void PortalFilterProxy::setFilter(Filter filter, const QString& value)
{
    if (filter == filter_ && value == value_) {
        return;
    }
    filter_ = filter;
    value_ = value;
    invalidateFilter();
}

bool PortalFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (filter_ == All) {
        return true;
    }
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    switch (filter_) {
    case Search:
        return PortalRules::nameMatches(index.data(PortalItemModel::NameRole).toString(), value_);
    case Favourites:
        return index.data(PortalItemModel::CollectRole).toString() == QLatin1String("1");
    case Category:
        return PortalRules::inCategory(index.data(PortalItemModel::CategoryRole).toString(), value_);
    case All:
        break;
    }
    return true;
}
