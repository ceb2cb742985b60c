#pragma once
#include "recordfile.h"
#include "records.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// A grid of texts: row 0 holds the column captions, data rows start at 1. The
// run tables and the editor's tables are objects of this class, owned outside
// any widget; the windows show them through a thin model adapter that listens
// to the change notice.
//
// A table of a bank file keeps its rows as the file's records: the bytes read
// in one piece, a text decoded only when a cell is asked for. A row becomes a
// list of texts when it is changed; rows inserted, removed or swapped move one
// number each. So a table costs little more than its file's bytes, and opening
// it costs little more than reading them.
class StringTable
{
public:
    explicit StringTable(int columns = 0, int rows = 1) : m_cols(columns) { setRowCount(rows); }
    // A table whose data rows may be records of this kind: column c is its c-th field.
    StringTable(const FileKind &kind, int rows = 1);

    int rowCount() const { return int(m_rows.size()); }
    int columnCount() const { return m_cols; }
    // Rows are added empty or dropped from the end.
    void setRowCount(int n);
    void setColumnCount(int n);

    QString cell(int col, int row) const;
    // Whether the cell, trimmed, is this text; a record's field is compared
    // without decoding it when the text is plain ASCII.
    bool cellIs(int col, int row, const QString &trimmedText) const;
    void setCell(int col, int row, const QString &text);
    QStringList row(int r) const;
    void setRow(int r, const QStringList &cells);
    void setHeaders(const QStringList &captions) { setRow(0, captions); }

    // Data rows (1..) replaced at once; the row count becomes rows.size() + 1.
    void setDataRows(std::vector<QStringList> rows);
    // Data rows replaced by the whole records in these bytes (a trailing
    // partial record is dropped). Only for a table made with a record kind.
    void setDataRecords(QByteArray records);
    // The same from a file, read into the memory the old records took when it
    // is large enough, so a reload takes no new memory.
    void loadRecords(const RecordFile &file);
    void insertRow(int at);
    void removeRow(int at);
    void swapRows(int a, int b);

    // Appends the record of row r as a store writes it: a row never changed
    // gives its record as decoding and encoding it would, a changed row its
    // cells cut to the fields.
    void appendRecordOf(int r, QByteArray &out, const FileKind &kind) const;
    // The bytes of row r's record, empty for a row that is a list of texts.
    QByteArrayView recordOf(int r) const;
    // The kind of record the table keeps (record size 0 for a plain grid).
    const FileKind &recordKind() const { return m_kind; }

    int currentRow() const { return m_current; }
    void setCurrentRow(int r) { m_current = r; }

    // Grows with every change, so that a window can tell whether the table
    // changed since it was loaded or stored (see StoredMark).
    quint64 version() const { return m_version; }

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
        ++m_version;
        if (m_batch == 0 && changed)
            changed();
    }
    // A row is a record number (>= 0) or ~n for the n-th list of texts.
    using RowRef = qint32;
    static bool isRecord(RowRef ref) { return ref >= 0; }
    RowRef keepTexts(QStringList cells);
    // Drops every data row and its memory, keeping the captions.
    void keepOnlyHeader(size_t dataRows);
    void dropRow(RowRef ref);
    QStringList &textsOf(int r); // turns a record row into texts first
    QStringList fitted(QStringList cells) const;
    const char *recordData(RowRef ref) const { return m_records.constData() + qsizetype(ref) * m_kind.recordSize; }

    int m_cols = 0;
    int m_current = 0;
    int m_batch = 0;
    quint64 m_version = 0;
    std::vector<RowRef> m_rows;
    std::vector<QStringList> m_texts;
    std::vector<qint32> m_freeTexts; // slots of m_texts no row uses
    QByteArray m_records;
    FileKind m_kind;
};

// Whether a table holds edits its file lacks: set when the table was loaded
// from its file or stored into it.
class StoredMark
{
public:
    explicit StoredMark(const StringTable &table) : m_table(&table), m_at(table.version()) {}
    void mark() { m_at = m_table->version(); }
    bool unstored() const { return m_table->version() != m_at; }

private:
    const StringTable *m_table;
    quint64 m_at;
};
