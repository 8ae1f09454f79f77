#include "registry/ValueListModel.h"

#include "platform/WinCase.h"
#include "registry/RegValueUtils.h"
#include "registry/UserCollator.h"

#include <algorithm>
#include <vector>

ValueListModel::ValueListModel(QObject* parent) : QAbstractTableModel(parent)
{
    m_collator = UserCollator();
}

ValueRow ValueListModel::unsetDefaultRow()
{
    ValueRow row;
    row.caption = DefaultValueCaption;
    row.type = QStringLiteral("REG_SZ");
    row.data = ValueNotSetText;
    row.size = FormatSize(0);
    row.image = ImageString;
    row.isDefault = true;
    return row;
}

int ValueListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ValueListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ValueListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const ValueRow& row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case NameColumn:
            return row.caption;
        case TypeColumn:
            return row.type;
        case DataColumn:
            return row.data;
        case SizeColumn:
            return row.size;
        default:
            return {};
        }
    case ImageRole:
        return row.image;
    case Qt::DecorationRole:
        if (index.column() == NameColumn && m_imageProvider)
            return m_imageProvider(row.image);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == SizeColumn)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return {};
    default:
        return {};
    }
}

QVariant ValueListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole && section == SizeColumn)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return QStringLiteral("Name");
    case TypeColumn:
        return QStringLiteral("Typ");
    case DataColumn:
        return QStringLiteral("Wert");
    case SizeColumn:
        return QStringLiteral("Größe");
    default:
        return {};
    }
}

Qt::ItemFlags ValueListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    if (index.column() == NameColumn && !m_rows.at(index.row()).isDefault)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool ValueListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || index.column() != NameColumn)
        return false;
    emit renameRequested(index.row(), value.toString());
    return false;
}

void ValueListModel::setImageProvider(std::function<QVariant(int)> provider)
{
    m_imageProvider = std::move(provider);
}

void ValueListModel::setCollator(const QCollator& collator)
{
    beginUpdate();
    m_collator = collator;
    endUpdate();
}

void ValueListModel::beginUpdate()
{
    if (m_updateDepth++ == 0)
        beginResetModel();
}

void ValueListModel::endUpdate()
{
    if (m_updateDepth == 0 || --m_updateDepth > 0)
        return;
    sortRows();
    endResetModel();
}

void ValueListModel::clear()
{
    beginUpdate();
    m_rows.clear();
    endUpdate();
}

bool ValueListModel::lessThan(const ValueRow& a, const ValueRow& b) const
{
    // The default value stands first whichever side of the comparison it is on.
    if (a.isDefault != b.isDefault)
        return a.isDefault;
    return m_collator.compare(a.caption, b.caption) < 0;
}

int ValueListModel::sortedPosition(const ValueRow& row) const
{
    const auto it = std::upper_bound(m_rows.cbegin(), m_rows.cend(), row,
                                     [this](const ValueRow& a, const ValueRow& b) { return lessThan(a, b); });
    return int(it - m_rows.cbegin());
}

void ValueListModel::sortRows()
{
    // One sort key per row instead of a locale comparison per pair: large keys stay fast.
    struct Entry {
        QCollatorSortKey key;
        qsizetype index;
    };
    std::vector<Entry> entries;
    entries.reserve(m_rows.size());
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        entries.push_back({m_collator.sortKey(m_rows.at(i).caption), i});
    std::stable_sort(entries.begin(), entries.end(), [this](const Entry& a, const Entry& b) {
        const bool aDefault = m_rows.at(a.index).isDefault;
        const bool bDefault = m_rows.at(b.index).isDefault;
        if (aDefault != bDefault)
            return aDefault;
        return a.key.compare(b.key) < 0;
    });
    QList<ValueRow> sorted;
    sorted.reserve(m_rows.size());
    for (const Entry& entry : entries)
        sorted.append(std::move(m_rows[entry.index]));
    m_rows = std::move(sorted);
}

int ValueListModel::addRow(const ValueRow& row)
{
    if (m_updateDepth > 0) {
        m_rows.append(row);
        return -1;
    }
    const int position = sortedPosition(row);
    beginInsertRows(QModelIndex(), position, position);
    m_rows.insert(position, row);
    endInsertRows();
    return position;
}

void ValueListModel::setRow(int row, const ValueRow& values)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row] = values;
    if (m_updateDepth > 0)
        return;
    // Where would the row stand among the others?
    ValueRow moved = m_rows.takeAt(row);
    const int position = sortedPosition(moved);
    m_rows.insert(row, std::move(moved));
    if (position != row &&
        beginMoveRows(QModelIndex(), row, row, QModelIndex(), position > row ? position + 1 : position)) {
        m_rows.move(row, position);
        endMoveRows();
        row = position;
    }
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void ValueListModel::removeRow(int row)
{
    if (row < 0 || row >= m_rows.size())
        return;
    if (m_updateDepth > 0) {
        m_rows.removeAt(row);
        return;
    }
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

int ValueListModel::findValue(const QString& name) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        const ValueRow& row = m_rows.at(i);
        if (name.isEmpty() ? row.isDefault : (!row.isDefault && winEqualsNoCase(row.caption, name)))
            return i;
    }
    return -1;
}
