#include "src/CustomControl/cusitemdelegate.h"

#include "app/common.h"
#include "src/CustomControl/cusstyle.h"

#include <QAbstractItemView>
#include <QDateTime>
#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QTextBoundaryFinder>

namespace {

QImage greyImage(const QImage& source)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(line[x]);
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]));
        }
    }
    return image;
}

QFont pixelFont(const QFont& base, int pixels, bool bold = false)
{
    QFont font = base;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

}  // namespace

CusItemDelegate::CusItemDelegate(ItemDelegateType type, QObject* parent)
    : QStyledItemDelegate(parent), type_(type), theme_(QLatin1String(cusstyle::kTheme)),
      light_(QLatin1String(cusstyle::kThemeLight))
{
}

bool CusItemDelegate::updatePortalDisplayMode(int mode)
{
    if (mode == displayMode_) {
        return false;
    }
    displayMode_ = mode;
    Common::setPortalDisplayMode(mode);
    return true;
}

void CusItemDelegate::setThemeColours(const QColor& theme, const QColor& light)
{
    theme_ = theme;
    light_ = light;
}

QString CusItemDelegate::wordEllipsisText(const QFontMetrics& metrics, const QString& text, int width)
{
    if (metrics.horizontalAdvance(text) <= width) {
        return text;
    }
    // The "..." is part of what must fit, or drawing within the width would cut it off.
    const QString dots = QStringLiteral("...");
    const int room = width - metrics.horizontalAdvance(dots);
    // Whole characters only: a surrogate pair or a combining sequence is never cut in two.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int end = 0;
    int used = 0;
    for (int next = finder.toNextBoundary(); next > 0; next = finder.toNextBoundary()) {
        const int advance = metrics.horizontalAdvance(text.mid(end, next - end));
        if (used + advance > room) {
            break;
        }
        used += advance;
        end = next;
    }
    return text.left(end) + dots;
}

QPixmap CusItemDelegate::loadIcon(const QString& path, const QSize& size, qreal ratio, bool grey)
{
    if (path.isEmpty() || size.isEmpty()) {
        return QPixmap();
    }
    // A downloaded icon is rewritten in place: the modification time is part of the key.
    const QFileInfo info(path);
    const QString key = QStringLiteral("cusitem|%1|%2|%3x%4@%5|%6")
                            .arg(path)
                            .arg(info.lastModified().toMSecsSinceEpoch())
                            .arg(size.width())
                            .arg(size.height())
                            .arg(ratio)
                            .arg(grey ? 1 : 0);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap)) {
        return pixmap;
    }
    QImage image;
    if (!image.load(path)) {
        for (const char* format : {"JPEG", "JPG", "BMP"}) {
            if (image.load(path, format)) {
                break;
            }
        }
    }
    if (image.isNull()) {
        return QPixmap();
    }
    image = image.scaled(size * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (grey) {
        image = greyImage(image);
    }
    pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QRect CusItemDelegate::cornerMarkRect(const QRect& item)
{
    const QRect square(item.x() + item.width() - 30, item.y(), 28, 28);
    return QRect(square.x() + 2, square.y() + 2, 24, 24);
}

QRect CusItemDelegate::cornerHitRect(const QRect& item)
{
    return QRect(item.x() + item.width() - 30, item.y(), 25, 25);
}

bool CusItemDelegate::hasCornerMark(const st_itemView& view)
{
    return view.applyEntry || view.enabled;
}

st_itemView CusItemDelegate::itemView(const QModelIndex& index) const
{
    st_itemView view;
    view.title = index.data(Qt::DisplayRole).toString();
    view.subtitle = index.data(SubtitleRole).toString();
    view.trailing = index.data(TrailingRole).toString();
    view.iconPath = index.data(IconPathRole).toString();
    const QVariant enabled = index.data(EnabledRole);
    view.enabled = !enabled.isValid() || enabled.toBool();
    view.applyEntry = index.data(ApplyEntryRole).toBool();
    view.marked = index.data(MarkedRole).toBool();
    return view;
}

void CusItemDelegate::setPortalItemWidth(int width)
{
    portalWidth_ = qMax(width, int(kPortalMinWidth));
}

QSize CusItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    if (type_ == ItemPortal) {
        return QSize(portalWidth_, displayMode_ == 0 ? 40 : 90);
    }
    return QSize(qMax(option.rect.width(), 320), 64);
}

void CusItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!index.isValid()) {
        return;
    }
    const st_itemView view = itemView(index);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    if (type_ == ItemPortal) {
        paintPortal(painter, option, view);
    } else {
        paintRow(painter, option, view);
    }
    painter->restore();
}

void CusItemDelegate::paintHoverCard(QPainter* painter, const QStyleOptionViewItem& option, qreal radius) const
{
    if (!(option.state & (QStyle::State_MouseOver | QStyle::State_Selected))) {
        return;
    }
    painter->setPen(Qt::NoPen);
    painter->setBrush(light_);
    painter->drawRoundedRect(QRectF(option.rect), radius, radius);
}

