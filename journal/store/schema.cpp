#include "schema.h"

#include <QSqlQuery>
#include <QStringList>
#include <cstdio>

namespace
{
// Migration n is migrations()[n - 1]. Types written as placeholders:
// %BOOL%, %REAL%, %TIME% (a moment of the run), %STAMP% (when the row was written).
// A statement that begins with %SERVER% runs on PostgreSQL only.
const std::vector<QStringList> &migrations()
{
    static const std::vector<QStringList> all = {
        {QStringLiteral("CREATE TABLE results ("
                        "id TEXT PRIMARY KEY,"
                        "pupil TEXT NOT NULL,"
                        "pupil_folded TEXT NOT NULL," // case-folded, for "contains" in any alphabet
                        "user_code TEXT NOT NULL,"
                        "access TEXT NOT NULL,"
                        "host TEXT NOT NULL,"
                        "subject TEXT NOT NULL,"
                        "topic TEXT NOT NULL,"
                        "started %TIME%,"
                        "seconds INTEGER NOT NULL,"
                        "prompting %BOOL% NOT NULL,"
                        "random_order %BOOL% NOT NULL,"
                        "protocol %BOOL% NOT NULL,"
                        "exam %BOOL% NOT NULL,"
                        "asked INTEGER NOT NULL,"
                        "answered INTEGER NOT NULL,"
                        "right_answers INTEGER NOT NULL,"
                        "put_off INTEGER NOT NULL,"
                        "points_possible INTEGER NOT NULL,"
                        "points_earned INTEGER NOT NULL,"
                        "grade TEXT NOT NULL,"
                        "running_grade TEXT NOT NULL,"
                        "hints INTEGER NOT NULL,"
                        "recorded %STAMP% NOT NULL DEFAULT CURRENT_TIMESTAMP)"),
         QStringLiteral("CREATE TABLE result_questions ("
                        "result_id TEXT NOT NULL REFERENCES results(id) ON DELETE CASCADE,"
                        "position INTEGER NOT NULL,"
                        "question_key TEXT NOT NULL,"
                        "answer_type TEXT NOT NULL,"
                        "points_possible INTEGER NOT NULL,"
                        "points_earned INTEGER NOT NULL,"
                        "answered %BOOL% NOT NULL,"
                        "is_right %BOOL% NOT NULL,"
                        "hints INTEGER NOT NULL,"
                        "seconds INTEGER NOT NULL,"
                        "PRIMARY KEY (result_id, position))"),
         QStringLiteral("CREATE INDEX results_pupil ON results (pupil_folded)"),
         QStringLiteral("CREATE INDEX results_subject_topic ON results (subject, topic)"),
         QStringLiteral("CREATE INDEX results_topic ON results (topic)"),
         QStringLiteral("CREATE INDEX results_started ON results (started)"),
         QStringLiteral("CREATE INDEX results_grade ON results (grade)"),
         QStringLiteral("CREATE INDEX results_user_code ON results (user_code)"),
         QStringLiteral("CREATE INDEX results_access ON results (access)"),
         QStringLiteral("CREATE INDEX result_questions_key ON result_questions (question_key)")},
        // What each pupil remembers of each question, made from the answers
        // kept: the text of the question as answered tells a changed one.
        {QStringLiteral("ALTER TABLE result_questions ADD COLUMN text_hash TEXT NOT NULL DEFAULT ''"),
         QStringLiteral("CREATE TABLE question_memory ("
                        "pupil_folded TEXT NOT NULL,"
                        "pupil TEXT NOT NULL,"
                        "subject TEXT NOT NULL,"
                        "question_key TEXT NOT NULL,"
                        "text_hash TEXT NOT NULL,"
                        "stability %REAL% NOT NULL,"
                        "difficulty %REAL% NOT NULL,"
                        "interval_days INTEGER NOT NULL,"
                        "due %TIME%," // none while the question is not to be repeated
                        "last_answer %TIME%,"
                        "right_count INTEGER NOT NULL,"
                        "wrong_count INTEGER NOT NULL,"
                        "PRIMARY KEY (pupil_folded, subject, question_key))"),
         QStringLiteral("CREATE INDEX question_memory_due ON question_memory (pupil_folded, subject, due)")},
        // The question as it was shown and answered, the pupil's class, and
        // the pupils by name, so that a filter on a name reads the few pupils
        // and not every result.
        {QStringLiteral("ALTER TABLE result_questions ADD COLUMN question_text TEXT NOT NULL DEFAULT ''"),
         QStringLiteral("ALTER TABLE result_questions ADD COLUMN given TEXT NOT NULL DEFAULT ''"),
         QStringLiteral("ALTER TABLE result_questions ADD COLUMN right_answer TEXT NOT NULL DEFAULT ''"),
         QStringLiteral("ALTER TABLE result_questions ADD COLUMN topic TEXT NOT NULL DEFAULT ''"),
         QStringLiteral("ALTER TABLE question_memory ADD COLUMN topic TEXT NOT NULL DEFAULT ''"),
         QStringLiteral("ALTER TABLE question_memory ADD COLUMN last_right %BOOL% NOT NULL DEFAULT FALSE"),
         QStringLiteral("UPDATE question_memory SET last_right = TRUE WHERE interval_days > 1"),
         QStringLiteral("ALTER TABLE results ADD COLUMN class_name TEXT NOT NULL DEFAULT ''"),
         QStringLiteral("CREATE INDEX results_class ON results (class_name)"),
         QStringLiteral("CREATE INDEX results_pupil_started ON results (pupil_folded, started)"),
         QStringLiteral("CREATE TABLE pupils ("
                        "pupil_folded TEXT PRIMARY KEY,"
                        "pupil TEXT NOT NULL,"
                        "class_name TEXT NOT NULL,"
                        "last_started %TIME%)"),
         // A teacher's reset of a pupil's schedule: answers before it no longer count.
         QStringLiteral("CREATE TABLE schedule_resets (pupil_folded TEXT PRIMARY KEY, reset_at %TIME% NOT NULL)"),
         QStringLiteral("INSERT INTO pupils (pupil_folded, pupil, class_name, last_started)"
                        " SELECT pupil_folded, MAX(pupil), '', MAX(started) FROM results GROUP BY pupil_folded")},
        // A journal of a million runs: the journal window reads its pages
        // after the last row's start and id, newest first, and a topic's
        // runs come in the order of their ids without sorting them; the
        // indexes these take the place of serve nothing the new ones do not.
        {QStringLiteral("CREATE INDEX results_started_id ON results (started, id)"),
         QStringLiteral("DROP INDEX results_started"),
         QStringLiteral("CREATE INDEX results_subject_topic_id ON results (subject, topic, id)"),
         QStringLiteral("DROP INDEX results_subject_topic"), QStringLiteral("DROP INDEX results_pupil"),
         // A run has some twenty question rows. The server's sample of a big
         // table takes it for hundreds, and then reads all the question rows
         // to join a few thousand runs; told the proportion, it looks them up.
         QStringLiteral("%SERVER% ALTER TABLE result_questions ALTER COLUMN result_id SET (n_distinct = -0.05)"),
         QStringLiteral("%SERVER% ANALYZE result_questions")},
        // Each result written makes the pupil's memory of its questions anew
        // from all their answers in the subject: their runs of that subject
        // are found without reading those of the others.
        {QStringLiteral("CREATE INDEX results_pupil_subject ON results (pupil_folded, subject, started, id)")},
        // A write carries a pupil's memory of a question on from its row, and
        // no row means no answers yet; answers kept before the memory was
        // (the journal's first version, whose rows have no text hash, the
        // oldest runs among them) have none, so such a journal goes on making
        // the memory anew from all the answers at each write.
        // Each run's questions in one line (see questionScores), so that
        // a topic's analysis reads a row a run; runs kept before have none.
        {QStringLiteral("ALTER TABLE results ADD COLUMN scores TEXT NOT NULL DEFAULT ''"),
         // Of two runs of a pupil that started together, the one of the
         // greater id is the latest, whichever was written last.
         QStringLiteral("ALTER TABLE pupils ADD COLUMN last_id TEXT NOT NULL DEFAULT ''"),
         // No query looks question rows up by key alone any more (a pupil's
         // answers come through their runs), nor results up by access; each
         // result written paid for them.
         QStringLiteral("DROP INDEX result_questions_key"), QStringLiteral("DROP INDEX results_access"),
         QStringLiteral("CREATE TABLE memory_state (complete %BOOL% NOT NULL)"),
         QStringLiteral("INSERT INTO memory_state (complete) SELECT NOT EXISTS (SELECT 1 FROM result_questions"
                        " WHERE result_id IN (SELECT id FROM results ORDER BY started, id LIMIT 20)"
                        " AND answered AND text_hash = '')")},
        // A pupil's questions to repeat are found among their memory of the
        // subject through its key: some thousands of rows at most. An index
        // by the day they are due cost every memory row written, whose day
        // changes with most answers, more than all the rest of its writing.
        {QStringLiteral("DROP INDEX question_memory_due")},
        // A «Работа над ошибками» run is practice: kept, but never graded.
        // Runs kept before were told apart only by the topic they were kept under.
        {QStringLiteral("ALTER TABLE results ADD COLUMN practice %BOOL% NOT NULL DEFAULT FALSE"),
         QStringLiteral("UPDATE results SET practice = TRUE WHERE topic = 'Работа над ошибками'"),
         // The journal window counts the runs that are not practice: without
         // this index a count that read an index reads the whole table. Queries
         // say NOT practice, never practice = FALSE, so that the embedded
         // database, which knows no proportions, never looks runs up by it.
         QStringLiteral("CREATE INDEX results_practice ON results (practice)")},
        // A teacher who corrects a key re-marks the runs kept with the old
        // one: when, and the points and grade they had before, stay with them.
        {QStringLiteral("ALTER TABLE results ADD COLUMN remarked %TIME%"),
         QStringLiteral("ALTER TABLE results ADD COLUMN points_before INTEGER"),
         QStringLiteral("ALTER TABLE results ADD COLUMN grade_before TEXT")},
    };
    return all;
}

QString typed(QString sql, Dialect d)
{
    const bool pg = d == Dialect::Postgres;
    sql.replace(QStringLiteral("%BOOL%"), pg ? QStringLiteral("BOOLEAN") : QStringLiteral("INTEGER"));
    sql.replace(QStringLiteral("%REAL%"), pg ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("REAL"));
    sql.replace(QStringLiteral("%TIME%"), pg ? QStringLiteral("TIMESTAMP(0)") : QStringLiteral("TEXT"));
    sql.replace(QStringLiteral("%STAMP%"), pg ? QStringLiteral("TIMESTAMPTZ") : QStringLiteral("TEXT"));
    return sql;
}

QSqlError run(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        return q.lastError();
    return {};
}

bool hasVersionTable(QSqlDatabase &db, Dialect d, QSqlError &error)
{
    QSqlQuery q(db);
    const bool read = q.exec(d == Dialect::Postgres
                                 ? QStringLiteral("SELECT to_regclass('schema_version') IS NOT NULL")
                                 : QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = 'schema_version'"));
    if (!read || !q.next()) {
        error = q.lastError();
        return false;
    }
    return q.value(0).toBool();
}

// The version the database is at; -1 with the error when it cannot be read.
int currentVersion(QSqlDatabase &db, QSqlError &error)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT MAX(version) FROM schema_version"))) {
        error = q.lastError();
        return -1;
    }
    return q.next() ? q.value(0).toInt() : 0;
}

