// The main window's answering aids, modes and question times.
#include "Desktop.h"
#include "Unit1.h"
#include "runtables.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>

namespace
{
const QString pendingMark = QStringLiteral("у");
const QString noDeferred = QStringLiteral("Повтор\n    0");
const QString defaultPupil = QStringLiteral("Иванов И.И. 9 Г");
const QString answersCode = QStringLiteral("7305918264");

} // namespace

void TForm1::connectAids()
{
    connect(SootTab, &QTableView::pressed, this, [this](const QModelIndex &i) { SootTabMouseDown(i.row() + 1); });
    connect(WidimSoot, &QTableView::pressed, this, [this](const QModelIndex &i) { WidimSootMouseDown(i.row() + 1); });
    connect(WWerh, &QPushButton::clicked, this, &TForm1::WWerhClick);
    connect(Wniz, &QPushButton::clicked, this, &TForm1::WnizClick);
    connect(Ispravit, &QPushButton::clicked, this, &TForm1::IspravitClick);
    connect(UbWopr, &QPushButton::clicked, this, &TForm1::UbWoprClick);
    connect(PlusSim, &QPushButton::clicked, this, &TForm1::PlusSimClick);
    connect(Fifti, &QPushButton::clicked, this, &TForm1::FiftiClick);
    connect(Otlogit, &QPushButton::clicked, this, &TForm1::OtlogitClick);
    connect(Powtorit1, &QPushButton::clicked, this, &TForm1::Powtorit1Click);
    connect(N5, &QAction::triggered, this, &TForm1::N5Click);
    connect(Regim, &QListWidget::itemChanged, this,
            [this](QListWidgetItem *item) { RegimClickCheck(Regim->row(item)); });
    connect(WremaZadat, &QPushButton::clicked, this, &TForm1::WremaZadatClick);
    connect(N19, &QAction::triggered, this, &TForm1::N20Click);
    connect(N20, &QAction::triggered, this, &TForm1::N20Click);
}

void TForm1::addHint()
{
    Podskazano->setText(NomerPlus(Podskazano->text()));
}

// ---- matching rows ----

void TForm1::SootTabMouseDown(int row)
{
    if (row > 0 && row < m_soot->rowCount())
        NStr->setText(QString::number(row));
}

void TForm1::WidimSootMouseDown(int row)
{
    if (row > 0 && row < m_widim->rowCount())
        NStr->setText(QString::number(row));
}

void TForm1::swapRightColumn(int a, int b)
{
    m_soot->beginUpdate();
    m_widim->beginUpdate();
    for (int c : {2, 3}) {
        const QString x = m_soot->cell(c, a);
        m_soot->setCell(c, a, m_soot->cell(c, b));
        m_soot->setCell(c, b, x);
    }
    const QString x = m_widim->cell(1, a);
    m_widim->setCell(1, a, m_widim->cell(1, b));
    m_widim->setCell(1, b, x);
    m_soot->endUpdate();
    m_widim->endUpdate();
}

