#include "src/Views/informlistmodel.h"

#include <QFont>

InformListModel::InformListModel(QObject* parent) : QAbstractListModel(parent) {}

int InformListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : informs_.size();
}

QVariant InformListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= informs_.size()) {
        return QVariant();
    }
    const st_inform& inform = informs_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return rowText(inform);
    case Qt::FontRole: {
        QFont font;
        font.setBold(inform.isRead == 0);
        return font;
    }
    case IdRole:
        return inform.id;
    case ReadRole:
        return inform.isRead != 0;
    default:
        return QVariant();
    }
}

void InformListModel::setInforms(QVector<st_inform> informs)
{
    beginResetModel();
    informs_ = std::move(informs);
    endResetModel();
}

void InformListModel::markAllRead()
{
    for (st_inform& inform : informs_) {
        inform.isRead = 1;
    }
    if (!informs_.isEmpty()) {
        emit dataChanged(index(0), index(informs_.size() - 1), {Qt::FontRole, ReadRole});
    }
}

QString InformListModel::rowText(const st_inform& inform)
{
    return QStringLiteral("%1    %2\n%3").arg(inform.title, inform.time, inform.content);
}
