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
