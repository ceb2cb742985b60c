#include "questionmemory.h"
#include "journal.h"
#include "resultwrite.h"
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
QSqlError answersTo(const QSqlDatabase &db, const QString &folded, const QString &subject, const QStringList &keys,
                    QHash<QString, std::vector<ReviewAnswer>> &answers)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT rq.question_key, rq.text_hash, rq.is_right, rq.hints, r.started, r.seconds"
                             " FROM result_questions rq JOIN results r ON r.id = rq.result_id"
                             " WHERE r.pupil_folded = ? AND r.subject = ? AND rq.answered AND rq.question_key IN (%1)"
                             " AND NOT EXISTS (SELECT 1 FROM schedule_resets s"
                             " WHERE s.pupil_folded = r.pupil_folded AND r.started < s.reset_at)"
                             " ORDER BY r.started, r.id, rq.position")
                  .arg(QStringList(keys.size(), QStringLiteral("?")).join(u',')));
    q.addBindValue(folded);
    q.addBindValue(subject);
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

QVariantList memoryRow(const QString &folded, const QString &pupil, const QString &subject, const QString &key,
                       const QString &topic, const QuestionMemory &m)
{
    return {QVariant(folded),      QVariant(pupil),       QVariant(subject),      QVariant(key),
            textValue(m.textHash), QVariant(m.stability), QVariant(m.difficulty), QVariant(m.interval),
            storedTime(m.due),     storedTime(m.last),    QVariant(m.right),      QVariant(m.wrong),
            textValue(topic),      QVariant(m.lastRight)};
}

QSqlError keep(const QSqlDatabase &db, const std::vector<QVariantList> &rows)
{
    return insertRows(
        db,
        QStringLiteral("INSERT INTO question_memory (pupil_folded, pupil, subject, question_key, text_hash, stability,"
                       " difficulty, interval_days, due, last_answer, right_count, wrong_count, topic, last_right)"),
        QStringLiteral(" ON CONFLICT (pupil_folded, subject, question_key) DO UPDATE SET pupil = excluded.pupil,"
                       " text_hash = excluded.text_hash, stability = excluded.stability,"
                       " difficulty = excluded.difficulty, interval_days = excluded.interval_days, due = excluded.due,"
                       " last_answer = excluded.last_answer, right_count = excluded.right_count,"
                       " wrong_count = excluded.wrong_count,"
                       " topic = CASE WHEN excluded.topic <> '' THEN excluded.topic ELSE question_memory.topic END,"
                       " last_right = excluded.last_right"),
        rows);
}

// What the results answered, by pupil and subject: each question with the
// name and topic the latest result answering it gives (a result naming no
// topic leaves the one known).
struct Answered {
    QString pupil, topic;
};
struct PupilSubject {
    QString folded, subject;
    QStringList keys; // in the order first answered
    QHash<QString, Answered> of;
};

std::vector<PupilSubject> answeredBy(const std::vector<const RunResult *> &results)
{
    std::vector<PupilSubject> out;
    QHash<QPair<QString, QString>, size_t> at;
    for (const RunResult *r : results) {
        QHash<QString, QString> topicOf;
        for (const QuestionResult &qr : r->questions)
            topicOf.insert(qr.key, qr.topic);
        const QPair<QString, QString> who{r->pupil.toCaseFolded(), r->subject};
        auto it = at.constFind(who);
        if (it == at.constEnd()) {
            it = at.insert(who, out.size());
            out.push_back({who.first, r->subject, {}, {}});
        }
        PupilSubject &g = out[*it];
        for (const QuestionResult &qr : r->questions) {
            if (!qr.answered)
                continue;
            if (!g.of.contains(qr.key))
                g.keys << qr.key;
            Answered &a = g.of[qr.key];
            a.pupil = r->pupil;
            if (const QString topic = topicOf.value(qr.key); !topic.isEmpty())
                a.topic = topic;
        }
    }
    return out;
}

// Two PCs writing for one pupil at once take turns: each sees the other's
// answers. The locks are taken in one order, so that two writers of many
// pupils never wait for each other in a circle.
QSqlError lockPupils(const QSqlDatabase &db, const std::vector<PupilSubject> &groups)
{
    QStringList pupils;
    for (const PupilSubject &g : groups)
        if (!g.keys.isEmpty() && !pupils.contains(g.folded))
            pupils << g.folded;
    if (pupils.isEmpty())
        return {};
    QSqlQuery lock(db);
    lock.prepare(QStringLiteral("SELECT pg_advisory_xact_lock(7406231, h) FROM (SELECT DISTINCT hashtext(column1) AS h"
                                " FROM (VALUES %1) AS v ORDER BY h) AS hashes")
                     .arg(QStringList(pupils.size(), QStringLiteral("(CAST(? AS TEXT))")).join(u',')));
    for (const QString &p : pupils)
        lock.addBindValue(p);
    return lock.exec() ? QSqlError() : lock.lastError();
}
} // namespace

QSqlError updateMemory(QSqlDatabase &db, const std::vector<const RunResult *> &results)
{
    const std::vector<PupilSubject> groups = answeredBy(results);
    if (dialectOf(db) == Dialect::Postgres)
        if (QSqlError e = lockPupils(db, groups); e.isValid())
            return e;
    std::vector<QVariantList> rows;
    for (const PupilSubject &g : groups) {
        for (qsizetype from = 0; from < g.keys.size(); from += keysPerQuery) {
            const QStringList part = g.keys.mid(from, keysPerQuery);
            QHash<QString, std::vector<ReviewAnswer>> answers;
            if (QSqlError e = answersTo(db, g.folded, g.subject, part, answers); e.isValid())
                return e;
            for (const QString &key : part)
                if (const auto it = answers.constFind(key); it != answers.constEnd()) {
                    const Answered &a = g.of[key];
                    rows.push_back(memoryRow(g.folded, a.pupil, g.subject, key, a.topic, replayAnswers(*it)));
                }
        }
    }
    return keep(db, rows);
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
