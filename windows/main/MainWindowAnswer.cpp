// The main window's question and answer area: the option rows, the exact
// answer, the grids, and the files a question opens beside it.
#include "Desktop.h"
#include "ExplanationWindow.h"
#include "MainWindow.h"
#include "RightAnswerWindow.h"
#include "ScreenFit.h"
#include "TableModel.h"
#include "questionfiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTableView>
#include <QTextDocument>
#include <QTextEdit>

namespace
{
// A grid gets its model the first time it is to show: connecting a view to a
// model takes longer than making all the other controls of the window.
void giveModel(QTableView *grid, StringTableModel *model, const QList<int> &textColumns)
{
    if (grid->model())
        return;
    grid->setModel(model);
    fitColumns(grid, textColumns);
}
} // namespace

void MainWindow::connectRun()
{
    connect(&m_run, &RunModel::answerAreaCleared, this, &MainWindow::clearEntries);
    connect(&m_run, &RunModel::questionShown, this, &MainWindow::showQuestion);
    connect(&m_run, &RunModel::explanationClosed, this, [this] {
        if (Teksti && Teksti->isVisible()) // one never made was never shown
            Teksti->close();
    });
    connect(&m_run, &RunModel::pictureOpened, this, [](const QString &path) { desktop().openFile(path); });
    connect(&m_run, &RunModel::explanationOpened, this, &MainWindow::showExplanation);
    connect(&m_run, &RunModel::rightOptionsShown, this, &MainWindow::showRightOptions);
    connect(&m_run, &RunModel::runEnded, this, &MainWindow::recordRun);
}

void MainWindow::clearEntries()
{
    if (OdinOt)
        OdinOt->clear();
    for (size_t i = 0; i < PtiOtw.size(); ++i) {
        PtiOtw[i]->setChecked(false);
        NomOtw[i]->clear();
        if (!TxtOtw[i]->document()->isEmpty())
            TxtOtw[i]->clear();
        TxtOtw[i]->setEnabled(true);
    }
    paintAnswerArea();
}

void MainWindow::showQuestion()
{
    // A question with more options than rows gets more rows.
    ensureAnswerRows(int(m_run.optionRows().size()));
    if (!m_run.questionTopic().isEmpty())
        WiborTema->setEditText(m_run.questionTopic());
    if (!m_run.explanationPath().isEmpty())
        explanationWindow()->setWindowTitle(QStringLiteral("Пояснения к вопросу из файла: ") + m_run.explanationPath());
    paint();
    focusFirstAnswer();
}

void MainWindow::focusFirstAnswer()
{
    // Where the pupil answers: the answer line, the first tick or number box,
    // or the first cell of the grid.
    const AnswerArea &a = m_run.answerArea();
    if (a.exact) {
        OdinOt->setFocus(Qt::OtherFocusReason);
    } else if (a.grid) {
        QTableView *grid = m_run.gridNumbersShown() ? SootTab : WidimSoot;
        grid->setFocus(Qt::OtherFocusReason);
        grid->setCurrentIndex(grid->model()->index(0, 0));
    } else if (a.rows) {
        const std::vector<OptionRow> &rows = m_run.optionRows();
        for (size_t i = 0; i < rows.size() && i < PtiOtw.size(); ++i)
            if (!rows[i].removed) {
                (rows[i].numberBox ? static_cast<QWidget *>(NomOtw[i]) : PtiOtw[i])->setFocus(Qt::OtherFocusReason);
                break;
            }
    }
}

