// What the journal window shows, on paper and in a workbook: the results that
// pass the filters and the open section, with its chart.
#include "Desktop.h"
#include "GradeChart.h"
#include "JournalWindow.h"
#include "ReportWorkbook.h"
#include "errors.h"
#include "resultsmodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTabWidget>

namespace
{
using Kind = ReportColumn::Kind;

QImage pictureOf(GradeChart *chart)
{
    // Drawn at a size that reads well on a landscape page, whatever the window's size.
    const QSize was = chart->size();
    chart->resize(900, 320);
    QImage image(chart->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    chart->render(&image);
    chart->resize(was);
    return image;
}

// The report's column for each of the results model's, in its order: the
// switch names every column, so a column added to the model is not left out.
ReportColumn resultsColumn(ResultsModel::Column column)
{
    switch (column) {
    case ResultsModel::Started:
        return {QStringLiteral("Начало"), Kind::DateTime};
    case ResultsModel::Pupil:
        return {QStringLiteral("Ученик")};
    case ResultsModel::ClassName:
        return {QStringLiteral("Класс")};
    case ResultsModel::UserCode:
        return {QStringLiteral("Код")};
    case ResultsModel::Subject:
        return {QStringLiteral("Предмет")};
    case ResultsModel::Topic:
        return {QStringLiteral("Тема")};
    case ResultsModel::Grade:
        return {QStringLiteral("Оценка")};
    case ResultsModel::Right:
        return {QStringLiteral("Верно"), Kind::Integer};
    case ResultsModel::Asked:
        return {QStringLiteral("Задано"), Kind::Integer};
    case ResultsModel::Points:
        return {QStringLiteral("Баллы")};
    case ResultsModel::Seconds:
        return {QStringLiteral("Время")};
    case ResultsModel::Host:
        return {QStringLiteral("Компьютер")};
    case ResultsModel::ColumnCount:
        break;
    }
    return {};
}

// The results as the model's cells give them, each in its column's kind.
ReportTable resultsTable(const std::vector<QStringList> &rows)
{
    ReportTable results{QStringLiteral("Результаты"), {}, {}};
    for (int c = 0; c < ResultsModel::ColumnCount; ++c)
        results.columns.push_back(resultsColumn(ResultsModel::Column(c)));
    for (const QStringList &row : rows) {
        QVariantList cells;
        for (int c = 0; c < row.size() && c < ResultsModel::ColumnCount; ++c) {
            const Kind kind = results.columns[size_t(c)].kind;
            if (kind == Kind::DateTime)
                cells << QDateTime::fromString(row[c], QStringLiteral("dd.MM.yyyy HH:mm"));
            else if (kind == Kind::Integer)
                cells << row[c].toInt();
            else
                cells << row[c];
        }
        results.rows.push_back(std::move(cells));
    }
    return results;
}
} // namespace

Report JournalWindow::shownReport(const std::vector<QStringList> &rows)
{
    const ResultFilter f = m_model->filter();
    QStringList filters;
    if (!f.pupil.isEmpty())
        filters << QStringLiteral("ученик: «%1»").arg(f.pupil);
    if (!f.className.isEmpty())
        filters << QStringLiteral("класс: %1").arg(f.className);
    if (!f.subject.isEmpty())
        filters << QStringLiteral("предмет: %1").arg(f.subject);
    if (!f.topic.isEmpty())
        filters << QStringLiteral("тема: %1").arg(f.topic);
    if (!f.grade.isEmpty())
        filters << QStringLiteral("оценка: %1").arg(f.grade);
    if (f.from.isValid())
        filters << QStringLiteral("с %1 по %2")
                       .arg(f.from.toString(QStringLiteral("dd.MM.yyyy")), f.to.toString(QStringLiteral("dd.MM.yyyy")));
    Report report;
    const int open = Razdely->currentIndex();
    const SectionView &section = m_sections[open];
    report.title = QStringLiteral("Журнал результатов") +
                   (section.title.isEmpty() ? QString() : QStringLiteral(" — ") + section.title);
    report.filterLine = (filters.isEmpty() ? QStringLiteral("Все результаты")
                                           : QStringLiteral("Отбор: ") + filters.join(QStringLiteral("; "))) +
                        QStringLiteral(". Результатов: %1.").arg(rows.size());
    report.printed = QDateTime::currentDateTime();
    if (!section.summary.isEmpty())
        report.filterLine += u'\n' + section.summary;
    // The open section comes first, so that its printout starts with it on
    // the first page, each of its tables under a heading of its own (the
    // section's name for one that has none, which also names its sheet); the
    // results follow.
    for (ReportTable t : section.tables) {
        if (t.caption.isEmpty())
            t.caption = Razdely->tabText(open);
        report.tables.push_back(std::move(t));
    }
    report.tables.push_back(resultsTable(rows));
    if (open == PupilSection && OcenkiUchenika->kind() != GradeChart::Kind::Message)
        report.charts.emplace_back(OcenkiUchenika->title(), pictureOf(OcenkiUchenika));
    if (open == TopicSection && OcenkiTemy->kind() != GradeChart::Kind::Message)
        report.charts.emplace_back(OcenkiTemy->title(), pictureOf(OcenkiTemy));
    return report;
}

void JournalWindow::PechatClick()
{
    readShownRows([this](const std::vector<QStringList> &rows) { desktop().printPreview(shownReport(rows), this); });
}

void JournalWindow::ExcelClick()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    const QString suggested =
        QDir(folder).filePath(QStringLiteral("Журнал_%1.xlsx")
                                  .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm"))));
    QString path =
        desktop().saveFileName(QStringLiteral("Сохранить в Excel"), suggested, QStringLiteral("Книга Excel (*.xlsx)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
        path += QStringLiteral(".xlsx");
    readShownRows([this, path](const std::vector<QStringList> &rows) {
        try {
            writeReportWorkbook(path, shownReport(rows));
        } catch (const TrivoError &e) {
            desktop().error(e.text());
            return;
        }
        if (!desktop().openFile(path))
            desktop().reportNotOpened(path);
    });
}
