// «Работа над ошибками»: the pupil's mistakes due today come back as a run,
// and after the log-in the quiet line says how many wait. The journal's
// thread reads what is scheduled; the window never waits for it.
#include "Desktop.h"
#include "MainWindow.h"
#include "banktables.h"
#include "journal.h"
#include "journalservice.h"
#include "review.h"
#include "text.h"

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QFrame>
#include <QLabel>
#include <QLocale>

#include <limits>

namespace
{
const QString reviewCaption = QStringLiteral("Работа над ошибками");
} // namespace

QString MainWindow::loggedInPupil() const
{
    const Glo &g = glo();
    if (m_schoolPupil)
        return m_schoolPupil->fio;
    if (m_journal && m_journal->settings().askPupilName && !trimmed(m_askedName).isEmpty())
        return trimmed(m_askedName);
    if (g.userRow >= 0 && g.userRow < int(g.users.size()))
        return trimmed(g.users[size_t(g.userRow)].fio);
    return {};
}

void MainWindow::askDueCount()
{
    const QString pupil = loggedInPupil();
    if (!m_journal || !m_journalService || !m_journal->settings().repeatMistakes || pupil.isEmpty())
        return;
    m_journalService->listDue(pupil, PredmetName->currentText(), m_schoolPupil ? m_schoolPupil->token : QString());
}

void MainWindow::N31Click()
{
    if (m_run.running() || m_reviewAsked || !m_journal->settings().repeatMistakes)
        return;
    setRunIdentity(false);
    const QString pupil = m_run.pupil();
    if (pupil.isEmpty()) {
        desktop().message(QStringLiteral("Ошибки помнятся для каждого ученика: сначала войдите в программу."),
                          reviewCaption, Desktop::Icon::Information);
        return;
    }
    m_reviewAsked = true;
    N31->setEnabled(false); // until the journal answers
    m_journalService->listDue(pupil, PredmetName->currentText(), m_schoolPupil ? m_schoolPupil->token : QString());
}

void MainWindow::dueListed(const DueListing &listing)
{
    const bool start = std::exchange(m_reviewAsked, false);
    N31->setEnabled(m_journal->settings().repeatMistakes);
    // An answer for another subject or pupil than the window has now is old news.
    if (listing.subject != PredmetName->currentText() || listing.pupil != (start ? m_run.pupil() : loggedInPupil()))
        return;
    if (!listing.read) {
        if (start)
            desktop().detailedMessage(listing.message, reviewCaption, Desktop::Icon::Warning, listing.details);
        return; // the quiet line keeps what it says about the journal
    }
    if (m_run.running())
        return; // a run was started meanwhile
    try {
        const BankFiles bank(subjectFolder());
        const QHash<QString, QString> hashes = questionTextHashes(bank.wopros);
        const QDate today = QDate::currentDate();
        if (!start) {
            const auto due = questionsToRepeat(listing.questions, hashes, today, std::numeric_limits<int>::max());
            // What the journal said stays; the count of a while ago is brought up to date.
            const bool ours = Izveshenie->text().isEmpty() || Izveshenie->text() == m_dueNotice;
            m_dueNotice = due.empty() ? QString() : repeatTodayText(int(due.size()));
            if (ours)
                tell(m_dueNotice);
            return;
        }
        const auto due = questionsToRepeat(listing.questions, hashes, today, glo().LimitWopr);
        if (due.empty()) {
            const QDateTime next = nextDue(listing.questions, hashes, today);
            desktop().message(next.isValid()
                                  ? QStringLiteral("На сегодня повторять нечего. Следующий вопрос "
                                                   "для повторения — %1.")
                                        .arg(QLocale(QLocale::Russian).toString(next.date(), "dd.MM.yyyy"))
                                  : QStringLiteral("Повторять нечего: ошибок, которые ждут повторения, нет."),
                              reviewCaption, Desktop::Icon::Information);
            return;
        }
        QStringList keys;
        for (const DueQuestion &q : due)
            keys << q.key;
        // The counters name the run now; the count of a moment ago would only contradict them.
        if (!m_dueNotice.isEmpty() && Izveshenie->text() == m_dueNotice)
            tell({});
        const int now = secondsOfDay();
        m_run.begin(RunSource::Review, now);
        Zastavka->hide();
        m_run.showAnswerRows();
        m_run.setTopics(tables().TemaTabl);
        m_run.startReview(bank, keys, now);
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        if (m_run.running())
            m_run.abandonStart();
    }
    paint();
}
