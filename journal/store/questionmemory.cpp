#include "questionmemory.h"
#include "journal.h"
#include "resultwrite.h"
#include "review.h"
#include "schema.h"
#include "schoolwrite.h"
#include "text.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>
#include <algorithm>
#include <map>
#include <optional>
#include <tuple>

namespace
{
// Keys per query: well below the variables any engine takes in one statement.
constexpr qsizetype keysPerQuery = 200;

// The answers of a pupil to a question in the order they were given, and
// the name and topic (the last one known) of the latest run answering it.
struct Answers {
    std::vector<ReviewAnswer> answers;
    QString pupil, topic;
    void add(const ReviewAnswer &a, const QString &byPupil, const QString &inTopic)
    {
        answers.push_back(a);
        pupil = byPupil;
        if (!inTopic.isEmpty())
            topic = inTopic;
    }
};

// Every answer of the pupil to these questions of the subject.
QSqlError answersTo(const QSqlDatabase &db, const QString &folded, const QString &subject, const QStringList &keys,
                    QHash<QString, Answers> &answers)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT rq.question_key, rq.text_hash, rq.is_right, rq.hints, r.started, r.seconds,"
                             " r.pupil, rq.topic FROM result_questions rq JOIN results r ON r.id = rq.result_id"
                             " WHERE r.pupil_folded = ? AND r.subject = ? AND rq.answered AND rq.question_key IN (%1)"
                             " AND NOT EXISTS (SELECT 1 FROM schedule_resets s"
                             " WHERE s.pupil_folded = r.pupil_folded AND r.started < s.reset_at)"
                             " ORDER BY r.started, r.id, rq.position")
                  .arg(QStringList(keys.size(), QStringLiteral("?")).join(u',')));
    q.addBindValue(textValue(folded));
    q.addBindValue(textValue(subject));
    for (const QString &k : keys)
        q.addBindValue(textValue(k));
    if (!q.exec())
        return q.lastError();
    while (q.next()) {
        const QDateTime started = timeFromStored(q.value(4));
        if (!started.isValid())
            continue; // a run of unknown time cannot be placed among the others
        // The answer counts at the end of its run.
        answers[q.value(0).toString()].add(
            {started.addSecs(q.value(5).toInt()), q.value(2).toBool(), q.value(3).toInt() > 0, q.value(1).toString()},
            q.value(6).toString(), q.value(7).toString());
    }
    return {};
}

QVariantList memoryRow(const QString &folded, const QString &pupil, const QString &subject, const QString &key,
                       const QString &topic, const QuestionMemory &m)
{
    return {textValue(folded),     textValue(pupil),      textValue(subject),     textValue(key),
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
        rows,
        {"text", "text", "text", "text", "text", "double precision", "double precision", "integer", "timestamp",
         "timestamp", "integer", "integer", "text", "boolean"});
}

// One new answer of a result being written, with its place among the
// answers: the answers of a pupil count in the order their runs started.
struct NewAnswer {
    QDateTime started;
    QString id;
    int position = 0;
    ReviewAnswer answer;
    QString pupil, topic; // of its run
    bool operator<(const NewAnswer &o) const
    {
        return std::tie(started, id, position) < std::tie(o.started, o.id, o.position);
    }
};

// What the results answered, by pupil and subject: each question with the
// new answers to it.
struct Answered {
    std::vector<NewAnswer> answers;
    bool replacing = false; // a result answering it took the place of an earlier report
};
struct PupilSubject {
    QString folded, subject;
    QStringList keys; // in the order first answered
    QHash<QString, Answered> of;
};

std::vector<PupilSubject> answeredBy(const std::vector<const RunResult *> &results, const QSet<QString> &replacing)
{
    std::vector<PupilSubject> out;
    QHash<QPair<QString, QString>, size_t> at;
    for (const RunResult *r : results) {
        if (r->pupil.isEmpty())
            continue; // a run of no one: nobody to remember it
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
        // The time as the journal gives it back: whole seconds, local.
        const QDateTime started = timeFromStored(storedTime(r->started));
        const QDateTime end = started.addSecs(r->seconds); // when its answers count
        int position = 0;
        for (const QuestionResult &qr : r->questions) {
            ++position;
            if (!qr.answered)
                continue;
            if (!g.of.contains(qr.key))
                g.keys << qr.key;
            Answered &a = g.of[qr.key];
            a.replacing = a.replacing || replacing.contains(r->id);
            if (started.isValid()) // a run of unknown time cannot be placed among the others
                a.answers.push_back({started,
                                     r->id,
                                     position,
                                     {end, qr.right, qr.hints > 0, qr.textHash},
                                     r->pupil,
                                     topicOf.value(qr.key)});
        }
    }
    return out;
}

