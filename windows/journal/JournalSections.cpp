// The sections of the journal window: a run's questions, a pupil's page, a
// class's page, a topic's grades and the analysis of a topic's questions.
#include "JournalSections.h"
#include "Desktop.h"
#include "GradeChart.h"
#include "JournalWindow.h"
#include "ReportDocument.h"
#include "WidgetKit.h"
#include "choices.h"
#include "errors.h"
#include "installfolder.h"
#include "journal.h"
#include "journalreader.h"
#include "programstate.h"
#include "pupilpages.h"
#include "questionanalysis.h"
#include "remarking.h"
#include "reports.h"
#include "resultsmodel.h"
#include "review.h"
#include "subjects.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

using Kind = ReportColumn::Kind;

namespace
{
// A section's table. Its long texts are shown whole: a text column held to a
// width wraps, and each row is as tall as those columns need. The main text
// (stretched) shows what fits in that height, cut with "…", and is whole in
// its tooltip; it does not set the height, so that one long question does
// not take the table's whole height.
class SectionTable : public QTableWidget
{
public:
    explicit SectionTable(int stretched) : m_stretched(stretched)
    {
        setWordWrap(true);
        setTextElideMode(Qt::ElideRight);
        verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    }

protected:
    int sizeHintForRow(int row) const override
    {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        int hint = fontMetrics().height();
        for (int c = 0; c < columnCount(); ++c) {
            if (c == m_stretched || isColumnHidden(c))
                continue;
            const QModelIndex index = model()->index(row, c);
            // The delegate wraps to the width only of a rectangle with some height.
            option.rect = QRect(0, 0, columnWidth(c), std::max(1, rowHeight(row)));
            hint = std::max(hint, itemDelegateForIndex(index)->sizeHint(option, index).height());
        }
        return hint + (showGrid() ? 1 : 0);
    }

private:
    int m_stretched;
};
} // namespace

QTableWidget *sectionTable(const QString &name, const QString &spoken, int stretched)
{
    auto *t = new SectionTable(stretched);
    t->setObjectName(name);
    t->setAccessibleName(spoken);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->verticalHeader()->setVisible(false);
    t->setTabKeyNavigation(false); // Tab leaves the table, the arrows move in it
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->setProperty("stretched", stretched);
    return t;
}

void showReportTable(QTableWidget *t, const ReportTable &report)
{
    t->clear();
    t->setColumnCount(int(report.columns.size()));
    QStringList captions;
    for (const ReportColumn &c : report.columns)
        captions << c.caption;
    t->setHorizontalHeaderLabels(captions);
    t->setRowCount(int(report.rows.size()));
    const int stretched = t->property("stretched").toInt();
    for (size_t r = 0; r < report.rows.size(); ++r)
        for (size_t c = 0; c < report.columns.size(); ++c) {
            const QString whole = shownReportCell(report.rows[r].value(qsizetype(c)), report.columns[c].kind);
            // The main text begins on its row's first line, its lines joined.
            auto *item =
                new QTableWidgetItem(int(c) == stretched ? QString(whole).replace(u'\n', QStringLiteral("; ")) : whole);
            // From the top of the row, which wrapped texts may make tall.
            if (report.columns[c].kind != Kind::Text)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignTop);
            else
                item->setTextAlignment(Qt::AlignLeft | Qt::AlignTop);
            if (report.columns[c].kind == Kind::Text && !whole.isEmpty())
                item->setToolTip(whole);
            t->setItem(int(r), int(c), item);
        }
    // The main text takes what is left; other long texts are held to a width
    // that leaves it room, and wrap (each line of a cell on a line of its own).
    QHeaderView *h = t->horizontalHeader();
    const int widest = t->fontMetrics().averageCharWidth() * 22;
    for (int c = 0; c < t->columnCount(); ++c) {
        if (c == stretched) {
            h->setSectionResizeMode(c, QHeaderView::Stretch);
            continue;
        }
        h->setSectionResizeMode(c, QHeaderView::Interactive);
        t->resizeColumnToContents(c);
        if (report.columns[size_t(c)].kind == Kind::Text && h->sectionSize(c) > widest)
            h->resizeSection(c, widest);
    }
}

