// The main window's part of the results journal: a run's result goes to the
// journal's own thread, and what it answers is told in the quiet line, never
// in a box over the pupil's question.
#include "Desktop.h"
#include "EditorWindow.h"
#include "JournalWindow.h"
#include "MainWindow.h"
#include "access.h"
#include "journal.h"
#include "journalservice.h"
#include "programstate.h"
#include "text.h"

#include <QComboBox>
#include <QLabel>

void MainWindow::startJournal()
{
    const JournalSettings settings = JournalSettings::load();
    m_journal = std::make_unique<Journal>(settings);
    if (m_journalService) {
        // What the old journal was given still goes where it was meant to,
        // on its thread, without this window waiting for it.
        JournalService *old = m_journalService.release();
        old->setParent(this);
        old->retire();
    }
    m_journalService = std::make_unique<JournalService>(settings);
    connect(m_journalService.get(), &JournalService::recorded, this, &MainWindow::journalRecorded);
    connect(m_journalService.get(), &JournalService::delivered, this,
            [this](int sent, int waiting) { journalDelivered(sent, waiting); });
    connect(m_journalService.get(), &JournalService::dueListed, this, &MainWindow::dueListed);
    // Exam days: the administrator switches the repeating of mistakes off.
    m_reviewAsked = false;
    N31->setEnabled(settings.repeatMistakes);
    pupilsItem->setVisible(settings.school);
    startLive(settings);
    m_journalService->deliverOutbox();
}

void MainWindow::recordRun(const RunResult &result)
{
    // A controlled test is kept by the server that judged it, not as this PC counted it.
    if (m_run.lesson())
        return;
    // The run is over whatever the journal says; its answer comes later.
    if (m_journalService)
        m_journalService->record(result);
}

void MainWindow::journalRecorded(const JournalOutcome &outcome)
{
    switch (outcome.how) {
    case Journal::Recorded::InJournal:
        // What waited was sent after it.
        if (!m_journalNotice.isEmpty() && Izveshenie->text() == m_journalNotice)
            tell({});
        m_journalNotice.clear();
        askDueCount(); // the run's answers change what is to repeat today
        break;
    case Journal::Recorded::InOutbox:
        tellJournal(QStringLiteral("Результат сохранён на этом компьютере и будет отправлен в журнал позже"),
                    outcome.message + QStringLiteral("\n\n") + outcome.details);
        break;
    case Journal::Recorded::Lost:
        tellJournal(outcome.message, outcome.details);
        break;
    }
}

void MainWindow::journalDelivered(int sent, int waiting)
{
    if (waiting == 0 && !m_journalNotice.isEmpty() && Izveshenie->text() == m_journalNotice) {
        tell({});
        m_journalNotice.clear();
    }
    if (sent > 0 && Zhurnal && Zhurnal->isVisible())
        Zhurnal->applyFilter(); // the results that came show up
}

void MainWindow::tellJournal(const QString &text, const QString &why)
{
    tell(text);
    m_journalNotice = text;
    if (!why.trimmed().isEmpty())
        Izveshenie->setToolTip(text + QStringLiteral("\n\n") + why.trimmed());
}

void MainWindow::ZhurnalClick()
{
    const Glo &g = glo();
    if (g.KodDostupa.isEmpty())
        return; // after the log-in: the journal shows whose runs the user may see
    if (m_journal->settings().school) {
        schoolJournal();
        return;
    }
    const bool admin = isAdmin(g.KodDostupa);
    const QString code =
        g.userRow >= 0 && g.userRow < int(g.users.size()) ? trimmed(g.users[size_t(g.userRow)].kod) : QString();
    // Pupils who share an account see the runs of the name typed at this
    // log-in; one who has typed none yet says it now.
    QString own;
    if (!admin && m_journal->settings().askPupilName) {
        if (trimmed(m_askedName).isEmpty())
            m_askedName =
                desktop().input(QStringLiteral("Журнал результатов"), QStringLiteral("Как Вас называть?"), QString());
        own = loggedInPupil();
        if (trimmed(m_askedName).isEmpty())
            return; // no name, no runs to show
    }
    // What waits is sent on the journal's thread; the window shows it when it came.
    m_journalService->deliverOutbox();
    journalWindow()->openFor(admin ? QString() : code, own);
    showWindow(Zhurnal);
}

JournalWindow *MainWindow::journalWindow()
{
    if (!Zhurnal) {
        Zhurnal = new JournalWindow(m_journal->settings(), this);
        connect(Zhurnal, &JournalWindow::editQuestion, this, &MainWindow::editQuestion);
    }
    return Zhurnal;
}

void MainWindow::editQuestion(const QString &subject, const QString &questionKey)
{
    if (!isAdmin(glo().KodDostupa))
        return;
    // The editor works on the subject chosen here: the question's, first.
    if (trimmed(glo().TekPredmet) != trimmed(subject) && !running()) {
        const int at = PredmetName->findText(subject);
        if (at < 0) {
            desktop().message(QStringLiteral("Предмета «%1» нет в списке предметов.").arg(subject),
                              QStringLiteral("Журнал результатов"), Desktop::Icon::Warning);
            return;
        }
        PredmetName->setCurrentIndex(at);
        PredmetNameClick();
    }
    editorWindow()->showQuestion(questionKey);
    editorClick();
}
