#pragma once

#include "src/PolicyAnalyzer/st_inform.h"

#include <QAbstractListModel>
#include <QVector>

// The messages of the notification centre as one list model: each row shows "title    time" and
// the content below, in bold while unread; the id is the row's Qt::UserRole. Texts are shown as
// plain text. The list is replaced in one reset, never row by row.
class InformListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { IdRole = Qt::UserRole, ReadRole };

    explicit InformListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void setInforms(QVector<st_inform> informs);
    void markAllRead();
    const QVector<st_inform>& informs() const { return informs_; }

    // The text of one row.
    static QString rowText(const st_inform& inform);

private:
    QVector<st_inform> informs_;
};
