#pragma once
#include "journalsettings.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Setting up the school's server: one database for the journal, and the
// roles that decide who may do what there. The server enforces the rules
// itself: the journal's tables belong to a role nobody logs in as; teachers
// log in as roles of their own that may read and write them; the pupils' PCs
// log in as one role that reaches no table. Run again, it changes nothing
// that is already in place, and brings the journal's tables up to date.

struct SchoolServer {
    QString host;
    int port = 5432;
    QString database = QStringLiteral("trivo");
};

struct TeacherAccount {
    QString login, password;
};

// The roles, by the names the server knows them.
namespace SchoolRoles
{
inline const QString owner = QStringLiteral("trivo_owner");       // owns the journal; no log-in
inline const QString teachers = QStringLiteral("trivo_teachers"); // every teacher's role is one of them
inline const QString pupilsPcs = QStringLiteral("trivo_pc");      // what the pupils' PCs log in as
} // namespace SchoolRoles

struct SchoolSetup {
    // The password the pupils' PCs log in with, when their role was made
    // now; empty when it was there already (the PCs keep theirs).
    QString pcPassword;
    QStringList made; // what was made now, in words, for the administrator
};

// Sets the server up, logged in as a PostgreSQL user allowed to create
// databases and roles (user and password are used for this and kept
// nowhere). Nothing, with the reason in Russian, when a step failed.
std::optional<SchoolSetup> setUpSchool(const SchoolServer &server, const QString &user, const QString &password,
                                       const std::vector<TeacherAccount> &teachers, QString &error);

// The journal settings of a PC of the school: the server's place and the
// PCs' role with its password, the rest as base has it.
JournalSettings schoolPcSettings(JournalSettings base, const SchoolServer &server, const QString &pcPassword);

// The teachers as the administrator lists them, one to a line: the login and
// the password, a space between. Nothing, with the line and the reason in
// Russian, when a line cannot be a teacher's role (an empty or reserved login,
// a password shorter than 8 characters, a login given twice).
std::optional<std::vector<TeacherAccount>> teachersFromLines(const QString &text, QString &error);
