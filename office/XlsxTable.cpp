#include "XlsxTable.h"
#include "errors.h"

#include <QFileInfo>
#include <xlsxwriter.h>

namespace
{
[[noreturn]] void fail(const QString &path, const QString &why)
{
    throw TrivoError(QStringLiteral("Не удалось записать таблицу %1: %2").arg(QFileInfo(path).fileName(), why));
}

void check(lxw_error e, const QString &path)
{
    if (e != LXW_NO_ERROR)
        fail(path, QString::fromUtf8(lxw_strerror(e)));
}
} // namespace

void writeXlsxTable(const QString &path, const QString &sheet, const QStringList &captions,
                    const std::vector<QStringList> &rows)
{
    const QByteArray file = path.toUtf8();
    lxw_workbook *book = workbook_new(file.constData());
    if (!book)
        fail(path, QStringLiteral("нет памяти"));
    // A sheet's name is at most 31 characters and has none of []:*?/\ in it.
    QString name = sheet.left(31);
    for (const QChar c : QStringLiteral("[]:*?/\\"))
        name.replace(c, u' ');
    lxw_worksheet *ws = workbook_add_worksheet(book, name.toUtf8().constData());
    lxw_format *bold = workbook_add_format(book);
    format_set_bold(bold);
    auto put = [&](int r, int c, const QString &text, lxw_format *f) {
        bool number = false;
        const double value = text.trimmed().toDouble(&number);
        if (number && !text.trimmed().isEmpty())
            worksheet_write_number(ws, lxw_row_t(r), lxw_col_t(c), value, f);
        else
            worksheet_write_string(ws, lxw_row_t(r), lxw_col_t(c), text.toUtf8().constData(), f);
    };
    for (int c = 0; c < captions.size(); ++c)
        worksheet_write_string(ws, 0, lxw_col_t(c), captions[c].toUtf8().constData(), bold);
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            put(int(r) + 1, c, rows[r][c], nullptr);
    worksheet_freeze_panes(ws, 1, 0);
    check(workbook_close(book), path);
}
