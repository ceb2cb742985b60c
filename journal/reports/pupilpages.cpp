#include "pupilpages.h"
#include "journal.h"
#include "review.h"
#include "schema.h"
#include "text.h"

#include <QSqlQuery>
#include <algorithm>
#include <map>

namespace
{
// A query over the results of the filter; the WHERE of the filter stands
// where the text says %1, its values after the ones given first.
bool run(QSqlQuery &q, const QString &sql, const SqlCondition &c, const QVariantList &first = {})
{
    q.setForwardOnly(true);
    q.prepare(sql.arg(c.sql));
    for (const QVariant &v : first)
        q.addBindValue(v);
    for (const QVariant &v : c.values)
        q.addBindValue(v);
    return q.exec();
}

int gradeOf(const QString &grade)
{
    const int g = trimmed(grade).toInt();
    return g >= 2 && g <= 5 ? g : 0;
}

// The mean of the grades, none when there are none.
std::optional<double> mean(int sum, int count)
{
    return count > 0 ? std::optional<double>(double(sum) / count) : std::nullopt;
}

// The condition narrowed to the results that name a class.
SqlCondition withClass(SqlCondition c)
{
    c.sql += c.sql.isEmpty() ? QStringLiteral(" WHERE r.class_name <> ''") : QStringLiteral(" AND r.class_name <> ''");
    return c;
}

bool failed(Journal &journal, const QSqlQuery &q, QString &error)
{
    error = journal.explain(q.lastError());
    return false;
}
} // namespace

std::optional<PupilPage> pupilPage(Journal &journal, const QString &pupil, const ResultFilter &filter, QString &error,
                                   const QDateTime &now)
{
    if (!journal.open(error))
        return std::nullopt;
    const Journal::Bounded step(journal);
    ResultFilter f = filter;
    f.pupil = trimmed(pupil);
    f.pupilExact = true;
    const SqlCondition c = conditionOf(f);
    PupilPage page;
    page.pupil = f.pupil;

    // Practice is counted whether or not the filter shows it.
    ResultFilter withPractice = f;
    withPractice.withPractice = true;
    QSqlQuery runs(journal.database());
    if (!run(runs,
             QStringLiteral("SELECT r.started, r.grade, r.class_name, r.pupil, r.subject, r.topic, r.points_earned,"
                            " r.points_possible, r.practice FROM results r%1 ORDER BY r.started"),
             conditionOf(withPractice)))
        return failed(journal, runs, error), std::nullopt;
    int sum = 0;
    while (runs.next()) {
        page.pupil = runs.value(3).toString();
        if (!runs.value(2).toString().isEmpty())
            page.className = runs.value(2).toString();
        const bool practice = runs.value(8).toBool();
        const QString grade = runs.value(1).toString();
        if (!practice || f.withPractice)
            page.list.push_back({timeFromStored(runs.value(0)), runs.value(4).toString(), runs.value(5).toString(),
                                 grade, runs.value(6).toInt(), runs.value(7).toInt(), practice});
        if (practice) {
            ++page.practice;
            continue;
        }
        ++page.runs;
        if (const int g = gradeOf(grade)) {
            sum += g;
            page.grades.push_back({timeFromStored(runs.value(0)), g});
            page.lastGrade = grade;
        } else {
            ++page.stopped;
        }
    }
    page.averageGrade = mean(sum, int(page.grades.size()));
    std::reverse(page.list.begin(), page.list.end());

    // Points lost by the topic of each question: an exam's questions count for their own topics.
    QSqlQuery losses(journal.database());
    if (!run(losses,
             QStringLiteral("SELECT r.subject, CASE WHEN rq.topic <> '' THEN rq.topic ELSE r.topic END AS t,"
                            " COUNT(DISTINCT r.id), SUM(rq.points_possible - rq.points_earned), SUM(rq.points_possible)"
                            " FROM results r JOIN result_questions rq ON rq.result_id = r.id%1"
                            " GROUP BY r.subject, CASE WHEN rq.topic <> '' THEN rq.topic ELSE r.topic END"),
             c))
        return failed(journal, losses, error), std::nullopt;
    while (losses.next())
        if (const int lost = losses.value(3).toInt(); lost > 0)
            page.weakTopics.push_back({losses.value(0).toString(), losses.value(1).toString(), losses.value(2).toInt(),
                                       lost, losses.value(4).toInt()});
    std::stable_sort(page.weakTopics.begin(), page.weakTopics.end(),
                     [](const TopicLoss &a, const TopicLoss &b) { return a.pointsLost > b.pointsLost; });

    // The mistakes to repeat, by topic.
    QSqlQuery memory(journal.database());
    memory.prepare(
        QStringLiteral("SELECT subject, topic,"
                       " SUM(CASE WHEN wrong_count > 0 AND last_right AND interval_days >= ? THEN 1 ELSE 0 END),"
                       " SUM(CASE WHEN due IS NOT NULL AND due < ? THEN 1 ELSE 0 END),"
                       " SUM(CASE WHEN due IS NOT NULL AND NOT last_right THEN 1 ELSE 0 END)"
                       " FROM question_memory WHERE pupil_folded = ? AND (? = '' OR subject = ?)"
                       " GROUP BY subject, topic ORDER BY subject, topic"));
    memory.addBindValue(learntInterval);
    memory.addBindValue(storedDayStart(now.date().addDays(1)));
    memory.addBindValue(f.pupil.toCaseFolded());
    memory.addBindValue(filter.subject.isNull() ? QStringLiteral("") : filter.subject);
    memory.addBindValue(filter.subject.isNull() ? QStringLiteral("") : filter.subject);
    if (!memory.exec())
        return failed(journal, memory, error), std::nullopt;
    while (memory.next()) {
        TopicMemory m{memory.value(0).toString(), memory.value(1).toString(), memory.value(2).toInt(),
                      memory.value(3).toInt(), memory.value(4).toInt()};
        if (m.learnt + m.due + m.notRepeated > 0)
            page.memory.push_back(std::move(m));
    }
    return page;
}

