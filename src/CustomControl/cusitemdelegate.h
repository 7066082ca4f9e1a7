#pragma once

#include <QColor>
#include <QPointer>
#include <QStyledItemDelegate>

class QAbstractItemView;

// What one item shows, independent of the record behind it.
struct st_itemView
{
    QString title;
    QString subtitle;      // portal: second line in display mode 1; rows: the line below the title
    QString trailing;      // rows: a short text at the right end (a time, a state)
    QString iconPath;      // a picture file; empty: no icon
    bool enabled = true;   // false: grey icon, muted title, no corner mark
    bool applyEntry = false;  // portal: an entry of the request list (tick box instead of star)
    bool marked = false;   // portal: favourite, or ticked in the request list
};

// The base of the record delegates of the list views. The portal type (0) draws cards with an
// icon, a name and a corner mark (star or tick box) in the current display mode; the other types
// draw one record per row: icon, title, subtitle and a trailing text.
//
// A delegate for a record type overrides itemView() to say what to draw (the default reads the
// roles below), or paint() for its own drawing. Pressing a portal item's corner mark emits
// collectClicked() or, for an entry of the request list, applyCheckboxClicked().
class CusItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    enum ItemDelegateType {
        ItemPortal = 0,
        ItemApprove = 1,
        ItemSandbox = 2,
        ItemNotice = 3,
    };
    Q_ENUM(ItemDelegateType)

    // Roles read by the default itemView(); the title is Qt::DisplayRole.
    enum Role {
        IconPathRole = Qt::UserRole + 40,
        SubtitleRole,
        TrailingRole,
        EnabledRole,     // bool, true when absent
        ApplyEntryRole,  // bool
        MarkedRole,      // bool
    };

    explicit CusItemDelegate(ItemDelegateType type, QObject* parent = nullptr);

    ItemDelegateType type() const { return type_; }
    // The portal display mode: 0 list, 1 cards with a second line, other values cards; -1 until
    // the first update.
    int displayMode() const { return displayMode_; }
    // Stores the mode and, when it changed, saves it in the user's configuration. Returns whether
    // it changed (the view then lays its items out again).
    bool updatePortalDisplayMode(int mode);
    // Takes the mode without saving it (the mode the configuration already holds).
    void setPortalDisplayMode(int mode) { displayMode_ = mode; }

    void setThemeColours(const QColor& theme, const QColor& light);

    // The width of a portal item in both display modes; the page widens its items so that the
    // columns fill the view. Never below kPortalMinWidth.
    static constexpr int kPortalMinWidth = 210;
    void setPortalItemWidth(int width);
    int portalItemWidth() const { return portalWidth_; }

    // `text` when it fits `width`; otherwise the leading characters that fit together with a
    // following "...", and the "...".
    static QString wordEllipsisText(const QFontMetrics& metrics, const QString& text, int width);
    // The picture at `path` (by its own format, else as JPEG, JPG or BMP) scaled smoothly to
    // `size` times `ratio`, in grey when `grey`; a null pixmap when it cannot be read.
    static QPixmap loadIcon(const QString& path, const QSize& size, qreal ratio, bool grey);
    // The 24 x 24 corner mark of a portal item, centred in the 28 x 28 square that starts 30
    // pixels left of the item's right edge at its top.
    static QRect cornerMarkRect(const QRect& item);
    // Where a press counts as a press on the mark: from 30 to 5 pixels left of the right edge,
    // 25 pixels high from the top.
    static QRect cornerHitRect(const QRect& item);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

signals:
    void collectClicked(const QModelIndex& index);
    void applyCheckboxClicked(const QModelIndex& index);

protected:
    virtual st_itemView itemView(const QModelIndex& index) const;
    // Whether a portal item draws a corner mark (and so reacts to presses on it).
    static bool hasCornerMark(const st_itemView& view);

    void paintPortal(QPainter* painter, const QStyleOptionViewItem& option, const st_itemView& view) const;
    void paintRow(QPainter* painter, const QStyleOptionViewItem& option, const st_itemView& view) const;
    void paintHoverCard(QPainter* painter, const QStyleOptionViewItem& option, qreal radius) const;

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchViewport(const QStyleOptionViewItem& option);

    ItemDelegateType type_;
    int displayMode_ = -1;
    int portalWidth_ = 230;
    QColor theme_;
    QColor light_;
    QPointer<QWidget> viewport_;
};
