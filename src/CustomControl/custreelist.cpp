#include "src/CustomControl/custreelist.h"

#include "src/CustomControl/cusstyle.h"

#include <QHeaderView>
#include <QLabel>
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
            auto* link = new QLabel(this);
            link->setObjectName(QStringLiteral("linkRow_%1_%2").arg(s).arg(r));
            link->setTextFormat(Qt::RichText);
            link->setText(QStringLiteral("<a href=\"%1\" style=\"color:%2; text-decoration:none;\">%3</a>")
                              .arg(url.toHtmlEscaped(), QLatin1String(cusstyle::kTheme), linkText()));
            link->setToolTip(plainTip(url));
            link->setAccessibleName(linkText());
            link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
            link->setOpenExternalLinks(false);
            link->setCursor(Qt::PointingHandCursor);
            link->setStyleSheet(QStringLiteral("background: transparent; font-size: 14px;"));
            // Hand over the link as given, not as the label re-encodes it.
            connect(link, &QLabel::linkActivated, this, [this, url](const QString&) { emit linkActivated(url); });
            setItemWidget(child, 1, link);
        }
        section->setExpanded(true);
    }
}
