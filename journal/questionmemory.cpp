#include "questionmemory.h"
#include "journal.h"
#include "review.h"
#include "schema.h"
#include "text.h"

#include <QHash>
#include <QSqlQuery>
#include <QStringList>

namespace
{
// Keys per query: well below the variables any engine takes in one statement.
constexpr qsizetype keysPerQuery = 200;

// Every answer of the pupil to these questions of the subject, in the order they were given.
QSqlError answersTo(QSqlDatabase &db, const RunResult &r, const QStringList &keys,
                    QHash<QString, std::vector<ReviewAnswer>> &answers)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT rq.question_key, rq.text_hash, rq.is_right, rq.hints, r.started, r.seconds"
                             " FROM result_questions rq JOIN results r ON r.id = rq.result_id"
                             " WHERE r.pupil_folded = ? AND r.subject = ? AND rq.answered AND rq.question_key IN (%1)"
                             " AND NOT EXISTS (SELECT 1 FROM schedule_resets s"
                             " WHERE s.pupil_folded = r.pupil_folded AND r.started < s.reset_at)"
                             " ORDER BY r.started, r.id, rq.position")
                  .arg(QStringList(keys.size(), QStringLiteral("?")).join(u',')));
    q.addBindValue(r.pupil.toCaseFolded());
    q.addBindValue(r.subject);
    for (const QString &k : keys)
        q.addBindValue(k);
    if (!q.exec())
        return q.lastError();
    while (q.next()) {
        const QDateTime started = timeFromStored(q.value(4));
        if (!started.isValid())
            continue; // a run of unknown time cannot be placed among the others
        // The answer counts at the end of its run.
        answers[q.value(0).toString()].push_back(
            {started.addSecs(q.value(5).toInt()), q.value(2).toBool(), q.value(3).toInt() > 0, q.value(1).toString()});
    }
    return {};
}

QSqlError keep(QSqlDatabase &db, const RunResult &r, const QString &key, const QString &topic, const QuestionMemory &m)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral(
        "INSERT INTO question_memory (pupil_folded, pupil, subject, question_key, text_hash, stability, difficulty,"
        " interval_days, due, last_answer, right_count, wrong_count, topic, last_right)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
        " ON CONFLICT (pupil_folded, subject, question_key) DO UPDATE SET pupil = excluded.pupil,"
        " text_hash = excluded.text_hash, stability = excluded.stability, difficulty = excluded.difficulty,"
        " interval_days = excluded.interval_days, due = excluded.due, last_answer = excluded.last_answer,"
        " right_count = excluded.right_count, wrong_count = excluded.wrong_count,"
        " topic = CASE WHEN excluded.topic <> '' THEN excluded.topic ELSE question_memory.topic END,"
        " last_right = excluded.last_right"));
    for (const QVariant &v :
         {QVariant(r.pupil.toCaseFolded()), QVariant(r.pupil), QVariant(r.subject), QVariant(key),
          QVariant(m.textHash.isNull() ? QStringLiteral("") : m.textHash), QVariant(m.stability),
          QVariant(m.difficulty), QVariant(m.interval), storedTime(m.due), storedTime(m.last), QVariant(m.right),
          QVariant(m.wrong), QVariant(topic.isNull() ? QStringLiteral("") : topic), QVariant(m.lastRight)})
        q.addBindValue(v);
    return q.exec() ? QSqlError() : q.lastError();
}
} // namespace

QSqlError updateMemory(QSqlDatabase &db, const RunResult &r)
{
    QStringList keys;
    for (const QuestionResult &qr : r.questions)
        if (qr.answered && !keys.contains(qr.key))
            keys << qr.key;
    if (keys.isEmpty())
        return {};
    if (dialectOf(db) == Dialect::Postgres) {
        // Two PCs writing for one pupil at once take turns: each sees the other's answers.
        QSqlQuery lock(db);
        lock.prepare(QStringLiteral("SELECT pg_advisory_xact_lock(7406231, hashtext(?))"));
        lock.addBindValue(r.pupil.toCaseFolded());
        if (!lock.exec())
            return lock.lastError();
    }
    QHash<QString, QString> topicOf;
    for (const QuestionResult &qr : r.questions)
        topicOf.insert(qr.key, qr.topic);
    for (qsizetype from = 0; from < keys.size(); from += keysPerQuery) {
        const QStringList part = keys.mid(from, keysPerQuery);
        QHash<QString, std::vector<ReviewAnswer>> answers;
        if (QSqlError e = answersTo(db, r, part, answers); e.isValid())
            return e;
        for (const QString &key : part)
            if (const auto it = answers.constFind(key); it != answers.constEnd())
                if (QSqlError e = keep(db, r, key, topicOf.value(key), replayAnswers(*it)); e.isValid())
                    return e;
    }
    return {};
}

std::optional<std::vector<DueQuestion>> Journal::scheduledQuestions(const QString &pupil, const QString &subject)
{
    m_error.clear();
    m_details.clear();
    if (!open())
        return std::nullopt;
    const Bounded step(*this);
    QSqlQuery q(database());
    q.prepare(QStringLiteral("SELECT question_key, text_hash, due FROM question_memory"
                             " WHERE pupil_folded = ? AND subject = ? AND due IS NOT NULL ORDER BY due"));
    q.addBindValue(trimmed(pupil).toCaseFolded());
    q.addBindValue(subject);
    if (!q.exec()) {
        fail(q.lastError());
        m_error = QStringLiteral("Журнал результатов недоступен: %1.").arg(m_reason);
        return std::nullopt;
    }
    std::vector<DueQuestion> due;
    while (q.next())
        due.push_back({q.value(0).toString(), q.value(1).toString(), timeFromStored(q.value(2))});
    return due;
}
