#pragma once
#include "runresult.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <vector>

// Each pupil's memory of each question, kept in the journal's table
// question_memory. It is made from the answers the journal holds, never
// counted up: a result written twice, replaced by a longer report of the same
// run or arriving late from the outbox leaves it as the answers make it.

// Makes the memory anew for the questions the results answered, from every
// answer of each pupil to them in the subject. Inside the write transaction
// of the results, after their questions were kept.
QSqlError updateMemory(QSqlDatabase &db, const std::vector<const RunResult *> &results);
