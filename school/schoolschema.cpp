#include "schoolschema.h"

#include <QSqlQuery>

namespace
{
// Step n is steps()[n - 1].
const std::vector<QStringList> &steps()
{
    static const std::vector<QStringList> all = {
        {QStringLiteral("CREATE TABLE accounts ("
                        "id BIGSERIAL PRIMARY KEY,"
                        "fio TEXT NOT NULL,"
                        "fio_folded TEXT NOT NULL UNIQUE,"
                        "class_name TEXT NOT NULL,"
                        "code TEXT NOT NULL UNIQUE CHECK (code ~ '^[0-9]{6}$'),"
                        "created TIMESTAMP(0) NOT NULL DEFAULT LOCALTIMESTAMP(0),"
                        "active BOOLEAN NOT NULL DEFAULT TRUE)"),
         QStringLiteral("CREATE INDEX accounts_class ON accounts (class_name)"),
         QStringLiteral("CREATE TABLE sessions ("
                        "token TEXT PRIMARY KEY,"
                        "account_id BIGINT NOT NULL REFERENCES accounts (id) ON DELETE CASCADE,"
                        "host TEXT NOT NULL,"
                        "started TIMESTAMP(0) NOT NULL DEFAULT LOCALTIMESTAMP(0))"),
         QStringLiteral("CREATE TABLE login_attempts (client TEXT NOT NULL, at TIMESTAMP NOT NULL)"),
         QStringLiteral("CREATE INDEX login_attempts_client ON login_attempts (client, at)"),
         QStringLiteral("ALTER TABLE results ADD COLUMN account_id BIGINT"),
         QStringLiteral("CREATE INDEX results_account ON results (account_id, started)"),
         QStringLiteral("CREATE TABLE bank_versions ("
                        "subject TEXT NOT NULL,"
                        "version INTEGER NOT NULL,"
                        "author TEXT NOT NULL DEFAULT CURRENT_USER,"
                        "published TIMESTAMP(0) NOT NULL DEFAULT LOCALTIMESTAMP(0),"
                        "hash TEXT NOT NULL,"
                        "files INTEGER NOT NULL,"
                        "bytes BIGINT NOT NULL,"
                        "based_on INTEGER,"
                        "PRIMARY KEY (subject, version))"),
         QStringLiteral("CREATE TABLE bank_files ("
                        "subject TEXT NOT NULL,"
                        "version INTEGER NOT NULL,"
                        "path TEXT NOT NULL,"
                        "content BYTEA NOT NULL,"
                        "PRIMARY KEY (subject, version, path),"
                        "FOREIGN KEY (subject, version) REFERENCES bank_versions ON DELETE CASCADE)")},
        // A subject new to a PC gets the folder name its author's PC gives it.
        {QStringLiteral("ALTER TABLE bank_versions ADD COLUMN folder TEXT NOT NULL DEFAULT ''")},
        // Old log-ins are cleared as new ones come; and the lesson in the
        // computer room: what each PC is doing now, and a controlled test
        // whose keys never leave the server.
        {QStringLiteral("CREATE INDEX sessions_started ON sessions (started)"),
         QStringLiteral("CREATE TABLE pc_status ("
                        "host TEXT PRIMARY KEY,"
                        "account_id BIGINT REFERENCES accounts (id) ON DELETE SET NULL,"
                        "pupil TEXT NOT NULL DEFAULT '',"
                        "class_name TEXT NOT NULL DEFAULT '',"
                        "subject TEXT NOT NULL DEFAULT '',"
                        "topic TEXT NOT NULL DEFAULT '',"
                        "lesson_id BIGINT,"
                        "state TEXT NOT NULL DEFAULT '',"
                        "question INTEGER NOT NULL DEFAULT 0,"
                        "questions INTEGER NOT NULL DEFAULT 0,"
                        "points INTEGER NOT NULL DEFAULT 0,"
                        "points_possible INTEGER NOT NULL DEFAULT 0,"
                        "seconds_left INTEGER,"
                        "grade TEXT NOT NULL DEFAULT '',"
                        "offline_answers INTEGER NOT NULL DEFAULT 0,"
                        "said TIMESTAMP(3) NOT NULL DEFAULT LOCALTIMESTAMP(3),"
                        "seen TIMESTAMP(3) NOT NULL DEFAULT LOCALTIMESTAMP(3))"),
         QStringLiteral("CREATE INDEX pc_status_class ON pc_status (class_name)"),
         QStringLiteral("CREATE TABLE lessons ("
                        "id BIGSERIAL PRIMARY KEY,"
                        "class_name TEXT NOT NULL,"
                        "subject TEXT NOT NULL,"
                        "topic TEXT NOT NULL,"
                        "exam BOOLEAN NOT NULL,"
                        "seconds INTEGER NOT NULL CHECK (seconds > 0),"
                        "question_count INTEGER NOT NULL,"
                        "teacher TEXT NOT NULL DEFAULT CURRENT_USER,"
                        "starts TIMESTAMP(3) NOT NULL DEFAULT LOCALTIMESTAMP(3),"
                        "ends TIMESTAMP(3) NOT NULL,"
                        "ended_early TIMESTAMP(3))"),
         QStringLiteral("CREATE INDEX lessons_class ON lessons (class_name, ends)"),
         QStringLiteral("CREATE TABLE lesson_questions ("
                        "lesson_id BIGINT NOT NULL REFERENCES lessons (id) ON DELETE CASCADE,"
                        "position INTEGER NOT NULL,"
                        "question_key TEXT NOT NULL,"
                        "answer_type TEXT NOT NULL,"
                        "points INTEGER NOT NULL,"
                        "question_text TEXT NOT NULL,"
                        "shown JSONB NOT NULL,"
                        "PRIMARY KEY (lesson_id, position))"),
         QStringLiteral("CREATE TABLE lesson_keys ("
                        "lesson_id BIGINT NOT NULL,"
                        "position INTEGER NOT NULL,"
                        "options JSONB NOT NULL,"
                        "PRIMARY KEY (lesson_id, position),"
                        "FOREIGN KEY (lesson_id, position) REFERENCES lesson_questions ON DELETE CASCADE)"),
         QStringLiteral("CREATE TABLE lesson_time ("
                        "lesson_id BIGINT NOT NULL REFERENCES lessons (id) ON DELETE CASCADE,"
                        "account_id BIGINT NOT NULL REFERENCES accounts (id) ON DELETE CASCADE,"
                        "extra_seconds INTEGER NOT NULL DEFAULT 0,"
                        "PRIMARY KEY (lesson_id, account_id))"),
         QStringLiteral("CREATE TABLE lesson_answers ("
                        "lesson_id BIGINT NOT NULL REFERENCES lessons (id) ON DELETE CASCADE,"
                        "account_id BIGINT NOT NULL REFERENCES accounts (id) ON DELETE CASCADE,"
                        "position INTEGER NOT NULL,"
                        "given TEXT NOT NULL,"
                        "points INTEGER NOT NULL,"
                        "is_right BOOLEAN NOT NULL,"
                        "right_answer TEXT NOT NULL DEFAULT '',"
                        "answered TIMESTAMP(3) NOT NULL," // on the PC, when the pupil answered
                        "received TIMESTAMP(3) NOT NULL DEFAULT LOCALTIMESTAMP(3),"
                        "PRIMARY KEY (lesson_id, account_id, position))")},
        // A controlled test grades on the server by the bounds of the teacher
        // who started it; a pupil who finished it answers no more.
        {QStringLiteral("ALTER TABLE lessons ADD COLUMN grade_t3 INTEGER NOT NULL DEFAULT 55,"
                        " ADD COLUMN grade_t4 INTEGER NOT NULL DEFAULT 70,"
                        " ADD COLUMN grade_t5 INTEGER NOT NULL DEFAULT 85"),
         QStringLiteral("ALTER TABLE lesson_time ADD COLUMN finished TIMESTAMP(3)")},
    };
    return all;
}

QSqlError run(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    return q.exec(sql) ? QSqlError() : q.lastError();
}
} // namespace

