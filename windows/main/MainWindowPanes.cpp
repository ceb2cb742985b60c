// The answer area's panes: the exact answer, the matching grids and the
// answers table, each made with the first question that shows it, so that a
// window that opens on the log-in does not build them.
#include "Accessibility.h"
#include "MainWindow.h"
#include "WidgetKit.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QTableView>
#include <QTextEdit>
#include <QVBoxLayout>

namespace
{
// A grid of the answer area: its model comes when it first shows.
QTableView *grid(const QString &name)
{
    QTableView *v = namedGrid(name, nullptr);
    v->verticalHeader()->setVisible(false);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    return v;
}
} // namespace

void MainWindow::ensurePanes()
{
    const AnswerArea &a = m_run.answerArea();
    const bool exact = a.exact && !OdinTo4, matching = a.grid && !Soot, table = m_run.optionsTableShown() && !OtwTek;
    if (!exact && !matching && !table)
        return;
    if (exact)
        buildExactPane();
    if (matching)
        buildMatchingPane();
    if (table)
        buildOptionsTable();
    keepPanesTabOrder();
    nameControls(this);
    paintControls(); // the new buttons take the run's state
}

void MainWindow::placePane(QWidget *pane, int stretch)
{
    // The panes stand under the answer rows in a fixed order, whichever came first.
    int at = m_answersLayout->indexOf(OtwetiOtm) + 1;
    for (QWidget *before : {static_cast<QWidget *>(OdinTo4), static_cast<QWidget *>(Soot)}) {
        if (before == pane)
            break;
        if (before)
            at = m_answersLayout->indexOf(before) + 1;
    }
    pane->hide();
    m_answersLayout->insertWidget(at, pane, stretch);
}

void MainWindow::keepPanesTabOrder()
{
    // Made after the rest of the window, a pane would come last on Tab; its
    // controls keep their place after the answer rows' area instead.
    QWidget *previous = OtwetiOtm;
    for (QWidget *w : std::initializer_list<QWidget *>{OdinOt, PlusSim, Memo1, WidimSoot, SootTab, NStr, WWerh, Wniz,
                                                       Ispravit, UbWopr, OtwTek})
        if (w) {
            QWidget::setTabOrder(previous, w);
            previous = w;
        }
}

void MainWindow::buildExactPane()
{
    OdinTo4 = new QGroupBox(QStringLiteral("Точный ответ"));
    OdinTo4->setObjectName(QStringLiteral("OdinTo4"));
    auto *ol = new QGridLayout(OdinTo4);
    OdinOt = new QLineEdit;
    OdinOt->setObjectName(QStringLiteral("OdinOt"));
    PlusSim = namedButton(QStringLiteral("PlusSim"), QStringLiteral("+"), QStringLiteral("Подсказать один символ"));
    Memo1 = new QTextEdit;
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setPlainText(QStringLiteral("Правила ввода ответов\nФамилия\nГод  1941 (без в, с, по)\n"
                                       "Точная дата  03.09.1974 (дд,мд,гг)\nТочный период  22.06.1941-09.05.1945\n"
                                       "Век арабскими цифрами  14, 16, 20\nПериод  1845-1861\n"
                                       "Дата  09.1974 (месяц,год)\nДата  1974.09 (год,месяц)"));
    ol->addWidget(new QLabel(QStringLiteral("Ваш ответ:")), 0, 0);
    ol->addWidget(OdinOt, 0, 1);
    ol->addWidget(PlusSim, 0, 2);
    ol->addWidget(Memo1, 1, 0, 1, 3);
    placePane(OdinTo4, 1);
    connect(PlusSim, &QPushButton::clicked, this, &MainWindow::PlusSimClick);
    // Enter in the answer line answers; the keys a pupil presses again and again.
    connect(OdinOt, &QLineEdit::returnPressed, this, [this] {
        if (Itog1->isEnabled())
            Itog1Click();
    });
}

void MainWindow::buildMatchingPane()
{
    Soot = new QGroupBox(QStringLiteral("Соответствие"));
    Soot->setObjectName(QStringLiteral("Soot"));
    auto *sl = new QGridLayout(Soot);
    SootTab = grid(QStringLiteral("SootTab"));
    WidimSoot = grid(QStringLiteral("WidimSoot"));
    NStr = namedEdit(QStringLiteral("NStr"), QStringLiteral("Выбрана строка"), QStringLiteral("1"));
    NStr->setMaximumWidth(50);
    WWerh = namedButton(QStringLiteral("WWerh"), QStringLiteral("▲"), QStringLiteral("Выбранную строку поднять"));
    Wniz = namedButton(QStringLiteral("Wniz"), QStringLiteral("▼"), QStringLiteral("Выбранную строку опустить"));
    Ispravit =
        namedButton(QStringLiteral("Ispravit"), QStringLiteral("Исправить"), QStringLiteral("Исправить 1 соответтвие"));
    UbWopr = namedButton(QStringLiteral("UbWopr"), QStringLiteral("?"), QStringLiteral("? убрать"));
    auto *sb = new QVBoxLayout;
    for (QWidget *w : {static_cast<QWidget *>(NStr), static_cast<QWidget *>(WWerh), static_cast<QWidget *>(Wniz),
                       static_cast<QWidget *>(Ispravit), static_cast<QWidget *>(UbWopr)})
        sb->addWidget(w);
    sb->addStretch(1);
    sl->addWidget(WidimSoot, 0, 0);
    sl->addWidget(SootTab, 1, 0);
    sl->addLayout(sb, 0, 1, 2, 1);
    placePane(Soot, 1);
    connect(SootTab, &QTableView::pressed, this, [this](const QModelIndex &i) { SootTabMouseDown(i.row() + 1); });
    connect(WidimSoot, &QTableView::pressed, this, [this](const QModelIndex &i) { WidimSootMouseDown(i.row() + 1); });
    connect(WWerh, &QPushButton::clicked, this, &MainWindow::WWerhClick);
    connect(Wniz, &QPushButton::clicked, this, &MainWindow::WnizClick);
    // Alt+Up and Alt+Down move the row in focus, as ▲ and ▼ move the row of
    // the number box, so that a matching is put in order from the keyboard.
    for (QTableView *g : {SootTab, WidimSoot})
        for (const int step : {-1, 1}) {
            auto *key = new QShortcut(QKeySequence(Qt::ALT | (step < 0 ? Qt::Key_Up : Qt::Key_Down)), g, nullptr,
                                      nullptr, Qt::WidgetShortcut);
            connect(key, &QShortcut::activated, this, [this, g, step] { moveGridRow(g, step); });
        }
    connect(Ispravit, &QPushButton::clicked, this, &MainWindow::IspravitClick);
    connect(UbWopr, &QPushButton::clicked, this, &MainWindow::UbWoprClick);
}

void MainWindow::buildOptionsTable()
{
    OtwTek = grid(QStringLiteral("OtwTek"));
    placePane(OtwTek, 0);
}
