// The main window's part of «Класс сейчас»: on a PC of a school, every
// change of the run (and of who is logged in) goes to the school's server
// for the teacher's view; the administrator opens that view here.
#include "ClassNowWindow.h"
#include "MainWindow.h"
#include "access.h"
#include "banktables.h"
#include "pcstatus.h"
#include "programstate.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QSysInfo>
#include <QTimer>

void MainWindow::startLive(const JournalSettings &settings)
{
    if (!KlassSeichasItem) {
        // In «Сервис», beside the pupils' accounts: «Журнал» is an action of its own, not a menu.
        KlassSeichasItem = new QAction(QStringLiteral("&Класс сейчас"), this);
        KlassSeichasItem->setObjectName(QStringLiteral("KlassSeichasItem"));
        N3->menu()->insertAction(N5, KlassSeichasItem);
        connect(KlassSeichasItem, &QAction::triggered, this, &MainWindow::KlassSeichasClick);
        // A log-in or a run changed without a repaint is noticed within a tick.
        connect(m_tick, &QTimer::timeout, this, &MainWindow::feedLive);
    }
    KlassSeichasItem->setVisible(settings.school);
    m_live.reset();
    if (settings.school && settings.engine == JournalSettings::Engine::Server)
        m_live = std::make_unique<StatusSender>(settings, QSysInfo::machineHostName());
}

void MainWindow::feedLive()
{
    if (!m_live)
        return;
    PcStatus status = pcStatusOf(m_run);
    if (m_schoolPupil)
        status.token = m_schoolPupil->token;
    m_live->report(status); // the same status as before is not sent again
}

void MainWindow::KlassSeichasClick()
{
    if (!isAdmin(glo().KodDostupa))
        return;
    const std::optional<JournalSettings> teacher = teacherSettings();
    if (!teacher)
        return;
    auto *w = new ClassNowWindow(*teacher, this);
    w->setAttribute(Qt::WA_DeleteOnClose);
    // A controlled test is drawn from the subject chosen here, as it stands when it starts.
    w->setLessonSubject([this] {
        LessonSubject s;
        s.name = PredmetName->currentText();
        s.folder = subjectFolder();
        const StringTable &topics = tables().TemaTabl;
        for (int r = 1; r < topics.rowCount(); ++r)
            if (!topics.cell(2, r).trimmed().isEmpty())
                s.topics.append({topics.cell(0, r), topics.cell(1, r), topics.cell(2, r)});
        const Glo &g = glo();
        s.grades = {g.TriProc, g.ChetProc, g.PaytProc};
        return s;
    });
    showWindow(w);
}