void CusItemDelegate::paintPortal(QPainter* painter, const QStyleOptionViewItem& option, const st_itemView& view) const
{
    const QRect& r = option.rect;
    paintHoverCard(painter, option, 8);

    const bool list = displayMode_ == 0;
    const QRect iconRect = list ? QRect(r.left() + 20, r.top() + 8, 24, 24) : QRect(r.left() + 10, r.top() + 16, 58, 58);
    const int nameLeft = list ? r.left() + 53 : r.left() + 77;
    // The name ends before the corner mark, however wide the item is.
    const int nameRight = list ? r.right() - 55 : r.right() - 31;
    const QRect nameRect(nameLeft, list ? r.top() + 8 : r.top() + 14, nameRight - nameLeft, 24);
    const bool grey = !view.enabled && !view.applyEntry;

    const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap icon = loadIcon(view.iconPath, iconRect.size(), ratio, grey);
    if (!icon.isNull()) {
        painter->drawPixmap(iconRect, icon);
    }

    painter->setFont(pixelFont(option.font, 16));
    painter->setPen(QColor(QLatin1String(grey ? cusstyle::kTextMuted : cusstyle::kText)));
    painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter,
                      wordEllipsisText(painter->fontMetrics(), view.title, nameRect.width()));

    if (displayMode_ == 1 && !view.subtitle.isEmpty()) {
        const QRect second(nameLeft, r.top() + 41, nameRight - nameLeft, 24);
        painter->setFont(pixelFont(option.font, 14));
        painter->setPen(QColor(QLatin1String(cusstyle::kTextMuted)));
        painter->drawText(second, Qt::AlignLeft | Qt::AlignVCenter,
                          wordEllipsisText(painter->fontMetrics(), view.subtitle, second.width()));
    }

    if (hasCornerMark(view)) {
        const char* mark = view.applyEntry ? (view.marked ? ":/resources/Img/box_yellow.png" : ":/resources/Img/box_gray.png")
                                           : (view.marked ? ":/resources/Img/star_yellow.png" : ":/resources/Img/star_gray.png");
        painter->drawPixmap(cornerMarkRect(r), QPixmap(QLatin1String(mark)));
    }
}

void CusItemDelegate::paintRow(QPainter* painter, const QStyleOptionViewItem& option, const st_itemView& view) const
{
    const QRect& r = option.rect;
    paintHoverCard(painter, option, 4);

    int left = r.left() + 16;
    const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
    const QRect iconRect(left, r.top() + (r.height() - 32) / 2, 32, 32);
    const QPixmap icon = loadIcon(view.iconPath, iconRect.size(), ratio, !view.enabled);
    if (!icon.isNull()) {
        painter->drawPixmap(iconRect, icon);
        left = iconRect.right() + 13;
    }

    int right = r.right() - 16;
    if (!view.trailing.isEmpty()) {
        painter->setFont(pixelFont(option.font, 12));
        const int width = qMin(painter->fontMetrics().horizontalAdvance(view.trailing), r.width() / 3);
        const QRect trailing(right - width, r.top(), width, r.height());
        painter->setPen(QColor(QLatin1String(cusstyle::kTextMuted)));
        painter->drawText(trailing, Qt::AlignRight | Qt::AlignVCenter,
                          wordEllipsisText(painter->fontMetrics(), view.trailing, width));
        right = trailing.left() - 12;
    }

    const int width = qMax(0, right - left);
    const bool twoLines = !view.subtitle.isEmpty();
    painter->setFont(pixelFont(option.font, 14));
    painter->setPen(QColor(QLatin1String(view.enabled ? cusstyle::kText : cusstyle::kTextMuted)));
    const QRect titleRect(left, twoLines ? r.top() + 10 : r.top(), width, twoLines ? 22 : r.height());
    painter->drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter,
                      wordEllipsisText(painter->fontMetrics(), view.title, width));
    if (twoLines) {
        painter->setFont(pixelFont(option.font, 12));
        painter->setPen(QColor(QLatin1String(cusstyle::kTextMuted)));
        painter->drawText(QRect(left, r.top() + 34, width, 20), Qt::AlignLeft | Qt::AlignVCenter,
                          wordEllipsisText(painter->fontMetrics(), view.subtitle, width));
    }

    painter->setPen(QPen(QColor(QLatin1String(cusstyle::kBorder)), 1));
    painter->drawLine(r.left() + 16, r.bottom(), r.right() - 16, r.bottom());
}

void CusItemDelegate::watchViewport(const QStyleOptionViewItem& option)
{
    auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    if (view == nullptr || viewport_ == view->viewport()) {
        return;
    }
    if (viewport_ != nullptr) {
        viewport_->removeEventFilter(this);
    }
    viewport_ = view->viewport();
    viewport_->installEventFilter(this);
}

bool CusItemDelegate::eventFilter(QObject* watched, QEvent* event)
{
    // Every pointer move starts with the normal cursor; editorEvent() turns it into a hand while
    // the pointer is over a corner mark. Leaving the view, or moving over no item, restores it.
    if (watched == viewport_ && (event->type() == QEvent::MouseMove || event->type() == QEvent::Leave)) {
        viewport_->unsetCursor();
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

bool CusItemDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                  const QModelIndex& index)
{
    if (type_ != ItemPortal || !index.isValid()) {
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }
    const bool mouse = event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress;
    if (!mouse) {
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }
    watchViewport(option);
    const st_itemView view = itemView(index);
    const auto* mouseEvent = static_cast<QMouseEvent*>(event);
    const bool onMark = hasCornerMark(view) && cornerHitRect(option.rect).contains(mouseEvent->pos());
    if (viewport_ != nullptr) {
        if (onMark) {
            viewport_->setCursor(Qt::PointingHandCursor);
        } else {
            viewport_->unsetCursor();
        }
    }
    if (event->type() == QEvent::MouseButtonPress && onMark) {
        if (view.applyEntry) {
            emit applyCheckboxClicked(index);
        } else {
            emit collectClicked(index);
        }
        return true;
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}
