#include "Unit4.h"
#include "Desktop.h"
#include "TableModel.h"
#include "UnitGlo.h"
#include "WidgetKit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

TNaborWopr::TNaborWopr(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("NaborWopr"));
    setWindowTitle(QStringLiteral("Задать число вопросов по каждой теме для экзамена"));
    grid.setHeaders({QStringLiteral("Предмет"), QStringLiteral("Тема"), QStringLiteral("Название"),
                     QStringLiteral("Вопросов"), QStringLiteral("Надо")});
    m_model = new StringTableModel(&grid, this);
    auto *l = new QVBoxLayout(this);
    TemWopr = namedGrid(QStringLiteral("TemWopr"), m_model);
    TemWopr->setColumnWidth(2, 420);
    TemWopr->horizontalHeader()->setStretchLastSection(true);
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
    l->addLayout(bl);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    resize(900, 520);
}

void TNaborWopr::showEvent(QShowEvent *e)
{
    FormActivate();
    QDialog::showEvent(e);
}

void TNaborWopr::FormActivate()
{
    if (glo().TekPapka.isEmpty())
        return;
    try {
        std::vector<QStringList> rows;
        for (const ExamRec &r : BankFiles(installPath(glo().TekPapka)).exam.readAll<ExamRec>())
            rows.push_back({r.Predm, r.Tema, r.Nazwan, r.Woprosov, r.Nado});
        grid.setDataRows(std::move(rows));
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}
