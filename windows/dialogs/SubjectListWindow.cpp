#include "SubjectListWindow.h"
#include "Desktop.h"
#include "ScreenFit.h"
#include "TableModel.h"
#include "WidgetKit.h"
#include "programstate.h"
#include "subjects.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace
{
RecordFile papkaFile()
{
    return RecordFile(installPath(QStringLiteral("Baza/Papka.dat")), PapkaRec::Size);
}
} // namespace

SubjectListWindow::SubjectListWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SpisPredm"));
    setWindowTitle(QStringLiteral("Список предметов"));
    grid.setHeaders({QStringLiteral("№"), QStringLiteral("Название книги"), QStringLiteral("Папка"),
                     QStringLiteral("Тем"), QStringLiteral("Вопросов"), QStringLiteral("Ответов")});
    m_model = new StringTableModel(&grid, this);
    auto *l = new QVBoxLayout(scrollingContent(this));
    Papki = namedGrid(QStringLiteral("Papki"), m_model, QStringLiteral("Предметы и их папки"));
    fitColumns(Papki, {1}, false); // the subject's name takes the room
    l->addWidget(Papki);
    auto *bl = new QHBoxLayout;
    Plus = namedButton(QStringLiteral("Plus"), QStringLiteral("+"), QStringLiteral("Добавить строку "));
    Udal = namedButton(QStringLiteral("Udal"), QStringLiteral("0"), QStringLiteral("Удалить эту строку в таблице"));
    SaveTab = namedButton(QStringLiteral("SaveTab"), QStringLiteral("Запомнить таблицу"));
    BitBtn2 = namedButton(QStringLiteral("BitBtn2"), QStringLiteral("Выход"));
    for (QPushButton *b : {Plus, Udal, SaveTab})
        bl->addWidget(b);
    bl->addStretch(1);
    bl->addWidget(BitBtn2);
    fixedFooter(this)->addLayout(bl);
    connect(Plus, &QPushButton::clicked, this, &SubjectListWindow::PlusClick);
    connect(Udal, &QPushButton::clicked, this, &SubjectListWindow::UdalClick);
    connect(SaveTab, &QPushButton::clicked, this, &SubjectListWindow::SaveTabClick);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Papki, &QTableView::pressed, this, [this](const QModelIndex &i) { PapkiMouseDown(i.row() + 1); });
    SaveTab->setDefault(true);
    keepGeometry(this, QSize(760, 420));
}

void SubjectListWindow::showEvent(QShowEvent *e)
{
    FormActivate();
    QDialog::showEvent(e);
}

void SubjectListWindow::FormActivate()
{
    try {
        std::vector<QStringList> rows;
        for (const PapkaRec &r : papkaFile().readAll<PapkaRec>())
            rows.push_back(subjectRow(r));
        grid.setDataRows(std::move(rows));
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
    m_stored.mark();
}

void SubjectListWindow::PlusClick()
{
    const int n = grid.rowCount();
    grid.setRowCount(n + 1);
    grid.setRow(n, {QString::number(n), QStringLiteral("Название нового предмета"), QStringLiteral("ImyPapki"),
                    QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1")});
}

void SubjectListWindow::PapkiMouseDown(int row)
{
    if (row >= 1 && row < grid.rowCount()) {
        grid.setCurrentRow(row);
        Udal->setText(QString::number(row));
    }
}

void SubjectListWindow::UdalClick()
{
    const int row = Papki->currentIndex().isValid() ? Papki->currentIndex().row() + 1 : grid.currentRow();
    if (row >= 1 && row < grid.rowCount())
        grid.removeRow(row);
}

void SubjectListWindow::SaveTabClick()
{
    store();
}

bool SubjectListWindow::store()
{
    std::vector<QStringList> rows;
    for (int r = 1; r < grid.rowCount(); ++r)
        rows.push_back(grid.row(r));
    try {
        storeSubjects(papkaFile(), rows);
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        return false;
    }
    m_stored.mark();
    return true;
}

void SubjectListWindow::reject()
{
    if (!m_stored.unstored() ||
        mayCloseWithEdits(this, QStringLiteral("Сохранить изменения в списке предметов?"), [this] { return store(); }))
        QDialog::reject();
}

SubjectListWindow::~SubjectListWindow()
{
    delete m_model;
}
