// The workbook of a report, written by libxlsxwriter.
#include "Report.h"
#include "ReportWorkbook.h"
#include "WritersModule.h"

#include <QBuffer>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <xlsxwriter.h>

namespace
{
using Kind = ReportColumn::Kind;

constexpr qsizetype longestCell = 32767; // characters a cell holds
constexpr double widestColumn = 60;      // in characters; longer text wraps
constexpr double narrowestColumn = 6;
constexpr int rowPixels = 20; // a row of the default height
constexpr int widestPicture = 900;

// A failure with its reason; caught at the module's edge.
struct BookFailure {
    QString why;
};

bool allowedInXml(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD);
}

// Text as a cell holds it: characters XML cannot carry left out (a spreadsheet
// would otherwise refuse the whole file), cut to what a cell takes.
QByteArray cellText(QStringView text)
{
    QString out;
    out.reserve(std::min(text.size(), longestCell));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            if (out.size() + 2 > longestCell)
                break;
            out += c;
            out += text[++i];
        } else if (!c.isSurrogate() && allowedInXml(c.unicode())) {
            if (out.size() + 1 > longestCell)
                break;
            out += c;
        }
    }
    return out.toUtf8();
}

// Spreadsheets count days from 1900; earlier or later dates stay text.
bool fitsSheetDate(const QDate &d)
{
    return d.isValid() && d.year() >= 1900 && d.year() <= 9999;
}

QString reasonText(lxw_error error)
{
    switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return QStringLiteral("не хватило памяти");
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
        return QStringLiteral("не удалось записать временный файл (%1)").arg(qt_error_string(errno));
    default:
        return QStringLiteral("ошибка библиотеки таблиц: %1").arg(QString::fromUtf8(lxw_strerror(error)));
    }
}

// The cell formats of one workbook.
struct Formats {
    lxw_format *title, *filter, *caption, *header, *wrapped, *integer, *decimal, *percent, *date, *dateTime;

    explicit Formats(lxw_workbook *book)
    {
        auto make = [book](const char *numberFormat = nullptr) {
            lxw_format *f = workbook_add_format(book);
            if (numberFormat)
                format_set_num_format(f, numberFormat);
            return f;
        };
        title = make();
        format_set_bold(title);
        format_set_font_size(title, 14);
        filter = make();
        format_set_italic(filter);
        caption = make();
        format_set_bold(caption);
        header = make();
        format_set_bold(header);
        format_set_text_wrap(header);
        format_set_align(header, LXW_ALIGN_VERTICAL_TOP);
        format_set_bottom(header, LXW_BORDER_THIN);
        wrapped = make();
        format_set_text_wrap(wrapped);
        format_set_align(wrapped, LXW_ALIGN_VERTICAL_TOP);
        integer = make("0");
        decimal = make("0.00");
        percent = make("0%");
        date = make("dd.mm.yyyy");
        dateTime = make("dd.mm.yyyy hh:mm");
    }
};

// The width a cell's shown value needs, in characters.
double shownWidth(const QVariant &value, Kind kind)
{
    if (!value.isValid())
        return 0;
    switch (kind) {
    case Kind::Text: {
        qsizetype longest = 0;
        for (const QStringView line : QStringView(value.toString()).split(u'\n'))
            longest = std::max(longest, line.size());
        return double(longest);
    }
    case Kind::Integer:
        return double(QString::number(value.toLongLong()).size());
    case Kind::Decimal:
        return double(QString::number(value.toDouble(), 'f', 2).size());
    case Kind::Percent:
        return double(QString::number(std::round(value.toDouble() * 100)).size() + 1);
    case Kind::Date:
        return 10;
    case Kind::DateTime:
        return 16;
    }
    return 0;
}

// Column widths fitted to the longest value of the table, its captions
// included (a little wider: they are bold); capped, and the capped ones wrap.
struct ColumnWidths {
    std::vector<double> widths;
    std::vector<bool> wraps;
};
ColumnWidths fittedColumns(const ReportTable &table)
{
    ColumnWidths out;
    out.widths.assign(table.columns.size(), narrowestColumn);
    out.wraps.assign(table.columns.size(), false);
    auto widen = [&](size_t column, double width) {
        out.widths[column] = std::max(out.widths[column], std::min(width + 2, widestColumn));
        if (width + 2 > widestColumn)
            out.wraps[column] = true;
    };
    for (size_t c = 0; c < table.columns.size(); ++c) {
        widen(c, double(table.columns[c].caption.size()) * 1.1);
        for (const QVariantList &row : table.rows)
            if (qsizetype(c) < row.size())
                widen(c, shownWidth(row[qsizetype(c)], table.columns[c].kind));
    }
    return out;
}

