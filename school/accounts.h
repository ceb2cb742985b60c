#pragma once
#include "classlist.h"
#include "journalsettings.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// The pupils' accounts on the school's server, as a teacher keeps them: a
// class list imported, each pupil with a personal six-digit code that no
// other pupil of the school has; a new code for a pupil who lost theirs; an
// account switched off for a pupil who left. Every call works on a connection
// of a teacher's role (the pupils' PCs' role reaches no table) and says what
// went wrong in Russian, for the teacher.

struct PupilAccount {
    qint64 id = 0;
    QString fio, className, code;
    bool active = true;
    QDateTime created;
};

// What an import did, for the teacher.
struct PupilImport {
    int added = 0, kept = 0;
    // Pupils on the list whose log-in was closed: it stays closed (a list
    // kept from the start of the year still names pupils who left since).
    QStringList closed;
    // Pupils that needed another name, since the school has a pupil of the
    // same name in another class: «Иванов Иван (9Б)».
    QStringList renamed;
    QString text() const;
};

// The name as the server keeps it unique: small letters, «ё» as «е», single
// blanks. Two pupils whose names fold alike are one name for the school.
QString foldedFio(const QString &fio);

// A code drawn from the system's source of chance: six digits, any of a million.
QString randomLoginCode();

// Runs job on a connection of its own to the server of settings (as the
// teacher whose login and password they hold), with the connection's and the
// statements' timeouts of settings, and closes it again. Usable from any
// thread: the connection lives only in the call. The job returns an error
// text or nothing; so does this, naming the server when it does not answer.
QString withSchoolConnection(const JournalSettings &settings, const std::function<QString(QSqlDatabase &)> &job);

// Imports the pupils in one transaction: a pupil already there with the same
// name and class keeps the code (and a closed log-in stays closed); a new
// one gets a fresh code. Nothing is changed when anything fails.
std::optional<PupilImport> importPupils(QSqlDatabase &db, const std::vector<ClassListPupil> &pupils, QString &error);

// The classes of the school that hold an account, in the order a school
// counts them (1А … 11Б).
std::optional<QStringList> schoolClasses(QSqlDatabase &db, QString &error);
// The accounts of a class, or of the whole school for an empty className,
// by class and then by name.
std::optional<std::vector<PupilAccount>> pupilAccounts(QSqlDatabase &db, const QString &className, QString &error);
// Gives the pupil a new code (the old one stops working); the new code.
std::optional<QString> giveNewCode(QSqlDatabase &db, qint64 accountId, QString &error);
// Switches the account off or on again; false with the reason.
bool setAccountActive(QSqlDatabase &db, qint64 accountId, bool active, QString &error);
