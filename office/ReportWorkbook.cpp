#include "ReportWorkbook.h"
#include "Report.h"
#include "WritersModule.h"
#include "durablefile.h"
#include "errors.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace
{
constexpr int sheetRows = 1048576, sheetColumns = 16384;

// The rows the report takes on its sheet, pictures aside.
qsizetype rowsNeeded(const Report &report, const WorkbookLayout &layout)
{
    qsizetype rows = layout.titleRows ? 3 : 0;
    for (const ReportTable &t : report.tables)
        rows += 2 + qsizetype(t.rows.size()) + (t.caption.isEmpty() ? 0 : 1);
    return rows + 2 * qsizetype(report.charts.size());
}

// A sheet's name is 1 to 31 characters, none of []:*?/\\ and not starting or
// ending with an apostrophe.
QString sheetName(const QString &wanted)
{
    QString name = wanted;
    for (const QChar c : QStringLiteral("[]:*?/\\"))
        name.replace(c, u' ');
    auto withoutEndApostrophes = [](QString n) {
        while (n.startsWith(u'\'') || n.endsWith(u'\''))
            n = n.startsWith(u'\'') ? n.mid(1) : n.chopped(1);
        return n;
    };
    name = withoutEndApostrophes(withoutEndApostrophes(name).left(31));
    return name.trimmed().isEmpty() ? QStringLiteral("Лист1") : name;
}
} // namespace

void writeReportWorkbook(const QString &path, const Report &report, const WorkbookLayout &layout)
{
    const QString name = QFileInfo(path).fileName();
    size_t widest = 0;
    for (const ReportTable &t : report.tables)
        widest = std::max(widest, t.columns.size());
    if (rowsNeeded(report, layout) > sheetRows || widest > size_t(sheetColumns))
        throw TrivoError(
            QStringLiteral("Не удалось записать таблицу %1: она больше листа электронной таблицы").arg(name));

    // The library writes its file only when the book is closed, and may fail
    // half way; so it writes a scratch copy, which then replaces the file at
    // path in one step.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw TrivoError(cannotWriteText(name, scratch.errorString()));
    const QString book = scratch.filePath(QStringLiteral("book.xlsx"));
    const QString folder = scratch.path(), sheet = sheetName(report.title);
    QString error;
    if (!writersModule().writeWorkbook(&book, &folder, &sheet, &report, &layout, &error))
        throw TrivoError(cannotWriteText(name, error));
    QFile written(book);
    if (!written.open(QIODevice::ReadOnly))
        throw TrivoError(cannotWriteText(name, written.errorString()));
    replaceFile(path, written.readAll());
}
