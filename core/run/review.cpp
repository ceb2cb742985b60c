// FSRS-4.5 from its published formulas: the forgetting curve
// R(t, S) = (1 + F t / S)^-0.5 with F = 19/81, the initial stability
// S0(G) = w[G-1], the initial difficulty D0(G) = w4 - (G - 3) w5, the
// difficulty after a review D' = w7 D0(3) + (1 - w7) (D - w6 (G - 3)), the
// stability after a recall
// S' = S (1 + e^w8 (11 - D) S^-w9 (e^(w10 (1 - R)) - 1) h b)
// (h = w15 for Hard, b = w16 for Easy, else 1) and after a lapse
// S' = w11 D^-w12 ((S + 1)^w13 - 1) e^(w14 (1 - R)). At 90 % retention the
// next interval is S itself, rounded to whole days, at least one. The time t
// elapsed since the last answer is in days with their fraction, so that an
// answer at 23:59 and the next at 00:01 are two minutes apart, not a day.
#include "review.h"

#include "text.h"

#include <QCryptographicHash>
#include <algorithm>
#include <array>
#include <cmath>

namespace
{
// The default parameters of FSRS-4.5.
constexpr std::array<double, 17> w = {0.4872, 1.4003, 3.7145, 13.8206, 5.1618, 1.2298, 0.8975, 0.031, 1.6474,
                                      0.1367, 1.0461, 2.1072, 0.0793,  0.3246, 1.587,  0.2272, 2.8755};
constexpr double factor = 19.0 / 81.0, decay = -0.5;
constexpr int maxInterval = 36500;
constexpr double secondsPerDay = 86400;

enum Grade { Again = 1, Hard = 2, Good = 3 };

double clampDifficulty(double d)
{
    return std::clamp(d, 1.0, 10.0);
}

double initialDifficulty(int g)
{
    return clampDifficulty(w[4] - (g - 3) * w[5]);
}

double nextDifficulty(double d, int g)
{
    return clampDifficulty(w[7] * initialDifficulty(Good) + (1 - w[7]) * (d - w[6] * (g - 3)));
}

double recallStability(double d, double s, double r, int g)
{
    const double hard = g == Hard ? w[15] : 1.0;
    return s * (1 + std::exp(w[8]) * (11 - d) * std::pow(s, -w[9]) * (std::exp((1 - r) * w[10]) - 1) * hard);
}

double lapseStability(double d, double s, double r)
{
    return w[11] * std::pow(d, -w[12]) * (std::pow(s + 1, w[13]) - 1) * std::exp((1 - r) * w[14]);
}

// Days from the last answer to this one, with their fraction; none when the
// last is not known or the clock went back.
double daysElapsed(const QDateTime &last, const QDateTime &at)
{
    if (!last.isValid() || !at.isValid())
        return 0;
    return std::max<qint64>(0, last.secsTo(at)) / secondsPerDay;
}

// The interval after a right answer: what the stability gives, and longer
// than the one before once a day or more has passed. A repeat within a day
// barely moves the stability (recall is near certain), so it keeps the
// interval it has rather than earn a day more with each answer: six right
// answers in one lesson would otherwise wait a week on a stability of two
// days.
int intervalAfterRight(double stability, int before, double elapsed)
{
    const int least = elapsed < 1 ? before : before + 1;
    return std::clamp(std::max(int(std::lround(stability)), least), 1, maxInterval);
}
} // namespace

double recallChance(double elapsedDays, double stability)
{
    return std::pow(1 + factor * elapsedDays / stability, decay);
}

