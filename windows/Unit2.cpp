#include "Unit2.h"
#include "Desktop.h"
#include "TableModel.h"
#include "UnitGlo.h"
#include "WidgetKit.h"
#include "editortables.h"
#include "runtables.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace
{
QLineEdit *countBox(const QString &name, const QString &hint)
{
    QLineEdit *e = namedEdit(name, hint, QStringLiteral("0"));
    e->setMaximumWidth(70);
    return e;
}
QPushButton *dbf()
{
    auto *b = new QPushButton(QStringLiteral("dbf"));
    b->setEnabled(false);
    return b;
}
} // namespace

TZagruzka::TZagruzka(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Zagruzka"));
    setWindowTitle(QStringLiteral("Импорт новых тем, вопросов, ответов. Редактирование имеющихся."));
    RunTables &t = tables();
    StringTable *sources[5] = {&t.RazdelTab, &t.TemaTabl, &t.WopTabl, &t.OtwTabl, &t.IzTXT};
    const char *names[5] = {"RazdelTab", "TemaTabl", "WopTabl", "OtwTabl", "IzTXT"};
    QTableView **views[5] = {&RazdelTab, &TemaTabl, &WopTabl, &OtwTabl, &IzTXT};
    for (int i = 0; i < 5; ++i) {
        m_models[i] = new StringTableModel(sources[i], this);
        *views[i] = namedGrid(QLatin1String(names[i]), m_models[i]);
    }

    auto *root = new QHBoxLayout(this);
    auto *split = new QSplitter(Qt::Vertical);
    for (QTableView *v : {RazdelTab, TemaTabl, WopTabl, OtwTabl, IzTXT})
        split->addWidget(v);
    root->addWidget(split, 1);

    auto *side = new QVBoxLayout;
    root->addLayout(side);

    auto *razdel = new QGroupBox(QStringLiteral("Раздел"));
    auto *rl = new QHBoxLayout(razdel);
    ZapRazdel = namedButton(QStringLiteral("ZapRazdel"), QStringLiteral("Запомнить"), QStringLiteral("Запомнить"));
    rl->addWidget(ZapRazdel);
    rl->addWidget(dbf());
    side->addWidget(razdel);

    auto *tema = new QGroupBox(QStringLiteral("Тема"));
    auto *tl = new QGridLayout(tema);
    KolTem = countBox(QStringLiteral("KolTem"), QStringLiteral("Тем"));
    NoTem = countBox(QStringLiteral("NoTem"), QStringLiteral("Выбрана строка"));
    TemaPlus = namedButton(QStringLiteral("TemaPlus"), QStringLiteral("+"), QStringLiteral("Вставить строку"));
    TemaMin = namedButton(QStringLiteral("TemaMin"), QStringLiteral("−"), QStringLiteral("Удалить строку"));
    ZapTema = namedButton(QStringLiteral("ZapTema"), QStringLiteral("3"), QStringLiteral("Запомнить"));
    BitBtn1 = namedButton(QStringLiteral("BitBtn1"), QStringLiteral("Печать"), QStringLiteral("Печать темы"));
    tl->addWidget(KolTem, 0, 0);
    tl->addWidget(NoTem, 0, 1);
    tl->addWidget(TemaPlus, 1, 0);
    tl->addWidget(TemaMin, 1, 1);
    tl->addWidget(ZapTema, 2, 0);
    tl->addWidget(BitBtn1, 2, 1);
    tl->addWidget(dbf(), 3, 0);
    side->addWidget(tema);

    auto *wop = new QGroupBox(QStringLiteral("Вопросы"));
    auto *wl = new QGridLayout(wop);
    KolWop = countBox(QStringLiteral("KolWop"), QStringLiteral("Вопросов"));
    NoWop = countBox(QStringLiteral("NoWop"), QStringLiteral("Выбрана строка"));
    ImyFile = new QLineEdit;
    ImyFile->setObjectName(QStringLiteral("ImyFile"));
    ImyFile->setToolTip(QStringLiteral("Имя файла gif к вопросу"));
    PtiwGif = namedButton(QStringLiteral("PtiwGif"), QStringLiteral("Связать с рис."));
    WoprPlus = namedButton(QStringLiteral("WoprPlus"), QStringLiteral("+"), QStringLiteral("Вставить строку"));
    WopMin = namedButton(QStringLiteral("WopMin"), QStringLiteral("−"), QStringLiteral("Удалить строку"));
    BitBtn2 = namedButton(QStringLiteral("BitBtn2"), QStringLiteral("Балл"), QStringLiteral("1 балл везде поставить"));
    ZapWopr = namedButton(QStringLiteral("ZapWopr"), QStringLiteral("4"), QStringLiteral("Запомнить"));
    wl->addWidget(KolWop, 0, 0);
    wl->addWidget(NoWop, 0, 1);
    wl->addWidget(ImyFile, 1, 0, 1, 2);
    wl->addWidget(PtiwGif, 2, 0, 1, 2);
    wl->addWidget(WoprPlus, 3, 0);
    wl->addWidget(WopMin, 3, 1);
    wl->addWidget(BitBtn2, 4, 0);
    wl->addWidget(ZapWopr, 4, 1);
    wl->addWidget(dbf(), 5, 0);
    side->addWidget(wop);

    auto *otw = new QGroupBox(QStringLiteral("Ответы"));
    auto *ol = new QGridLayout(otw);
    KolOtw = countBox(QStringLiteral("KolOtw"), QStringLiteral("Ответов"));
    NoOtw = countBox(QStringLiteral("NoOtw"), QStringLiteral("Выбрана строка"));
    OtwPlus = namedButton(QStringLiteral("OtwPlus"), QStringLiteral("+"), QStringLiteral("Вставить строку"));
    OtwMin = namedButton(QStringLiteral("OtwMin"), QStringLiteral("−"), QStringLiteral("Удалить строку"));
    ZapOtw = namedButton(QStringLiteral("ZapOtw"), QStringLiteral("5"), QStringLiteral("Запомнить"));
    ol->addWidget(KolOtw, 0, 0);
    ol->addWidget(NoOtw, 0, 1);
    ol->addWidget(OtwPlus, 1, 0);
    ol->addWidget(OtwMin, 1, 1);
    ol->addWidget(ZapOtw, 2, 0);
    ol->addWidget(dbf(), 2, 1);
    side->addWidget(otw);

    auto *imp = new QGroupBox(QStringLiteral("Импорт темы"));
    auto *il = new QVBoxLayout(imp);
    auto *txt = new QGroupBox(QStringLiteral("Читать txt файл"));
    auto *xl = new QVBoxLayout(txt);
    EGE = namedButton(QStringLiteral("EGE"), QStringLiteral("1  ЕГЭ"));
    ZagTXT = namedButton(QStringLiteral("ZagTXT"), QStringLiteral("1  Цифры"));
    wVopros = namedButton(QStringLiteral("wVopros"), QStringLiteral("1  w"));
    for (QPushButton *b : {EGE, ZagTXT, wVopros})
        xl->addWidget(b);
    il->addWidget(txt);
    Dekodir = namedButton(QStringLiteral("Dekodir"), QStringLiteral("2  Декодер"));
    TemExam = namedButton(QStringLiteral("TemExam"), QStringLiteral("6 Тему в Экз"));
    il->addWidget(Dekodir);
    il->addWidget(TemExam);
    side->addWidget(imp);

    Gauge1 = new QProgressBar;
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setValue(0);
    side->addWidget(Gauge1);
    side->addStretch(1);

    resize(1200, 860);
    FormCreate();
}

void TZagruzka::FormCreate()
{
    // The column captions are the tables' header rows, set where the tables are made.
}

void TZagruzka::showEvent(QShowEvent *e)
{
    FormActivate();
    QDialog::showEvent(e);
}

void TZagruzka::FormActivate()
{
    if (glo().TekPapka.isEmpty())
        return;
    try {
        const EditorCounts c = loadEditorTables(BankFiles(installPath(glo().TekPapka)), tables());
        KolTem->setText(QString::number(c.topics));
        KolWop->setText(QString::number(c.questions));
        KolOtw->setText(QString::number(c.answers));
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}
