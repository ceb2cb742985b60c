// The main window's answering aids, modes and question times: each hands the
// run what the pupil did and paints what came of it.
#include "Desktop.h"
#include "MainWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>

namespace
{
const QString defaultPupil = QStringLiteral("Иванов И.И. 9 Г");
} // namespace

void MainWindow::connectAids()
{
    // The panes' own controls are connected as they are made (MainWindowPanes.cpp).
    connect(Fifti, &QPushButton::clicked, this, &MainWindow::FiftiClick);
    connect(Otlogit, &QPushButton::clicked, this, &MainWindow::OtlogitClick);
    connect(Powtorit1, &QPushButton::clicked, this, &MainWindow::Powtorit1Click);
    connect(N5, &QAction::triggered, this, &MainWindow::N5Click);
    connect(Regim, &QListWidget::itemChanged, this,
            [this](QListWidgetItem *item) { RegimClickCheck(Regim->row(item)); });
    connect(WremaZadat, &QPushButton::clicked, this, &MainWindow::WremaZadatClick);
    connect(N19, &QAction::triggered, this, &MainWindow::N20Click);
    connect(N20, &QAction::triggered, this, &MainWindow::N20Click);
}

// ---- matching rows ----

void MainWindow::SootTabMouseDown(int row)
{
    if (row > 0 && row < m_run.Soot().rowCount())
        NStr->setText(QString::number(row));
}

void MainWindow::WidimSootMouseDown(int row)
{
    if (row > 0 && row < m_run.Widim().rowCount())
        NStr->setText(QString::number(row));
}

void MainWindow::WWerhClick()
{
    try {
        NStr->setText(m_run.rowUp(NStr->text()));
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}

void MainWindow::WnizClick()
{
    try {
        NStr->setText(m_run.rowDown(NStr->text()));
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}

void MainWindow::moveGridRow(QTableView *grid, int step)
{
    QPushButton *button = step < 0 ? WWerh : Wniz;
    const QModelIndex at = grid->currentIndex();
    if (!button->isEnabled() || !button->isVisible() || !at.isValid())
        return;
    NStr->setText(QString::number(at.row() + 1)); // the grid's first data row is row 1 of the run's table
    if (step < 0)
        WWerhClick();
    else
        WnizClick();
    // The focus goes with the row, so that the next key moves it on.
    const int row = NStr->text().toInt() - 1;
    if (row >= 0 && row < grid->model()->rowCount())
        grid->setCurrentIndex(grid->model()->index(row, at.column()));
}

void MainWindow::IspravitClick()
{
    try {
        m_run.putInPlace();
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
    paintCounters();
}

void MainWindow::UbWoprClick()
{
    m_run.revealNumber();
    paintCounters();
}

// ---- hints in the other types ----

void MainWindow::PlusSimClick()
{
    if (const auto right = m_run.hintExact(OdinOt->text()))
        OdinOt->setText(*right);
    paintCounters();
}

void MainWindow::FiftiClick()
{
    const auto row = m_run.removeAnError(rankingNumbers());
    if (row && trimmed(m_run.typeText()) == answerTypeText(AnswerType::Ranking))
        NomOtw[size_t(*row - 1)]->setText(m_run.PrawKody().value(*row - 1));
    paint();
}

// ---- putting off and repeating ----

void MainWindow::OtlogitClick()
{
    m_run.putOff(secondsOfDay());
    paint();
}

void MainWindow::Powtorit1Click()
{
    m_run.repeat(secondsOfDay());
    paint();
}

// ---- the options table behind the access code ----

void MainWindow::N5Click()
{
    const QString reply =
        desktop().input(QStringLiteral("А оно Вам надо"), QStringLiteral("Ты кто?"), QStringLiteral("Ты кто?"));
    if (m_run.revealOptionsTable(reply))
        paintAnswerArea();
}

// ---- modes and times ----

void MainWindow::RegimClickCheck(int item)
{
    const bool ticked = Regim->item(item)->checkState() == Qt::Checked;
    switch (item) {
    case 0:
        m_run.setPrompting(ticked);
        break;
    case 1:
        m_run.modes().random = !ticked;
        break;
    case 2:
        m_run.setProtocol(ticked, ticked ? desktop().input(QStringLiteral("Идентификационная информация"),
                                                           QStringLiteral("Как Вас называть?"), defaultPupil)
                                         : QString());
        break;
    default:
        break;
    }
    paintControls();
}

void MainWindow::WremaZadatClick()
{
    N20Click();
}

void MainWindow::N20Click()
{
    Glo &g = glo();
    if (!isAdmin(g.KodDostupa)) {
        desktop().message(QStringLiteral(" И для начальника. Увы!"), QString(), Desktop::Icon::Warning);
        return;
    }
    try {
        g.SekWopr = toIntOrThrow(trimmed(WoprSek->text()));
        m_run.setQuestionLimit(g.SekWopr);
        g.SekOtw = toIntOrThrow(trimmed(OtwSek->text()));
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
    showClocks();
}