QuestionMemory afterAnswer(QuestionMemory m, const ReviewAnswer &a)
{
    if (!a.textHash.isEmpty())
        m.textHash = a.textHash;
    const int grade = !a.right ? Again : a.hinted ? Hard : Good;
    m.lastRight = a.right;
    double t = 0; // days since the last answer, once scheduled
    if (!m.scheduled()) {
        if (a.right) { // nothing to repeat yet
            ++m.right;
            m.last = a.at;
            return m;
        }
        m.stability = w[0];
        m.difficulty = initialDifficulty(Again);
    } else {
        t = daysElapsed(m.last, a.at);
        const double r = recallChance(t, m.stability);
        m.stability = a.right ? recallStability(m.difficulty, m.stability, r, grade)
                              : lapseStability(m.difficulty, m.stability, r);
        m.difficulty = nextDifficulty(m.difficulty, grade);
    }
    if (a.right) {
        ++m.right;
        m.interval = intervalAfterRight(m.stability, m.interval, t);
    } else {
        ++m.wrong;
        m.interval = 1;
    }
    m.last = a.at;
    m.due = a.at.addDays(m.interval);
    return m;
}

QuestionMemory replayAnswers(const std::vector<ReviewAnswer> &answers, QuestionMemory from)
{
    QuestionMemory m = std::move(from);
    for (const ReviewAnswer &a : answers) {
        if (!a.textHash.isEmpty() && !m.textHash.isEmpty() && a.textHash != m.textHash)
            m = {};
        m = afterAnswer(std::move(m), a);
    }
    return m;
}

QString questionTextHash(const QString &text)
{
    const QByteArray bytes = trimmed(text).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(16));
}

namespace
{
bool stillAsked(const DueQuestion &q, const QHash<QString, QString> &bankHashes)
{
    const auto it = bankHashes.constFind(q.key);
    return it != bankHashes.constEnd() && (q.textHash.isEmpty() || *it == q.textHash);
}
} // namespace

std::vector<DueQuestion> questionsToRepeat(std::vector<DueQuestion> scheduled,
                                           const QHash<QString, QString> &bankHashes, const QDate &today, int limit)
{
    std::erase_if(scheduled, [&](const DueQuestion &q) {
        return !q.due.isValid() || q.due.date() > today || !stillAsked(q, bankHashes);
    });
    std::stable_sort(scheduled.begin(), scheduled.end(),
                     [](const DueQuestion &a, const DueQuestion &b) { return a.due < b.due; });
    if (limit < 0)
        limit = 0;
    if (size_t(limit) < scheduled.size())
        scheduled.resize(size_t(limit));
    return scheduled;
}

QDateTime nextDue(const std::vector<DueQuestion> &scheduled, const QHash<QString, QString> &bankHashes,
                  const QDate &today)
{
    QDateTime next;
    for (const DueQuestion &q : scheduled)
        if (q.due.isValid() && q.due.date() > today && stillAsked(q, bankHashes) && (!next.isValid() || q.due < next))
            next = q.due;
    return next;
}

namespace
{
QString questionCount(int n)
{
    static const char *const word[] = {"вопрос", "вопроса", "вопросов"};
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(word[pluralForm(n)]));
}
} // namespace

QString repeatTodayText(int n)
{
    return QStringLiteral("Повторить сегодня: ") + questionCount(n);
}

QString reviewProgressText(int shown, int asked)
{
    return QStringLiteral("Работа над ошибками: вопрос %1 из %2").arg(shown).arg(asked);
}

QDate reviewComesBack(const std::vector<QuestionResult> &questions, int asked, const QDateTime &end)
{
    int answered = 0;
    QDate back;
    auto earlier = [&back](const QDate &d) {
        if (!back.isValid() || d < back)
            back = d;
    };
    for (const QuestionResult &q : questions) {
        if (!q.answered)
            continue;
        ++answered;
        // The schedule's own rule for a wrong answer, whatever the memory before it.
        if (!q.right)
            earlier(afterAnswer({}, {end, false, false, {}}).due.date());
    }
    if (answered < asked)
        earlier(end.date()); // left unanswered: still due
    return back;
}

QString reviewOutcomeText(int corrected, int asked, const QDate &back)
{
    const QString done = QStringLiteral("Исправлено %1 из %2.").arg(corrected).arg(asked);
    const int left = asked - corrected;
    if (left <= 0 || !back.isValid())
        return done;
    return done + QStringLiteral(" %1 %2 %3.")
                      .arg(questionCount(left),
                           pluralForm(left) == 0 ? QStringLiteral("вернётся") : QStringLiteral("вернутся"),
                           back.toString(QStringLiteral("dd.MM.yyyy")));
}