namespace
{
QVariant orNothing(const std::optional<double> &v)
{
    return v ? QVariant(*v) : QVariant();
}

QString gradeText(const std::optional<double> &v)
{
    return v ? QLocale().toString(*v, 'f', 1) : QStringLiteral("—");
}

QLabel *summaryLabel(const QString &name)
{
    auto *l = new QLabel;
    l->setObjectName(name);
    l->setWordWrap(true);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return l;
}
} // namespace

void JournalWindow::buildSections()
{
    Razdely = new QTabWidget;
    Razdely->setObjectName(QStringLiteral("Razdely"));
    Woprosy = sectionTable(QStringLiteral("Woprosy"), QStringLiteral("Вопросы выбранного прохождения"), 0);

    StranicaUchenika = new QWidget;
    StranicaUchenika->setObjectName(QStringLiteral("StranicaUchenika"));
    SvodkaUchenika = summaryLabel(QStringLiteral("SvodkaUchenika"));
    OcenkiUchenika = new GradeChart;
    OcenkiUchenika->setObjectName(QStringLiteral("OcenkiUchenika"));
    ProhozhdeniyaUchenika =
        sectionTable(QStringLiteral("ProhozhdeniyaUchenika"), QStringLiteral("Прохождения ученика"), 2);
    SlabyeTemy = sectionTable(QStringLiteral("SlabyeTemy"), QStringLiteral("Темы, где ученик теряет больше баллов"), 1);
    PamyatUchenika = sectionTable(QStringLiteral("PamyatUchenika"), QStringLiteral("Работа над ошибками по темам"), 1);
    SbrositRaspisanie = namedButton(QStringLiteral("SbrositRaspisanie"), QStringLiteral("Сбросить повторение ошибок"),
                                    QStringLiteral("Начать расписание повторения ошибок этого ученика заново"));
    SbrositRaspisanie->setAutoDefault(false);
    auto *pl = new QVBoxLayout(StranicaUchenika);
    pl->addWidget(SvodkaUchenika);
    auto *pupilRow = new QHBoxLayout;
    auto *runs = new QVBoxLayout;
    runs->addWidget(OcenkiUchenika, 1);
    runs->addWidget(ProhozhdeniyaUchenika, 1);
    pupilRow->addLayout(runs, 3);
    auto *tables = new QVBoxLayout;
    tables->addWidget(new QLabel(QStringLiteral("Где теряет больше баллов")));
    tables->addWidget(SlabyeTemy);
    tables->addWidget(new QLabel(QStringLiteral("Работа над ошибками")));
    tables->addWidget(PamyatUchenika);
    tables->addWidget(SbrositRaspisanie, 0, Qt::AlignRight);
    pupilRow->addLayout(tables, 4);
    pl->addLayout(pupilRow, 1);

    StranicaKlassa = new QWidget;
    StranicaKlassa->setObjectName(QStringLiteral("StranicaKlassa"));
    SvodkaKlassa = summaryLabel(QStringLiteral("SvodkaKlassa"));
    UchenikiKlassa = sectionTable(QStringLiteral("UchenikiKlassa"), QStringLiteral("Ученики класса"), 0);
    auto *cl = new QVBoxLayout(StranicaKlassa);
    cl->addWidget(SvodkaKlassa);
    cl->addWidget(UchenikiKlassa, 1);

    OcenkiTemy = new GradeChart;
    OcenkiTemy->setObjectName(QStringLiteral("OcenkiTemy"));
    for (GradeChart *v : {OcenkiUchenika, OcenkiTemy})
        v->setMinimumHeight(160);

    Analiz = new QWidget;
    Analiz->setObjectName(QStringLiteral("Analiz"));
    Nadezhnost = summaryLabel(QStringLiteral("Nadezhnost"));
    Otchet = sectionTable(QStringLiteral("Otchet"), QStringLiteral("Анализ вопросов темы"), 0);
    PervyePopytki = new QCheckBox(QStringLiteral("только первые попытки"));
    PervyePopytki->setObjectName(QStringLiteral("PervyePopytki"));
    PervyePopytki->setToolTip(QStringLiteral("Считать у каждого ученика только первое прохождение темы: что знал "
                                             "класс до того, как тренировался"));
    PervyePopytki->setChecked(true);
    Uchteno = summaryLabel(QStringLiteral("Uchteno"));
    Pereschitat = namedButton(QStringLiteral("Pereschitat"), QStringLiteral("Пересчитать результаты"),
                              QStringLiteral("Оценить заново ответы на выбранный вопрос по ключу, который сейчас в "
                                             "банке (после исправления ключа)"));
    Pereschitat->setAutoDefault(false);
    Pereschitat->setEnabled(false);
    auto *counted = new QHBoxLayout;
    counted->addWidget(PervyePopytki);
    counted->addWidget(Uchteno, 1);
    counted->addWidget(Pereschitat);
    auto *al = new QVBoxLayout(Analiz);
    al->addLayout(counted);
    al->addWidget(Nadezhnost);
    al->addWidget(Otchet, 1);
    connect(PervyePopytki, &QCheckBox::toggled, this, &JournalWindow::showQuestionAnalysis);
    connect(Pereschitat, &QPushButton::clicked, this, &JournalWindow::PereschitatClick);
    connect(Otchet, &QTableWidget::currentCellChanged, this, [this](int row) {
        Pereschitat->setEnabled(m_onlyUserCode.isEmpty() && !analysedQuestion(row).second.isEmpty());
    });
    // A double-click or Enter on a question leads the administrator to it in the editor.
    connect(Otchet, &QTableWidget::activated, this, [this](const QModelIndex &i) {
        if (const auto [subject, key] = analysedQuestion(i.row()); m_onlyUserCode.isEmpty() && !key.isEmpty())
            emit editQuestion(subject, key);
    });

    Razdely->addTab(Woprosy, QStringLiteral("Вопросы результата"));
    Razdely->addTab(StranicaUchenika, QStringLiteral("Ученик"));
    Razdely->addTab(StranicaKlassa, QStringLiteral("Класс"));
    Razdely->addTab(OcenkiTemy, QStringLiteral("Оценки по теме"));
    Razdely->addTab(Analiz, QStringLiteral("Анализ вопросов"));
    showSection(PupilSection, {QStringLiteral("Ученик"), QStringLiteral("Выберите результат ученика в списке."), {}});
}

