#include "DocumentModel.h"
#include "errors.h"

#include <algorithm>
#include <climits>

namespace
{

// Limits of the word processors we write for; beyond them a file is refused.
constexpr int maxRows = 32767;
constexpr int maxColumns = 63;
constexpr double minFontSize = 1, maxFontSize = 1638;
constexpr double maxColumnWidth = 1584; // 22 inches

using Runs = DocumentModel::Runs;

int textLength(const Runs &runs)
{
    int n = 0;
    for (const auto &r : runs)
        n += int(r.text.size());
    return n;
}

void appendText(Runs &runs, const QString &text, bool bold)
{
    if (text.isEmpty())
        return;
    if (!runs.empty() && runs.back().bold == bold)
        runs.back().text += text;
    else
        runs.push_back({text, bold});
}

// Cuts runs at offset: runs keeps the text before it, the result holds the rest.
Runs splitAt(Runs &runs, int offset)
{
    Runs tail;
    int pos = 0;
    size_t i = 0;
    for (; i < runs.size(); ++i) {
        const int len = int(runs[i].text.size());
        if (pos + len > offset) {
            const int cut = offset - pos;
            if (cut > 0) {
                tail.push_back({runs[i].text.mid(cut), runs[i].bold});
                runs[i].text.truncate(cut);
                ++i;
            }
            break;
        }
        pos += len;
    }
    tail.insert(tail.end(), runs.begin() + qsizetype(i), runs.end());
    runs.erase(runs.begin() + qsizetype(i), runs.end());
    return tail;
}

// Makes the text offsets [from, to) plain, keeping neighbouring runs of one weight together.
void makePlain(Runs &runs, int from, int to)
{
    if (from >= to)
        return;
    Runs tail = splitAt(runs, to);
    Runs middle = splitAt(runs, from);
    for (const auto &r : middle)
        appendText(runs, r.text, false);
    for (const auto &r : tail)
        appendText(runs, r.text, r.bold);
}

QString plainText(const Runs &runs)
{
    QString s;
    for (const auto &r : runs)
        s += r.text;
    return s;
}

// One weight for all of it: the runs melt into one.
void setWeight(Runs &runs, bool bold)
{
    if (runs.size() > 1)
        runs = Runs{{plainText(runs), bold}};
    else if (!runs.empty())
        runs.front().bold = bold;
}

bool boldAt(const Runs &runs, int offset)
{
    for (const auto &r : runs) {
        if (offset < r.text.size())
            return r.bold;
        offset -= int(r.text.size());
    }
    return false;
}

[[noreturn]] void refuse(const QString &text)
{
    throw TrivoError(text);
}

} // namespace

void DocumentModel::clear()
{
    m_blocks.assign(1, Block{});
    m_tables.clear();
    m_length = 1;
    m_fontSize = defaultFontSize;
    m_bold = false;
    changed();
}

void DocumentModel::setFontSize(double points)
{
    if (!(points >= minFontSize && points <= maxFontSize))
        refuse(QStringLiteral("Размер шрифта %1 вне допустимых пределов (от %2 до %3 пунктов)")
                   .arg(points)
                   .arg(minFontSize)
                   .arg(maxFontSize));
    m_fontSize = points;
    changed();
}

void DocumentModel::setBold(bool bold)
{
    m_bold = bold;
    for (auto &b : m_blocks)
        setWeight(b.runs, bold);
    for (auto &t : m_tables)
        for (auto &cell : t.cells)
            setWeight(cell, bold);
    changed();
}

void DocumentModel::insertParagraphAfter()
{
    if (m_length == INT_MAX)
        refuse(QStringLiteral("Документ слишком длинный"));
    m_blocks.push_back(Block{});
    ++m_length;
    changed();
}

void DocumentModel::insertAfter(const QString &text)
{
    if (text.size() > INT_MAX - m_length)
        refuse(QStringLiteral("Документ слишком длинный"));
    Block &last = m_blocks.back();
    appendText(last.runs, text, m_bold);
    last.textLength += int(text.size());
    m_length += int(text.size());
    changed();
}

std::pair<size_t, int> DocumentModel::locate(int pos) const
{
    // Callers nearly always work at the end of the document, so search from there.
    int start = m_length + 1;
    for (size_t i = m_blocks.size(); i-- > 0;) {
        start -= blockLength(m_blocks[i]);
        if (start <= pos)
            return {i, start};
    }
    return {0, 1};
}

void DocumentModel::unbold(int from, int to)
{
    if (from < 0 || to > m_length)
        refuse(QStringLiteral("Участок с %1 по %2 выходит за пределы документа (от 1 до %3)")
                   .arg(from)
                   .arg(to)
                   .arg(m_length));
    from = std::max(from, 1);
    if (from > to)
        return;
    auto [i, start] = locate(from);
    for (; i < m_blocks.size() && start <= to; ++i) {
        Block &b = m_blocks[i];
        if (!b.isTable()) {
            makePlain(b.runs, std::max(from, start) - start, std::min(to + 1, start + b.textLength) - start);
            if (i + 1 == m_blocks.size() && to == m_length)
                m_bold = false; // the final mark: text added later is plain too
        } else {
            Table &t = m_tables[size_t(b.table)];
            int cellStart = start;
            for (int r = 0; r < t.rows; ++r) {
                for (int c = 0; c < t.columns; ++c) {
                    Runs &cell = t.cells[size_t(r * t.columns + c)];
                    const int len = textLength(cell);
                    makePlain(cell, std::max(from, cellStart) - cellStart,
                              std::min(to + 1, cellStart + len) - cellStart);
                    cellStart += len + 1;
                }
                ++cellStart;
            }
        }
        start += blockLength(b);
    }
    changed();
}

