#pragma once
#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>

// The school's own tables on the server, beside the journal's: the pupils'
// accounts and their log-ins, the published banks. Server only; made and
// brought up to date by the journal's owner at the school's set-up, each
// numbered step once, like the journal's migrations.
//
//   accounts       one row per pupil: id, fio, fio_folded (unique in the
//                  school), class_name, code (six digits, unique), created, active
//   sessions       a pupil's log-in on a PC: token (random), account_id, host,
//                  started; what a PC may do for its pupil it does by the token
//   login_attempts wrong codes: client (address and PC name), at
//   results.account_id  the account whose log-in recorded the run (none
//                  for a run of a shared account)
//   bank_versions  a subject as published: subject, version (1, 2, …),
//                  author (the teacher's role), published, hash, files, bytes,
//                  based_on (the version republished, when one was),
//                  folder (the subject folder's name on its author's PC)
//   pc_status      what each PC is doing now, for «Класс сейчас»: host (key),
//                  account_id, pupil, class_name, subject, topic, lesson_id,
//                  state ('' idle, 'running', 'finished'), question of
//                  questions, points of points_possible, seconds_left, grade,
//                  offline_answers (answers waiting for the server), said (the
//                  PC's clock), seen (the server's)
//   lessons        a controlled test the teacher started: class_name, subject,
//                  topic (empty for the whole-subject exam), exam, seconds,
//                  question_count, teacher, starts, ends, ended_early,
//                  grade_t3, grade_t4, grade_t5 (the teacher's grade bounds)
//   lesson_questions  its questions as a PC may see them: position, question_key,
//                  answer_type, points, question_text, shown (options without
//                  any role: no codes, no places, no labels that pair them)
//   lesson_keys    the options with their roles (KeyOption), which only the
//                  server's judging reads
//   lesson_time    one pupil's own time: extra_seconds the teacher gave,
//                  finished (when the pupil ended their test)
//   lesson_answers each pupil's answer to each question, judged once:
//                  given, points, is_right, right_answer, answered, received
//   bank_files     its files: subject, version, path (relative to the
//                  subject's folder, '/' between parts), content

// The newest school schema this program knows.
int latestSchoolVersion();

// Brings the school's tables up to date; the connection acts as their owner.
QSqlError migrateSchool(QSqlDatabase &db);

// The functions a pupil's PC may call, as CREATE OR REPLACE statements, each
// SECURITY DEFINER with its search_path fixed; the set-up makes them after
// the tables and grants them to the PCs' role alone.
// Their names all begin with trivo_pc_. The log-in, the run and the pupil's
// own reading (pupilfunctions.cpp); the published banks (bankfunctions.cpp);
// the controlled test (lessonfunctions.cpp); what each PC is doing now, for
// the teacher's live view (livefunctions.cpp).
QStringList pcFunctions();
QStringList pupilFunctions();
QStringList bankFunctions();
QStringList lessonFunctions();
QStringList liveFunctions();

// The judging of an answer on the server, by the program's own rules:
// trivo_judge(answer_type, given, points, options jsonb) and its helpers
// (judgefunctions.cpp). Not the PCs' to call; made with the functions above.
QStringList judgeFunctions();