// One sheet: the report's title rows, one table, and the charts when asked.
class SheetWriter
{
public:
    SheetWriter(lxw_worksheet *sheet, const Formats &formats, const WorkbookLayout &layout)
        : m_sheet(sheet), m_formats(formats), m_layout(layout)
    {
    }

    void write(const Report &report, const ReportTable *table, bool charts)
    {
        if (table) {
            const ColumnWidths columns = fittedColumns(*table);
            m_wraps = columns.wraps;
            for (size_t c = 0; c < columns.widths.size(); ++c)
                check(worksheet_set_column(m_sheet, lxw_col_t(c), lxw_col_t(c), columns.widths[c], nullptr));
        }
        if (m_layout.titleRows) {
            text(m_row++, 0, report.title, m_formats.title);
            if (!report.filterLine.isEmpty())
                text(m_row++, 0, report.filterLine, m_formats.filter);
            ++m_row;
        }
        if (table)
            this->table(*table);
        if (charts && !report.charts.empty()) {
            ++m_row;
            for (const auto &[caption, image] : report.charts)
                chart(caption, image);
        }
        pageSetup();
    }

    lxw_error firstError() const { return m_error; }

private:
    void check(lxw_error e)
    {
        if (e != LXW_NO_ERROR && m_error == LXW_NO_ERROR)
            m_error = e;
    }

    void text(lxw_row_t row, lxw_col_t column, QStringView value, lxw_format *format)
    {
        if (value.isEmpty())
            return;
        check(worksheet_write_string(m_sheet, row, column, cellText(value).constData(), format));
    }

    void table(const ReportTable &t)
    {
        if (!t.caption.isEmpty())
            text(m_row++, 0, t.caption, m_formats.caption);
        const lxw_row_t header = m_row++;
        for (size_t c = 0; c < t.columns.size(); ++c)
            text(header, lxw_col_t(c), t.columns[c].caption, m_formats.header);
        for (const QVariantList &cells : t.rows) {
            for (size_t c = 0; c < t.columns.size() && qsizetype(c) < cells.size(); ++c)
                cell(m_row, lxw_col_t(c), cells[qsizetype(c)], t.columns[c].kind);
            ++m_row;
        }
        if (!t.columns.empty()) {
            m_header = header;
            check(worksheet_autofilter(m_sheet, header, 0, m_row - 1, lxw_col_t(t.columns.size() - 1)));
            worksheet_freeze_panes(m_sheet, header + 1, 0);
        }
    }

    void number(lxw_row_t row, lxw_col_t column, double value, lxw_format *format)
    {
        if (std::isfinite(value)) // a spreadsheet has no infinity: such a cell stays empty
            check(worksheet_write_number(m_sheet, row, column, value, format));
    }

    void cell(lxw_row_t row, lxw_col_t column, const QVariant &value, Kind kind)
    {
        if (!value.isValid() || value.isNull())
            return;
        const QString shown = value.toString();
        bool isNumber = false;
        switch (kind) {
        case Kind::Text: {
            const double n = m_layout.numbersFromText ? shown.trimmed().toDouble(&isNumber) : 0;
            if (isNumber && std::isfinite(n))
                return number(row, column, n, nullptr);
            const bool wraps = column < m_wraps.size() && m_wraps[column];
            return text(row, column, shown, wraps ? m_formats.wrapped : nullptr);
        }
        case Kind::Integer:
        case Kind::Decimal:
        case Kind::Percent: {
            const double n = value.toDouble(&isNumber);
            if (!isNumber)
                return text(row, column, shown, nullptr);
            lxw_format *f = kind == Kind::Integer   ? m_formats.integer
                            : kind == Kind::Decimal ? m_formats.decimal
                                                    : m_formats.percent;
            return number(row, column, n, f);
        }
        case Kind::Date:
        case Kind::DateTime: {
            const QDateTime at = kind == Kind::Date ? QDateTime(value.toDate(), QTime(0, 0)) : value.toDateTime();
            if (!fitsSheetDate(at.date()))
                return text(row, column, shown, nullptr);
            const QTime t = kind == Kind::Date ? QTime(0, 0) : at.time();
            lxw_datetime when = {at.date().year(), at.date().month(), at.date().day(), t.hour(), t.minute(), 0};
            check(worksheet_write_datetime(m_sheet, row, column, &when,
                                           kind == Kind::Date ? m_formats.date : m_formats.dateTime));
            return;
        }
        }
    }