void JournalWindow::showSection(Section section, SectionView view)
{
    std::vector<QTableWidget *> widgets;
    switch (section) {
    case RunSection:
        widgets = {Woprosy};
        break;
    case PupilSection:
        widgets = {ProhozhdeniyaUchenika, SlabyeTemy, PamyatUchenika};
        break;
    case ClassSection:
        widgets = {UchenikiKlassa};
        break;
    case TopicSection:
        break; // a chart
    case AnalysisSection:
        widgets = {Otchet};
        break;
    }
    for (size_t i = 0; i < widgets.size(); ++i) {
        if (i < view.tables.size())
            showReportTable(widgets[i], view.tables[i]);
        else
            widgets[i]->setRowCount(0);
    }
    if (section == PupilSection)
        SvodkaUchenika->setText(view.summary);
    else if (section == ClassSection)
        SvodkaKlassa->setText(view.summary);
    else if (section == AnalysisSection)
        Nadezhnost->setText(view.summary);
    m_sections[section] = std::move(view);
}

void JournalWindow::resultChosen(int row)
{
    if (row < 0)
        return;
    auto cell = [&](int column) { return m_model->index(row, column).data().toString(); };
    const QString title = QStringLiteral("Прохождение: %1, %2, %3")
                              .arg(cell(ResultsModel::Pupil), cell(ResultsModel::Topic), cell(ResultsModel::Started));
    m_reader->ask<std::vector<QuestionResult>>(
        RunLane, [id = m_model->resultId(row)](Journal &j) { return questionsOf(j, id); },
        [this, title](const std::vector<QuestionResult> &questions) { showRun(title, questions); });
    showPupilPage(cell(ResultsModel::Pupil));
}

