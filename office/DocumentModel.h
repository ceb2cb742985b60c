#pragma once
#include <QString>
#include <vector>

// The document held in memory: a row of blocks, each a paragraph or a table,
// always ending with the final paragraph. It carries out the operations of
// WordDocument (see there for how positions are counted) and is what the .docx
// writer and the tests read back.
class DocumentModel
{
public:
    // A stretch of text of one weight.
    struct Run {
        QString text;
        bool bold = false;
    };
    using Runs = std::vector<Run>;

    struct Table {
        int rows = 0, columns = 0;
        std::vector<Runs> cells;    // row by row
        std::vector<double> widths; // points per column; 0 = not set
        bool borders = false;
        int length = 0; // characters, marks included

        const Runs &cell(int row, int column) const { return cells[size_t((row - 1) * columns + column - 1)]; }
    };

    // A paragraph (table < 0) or a table (the index into tables(), in the order added).
    struct Block {
        Runs runs;
        int textLength = 0;
        int table = -1;
        bool isTable() const { return table >= 0; }
    };

    static constexpr double defaultFontSize = 12;

    DocumentModel() { clear(); }
    void clear();

    void setFontSize(double points);
    void setBold(bool bold);
    void insertParagraphAfter();
    void insertAfter(const QString &text);
    int end() const { return m_length; }
    void unbold(int from, int to);
    void addTable(int position, int rows, int columns);
    int tableCount() const { return int(m_tables.size()); }
    void setColumnWidth(int table, int column, double points);
    void setCellText(int table, int row, int column, const QString &text);
    void enableBorders(int table);

    // Reading back.
    const std::vector<Block> &blocks() const { return m_blocks; }
    const Table &tableAt(int k) const { return m_tables[size_t(k - 1)]; }
    double fontSize() const { return m_fontSize; }
    bool bold() const { return m_bold; }
    // Grows with every change; tells whether a written copy is still current.
    quint64 revision() const { return m_revision; }

    // One character per position, for tests and debugging: a paragraph mark
    // is '\n', an end-of-cell mark '|', an end-of-row mark '/'.
    QString characters() const;
    // Whether the character at position pos (1..end()) is bold; marks follow
    // the final paragraph's weight.
    bool isBoldAt(int pos) const;

private:
    int blockLength(const Block &b) const { return b.isTable() ? m_tables[size_t(b.table)].length : b.textLength + 1; }
    // Index of the block holding character pos and the number of its first character.
    std::pair<size_t, int> locate(int pos) const;
    Table &checkedTable(int k, const char *operation);
    void changed() { ++m_revision; }

    std::vector<Block> m_blocks;
    std::vector<Table> m_tables;
    int m_length = 1;
    double m_fontSize = defaultFontSize;
    bool m_bold = false;
    quint64 m_revision = 0;
};
