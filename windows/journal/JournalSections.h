#pragma once
#include "Report.h"

#include <QStringList>

class QTableWidget;

// The tables of the journal window's sections: each is filled from the same
// report table that is printed and saved, so paper and screen agree.

QTableWidget *sectionTable(const QString &name, const QString &spoken, int stretched);
// Captions from the report table's columns; a cell's text as printed, lines
// joined by "; ", the whole text in its tooltip.
void showReportTable(QTableWidget *table, const ReportTable &report);