// The pupils of the groups, each once.
QStringList pupilsOf(const std::vector<PupilSubject> &groups)
{
    QStringList pupils;
    for (const PupilSubject &g : groups)
        if (!pupils.contains(g.folded))
            pupils << g.folded;
    return pupils;
}

// Two PCs writing for one pupil at once take turns: each sees the other's
// answers. The locks are taken in one order, so that two writers of many
// pupils never wait for each other in a circle; every pupil of the results
// is locked, so that the pupils table after the memory is theirs too.
QSqlError lockPupils(const QSqlDatabase &db, const std::vector<PupilSubject> &groups)
{
    const QStringList pupils = pupilsOf(groups);
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

// Whether the memory holds every answer the journal keeps: not so in a
// journal that kept answers before it had the memory.
QSqlError memoryIsWhole(const QSqlDatabase &db, bool &whole)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT complete FROM memory_state")))
        return q.lastError();
    whole = q.next() && q.value(0).toBool();
    return {};
}

// When each of the pupils last had their schedule reset.
QSqlError resetsOf(const QSqlDatabase &db, const std::vector<PupilSubject> &groups, QHash<QString, QDateTime> &resets)
{
    const QStringList pupils = pupilsOf(groups);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    for (qsizetype from = 0; from < pupils.size(); from += keysPerQuery) {
        const QStringList part = pupils.mid(from, keysPerQuery);
        q.prepare(QStringLiteral("SELECT pupil_folded, reset_at FROM schedule_resets WHERE pupil_folded IN (%1)")
                      .arg(QStringList(part.size(), QStringLiteral("?")).join(u',')));
        for (const QString &p : part)
            q.addBindValue(textValue(p));
        if (!q.exec())
            return q.lastError();
        while (q.next())
            resets.insert(q.value(0).toString(), timeFromStored(q.value(1)));
    }
    return {};
}

using MemoryKey = std::tuple<QString, QString, QString>; // pupil (folded), subject, question

// The memory the journal holds of the questions the results answered.
QSqlError memoryKept(const QSqlDatabase &db, const std::vector<PupilSubject> &groups,
                     std::map<MemoryKey, QuestionMemory> &kept)
{
    std::vector<QVariantList> wanted;
    for (const PupilSubject &g : groups)
        for (const QString &key : g.keys)
            wanted.push_back({textValue(g.folded), textValue(g.subject), textValue(key)});
    // The server takes the questions as three arrays, the embedded database as a list of values.
    const bool server = dialectOf(db) == Dialect::Postgres;
    const size_t perQuery = server ? wanted.size() : size_t(keysPerQuery);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    int prepared = -1;
    for (size_t from = 0; from < wanted.size(); from += perQuery) {
        const int n = int(std::min(wanted.size() - from, perQuery));
        if (n != prepared) {
            // Each question is looked up by the key of the memory (a row at
            // most, which keeps the server from joining the arrays with the
            // whole memory, as it would guessing their size).
            const QString columns = QStringLiteral(
                "m.pupil_folded, m.subject, m.question_key, m.text_hash, m.stability, m.difficulty, m.interval_days,"
                " m.due, m.last_answer, m.right_count, m.wrong_count, m.last_right");
            const QString match = QStringLiteral("m.pupil_folded = v.column1 AND m.subject = v.column2"
                                                 " AND m.question_key = v.column3");
            q.prepare(server ? QStringLiteral("SELECT m.* FROM unnest(CAST(? AS text[]), CAST(? AS text[]),"
                                              " CAST(? AS text[])) AS v (column1, column2, column3) CROSS JOIN"
                                              " LATERAL (SELECT %1 FROM question_memory m WHERE %2 LIMIT 1) AS m")
                                   .arg(columns, match)
                             : QStringLiteral("SELECT %1 FROM (VALUES %2) AS v JOIN question_memory m ON %3")
                                   .arg(columns, QStringList(n, QStringLiteral("(?, ?, ?)")).join(u','), match));
            prepared = n;
        }
        int at = 0;
        if (server)
            for (int c = 0; c < 3; ++c)
                q.bindValue(at++, arrayLiteral(wanted, from, from + size_t(n), c));
        else
            for (size_t i = from; i < from + size_t(n); ++i)
                for (const QVariant &v : wanted[i])
                    q.bindValue(at++, v);
        if (!q.exec())
            return q.lastError();
        while (q.next()) {
            QuestionMemory m;
            m.textHash = q.value(3).toString();
            m.stability = q.value(4).toDouble();
            m.difficulty = q.value(5).toDouble();
            m.interval = q.value(6).toInt();
            m.due = timeFromStored(q.value(7));
            m.last = timeFromStored(q.value(8));
            m.right = q.value(9).toInt();
            m.wrong = q.value(10).toInt();
            m.lastRight = q.value(11).toBool();
            kept.emplace(MemoryKey{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()}, m);
        }
    }
    return {};
}

