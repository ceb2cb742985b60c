#include "JournalWindow.h"
#include "Desktop.h"
#include "Documents.h"
#include "GradeChart.h"
#include "JournalSections.h"
#include "ScreenFit.h"
#include "Spreadsheet.h"
#include "WidgetKit.h"
#include "XlsxTable.h"
#include "choices.h"
#include "installfolder.h"
#include "journal.h"
#include "journalreader.h"
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
    // A screen reader meets the text field inside the box on its own.
    c->lineEdit()->setAccessibleName(hint);
    return c;
}

} // namespace

JournalWindow::JournalWindow(const JournalSettings &settings, QWidget *parent)
    : QDialog(parent), m_reader(new JournalReader(settings, this))
{
    setObjectName(QStringLiteral("Zhurnal"));
    setWindowTitle(QStringLiteral("Журнал результатов"));
    m_model = std::make_unique<ResultsModel>([this](const ResultsQuery &q, std::function<void(ResultsPage)> done) {
        m_reader->ask<ResultsPage>(
            ResultsLane, [q](Journal &j) { return readResults(j, q); }, std::move(done));
    });
    connect(m_model.get(), &ResultsModel::read, this, &JournalWindow::resultsRead);
    connect(m_reader, &JournalReader::busyChanged, this, &JournalWindow::sayState);
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
    Ocenka->setItemData(0, QStringLiteral("Любая оценка"), Qt::AccessibleTextRole);
    ZaPeriod = new QCheckBox(QStringLiteral("За период с"));
    ZaPeriod->setObjectName(QStringLiteral("ZaPeriod"));
    SPovtoreniem = new QCheckBox(QStringLiteral("с повторением"));
    SPovtoreniem->setObjectName(QStringLiteral("SPovtoreniem"));
    SPovtoreniem->setToolTip(QStringLiteral("Показывать и «Работу над ошибками»: она не оценивается, но её ответы "
                                            "входят в анализ вопросов"));
    Ot = new QDateEdit(QDate::currentDate().addMonths(-1));
    Do = new QDateEdit(QDate::currentDate());
    for (QDateEdit *d : {Ot, Do}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    }
    Ot->setObjectName(QStringLiteral("Ot"));
    Ot->setAccessibleName(QStringLiteral("Начало периода"));
    Do->setObjectName(QStringLiteral("Do"));
    Do->setAccessibleName(QStringLiteral("Конец периода"));
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
    filters->addWidget(SPovtoreniem, 1, 8);
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
    // Practice brings its own topic to choose.
    connect(SPovtoreniem, &QCheckBox::toggled, this, [this] {
        fillChoices();
        applyFilter();
    });
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
    buildKeys();
    connect(Excel, &QPushButton::clicked, this, &JournalWindow::ExcelClick);
    connect(SbrositRaspisanie, &QPushButton::clicked, this, &JournalWindow::SbrositRaspisanieClick);
    connect(Tablica, &QPushButton::clicked, this, &JournalWindow::TablicaClick);
    connect(Zakryt, &QPushButton::clicked, this, &QDialog::reject);
    keepGeometry(this, QSize(1100, 720));
}

