#include "resultwrite.h"
#include "questionmemory.h"
#include "schema.h"
#include "scoreline.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>
#include <algorithm>

namespace
{
// Bound values in one statement: SQLite before 3.32 takes no more.
constexpr int valuesPerStatement = 999;

QString marks(int n)
{
    return u'(' + QStringList(n, QStringLiteral("?")).join(u',') + u')';
}

// One report of each run, where its first report stood: the one that ran
// longest, the later of equal ones, as writing them in turn would leave.
std::vector<const RunResult *> oneReportEach(const std::vector<const RunResult *> &results)
{
    std::vector<const RunResult *> out;
    QHash<QString, size_t> at;
    for (const RunResult *r : results) {
        const auto it = at.constFind(r->id);
        if (it == at.constEnd()) {
            at.insert(r->id, out.size());
            out.push_back(r);
        } else if (out[*it]->seconds <= r->seconds) {
            out[*it] = r;
        }
    }
    return out;
}

// How long the reports the journal already holds of these runs ran.
QSqlError lengthsKept(const QSqlDatabase &db, const std::vector<const RunResult *> &results, QHash<QString, int> &kept)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    for (size_t from = 0; from < results.size(); from += valuesPerStatement) {
        const int n = int(std::min(results.size() - from, size_t(valuesPerStatement)));
        q.prepare(QStringLiteral("SELECT id, seconds FROM results WHERE id IN ") + marks(n));
        for (int i = 0; i < n; ++i)
            q.bindValue(i, results[from + size_t(i)]->id);
        if (!q.exec())
            return q.lastError();
        while (q.next())
            kept.insert(q.value(0).toString(), q.value(1).toInt());
    }
    return {};
}

// A later report of the same run (a repeat pass after the close runs
// longer) replaces the earlier one; an earlier one arriving late from the
// outbox changes nothing, nor does any report of a run a teacher re-marked
// since: it was marked with a key the teacher corrected.
QSqlError replaceOlder(const QSqlDatabase &db, const RunResult &r, bool &replaced)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("DELETE FROM results WHERE id = ? AND seconds <= ? AND remarked IS NULL"));
    q.addBindValue(r.id);
    q.addBindValue(r.seconds);
    if (!q.exec())
        return q.lastError();
    replaced = q.numRowsAffected() > 0;
    if (!replaced)
        return {};
    QSqlQuery questions(db);
    questions.prepare(QStringLiteral("DELETE FROM result_questions WHERE result_id = ?"));
    questions.addBindValue(r.id);
    return questions.exec() ? QSqlError() : questions.lastError();
}

QVariantList resultRow(const RunResult &r)
{
    return {QVariant(r.id),
            textValue(r.pupil),
            textValue(r.pupil.toCaseFolded()),
            textValue(r.userCode),
            textValue(r.access),
            textValue(r.host),
            textValue(r.subject),
            textValue(r.topic),
            storedTime(r.started),
            QVariant(r.seconds),
            QVariant(r.prompting),
            QVariant(r.randomOrder),
            QVariant(r.protocol),
            QVariant(r.exam),
            QVariant(r.asked),
            QVariant(r.answered),
            QVariant(r.right),
            QVariant(r.putOff),
            QVariant(r.pointsPossible),
            QVariant(r.pointsEarned),
            textValue(r.grade),
            textValue(r.runningGrade),
            QVariant(r.hints),
            textValue(r.className),
            textValue(questionScores(r)),
            QVariant(r.practice)};
}

// Inserts the results; the ids of those that went in (one that another
// writer put in meanwhile stays as that writer left it).
QSqlError insertResults(const QSqlDatabase &db, const std::vector<const RunResult *> &results, QSet<QString> &inserted)
{
    std::vector<QVariantList> rows;
    for (const RunResult *r : results)
        rows.push_back(resultRow(*r));
    return insertRows(db,
                      QStringLiteral("INSERT INTO results (id, pupil, pupil_folded, user_code, access, host, subject,"
                                     " topic, started, seconds, prompting, random_order, protocol, exam, asked,"
                                     " answered, right_answers, put_off, points_possible, points_earned, grade,"
                                     " running_grade, hints, class_name, scores, practice)"),
                      QStringLiteral(" ON CONFLICT (id) DO NOTHING RETURNING id"), rows,
                      {"text",    "text",      "text",    "text",    "text",    "text",    "text",
                       "text",    "timestamp", "integer", "boolean", "boolean", "boolean", "boolean",
                       "integer", "integer",   "integer", "integer", "integer", "integer", "text",
                       "text",    "integer",   "text",    "text",    "boolean"},
                      [&](QSqlQuery &q) {
                          while (q.next())
                              inserted.insert(q.value(0).toString());
                      });
}

QSqlError insertQuestions(const QSqlDatabase &db, const std::vector<const RunResult *> &results)
{
    std::vector<QVariantList> rows;
    for (const RunResult *r : results) {
        int position = 0;
        for (const QuestionResult &qr : r->questions)
            rows.push_back({r->id, ++position, textValue(qr.key), textValue(qr.answerType), qr.pointsPossible,
                            qr.pointsEarned, qr.answered, qr.right, qr.hints, qr.seconds, textValue(qr.textHash),
                            textValue(qr.text), textValue(qr.given), textValue(qr.rightAnswer), textValue(qr.topic)});
    }
    return insertRows(db,
                      QStringLiteral("INSERT INTO result_questions (result_id, position, question_key, answer_type,"
                                     " points_possible, points_earned, answered, is_right, hints, seconds, text_hash,"
                                     " question_text, given, right_answer, topic)"),
                      QStringLiteral(" ON CONFLICT DO NOTHING"), rows,
                      {"text", "integer", "text", "text", "integer", "integer", "boolean", "boolean", "integer",
                       "integer", "text", "text", "text", "text", "text"});
}

