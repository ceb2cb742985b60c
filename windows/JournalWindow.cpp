#include "JournalWindow.h"
#include "Desktop.h"
#include "Documents.h"
#include "GradeChart.h"
#include "JournalBusy.h"
#include "JournalSections.h"
#include "ScreenFit.h"
#include "Spreadsheet.h"
#include "WidgetKit.h"
#include "XlsxTable.h"
#include "choices.h"
#include "installfolder.h"
#include "journal.h"
#include "programstate.h"
#include "pupilpages.h"
#include "reports.h"
#include "resultsmodel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace
{
const QStringList grades = {QString(), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                            QStringLiteral("5")};

QComboBox *choiceBox(const QString &name, const QString &hint)
{
    auto *c = new QComboBox;
    c->setObjectName(name);
    c->setToolTip(hint);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setMinimumContentsLength(12);
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return c;
}

} // namespace

JournalWindow::JournalWindow(Journal &journal, QWidget *parent) : QDialog(parent), m_journal(journal)
{
    setObjectName(QStringLiteral("Zhurnal"));
    setWindowTitle(QStringLiteral("Журнал результатов"));
    m_model = std::make_unique<ResultsModel>(journal);
    auto *l = new QVBoxLayout(scrollingContent(this));

    auto *filters = new QGridLayout;
    Uchenik = namedEdit(QStringLiteral("Uchenik"), QStringLiteral("Часть фамилии или имени ученика"));
    Uchenik->setPlaceholderText(QStringLiteral("Ученик"));
    Klass = choiceBox(QStringLiteral("Klass"), QStringLiteral("Класс"));
    Predmet = choiceBox(QStringLiteral("Predmet"), QStringLiteral("Предмет"));
    Tema = choiceBox(QStringLiteral("Tema"), QStringLiteral("Тема"));
    Ocenka = new QComboBox;
    Ocenka->setObjectName(QStringLiteral("Ocenka"));
    Ocenka->setToolTip(QStringLiteral("Оценка"));
    Ocenka->addItems(grades);
    ZaPeriod = new QCheckBox(QStringLiteral("За период с"));
    ZaPeriod->setObjectName(QStringLiteral("ZaPeriod"));
    Ot = new QDateEdit(QDate::currentDate().addMonths(-1));
    Do = new QDateEdit(QDate::currentDate());
    for (QDateEdit *d : {Ot, Do}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    }
    Ot->setObjectName(QStringLiteral("Ot"));
    Ot->setAccessibleName(QStringLiteral("Начало периода"));
    Do->setObjectName(QStringLiteral("Do"));
    filters->addWidget(new QLabel(QStringLiteral("Ученик")), 0, 0);
    filters->addWidget(Uchenik, 0, 1);
    filters->addWidget(new QLabel(QStringLiteral("Класс")), 0, 2);
    filters->addWidget(Klass, 0, 3);
    filters->addWidget(new QLabel(QStringLiteral("Предмет")), 0, 4);
    filters->addWidget(Predmet, 0, 5);
    filters->addWidget(new QLabel(QStringLiteral("Тема")), 0, 6);
    filters->addWidget(Tema, 0, 7);
    filters->addWidget(new QLabel(QStringLiteral("Оценка")), 1, 0);
    filters->addWidget(Ocenka, 1, 1);
    filters->addWidget(ZaPeriod, 1, 2, 1, 2);
    filters->addWidget(Ot, 1, 4, 1, 2);
    filters->addWidget(new QLabel(QStringLiteral("по")), 1, 6, Qt::AlignRight);
    filters->addWidget(Do, 1, 7);
    filters->setColumnStretch(1, 2);
    filters->setColumnStretch(3, 1);
    filters->setColumnStretch(5, 2);
    filters->setColumnStretch(7, 3);
    l->addLayout(filters);

    Rezultaty = new QTableView;
    Rezultaty->setObjectName(QStringLiteral("Rezultaty"));
    Rezultaty->setAccessibleName(QStringLiteral("Результаты"));
    Rezultaty->setModel(m_model.get());
    Rezultaty->setTabKeyNavigation(false);
    Rezultaty->setSortingEnabled(true);
    Rezultaty->sortByColumn(ResultsModel::Started, Qt::DescendingOrder);
    Rezultaty->setSelectionBehavior(QAbstractItemView::SelectRows);
    Rezultaty->setSelectionMode(QAbstractItemView::SingleSelection);
    Rezultaty->verticalHeader()->setVisible(false);
    // Columns as wide as their texts; the topic takes what is left.
    Rezultaty->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Rezultaty->horizontalHeader()->setSectionResizeMode(ResultsModel::Topic, QHeaderView::Stretch);

    buildSections();

    auto *split = new QSplitter(Qt::Vertical);
    split->addWidget(Rezultaty);
    split->addWidget(Razdely);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    l->addWidget(split, 1);

    auto *bl = new QHBoxLayout;
    Itogo = new QLabel;
    Itogo->setObjectName(QStringLiteral("Itogo"));
    Pechat = namedButton(QStringLiteral("Pechat"), QStringLiteral("Печать"),
                         QStringLiteral("Просмотр и печать показанных результатов и открытого раздела (Ctrl+P)"));
    Excel = namedButton(QStringLiteral("Excel"), QStringLiteral("Сохранить в Excel"),
                        QStringLiteral("Записать показанные результаты и открытый раздел в файл .xlsx"));
    Tablica = namedButton(QStringLiteral("Tablica"), QStringLiteral("Открыть в электронной таблице"),
                          QStringLiteral("Передать показанные результаты программе электронных таблиц"));
    Zakryt = namedButton(QStringLiteral("Zakryt"), QStringLiteral("Закрыть"), QStringLiteral("Закрыть окно"));
    // Enter in a filter must never close the window: no button here is the default.
    for (QPushButton *b : {Pechat, Excel, Tablica, Zakryt})
        b->setAutoDefault(false);
    bl->addWidget(Itogo, 1);
    bl->addWidget(Pechat);
    bl->addWidget(Excel);
    bl->addWidget(Tablica);
    bl->addWidget(Zakryt);
    fixedFooter(this)->addLayout(bl);

    // The pupil filter applies as one types, after a short pause, and at once on Enter.
    auto *typing = new QTimer(this);
    typing->setSingleShot(true);
    typing->setInterval(400);
    connect(typing, &QTimer::timeout, this, &JournalWindow::applyFilter);
    connect(Uchenik, &QLineEdit::textEdited, typing, qOverload<>(&QTimer::start));
    connect(Uchenik, &QLineEdit::returnPressed, this, [this, typing] {
        typing->stop();
        applyFilter();
    });
    for (QComboBox *c : {Klass, Predmet, Tema, Ocenka})
        connect(c, &QComboBox::currentTextChanged, this, &JournalWindow::applyFilter);
    connect(ZaPeriod, &QCheckBox::toggled, this, &JournalWindow::applyFilter);
    // Whether the dates count is said in words, and the dates are off while they do not.
    auto sayPeriod = [this](bool on) {
        ZaPeriod->setText(on ? QStringLiteral("За период с")
                             : QStringLiteral("Все даты (отметьте, чтобы задать период) с"));
        Ot->setEnabled(on);
        Do->setEnabled(on);
    };
    connect(ZaPeriod, &QCheckBox::toggled, this, sayPeriod);
    sayPeriod(ZaPeriod->isChecked());
    for (QDateEdit *d : {Ot, Do})
        connect(d, &QDateEdit::dateChanged, this, &JournalWindow::applyFilter);
    connect(Rezultaty->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &i) { resultChosen(i.row()); });
    connect(Pechat, &QPushButton::clicked, this, &JournalWindow::PechatClick);
    // Ctrl+P beside the button's own letter, which the mnemonics give it.
    auto *print = new QAction(this);
    print->setShortcut(QKeySequence::Print);
    addAction(print);
    connect(print, &QAction::triggered, this, &JournalWindow::PechatClick);
    connect(Excel, &QPushButton::clicked, this, &JournalWindow::ExcelClick);
    connect(SbrositRaspisanie, &QPushButton::clicked, this, &JournalWindow::SbrositRaspisanieClick);
    connect(Tablica, &QPushButton::clicked, this, &JournalWindow::TablicaClick);
    connect(Zakryt, &QPushButton::clicked, this, &QDialog::reject);
    keepGeometry(this, QSize(1100, 720));
}

