#pragma once
#include "runresult.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <vector>

// Each pupil's memory of each question, kept in the journal's table
// question_memory. It is what the answers the journal holds make: a result
// written twice, replaced by a longer report of the same run or arriving
// late from the outbox leaves it as the answers make it.

// Brings the memory of the questions the results answered up to date,
// inside the write transaction of the results, after their questions were
// kept. A pupil's next run carries the kept memory on by its answers; where
// new answers fall among older ones (a run sent late, a longer report taking
// the place of an earlier one: the ids in replacing) or the journal kept
// answers before it had the memory, the memory is made anew from every
// answer of the pupil to the question in the subject. Either way it is what
// replaying all the answers in order makes.
QSqlError updateMemory(QSqlDatabase &db, const std::vector<const RunResult *> &results, const QSet<QString> &replacing);