void JournalWindow::showRun(const QString &title, const std::vector<QuestionResult> &questions)
{
    ReportTable t{QString(),
                  {{QStringLiteral("Вопрос")},
                   {QStringLiteral("Ответ ученика")},
                   {QStringLiteral("Верный ответ")},
                   {QStringLiteral("Баллы")},
                   {QStringLiteral("Верно")},
                   {QStringLiteral("Подсказок"), Kind::Integer},
                   {QStringLiteral("Секунд"), Kind::Integer},
                   {QStringLiteral("Тип")}},
                  {}};
    for (const QuestionResult &q : questions)
        // A result kept before the journal kept texts shows its question's key.
        t.rows.push_back({q.text.isEmpty() ? q.key : q.text, q.given, q.rightAnswer,
                          QStringLiteral("%1 из %2").arg(q.pointsEarned).arg(q.pointsPossible),
                          q.answered ? (q.right ? QStringLiteral("да") : QStringLiteral("нет")) : QStringLiteral("—"),
                          q.hints, q.seconds, q.answerType});
    showSection(RunSection, {title, QString(), {std::move(t)}});
}

void JournalWindow::showPupilPage(const QString &pupil)
{
    m_pupilShown = pupil;
    SbrositRaspisanie->setEnabled(m_onlyUserCode.isEmpty() && !pupil.isEmpty());
    // The whole of the pupil, whatever the filters pick out of the results.
    m_reader->ask<Answer<PupilPage>>(
        PupilLane,
        [pupil, f = scope()](Journal &j) {
            Answer<PupilPage> a;
            a.value = pupilPage(j, pupil, f, a.error);
            return a;
        },
        [this, pupil](const Answer<PupilPage> &a) { showPupil(pupil, a.value, a.error); });
}

void JournalWindow::showPupil(const QString &pupil, const std::optional<PupilPage> &page, const QString &error)
{
    if (!page) {
        showSection(PupilSection, {QStringLiteral("Ученик: %1").arg(pupil), error, {}});
        return;
    }
    std::vector<GradeChart::Point> points;
    for (const GradeAt &g : page->grades)
        points.emplace_back(g.started, g.grade);
    OcenkiUchenika->showLine(QStringLiteral("Оценки: %1").arg(page->pupil), std::move(points));
    QString summary =
        QStringLiteral("%1%2. Прохождений: %3, средняя оценка: %4, последняя: %5")
            .arg(page->pupil, page->className.isEmpty() ? QString() : QStringLiteral(", класс %1").arg(page->className))
            .arg(page->runs)
            .arg(gradeText(page->averageGrade), page->lastGrade.isEmpty() ? QStringLiteral("—") : page->lastGrade);
    if (page->stopped > 0)
        summary += QStringLiteral(", прервано: %1").arg(page->stopped);
    // Practice earns no grade; it is counted on its own.
    if (page->practice > 0)
        summary += QStringLiteral(". Работа над ошибками: %1").arg(page->practice);
    ReportTable list{QStringLiteral("Прохождения"),
                     {{QStringLiteral("Начало"), Kind::DateTime},
                      {QStringLiteral("Предмет")},
                      {QStringLiteral("Тема")},
                      {QStringLiteral("Оценка")},
                      {QStringLiteral("Баллы")}},
                     {}};
    for (const PupilRun &r : page->list)
        list.rows.push_back({r.started, r.subject, r.topic,
                             r.practice        ? QStringLiteral("повторение")
                             : r.grade == u"0" ? QStringLiteral("прервана")
                                               : r.grade,
                             QStringLiteral("%1 из %2").arg(r.pointsEarned).arg(r.pointsPossible)});
    ReportTable losses{QStringLiteral("Где теряет больше баллов"),
                       {{QStringLiteral("Предмет")},
                        {QStringLiteral("Тема")},
                        {QStringLiteral("Прохождений"), Kind::Integer},
                        {QStringLiteral("Потеряно баллов"), Kind::Integer},
                        {QStringLiteral("Доля потерянных"), Kind::Percent}},
                       {}};
    for (const TopicLoss &t : page->weakTopics)
        losses.rows.push_back({t.subject, t.topic, t.runs, t.pointsLost,
                               t.pointsPossible > 0 ? QVariant(double(t.pointsLost) / t.pointsPossible) : QVariant()});
    ReportTable memory{QStringLiteral("Работа над ошибками"),
                       {{QStringLiteral("Предмет")},
                        {QStringLiteral("Тема")},
                        {QStringLiteral("Выучено"), Kind::Integer},
                        {QStringLiteral("Повторить сегодня"), Kind::Integer},
                        {QStringLiteral("Ошибки не повторены"), Kind::Integer}},
                       {}};
    for (const TopicMemory &t : page->memory)
        memory.rows.push_back({t.subject, t.topic.isEmpty() ? QStringLiteral("тема не записана") : t.topic, t.learnt,
                               t.due, t.notRepeated});
    showSection(PupilSection, {QStringLiteral("Ученик: %1").arg(page->pupil), summary, {list, losses, memory}});
}