void JournalWindow::buildKeys()
{
    auto key = [this](const QList<QKeySequence> &keys, auto what) {
        auto *a = new QAction(this);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        connect(a, &QAction::triggered, this, what);
    };
    // Ctrl+P beside the button's own letter, which the mnemonics give it.
    key({QKeySequence::Print}, &JournalWindow::PechatClick);
    // The sections turn from anywhere in the window, not only from inside them.
    auto turn = [this](int by) {
        const int n = Razdely->count();
        Razdely->setCurrentIndex((Razdely->currentIndex() + by + n) % n);
    };
    key({QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}, [turn] { turn(1); });
    key({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
         QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
        [turn] { turn(-1); });
}

JournalWindow::~JournalWindow() = default;

void JournalWindow::openFor(const QString &userCode, const QString &ownPupil)
{
    m_onlyUserCode = userCode;
    m_ownPupil = ownPupil;
    m_failure.clear();
    fillChoices();
    applyFilter();
}

bool JournalWindow::reading() const
{
    return m_reader->busy();
}

bool JournalWindow::waitUntilRead(int msec)
{
    return m_reader->waitUntilIdle(msec);
}

ResultFilter JournalWindow::scope() const
{
    ResultFilter f;
    f.userCode = m_onlyUserCode;
    f.ownPupil = m_ownPupil;
    f.withPractice = SPovtoreniem->isChecked();
    return f;
}

void JournalWindow::showFailure(const QString &text, const QString &details)
{
    if (text.isEmpty())
        return;
    m_failure = text;
    m_failureDetails = details;
    sayState();
}

// The total line says what the window is doing: reading, what failed last,
// or how many results there are.
void JournalWindow::sayState()
{
    if (m_reader->busy()) {
        Itogo->setText(QStringLiteral("Читаю журнал…"));
        Itogo->setToolTip({});
        setCursor(Qt::BusyCursor);
        return;
    }
    unsetCursor();
    if (!m_failure.isEmpty()) {
        Itogo->setText(QStringLiteral("⚠ ") + m_failure);
        Itogo->setToolTip(m_failureDetails.isEmpty() ? m_failure
                                                     : m_failure + QStringLiteral("\n\n") + m_failureDetails);
        return;
    }
    Itogo->setText(QStringLiteral("Результатов: %1").arg(m_model->totalCount()) +
                   (m_waiting > 0 ? QStringLiteral("   Ждут отправки в журнал: %1").arg(m_waiting) : QString()));
    Itogo->setToolTip({});
}

void JournalWindow::fillChoices()
{
    m_reader->ask<JournalChoices>(
        ChoicesLane, [f = scope()](Journal &j) { return journalChoices(j, f); },
        [this](const JournalChoices &c) {
            for (auto [box, items, spoken] : {std::tuple{Predmet, c.subjects, QStringLiteral("Все предметы")},
                                              std::tuple{Tema, c.topics, QStringLiteral("Все темы")},
                                              std::tuple{Klass, c.classes, QStringLiteral("Все классы")}}) {
                const QSignalBlocker quiet(box);
                const QString kept = box->currentText();
                box->clear();
                box->addItem(QString());
                box->setItemData(0, spoken, Qt::AccessibleTextRole);
                box->addItems(items);
                box->setCurrentText(kept);
            }
        });
}

void JournalWindow::applyFilter()
{
    ResultFilter f = scope();
    f.pupil = Uchenik->text().trimmed();
    f.className = Klass->currentText().trimmed();
    f.subject = Predmet->currentText().trimmed();
    f.topic = Tema->currentText().trimmed();
    f.grade = Ocenka->currentText();
    if (ZaPeriod->isChecked()) {
        f.from = Ot->date();
        f.to = Do->date();
    }
    // A failure is told until the journal answers again.
    m_failure.clear();
    m_model->setFilter(f);
    m_reader->ask<int>(
        WaitingLane, [](Journal &j) { return j.waiting(); },
        [this](int waiting) {
            m_waiting = waiting;
            sayState();
        });
    Woprosy->setRowCount(0);
    showSection(RunSection, {});
    showClassPage();
    showQuestionAnalysis();
    showTopicChart(f.subject, f.topic);
    sayState();
}

void JournalWindow::resultsRead()
{
    if (!m_model->lastError().isEmpty())
        showFailure(m_model->lastError(), m_model->lastDetails());
    sayState();
}

QStringList JournalWindow::shownCaptions() const
{
    QStringList captions;
    for (int c = 0; c < m_model->columnCount(); ++c)
        captions << m_model->headerData(c, Qt::Horizontal).toString();
    return captions;
}

void JournalWindow::readShownRows(std::function<void(std::vector<QStringList>)> done)
{
    struct AllRows {
        std::vector<ResultsRow> rows;
        QString error, details;
    };
    ResultsQuery q = m_model->query();
    m_reader->ask<AllRows>(
        RowsLane,
        [q](Journal &j) mutable {
            AllRows all;
            for (int total = -1;;) {
                ResultsPage page = readResults(j, q);
                if (!page.error.isEmpty())
                    return AllRows{{}, page.error, page.details};
                if (q.first)
                    total = page.total;
                all.rows.insert(all.rows.end(), std::make_move_iterator(page.rows.begin()),
                                std::make_move_iterator(page.rows.end()));
                if (page.rows.empty() || int(all.rows.size()) >= total)
                    return all;
                q.first = false;
                q.after = page.cursor;
            }
        },
        [this, done = std::move(done)](const AllRows &all) {
            if (!all.error.isEmpty()) {
                showFailure(all.error, all.details);
                return;
            }
            std::vector<QStringList> rows;
            rows.reserve(all.rows.size());
            for (const ResultsRow &r : all.rows)
                rows.push_back(ResultsModel::cells(r));
            done(std::move(rows));
        });
}

void JournalWindow::TablicaClick()
{
    readShownRows([this](std::vector<QStringList> rows) {
        const QString path = installPath(QStringLiteral("L_Excel.txt"));
        rows.insert(rows.begin(), shownCaptions());
        try {
            writeTopicList(path, rows);
        } catch (const TrivoError &e) {
            desktop().error(e.text());
            return;
        }
        SpreadsheetHandOff(desktopHooks()).open(path, glo().VerOff);
    });
}
