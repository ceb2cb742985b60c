#pragma once
#include "runresult.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <vector>

// The journal of a PC of a school: the PCs' role reaches no table of the
// school's server and writes through the one function made for it, which
// keeps a run as the journal's own writing would (resultwrite.cpp).

// Whether the server answers and was set up for its PCs (it has their functions).
QSqlError schoolServerReady(const QSqlDatabase &db);

// Records the results, each in a transaction of its own, each with the log-in
// it carries (RunResult::session). One the server knows already changes
// nothing. A run whose log-in the server no longer knows (too old, its
// account gone) is kept as a shared account's run by the name it carries,
// rather than wait in the outbox for ever.
QSqlError writeToSchool(const QSqlDatabase &db, const std::vector<const RunResult *> &results);

// Whether the server refused a pupil's log-in as unknown or too old.
bool pupilSessionRefused(const QSqlError &e);
