#pragma once

#include <QStandardItemModel>

#include "src/PolicyAnalyzer/st_resource.h"

// The portal's items. Each item holds, besides its text (the application's name):
//   257 the category id (uidclassid), 260 "1" for a favourite else "0", 262 the name (search),
//   263 the whole st_resource.
// Tooltips and the accessible description are made from those when asked for, so that ten
// thousand entries cost no more than their data.
class PortalItemModel : public QStandardItemModel
{
    Q_OBJECT
public:
    enum Role {
        CategoryRole = Qt::UserRole + 1,  // 257
        CollectRole = Qt::UserRole + 4,   // 260
        NameRole = Qt::UserRole + 6,      // 262
        ResourceRole = Qt::UserRole + 7,  // 263
    };

    explicit PortalItemModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // A new item for `entry`.
    static QStandardItem* makeItem(const st_resource& entry);
    // Writes `entry` back into its item (roles 260 and 263, the text).
    static void updateItem(QStandardItem* item, const st_resource& entry);
    // What a screen reader says about the entry besides its name.
    static QString stateText(const st_resource& entry);
};