// The memory carried on from the kept one by the new answers, when they all
// come after the answers it was made of (a pupil's next run); nothing when
// it has to be made anew from every answer.
std::optional<Answers> carriedOn(const std::optional<QuestionMemory> &kept, const Answered &a, QuestionMemory &m)
{
    if (a.replacing || a.answers.empty())
        return std::nullopt;
    // The run that gave the kept memory its last answer started no later
    // than that answer; a run starting after it comes after all of them.
    if (kept && !(kept->last.isValid() && a.answers.front().started > kept->last))
        return std::nullopt;
    Answers answers;
    for (const NewAnswer &n : a.answers)
        answers.add(n.answer, n.pupil, n.topic);
    m = replayAnswers(answers.answers, kept.value_or(QuestionMemory{}));
    return answers;
}
} // namespace

QSqlError updateMemory(QSqlDatabase &db, const std::vector<const RunResult *> &results, const QSet<QString> &replacing)
{
    std::vector<PupilSubject> groups = answeredBy(results, replacing);
    if (dialectOf(db) == Dialect::Postgres)
        if (QSqlError e = lockPupils(db, groups); e.isValid())
            return e;
    bool whole = false;
    QHash<QString, QDateTime> resets;
    std::map<MemoryKey, QuestionMemory> kept;
    if (QSqlError e = memoryIsWhole(db, whole); e.isValid())
        return e;
    if (whole) {
        if (QSqlError e = resetsOf(db, groups, resets); e.isValid())
            return e;
        if (QSqlError e = memoryKept(db, groups, kept); e.isValid())
            return e;
    }
    std::vector<QVariantList> rows;
    for (PupilSubject &g : groups) {
        QStringList remake;
        for (const QString &key : g.keys) {
            Answered &a = g.of[key];
            QuestionMemory m;
            std::optional<Answers> carried;
            if (whole) {
                // Answers before the pupil's reset do not count.
                const QDateTime reset = resets.value(g.folded);
                std::erase_if(a.answers, [&](const NewAnswer &n) { return reset.isValid() && n.started < reset; });
                std::sort(a.answers.begin(), a.answers.end());
                const auto it = kept.find({g.folded, g.subject, key});
                carried = carriedOn(it == kept.end() ? std::nullopt : std::optional(it->second), a, m);
            }
            if (carried)
                rows.push_back(memoryRow(g.folded, carried->pupil, g.subject, key, carried->topic, m));
            else
                remake << key;
        }
        for (qsizetype from = 0; from < remake.size(); from += keysPerQuery) {
            const QStringList part = remake.mid(from, keysPerQuery);
            QHash<QString, Answers> answers;
            if (QSqlError e = answersTo(db, g.folded, g.subject, part, answers); e.isValid())
                return e;
            for (const QString &key : part)
                if (const auto it = answers.constFind(key); it != answers.constEnd())
                    rows.push_back(
                        memoryRow(g.folded, it->pupil, g.subject, key, it->topic, replayAnswers(it->answers)));
        }
    }
    return keep(db, rows);
}

std::optional<std::vector<DueQuestion>> Journal::scheduledQuestions(const QString &pupil, const QString &subject,
                                                                    const QString &session)
{
    m_error.clear();
    m_details.clear();
    if (schoolPc() && session.isEmpty()) {
        // The school's server lets a PC read a pupil's own questions only.
        m_error = QStringLiteral("Вопросы для повторения хранятся на сервере школы: войдите со своим кодом ученика.");
        return std::nullopt;
    }
    if (!open())
        return std::nullopt;
    const Bounded step(*this);
    QSqlQuery q(database());
    if (schoolPc()) {
        q.prepare(QStringLiteral("SELECT question_key, text_hash, due FROM trivo_pc_my_schedule(?, ?)"));
        q.addBindValue(session);
    } else {
        q.prepare(QStringLiteral("SELECT question_key, text_hash, due FROM question_memory"
                                 " WHERE pupil_folded = ? AND subject = ? AND due IS NOT NULL ORDER BY due"));
        q.addBindValue(trimmed(pupil).toCaseFolded());
    }
    q.addBindValue(subject);
    if (!q.exec()) {
        if (schoolPc() && pupilSessionRefused(q.lastError())) {
            m_error = QStringLiteral("Вход ученика устарел: войдите снова со своим кодом.");
            m_details = details(q.lastError());
            return std::nullopt;
        }
        fail(q.lastError());
        m_error = QStringLiteral("Журнал результатов недоступен: %1.").arg(m_reason);
        return std::nullopt;
    }
    std::vector<DueQuestion> due;
    while (q.next())
        due.push_back({q.value(0).toString(), q.value(1).toString(), timeFromStored(q.value(2))});
    return due;
}
