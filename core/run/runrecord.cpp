// What a run tells the results journal: the run as a whole and every
// question it showed, with the time and hints spent on it.
#include "programstate.h"
#include "review.h"
#include "runmodel.h"

#include "checking.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>

#include <cstdio>

void RunModel::trackShown(int now)
{
    const QString key = m_questionKey;
    auto it = m_resultOfKey.constFind(key);
    if (it == m_resultOfKey.constEnd()) {
        QuestionResult q;
        q.key = key;
        q.answerType = trimmed(m_typeText);
        q.pointsPossible = trimmed(m_tekBal).toInt(); // points that are no number count nothing
        q.textHash = questionTextHash(m_wop.cell(4, m_wop.currentRow()));
        q.text = trimmed(m_questionText).left(keptTextLength);
        q.topic = m_questionTopic.isEmpty() ? m_identity.topic : m_questionTopic;
        m_questionResults.push_back(q);
        it = m_resultOfKey.insert(key, int(m_questionResults.size()) - 1);
    }
    m_onScreen = *it;
    noteAnswer({}, false); // the right answer, also for a question left unanswered
    m_shownAt = now;
    m_hintsAtShow = m_podskazano;
}

namespace
{
QString line(const QString &option, const QString &number)
{
    return trimmed(option) + QStringLiteral(" — ") + trimmed(number);
}

QString lines(const QStringList &l)
{
    return l.join(u'\n').left(RunModel::keptTextLength);
}
} // namespace

QString newRunId(const QDateTime &started)
{
    const quint64 ms = quint64(started.toMSecsSinceEpoch()) & 0xFFFF'FFFF'FFFFULL;
    const quint64 a = QRandomGenerator::global()->generate64(), b = QRandomGenerator::global()->generate64();
    char text[40];
    std::snprintf(text, sizeof text, "%08llx-%04llx-7%03llx-%04llx-%012llx", (unsigned long long)(ms >> 16),
                  (unsigned long long)(ms & 0xFFFF), (unsigned long long)(a & 0xFFF),
                  (unsigned long long)(0x8000 | (b >> 50)), (unsigned long long)(b & 0xFFFF'FFFF'FFFFULL));
    return QString::fromLatin1(text);
}

bool looksLikeClass(const QString &name)
{
    static const QRegularExpression form(QStringLiteral("^(1[01]|[1-9])\\s*-?\\s*\\p{L}?$"),
                                         QRegularExpression::UseUnicodePropertiesOption);
    return form.match(trimmed(name)).hasMatch();
}

QString RunModel::givenText(const GivenAnswer &given) const
{
    QStringList gave, right;
    answerLines(given, gave, right);
    return lines(gave);
}

void RunModel::noteAnswer(const GivenAnswer &given, bool answered)
{
    if (m_onScreen < 0)
        return;
    QStringList gave, right;
    answerLines(given, gave, right);
    QuestionResult &q = m_questionResults[size_t(m_onScreen)];
    if (answered)
        q.given = lines(gave);
    // A lesson's PC does not know the right answer: the server does.
    if (!lesson())
        q.rightAnswer = lines(right);
}

void RunModel::answerLines(const GivenAnswer &given, QStringList &gave, QStringList &right) const
{
    const QString type = trimmed(m_typeText);
    const int n = m_otwTek.rowCount() - 1;
    if (type == answerTypeText(AnswerType::Exact)) {
        gave << trimmed(given.typed);
        right << trimmed(m_otwTek.cell(6, 1));
    } else if (type == answerTypeText(AnswerType::Ticks)) {
        for (int i = 1; i <= n; ++i) {
            const QString option = trimmed(m_otwTek.cell(6, i));
            if (size_t(i - 1) < given.ticks.size() && given.ticks[size_t(i - 1)])
                gave << option;
            if (trimmed(m_otwTek.cell(5, i)) == u"+")
                right << option;
        }
    } else if (type == answerTypeText(AnswerType::Ranking)) {
        for (int i = 1; i <= n; ++i) {
            gave << line(m_otwTek.cell(6, i), given.numbers.value(i - 1));
            right << line(m_otwTek.cell(6, i), m_prawKody.value(i - 1));
        }
    } else if (type == answerTypeText(AnswerType::Matching)) {
        // Each left item with the right item placed beside it; the right
        // pairing joins the items of the same label.
        const int rows = std::min(m_kolPlus, m_soot.rowCount() - 1);
        for (int r = 1; r <= rows; ++r) {
            gave << line(m_soot.cell(1, r), m_soot.cell(2, r));
            for (int s = 1; s <= rows; ++s)
                if (m_soot.cell(3, s) == m_soot.cell(0, r))
                    right << line(m_soot.cell(1, r), m_soot.cell(2, s));
        }
    } else if (type == answerTypeText(AnswerType::Classification)) {
        const int rows = std::min(m_kolPlus, m_soot.rowCount() - 1);
        for (int r = 1; r <= rows; ++r) {
            gave << line(m_soot.cell(2, r), given.numbers.value(r - 1));
            right << line(m_soot.cell(2, r), m_prawKody.value(r - 1));
        }
    }
}

void RunModel::trackLeft(int now, bool answered, int earned, bool right)
{
    QuestionResult &q = m_questionResults[size_t(m_onScreen)];
    const int spent = now - m_shownAt;
    q.seconds += spent < 0 ? spent + 86400 : spent; // across midnight
    q.hints += m_podskazano - m_hintsAtShow;
    if (answered) {
        q.answered = true;
        q.pointsEarned += earned;
        q.right = q.right || right;
    }
    m_onScreen = -1;
}

QString RunModel::pupil() const
{
    QString name = trimmed(m_identity.typedName);
    if (name.isEmpty() && m_modes.protocol)
        name = trimmed(m_modes.pupil);
    if (name.isEmpty())
        name = trimmed(m_identity.user);
    return name;
}

RunResult RunModel::result() const
{
    RunResult r;
    r.id = m_resultId;
    r.pupil = pupil();
    r.className = trimmed(m_identity.typedClass);
    // A class may share one account («9А»), each pupil giving a name of their own.
    if (r.className.isEmpty() && !trimmed(m_identity.typedName).isEmpty() && looksLikeClass(m_identity.user))
        r.className = trimmed(m_identity.user);
    r.userCode = trimmed(m_identity.userCode);
    r.session = m_identity.session;
    r.access = m_identity.access;
    r.host = QSysInfo::machineHostName();
    r.subject = m_identity.subject;
    r.topic = m_exam                          ? QStringLiteral("Экзамен по всему предмету")
              : m_source == RunSource::Review ? reviewTopic
                                              : m_identity.topic;
    r.started = m_started;
    r.seconds = m_secondsSpent;
    r.prompting = hints();
    r.randomOrder = m_modes.random;
    r.protocol = m_modes.protocol;
    r.exam = m_exam;
    r.asked = m_kWopr;
    for (const QuestionResult &q : m_questionResults)
        r.answered += q.answered ? 1 : 0;
    r.right = m_werWop;
    r.putOff = int(m_putOffKeys.size());
    r.pointsPossible = m_wseBal;
    r.pointsEarned = m_werBal;
    r.grade = m_ocenka;
    r.runningGrade = m_tekOcenka;
    r.hints = m_podskazano;
    r.practice = m_source == RunSource::Review;
    r.questions = m_questionResults;
    return r;
}
