#pragma once
#include <QString>

struct Report;

// How a report is laid out on its sheet. A journal view has its title rows;
// a plain table (writeXlsxTable) starts with its captions and keeps its old
// rule that a text cell reading as a number is stored as a number.
struct WorkbookLayout {
    bool titleRows = true;
    bool numbersFromText = false;
};

// The view as a spreadsheet workbook (.xlsx) of one sheet: the title and what
// was filtered on top, then each table under its caption with a bold header
// row, then the charts as pictures. Dates are dates, numbers numbers, and text
// columns always text (a code "02" stays "02"). The header row of the first
// table stays in view, carries the filter buttons and is printed on every
// page; the sheet prints landscape, one page wide.
// Throws TrivoError (in Russian, naming the file and the reason) when the file
// cannot be written; a failure leaves whatever was at path as it was. The
// writing itself is done by the writers' module (WritersModule.h).
void writeReportWorkbook(const QString &path, const Report &report, const WorkbookLayout &layout = {});
