#include "src/Views/approverecorddelegate.h"

#include "src/CustomControl/cusstyle.h"
#include "src/Views/approvetext.h"

#include <QPainter>

namespace {

QFont pixelFont(const QFont& base, int pixels)
{
    QFont font = base;
    font.setPixelSize(pixels);
    return font;
}

}  // namespace

ApproveRecordDelegate::ApproveRecordDelegate(QObject* parent) : CusItemDelegate(ItemApprove, parent) {}

QSize ApproveRecordDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(qMax(option.rect.width(), 320), 64);
}

void ApproveRecordDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!index.isValid()) {
        return;
    }
    const QRect& r = option.rect;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    paintHoverCard(painter, option, 4);

    int right = r.right() - 16;
    const QString result = index.data(StatusRole).toString();
    const QString status = ApproveText::statusText(result);
    if (!status.isEmpty()) {
        const ApproveText::TagColours colours = ApproveText::tagColours(result);
        painter->setFont(pixelFont(option.font, 12));
        const int width = painter->fontMetrics().horizontalAdvance(status) + 16;
        const QRectF tag(right - width, r.top() + (r.height() - 22) / 2.0, width, 22);
        painter->setPen(QPen(QColor(colours.border), 1));
        painter->setBrush(QColor(colours.background));
        painter->drawRoundedRect(tag.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        painter->setPen(QColor(colours.text));
        painter->drawText(tag, Qt::AlignCenter, status);
        right = static_cast<int>(tag.left()) - 12;
    }

    const int left = r.left() + 16;
    const int width = qMax(0, right - left);
    painter->setFont(pixelFont(option.font, 14));
    painter->setPen(QColor(QLatin1String(cusstyle::kText)));
    // Line breaks in outside texts would spill over the row: each line is drawn as one.
    const QRect titleRect(left, r.top() + 10, width, 22);
    painter->drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter,
                      wordEllipsisText(painter->fontMetrics(), index.data(Qt::DisplayRole).toString().simplified(), width));
    painter->setFont(pixelFont(option.font, 12));
    painter->setPen(QColor(QLatin1String(cusstyle::kTextMuted)));
    painter->drawText(QRect(left, r.top() + 34, width, 20), Qt::AlignLeft | Qt::AlignVCenter,
                      wordEllipsisText(painter->fontMetrics(), index.data(SubtitleRole).toString().simplified(), width));

    painter->setPen(QPen(QColor(QLatin1String(cusstyle::kBorder)), 1));
    painter->drawLine(r.left() + 16, r.bottom(), r.right() - 16, r.bottom());
    painter->restore();
}