JournalWindow::~JournalWindow() = default;

void JournalWindow::openFor(const QString &onlyUserCode)
{
    m_onlyUserCode = onlyUserCode;
    const Busy busy(this);
    fillChoices();
    applyFilter();
}

void JournalWindow::showError(const QString &text, const QString &details)
{
    if (!text.isEmpty())
        desktop().detailedMessage(text, QStringLiteral("Журнал результатов"), Desktop::Icon::Warning, details);
}

void JournalWindow::fillChoices()
{
    const JournalChoices c = journalChoices(m_journal, m_onlyUserCode);
    for (auto [box, items] : {std::pair{Predmet, c.subjects}, std::pair{Tema, c.topics},
                              std::pair{Klass, journalClasses(m_journal, m_onlyUserCode)}}) {
        const QSignalBlocker quiet(box);
        const QString kept = box->currentText();
        box->clear();
        box->addItem(QString());
        box->addItems(items);
        box->setCurrentText(kept);
    }
}

void JournalWindow::applyFilter()
{
    {
        const Busy busy(this);
        showFiltered();
    }
    showError(m_model->lastError(), m_model->lastDetails());
}

void JournalWindow::showFiltered()
{
    ResultFilter f;
    f.pupil = Uchenik->text().trimmed();
    f.className = Klass->currentText().trimmed();
    f.subject = Predmet->currentText().trimmed();
    f.topic = Tema->currentText().trimmed();
    f.grade = Ocenka->currentText();
    if (ZaPeriod->isChecked()) {
        f.from = Ot->date();
        f.to = Do->date();
    }
    f.userCode = m_onlyUserCode;
    m_model->setFilter(f);
    const int waiting = m_journal.waiting();
    Itogo->setText(QStringLiteral("Результатов: %1").arg(m_model->totalCount()) +
                   (waiting > 0 ? QStringLiteral("   Ждут отправки в журнал: %1").arg(waiting) : QString()));
    Woprosy->setRowCount(0);
    showSection(RunSection, {});
    showClassPage();
    showQuestionAnalysis();
    showTopicChart(f.subject, f.topic);
}

QStringList JournalWindow::shownCaptions() const
{
    QStringList captions;
    for (int c = 0; c < m_model->columnCount(); ++c)
        captions << m_model->headerData(c, Qt::Horizontal).toString();
    return captions;
}

std::vector<QStringList> JournalWindow::shownRows()
{
    const Busy busy(this);
    while (m_model->canFetchMore())
        m_model->fetchMore();
    std::vector<QStringList> rows;
    rows.reserve(size_t(m_model->rowCount()));
    for (int r = 0; r < m_model->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < m_model->columnCount(); ++c)
            row << m_model->index(r, c).data().toString();
        rows.push_back(row);
    }
    return rows;
}

void JournalWindow::TablicaClick()
{
    const QString path = installPath(QStringLiteral("L_Excel.txt"));
    std::vector<QStringList> rows = shownRows();
    rows.insert(rows.begin(), shownCaptions());
    try {
        writeTopicList(path, rows);
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        return;
    }
    SpreadsheetHandOff(desktopHooks()).open(path, glo().VerOff);
}
