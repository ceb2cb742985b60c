#include "JournalWindow.h"
#include "Desktop.h"
#include "Documents.h"
#include "GradeChart.h"
#include "ScreenFit.h"
#include "Spreadsheet.h"
#include "WidgetKit.h"
#include "XlsxTable.h"
#include "choices.h"
#include "installfolder.h"
#include "journal.h"
#include "programstate.h"
#include "reports.h"
#include "resultsmodel.h"

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

QTableWidget *reportTable(const QString &name, const QStringList &captions, int stretched)
{
    auto *t = new QTableWidget(0, int(captions.size()));
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(captions);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->verticalHeader()->setVisible(false);
    t->setTabKeyNavigation(false); // Tab leaves the table, the arrows move in it
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->horizontalHeader()->setSectionResizeMode(stretched, QHeaderView::Stretch);
    return t;
}

void fillTable(QTableWidget *t, const std::vector<QStringList> &rows)
{
    t->setRowCount(int(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            t->setItem(int(r), c, new QTableWidgetItem(rows[r][c]));
}

QString percent(double share)
{
    return QString::number(qRound(share * 100)) + u'%';
}
} // namespace

class JournalWindow::Busy
{
public:
    explicit Busy(JournalWindow *w) : m_window(w), m_outer(w->m_busy++ == 0)
    {
        if (!m_outer)
            return;
        m_focus = QApplication::focusWidget();
        m_total = w->Itogo->text();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        setControlsEnabled(false);
        w->Itogo->setText(QStringLiteral("Читаю журнал…"));
        w->repaint(); // the events wait until the journal answers
    }
    ~Busy()
    {
        if (--m_window->m_busy > 0 || !m_outer)
            return;
        setControlsEnabled(true);
        if (m_window->Itogo->text() == QStringLiteral("Читаю журнал…"))
            m_window->Itogo->setText(m_total);
        if (m_focus)
            m_focus->setFocus();
        QApplication::restoreOverrideCursor();
    }
    Busy(const Busy &) = delete;
    Busy &operator=(const Busy &) = delete;

private:
    void setControlsEnabled(bool enabled)
    {
        const JournalWindow *w = m_window;
        for (QWidget *c :
             std::initializer_list<QWidget *>{w->Uchenik, w->Predmet, w->Tema, w->Ocenka, w->ZaPeriod, w->Ot, w->Do,
                                              w->Rezultaty, w->Razdely, w->Excel, w->Tablica}) {
            // A box that loses the focus this way has not been edited.
            const QSignalBlocker quiet(c);
            c->setEnabled(enabled);
        }
        // The dates count only while the period is on.
        for (QWidget *d : std::initializer_list<QWidget *>{w->Ot, w->Do})
            d->setEnabled(enabled && w->ZaPeriod->isChecked());
    }
    JournalWindow *m_window;
    bool m_outer;
    QPointer<QWidget> m_focus;
    QString m_total;
};

JournalWindow::JournalWindow(Journal &journal, QWidget *parent) : QDialog(parent), m_journal(journal)
{
    setObjectName(QStringLiteral("Zhurnal"));
    setWindowTitle(QStringLiteral("Журнал результатов"));
    m_model = std::make_unique<ResultsModel>(journal);
    auto *l = new QVBoxLayout(scrollingContent(this));

    auto *filters = new QGridLayout;
    Uchenik = namedEdit(QStringLiteral("Uchenik"), QStringLiteral("Часть фамилии или имени ученика"));
    Uchenik->setPlaceholderText(QStringLiteral("Ученик"));
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
    filters->addWidget(new QLabel(QStringLiteral("Предмет")), 0, 2);
    filters->addWidget(Predmet, 0, 3);
    filters->addWidget(new QLabel(QStringLiteral("Тема")), 0, 4);
    filters->addWidget(Tema, 0, 5);
    filters->addWidget(new QLabel(QStringLiteral("Оценка")), 1, 0);
    filters->addWidget(Ocenka, 1, 1);
    filters->addWidget(ZaPeriod, 1, 2);
    filters->addWidget(Ot, 1, 3);
    filters->addWidget(new QLabel(QStringLiteral("по")), 1, 4, Qt::AlignRight);
    filters->addWidget(Do, 1, 5);
    filters->setColumnStretch(1, 1);
    filters->setColumnStretch(3, 1);
    filters->setColumnStretch(5, 2);
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

    Razdely = new QTabWidget;
    Razdely->setObjectName(QStringLiteral("Razdely"));
    Woprosy = reportTable(QStringLiteral("Woprosy"),
                          {QStringLiteral("Вопрос"), QStringLiteral("Тип"), QStringLiteral("Баллы"),
                           QStringLiteral("Верно"), QStringLiteral("Подсказок"), QStringLiteral("Секунд")},
                          1);
    Otchet =
        reportTable(QStringLiteral("Otchet"),
                    {QStringLiteral("Вопрос"), QStringLiteral("Учеников"), QStringLiteral("Задан раз"),
                     QStringLiteral("Верно"), QStringLiteral("Баллов в среднем"), QStringLiteral("Секунд в среднем")},
                    0);
    Woprosy->setAccessibleName(QStringLiteral("Вопросы выбранного прохождения"));
    Otchet->setAccessibleName(QStringLiteral("Отчёт по вопросам темы"));
    OcenkiUchenika = new GradeChart;
    OcenkiUchenika->setObjectName(QStringLiteral("OcenkiUchenika"));
    OcenkiTemy = new GradeChart;
    OcenkiTemy->setObjectName(QStringLiteral("OcenkiTemy"));
    for (GradeChart *v : {OcenkiUchenika, OcenkiTemy})
        v->setMinimumHeight(160);
    Razdely->addTab(Woprosy, QStringLiteral("Вопросы результата"));
    Razdely->addTab(OcenkiUchenika, QStringLiteral("Оценки ученика"));
    Razdely->addTab(OcenkiTemy, QStringLiteral("Оценки по теме"));
    Razdely->addTab(Otchet, QStringLiteral("Отчёт по вопросам темы"));

    auto *split = new QSplitter(Qt::Vertical);
    split->addWidget(Rezultaty);
    split->addWidget(Razdely);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    l->addWidget(split, 1);

    auto *bl = new QHBoxLayout;
    Itogo = new QLabel;
    Itogo->setObjectName(QStringLiteral("Itogo"));
    Excel = namedButton(QStringLiteral("Excel"), QStringLiteral("В таблицу .xlsx"),
                        QStringLiteral("Записать показанные результаты в файл электронной таблицы"));
    Tablica = namedButton(QStringLiteral("Tablica"), QStringLiteral("Открыть в электронной таблице"),
                          QStringLiteral("Передать показанные результаты программе электронных таблиц"));
    Zakryt = namedButton(QStringLiteral("Zakryt"), QStringLiteral("Закрыть"), QStringLiteral("Закрыть окно"));
    // Enter in a filter must never close the window: no button here is the default.
    for (QPushButton *b : {Excel, Tablica, Zakryt})
        b->setAutoDefault(false);
    bl->addWidget(Itogo, 1);
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
    for (QComboBox *c : {Predmet, Tema, Ocenka})
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
    connect(Excel, &QPushButton::clicked, this, &JournalWindow::ExcelClick);
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
    for (auto [box, items] : {std::pair{Predmet, c.subjects}, std::pair{Tema, c.topics}}) {
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
    showQuestionReport();
    showTopicChart(f.subject, f.topic);
}

void JournalWindow::resultChosen(int row)
{
    if (row < 0)
        return;
    const Busy busy(this);
    std::vector<QStringList> rows;
    for (const QuestionResult &q : questionsOf(m_journal, m_model->resultId(row)))
        rows.push_back({q.key, q.answerType, QStringLiteral("%1 из %2").arg(q.pointsEarned).arg(q.pointsPossible),
                        q.answered ? (q.right ? QStringLiteral("да") : QStringLiteral("нет")) : QStringLiteral("—"),
                        QString::number(q.hints), QString::number(q.seconds)});
    fillTable(Woprosy, rows);
    showPupilChart(m_model->index(row, ResultsModel::Pupil).data().toString());
}

void JournalWindow::showPupilChart(const QString &pupil)
{
    // The pupil's grades by points, run after run.
    ResultsModel runs(m_journal);
    ResultFilter f;
    f.pupil = pupil;
    f.userCode = m_onlyUserCode;
    runs.setFilter(f);
    runs.sort(ResultsModel::Started, Qt::AscendingOrder);
    while (runs.canFetchMore())
        runs.fetchMore();
    std::vector<GradeChart::Point> points;
    for (int r = 0; r < runs.rowCount(); ++r) {
        if (runs.index(r, ResultsModel::Pupil).data().toString() != pupil)
            continue; // another pupil whose name holds this one
        bool ok = false;
        const int grade = runs.index(r, ResultsModel::Grade).data().toString().toInt(&ok);
        if (!ok)
            continue;
        const QDateTime at = QDateTime::fromString(runs.index(r, ResultsModel::Started).data().toString(),
                                                   QStringLiteral("dd.MM.yyyy HH:mm"));
        points.emplace_back(at, grade);
    }
    OcenkiUchenika->showLine(QStringLiteral("Оценки: %1").arg(pupil), std::move(points));
}

void JournalWindow::showTopicChart(const QString &subject, const QString &topic)
{
    if (topic.isEmpty()) {
        // A topic's picture: without one chosen the whole journal is not counted.
        OcenkiTemy->showMessage(QStringLiteral("Выберите тему, чтобы увидеть её оценки"));
        return;
    }
    // How many runs of the topic ended with each grade.
    const std::vector<int> counts = gradeCounts(m_journal, [&] {
        ResultFilter f = m_model->filter();
        f.subject = subject;
        f.topic = topic;
        f.grade.clear();
        return f;
    }());
    OcenkiTemy->showBars(QStringLiteral("Оценки по теме: %1").arg(topic),
                         {QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5")}, counts);
}

void JournalWindow::showQuestionReport()
{
    std::vector<QStringList> rows;
    if (m_model->filter().topic.isEmpty()) {
        fillTable(Otchet, rows); // the report is a topic's: none until one is chosen
        return;
    }
    for (const QuestionReportRow &q : questionReport(m_journal, m_model->filter()))
        rows.push_back({q.key, QString::number(q.pupils), QString::number(q.shown), percent(q.shareRight),
                        QLocale().toString(q.averagePoints, 'f', 2), QLocale().toString(q.averageSeconds, 'f', 0)});
    fillTable(Otchet, rows);
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

void JournalWindow::ExcelClick()
{
    const QString folder = installPath(QStringLiteral("Documents"));
    QDir().mkpath(folder);
    const QString path =
        QDir(folder).filePath(QStringLiteral("Журнал_%1.xlsx")
                                  .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"))));
    try {
        writeXlsxTable(path, QStringLiteral("Журнал"), shownCaptions(), shownRows());
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        return;
    }
    if (!desktop().openFile(path))
        desktop().reportNotOpened(path);
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