    // A picture goes in as PNG under its caption; the rows it covers are skipped.
    void chart(const QString &caption, const QImage &image)
    {
        if (image.isNull())
            return;
        text(m_row++, 0, caption, m_formats.caption);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            return;
        m_pictures.push_back(png); // libxlsxwriter reads it again when the book is closed
        lxw_image_options options = {};
        options.x_scale = options.y_scale = std::min(1.0, double(widestPicture) / image.width());
        check(worksheet_insert_image_buffer_opt(m_sheet, m_row, 0,
                                                reinterpret_cast<const unsigned char *>(m_pictures.back().constData()),
                                                size_t(m_pictures.back().size()), &options));
        m_row += lxw_row_t(std::ceil(image.height() * options.y_scale / rowPixels)) + 1;
    }

    void pageSetup()
    {
        worksheet_set_landscape(m_sheet);
        worksheet_set_paper(m_sheet, 9); // A4
        worksheet_fit_to_pages(m_sheet, 1, 0);
        if (m_header >= 0)
            check(worksheet_repeat_rows(m_sheet, lxw_row_t(m_header), lxw_row_t(m_header)));
    }

    lxw_worksheet *m_sheet;
    const Formats &m_formats;
    WorkbookLayout m_layout;
    std::vector<bool> m_wraps;
    std::vector<QByteArray> m_pictures;
    qint64 m_header = -1; // the table's header row, once written
    lxw_row_t m_row = 0;
    lxw_error m_error = LXW_NO_ERROR;
};

// Writes the workbook at file, a scratch name the caller owns: a sheet for
// each table, named by sheetNames.
void writeBook(const QString &file, const QString &tempFolder, const QStringList &sheetNames, const Report &report,
               const WorkbookLayout &layout)
{
    QByteArray folder = QFile::encodeName(tempFolder);
    lxw_workbook_options options = {};
    options.tmpdir = folder.data();
    lxw_workbook *book = workbook_new_opt(QFile::encodeName(file).constData(), &options);
    if (!book)
        throw BookFailure{reasonText(LXW_ERROR_MEMORY_MALLOC_FAILED)};
    const size_t sheets = std::max<size_t>(1, report.tables.size());
    lxw_error error = sheetNames.size() == qsizetype(sheets) ? LXW_NO_ERROR : LXW_ERROR_PARAMETER_VALIDATION;
    try {
        const Formats formats(book);
        for (size_t i = 0; i < sheets && error == LXW_NO_ERROR; ++i) {
            lxw_worksheet *sheet = workbook_add_worksheet(book, cellText(sheetNames[qsizetype(i)]).constData());
            if (!sheet) {
                error = LXW_ERROR_PARAMETER_VALIDATION;
                break;
            }
            SheetWriter writer(sheet, formats, layout);
            writer.write(report, i < report.tables.size() ? &report.tables[i] : nullptr, i == 0);
            error = writer.firstError();
        }
    } catch (...) {
        lxw_workbook_free(book);
        throw;
    }
    if (error != LXW_NO_ERROR) {
        lxw_workbook_free(book); // nothing is written
        throw BookFailure{reasonText(error)};
    }
    if (const lxw_error closed = workbook_close(book); closed != LXW_NO_ERROR)
        throw BookFailure{reasonText(closed)};
}
} // namespace

extern "C" Q_DECL_EXPORT bool trivoWriteWorkbook(const QString *file, const QString *scratchFolder,
                                                 const QStringList *sheetNames, const Report *report,
                                                 const WorkbookLayout *layout, QString *error)
{
    try {
        writeBook(*file, *scratchFolder, *sheetNames, *report, *layout);
        return true;
    } catch (const BookFailure &f) {
        *error = f.why;
    } catch (const std::bad_alloc &) {
        *error = reasonText(LXW_ERROR_MEMORY_MALLOC_FAILED);
    }
    return false;
}
