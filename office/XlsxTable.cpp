#include "XlsxTable.h"
#include "Report.h"
#include "ReportWorkbook.h"

void writeXlsxTable(const QString &path, const QString &sheet, const QStringList &captions,
                    const std::vector<QStringList> &rows)
{
    qsizetype widest = captions.size();
    for (const QStringList &row : rows)
        widest = std::max(widest, row.size());
    ReportTable table;
    table.columns.resize(size_t(widest));
    for (qsizetype c = 0; c < captions.size(); ++c)
        table.columns[size_t(c)].caption = captions[c];
    table.rows.reserve(rows.size());
    for (const QStringList &row : rows) {
        QVariantList cells;
        cells.reserve(row.size());
        for (const QString &text : row)
            cells.append(text);
        table.rows.push_back(std::move(cells));
    }
    Report report;
    report.title = sheet;
    report.tables.push_back(std::move(table));
    writeReportWorkbook(path, report, WorkbookLayout{.titleRows = false, .numbersFromText = true});
}
