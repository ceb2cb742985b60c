// The main window's part for the banks published on the school's server:
// fetched off the window's thread once the window runs (quietly: a line in
// the status, never a box) and on «Файл → Обновить банки», which also asks
// before a subject folder with edits never published is replaced.
#include "Desktop.h"
#include "MainWindow.h"
#include "OffThread.h"
#include "bankpublish.h"
#include "errors.h"
#include "installfolder.h"
#include "programstate.h"
#include "subjects.h"

#include <QAction>
#include <QComboBox>
#include <QSignalBlocker>

#include <algorithm>

namespace
{
// The PC's own settings for its school's server; nothing on a PC of none.
std::optional<JournalSettings> schoolServer()
{
    const JournalSettings s = JournalSettings::load();
    if (s.engine != JournalSettings::Engine::Server || !s.school)
        return std::nullopt;
    return s;
}

QString localEditsQuestion(const QString &subject)
{
    return QStringLiteral("В папке предмета «%1» есть изменения, которые не опубликованы на сервере школы.\n\n"
                          "Заменить банк этого компьютера опубликованной версией? Изменения будут потеряны. "
                          "Если они нужны, ответьте «Нет» и опубликуйте их из редактора.")
        .arg(subject);
}
} // namespace

void MainWindow::fetchBanksAtStart()
{
    const bool school = schoolServer().has_value();
    ObnovitBanki->setVisible(school);
    if (school)
        fetchPublishedBanks(true);
}

void MainWindow::ObnovitBankiClick()
{
    if (!schoolServer()) {
        desktop().message(QStringLiteral("Этот компьютер не подключён к серверу школы: банки обновлять неоткуда."),
                          QStringLiteral("Обновить банки"), Desktop::Icon::Information);
        return;
    }
    if (running()) {
        desktop().message(QStringLiteral("Банки обновляются, когда не идёт работа с вопросами: закончите её."),
                          QStringLiteral("Обновить банки"), Desktop::Icon::Information);
        return;
    }
    fetchPublishedBanks(false);
}

void MainWindow::fetchPublishedBanks(bool quiet)
{
    const std::optional<JournalSettings> server = schoolServer();
    if (!server || m_fetchingBanks)
        return;
    m_fetchingBanks = true;
    ObnovitBanki->setEnabled(false);
    if (!quiet)
        tell(QStringLiteral("Банки вопросов обновляются с сервера школы…"));
    offThread<BankFetch>(
        this, [s = *server] { return fetchBanks(s); },
        [this, quiet](const BankFetch &fetched) {
            m_fetchingBanks = false;
            ObnovitBanki->setEnabled(true);
            showFetchedBanks(fetched, quiet);
        });
}

void MainWindow::showFetchedBanks(const BankFetch &fetched, bool quiet)
{
    BankFetch shown = fetched;
    // Asked one by one, and only when the user asked for the fetch.
    if (!quiet)
        for (FetchedSubject &s : shown.subjects) {
            if (s.state != FetchedSubject::State::LocalEdits ||
                desktop().ask(localEditsQuestion(s.subject), QStringLiteral("Обновить банки")) != Desktop::Answer::Yes)
                continue;
            const JournalSettings server = *schoolServer();
            const QString subject = s.subject;
            s = waitOffThread<FetchedSubject>([server, subject] { return replaceWithPublished(server, subject); });
        }
    // The subject list and the current subject's bank as they are now.
    if (shown.changedAnything() && !running()) {
        try {
            const QString current = PredmetName->currentText();
            const auto subjects =
                openSubjects(RecordFile(installPath(QStringLiteral("Baza/Papka.dat")), PapkaRec::Size));
            const QSignalBlocker still(PredmetName);
            PredmetName->clear();
            for (const PapkaRec &r : subjects)
                PredmetName->addItem(r.Nazwan);
            const int at = PredmetName->findText(current);
            PredmetName->setCurrentIndex(at >= 0 ? at : 0);
            if (glo().TekPapka.isEmpty() && !subjects.empty())
                chooseSubjectFolder(subjects.front());
        } catch (const TrivoError &e) {
            tell(e.text());
            return;
        }
        FormActivate();
    }
    const QString summary = shown.summary();
    if (!quiet) {
        tell({});
        desktop().message(summary, QStringLiteral("Обновить банки"),
                          shown.error.isEmpty() ? Desktop::Icon::Information : Desktop::Icon::Warning);
        return;
    }
    if (!shown.error.isEmpty())
        tell(QStringLiteral("Банки вопросов не обновлены: ") + shown.error);
    else if (std::any_of(shown.subjects.begin(), shown.subjects.end(),
                         [](const FetchedSubject &s) { return s.state != FetchedSubject::State::UpToDate; }))
        tell(summary + (shown.withLocalEdits().isEmpty()
                            ? QString()
                            : QStringLiteral(" Заменить их можно командой «Файл → Обновить банки».")));
}
