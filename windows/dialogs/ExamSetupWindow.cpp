#include "ExamSetupWindow.h"
#include "Desktop.h"
#include "Documents.h"
#include "ScreenFit.h"
#include "Spreadsheet.h"
#include "TableModel.h"
#include "WidgetKit.h"
#include "exam.h"
#include "programstate.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

ExamSetupWindow::ExamSetupWindow(QWidget *parent) : QDialog(parent), m_handOff(desktopHooks())
{
    setObjectName(QStringLiteral("NaborWopr"));
    setWindowTitle(QStringLiteral("Задать число вопросов по каждой теме для экзамена"));
    grid.setHeaders({QStringLiteral("Предмет"), QStringLiteral("Тема"), QStringLiteral("Название"),
                     QStringLiteral("Вопросов"), QStringLiteral("Надо")});
    m_model = new StringTableModel(&grid, this);
    auto *l = new QVBoxLayout(scrollingContent(this));
    TemWopr = namedGrid(QStringLiteral("TemWopr"), m_model, QStringLiteral("Число вопросов каждой темы в экзамене"));
    fitColumns(TemWopr, {2}, false); // the topic's name takes the room
    l->addWidget(TemWopr);
    auto *bl = new QHBoxLayout;
    Wse = namedButton(QStringLiteral("Wse"), QStringLiteral("Все вопросы"), QStringLiteral("пересчитать"));
    KolW =
        namedEdit(QStringLiteral("KolW"), QStringLiteral("Сколько вопросов брать из каждой темы"), QStringLiteral("5"));
    KolW->setMaximumWidth(60);
    Wstawit = namedButton(QStringLiteral("Wstawit"), QStringLiteral("Вставить"), QStringLiteral("во все темы"));
    Zapomn = namedButton(QStringLiteral("Zapomn"), QStringLiteral("Запомнить"));
    SpisTem = namedButton(QStringLiteral("SpisTem"), QStringLiteral("Список"), QStringLiteral("Печать списка тем"));
    BitBtn2 = namedButton(QStringLiteral("BitBtn2"), QStringLiteral("Выход"));
    Gauge1 = new QProgressBar;
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setValue(0);
    bl->addWidget(Wse);
    bl->addWidget(KolW);
    bl->addWidget(Wstawit);
    bl->addWidget(Zapomn);
    bl->addWidget(SpisTem);
    bl->addWidget(Gauge1);
    bl->addStretch(1);
    bl->addWidget(BitBtn2);
    fixedFooter(this)->addLayout(bl);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Wse, &QPushButton::clicked, this, &ExamSetupWindow::WseClick);
    connect(Wstawit, &QPushButton::clicked, this, &ExamSetupWindow::WstawitClick);
    connect(Zapomn, &QPushButton::clicked, this, &ExamSetupWindow::ZapomnClick);
    connect(SpisTem, &QPushButton::clicked, this, &ExamSetupWindow::SpisTemClick);
    Zapomn->setDefault(true);
    keepGeometry(this, QSize(900, 520));
}

void ExamSetupWindow::showEvent(QShowEvent *e)
{
    FormActivate();
    QDialog::showEvent(e);
}

std::vector<QStringList> ExamSetupWindow::rows() const
{
    std::vector<QStringList> out;
    for (int r = 1; r < grid.rowCount(); ++r)
        out.push_back(grid.row(r));
    return out;
}

void ExamSetupWindow::FormActivate()
{
    if (glo().TekPapka.isEmpty())
        return;
    try {
        grid.setDataRows(examRows(BankFiles(subjectFolder()).exam));
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}

void ExamSetupWindow::WseClick()
{
    if (glo().TekPapka.isEmpty())
        return;
    try {
        auto counted = rows();
        Gauge1->setMaximum(std::max(int(counted.size()), 1));
        countTopicQuestions(counted, BankFiles(subjectFolder()).wopros);
        grid.setDataRows(std::move(counted));
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
    Gauge1->setValue(0);
}

void ExamSetupWindow::WstawitClick()
{
    // Row by row: a count that is no number stops here, the rows above keep their new value.
    try {
        for (int r = 1; r < grid.rowCount(); ++r)
            grid.setCell(4, r, nadoFor(grid.cell(3, r), KolW->text()));
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}

void ExamSetupWindow::ZapomnClick()
{
    if (glo().TekPapka.isEmpty())
        return;
    try {
        storeExam(BankFiles(subjectFolder()).exam, rows());
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}

void ExamSetupWindow::SpisTemClick()
{
    std::vector<QStringList> lines{grid.row(0)};
    for (QStringList &r : rows())
        lines.push_back(std::move(r));
    const QString path = installPath(QStringLiteral("L_Excel.txt"));
    try {
        writeTopicList(path, lines);
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        return;
    }
    m_handOff.open(path, glo().VerOff);
}

ExamSetupWindow::~ExamSetupWindow()
{
    delete m_model;
}
