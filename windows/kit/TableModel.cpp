#include "TableModel.h"

StringTableModel::StringTableModel(StringTable *table, QObject *parent) : QAbstractTableModel(parent), m_table(table)
{
    m_table->changed = [this] { refresh(); };
}

StringTableModel::~StringTableModel()
{
    m_table->changed = nullptr;
}

void StringTableModel::refresh()
{
    beginResetModel();
    endResetModel();
}

int StringTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(m_table->rowCount() - 1, 0);
}

int StringTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_table->columnCount();
}

QVariant StringTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_table->cell(index.column(), index.row() + 1);
}

bool StringTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    auto keep = std::move(m_table->changed); // one cell: tell the view about that cell only
    m_table->setCell(index.column(), index.row() + 1, value.toString());
    m_table->changed = std::move(keep);
    emit dataChanged(index, index);
    return true;
}

QVariant StringTableModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (o == Qt::Horizontal)
        return m_table->cell(section, 0);
    return section + 1;
}

Qt::ItemFlags StringTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (editable)
        f |= Qt::ItemIsEditable;
    return f;
}