void MainWindow::paintAnswerArea()
{
    ensurePanes();
    const AnswerArea &a = m_run.answerArea();
    OtwetiOtm->setVisible(a.rows);
    if (OdinTo4)
        OdinTo4->setVisible(a.exact);
    if (Soot) {
        if (a.grid) {
            // Labels narrow, the texts share the width and wrap.
            giveModel(SootTab, m_sootModel, {1, 2});
            giveModel(WidimSoot, m_widimModel, {0, 1});
        }
        Soot->setVisible(a.grid);
        SootTab->setVisible(m_run.gridNumbersShown());
        WidimSoot->setVisible(m_run.gridPlainShown());
    }
    if (OtwTek) {
        if (m_run.optionsTableShown())
            giveModel(OtwTek, m_otwTekModel, {6});
        OtwTek->setVisible(m_run.optionsTableShown());
    }
    notice->setText(QStringLiteral("Закройте окна с информацией к вопросу!!!"));
    notice->setVisible(m_run.noticeShown());
    if (a.rows)
        ensureAnswerRows(AnswerRows);
    const std::vector<OptionRow> &rows = m_run.optionRows();
    for (size_t i = 0; i < PtiOtw.size(); ++i) {
        const bool used = i < rows.size();
        PtiOtw[i]->setVisible(used && !rows[i].numberBox);
        NomOtw[i]->setVisible(used && rows[i].numberBox);
        TxtOtw[i]->setVisible(used && !rows[i].removed);
        if (used && TxtOtw[i]->toPlainText() != rows[i].text) {
            TxtOtw[i]->setPlainText(rows[i].text);
            // A screen reader names the tick or number box by its option; the
            // tick state it tells by itself.
            const QString option = QStringLiteral("Вариант %1: %2").arg(i + 1).arg(rows[i].text);
            PtiOtw[i]->setAccessibleName(option);
            NomOtw[i]->setAccessibleName(QStringLiteral("Номер. ") + option);
            TxtOtw[i]->setAccessibleName(option);
        }
    }
}

QStringList MainWindow::rankingNumbers() const
{
    QStringList numbers;
    for (size_t i = 0; i < m_run.optionRows().size() && i < NomOtw.size(); ++i)
        numbers << NomOtw[i]->text();
    return numbers;
}

GivenAnswer MainWindow::givenAnswer() const
{
    GivenAnswer given;
    given.typed = OdinOt ? OdinOt->text() : QString();
    for (size_t i = 0; i < m_run.optionRows().size() && i < PtiOtw.size(); ++i)
        given.ticks.push_back(PtiOtw[i]->isChecked());
    if (trimmed(m_run.typeText()) == answerTypeText(AnswerType::Classification)) {
        // The numbers are typed into the right column of the grid.
        const StringTable &soot = m_run.Soot();
        for (int r = 1; r <= m_run.KolPlus() && r < soot.rowCount(); ++r)
            given.numbers << soot.cell(3, r);
    } else {
        given.numbers = rankingNumbers();
    }
    return given;
}

void MainWindow::showRightOptions(const std::vector<int> &dimmedRows, const QString &verdict)
{
    // Training: the right options stay bright while the window says the answer was not all right.
    paint();
    for (int r : dimmedRows)
        TxtOtw[size_t(r - 1)]->setEnabled(false);
    rightAnswerWindow()->setVerdict(verdict);
    desktop().showModal(rightAnswerWindow());
    for (size_t i = 0; i < m_run.optionRows().size() && i < TxtOtw.size(); ++i)
        TxtOtw[i]->setEnabled(true);
}

void MainWindow::showExplanation(const QString &path)
{
    if (!path.endsWith(QStringLiteral("txt"))) {
        // A bank copied from elsewhere must not start a program.
        if (mayOpenFromBank(path))
            desktop().openFile(path);
        else
            desktop().message(refusedToOpenText(path), QStringLiteral("Файл не открыт"), Desktop::Icon::Warning);
        return;
    }
    QString text;
    try {
        text = readExplanation(path);
    } catch (const TrivoError &) {
        return; // a file that cannot be read is skipped like a missing one
    }
    ExplanationWindow *w = explanationWindow();
    w->Poyasnen->clear();
    w->Poyasnen->setPlainText(text);
    w->show();
}