QSqlError apply(QSqlDatabase &db, Dialect d, int version)
{
    const QString serverOnly = QStringLiteral("%SERVER% ");
    for (const QString &sql : migrations()[size_t(version - 1)]) {
        if (sql.startsWith(serverOnly) && d != Dialect::Postgres)
            continue;
        if (QSqlError e = run(db, typed(sql.startsWith(serverOnly) ? sql.mid(serverOnly.size()) : sql, d)); e.isValid())
            return e;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"));
    q.addBindValue(version);
    return q.exec() ? QSqlError() : q.lastError();
}
} // namespace

Dialect dialectOf(const QSqlDatabase &db)
{
    return db.driverName() == u"QPSQL" ? Dialect::Postgres : Dialect::Sqlite;
}

int latestSchemaVersion()
{
    return int(migrations().size());
}

QSqlError beginWrite(QSqlDatabase &db)
{
    if (dialectOf(db) == Dialect::Sqlite)
        return run(db, QStringLiteral("BEGIN IMMEDIATE"));
    return run(db, QStringLiteral("BEGIN"));
}

QSqlError commitWrite(QSqlDatabase &db)
{
    return run(db, QStringLiteral("COMMIT"));
}

void rollbackWrite(QSqlDatabase &db)
{
    run(db, QStringLiteral("ROLLBACK"));
}

