#pragma once

#include <QAbstractListModel>
#include <QVariant>
#include <QVector>

#include <utility>

// A read-only list of records for a list view: the record itself under its role, and what the
// view shows (title, lines, tool tip, state) from a describing function. Holds tens of thousands
// of records without an item object each.
template <typename Record>
class RecordListModel : public QAbstractListModel
{
public:
    // What a record shows under a role other than its own; an invalid QVariant for none.
    using Describe = QVariant (*)(const Record& record, int role);

    RecordListModel(int recordRole, Describe describe, QObject* parent = nullptr)
        : QAbstractListModel(parent), recordRole_(recordRole), describe_(describe)
    {
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : records_.size();
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() < 0 || index.row() >= records_.size()) {
            return QVariant();
        }
        const Record& record = records_.at(index.row());
        if (role == recordRole_) {
            return QVariant::fromValue(record);
        }
        return describe_(record, role);
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
    }

    void clear()
    {
        if (records_.isEmpty()) {
            return;
        }
        beginResetModel();
        records_.clear();
        endResetModel();
    }

    void append(QVector<Record> more)
    {
        if (more.isEmpty()) {
            return;
        }
        if (records_.isEmpty()) {
            // One reset instead of an insertion: cheaper for a long list.
            beginResetModel();
            records_ = std::move(more);
            endResetModel();
            return;
        }
        beginInsertRows(QModelIndex(), records_.size(), records_.size() + more.size() - 1);
        records_ += more;
        endInsertRows();
    }

    const QVector<Record>& records() const { return records_; }
    const Record& at(int row) const { return records_.at(row); }
    int recordRole() const { return recordRole_; }

private:
    int recordRole_;
    Describe describe_;
    QVector<Record> records_;
};