int latestSchoolVersion()
{
    return int(steps().size());
}

QSqlError migrateSchool(QSqlDatabase &db)
{
    if (QSqlError e = run(db, QStringLiteral("CREATE TABLE IF NOT EXISTS school_version (version INTEGER NOT NULL)"));
        e.isValid())
        return e;
    // Two set-ups at once take turns here.
    if (!db.transaction())
        return db.lastError();
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("LOCK TABLE school_version IN EXCLUSIVE MODE")) ||
        !q.exec(QStringLiteral("SELECT COALESCE(MAX(version), 0) FROM school_version")) || !q.next()) {
        const QSqlError e = q.lastError();
        db.rollback();
        return e;
    }
    const int current = q.value(0).toInt();
    for (int v = current + 1; v <= latestSchoolVersion(); ++v)
        for (const QString &sql : steps()[size_t(v - 1)])
            if (QSqlError e = run(db, sql); e.isValid()) {
                db.rollback();
                return e;
            }
    if (current < latestSchoolVersion()) {
        q.prepare(QStringLiteral("INSERT INTO school_version (version) VALUES (?)"));
        q.addBindValue(latestSchoolVersion());
        if (!q.exec()) {
            const QSqlError e = q.lastError();
            db.rollback();
            return e;
        }
    }
    return db.commit() ? QSqlError() : db.lastError();
}

QStringList pcFunctions()
{
    return pupilFunctions() + bankFunctions() + judgeFunctions() + lessonFunctions() + liveFunctions();
}
