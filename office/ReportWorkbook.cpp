#include "ReportWorkbook.h"
#include "Report.h"
#include "WritersModule.h"
#include "durablefile.h"
#include "errors.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>

namespace
{
constexpr int sheetRows = 1048576, sheetColumns = 16384;
constexpr qsizetype longestSheetName = 31;

// The rows the table takes on its sheet, pictures aside.
qsizetype rowsNeeded(const ReportTable &table, const WorkbookLayout &layout)
{
    return (layout.titleRows ? 3 : 0) + 1 + qsizetype(table.rows.size()) + (table.caption.isEmpty() ? 0 : 1);
}

// The name cut to at most length characters, a cut one ending with "…".
QString cutName(const QString &name, qsizetype length)
{
    if (name.size() <= length)
        return name;
    QString cut = name.left(length - 1);
    if (cut.back().isHighSurrogate())
        cut.chop(1);
    return cut.trimmed() + QChar(0x2026);
}

// The wanted name as a sheet may be named: none of []:*?/\ (each becomes a
// space, and runs of spaces one), no apostrophe at either end.
QString allowedName(const QString &wanted)
{
    QString name = wanted;
    for (const QChar c : QStringLiteral("[]:*?/\\"))
        name.replace(c, u' ');
    name = name.simplified();
    while (name.startsWith(u'\'') || name.endsWith(u'\''))
        name = (name.startsWith(u'\'') ? name.mid(1) : name.chopped(1)).trimmed();
    return name;
}
} // namespace

QStringList reportSheetNames(const Report &report)
{
    const size_t sheets = std::max<size_t>(1, report.tables.size());
    QStringList names;
    // Spreadsheets tell names apart regardless of case, and keep "History" for themselves.
    QStringList taken{QStringLiteral("history")};
    for (size_t i = 0; i < sheets; ++i) {
        const QString caption = i < report.tables.size() ? report.tables[i].caption : QString();
        QString base = allowedName(caption.isEmpty() && i == 0 ? report.title : caption);
        if (base.isEmpty())
            base = QStringLiteral("Лист%1").arg(i + 1);
        QString name = cutName(base, longestSheetName);
        for (int n = 2; taken.contains(name.toCaseFolded()); ++n) {
            const QString suffix = QStringLiteral(" (%1)").arg(n);
            name = cutName(base, longestSheetName - suffix.size()) + suffix;
        }
        taken << name.toCaseFolded();
        names << name;
    }
    return names;
}

void writeReportWorkbook(const QString &path, const Report &report, const WorkbookLayout &layout)
{
    const QString name = QFileInfo(path).fileName();
    const bool tooBig = std::any_of(report.tables.begin(), report.tables.end(), [&](const ReportTable &t) {
        return rowsNeeded(t, layout) > sheetRows || t.columns.size() > size_t(sheetColumns);
    });
    if (tooBig)
        throw TrivoError(
            QStringLiteral("Не удалось записать таблицу %1: она больше листа электронной таблицы").arg(name));

    // The library writes its file only when the book is closed, and may fail
    // half way; so it writes a scratch copy, which then replaces the file at
    // path in one step.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw TrivoError(cannotWriteText(name, scratch.errorString()));
    const QString book = scratch.filePath(QStringLiteral("book.xlsx"));
    const QString folder = scratch.path();
    const QStringList sheets = reportSheetNames(report);
    QString error;
    if (!writersModule().writeWorkbook(&book, &folder, &sheets, &report, &layout, &error))
        throw TrivoError(cannotWriteText(name, error));
    QFile written(book);
    if (!written.open(QIODevice::ReadOnly))
        throw TrivoError(cannotWriteText(name, written.errorString()));
    replaceFile(path, written.readAll());
}
