#include "watch/WatchListModel.h"

#include <algorithm>

WatchListModel::WatchListModel(QObject* parent) : QAbstractTableModel(parent) {}

int WatchListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int WatchListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant WatchListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const WatchRow& row = m_rows.at(index.row());
    if (role == Qt::CheckStateRole && index.column() == DateColumn)
        return row.read ? Qt::Checked : Qt::Unchecked;
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case DateColumn:
        return row.time.toString(QStringLiteral("dd.MM.yyyy"));
    case TimeColumn:
        return row.time.toString(QStringLiteral("hh:mm")) + QStringLiteral(" Uhr");
    case KeyColumn:
        return row.keyPath;
    default:
        return {};
    }
}

QVariant WatchListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QString titles[ColumnCount] = {QStringLiteral("Datum"), QStringLiteral("Zeit"),
                                                QStringLiteral("Schlüssel")};
    return section >= 0 && section < ColumnCount ? QVariant(titles[section]) : QVariant();
}

Qt::ItemFlags WatchListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == DateColumn)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

bool WatchListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != DateColumn)
        return false;
    m_rows[index.row()].read = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    if (std::all_of(m_rows.cbegin(), m_rows.cend(), [](const WatchRow& r) { return r.read; }))
        setUnread(false);
    return true;
}

void WatchListModel::addChange(const QString& keyPath, const QDateTime& time)
{
    setUnread(true);
    beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size()));
    m_rows.append(WatchRow{time, keyPath, false});
    endInsertRows();
}

void WatchListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
    setUnread(false);
}

void WatchListModel::markAllRead()
{
    setUnread(false);
    if (m_rows.isEmpty())
        return;
    for (WatchRow& row : m_rows)
        row.read = true;
    emit dataChanged(index(0, DateColumn), index(int(m_rows.size()) - 1, DateColumn), {Qt::CheckStateRole});
}

void WatchListModel::setUnread(bool unread)
{
    if (m_unread == unread)
        return;
    m_unread = unread;
    emit indicatorChanged(unread);
}
