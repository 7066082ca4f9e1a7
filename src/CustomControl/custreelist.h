#pragma once

#include <QList>
#include <QString>
#include <QTreeWidget>

// One row below a section: a text and, optionally, a link (only http and https links are made
// clickable; anything else is left out).
struct st_treeListItem
{
    QString text;
    QString link;
};

// A section: its title and its rows.
struct st_treeListSection
{
    QString title;
    QList<st_treeListItem> items;
};

// A list of sections with their rows, all expanded; a row's link reads "修复指南" and emits
// linkActivated(url) when pressed by mouse, keyboard or screen reader (the owner decides how to
// open it). Nothing is selectable; the links are the only stops of the Tab key.
//
// Section rows are top-level items; a row's link is the flat button "linkRow_<section>_<row>".
class CusTreeList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit CusTreeList(QWidget* parent = nullptr);

    static QString linkText();
    // Whether `link` becomes a clickable link.
    static bool isOpenableLink(const QString& link);

    // Replaces the whole content.
    void setSections(const QList<st_treeListSection>& sections);
    void clearSections();
    int sectionCount() const { return topLevelItemCount(); }
    int rowCount(int section) const;

signals:
    void linkActivated(const QString& url);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