void JournalWindow::SbrositRaspisanieClick()
{
    if (m_pupilShown.isEmpty() || !m_onlyUserCode.isEmpty())
        return;
    if (desktop().ask(QStringLiteral("Начать повторение ошибок ученика «%1» заново? Прежние ответы больше не будут "
                                     "определять, какие вопросы ему повторять.")
                          .arg(m_pupilShown),
                      QStringLiteral("Журнал результатов")) != Desktop::Answer::Yes)
        return;
    m_reader->ask<Answer<int>>(
        ResetLane,
        [pupil = m_pupilShown](Journal &j) {
            Answer<int> a;
            a.value = resetSchedule(j, pupil, a.error);
            a.details = j.lastDetails();
            return a;
        },
        [this, pupil = m_pupilShown](const Answer<int> &a) {
            if (!a.value) {
                showFailure(a.error, a.details);
                return;
            }
            showPupilPage(pupil);
            desktop().message(QStringLiteral("Расписание повторения ошибок ученика «%1» сброшено (вопросов: %2).")
                                  .arg(pupil)
                                  .arg(*a.value),
                              QStringLiteral("Журнал результатов"), Desktop::Icon::Information);
        });
}

void JournalWindow::showClassPage()
{
    const ResultFilter f = m_model->filter();
    if (f.className.isEmpty())
        m_reader->ask<Answer<std::vector<ClassSummary>>>(
            ClassLane,
            [f](Journal &j) {
                Answer<std::vector<ClassSummary>> a;
                a.value = classSummaries(j, f, a.error);
                return a;
            },
            [this](const Answer<std::vector<ClassSummary>> &a) { showClasses(a.value, a.error); });
    else
        m_reader->ask<Answer<std::vector<ClassPupil>>>(
            ClassLane,
            [f](Journal &j) {
                Answer<std::vector<ClassPupil>> a;
                a.value = classPage(j, f.className, f, a.error);
                return a;
            },
            [this, className = f.className](const Answer<std::vector<ClassPupil>> &a) {
                showClass(className, a.value, a.error);
            });
}

// Without a class chosen: the results grouped by class.
void JournalWindow::showClasses(const std::optional<std::vector<ClassSummary>> &classes, const QString &error)
{
    ReportTable t{QString(),
                  {{QStringLiteral("Класс")},
                   {QStringLiteral("Учеников"), Kind::Integer},
                   {QStringLiteral("Прохождений"), Kind::Integer},
                   {QStringLiteral("Средняя оценка"), Kind::Decimal}},
                  {}};
    for (const ClassSummary &c : classes.value_or(std::vector<ClassSummary>{}))
        t.rows.push_back({c.className, c.pupils, c.runs, orNothing(c.averageGrade)});
    const QString summary = !classes ? error
                            : t.rows.empty()
                                ? QStringLiteral("Классы не записаны: спросите класс вместе с именем ученика в "
                                                 "настройках или заведите учётную запись класса («9А»).")
                                : QStringLiteral("Результаты по классам. Выберите класс в фильтре «Класс», чтобы "
                                                 "увидеть его учеников.");
    showSection(ClassSection, {QStringLiteral("Классы"), summary, {std::move(t)}});
}

void JournalWindow::showClass(const QString &className, const std::optional<std::vector<ClassPupil>> &pupils,
                              const QString &error)
{
    if (!pupils) {
        showSection(ClassSection, {QStringLiteral("Класс %1").arg(className), error, {}});
        return;
    }
    ReportTable t{QString(),
                  {{QStringLiteral("Ученик")},
                   {QStringLiteral("Прохождений"), Kind::Integer},
                   {QStringLiteral("Средняя оценка"), Kind::Decimal},
                   {QStringLiteral("Последняя оценка")}},
                  {}};
    int runs = 0;
    for (const ClassPupil &p : *pupils) {
        t.rows.push_back({p.pupil, p.runs, orNothing(p.averageGrade), p.lastGrade});
        runs += p.runs;
    }
    showSection(ClassSection,
                {QStringLiteral("Класс %1").arg(className),
                 QStringLiteral("Класс %1: учеников %2, прохождений %3").arg(className).arg(pupils->size()).arg(runs),
                 {std::move(t)}});
}

