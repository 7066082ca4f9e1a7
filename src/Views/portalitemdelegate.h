#pragma once

#include "src/CustomControl/cusitemdelegate.h"

// The portal's item delegate: CusItemDelegate of the portal type, drawing each item from the
// st_resource it holds (role 263): name, address (second line in display mode 1), icon file,
// disabled look, and a star or, in the request list, a tick box.
class PortalItemDelegate : public CusItemDelegate
{
    Q_OBJECT
public:
    explicit PortalItemDelegate(QObject* parent = nullptr);

protected:
    st_itemView itemView(const QModelIndex& index) const override;
};
