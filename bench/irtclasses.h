// Simulated classes for the question analysis. Pupils of ability N(0, 1)
// answer the questions of a two-parameter logistic model: a pupil knows a
// question with probability 1 / (1 + exp(-a (ability - b))), a between 0.4
// and 3.2 (1.3 times lognormal(0, 0.35)), b normal and cut to -2.5 … 2.5;
// who does not know it picks one of its lures (a ticked option or a typed
// slip, some typed slips a pupil's own). Half the questions are ticks, half
// typed answers. A question's key may be reversed (who knows the answer is
// marked wrong, who does not is marked right) or, typed, have a slip no
// pupil can match.
#pragma once
#include "questionanalysis.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <random>

namespace irt
{
constexpr int topicSize = 20;

enum class Key { Honest, Reversed, Slipped };

struct Question {
    double a = 1, b = 0;
    bool typed = false;
    double lure[3] = {1, 0, 0}; // how a pupil who does not know it spreads over the wrong answers
    Key key = Key::Honest;
};

class Simulation
{
public:
    explicit Simulation(std::uint64_t seed) : m_random(seed) {}

    Question question(Key key = Key::Honest)
    {
        Question q;
        q.a = std::clamp(1.3 * std::lognormal_distribution<double>(0, 0.35)(m_random), 0.4, 3.2);
        q.b = std::clamp(std::normal_distribution<double>(0, 1)(m_random), -2.5, 2.5);
        q.typed = key == Key::Slipped || m_random() % 2 == 0;
        double sum = 0;
        for (double &w : q.lure)
            sum += (w = std::gamma_distribution<double>(1, 1)(m_random));
        for (double &w : q.lure)
            w /= sum;
        q.key = key;
        return q;
    }

    std::vector<Question> topic(Key last = Key::Honest)
    {
        std::vector<Question> t;
        for (int i = 0; i < topicSize; ++i)
            t.push_back(question(i + 1 == topicSize ? last : Key::Honest));
        std::shuffle(t.begin(), t.end(), m_random);
        return t;
    }

    double ability() { return std::normal_distribution<double>(0, 1)(m_random); }

    // One pupil's answer as the journal keeps it; the true answer is A or 1812.
    AskedQuestion answer(const Question &q, const QString &key, double ability)
    {
        const bool knows = uniform() < 1 / (1 + std::exp(-q.a * (ability - q.b)));
        AskedQuestion a;
        a.key = key;
        a.text = key;
        a.answerType = q.typed ? QStringLiteral("Точный ответ") : QStringLiteral("Птички поставить");
        a.pointsPossible = 1;
        a.seconds = 30;
        const QString truth = q.typed ? QStringLiteral("1812") : QStringLiteral("A");
        switch (q.key) {
        case Key::Honest:
            a.rightAnswer = truth;
            a.given = knows ? truth : lure(q);
            break;
        case Key::Reversed: // the key is the lure of all who do not know
            a.rightAnswer = q.typed ? QStringLiteral("1813") : QStringLiteral("B");
            a.given = knows ? truth : a.rightAnswer;
            break;
        case Key::Slipped: // no lure is 1821
            a.rightAnswer = QStringLiteral("1821");
            a.given = knows ? truth : lure(q);
            break;
        }
        a.right = a.given == a.rightAnswer;
        a.pointsEarned = a.right ? 1 : 0;
        return a;
    }

    // A class's runs of a topic.
    std::vector<AnalysedRun> runs(const std::vector<Question> &topic, int pupils)
    {
        std::vector<AnalysedRun> out;
        for (int p = 0; p < pupils; ++p) {
            const double theta = ability();
            AnalysedRun r{QStringLiteral("Предмет"),
                          QStringLiteral("Тема"),
                          QDateTime(QDate(2027, 1, 10), QTime(9, 0)).addSecs(60 * p),
                          {}};
            for (size_t i = 0; i < topic.size(); ++i)
                r.questions.push_back(answer(topic[i], QString::number(i), theta));
            out.push_back(std::move(r));
        }
        return out;
    }

    std::mt19937_64 &random() { return m_random; }

private:
    double uniform() { return std::uniform_real_distribution<double>(0, 1)(m_random); }

    QString lure(const Question &q)
    {
        const double v = uniform();
        const int which = v < q.lure[0] ? 0 : v < q.lure[0] + q.lure[1] ? 1 : 2;
        if (!q.typed)
            return QString(QChar(u'B' + which));
        if (which == 2) // a slip of the pupil's own
            return QString::number(3000 + m_random() % 100000);
        return which == 0 ? QStringLiteral("1813") : QStringLiteral("1912");
    }

    std::mt19937_64 m_random;
};
} // namespace irt
