#pragma once
#include "journalsettings.h"

#include <QString>
#include <optional>

// A teacher's own log-in on the school's server. The pupils' PCs' role reads
// nothing of the journal: the journal window, the class pages, the pupils'
// accounts and publishing a bank connect as the teacher, with the teacher's
// password. It is kept, if the teacher wants it kept, only in the config
// folder of the teacher's own desktop account, in a file that account alone
// may read; never in the installation folder, which every pupil's account reads.

struct TeacherLogin {
    QString login, password; // the password empty when it is not kept
};

// The PC's journal settings with the teacher's role in place of the PCs' one.
JournalSettings asTeacher(const JournalSettings &pc, const TeacherLogin &teacher);

// What this desktop account keeps for the PC's server: the login last used,
// and the password when it was kept. Nothing when there is none.
std::optional<TeacherLogin> keptTeacherLogin(const JournalSettings &pc);
// Keeps the login, and the password when withPassword (else drops a kept
// one). The error text (Russian, with the file's name) or nothing.
QString keepTeacherLogin(const JournalSettings &pc, const TeacherLogin &teacher, bool withPassword);
// Drops the kept password of the PC's server (the login stays).
void forgetTeacherPassword(const JournalSettings &pc);
// The folder these are kept in (the desktop account's own, owner-only).
QString teacherKeepFolder();