void TForm1::WWerhClick()
{
    try {
        const int n = number(NStr);
        if (n <= 1)
            return;
        swapRightColumn(n - 1, n);
        NStr->setText(NomerMinus(NStr->text()));
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}

void TForm1::WnizClick()
{
    try {
        const int n = number(NStr);
        if (n <= 0 || n >= KolPlus)
            return;
        swapRightColumn(n, n + 1);
        NStr->setText(NomerPlus(NStr->text()));
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}

void TForm1::IspravitClick()
{
    try {
        for (int a = std::min(KolPlus, m_soot->rowCount() - 1); a >= 2; --a) {
            const int below = toIntOrThrow(trimmed(m_soot->cell(3, a)));
            const int above = toIntOrThrow(trimmed(m_soot->cell(3, a - 1)));
            if (below < above) {
                addHint();
                swapRightColumn(a - 1, a);
            }
        }
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}

void TForm1::UbWoprClick()
{
    for (int k = 1; k <= KolPlus && k < m_soot->rowCount(); ++k)
        if (m_soot->cell(3, k) == u"?") {
            addHint();
            m_soot->setCell(3, k, PrawKody.value(k - 1));
            return;
        }
}

// ---- hints in the other types ----

void TForm1::PlusSimClick()
{
    const QString right = m_otwTek->cell(6, 1);
    if (trimmed(OdinOt->text()).size() >= trimmed(right).size())
        return;
    addHint();
    OdinOt->setText(right);
}

void TForm1::FiftiClick()
{
    const int n = std::min(int(trimmed(KOtw->text()).toInt()), int(TxtOtw.size()));
    if (trimmed(TipOtweta->text()) != answerTypeText(AnswerType::Ranking)) {
        for (int k = 1; k <= n; ++k)
            if (trimmed(m_otwTek->cell(5, k)) != u"+" && !TxtOtw[size_t(k - 1)]->isHidden()) {
                TxtOtw[size_t(k - 1)]->hide();
                addHint();
                return;
            }
        return;
    }
    for (int k = 1; k <= n; ++k)
        if (trimmed(NomOtw[size_t(k - 1)]->text()).isEmpty()) {
            addHint();
            NomOtw[size_t(k - 1)]->setText(PrawKody.value(k - 1));
            return;
        }
}

// ---- putting off and repeating ----

void TForm1::OtlogitClick()
{
    StringTable &wop = tables().WopTabl;
    wop.setCell(7, wop.currentRow(), QString());
    Powtorit1->setText(QStringLiteral("Повтор\n     ") + NomerPlus(deferredCount()));
    if (wop.currentRow() < wop.rowCount() - 1) {
        DalsheClick();
        return;
    }
    Otlogit->setEnabled(false);
    Itog1->setEnabled(false);
    if (trimmed(deferredCount()) != u"0")
        Powtorit1->setEnabled(true);
}

void TForm1::Powtorit1Click()
{
    StringTable &wop = tables().WopTabl;
    std::vector<QStringList> kept;
    for (int r = 1; r < wop.rowCount(); ++r)
        if (trimmed(wop.cell(7, r)) != pendingMark)
            kept.push_back(wop.row(r));
    for (QStringList &row : kept)
        row[7] = pendingMark;
    const int copied = int(kept.size());
    wop.setDataRows(std::move(kept));
    Itog1->setEnabled(true);
    if (glo().RegimPodskaz == u"Wkl")
        Fifti->setEnabled(true);
    wop.setCurrentRow(0);
    try {
        NWopr->setText(QString::number(number(KWopr) - copied));
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        return;
    }
    Otlogit->setEnabled(true);
    Powtorit1->setText(noDeferred);
    Powtorit1->setEnabled(false);
    // The repeat judges nothing: a put-off question is judged only when it is
    // answered at last, so no answer ever counts twice.
    DalsheClick();
}

// ---- the options table behind the access code ----

void TForm1::N5Click()
{
    const QString reply =
        desktop().input(QStringLiteral("А оно Вам надо"), QStringLiteral("Ты кто?"), QStringLiteral("Ты кто?"));
    if (trimmed(reply) == answersCode)
        OtwTek->show();
}

// ---- modes and times ----

void TForm1::RegimClickCheck(int item)
{
    Glo &g = glo();
    const bool ticked = Regim->item(item)->checkState() == Qt::Checked;
    switch (item) {
    case 0:
        g.RegimPodskaz = ticked ? QStringLiteral("Wkl") : QStringLiteral("Wikl");
        for (QPushButton *b : {Ispravit, Fifti, PlusSim})
            b->setEnabled(ticked);
        break;
    case 1:
        g.Sluchaino = !ticked;
        break;
    case 2:
        g.ProtokolWkl = ticked;
        if (ticked) {
            g.ImyaUchenika = defaultPupil;
            g.ImyaUchenika = desktop().input(QStringLiteral("Идентификационная информация"),
                                             QStringLiteral("Как Вас называть?"), g.ImyaUchenika);
            PrnProtokol->setEnabled(false);
        }
        break;
    default:
        break;
    }
}

void TForm1::WremaZadatClick()
{
    N20Click();
}

void TForm1::N20Click()
{
    Glo &g = glo();
    if (!isAdmin(g.KodDostupa)) {
        desktop().message(QStringLiteral(" И для начальника. Увы!"), QString(), Desktop::Icon::Warning);
        return;
    }
    try {
        g.SekWopr = toIntOrThrow(trimmed(WoprSek->text()));
        timerWopr.setLimit(g.SekWopr);
        g.SekOtw = toIntOrThrow(trimmed(OtwSek->text()));
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
    showClocks();
}

void TForm1::TimerWoprEndOfTime()
{
    if (Itog1->isEnabled())
        Itog1Click();
}
