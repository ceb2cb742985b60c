#pragma once
#include "DesktopHooks.h"
#include "DocumentModel.h"
#include "WordDocument.h"

// The word-processor operations carried out on an in-memory document. Making
// it visible writes a .docx file into a folder of its own under the
// installation folder and opens it with the associated program.
class DocxDocument : public WordDocument
{
public:
    explicit DocxDocument(DesktopHooks hooks = {});

    void newDocument() override { m_model.clear(); }
    void setFontSize(double points) override { m_model.setFontSize(points); }
    void setBold(bool bold) override { m_model.setBold(bold); }
    void insertParagraphAfter() override { m_model.insertParagraphAfter(); }
    void insertAfter(const QString &text) override { m_model.insertAfter(text); }
    int end() const override { return m_model.end(); }
    void unbold(int from, int to) override { m_model.unbold(from, to); }
    void addTable(int position, int rows, int columns) override { m_model.addTable(position, rows, columns); }
    int tableCount() const override { return m_model.tableCount(); }
    void setColumnWidth(int table, int column, double points) override
    {
        m_model.setColumnWidth(table, column, points);
    }
    void setCellText(int table, int row, int column, const QString &text) override
    {
        m_model.setCellText(table, row, column, text);
    }
    void enableBorders(int table) override { m_model.enableBorders(table); }

    // Writes <folder>/<date>_<time>.docx (with _2, _3 ... when that name is
    // taken; an earlier file is never replaced) and opens it. When the document
    // has not changed since the last file was written, that file is opened again.
    // When nothing opens it, the hooks are told where the file lies.
    bool makeVisible() override;

    const DocumentModel &model() const { return m_model; }
    // The folder documents are written to; by default "Documents" in the installation folder.
    QString folder() const;
    void setFolder(const QString &folder) { m_folder = folder; }
    // The file written by the last makeVisible() that got that far; empty before.
    QString lastFile() const { return m_lastFile; }

private:
    QString writeFile(); // empty after a reported failure

    DesktopHooks m_hooks;
    DocumentModel m_model;
    QString m_folder;
    QString m_lastFile;
    quint64 m_writtenRevision = 0;
};

// Writes bytes to a new file in folder named base + suffix, or base_2 + suffix
// and so on when that is taken, without ever replacing a file: the bytes go to
// a temporary file first, which is then renamed. Returns the path; throws
// TrivoError when the folder cannot be made or written.
QString writeNewFile(const QString &folder, const QString &base, const QString &suffix, const QByteArray &bytes);
