#pragma once
#include <QString>

class WordTable;

// The word-processor operations the protocol and the topic printout are built
// with. Windows code talks only to this interface; DocxDocument is the real one.
//
// Positions count characters from 1 the way a word processor numbers them:
// - a paragraph's text characters are followed by its paragraph mark, which counts one;
// - a table counts its cells row by row, each cell's text followed by one
//   end-of-cell mark, and each row followed by one end-of-row mark;
// - the document always ends with its final paragraph mark, so a new document
//   has end() == 1 and end() is always the number of that last mark.
// Text appended with insertAfter() goes in front of the final paragraph mark,
// so its first character takes the number end() had just before. A span
// (from, to) covers the characters from..to, both included. Together this lets a
// caller read s = end(), append a line L and make exactly L plain with
// unbold(s, s + L.size() - 1).
//
// A table added at position p goes right after character p: p = 0 puts it at
// the very start, p = end() - 1 right in front of the final paragraph mark. When
// the paragraph there still holds text after p, the paragraph is split: its
// text up to p keeps a paragraph (and a new mark) of its own above the table,
// the rest follows the table. So "add at end() - 1, then append ' '" leaves the
// table at the end of the document and the blank in the final paragraph after it.
// A position inside a table puts the new table after that table (tables do not nest).
//
// Failing calls (a position, table, row or column out of range, a size out of
// bounds) throw TrivoError with a readable text; the document keeps what it had.
class WordDocument
{
public:
    virtual ~WordDocument() = default;

    // Starts over with a new empty document: plain text of the default size.
    virtual void newDocument() = 0;
    // Font size of the whole document, in points (also for text added later).
    virtual void setFontSize(double points) = 0;
    // Bold for the whole document, and for text added later.
    virtual void setBold(bool bold) = 0;
    // Starts a new paragraph at the end.
    virtual void insertParagraphAfter() = 0;
    // Appends text at the end, in the current bold.
    virtual void insertAfter(const QString &text) = 0;
    // The end position (see above).
    virtual int end() const = 0;
    // Makes the characters from..to plain. from may be 0 (the start), to at most end();
    // a span with from > to is empty.
    virtual void unbold(int from, int to) = 0;
    // Adds a table of rows x columns at position p (see above).
    virtual void addTable(int position, int rows, int columns) = 0;
    // Number of tables added so far.
    virtual int tableCount() const = 0;
    // The k-th table added to the document, k from 1.
    WordTable table(int k);

    // The operations on a table; tables, rows and columns count from 1.
    virtual void setColumnWidth(int table, int column, double points) = 0;
    virtual void setCellText(int table, int row, int column, const QString &text) = 0;
    virtual void enableBorders(int table) = 0;

    // Shows the document to the user. Returns false when it could not be shown;
    // the reason has then been reported, and the document is still all here.
    virtual bool makeVisible() = 0;
};

// The k-th table of a document, as the protocol addresses it.
class WordTable
{
public:
    WordTable(WordDocument &document, int index) : m_document(&document), m_index(index) {}
    int index() const { return m_index; }
    void setColumnWidth(int column, double points) { m_document->setColumnWidth(m_index, column, points); }
    void setCellText(int row, int column, const QString &text) { m_document->setCellText(m_index, row, column, text); }
    void enableBorders() { m_document->enableBorders(m_index); }

private:
    WordDocument *m_document;
    int m_index;
};
