#include "questionanalysis.h"
#include "bank.h"
#include "journal.h"
#include "schema.h"
#include "scoreline.h"
#include "text.h"

#include <QHash>
#include <QSqlQuery>
#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>

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

// The runs of a topic that asked the same questions, summed: the points of
// each question and the products of each two (the upper half of a square).
struct QuestionSet {
    QStringList keys; // sorted
    int runs = 0;
    std::vector<double> sums, products;
};

// The sums of one question or one pair over the runs that asked it.
struct Pooled {
    int runs = 0;
    double first = 0, second = 0, product = 0;
    // The sum of the products of the deviations from the means of these runs.
    double deviations() const { return product - first * second / runs; }
};

// The alpha of a run of k questions from the average variance v of a
// question and the average covariance c of two: k c / (v + (k - 1) c). Over
// runs that all asked the same k questions this is Cronbach's alpha,
// k / (k - 1) * (1 - the sum of the variances / the variance of the totals).
TopicReliability reliabilityOf(const std::map<QString, QuestionSet> &sets)
{
    TopicReliability t;
    t.basis = sets.size() == 1 ? ReliabilityBasis::SameQuestions : ReliabilityBasis::Pairs;
    // The questions by number, a pair by the two numbers in one.
    QHash<QString, quint32> number;
    for (const auto &[joined, set] : sets)
        for (const QString &key : set.keys)
            if (!number.contains(key))
                number.insert(key, quint32(number.size()));
    std::vector<Pooled> items(size_t(number.size()));
    std::unordered_map<quint64, Pooled> pairs;
    double asked = 0;
    for (const auto &[joined, set] : sets) {
        t.runs += set.runs;
        const size_t k = size_t(set.keys.size());
        asked += double(k) * set.runs;
        std::vector<quint32> n;
        for (const QString &key : set.keys)
            n.push_back(number.value(key));
        for (size_t i = 0; i < k; ++i) {
            Pooled &item = items[n[i]];
            item.runs += set.runs;
            item.first += set.sums[i];
            item.second += set.sums[i];
            item.product += set.products[i * k + i];
            for (size_t j = i + 1; j < k; ++j) {
                if (n[j] == n[i])
                    continue; // a question asked twice in a run makes no pair
                Pooled &pair = pairs[quint64(n[i]) << 32 | n[j]];
                pair.runs += set.runs;
                pair.first += set.sums[i];
                pair.second += set.sums[j];
                pair.product += set.products[i * k + j];
            }
        }
    }
    t.pool = int(items.size());
    const double k = asked / std::max(t.runs, 1);
    t.questions = int(std::lround(k));
    double variances = 0, varianceRuns = 0, covariances = 0, covarianceRuns = 0;
    for (const Pooled &item : items)
        if (item.runs > 1) {
            variances += item.deviations();
            varianceRuns += item.runs - 1;
        }
    for (const auto &[key, pair] : pairs)
        if (pair.runs > 1) {
            ++t.pairs;
            covariances += pair.deviations();
            covarianceRuns += pair.runs - 1;
        }
    const int pairsNeeded = t.basis == ReliabilityBasis::SameQuestions ? 1 : pairMinimum;
    if (t.runs < alphaMinimum || t.pairs < pairsNeeded)
        return t;
    const double v = variances / varianceRuns, c = covariances / covarianceRuns;
    const double perQuestion = v + (k - 1) * c; // the variance of a run's total, over k
    if (perQuestion > 1e-9)
        t.alpha = k * c / perQuestion;
    return t;
}

