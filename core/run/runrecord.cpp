// What a run tells the results journal: the run as a whole and every
// question it showed, with the time and hints spent on it.
#include "programstate.h"
#include "review.h"
#include "runmodel.h"

#include <QSysInfo>

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
        m_questionResults.push_back(q);
        it = m_resultOfKey.insert(key, int(m_questionResults.size()) - 1);
    }
    m_onScreen = *it;
    m_shownAt = now;
    m_hintsAtShow = m_podskazano;
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
    r.userCode = trimmed(m_identity.userCode);
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
    r.questions = m_questionResults;
    return r;
}
