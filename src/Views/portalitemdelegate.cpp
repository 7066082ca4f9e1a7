#include "src/Views/portalitemdelegate.h"

#include "src/PolicyAnalyzer/st_resource.h"
#include "src/Views/portalitemmodel.h"

PortalItemDelegate::PortalItemDelegate(QObject* parent) : CusItemDelegate(ItemPortal, parent)
{
}

st_itemView PortalItemDelegate::itemView(const QModelIndex& index) const
{
    const st_resource entry = index.data(PortalItemModel::ResourceRole).value<st_resource>();
    st_itemView view;
    view.title = entry.AppName;
    view.subtitle = entry.Url;
    view.iconPath = entry.icoPath;
    view.enabled = entry.enable || entry.isApply;
    view.applyEntry = entry.isApply;
    view.marked = entry.isApply ? entry.isChecked : entry.collect;
    return view;
}
