#pragma once
#include "stringtable.h"

#include <QAbstractTableModel>

// Shows a StringTable in a QTableView: row 0 of the table becomes the header,
// data rows 1.. become the view's rows (view row i = table row i + 1).
// Editing a cell writes straight into the table.
class StringTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit StringTableModel(StringTable *table, QObject *parent = nullptr);
    ~StringTableModel() override;

    StringTable *table() const { return m_table; }
    // Re-reads the table after it was changed.
    void refresh();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    bool editable = true;

private:
    StringTable *m_table;
};
