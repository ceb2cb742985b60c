#include "ProtocolDocument.h"

namespace
{
// A table right before the final paragraph mark, followed by a blank.
WordTable appendTable(WordDocument &doc, const ProtocolEntry &e, int columns)
{
    doc.addTable(doc.end() - 1, int(e.cells.size()), columns);
    doc.insertAfter(QStringLiteral(" "));
    return doc.table(doc.tableCount());
}

void fillCells(WordTable &table, const std::vector<QStringList> &cells)
{
    for (size_t r = 0; r < cells.size(); ++r)
        for (qsizetype c = 0; c < cells[r].size(); ++c)
            table.setCellText(int(r) + 1, int(c) + 1, cells[r][c]);
}
} // namespace

void writeProtocol(WordDocument &doc, const std::vector<ProtocolEntry> &entries)
{
    doc.newDocument();
    doc.setFontSize(10);
    doc.setBold(true);
    for (const ProtocolEntry &e : entries) {
        switch (e.kind) {
        case ProtocolEntry::Kind::Question:
            doc.insertParagraphAfter();
            doc.insertAfter(e.text);
            break;
        case ProtocolEntry::Kind::Answer: {
            if (e.newParagraph)
                doc.insertParagraphAfter();
            const int s = doc.end();
            doc.insertAfter(e.text);
            if (!e.bold)
                doc.unbold(s, s + int(e.text.size()) - 1);
            break;
        }
        case ProtocolEntry::Kind::Table: {
            WordTable table = appendTable(doc, e, int(e.widths.size()));
            for (size_t c = 0; c < e.widths.size(); ++c)
                table.setColumnWidth(int(c) + 1, e.widths[c]);
            fillCells(table, e.cells);
            break;
        }
        case ProtocolEntry::Kind::Summary: {
            WordTable table = appendTable(doc, e, 2);
            table.enableBorders();
            fillCells(table, e.cells);
            doc.insertAfter(QStringLiteral(" "));
            doc.insertParagraphAfter();
            doc.insertAfter(protocolSignatureLine());
            break;
        }
        }
    }
}
