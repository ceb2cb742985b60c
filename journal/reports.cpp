#include "reports.h"
#include "journal.h"

#include <QSqlQuery>

std::vector<QuestionResult> questionsOf(Journal &journal, const QString &resultId)
{
    std::vector<QuestionResult> out;
    if (!journal.open())
        return out;
    const Journal::Bounded step(journal);
    QSqlQuery q(journal.database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT question_key, answer_type, points_possible, points_earned, answered, is_right,"
                             " hints, seconds, topic, question_text, given, right_answer"
                             " FROM result_questions WHERE result_id = ? ORDER BY position"));
    q.addBindValue(resultId);
    if (!q.exec())
        return out;
    while (q.next()) {
        QuestionResult r;
        r.key = q.value(0).toString();
        r.answerType = q.value(1).toString();
        r.pointsPossible = q.value(2).toInt();
        r.pointsEarned = q.value(3).toInt();
        r.answered = q.value(4).toBool();
        r.right = q.value(5).toBool();
        r.hints = q.value(6).toInt();
        r.seconds = q.value(7).toInt();
        r.topic = q.value(8).toString();
        r.text = q.value(9).toString();
        r.given = q.value(10).toString();
        r.rightAnswer = q.value(11).toString();
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<QuestionReportRow> questionReport(Journal &journal, const ResultFilter &filter)
{
    std::vector<QuestionReportRow> out;
    if (!journal.open())
        return out;
    const Journal::Bounded step(journal);
    const SqlCondition c = conditionOf(filter);
    QSqlQuery q(journal.database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT rq.question_key, COUNT(DISTINCT r.pupil_folded), COUNT(*),"
                             " AVG(CASE WHEN rq.is_right THEN 1.0 ELSE 0.0 END),"
                             " AVG(CAST(rq.points_earned AS DOUBLE PRECISION)),"
                             " AVG(CAST(rq.seconds AS DOUBLE PRECISION))"
                             " FROM result_questions rq JOIN results r ON r.id = rq.result_id") +
              c.sql + QStringLiteral(" GROUP BY rq.question_key ORDER BY rq.question_key"));
    for (const QVariant &v : c.values)
        q.addBindValue(v);
    if (!q.exec())
        return out;
    while (q.next())
        out.push_back({q.value(0).toString(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toDouble(),
                       q.value(4).toDouble(), q.value(5).toDouble()});
    return out;
}
