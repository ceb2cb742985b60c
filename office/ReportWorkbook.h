#pragma once
#include <QString>
#include <QStringList>

struct Report;

// How a report is laid out on its sheet. A journal view has its title rows;
// a plain table (writeXlsxTable) starts with its captions and keeps its old
// rule that a text cell reading as a number is stored as a number.
struct WorkbookLayout {
    bool titleRows = true;
    bool numbersFromText = false;
};

// The view as a spreadsheet workbook (.xlsx), each table on a sheet of its
// own named for it (reportSheetNames): the title and what was filtered on
// top, the table's caption, a bold header row and the rows, the columns as
// wide as that table's own values want. The charts go on the first sheet,
// under its table, as pictures. Dates are dates, numbers numbers, and text
// columns always text (a code "02" stays "02"). Each header row stays in
// view, carries the filter buttons and is printed on every page; the sheets
// print landscape, one page wide.
// Throws TrivoError (in Russian, naming the file and the reason) when the file
// cannot be written; a failure leaves whatever was at path as it was. The
// writing itself is done by the writers' module (WritersModule.h).
void writeReportWorkbook(const QString &path, const Report &report, const WorkbookLayout &layout = {});

// The sheets' names, one for each table (one sheet when there is none): its
// caption, or the report's title for a first table without one, as fully as
// a sheet's name may be: each of []:*?/\ a space, at most 31 characters (a
// cut name ends with "…"), no apostrophe at either end, and none the same as
// another regardless of case («Оценки (2)»).
QStringList reportSheetNames(const Report &report);