std::optional<std::vector<ClassPupil>> classPage(Journal &journal, const QString &className, const ResultFilter &filter,
                                                 QString &error)
{
    if (!journal.open(error))
        return std::nullopt;
    const Journal::Bounded step(journal);
    ResultFilter f = filter;
    f.className = className;
    QSqlQuery q(journal.database());
    if (!run(q,
             QStringLiteral("SELECT r.pupil_folded, r.pupil, r.grade, r.practice FROM results r%1"
                            " ORDER BY r.pupil_folded, r.started"),
             conditionOf(f)))
        return failed(journal, q, error), std::nullopt;
    std::vector<ClassPupil> out;
    QString folded;
    int sum = 0, graded = 0;
    auto close = [&] {
        if (!out.empty())
            out.back().averageGrade = mean(sum, graded);
        sum = graded = 0;
    };
    while (q.next()) {
        if (out.empty() || q.value(0).toString() != folded) {
            close();
            folded = q.value(0).toString();
            out.push_back({});
        }
        ClassPupil &p = out.back();
        p.pupil = q.value(1).toString();
        ++p.runs;
        if (q.value(3).toBool())
            continue; // practice: a run, but no grade
        if (const int g = gradeOf(q.value(2).toString())) {
            sum += g;
            ++graded;
            p.lastGrade = q.value(2).toString();
        }
    }
    close();
    return out;
}

std::optional<std::vector<ClassSummary>> classSummaries(Journal &journal, const ResultFilter &filter, QString &error)
{
    if (!journal.open(error))
        return std::nullopt;
    const Journal::Bounded step(journal);
    const SqlCondition c = withClass(conditionOf(filter));
    QSqlQuery q(journal.database());
    if (!run(q,
             QStringLiteral("SELECT r.class_name, COUNT(DISTINCT r.pupil_folded), COUNT(*),"
                            " SUM(CASE WHEN r.grade IN ('2', '3', '4', '5') AND NOT r.practice"
                            " THEN CAST(r.grade AS INTEGER) ELSE 0 END),"
                            " SUM(CASE WHEN r.grade IN ('2', '3', '4', '5') AND NOT r.practice THEN 1 ELSE 0 END)"
                            " FROM results r%1 GROUP BY r.class_name ORDER BY r.class_name"),
             c))
        return failed(journal, q, error), std::nullopt;
    std::vector<ClassSummary> out;
    while (q.next())
        out.push_back({q.value(0).toString(), q.value(1).toInt(), q.value(2).toInt(),
                       mean(q.value(3).toInt(), q.value(4).toInt())});
    return out;
}

QStringList journalClasses(Journal &journal, const ResultFilter &scope)
{
    QStringList out;
    if (!journal.open())
        return out;
    const Journal::Bounded step(journal);
    ResultFilter f;
    f.userCode = scope.userCode;
    f.ownPupil = scope.ownPupil;
    f.withPractice = scope.withPractice;
    const SqlCondition c = withClass(conditionOf(f));
    QSqlQuery q(journal.database());
    if (run(q, QStringLiteral("SELECT DISTINCT r.class_name FROM results r%1 ORDER BY r.class_name"), c))
        while (q.next())
            out << q.value(0).toString();
    return out;
}

std::optional<int> resetSchedule(Journal &journal, const QString &pupil, QString &error)
{
    if (!journal.open(error))
        return std::nullopt;
    const Journal::Bounded step(journal);
    QSqlDatabase db = journal.database();
    const QString folded = trimmed(pupil).toCaseFolded();
    QSqlError e = beginWrite(db);
    int forgotten = 0;
    if (!e.isValid()) {
        QSqlQuery mark(db);
        mark.prepare(QStringLiteral("INSERT INTO schedule_resets (pupil_folded, reset_at) VALUES (?, ?)"
                                    " ON CONFLICT (pupil_folded) DO UPDATE SET reset_at = excluded.reset_at"));
        mark.addBindValue(folded);
        mark.addBindValue(storedTime(QDateTime::currentDateTime()));
        if (!mark.exec())
            e = mark.lastError();
    }
    if (!e.isValid()) {
        // What is forgotten is told as the questions that waited to be repeated.
        QSqlQuery count(db);
        count.prepare(
            QStringLiteral("SELECT COUNT(*) FROM question_memory WHERE pupil_folded = ? AND due IS NOT NULL"));
        count.addBindValue(folded);
        if (count.exec() && count.next())
            forgotten = count.value(0).toInt();
        else
            e = count.lastError();
    }
    if (!e.isValid()) {
        QSqlQuery forget(db);
        forget.prepare(QStringLiteral("DELETE FROM question_memory WHERE pupil_folded = ?"));
        forget.addBindValue(folded);
        if (!forget.exec())
            e = forget.lastError();
    }
    if (!e.isValid())
        e = commitWrite(db);
    if (e.isValid()) {
        rollbackWrite(db);
        error = journal.explain(e);
        return std::nullopt;
    }
    return forgotten;
}
