#include "stringtable.h"
#include "text.h"

namespace
{
QStringList blankRow(int cols)
{
    QStringList r;
    r.reserve(cols);
    for (int i = 0; i < cols; ++i)
        r.append(QString());
    return r;
}
} // namespace

StringTable::StringTable(const FileKind &kind, int rows) : m_cols(int(kind.layout.size())), m_kind(kind)
{
    setRowCount(rows);
}

StringTable::RowRef StringTable::keepTexts(QStringList cells)
{
    if (!m_freeTexts.empty()) {
        const qint32 slot = m_freeTexts.back();
        m_freeTexts.pop_back();
        m_texts[size_t(slot)] = std::move(cells);
        return ~slot;
    }
    m_texts.push_back(std::move(cells));
    return ~qint32(m_texts.size() - 1);
}

void StringTable::dropRow(RowRef ref)
{
    if (isRecord(ref))
        return; // the record's bytes go with the next load
    m_texts[size_t(~ref)] = QStringList();
    m_freeTexts.push_back(~ref);
}

QStringList StringTable::fitted(QStringList cells) const
{
    while (cells.size() < m_cols)
        cells.append(QString());
    if (cells.size() > m_cols)
        cells.resize(m_cols);
    return cells;
}

QStringList &StringTable::textsOf(int r)
{
    RowRef &ref = m_rows[size_t(r)];
    if (isRecord(ref))
        ref = keepTexts(row(r));
    return m_texts[size_t(~ref)];
}

void StringTable::setRowCount(int n)
{
    n = std::max(n, 0);
    if (n == rowCount())
        return;
    while (rowCount() > n) {
        dropRow(m_rows.back());
        m_rows.pop_back();
    }
    m_rows.reserve(size_t(n));
    while (rowCount() < n)
        m_rows.push_back(keepTexts(blankRow(m_cols)));
    if (m_current >= n)
        m_current = std::max(n - 1, 0);
    notify();
}

void StringTable::setColumnCount(int n)
{
    for (int r = 0; r < rowCount(); ++r) {
        QStringList cells = row(r);
        while (cells.size() < n)
            cells.append(QString());
        cells.resize(n);
        RowRef &ref = m_rows[size_t(r)];
        if (isRecord(ref))
            ref = keepTexts(std::move(cells));
        else
            m_texts[size_t(~ref)] = std::move(cells);
    }
    m_cols = n;
    notify();
}

QString StringTable::cell(int col, int row) const
{
    if (row < 0 || row >= rowCount() || col < 0 || col >= m_cols)
        return {};
    const RowRef ref = m_rows[size_t(row)];
    if (!isRecord(ref))
        return m_texts[size_t(~ref)].value(col);
    if (col >= qsizetype(m_kind.layout.size()))
        return {};
    const FieldSpec &f = m_kind.layout[size_t(col)];
    return readText(recordData(ref), m_kind.recordSize, f.offset, f.size);
}

bool StringTable::cellIs(int col, int row, const QString &trimmedText) const
{
    if (row >= 0 && row < rowCount() && col >= 0 && col < qsizetype(m_kind.layout.size()) &&
        isRecord(m_rows[size_t(row)]))
        return trimmedFieldIs(recordData(m_rows[size_t(row)]), m_kind.recordSize, m_kind.layout[size_t(col)],
                              trimmedText);
    return trimmed(cell(col, row)) == trimmedText;
}

void StringTable::setCell(int col, int row, const QString &text)
{
    // The same text again (a cell editor left as it was) is no change.
    if (row < 0 || row >= rowCount() || col < 0 || col >= m_cols || cell(col, row) == text)
        return;
    textsOf(row)[col] = text;
    notify();
}

QStringList StringTable::row(int r) const
{
    if (r < 0 || r >= rowCount())
        return {};
    const RowRef ref = m_rows[size_t(r)];
    if (!isRecord(ref))
        return m_texts[size_t(~ref)];
    QStringList cells;
    cells.reserve(m_cols);
    for (int c = 0; c < m_cols; ++c)
        cells.append(cell(c, r));
    return cells;
}

void StringTable::setRow(int r, const QStringList &cells)
{
    if (r < 0 || r >= rowCount())
        return;
    RowRef &ref = m_rows[size_t(r)];
    if (isRecord(ref))
        ref = keepTexts(fitted(cells));
    else
        m_texts[size_t(~ref)] = fitted(cells);
    notify();
}

void StringTable::keepOnlyHeader(size_t dataRows)
{
    QStringList header = rowCount() > 0 ? row(0) : blankRow(m_cols);
    // The old rows go before the new ones come, so a reload never holds both.
    std::vector<RowRef>().swap(m_rows);
    std::vector<QStringList>().swap(m_texts);
    std::vector<qint32>().swap(m_freeTexts);
    m_records = QByteArray();
    m_rows.reserve(dataRows + 1);
    m_rows.push_back(keepTexts(std::move(header)));
}

void StringTable::setDataRows(std::vector<QStringList> rows)
{
    keepOnlyHeader(rows.size());
    for (auto &r : rows)
        m_rows.push_back(keepTexts(fitted(std::move(r))));
    if (m_current >= rowCount())
        m_current = rowCount() - 1;
    notify();
}

void StringTable::setDataRecords(QByteArray records)
{
    if (m_kind.recordSize <= 0)
        return;
    const qsizetype n = records.size() / m_kind.recordSize;
    keepOnlyHeader(size_t(n));
    records.truncate(n * m_kind.recordSize);
    m_records = std::move(records);
    for (qsizetype i = 0; i < n; ++i)
        m_rows.push_back(RowRef(i));
    if (m_current >= rowCount())
        m_current = rowCount() - 1;
    notify();
}

void StringTable::loadRecords(const RecordFile &file)
{
    QByteArray records = std::move(m_records);
    keepOnlyHeader(0); // the rows that pointed into the old records go first
    notify();
    file.readRecordsInto(records);
    setDataRecords(std::move(records));
}

void StringTable::insertRow(int at)
{
    at = std::clamp(at, 0, rowCount());
    m_rows.insert(m_rows.begin() + at, keepTexts(blankRow(m_cols)));
    notify();
}

void StringTable::removeRow(int at)
{
    if (at < 0 || at >= rowCount())
        return;
    dropRow(m_rows[size_t(at)]);
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

void StringTable::appendRecordOf(int r, QByteArray &out, const FileKind &kind) const
{
    const RowRef ref = r >= 0 && r < rowCount() ? m_rows[size_t(r)] : -1;
    if (isRecord(ref) && kind.layout.data() == m_kind.layout.data() && kind.recordSize == m_kind.recordSize)
        appendCanonicalRecord(out, recordData(ref), kind);
    else
        appendRecordOfRow(out, row(r), kind);
}

QByteArrayView StringTable::recordOf(int r) const
{
    if (r < 0 || r >= rowCount() || !isRecord(m_rows[size_t(r)]))
        return {};
    return QByteArrayView(recordData(m_rows[size_t(r)]), m_kind.recordSize);
}
