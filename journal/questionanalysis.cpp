#include "questionanalysis.h"
#include "bank.h"
#include "journal.h"
#include "schema.h"
#include "scoreline.h"

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

// Where a question was shown last: its run and position.
struct Shown {
    QDateTime started;
    QString id;
    int position = 0;
};

// The text, the type and the right answer of each question as the run that
// showed it last kept them, read for those rows only.
QSqlError addTexts(const QSqlDatabase &db, const QHash<QString, Shown> &latest, QuestionAnalysis &analysis)
{
    QHash<QPair<QString, int>, QuestionFigures *> wanted;
    for (QuestionFigures &f : analysis.questions)
        if (const auto it = latest.constFind(f.key); it != latest.constEnd())
            wanted.insert({it->id, it->position}, &f);
    const auto rows = wanted.keys();
    constexpr qsizetype perQuery = 100;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    for (qsizetype from = 0; from < rows.size(); from += perQuery) {
        const auto part = rows.mid(from, perQuery);
        q.prepare(QStringLiteral("SELECT result_id, position, question_text, answer_type, right_answer"
                                 " FROM result_questions WHERE ") +
                  QStringList(part.size(), QStringLiteral("(result_id = ? AND position = ?)")).join(" OR "));
        for (const auto &[id, position] : part) {
            q.addBindValue(id);
            q.addBindValue(position);
        }
        if (!q.exec())
            return q.lastError();
        while (q.next())
            if (QuestionFigures *f = wanted.value({q.value(0).toString(), q.value(1).toInt()})) {
                const QString text = q.value(2).toString();
                f->text = text.isEmpty() ? f->key : text;
                f->answerType = q.value(3).toString();
                f->rightAnswer = q.value(4).toString();
            }
    }
    return {};
}
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
    if (!journal.open(error))
        return std::nullopt;
    const Journal::Bounded step(journal);
    const SqlCondition c = conditionOf(filter);
    // A topic's runs are hundreds of thousands of questions: each run
    // brings its questions in one line. Runs kept before the journal kept
    // that line have their question rows read, each bringing only what the
    // figures need (the type, what was given and the right answer only
    // where the answer was wrong). The texts of the questions as the latest
    // runs showed them are read last, one row per question.
    Analyser a;
    QHash<QString, Shown> latest; // chosen as the analyser chooses
    auto add = [&](AnalysedRun &&run, const QString &id, const std::vector<int> &positions) {
        for (size_t i = 0; i < run.questions.size(); ++i) {
            const QString &key = run.questions[i].key;
            if (auto l = latest.find(key); l == latest.end())
                latest.insert(key, {run.started, id, positions[i]});
            else if (run.started >= l->started)
                *l = {run.started, id, positions[i]};
        }
        a.add(run);
    };
    QHash<QString, AnalysedRun> unlined; // runs kept without the line
    std::vector<int> inOrder;
    QSqlQuery q(journal.database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT r.id, r.subject, r.topic, r.started, r.scores FROM results r") + c.sql);
    for (const QVariant &v : c.values)
        q.addBindValue(v);
    if (!q.exec()) {
        error = journal.explain(q.lastError());
        return std::nullopt;
    }
    while (q.next()) {
        AnalysedRun run{q.value(1).toString(), q.value(2).toString(), timeFromStored(q.value(3)), {}};
        const QString line = q.value(4).toString();
        if (line.isEmpty()) {
            unlined.insert(q.value(0).toString(), std::move(run));
            continue;
        }
        std::optional<std::vector<AskedQuestion>> asked = askedFromScores(line);
        if (!asked)
            continue; // not a line this program wrote
        run.questions = std::move(*asked);
        while (inOrder.size() < run.questions.size())
            inOrder.push_back(int(inOrder.size()) + 1);
        add(std::move(run), q.value(0).toString(), inOrder);
    }
    if (q.lastError().isValid()) {
        error = journal.explain(q.lastError());
        return std::nullopt;
    }
    if (!unlined.isEmpty()) {
        q.prepare(QStringLiteral("SELECT r.id, rq.question_key, rq.position, rq.points_possible, rq.points_earned,"
                                 " rq.is_right, rq.seconds, CASE WHEN rq.is_right THEN NULL ELSE rq.answer_type END,"
                                 " CASE WHEN rq.is_right THEN NULL ELSE rq.given END,"
                                 " CASE WHEN rq.is_right THEN NULL ELSE rq.right_answer END"
                                 " FROM results r JOIN result_questions rq ON rq.result_id = r.id") +
                  c.sql + (c.sql.isEmpty() ? QStringLiteral(" WHERE") : QStringLiteral(" AND")) +
                  QStringLiteral(" r.scores = '' ORDER BY r.id"));
        for (const QVariant &v : c.values)
            q.addBindValue(v);
        if (!q.exec()) {
            error = journal.explain(q.lastError());
            return std::nullopt;
        }
        // The rows come run after run, each run's in any order: a run is put
        // in the order its questions were asked and added when the next
        // begins. A run written since the runs were read waits for the next
        // analysis.
        std::vector<std::pair<int, AskedQuestion>> asked;
        QString id;
        auto addRows = [&] {
            const auto it = unlined.constFind(id);
            if (it == unlined.constEnd())
                return;
            AnalysedRun run = *it;
            std::stable_sort(asked.begin(), asked.end(),
                             [](const auto &x, const auto &y) { return x.first < y.first; });
            std::vector<int> positions;
            for (auto &[position, question] : asked) {
                positions.push_back(position);
                run.questions.push_back(std::move(question));
            }
            add(std::move(run), id, positions);
        };
        while (q.next()) {
            if (q.value(0).toString() != id) {
                if (!id.isEmpty())
                    addRows();
                id = q.value(0).toString();
                asked.clear();
            }
            asked.emplace_back(q.value(2).toInt(),
                               AskedQuestion{q.value(1).toString(), QString(), q.value(7).toString(),
                                             q.value(3).toInt(), q.value(4).toInt(), q.value(5).toBool(),
                                             q.value(6).toInt(), q.value(8).toString(), q.value(9).toString()});
        }
        if (q.lastError().isValid()) {
            error = journal.explain(q.lastError());
            return std::nullopt;
        }
        if (!id.isEmpty())
            addRows();
    }
    QuestionAnalysis out = a.result();
    if (QSqlError e = addTexts(journal.database(), latest, out); e.isValid()) {
        error = journal.explain(e);
        return std::nullopt;
    }
    return out;
}