void JournalWindow::showTopicChart(const QString &subject, const QString &topic)
{
    if (topic.isEmpty()) {
        // A topic's picture: without one chosen the whole journal is not counted.
        OcenkiTemy->showMessage(QStringLiteral("Выберите тему, чтобы увидеть её оценки"));
        m_sections[TopicSection] = {QStringLiteral("Оценки по теме"), QString(), {}};
        return;
    }
    // How many runs of the topic ended with each grade.
    ResultFilter f = m_model->filter();
    f.subject = subject;
    f.topic = topic;
    f.grade.clear();
    m_reader->ask<std::vector<int>>(
        TopicLane, [f](Journal &j) { return gradeCounts(j, f); },
        [this, topic](const std::vector<int> &counts) { showTopicCounts(topic, counts); });
}

void JournalWindow::showTopicCounts(const QString &topic, const std::vector<int> &counts)
{
    OcenkiTemy->showBars(QStringLiteral("Оценки по теме: %1").arg(topic),
                         {QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5")}, counts);
    ReportTable t{QString(), {{QStringLiteral("Оценка")}, {QStringLiteral("Прохождений"), Kind::Integer}}, {}};
    for (int g = 0; g < 4; ++g)
        t.rows.push_back({QString::number(g + 2), counts[size_t(g)]});
    m_sections[TopicSection] = {QStringLiteral("Оценки по теме: %1").arg(topic), QString(), {std::move(t)}};
}

void JournalWindow::showQuestionAnalysis()
{
    const ResultFilter f = m_model->filter();
    if (f.topic.isEmpty()) {
        // The analysis is a topic's (or the exam's): none until one is chosen.
        showSection(
            AnalysisSection,
            {QStringLiteral("Анализ вопросов"),
             QStringLiteral("Выберите тему (или «Экзамен по всему предмету»), чтобы увидеть анализ её вопросов."),
             {}});
        return;
    }
    struct Analysed {
        Answer<QuestionAnalysis> analysis;
        std::optional<int> runs;
    };
    ResultFilter counted = f;
    counted.firstAttempts = PervyePopytki->isChecked();
    m_reader->ask<Analysed>(
        AnalysisLane,
        [counted](Journal &j) {
            Analysed a;
            a.analysis.value = analyseQuestions(j, counted, a.analysis.error);
            a.runs = resultCount(j, counted);
            return a;
        },
        [this, counted](const Analysed &a) {
            // The question chosen stays chosen when the figures come anew.
            const QString chosen = analysedQuestion(Otchet->currentRow()).second;
            m_analysedSubject = counted.subject;
            m_analysedKeys.clear();
            if (a.analysis.value)
                for (const QuestionFigures &q : a.analysis.value->questions)
                    m_analysedKeys.push_back(q.key);
            Pereschitat->setEnabled(false);
            showAnalysis(counted.topic, a.analysis.value, a.analysis.error);
            const auto at = std::find(m_analysedKeys.begin(), m_analysedKeys.end(), chosen);
            if (!chosen.isEmpty() && at != m_analysedKeys.end())
                Otchet->setCurrentCell(int(at - m_analysedKeys.begin()), 0);
            // Which runs the figures come from, on screen and on paper.
            const QString which =
                !a.runs ? QString()
                : counted.firstAttempts
                    ? QStringLiteral("Учтены только первые попытки каждого ученика: прохождений %1.").arg(*a.runs)
                    : QStringLiteral("Учтены все прохождения: %1.").arg(*a.runs);
            Uchteno->setText(which);
            QString &summary = m_sections[AnalysisSection].summary;
            if (!which.isEmpty())
                summary = summary.isEmpty() ? which : which + u'\n' + summary;
        });
}

std::pair<QString, QString> JournalWindow::analysedQuestion(int row) const
{
    if (row < 0 || size_t(row) >= m_analysedKeys.size())
        return {};
    // Without a subject chosen, the one subject the journal holds.
    QString subject = m_analysedSubject;
    if (subject.isEmpty() && Predmet->count() == 2)
        subject = Predmet->itemText(1);
    return {subject, m_analysedKeys[size_t(row)]};
}

void JournalWindow::PereschitatClick()
{
    const auto [subject, key] = analysedQuestion(Otchet->currentRow());
    if (!m_onlyUserCode.isEmpty() || key.isEmpty())
        return;
    if (subject.isEmpty()) {
        desktop().message(QStringLiteral("Выберите предмет в фильтре «Предмет»: ключ вопроса берётся из банка "
                                         "предмета."),
                          QStringLiteral("Пересчитать результаты"), Desktop::Icon::Information);
        return;
    }
    const Glo &g = glo();
    const GradeBounds bounds{g.TriProc, g.ChetProc, g.PaytProc};
    // The bank's key and what it would change are read off the window's thread.
    m_reader->ask<Answer<RemarkPlan>>(
        RemarkLane,
        [subject, key, bounds](Journal &j) {
            Answer<RemarkPlan> a;
            try {
                const PapkaRec found =
                    findSubject(RecordFile(installPath(QStringLiteral("Baza/Papka.dat")), PapkaRec::Size), subject)
                        .value_or(PapkaRec{});
                const std::vector<KeyOption> options = bankOptionsOf(subjectFolderPath(found.Papka, subject), key);
                if (options.empty())
                    a.error = QStringLiteral("Вопроса %1 нет в банке предмета «%2»: пересчитывать не по чему.")
                                  .arg(key, subject);
                else
                    a.value = planRemark(j, subject, key, options, bounds, a.error);
            } catch (const TrivoError &e) {
                a.error = e.text();
            }
            return a;
        },
        [this, bounds](const Answer<RemarkPlan> &a) {
            if (!a.value)
                showFailure(a.error, a.details);
            else if (confirmRemark(*a.value))
                applyRemarkPlan(*a.value, bounds);
        });
}

bool JournalWindow::confirmRemark(const RemarkPlan &plan)
{
    const QString caption = QStringLiteral("Пересчитать результаты");
    const QString unjudged =
        plan.unjudged > 0
            ? QStringLiteral(" Ответов, которые нельзя оценить заново (вопрос изменился или ответ не сохранён "
                             "целиком): %1 — они останутся как были.")
                  .arg(plan.unjudged)
            : QString();
    if (plan.runs.empty()) {
        desktop().message(QStringLiteral("Пересчитывать нечего: все %1 ответов на вопрос %2 уже оценены по ключу "
                                         "банка.")
                                  .arg(plan.answers)
                                  .arg(plan.questionKey) +
                              unjudged,
                          caption, Desktop::Icon::Information);
        return false;
    }
    return desktop().ask(QStringLiteral("Оценить заново по ключу банка ответы на вопрос %1? Изменятся баллы в "
                                        "прохождениях: %2, оценка — в %3. Прежние баллы и оценка сохранятся рядом "
                                        "с новыми.")
                                 .arg(plan.questionKey)
                                 .arg(plan.runs.size())
                                 .arg(plan.gradesChanged()) +
                             unjudged,
                         caption) == Desktop::Answer::Yes;
}

void JournalWindow::applyRemarkPlan(const RemarkPlan &plan, const GradeBounds &bounds)
{
    m_reader->ask<Answer<int>>(
        RemarkLane,
        [plan, bounds](Journal &j) {
            Answer<int> a;
            if (applyRemark(j, plan, bounds, QDateTime::currentDateTime(), a.error))
                a.value = int(plan.runs.size());
            a.details = j.lastDetails();
            return a;
        },
        [this](const Answer<int> &a) {
            if (!a.value) {
                showFailure(a.error, a.details);
                return;
            }
            applyFilter(); // the new marks in every section
            desktop().message(QStringLiteral("Пересчитано прохождений: %1.").arg(*a.value),
                              QStringLiteral("Пересчитать результаты"), Desktop::Icon::Information);
        });
}

void JournalWindow::showAnalysis(const QString &topic, const std::optional<QuestionAnalysis> &a, const QString &error)
{
    if (!a) {
        showSection(AnalysisSection, {QStringLiteral("Анализ вопросов: %1").arg(topic), error, {}});
        return;
    }
    ReportTable t{QString(),
                  {{QStringLiteral("Вопрос")},
                   {QStringLiteral("Задан раз"), Kind::Integer},
                   {QStringLiteral("Верно"), Kind::Percent},
                   {QStringLiteral("Доля баллов"), Kind::Percent},
                   {QStringLiteral("Различение"), Kind::Decimal},
                   {QStringLiteral("Секунд"), Kind::Decimal},
                   {QStringLiteral("Частые ошибки")},
                   {QStringLiteral("Замечания")},
                   {QStringLiteral("Верный ответ")}},
                  {}};
    for (const QuestionFigures &q : a->questions) {
        QStringList wrong;
        for (size_t i = 0; i < q.wrongAnswers.size() && i < 5; ++i)
            wrong << QStringLiteral("%1 (%2)").arg(q.wrongAnswers[i].answer).arg(q.wrongAnswers[i].times);
        const QString remarks = q.asked < flagMinimum ? fewAnswersText(q.asked) : q.flags.join(u'\n');
        t.rows.push_back({q.text, q.asked, q.shareRight, q.facility, orNothing(q.discrimination), q.averageSeconds,
                          wrong.join(u'\n'), remarks, q.rightAnswer});
    }
    // Each alpha in words: how it was worked out, how good it is and how many runs are behind it.
    auto inWords = [](const TopicReliability &r) {
        const bool drawn = r.basis == ReliabilityBasis::Pairs;
        if (r.alpha && drawn)
            return QStringLiteral("Надёжность теста «%1» (альфа Кронбаха по парам вопросов, заданных вместе: "
                                  "прохождения задавали разные вопросы): %2 — %3; прохождений: %4, вопросов в "
                                  "прохождении: %5 из %6, пар: %7.")
                .arg(r.topic, QLocale().toString(*r.alpha, 'f', 2), reliabilityWord(*r.alpha))
                .arg(r.runs)
                .arg(r.questions)
                .arg(r.pool)
                .arg(r.pairs);
        if (r.alpha)
            return QStringLiteral("Надёжность теста «%1» (альфа Кронбаха): %2 — %3; прохождений: %4, все задавали "
                                  "одни и те же вопросы (вопросов: %5).")
                .arg(r.topic, QLocale().toString(*r.alpha, 'f', 2), reliabilityWord(*r.alpha))
                .arg(r.runs)
                .arg(r.questions);
        const QString none = QStringLiteral("Надёжность теста «%1» не оценить: ").arg(r.topic);
        if (r.runs < alphaMinimum)
            return none + QStringLiteral("нужно не меньше %1 прохождений (есть %2).").arg(alphaMinimum).arg(r.runs);
        if (drawn && r.pairs < pairMinimum)
            return none + QStringLiteral("прохождения задавали разные вопросы, а пар вопросов, заданных вместе хотя "
                                         "бы в двух прохождениях, %1 — нужно не меньше %2.")
                              .arg(r.pairs)
                              .arg(pairMinimum);
        if (r.pairs == 0)
            return none + QStringLiteral("в прохождениях по одному вопросу.");
        return none + QStringLiteral("баллы прохождений не различаются.");
    };
    QStringList reliability;
    for (const TopicReliability &r : a->topics)
        reliability << inWords(r);
    reliability << QStringLiteral("Различение — связь ответа на вопрос с успехом в остальных вопросах (от −1 до 1); "
                                  "замечания появляются, когда вопрос задан не меньше %1 раз, а «возможно, ошибка в "
                                  "ключе» — когда отрицательную связь не объяснить случаем.")
                       .arg(flagMinimum);
    showSection(AnalysisSection,
                {QStringLiteral("Анализ вопросов: %1").arg(topic), reliability.join(u'\n'), {std::move(t)}});
    // On screen the right answer goes with the question's text; paper has a column for it.
    constexpr int rightColumn = 8;
    Otchet->setColumnHidden(rightColumn, true);
    for (int r = 0; r < Otchet->rowCount(); ++r)
        if (const QString right = Otchet->item(r, rightColumn)->toolTip(); !right.isEmpty())
            Otchet->item(r, 0)->setToolTip(Otchet->item(r, 0)->toolTip() + QStringLiteral("\n\nВерный ответ:\n") +
                                           right);
}