void DocumentModel::addTable(int position, int rows, int columns)
{
    if (position < 0 || position > m_length)
        refuse(QStringLiteral("Место %1 вне документа (от 0 до %2)").arg(position).arg(m_length));
    if (rows < 1 || rows > maxRows || columns < 1 || columns > maxColumns)
        refuse(
            QStringLiteral("Таблицу из %1 строк и %2 столбцов создать нельзя (строк от 1 до %3, столбцов от 1 до %4)")
                .arg(rows)
                .arg(columns)
                .arg(maxRows)
                .arg(maxColumns));
    const int length = rows * columns + rows;
    if (length > INT_MAX - 1 - m_length)
        refuse(QStringLiteral("Документ слишком длинный"));

    // Nothing may follow the final paragraph mark: a table there goes in front of it.
    position = std::min(position, m_length - 1);
    size_t at = 0;
    if (position > 0) {
        auto [i, start] = locate(position);
        at = i + 1;
        Block &b = m_blocks[i];
        const int offset = position - start + 1; // characters of the block up to and including position
        if (!b.isTable() && offset <= b.textLength) {
            // Inside a paragraph's text: the rest of it moves below the table.
            Block rest;
            rest.runs = splitAt(b.runs, offset);
            rest.textLength = b.textLength - offset;
            b.textLength = offset;
            m_blocks.insert(m_blocks.begin() + qsizetype(at), std::move(rest));
            ++m_length; // the paragraph above the table got a mark of its own
        }
    }
    Table t;
    t.rows = rows;
    t.columns = columns;
    t.cells.resize(size_t(rows) * size_t(columns));
    t.widths.assign(size_t(columns), 0.0);
    t.length = length;
    m_tables.push_back(std::move(t));
    Block tb;
    tb.table = int(m_tables.size()) - 1;
    m_blocks.insert(m_blocks.begin() + qsizetype(at), std::move(tb));
    m_length += length;
    changed();
}

DocumentModel::Table &DocumentModel::checkedTable(int k, const char *operation)
{
    if (k < 1 || k > int(m_tables.size()))
        refuse(QStringLiteral("%1: в документе нет таблицы %2 (таблиц в нём: %3)")
                   .arg(QString::fromUtf8(operation))
                   .arg(k)
                   .arg(m_tables.size()));
    return m_tables[size_t(k - 1)];
}

void DocumentModel::setColumnWidth(int table, int column, double points)
{
    Table &t = checkedTable(table, "Ширина столбца");
    if (column < 1 || column > t.columns)
        refuse(QStringLiteral("Ширина столбца: в таблице %1 нет столбца %2").arg(table).arg(column));
    if (!(points > 0 && points <= maxColumnWidth))
        refuse(QStringLiteral("Ширина столбца %1 вне допустимых пределов (больше 0, не больше %2 пунктов)")
                   .arg(points)
                   .arg(maxColumnWidth));
    t.widths[size_t(column - 1)] = points;
    changed();
}

void DocumentModel::setCellText(int table, int row, int column, const QString &text)
{
    Table &t = checkedTable(table, "Текст ячейки");
    if (row < 1 || row > t.rows || column < 1 || column > t.columns)
        refuse(QStringLiteral("Текст ячейки: в таблице %1 нет ячейки (%2, %3)").arg(table).arg(row).arg(column));
    Runs &cell = t.cells[size_t((row - 1) * t.columns + column - 1)];
    const int old = textLength(cell);
    if (text.size() > INT_MAX - m_length + old)
        refuse(QStringLiteral("Документ слишком длинный"));
    cell.clear();
    appendText(cell, text, m_bold);
    t.length += int(text.size()) - old;
    m_length += int(text.size()) - old;
    changed();
}

void DocumentModel::enableBorders(int table)
{
    checkedTable(table, "Borders").borders = true;
    changed();
}

QString DocumentModel::characters() const
{
    QString s;
    s.reserve(m_length);
    for (const auto &b : m_blocks) {
        if (!b.isTable()) {
            s += plainText(b.runs);
            s += u'\n';
            continue;
        }
        const Table &t = m_tables[size_t(b.table)];
        for (int r = 1; r <= t.rows; ++r) {
            for (int c = 1; c <= t.columns; ++c) {
                s += plainText(t.cell(r, c));
                s += u'|';
            }
            s += u'/';
        }
    }
    return s;
}

bool DocumentModel::isBoldAt(int pos) const
{
    if (pos < 1 || pos > m_length)
        return false;
    if (pos == m_length)
        return m_bold;
    auto [i, start] = locate(pos);
    const Block &b = m_blocks[i];
    if (!b.isTable())
        return pos - start < b.textLength && boldAt(b.runs, pos - start);
    const Table &t = m_tables[size_t(b.table)];
    int cellStart = start;
    for (int r = 1; r <= t.rows; ++r) {
        for (int c = 1; c <= t.columns; ++c) {
            const int len = textLength(t.cell(r, c));
            if (pos < cellStart + len)
                return pos >= cellStart && boldAt(t.cell(r, c), pos - cellStart);
            cellStart += len + 1;
        }
        ++cellStart;
    }
    return false;
}
