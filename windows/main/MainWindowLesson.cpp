// The main window in a controlled test the teacher started from «Класс
// сейчас»: the test comes to the logged-in pupil of the class by itself, runs
// without hints in the server's time, and every answer is judged on the
// school's server, which alone holds the keys. A lost network loses nothing:
// the answers wait on this PC and go when the server is back.
#include "Desktop.h"
#include "MainWindow.h"
#include "banktables.h"
#include "installfolder.h"
#include "journal.h"
#include "lessonrun.h"
#include "programstate.h"
#include "text.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

namespace
{
// While no test runs, the server is asked this often whether the teacher started one.
constexpr int lessonPollMs = 10000;

QString timeLeft(qint64 seconds)
{
    seconds = std::max<qint64>(seconds, 0);
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

void MainWindow::startLessons()
{
    m_lessonNow.reset();
    m_lessonsDone.clear();
    m_lessonService.reset();
    if (!m_schoolPupil)
        return;
    m_lessonService = std::make_unique<LessonService>(m_journal->settings(), m_schoolPupil->token,
                                                      installPath(QStringLiteral("Baza/lesson-answers.sqlite")));
    connect(m_lessonService.get(), &LessonService::checked, this, &MainWindow::lessonChecked);
    connect(m_lessonService.get(), &LessonService::answered, this, &MainWindow::lessonAnswered);
    connect(m_lessonService.get(), &LessonService::finished, this, &MainWindow::lessonFinished);
    connect(m_lessonService.get(), &LessonService::queueSent, this, &MainWindow::lessonQueueSent);
    if (!m_lessonTimer) {
        m_lessonTimer = new QTimer(this);
        m_lessonTimer->setInterval(lessonPollMs);
        connect(m_lessonTimer, &QTimer::timeout, this, [this] {
            if (!m_lessonService)
                return;
            if (m_lessonNow && m_lessonNow->waiting > 0)
                m_lessonService->sendQueued();
            else if (m_lessonNow && m_lessonNow->ended && !m_lessonNow->finished)
                m_lessonService->finish(m_lessonNow->id); // the server was away at the end
            else if (!m_run.running())
                m_lessonService->check();
        });
    }
    m_lessonTimer->start();
    m_lessonService->check();
}

void MainWindow::lessonChecked(const LessonOffer &offer)
{
    if (offer.reply.call == LessonCall::Expired) {
        tell(offer.reply.message);
        return;
    }
    if (!offer.lesson || m_run.running() || m_lessonsDone.contains(offer.lesson->id) || offer.questions.empty())
        return;
    const CurrentLesson &lesson = *offer.lesson;
    if (lesson.secondsLeft <= 0)
        return;
    // The subject's own folder gives the questions' pictures and topics' names.
    if (const int at = PredmetName->findText(lesson.subject); at >= 0 && at != PredmetName->currentIndex()) {
        PredmetName->setCurrentIndex(at);
        PredmetNameClick();
    }
    const LessonRunData data = lessonRunData(offer.questions);
    const int now = secondsOfDay();
    LessonNow l;
    l.id = lesson.id;
    l.ends = QDateTime::currentDateTime().addSecs(lesson.secondsLeft);
    for (const ShownQuestion &q : offer.questions)
        l.positions.push_back(q.position);
    l.prompting = m_run.modes().prompting;
    m_lessonNow = l;
    // The mode list says what the test is: no hints (its change sets the run's mode).
    Regim->item(0)->setCheckState(Qt::Unchecked);
    setRunIdentity(lesson.exam);
    m_run.begin(RunSource::Lesson, now);
    m_run.setTopics(tables().TemaTabl);
    m_run.startLesson(data.questions, data.options, now);
    tell(QStringLiteral("Учитель начал контрольную работу: %1, %2. Подсказок нет; время — до %3.")
             .arg(lesson.subject, lesson.exam ? QStringLiteral("весь предмет") : lesson.topic,
                  l.ends.toString(QStringLiteral("HH:mm"))));
    paint();
    lessonTick();
    focusFirstAnswer();
}

void MainWindow::lessonAnswer(const GivenAnswer &given)
{
    if (!m_lessonNow || m_lessonNow->awaiting || !m_lessonService)
        return;
    const int n = m_run.NWopr();
    if (n < 1 || size_t(n) > m_lessonNow->positions.size())
        return;
    m_lessonNow->awaiting = true;
    m_lessonNow->given = given;
    Itog1->setEnabled(false); // until the server has judged it
    m_lessonService->answer(m_lessonNow->id, m_lessonNow->positions[size_t(n - 1)], m_run.givenText(given));
}

void MainWindow::lessonAnswered(int position, const AnswerOutcome &outcome)
{
    Q_UNUSED(position);
    if (!m_lessonNow || !m_lessonNow->awaiting)
        return;
    m_lessonNow->awaiting = false;
    const int now = secondsOfDay();
    switch (outcome.status) {
    case AnswerOutcome::Status::Judged:
        m_run.answerJudged(m_lessonNow->given, outcome.points, outcome.right, now);
        break;
    case AnswerOutcome::Status::Queued:
        // The pupil goes on; the server judges the answer when it is back.
        ++m_lessonNow->waiting;
        m_run.answerJudged(m_lessonNow->given, 0, false, now);
        tellJournal(QStringLiteral("Нет связи с сервером школы: ответы сохранены на этом компьютере и будут "
                                   "отправлены, когда связь вернётся (ждут: %1)")
                        .arg(m_lessonNow->waiting),
                    outcome.message);
        break;
    case AnswerOutcome::Status::Late:
        endLesson(QStringLiteral("Время контрольной работы истекло: ответ не принят."));
        return;
    case AnswerOutcome::Status::Refused:
        m_run.answerJudged(m_lessonNow->given, 0, false, now);
        tell(outcome.message);
        break;
    }
    paint();
    if (!m_run.running())
        endLesson({});
}

void MainWindow::lessonQueueSent(int waiting)
{
    if (!m_lessonNow)
        return;
    m_lessonNow->waiting = std::max(waiting, 0);
    if (m_lessonNow->waiting == 0 && !m_journalNotice.isEmpty() && Izveshenie->text() == m_journalNotice) {
        tell(QStringLiteral("Связь с сервером школы восстановлена: все ответы отправлены."));
        m_journalNotice.clear();
    }
    if (m_lessonNow->ended && m_lessonNow->waiting == 0 && m_lessonService)
        m_lessonService->finish(m_lessonNow->id);
}

void MainWindow::lessonTick()
{
    if (!m_lessonNow || m_lessonNow->ended || !m_run.lesson())
        return;
    const qint64 left = QDateTime::currentDateTime().secsTo(m_lessonNow->ends);
    if (m_run.running()) {
        const QString line = m_run.modeLine() + QStringLiteral(", осталось ") + timeLeft(left);
        if (RegimOshibok->text() != line)
            RegimOshibok->setText(line);
    }
    if (left <= 0 && m_run.running() && !m_lessonNow->awaiting)
        endLesson(QStringLiteral("Время контрольной работы истекло."));
}

void MainWindow::endLesson(const QString &why)
{
    if (!m_lessonNow || m_lessonNow->ended)
        return;
    m_lessonNow->ended = true;
    m_lessonsDone.insert(m_lessonNow->id);
    if (m_run.running())
        m_run.stop(secondsOfDay());
    Regim->item(0)->setCheckState(m_lessonNow->prompting ? Qt::Checked : Qt::Unchecked);
    paint();
    if (!why.isEmpty())
        tell(why);
    if (m_lessonService)
        m_lessonService->finish(m_lessonNow->id); // answers still waiting go first
}

void MainWindow::lessonFinished(const LessonEnd &end)
{
    if (!m_lessonNow)
        return;
    if (!end.totals) {
        if (m_lessonNow->waiting > 0 || end.reply.call == LessonCall::Unreachable)
            tellJournal(QStringLiteral("Контрольная работа окончена; итог придёт, когда вернётся связь с сервером "
                                       "школы"),
                        end.reply.message + QStringLiteral("\n\n") + end.reply.details);
        else
            tell(end.reply.message);
        return;
    }
    const LessonTotals &t = *end.totals;
    m_lessonNow->waiting = 0;
    m_lessonNow->finished = true;
    WoprosM->setPlainText(QStringLiteral("Контрольная работа окончена.\nОтвечено вопросов: %1 из %2.\nБаллы: %3 из %4."
                                         "\nОценка: %5.")
                              .arg(t.answered)
                              .arg(t.questions)
                              .arg(t.points)
                              .arg(t.pointsPossible)
                              .arg(t.grade.isEmpty() ? QStringLiteral("—") : t.grade));
}
