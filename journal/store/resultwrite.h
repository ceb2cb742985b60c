#pragma once
#include "runresult.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <vector>

// Writes results into the journal inside the caller's transaction, as if one
// after another: the id is the key, so a result written twice is kept once,
// and of two reports of a run the one that ran longer stays (of equal ones,
// the later). The questions, the pupils' memory and the pupils table follow
// the results that went in. A few statements of many rows each, whatever the
// number of results.
QSqlError writeResults(QSqlDatabase &db, const std::vector<const RunResult *> &results);

// Statements of many rows: "head VALUES (?, …), (?, …) tail" over the rows,
// as many to a statement as the engines' limit of values allows; on the
// server, given the columns' types, "head SELECT * FROM unnest(…) tail" with
// each column one array. Each statement's returned rows go to returned.
QSqlError insertRows(const QSqlDatabase &db, const QString &head, const QString &tail,
                     const std::vector<QVariantList> &rows, const QStringList &serverTypes = {},
                     const std::function<void(QSqlQuery &)> &returned = {});

// One column of rows (from up to to) as a PostgreSQL array literal:
// {"text","with \\"quotes\\"",NULL,t,42}.
QString arrayLiteral(const std::vector<QVariantList> &rows, size_t from, size_t to, int column);

// A text as the journal keeps it: an empty text as empty, never as SQL NULL,
// which the columns refuse (a refused result would wait in the outbox for ever).
inline QVariant textValue(const QString &text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}
