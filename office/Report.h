#pragma once
#include <QDate>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QVariant>
#include <utility>
#include <vector>

// One view of the journal as a document: what a page of the journal window
// shows, in the form both the printed page and the workbook are made from.

struct ReportColumn {
    enum class Kind {
        Text,     // QString; codes and names stay text, so "02" stays "02"
        Integer,  // int or qlonglong
        Decimal,  // double, shown with two decimals
        Percent,  // double, a share from 0 to 1
        Date,     // QDate
        DateTime, // QDateTime, to the minute
    };
    QString caption;
    Kind kind = Kind::Text;
};

// A table of the view; a cell may be an invalid QVariant (shown empty).
struct ReportTable {
    QString caption; // "" when the view has a single table that needs none
    std::vector<ReportColumn> columns;
    std::vector<QVariantList> rows;
};

struct Report {
    QString title;      // what the view is: «Результаты», «Анализ вопросов: …»
    QString filterLine; // what was filtered, in words; "" when nothing was
    QDateTime printed;  // when it was taken for paper, said under the title; none when invalid
    std::vector<ReportTable> tables;
    std::vector<std::pair<QString, QImage>> charts; // captioned pictures, after the tables
};
