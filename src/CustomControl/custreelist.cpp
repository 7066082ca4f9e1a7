#include "src/CustomControl/custreelist.h"

#include "src/CustomControl/cusstyle.h"

#include <QEvent>
#include <QHeaderView>
#include <QPushButton>
#include <QUrl>

namespace {

// Reasons and links come from the client service: a tooltip never reads them as markup.
QString plainTip(const QString& text)
{
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

}  // namespace

CusTreeList::CusTreeList(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("CusTreeList"));
    setColumnCount(2);
    header()->hide();
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    header()->setSectionResizeMode(1, QHeaderView::Fixed);
    header()->resizeSection(1, 84);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setRootIsDecorated(true);
    setIndentation(20);
    setWordWrap(true);
    setUniformRowHeights(false);
    setStyleSheet(QStringLiteral("QTreeWidget { border: none; background: white; font-size: 14px; color: %1; }"
                                 "QTreeWidget::item { padding: 6px 0; border-bottom: 1px solid #F2F3F5; }")
                      .arg(QLatin1String(cusstyle::kText)));
}

QString CusTreeList::linkText()
{
    return QStringLiteral("修复指南");
}

bool CusTreeList::isOpenableLink(const QString& link)
{
    const QUrl url(link.trimmed(), QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty()
           && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

void CusTreeList::clearSections()
{
    clear();
}

int CusTreeList::rowCount(int section) const
{
    const QTreeWidgetItem* item = topLevelItem(section);
    return item == nullptr ? 0 : item->childCount();
}

void CusTreeList::setSections(const QList<st_treeListSection>& sections)
{
    clearSections();
    QFont titleFont = font();
    titleFont.setBold(true);
    QWidget* previous = this;
    for (int s = 0; s < sections.size(); ++s) {
        auto* section = new QTreeWidgetItem(this);
        section->setText(0, sections[s].title);
        section->setFont(0, titleFont);
        section->setFirstColumnSpanned(true);
        section->setFlags(Qt::ItemIsEnabled);
        for (int r = 0; r < sections[s].items.size(); ++r) {
            const st_treeListItem& row = sections[s].items[r];
            auto* child = new QTreeWidgetItem(section);
            child->setText(0, row.text);
            child->setToolTip(0, plainTip(row.text));
            child->setFlags(Qt::ItemIsEnabled);
            if (!isOpenableLink(row.link)) {
                continue;
            }
            const QString url = row.link.trimmed();
            // A flat button drawn as a link: Tab reaches it, Enter or Space presses it, and so
            // does a screen reader's press action.
            auto* link = new QPushButton(linkText(), this);
            link->setObjectName(QStringLiteral("linkRow_%1_%2").arg(s).arg(r));
            link->setToolTip(plainTip(url));
            link->setAccessibleName(linkText());
            link->setAccessibleDescription(row.text);
            link->setFlat(true);
            link->setAutoDefault(true);
            link->setFocusPolicy(Qt::StrongFocus);
            link->setCursor(Qt::PointingHandCursor);
            // The frame is there all the time, transparent, so that showing it on focus moves nothing.
            link->setStyleSheet(QStringLiteral("QPushButton { background: transparent; color: %1; font-size: 14px; "
                                               "border: 1px solid transparent; border-radius: 2px; padding: 1px 4px; }"
                                               "QPushButton:hover { text-decoration: underline; }"
                                               "QPushButton:focus { border: 1px dashed %1; }")
                                    .arg(QLatin1String(cusstyle::kTheme)));
            link->installEventFilter(this);
            // Hand over the link as given.
            connect(link, &QPushButton::clicked, this, [this, url] { emit linkActivated(url); });
            setItemWidget(child, 1, link);
            // Reading order: the links follow one another right after the list itself. Qt
            // orders nothing after a widget that takes no focus, so the list takes it for the
            // moment of the call.
            if (previous == this) {
                setFocusPolicy(Qt::TabFocus);
                QWidget::setTabOrder(this, link);
                setFocusPolicy(Qt::NoFocus);
            } else {
                QWidget::setTabOrder(previous, link);
            }
            previous = link;
        }
        section->setExpanded(true);
    }
}

bool CusTreeList::eventFilter(QObject* watched, QEvent* event)
{
    // A link reached by Tab in a row scrolled out of sight brings its row into view.
    if (event->type() == QEvent::FocusIn) {
        for (int s = 0; s < topLevelItemCount(); ++s) {
            QTreeWidgetItem* section = topLevelItem(s);
            for (int r = 0; r < section->childCount(); ++r) {
                if (itemWidget(section->child(r), 1) == watched) {
                    scrollToItem(section->child(r));
                }
            }
        }
    }
    return QTreeWidget::eventFilter(watched, event);
}
