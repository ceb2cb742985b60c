#pragma once
#include "runresult.h"

#include <QSqlDatabase>
#include <QSqlError>

// Each pupil's memory of each question, kept in the journal's table
// question_memory. It is made from the answers the journal holds, never
// counted up: a result written twice, replaced by a longer report of the same
// run or arriving late from the outbox leaves it as the answers make it.

// Makes the memory anew for the questions the result answered, from every
// answer of this pupil to them in the subject. Inside the write transaction
// of the result, after its questions were kept.
QSqlError updateMemory(QSqlDatabase &db, const RunResult &r);
