#pragma once
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariant>

// The journal's tables, their numbered migrations, and what differs between the
// embedded database and the server: column types, how a write transaction
// begins, how a moment in time is stored.

enum class Dialect { Sqlite, Postgres };
Dialect dialectOf(const QSqlDatabase &db);

// The newest schema this program knows.
int latestSchemaVersion();

// Brings the database up to the newest schema, each migration in its own
// transaction, safe against other programs doing the same at the same moment.
// The error, or an invalid QSqlError on success. A database newer than the
// program is refused with a Russian text in databaseText().
QSqlError migrate(QSqlDatabase &db);

// A write transaction that takes the write lock at once (the embedded database
// otherwise fails instead of waiting when two writers upgrade their locks).
QSqlError beginWrite(QSqlDatabase &db);
QSqlError commitWrite(QSqlDatabase &db);
void rollbackWrite(QSqlDatabase &db);

// Moments are stored as local time "yyyy-MM-ddTHH:mm:ss": text that sorts in
// the embedded database, a timestamp on the server.
QVariant storedTime(const QDateTime &t);
QVariant storedDayStart(const QDate &d);
QDateTime timeFromStored(const QVariant &v);
