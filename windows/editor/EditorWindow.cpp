#include "EditorWindow.h"
#include "Desktop.h"
#include "Documents.h"
#include "ScreenFit.h"
#include "TableModel.h"
#include "WidgetKit.h"
#include "WordDocument.h"
#include "banktables.h"
#include "editor.h"
#include "editortables.h"
#include "programstate.h"

#include <QDir>
#include <QFileInfo>
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
#include <algorithm>

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

EditorWindow::EditorWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Zagruzka"));
    setWindowTitle(QStringLiteral("Импорт новых тем, вопросов, ответов. Редактирование имеющихся."));
    BankTables &t = tables();
    StringTable *sources[5] = {&t.RazdelTab, &t.TemaTabl, &t.WopTabl, &t.OtwTabl, &t.IzTXT};
    m_stored = {StoredMark(t.RazdelTab), StoredMark(t.TemaTabl), StoredMark(t.WopTabl), StoredMark(t.OtwTabl)};
    const char *names[5] = {"RazdelTab", "TemaTabl", "WopTabl", "OtwTabl", "IzTXT"};
    QTableView **views[5] = {&RazdelTab, &TemaTabl, &WopTabl, &OtwTabl, &IzTXT};
    const QString spoken[5] = {QStringLiteral("Разделы"), QStringLiteral("Темы"), QStringLiteral("Вопросы"),
                               QStringLiteral("Ответы"), QStringLiteral("Строки импортированного файла")};
    for (int i = 0; i < 5; ++i) {
        m_models[i] = new StringTableModel(sources[i], this);
        *views[i] = namedGrid(QLatin1String(names[i]), m_models[i], spoken[i]);
        // Codes are as narrow as their captions; the texts get the room. The
        // widths are set once, so a bank of a million rows is never measured.
        QHeaderView *h = (*views[i])->horizontalHeader();
        h->setStretchLastSection(false);
        for (int c = 0; c < sources[i]->columnCount(); ++c) {
            const QString caption = sources[i]->cell(c, 0);
            if (caption == u"Nazwan") {
                h->setSectionResizeMode(c, QHeaderView::Stretch);
            } else {
                const QFontMetrics fm = (*views[i])->fontMetrics();
                (*views[i])->setColumnWidth(
                    c, std::max(fm.horizontalAdvance(caption), fm.horizontalAdvance(QStringLiteral("0000"))) + 24);
            }
        }
    }

    auto *root = new QHBoxLayout(scrollingContent(this));
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
    IzMoodle = namedButton(QStringLiteral("IzMoodle"), QStringLiteral("Из Moodle"),
                           QStringLiteral("Тема из файла GIFT, Aiken или Moodle XML"));
    xl->addWidget(IzMoodle);
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
    connectCheck(side);
    connectPublish(side);
    side->addStretch(1);
    auto *close = namedButton(QStringLiteral("Zakryt"), QStringLiteral("Закрыть"), QStringLiteral("Закрыть окно"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    close->setDefault(true);
    fixedFooter(this)->addWidget(close, 0, Qt::AlignRight);

    keepGeometry(this, QSize(1200, 860));
    FormCreate();
    connectEditor();
    connectImports();
    connectInterchange();
}

EditorWindow::~EditorWindow() = default;

void EditorWindow::FormCreate()
{
    // The column captions are the tables' header rows, set where the tables are made.
}

void EditorWindow::showEvent(QShowEvent *e)
{
    FormActivate();
    showPublishButtons();
    QDialog::showEvent(e);
    if (!m_questionToShow.isEmpty())
        goToQuestion(std::exchange(m_questionToShow, QString()));
}

void EditorWindow::showQuestion(const QString &questionKey)
{
    if (isVisible())
        goToQuestion(questionKey);
    else
        m_questionToShow = questionKey;
}

void EditorWindow::goToQuestion(const QString &questionKey)
{
    const StringTable &questions = tables().WopTabl;
    for (int row = 1; row < questions.rowCount(); ++row)
        if (questionKeyOfRow(questions, row) == questionKey) {
            selectRow(WopTabl, row);
            WopTabl->scrollTo(WopTabl->currentIndex());
            WopTablMouseDown(row);
            WopTabl->setFocus(Qt::OtherFocusReason);
            return;
        }
}

void EditorWindow::FormActivate()
{
    if (glo().TekPapka.isEmpty())
        return;
    try {
        const EditorCounts c = loadEditorTables(BankFiles(subjectFolder()), tables());
        KolTem->setText(QString::number(c.topics));
        KolWop->setText(QString::number(c.questions));
        KolOtw->setText(QString::number(c.answers));
        // Reloaded tables start on their first data row; the grids follow.
        const BankTables &t = tables();
        selectRow(RazdelTab, t.RazdelTab.currentRow());
        selectRow(TemaTabl, t.TemaTabl.currentRow());
        selectRow(WopTabl, t.WopTabl.currentRow());
        selectRow(OtwTabl, t.OtwTabl.currentRow());
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
    // What was loaded is what the files hold; after a failed load nothing is
    // the author's edit, and storing it would only spoil the files.
    for (StoredMark &m : m_stored)
        m.mark();
}

// ---- editing the bank tables ----

void EditorWindow::connectEditor()
{
    connect(ZapRazdel, &QPushButton::clicked, this, &EditorWindow::ZapRazdelClick);
    connect(ZapTema, &QPushButton::clicked, this, &EditorWindow::ZapTemaClick);
    connect(ZapWopr, &QPushButton::clicked, this, &EditorWindow::ZapWoprClick);
    connect(ZapOtw, &QPushButton::clicked, this, &EditorWindow::ZapOtwClick);
    connect(TemaPlus, &QPushButton::clicked, this, &EditorWindow::TemaPlusClick);
    connect(WoprPlus, &QPushButton::clicked, this, &EditorWindow::WoprPlusClick);
    connect(OtwPlus, &QPushButton::clicked, this, &EditorWindow::OtwPlusClick);
    connect(TemaMin, &QPushButton::clicked, this, &EditorWindow::TemaMinClick);
    connect(WopMin, &QPushButton::clicked, this, &EditorWindow::WopMinClick);
    connect(OtwMin, &QPushButton::clicked, this, &EditorWindow::OtwMinClick);
    connect(PtiwGif, &QPushButton::clicked, this, &EditorWindow::PtiwGifClick);
    connect(BitBtn2, &QPushButton::clicked, this, &EditorWindow::BitBtn2Click);
    connect(TemExam, &QPushButton::clicked, this, &EditorWindow::TemExamClick);
    connect(BitBtn1, &QPushButton::clicked, this, &EditorWindow::BitBtn1Click);
    connect(TemaTabl, &QTableView::pressed, this, [this](const QModelIndex &i) { TemaTablMouseDown(i.row() + 1); });
    connect(WopTabl, &QTableView::pressed, this, [this](const QModelIndex &i) { WopTablMouseDown(i.row() + 1); });
    connect(OtwTabl, &QTableView::pressed, this, [this](const QModelIndex &i) { OtwTablMouseDown(i.row() + 1); });
    followSelectedRow(RazdelTab, m_models[0]);
    followSelectedRow(TemaTabl, m_models[1]);
    followSelectedRow(WopTabl, m_models[2]);
    followSelectedRow(OtwTabl, m_models[3]);
}

void EditorWindow::followSelectedRow(QTableView *view, StringTableModel *model)
{
    StringTable *t = model->table();
    // The table's selected row is what inserting, deleting and printing work
    // on; the grid's focused cell sets it, and every change of the table
    // (which resets the grid) puts the focused cell back on it.
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, [t](const QModelIndex &current) {
        if (current.isValid())
            t->setCurrentRow(current.row() + 1);
    });
    connect(model, &QAbstractItemModel::modelReset, this, [this, view, t] { selectRow(view, t->currentRow()); });
}

void EditorWindow::selectRow(QTableView *view, int row)
{
    const QModelIndex was = view->currentIndex();
    const QModelIndex to = view->model()->index(row - 1, was.isValid() ? was.column() : 0);
    view->setCurrentIndex(to);
    if (to.isValid() && view->isVisible())
        view->scrollTo(to);
}

bool EditorWindow::storeIntoBank(const std::function<void(const BankFiles &)> &store)
{
    if (glo().TekPapka.isEmpty())
        return false;
    try {
        store(BankFiles(subjectFolder()));
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        return false;
    }
    return true;
}

void EditorWindow::ZapRazdelClick()
{
    if (storeIntoBank([](const BankFiles &b) { saveSections(b.predmet, tables().RazdelTab); }))
        m_stored[0].mark();
}

void EditorWindow::ZapTemaClick()
{
    if (storeIntoBank([](const BankFiles &b) { saveTopics(b.tema, tables().TemaTabl); }))
        m_stored[1].mark();
}

void EditorWindow::ZapWoprClick()
{
    if (storeIntoBank([](const BankFiles &b) { saveQuestions(b.wopros, tables().WopTabl); }))
        m_stored[2].mark();
}

void EditorWindow::ZapOtwClick()
{
    if (storeIntoBank([](const BankFiles &b) { saveAnswers(b.otwet, tables().OtwTabl); }))
        m_stored[3].mark();
}

bool EditorWindow::holdsUnstoredEdits() const
{
    return std::any_of(m_stored.begin(), m_stored.end(), [](const StoredMark &m) { return m.unstored(); });
}

bool EditorWindow::storeEdits()
{
    void (EditorWindow::*const stores[])() = {&EditorWindow::ZapRazdelClick, &EditorWindow::ZapTemaClick,
                                              &EditorWindow::ZapWoprClick, &EditorWindow::ZapOtwClick};
    for (size_t i = 0; i < m_stored.size(); ++i)
        if (m_stored[i].unstored())
            (this->*stores[i])();
    return !holdsUnstoredEdits();
}

void EditorWindow::reject()
{
    if (!holdsUnstoredEdits() ||
        mayCloseWithEdits(this, QStringLiteral("Сохранить изменения в банке?"), [this] { return storeEdits(); }))
        QDialog::reject();
}

void EditorWindow::insertRow(QTableView *view, StringTable &t, QLineEdit *count)
{
    const int row = insertMarkedRow(t, t.currentRow());
    if (row == 0)
        return;
    count->setText(QString::number(dataRowCount(t)));
    selectRow(view, row);
}

void EditorWindow::deleteRow(QTableView *view, StringTable &t, QLineEdit *count)
{
    const int before = t.rowCount();
    const int row = deleteDataRow(t, t.currentRow());
    if (t.rowCount() == before)
        return;
    count->setText(QString::number(dataRowCount(t)));
    selectRow(view, row);
}

void EditorWindow::TemaPlusClick()
{
    insertRow(TemaTabl, tables().TemaTabl, KolTem);
}
void EditorWindow::WoprPlusClick()
{
    insertRow(WopTabl, tables().WopTabl, KolWop);
}
void EditorWindow::OtwPlusClick()
{
    insertRow(OtwTabl, tables().OtwTabl, KolOtw);
}
void EditorWindow::TemaMinClick()
{
    deleteRow(TemaTabl, tables().TemaTabl, KolTem);
}
void EditorWindow::WopMinClick()
{
    deleteRow(WopTabl, tables().WopTabl, KolWop);
}
void EditorWindow::OtwMinClick()
{
    deleteRow(OtwTabl, tables().OtwTabl, KolOtw);
}

void EditorWindow::TemaTablMouseDown(int row)
{
    const BankTables &t = tables();
    if (row < 1 || row >= t.TemaTabl.rowCount())
        return;
    NoTem->setText(QString::number(row));
    const int q = firstQuestionRow(t.WopTabl, t.TemaTabl.cell(0, row), t.TemaTabl.cell(1, row));
    if (q == 0)
        return;
    selectRow(WopTabl, q);
    NoWop->setText(QString::number(q));
}

void EditorWindow::WopTablMouseDown(int row)
{
    const BankTables &t = tables();
    if (row < 1 || row >= t.WopTabl.rowCount())
        return;
    NoWop->setText(QString::number(row));
    ImyFile->setText(questionKeyOfRow(t.WopTabl, row));
    const int a = firstAnswerRow(t.OtwTabl, t.WopTabl, row);
    if (a == 0)
        return;
    selectRow(OtwTabl, a);
    NoOtw->setText(QString::number(a));
}

void EditorWindow::OtwTablMouseDown(int row)
{
    if (row >= 1 && row < tables().OtwTabl.rowCount())
        NoOtw->setText(QString::number(row));
}

void EditorWindow::PtiwGifClick()
{
    if (glo().TekPapka.isEmpty())
        return;
    QString foto;
    try {
        foto = subjectFolder() + QStringLiteral("/Foto");
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        return;
    }
    if (!QFileInfo(foto).isDir()) {
        desktop().message(QStringLiteral("В неё поместите gif иллюстрации"),
                          QStringLiteral("Создайте папку ") + QDir::toNativeSeparators(foto), Desktop::Icon::Warning);
        return;
    }
    const QString key = ImyFile->text();
    if (!isPictureKey(key)) {
        desktop().message(QStringLiteral("Рисунок называется по коду вопроса. Щёлкните вопрос в таблице вопросов; "
                                         "имя не может быть пустым и не может содержать / или \\."),
                          QStringLiteral("Рисунок не связан"), Desktop::Icon::Warning);
        return;
    }
    const QString chosen = desktop().openFileName(QStringLiteral("Укажите рисунок, прицепляемый к вопросу ") + key,
                                                  foto, QStringLiteral("Входной типа  .gif (*.gif)"));
    if (chosen.isEmpty())
        return;
    try {
        if (linkPicture(chosen, foto, key) == PictureLink::AlreadyThere)
            desktop().message(QStringLiteral("Рисунок %1.gif уже есть в папке Foto и оставлен как был. "
                                             "Чтобы связать другой, сначала уберите прежний.")
                                  .arg(key),
                              QStringLiteral("Рисунок не заменён"), Desktop::Icon::Warning);
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}

void EditorWindow::BitBtn2Click()
{
    setPointsEverywhere(tables().WopTabl, QStringLiteral("1"));
}

void EditorWindow::TemExamClick()
{
    const std::optional<ExamRec> rec = examRecOfLastTopic(tables().TemaTabl);
    if (!rec)
        return;
    storeIntoBank([&rec](const BankFiles &b) { b.exam.append(*rec); });
}

void EditorWindow::BitBtn1Click()
{
    const BankTables &t = tables();
    const std::vector<QStringList> rows = topicPrintoutRows(t.TemaTabl, t.TemaTabl.currentRow(), t.WopTabl, t.OtwTabl);
    if (rows.empty())
        return;
    Gauge1->setMaximum(int(rows.size()));
    try {
        m_printout = documentFactory()();
        WordDocument *doc = m_printout.get();
        doc->newDocument();
        doc->setFontSize(8);
        // One more row than filled: the printout ends with an empty row.
        doc->addTable(0, int(rows.size()) + 1, 10);
        doc->insertAfter(QStringLiteral(" "));
        WordTable table = doc->table(1);
        table.enableBorders();
        for (int c = 1; c <= 10; ++c)
            table.setColumnWidth(c, 23);
        table.setColumnWidth(7, 300);
        for (size_t r = 0; r < rows.size(); ++r) {
            for (qsizetype c = 0; c < rows[r].size(); ++c)
                if (!rows[r][c].isEmpty())
                    table.setCellText(int(r) + 1, int(c) + 1, rows[r][c]);
            Gauge1->setValue(int(r) + 1);
        }
        Gauge1->setValue(0);
        doc->makeVisible();
    } catch (const TrivoError &e) {
        Gauge1->setValue(0);
        desktop().error(e.text());
    }
}
