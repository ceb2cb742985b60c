#pragma once
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// A grid of texts: row 0 holds the column captions, data rows start at 1. The
// run tables and the editor's tables are objects of this class, owned outside
// any widget; the windows show them through a thin model adapter that listens
// to the change notice.
class StringTable
{
public:
    explicit StringTable(int columns = 0, int rows = 1) : m_cols(columns) { setRowCount(rows); }

    int rowCount() const { return int(m_rows.size()); }
    int columnCount() const { return m_cols; }
    // Rows are added empty or dropped from the end.
    void setRowCount(int n);
    void setColumnCount(int n);

    const QString &cell(int col, int row) const;
    void setCell(int col, int row, const QString &text);
    const QStringList &row(int r) const { return m_rows[size_t(r)]; }
    void setRow(int r, const QStringList &cells);
    void setHeaders(const QStringList &captions) { setRow(0, captions); }

    // Data rows (1..) replaced at once; the row count becomes rows.size() + 1.
    void setDataRows(std::vector<QStringList> rows);
    void insertRow(int at);
    void removeRow(int at);
    void swapRows(int a, int b);

    int currentRow() const { return m_current; }
    void setCurrentRow(int r) { m_current = r; }

    // Called after every change; the model adapter hangs itself here.
    std::function<void()> changed;
    // Several changes in a row tell the listener once.
    void beginUpdate() { ++m_batch; }
    void endUpdate()
    {
        if (--m_batch == 0)
            notify();
    }

private:
    void notify()
    {
        if (m_batch == 0 && changed)
            changed();
    }
    int m_cols = 0;
    int m_current = 0;
    int m_batch = 0;
    std::vector<QStringList> m_rows;
};