// What a question's figures are summed from as the runs come. For the
// strong pupils' answers each run that has other questions to compare with
// is kept too: the share of the rest of its points, whether it gave the
// keyed answer and which wrong answers it gave.
struct QuestionSums {
    QuestionFigures figures;
    QDateTime latest;
    int right = 0;
    double shares = 0, seconds = 0;
    Correlation correlation;
    QHash<QString, int> wrongIds; // index into wrong
    std::vector<WrongAnswer> wrong;
    std::vector<double> rest;
    std::vector<bool> keyed;
    std::vector<std::pair<int, int>> chose; // (index into rest, index into wrong)
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

// Calls f with each wrong answer of one question: the wrong options ticked,
// or the wrong text typed.
template <typename F> void forEachWrongAnswer(const AskedQuestion &q, F f)
{
    if (q.right)
        return;
    if (q.answerType == answerTypeText(AnswerType::Ticks)) {
        const QStringList right = lines(q.rightAnswer);
        for (const QString &option : lines(q.given))
            if (!right.contains(option))
                f(option);
    } else if (q.answerType == answerTypeText(AnswerType::Exact) && !q.given.isEmpty()) {
        f(q.given);
    }
}

// The evidence for a wrong key was tuned on simulated classes (bench/keyflags.cpp).
constexpr double z90 = 1.2816, z75 = 0.6745; // one-sided normal quantiles
constexpr int strongMinimum = 15;            // an upper third of five runs

// A one-sided bound of a correlation of n pairs by Fisher's z, z standard
// errors above it (below with z < 0).
double fisherBound(double r, int n, double z)
{
    const double clamped = std::clamp(r, -0.999999, 0.999999);
    return std::tanh(std::atanh(clamped) + z / std::sqrt(n - 3.0));
}

// How much each run counts in the upper third by its rest: runs tied at the
// edge share what is left of the third, so that the order of the runs does
// not matter.
std::vector<double> upperThird(const std::vector<double> &rest)
{
    std::vector<double> weight(rest.size(), 0);
    if (rest.empty())
        return weight;
    const double third = double(rest.size()) / 3;
    std::vector<double> sorted = rest;
    const auto edge = sorted.begin() + qsizetype(std::ceil(third)) - 1;
    std::nth_element(sorted.begin(), edge, sorted.end(), std::greater<>());
    const double at = *edge;
    const auto above = std::count_if(rest.begin(), rest.end(), [&](double r) { return r > at; });
    const auto tied = std::count(rest.begin(), rest.end(), at);
    const double share = (third - double(above)) / double(tied);
    for (size_t i = 0; i < rest.size(); ++i)
        weight[i] = rest[i] > at ? 1 : rest[i] == at ? share : 0;
    return weight;
}

// What the upper third of the runs and the whole of them say about the most
// frequent wrong answer.
struct StrongAnswer {
    double upper = 0, keyedUpper = 0;  // the runs of the upper third giving it and the keyed answer
    std::optional<double> correlation; // of giving it with the rest of the run
};

StrongAnswer strongAnswerOf(const QuestionSums &s, int answer)
{
    std::vector<bool> gave(s.rest.size(), false);
    for (const auto &[run, id] : s.chose)
        if (id == answer)
            gave[size_t(run)] = true;
    const std::vector<double> weight = upperThird(s.rest);
    StrongAnswer out;
    Correlation c;
    for (size_t i = 0; i < s.rest.size(); ++i) {
        out.upper += gave[i] ? weight[i] : 0;
        out.keyedUpper += s.keyed[i] ? weight[i] : 0;
        c.add(gave[i] ? 1 : 0, s.rest[i]);
    }
    out.correlation = c.value();
    return out;
}

// Whether the figures point at a wrong key; sets keySuspect and strongAnswer.
void judgeKey(const QuestionSums &s, QuestionFigures &f)
{
    const int n = s.correlation.n;
    if (n < 4)
        return;
    const std::optional<double> r = f.discrimination;
    bool suspect = r && fisherBound(*r, n, z90) < 0;
    bool named = false;
    if (!f.wrongAnswers.empty()) {
        const StrongAnswer a = strongAnswerOf(s, s.wrongIds.value(f.wrongAnswers.front().answer));
        named = a.upper > a.keyedUpper;
        if (named && n >= strongMinimum && !suspect)
            suspect = r ? fisherBound(*r, n, z75) < 0 : a.correlation && fisherBound(*a.correlation, n, -z90) > 0;
    }
    f.keySuspect = suspect;
    if (suspect && named)
        f.strongAnswer = f.wrongAnswers.front().answer;
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
        for (const auto &[topic, sets] : m_topics) {
            TopicReliability t = reliabilityOf(sets);
            t.subject = topic.first;
            t.topic = topic.second;
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
        const bool compared = restPossible > 0;
        if (compared) {
            const double rest = std::clamp(restEarned / restPossible, 0.0, 1.0);
            s.correlation.add(share, rest);
            s.rest.push_back(rest);
            s.keyed.push_back(q.right);
        }
        forEachWrongAnswer(q, [&](const QString &answer) {
            auto id = s.wrongIds.find(answer);
            if (id == s.wrongIds.end()) {
                id = s.wrongIds.insert(answer, int(s.wrong.size()));
                s.wrong.push_back({answer, 0});
            }
            ++s.wrong[size_t(*id)].times;
            if (compared)
                s.chose.emplace_back(int(s.rest.size()) - 1, *id);
        });
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
        for (const auto &[key, points] : byKey)
            keys << key;
        QuestionSet &set = m_topics[{run.subject, run.topic}][keys.join(u'\n')];
        const size_t k = byKey.size();
        if (set.runs++ == 0) {
            set.keys = keys;
            set.sums.assign(k, 0);
            set.products.assign(k * k, 0);
        }
        for (size_t i = 0; i < k; ++i) {
            set.sums[i] += byKey[i].second;
            for (size_t j = i; j < k; ++j)
                set.products[i * k + j] += byKey[i].second * byKey[j].second;
        }
    }

    static QuestionFigures figuresOf(const QuestionSums &s)
    {
        QuestionFigures f = s.figures;
        const double n = f.asked;
        f.shareRight = s.right / n;
        f.facility = s.shares / n;
        f.averageSeconds = s.seconds / n;
        f.discrimination = s.correlation.value();
        f.wrongAnswers = s.wrong;
        std::sort(f.wrongAnswers.begin(), f.wrongAnswers.end(), [](const WrongAnswer &a, const WrongAnswer &b) {
            return a.times != b.times ? a.times > b.times : a.answer < b.answer;
        });
        if (f.asked < flagMinimum)
            return f;
        // The shares are summed in binary: eight runs of a fifth come to a hair under 20 %.
        constexpr double hair = 1e-9;
        if (f.facility > 0.9 + hair)
            f.flags << QStringLiteral("слишком лёгкий: набрано более 90 % баллов");
        if (f.facility < 0.2 - hair)
            f.flags << QStringLiteral("слишком трудный: набрано менее 20 % баллов");
        judgeKey(s, f);
        if (f.keySuspect)
            f.flags << (f.strongAnswer.isEmpty()
                            ? QStringLiteral("отрицательная различающая сила: возможно, ошибка в ключе")
                            : QStringLiteral("возможно, ошибка в ключе — сильные ученики чаще отвечают «%1»: "
                                             "проверьте ключ")
                                  .arg(f.strongAnswer));
        return f;
    }

    std::map<QString, QuestionSums> m_questions;
    // Per subject and topic, the runs by the questions they asked.
    std::map<std::pair<QString, QString>, std::map<QString, QuestionSet>> m_topics;
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

QString fewAnswersText(int answers)
{
    static const char16_t *const word[] = {u"ответ", u"ответа", u"ответов"};
    return QStringLiteral("мало данных (%1 %2)").arg(answers).arg(QString::fromUtf16(word[pluralForm(answers)]));
}

QString reliabilityWord(double alpha)
{
    const double shown = std::round(alpha * 100);
    return shown >= 80   ? QStringLiteral("высокая")
           : shown >= 70 ? QStringLiteral("достаточная")
                         : QStringLiteral("низкая");
}
