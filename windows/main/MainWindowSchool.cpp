// The main window on a PC of a school whose server keeps the accounts: a
// pupil logs in with their own code, the journal is read with a teacher's
// own log-in, and a pupil sees only their own runs.
#include "Desktop.h"
#include "JournalWindow.h"
#include "MainWindow.h"
#include "OffThread.h"
#include "OwnResultsWindow.h"
#include "PupilAccountsWindow.h"
#include "access.h"
#include "journal.h"
#include "journalservice.h"
#include "programstate.h"
#include "pupillogin.h"
#include "text.h"

#include <QApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QSysInfo>

namespace
{
const QString serverCaption = QStringLiteral("Сервер школы");
} // namespace

std::optional<JournalSettings> MainWindow::teacherSettings()
{
    const JournalSettings &pc = m_journal->settings();
    if (!pc.school)
        return std::nullopt;
    if (m_teacher)
        return asTeacher(pc, *m_teacher);
    const std::optional<TeacherLogin> kept = keptTeacherLogin(pc);
    if (kept && !kept->password.isEmpty())
        return asTeacher(pc, *kept);
    const QString login = trimmed(desktop().input(serverCaption, QStringLiteral("Ваш логин учителя на сервере школы"),
                                                  kept ? kept->login : QString()));
    if (login.isEmpty())
        return std::nullopt;
    const std::optional<QString> password =
        desktop().password(serverCaption, QStringLiteral("Пароль учителя «%1» на сервере школы").arg(login));
    if (!password || password->isEmpty())
        return std::nullopt;
    const Desktop::Answer keep = desktop().ask(
        QStringLiteral("Запомнить пароль на этом компьютере? Он будет храниться в папке Вашей учётной записи "
                       "(%1), и прочитать его сможет только она. Не запоминайте его на компьютере, за которым "
                       "работают ученики.")
            .arg(teacherKeepFolder()),
        serverCaption);
    if (keep == Desktop::Answer::Cancel)
        return std::nullopt;
    m_teacher = TeacherLogin{login, *password};
    if (const QString problem = keepTeacherLogin(pc, *m_teacher, keep == Desktop::Answer::Yes); !problem.isEmpty())
        desktop().error(problem);
    return asTeacher(pc, *m_teacher);
}

bool MainWindow::schoolLogin(const QString &typed, bool &handled)
{
    handled = false;
    const QString code = trimmed(typed).left(6);
    if (!m_journal->settings().school || !QRegularExpression(QStringLiteral("^[0-9]{6}$")).match(code).hasMatch())
        return false;
    const JournalSettings settings = m_journal->settings();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const PupilLogin answer =
        waitOffThread<PupilLogin>([settings, code] { return logInPupil(settings, code, QSysInfo::machineHostName()); });
    QApplication::restoreOverrideCursor();
    switch (answer.status) {
    case PupilLogin::Status::Granted:
        break;
    case PupilLogin::Status::Wait:
        handled = true;
        desktop().message(answer.message, serverCaption, Desktop::Icon::Warning);
        return false;
    case PupilLogin::Status::Unknown:
        return false; // perhaps one of this PC's own users
    case PupilLogin::Status::Unreachable:
        // The PC's own users still log in; a pupil's code waits for the server.
        tell(QStringLiteral("Сервер школы не отвечает: вход по коду ученика сейчас невозможен"));
        Izveshenie->setToolTip(answer.message);
        return false;
    }
    m_schoolPupil = SchoolPupil{answer.token, answer.fio, answer.className};
    m_teacher.reset();
    m_askedName.clear();
    m_askedClass.clear();
    glo().KodDostupa = QStringLiteral("W");
    glo().userRow = -1;
    applyRights(false);
    tell(QStringLiteral("Здравствуйте, %1 (%2)!").arg(answer.fio, answer.className));
    askDueCount();
    startLessons(); // a test the teacher started for the class comes at once
    return true;
}

void MainWindow::schoolJournal()
{
    if (isAdmin(glo().KodDostupa)) {
        const std::optional<JournalSettings> teacher = teacherSettings();
        if (!teacher)
            return;
        // The window reads with the log-in it was made with.
        if (Zhurnal && m_journalUser != teacher->user) {
            delete Zhurnal;
            Zhurnal = nullptr;
        }
        m_journalUser = teacher->user;
        if (!Zhurnal) {
            Zhurnal = new JournalWindow(*teacher, this);
            connect(Zhurnal, &JournalWindow::editQuestion, this, &MainWindow::editQuestion);
        }
        m_journalService->deliverOutbox();
        Zhurnal->openFor(QString(), QString());
        showWindow(Zhurnal);
        return;
    }
    if (!m_schoolPupil) {
        desktop().message(QStringLiteral("На компьютерах школы свои результаты видит ученик, вошедший со своим "
                                         "кодом; весь журнал открывает учитель."),
                          QStringLiteral("Журнал результатов"), Desktop::Icon::Information);
        return;
    }
    auto *own = new OwnResultsWindow(m_journal->settings(), m_schoolPupil->token,
                                     QStringLiteral("%1, %2").arg(m_schoolPupil->fio, m_schoolPupil->className), this);
    own->setAttribute(Qt::WA_DeleteOnClose);
    showWindow(own);
}

void MainWindow::UchenikiClick()
{
    if (!isAdmin(glo().KodDostupa))
        return;
    const std::optional<JournalSettings> teacher = teacherSettings();
    if (!teacher)
        return;
    auto *w = new PupilAccountsWindow(*teacher, this);
    w->setAttribute(Qt::WA_DeleteOnClose);
    showWindow(w);
}
