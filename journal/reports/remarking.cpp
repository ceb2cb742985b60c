#include "remarking.h"
#include "journal.h"
#include "schema.h"
#include "scoreline.h"

#include <QHash>
#include <QSqlQuery>

namespace
{
// A run's grade after its points changed: a run stopped before it was graded
// and practice keep theirs.
QString gradeAfter(const QString &before, bool practice, int points, int possible, const GradeBounds &bounds)
{
    if (practice || before.trimmed() == u"0")
        return before;
    return BalliOcenka(percentOf(points, possible), bounds, before);
}

bool failed(Journal &journal, const QSqlQuery &q, QString &error)
{
    error = journal.explain(q.lastError());
    return false;
}

// Reads the question's answers in the subject's runs and judges each again.
bool judgeAnswers(Journal &journal, RemarkPlan &plan, const std::vector<KeyOption> &options, const GradeBounds &bounds,
                  QString &error)
{
    QSqlQuery q(journal.database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT q.result_id, q.position, q.answer_type, q.points_possible, q.points_earned,"
                             " q.is_right, q.given, r.pupil, r.started, r.points_earned, r.points_possible, r.grade,"
                             " r.practice FROM result_questions q JOIN results r ON r.id = q.result_id"
                             " WHERE r.subject = ? AND q.question_key = ? AND q.answered ORDER BY r.started, r.id"));
    q.addBindValue(plan.subject);
    q.addBindValue(plan.questionKey);
    if (!q.exec())
        return failed(journal, q, error);
    QHash<QString, size_t> runAt;
    while (q.next()) {
        ++plan.answers;
        const int possible = q.value(3).toInt();
        const std::optional<Remarked> now =
            remarkAnswer(q.value(2).toString(), q.value(6).toString(), possible, options);
        if (!now) {
            ++plan.unjudged;
            continue;
        }
        RemarkedAnswer a{q.value(0).toString(), q.value(1).toInt(), q.value(4).toInt(), now->points,
                         q.value(5).toBool(),   now->right,         now->rightAnswer};
        if (a.points == a.pointsBefore && a.right == a.rightBefore)
            continue;
        if (!runAt.contains(a.resultId)) {
            runAt.insert(a.resultId, plan.runs.size());
            plan.runs.push_back({a.resultId,
                                 q.value(7).toString(),
                                 timeFromStored(q.value(8)),
                                 q.value(9).toInt(),
                                 q.value(9).toInt(),
                                 q.value(10).toInt(),
                                 q.value(11).toString(),
                                 {},
                                 q.value(12).toBool()});
        }
        RemarkedRun &run = plan.runs[runAt.value(a.resultId)];
        run.points += a.points - a.pointsBefore;
        plan.changed.push_back(std::move(a));
    }
    for (RemarkedRun &r : plan.runs)
        r.grade = gradeAfter(r.gradeBefore, r.practice, r.points, r.possible, bounds);
    return true;
}

// The run's questions as kept, with the re-marked ones changed: for its line
// of scores and the points it asked.
bool rewriteRun(QSqlDatabase &db, const RemarkedRun &run, const std::vector<const RemarkedAnswer *> &answers,
                const GradeBounds &bounds, const QDateTime &at, QSqlError &e)
{
    for (const RemarkedAnswer *a : answers) {
        QSqlQuery u(db);
        u.prepare(QStringLiteral("UPDATE result_questions SET points_earned = ?, is_right = ?, right_answer = ?"
                                 " WHERE result_id = ? AND position = ?"));
        u.addBindValue(a->points);
        u.addBindValue(a->right);
        u.addBindValue(a->rightAnswer);
        u.addBindValue(a->resultId);
        u.addBindValue(a->position);
        if (!u.exec())
            return e = u.lastError(), false;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT question_key, answer_type, points_possible, points_earned, is_right, seconds,"
                             " given, right_answer FROM result_questions WHERE result_id = ? ORDER BY position"));
    q.addBindValue(run.id);
    if (!q.exec())
        return e = q.lastError(), false;
    RunResult kept;
    int asked = 0, right = 0;
    while (q.next()) {
        QuestionResult r;
        r.key = q.value(0).toString();
        r.answerType = q.value(1).toString();
        r.pointsPossible = q.value(2).toInt();
        r.pointsEarned = q.value(3).toInt();
        r.right = q.value(4).toBool();
        r.seconds = q.value(5).toInt();
        r.given = q.value(6).toString();
        r.rightAnswer = q.value(7).toString();
        asked += r.pointsPossible;
        right += r.right ? 1 : 0;
        kept.questions.push_back(std::move(r));
    }
    QSqlQuery u(db);
    // The line of scores is rewritten only where the run has one.
    u.prepare(QStringLiteral("UPDATE results SET points_earned = ?, right_answers = ?, grade = ?,"
                             " running_grade = CASE WHEN grade = '0' THEN running_grade ELSE ? END,"
                             " scores = CASE WHEN scores = '' THEN '' ELSE ? END, remarked = ?,"
                             " points_before = COALESCE(points_before, points_earned),"
                             " grade_before = COALESCE(grade_before, grade) WHERE id = ?"));
    u.addBindValue(run.points);
    u.addBindValue(right);
    u.addBindValue(run.grade);
    u.addBindValue(BalliOcenka(percentOf(run.points, asked), bounds));
    u.addBindValue(questionScores(kept));
    u.addBindValue(storedTime(at));
    u.addBindValue(run.id);
    if (!u.exec())
        return e = u.lastError(), false;
    return true;
}
} // namespace

int RemarkPlan::gradesChanged() const
{
    int n = 0;
    for (const RemarkedRun &r : runs)
        n += r.grade != r.gradeBefore ? 1 : 0;
    return n;
}

std::optional<RemarkPlan> planRemark(Journal &journal, const QString &subject, const QString &questionKey,
                                     const std::vector<KeyOption> &options, const GradeBounds &bounds, QString &error)
{
    if (!journal.open(error))
        return std::nullopt;
    const Journal::Bounded step(journal);
    RemarkPlan plan;
    plan.subject = subject;
    plan.questionKey = questionKey;
    if (!judgeAnswers(journal, plan, options, bounds, error))
        return std::nullopt;
    return plan;
}

bool applyRemark(Journal &journal, const RemarkPlan &plan, const GradeBounds &bounds, const QDateTime &at,
                 QString &error)
{
    if (!journal.open(error))
        return false;
    const Journal::Bounded step(journal);
    QSqlDatabase db = journal.database();
    QSqlError e = beginWrite(db);
    for (size_t i = 0; !e.isValid() && i < plan.runs.size(); ++i) {
        std::vector<const RemarkedAnswer *> answers;
        for (const RemarkedAnswer &a : plan.changed)
            if (a.resultId == plan.runs[i].id)
                answers.push_back(&a);
        rewriteRun(db, plan.runs[i], answers, bounds, at, e);
    }
    if (!e.isValid())
        e = commitWrite(db);
    if (e.isValid()) {
        rollbackWrite(db);
        error = journal.explain(e);
        return false;
    }
    return true;
}
