#include "stringtable.h"

namespace
{
const QString emptyText;

QStringList blankRow(int cols)
{
    QStringList r;
    r.reserve(cols);
    for (int i = 0; i < cols; ++i)
        r.append(QString());
    return r;
}
} // namespace

void StringTable::setRowCount(int n)
{
    n = std::max(n, 0);
    if (n == rowCount())
        return;
    m_rows.resize(size_t(n), blankRow(m_cols));
    if (m_current >= n)
        m_current = std::max(n - 1, 0);
    notify();
}

void StringTable::setColumnCount(int n)
{
    m_cols = n;
    for (auto &r : m_rows) {
        while (r.size() < n)
            r.append(QString());
        while (r.size() > n)
            r.removeLast();
    }
    notify();
}

const QString &StringTable::cell(int col, int row) const
{
    if (row < 0 || row >= rowCount() || col < 0 || col >= m_cols)
        return emptyText;
    return m_rows[size_t(row)][col];
}

void StringTable::setCell(int col, int row, const QString &text)
{
    if (row < 0 || row >= rowCount() || col < 0 || col >= m_cols)
        return;
    m_rows[size_t(row)][col] = text;
    notify();
}

void StringTable::setRow(int r, const QStringList &cells)
{
    if (r < 0 || r >= rowCount())
        return;
    QStringList row = cells.mid(0, m_cols);
    while (row.size() < m_cols)
        row.append(QString());
    m_rows[size_t(r)] = row;
    notify();
}

void StringTable::setDataRows(std::vector<QStringList> rows)
{
    QStringList header = m_rows.empty() ? blankRow(m_cols) : m_rows.front();
    m_rows.clear();
    m_rows.reserve(rows.size() + 1);
    m_rows.push_back(std::move(header));
    for (auto &r : rows) {
        while (r.size() < m_cols)
            r.append(QString());
        m_rows.push_back(std::move(r));
    }
    if (m_current >= rowCount())
        m_current = rowCount() - 1;
    notify();
}

void StringTable::insertRow(int at)
{
    at = std::clamp(at, 0, rowCount());
    m_rows.insert(m_rows.begin() + at, blankRow(m_cols));
    notify();
}

void StringTable::removeRow(int at)
{
    if (at < 0 || at >= rowCount())
        return;
    m_rows.erase(m_rows.begin() + at);
    if (m_current >= rowCount())
        m_current = std::max(rowCount() - 1, 0);
    notify();
}

void StringTable::swapRows(int a, int b)
{
    if (a < 0 || b < 0 || a >= rowCount() || b >= rowCount())
        return;
    std::swap(m_rows[size_t(a)], m_rows[size_t(b)]);
    notify();
}
