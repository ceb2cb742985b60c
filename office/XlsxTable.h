#pragma once
#include <QString>
#include <QStringList>
#include <vector>

// A table written as a spreadsheet workbook (.xlsx): one sheet, the captions in
// bold on the first row, then the rows; cells that read as whole or decimal
// numbers are stored as numbers, so the spreadsheet can sum and sort them.
// Throws TrivoError (in Russian, naming the file) when the file cannot be written.
void writeXlsxTable(const QString &path, const QString &sheet, const QStringList &captions,
                    const std::vector<QStringList> &rows);