QSqlError migrate(QSqlDatabase &db)
{
    const Dialect d = dialectOf(db);
    for (;;) {
        if (QSqlError e = beginWrite(db); e.isValid())
            return e;
        // Programs starting together on a new server take turns here.
        QSqlError e;
        if (d == Dialect::Postgres)
            e = run(db, QStringLiteral("SELECT pg_advisory_xact_lock(7406230)"));
        // Only when it is missing: on a school's server a teacher's role may
        // not create tables, not even one that is there already.
        if (!e.isValid() && !hasVersionTable(db, d, e) && !e.isValid())
            e = run(db, QStringLiteral("CREATE TABLE schema_version (version INTEGER PRIMARY KEY)"));
        const int version = e.isValid() ? -1 : currentVersion(db, e);
        if (!e.isValid() && version > latestSchemaVersion())
            e = QSqlError(QStringLiteral("журнал записан более новой версией программы (схема %1, эта программа "
                                         "знает схему %2)")
                              .arg(version)
                              .arg(latestSchemaVersion()),
                          {}, QSqlError::UnknownError);
        if (!e.isValid() && version == latestSchemaVersion())
            e = commitWrite(db);
        else if (!e.isValid())
            e = apply(db, d, version + 1);
        if (e.isValid()) {
            rollbackWrite(db);
            return e;
        }
        if (version == latestSchemaVersion())
            return {};
        if (QSqlError c = commitWrite(db); c.isValid()) {
            rollbackWrite(db);
            return c;
        }
    }
}

QVariant storedTime(const QDateTime &t)
{
    if (!t.isValid())
        return QVariant(QMetaType::fromType<QString>());
    // Written out by hand: the outbox stores two moments for each question
    // of each result, and the general formatter costs microseconds apiece.
    const QDateTime local = t.toLocalTime();
    const QDate d = local.date();
    const QTime time = local.time();
    if (d.year() < 1 || d.year() > 9999)
        return local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
    char text[20];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", d.year(), d.month(), d.day(), time.hour(),
                  time.minute(), time.second());
    return QString::fromLatin1(text, 19);
}

QVariant storedDayStart(const QDate &d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd'T'00:00:00"));
}

QDateTime timeFromStored(const QVariant &v)
{
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    return QDateTime::fromString(v.toString(), Qt::ISODate);
}
