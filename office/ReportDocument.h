#pragma once
#include <QSizeF>
#include <QString>
#include <QVariant>

#include <memory>

#include "Report.h"

class QPrinter;
class QTextDocument;

// A cell as the printed view shows it: numbers plain, decimals with two
// digits after the comma, percents as "85 %", dates as 07.12.2026, times to
// the minute; an invalid value as nothing.
QString shownReportCell(const QVariant &value, ReportColumn::Kind kind);

// The view as a document for paper: the title as a heading, when it was
// printed («Напечатано 08.12.2026 10:15»), the filter line, each table under
// its caption with borders and a header row that is repeated on every page
// (numbers to the right), then the charts, each fitted into textArea (the
// width and height of the text on a page, in pixels of a 96 dpi screen).
std::unique_ptr<QTextDocument> reportDocument(const Report &report, const QSizeF &textArea);

// Lays the document out on pages of this size (in the pixels of the device
// it is laid out for): a table starts on a new page, its caption with it,
// rather than leave a page with its header row and no rows under it, and a
// chart's caption goes with its picture.
void paginateReport(QTextDocument &doc, const QSizeF &page);

// A4 landscape with margins of 15 mm: how a view is printed unless the user
// picks otherwise.
void setReportPageLayout(QPrinter &printer);

// Prints the view on the printer's pages as they are set up, with the page's
// number at its foot. Works on a real printer, in the print preview and with
// QPrinter::PdfFormat; nothing is printed when the printer cannot start.
void printReport(QPrinter &printer, const Report &report);