// Each pupil's row of the pupils table: the name and class of their latest
// run. One statement may not touch a row twice, so a pupil's second result
// goes in the next round, and so on.
QSqlError notePupils(const QSqlDatabase &db, const std::vector<const RunResult *> &results)
{
    std::vector<std::vector<QVariantList>> rounds;
    QHash<QString, size_t> seen;
    for (const RunResult *r : results) {
        const QString folded = r->pupil.toCaseFolded();
        const size_t round = seen.value(folded, 0);
        seen.insert(folded, round + 1);
        if (rounds.size() <= round)
            rounds.emplace_back();
        rounds[round].push_back({textValue(folded), textValue(r->pupil), textValue(r->className),
                                 storedTime(r->started), textValue(r->id)});
    }
    // The latest run by its start, of two that started together the one of
    // the greater id: the same whatever order the results come in.
    for (const std::vector<QVariantList> &round : rounds)
        if (QSqlError e = insertRows(
                db, QStringLiteral("INSERT INTO pupils (pupil_folded, pupil, class_name, last_started, last_id)"),
                QStringLiteral(
                    " ON CONFLICT (pupil_folded) DO UPDATE SET pupil = excluded.pupil,"
                    " last_started = excluded.last_started, last_id = excluded.last_id, class_name ="
                    " CASE WHEN excluded.class_name <> '' THEN excluded.class_name ELSE pupils.class_name"
                    " END WHERE pupils.last_started IS NULL OR excluded.last_started > pupils.last_started"
                    " OR (excluded.last_started = pupils.last_started AND excluded.last_id >= pupils.last_id)"),
                round, {"text", "text", "text", "timestamp", "text"});
            e.isValid())
            return e;
    return {};
}
} // namespace

QString arrayLiteral(const std::vector<QVariantList> &rows, size_t from, size_t to, int column)
{
    QString out = QStringLiteral("{");
    for (size_t r = from; r < to; ++r) {
        if (r > from)
            out += u',';
        const QVariant &v = rows[r][column];
        if (v.isNull()) {
            out += QStringLiteral("NULL");
        } else if (v.typeId() == QMetaType::Bool) {
            out += v.toBool() ? u't' : u'f';
        } else if (v.typeId() == QMetaType::Double) {
            out += QString::number(v.toDouble(), 'g', 17);
        } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong) {
            out += QString::number(v.toLongLong());
        } else {
            out += u'"';
            for (const QChar c : v.toString()) {
                if (c == u'"' || c == u'\\')
                    out += u'\\';
                out += c;
            }
            out += u'"';
        }
    }
    out += u'}';
    return out;
}

QSqlError insertRows(const QSqlDatabase &db, const QString &head, const QString &tail,
                     const std::vector<QVariantList> &rows, const QStringList &serverTypes,
                     const std::function<void(QSqlQuery &)> &returned)
{
    if (rows.empty())
        return {};
    const int columns = int(rows.front().size());
    const bool arrays = dialectOf(db) == Dialect::Postgres && serverTypes.size() == columns;
    // The server takes a column of rows as one array value: a statement of
    // thousands of rows is parsed once. The embedded database binds each value.
    const int perStatement = arrays ? 5000 : std::max(1, valuesPerStatement / columns);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    int prepared = -1;
    for (size_t from = 0; from < rows.size(); from += size_t(perStatement)) {
        const int n = int(std::min(rows.size() - from, size_t(perStatement)));
        if (arrays) {
            if (prepared < 0) {
                QStringList unnest;
                for (const QString &type : serverTypes)
                    unnest << QStringLiteral("CAST(? AS %1[])").arg(type);
                q.prepare(head + QStringLiteral(" SELECT * FROM unnest(") + unnest.join(u',') + u')' + tail);
                prepared = n;
            }
            for (int c = 0; c < columns; ++c)
                q.bindValue(c, arrayLiteral(rows, from, from + size_t(n), c));
        } else {
            if (n != prepared) {
                q.prepare(head + QStringLiteral(" VALUES ") + QStringList(n, marks(columns)).join(u',') + tail);
                prepared = n;
            }
            int at = 0;
            for (int i = 0; i < n; ++i)
                for (const QVariant &v : rows[from + size_t(i)])
                    q.bindValue(at++, v);
        }
        if (!q.exec())
            return q.lastError();
        if (returned)
            returned(q);
    }
    return {};
}

QSqlError writeResults(QSqlDatabase &db, const std::vector<const RunResult *> &results)
{
    const std::vector<const RunResult *> batch = oneReportEach(results);
    QHash<QString, int> kept;
    if (QSqlError e = lengthsKept(db, batch, kept); e.isValid())
        return e;
    std::vector<const RunResult *> fresh;
    QSet<QString> replacing;
    for (const RunResult *r : batch) {
        if (const auto it = kept.constFind(r->id); it != kept.constEnd()) {
            bool replaced = false;
            if (*it <= r->seconds)
                if (QSqlError e = replaceOlder(db, *r, replaced); e.isValid())
                    return e;
            if (!replaced)
                continue;
            replacing.insert(r->id);
        }
        fresh.push_back(r);
    }
    QSet<QString> inserted;
    if (QSqlError e = insertResults(db, fresh, inserted); e.isValid())
        return e;
    // A result already in the journal keeps the questions it came with, and
    // the pupil's memory of them stays what they made it.
    std::vector<const RunResult *> in;
    for (const RunResult *r : fresh)
        if (inserted.contains(r->id))
            in.push_back(r);
    if (QSqlError e = insertQuestions(db, in); e.isValid())
        return e;
    if (QSqlError e = updateMemory(db, in, replacing); e.isValid())
        return e;
    return notePupils(db, in);
}
