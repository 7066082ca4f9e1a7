#pragma once

#include "src/CustomControl/cusitemdelegate.h"

// One approval record per row: its title (the application or the file), a line below it (the
// times, the sandbox, the size) and the state as a coloured tag at the right end.
class ApproveRecordDelegate : public CusItemDelegate
{
    Q_OBJECT
public:
    // The record's approveResult ("0", "1", "2"); the title is Qt::DisplayRole and the line below
    // CusItemDelegate::SubtitleRole.
    static constexpr int StatusRole = Qt::UserRole + 50;

    explicit ApproveRecordDelegate(QObject* parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
