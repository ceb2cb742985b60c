#include "questionanalysis.h"
#include "bank.h"
#include "journal.h"
#include "schema.h"

#include <QHash>
#include <QSqlQuery>
#include <algorithm>
#include <cmath>
#include <map>

namespace
{
// Sums for the correlation of two figures over the runs.
struct Correlation {
    int n = 0;
    double x = 0, y = 0, xx = 0, yy = 0, xy = 0;
    void add(double a, double b)
    {
        ++n;
        x += a;
        y += b;
        xx += a * a;
        yy += b * b;
        xy += a * b;
    }
    std::optional<double> value() const
    {
        if (n < 3)
            return std::nullopt;
        const double vx = n * xx - x * x, vy = n * yy - y * y;
        if (vx <= 1e-9 || vy <= 1e-9)
            return std::nullopt;
        return (n * xy - x * y) / std::sqrt(vx * vy);
    }
};

struct QuestionSums {
    QuestionFigures figures;
    QDateTime latest;
    int right = 0;
    double shares = 0, seconds = 0;
    Correlation correlation;
    QHash<QString, int> wrong;
};

double shareOf(const AskedQuestion &q)
{
    if (q.pointsPossible > 0)
        return std::clamp(double(q.pointsEarned) / q.pointsPossible, 0.0, 1.0);
    return q.right ? 1.0 : 0.0; // a question of no points counts by its answer
}

QStringList lines(const QString &text)
{
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

// The variance of a sample (n - 1 below the line).
double variance(const std::vector<double> &v)
{
    double mean = 0;
    for (double x : v)
        mean += x;
    mean /= double(v.size());
    double sum = 0;
    for (double x : v)
        sum += (x - mean) * (x - mean);
    return sum / double(v.size() - 1);
}

// Cronbach's alpha of runs that asked the same k questions: rows are runs,
// columns the points earned on each question.
std::optional<double> cronbachAlpha(const std::vector<std::vector<double>> &scores)
{
    if (int(scores.size()) < alphaMinimum)
        return std::nullopt;
    const size_t k = scores.front().size();
    if (k < 2)
        return std::nullopt;
    double items = 0;
    std::vector<double> column(scores.size()), totals(scores.size(), 0);
    for (size_t i = 0; i < k; ++i) {
        for (size_t r = 0; r < scores.size(); ++r) {
            column[r] = scores[r][i];
            totals[r] += scores[r][i];
        }
        items += variance(column);
    }
    const double total = variance(totals);
    if (total <= 1e-9)
        return std::nullopt;
    return double(k) / double(k - 1) * (1 - items / total);
}

class Analyser
{
public:
    void add(const AnalysedRun &run)
    {
        double earned = 0, possible = 0;
        for (const AskedQuestion &q : run.questions) {
            earned += q.pointsEarned;
            possible += q.pointsPossible;
        }
        for (const AskedQuestion &q : run.questions)
            addQuestion(run, q, earned - q.pointsEarned, possible - q.pointsPossible);
        addToTopic(run);
    }

    QuestionAnalysis result() const
    {
        QuestionAnalysis out;
        for (const auto &[key, s] : m_questions)
            out.questions.push_back(figuresOf(s));
        for (const auto &[topic, groups] : m_topics) {
            // The questions most runs shared stand for the topic.
            const auto most = std::max_element(groups.begin(), groups.end(), [](const auto &a, const auto &b) {
                return a.second.size() < b.second.size();
            });
            TopicReliability t{topic.first, topic.second, int(most->second.size()), int(most->second.front().size()),
                               cronbachAlpha(most->second)};
            out.topics.push_back(std::move(t));
        }
        return out;
    }

private:
    void addQuestion(const AnalysedRun &run, const AskedQuestion &q, double restEarned, double restPossible)
    {
        QuestionSums &s = m_questions[q.key];
        QuestionFigures &f = s.figures;
        if (f.key.isEmpty() || run.started >= s.latest) {
            f.key = q.key;
            f.text = q.text.isEmpty() ? q.key : q.text;
            f.answerType = q.answerType;
            f.rightAnswer = q.rightAnswer;
            s.latest = run.started;
        }
        ++f.asked;
        s.right += q.right ? 1 : 0;
        const double share = shareOf(q);
        s.shares += share;
        s.seconds += q.seconds;
        if (restPossible > 0)
            s.correlation.add(share, std::clamp(restEarned / restPossible, 0.0, 1.0));
        if (q.right)
            return;
        // Where the wrong answers went: the wrong options ticked, the wrong texts typed.
        if (q.answerType == answerTypeText(AnswerType::Ticks)) {
            const QStringList right = lines(q.rightAnswer);
            for (const QString &option : lines(q.given))
                if (!right.contains(option))
                    ++s.wrong[option];
        } else if (q.answerType == answerTypeText(AnswerType::Exact) && !q.given.isEmpty()) {
            ++s.wrong[q.given];
        }
    }

    void addToTopic(const AnalysedRun &run)
    {
        if (run.questions.empty())
            return;
        std::vector<std::pair<QString, double>> byKey;
        for (const AskedQuestion &q : run.questions)
            byKey.emplace_back(q.key, q.pointsEarned);
        std::sort(byKey.begin(), byKey.end());
        QStringList keys;
        std::vector<double> scores;
        for (const auto &[key, points] : byKey) {
            keys << key;
            scores.push_back(points);
        }
        m_topics[{run.subject, run.topic}][keys.join(u'\n')].push_back(std::move(scores));
    }

    static QuestionFigures figuresOf(const QuestionSums &s)
    {
        QuestionFigures f = s.figures;
        const double n = f.asked;
        f.shareRight = s.right / n;
        f.facility = s.shares / n;
        f.averageSeconds = s.seconds / n;
        f.discrimination = s.correlation.value();
        for (auto it = s.wrong.begin(); it != s.wrong.end(); ++it)
            f.wrongAnswers.push_back({it.key(), it.value()});
        std::sort(f.wrongAnswers.begin(), f.wrongAnswers.end(), [](const WrongAnswer &a, const WrongAnswer &b) {
            return a.times != b.times ? a.times > b.times : a.answer < b.answer;
        });
        if (f.asked >= flagMinimum) {
            if (f.shareRight > 0.9)
                f.flags << QStringLiteral("слишком лёгкий: верно более 90 %");
            if (f.shareRight < 0.2)
                f.flags << QStringLiteral("слишком трудный: верно менее 20 %");
            if (f.discrimination && *f.discrimination < 0)
                f.flags << QStringLiteral("отрицательная различающая сила: возможно, ошибка в ключе");
        }
        return f;
    }

    std::map<QString, QuestionSums> m_questions;
    // Per subject and topic, the runs by the set of questions they asked.
    std::map<std::pair<QString, QString>, std::map<QString, std::vector<std::vector<double>>>> m_topics;
};
} // namespace

QuestionAnalysis analyseQuestions(const std::vector<AnalysedRun> &runs)
{
    Analyser a;
    for (const AnalysedRun &r : runs)
        a.add(r);
    return a.result();
}

std::optional<QuestionAnalysis> analyseQuestions(Journal &journal, const ResultFilter &filter, QString &error)
{
    error.clear();
    if (!journal.open()) {
        error = journal.lastError();
        return std::nullopt;
    }
    const Journal::Bounded step(journal);
    const SqlCondition c = conditionOf(filter);
    QSqlQuery q(journal.database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT r.id, r.subject, r.topic, r.started, rq.question_key, rq.question_text,"
                             " rq.answer_type, rq.points_possible, rq.points_earned, rq.is_right, rq.seconds,"
                             " rq.given, rq.right_answer"
                             " FROM results r JOIN result_questions rq ON rq.result_id = r.id") +
              c.sql + QStringLiteral(" ORDER BY r.id, rq.position"));
    for (const QVariant &v : c.values)
        q.addBindValue(v);
    if (!q.exec()) {
        error = journal.explain(q.lastError());
        return std::nullopt;
    }
    // The rows come run after run: each run is added when the next begins.
    Analyser a;
    AnalysedRun run;
    QString id;
    while (q.next()) {
        if (q.value(0).toString() != id) {
            if (!id.isEmpty())
                a.add(run);
            id = q.value(0).toString();
            run = {q.value(1).toString(), q.value(2).toString(), timeFromStored(q.value(3)), {}};
        }
        run.questions.push_back({q.value(4).toString(), q.value(5).toString(), q.value(6).toString(),
                                 q.value(7).toInt(), q.value(8).toInt(), q.value(9).toBool(), q.value(10).toInt(),
                                 q.value(11).toString(), q.value(12).toString()});
    }
    if (q.lastError().isValid()) {
        error = journal.explain(q.lastError());
        return std::nullopt;
    }
    if (!id.isEmpty())
        a.add(run);
    return a.result();
}
