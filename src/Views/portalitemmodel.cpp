#include "src/Views/portalitemmodel.h"

#include "src/PolicyAnalyzer/st_resource.h"
#include "src/Views/portalrules.h"

PortalItemModel::PortalItemModel(QObject* parent) : QStandardItemModel(parent)
{
}

QVariant PortalItemModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::ToolTipRole) {
        return PortalRules::plainToolTip(QStandardItemModel::data(index, Qt::DisplayRole).toString());
    }
    if (role == Qt::AccessibleDescriptionRole) {
        return stateText(QStandardItemModel::data(index, ResourceRole).value<st_resource>());
    }
    return QStandardItemModel::data(index, role);
}

QStandardItem* PortalItemModel::makeItem(const st_resource& entry)
{
    auto* item = new QStandardItem(entry.AppName);
    item->setEditable(false);
    item->setDragEnabled(false);
    item->setDropEnabled(false);
    item->setData(entry.uidclassid, CategoryRole);
    item->setData(entry.collect ? QStringLiteral("1") : QStringLiteral("0"), CollectRole);
    item->setData(entry.AppName, NameRole);
    // What a screen reader reads: the name as it is, never markup.
    item->setData(entry.AppName, Qt::AccessibleTextRole);
    item->setData(QVariant::fromValue(entry), ResourceRole);
    return item;
}

void PortalItemModel::updateItem(QStandardItem* item, const st_resource& entry)
{
    item->setData(entry.collect ? QStringLiteral("1") : QStringLiteral("0"), CollectRole);
    item->setData(QVariant::fromValue(entry), ResourceRole);
}

QString PortalItemModel::stateText(const st_resource& entry)
{
    if (entry.isApply) {
        return entry.isChecked ? QStringLiteral("已勾选") : QStringLiteral("未勾选");
    }
    if (!entry.enable) {
        return QStringLiteral("已停用");
    }
    return entry.collect ? QStringLiteral("已收藏") : QStringLiteral("未收藏");
}
