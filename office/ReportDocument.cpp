#include "ReportDocument.h"

#include <QAbstractTextDocumentLayout>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

#include <cmath>

namespace
{
using Kind = ReportColumn::Kind;

constexpr qreal screenDpi = 96;
constexpr qreal footerPoints = 14;                      // the line with the page's number
constexpr int chartCaption = QTextFormat::UserProperty; // marks a chart's caption block

bool rightAligned(Kind kind)
{
    return kind == Kind::Integer || kind == Kind::Decimal || kind == Kind::Percent;
}

QTextCharFormat textFormat(qreal points, bool bold = false, bool italic = false)
{
    QTextCharFormat f;
    f.setFontPointSize(points);
    f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(italic);
    return f;
}

void paragraph(QTextCursor &cursor, const QString &text, const QTextCharFormat &format, int headingLevel = 0,
               qreal spaceAfter = 6, qreal spaceBefore = 0)
{
    QTextBlockFormat block;
    block.setHeadingLevel(headingLevel);
    block.setBottomMargin(spaceAfter);
    block.setTopMargin(spaceBefore);
    if (!cursor.atStart())
        cursor.insertBlock(block, format);
    else
        cursor.setBlockFormat(block);
    cursor.setBlockCharFormat(format);
    cursor.insertText(text, format);
}

void insertTable(QTextCursor &cursor, const ReportTable &table)
{
    if (table.columns.empty())
        return;
    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderBrush(Qt::black);
    format.setBorderCollapse(true);
    format.setCellPadding(3);
    format.setCellSpacing(0);
    format.setHeaderRowCount(1);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    // No margin under the table: a margin that crossed onto the next page
    // would take the table there, and its header row with it, alone.
    format.setBottomMargin(0);
    const int columns = int(table.columns.size());
    QTextTable *t = cursor.insertTable(int(table.rows.size()) + 1, columns, format);

    const QTextCharFormat plain = textFormat(9), bold = textFormat(9, true);
    auto put = [&](int row, int column, const QString &text, const QTextCharFormat &chars, bool right) {
        QTextCursor c = t->cellAt(row, column).firstCursorPosition();
        QTextBlockFormat block;
        block.setAlignment(right ? Qt::AlignRight : Qt::AlignLeft);
        c.setBlockFormat(block);
        // An empty cell's line as tall as the others': a taller one would not
        // fit where they do and carry its row over onto the next page.
        c.setBlockCharFormat(chars);
        c.insertText(text, chars);
    };
    for (int c = 0; c < columns; ++c) {
        QTextTableCellFormat head;
        head.setBackground(QColor(0xE8, 0xE8, 0xE8));
        t->cellAt(0, c).setFormat(head);
        put(0, c, table.columns[size_t(c)].caption, bold, false);
    }
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const QVariantList &cells = table.rows[r];
        for (int c = 0; c < columns && c < cells.size(); ++c) {
            const Kind kind = table.columns[size_t(c)].kind;
            put(int(r) + 1, c, shownReportCell(cells[c], kind), plain, rightAligned(kind));
        }
    }
    cursor.movePosition(QTextCursor::End);
}

void insertChart(QTextDocument &doc, QTextCursor &cursor, int number, const QString &caption, const QImage &image,
                 const QSizeF &area)
{
    if (image.isNull())
        return;
    paragraph(cursor, caption, textFormat(11, true));
    QTextBlockFormat captionBlock = cursor.blockFormat();
    captionBlock.setProperty(chartCaption, true);
    cursor.setBlockFormat(captionBlock);
    const QUrl name(QStringLiteral("report-chart:%1").arg(number));
    doc.addResource(QTextDocument::ImageResource, name, image);
    // Never wider than the text nor taller than most of a page.
    const QSizeF room(area.width(), area.height() * 0.85);
    const QSizeF size = QSizeF(image.size()).scaled(room, Qt::KeepAspectRatio);
    QTextImageFormat picture;
    picture.setName(name.toString());
    picture.setWidth(std::min<qreal>(size.width(), image.width()));
    picture.setHeight(std::min<qreal>(size.height(), image.height()));
    QTextBlockFormat block;
    block.setBottomMargin(12);
    cursor.insertBlock(block);
    cursor.insertImage(picture);
}
void breakBefore(const QTextBlock &b)
{
    QTextBlockFormat f = b.blockFormat();
    f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    QTextCursor(b).setBlockFormat(f);
}

// A chart whose picture would begin a page leaves its caption behind on the
// page before; such a caption goes to the next page with its picture.
void keepChartsWithCaptions(QTextDocument &doc, qreal pageHeight)
{
    QAbstractTextDocumentLayout *layout = doc.documentLayout();
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (!b.blockFormat().boolProperty(chartCaption) || !b.next().isValid())
            continue;
        const auto pageOf = [pageHeight](qreal y) { return int(y / pageHeight); };
        if (pageOf(layout->blockBoundingRect(b).top()) == pageOf(layout->blockBoundingRect(b.next()).bottom() - 1))
            continue;
        breakBefore(b);
    }
}

// Where a block's first line is: a line the layout took on to the next page
// is there, below where its block began.
qreal firstLineTop(QAbstractTextDocumentLayout *layout, const QTextBlock &b)
{
    const QTextLayout *lines = b.layout();
    const qreal top = layout->blockBoundingRect(b).top();
    return lines && lines->lineCount() > 0 ? top + lines->lineAt(0).y() : top;
}

// A table whose header row and first row do not fit under its heading on
// the page the heading is on (the layout takes them on to the next page and
// leaves the heading behind) starts on the next page, its heading with it.
void keepTablesWithHeadings(QTextDocument &doc, qreal pageHeight)
{
    QAbstractTextDocumentLayout *layout = doc.documentLayout();
    // Positions are kept in 64ths of a pixel: a line at the top of a page may
    // lie a fraction above it.
    const auto pageOf = [pageHeight](qreal y) { return int((y + 0.5) / pageHeight); };
    for (QTextFrame *frame : doc.rootFrame()->childFrames()) {
        auto *table = qobject_cast<QTextTable *>(frame);
        if (!table || table->rows() < 2)
            continue;
        const QTextBlock heading = doc.findBlock(table->firstPosition() - 1);
        const qreal top = firstLineTop(layout, heading);
        const qreal first = firstLineTop(layout, table->cellAt(1, 0).firstCursorPosition().block());
        // A heading already at the top of its page has a first row taller
        // than a page under it: no break would help.
        if (pageOf(top) == pageOf(first) || top - pageOf(top) * pageHeight < 1)
            continue;
        breakBefore(heading);
    }
}
} // namespace

QString shownReportCell(const QVariant &value, ReportColumn::Kind kind)
{
    if (!value.isValid())
        return {};
    bool isNumber = false;
    const double n = value.toDouble(&isNumber);
    switch (kind) {
    case Kind::Text:
        return value.toString();
    case Kind::Integer:
        return isNumber ? QString::number(value.toLongLong()) : value.toString();
    case Kind::Decimal:
        return isNumber && std::isfinite(n) ? QLocale(QLocale::Russian).toString(n, 'f', 2) : value.toString();
    case Kind::Percent:
        return isNumber && std::isfinite(n) ? QString::number(std::llround(n * 100)) + QStringLiteral("\u00A0%")
                                            : value.toString();
    case Kind::Date:
        return value.toDate().toString(QStringLiteral("dd.MM.yyyy"));
    case Kind::DateTime:
        return value.toDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm"));
    }
    return value.toString();
}

std::unique_ptr<QTextDocument> reportDocument(const Report &report, const QSizeF &textArea)
{
    auto doc = std::make_unique<QTextDocument>();
    QFont base = doc->defaultFont();
    base.setPointSize(10);
    doc->setDefaultFont(base);
    doc->setDocumentMargin(0);
    QTextCursor cursor(doc.get());
    paragraph(cursor, report.title, textFormat(16, true), 1, 4);
    if (report.printed.isValid())
        paragraph(cursor, QStringLiteral("Напечатано ") + report.printed.toString(QStringLiteral("dd.MM.yyyy hh:mm")),
                  textFormat(9), 0, 4);
    if (!report.filterLine.isEmpty())
        paragraph(cursor, report.filterLine, textFormat(10, false, true));
    for (const ReportTable &table : report.tables) {
        // The space between two tables goes above the second's heading.
        paragraph(cursor, table.caption, textFormat(12, true), table.caption.isEmpty() ? 0 : 2, 6, 12);
        insertTable(cursor, table);
    }
    int number = 0;
    for (const auto &[caption, image] : report.charts)
        insertChart(*doc, cursor, ++number, caption, image, textArea);
    return doc;
}

void paginateReport(QTextDocument &doc, const QSizeF &page)
{
    doc.setPageSize(page);
    keepTablesWithHeadings(doc, page.height());
    keepChartsWithCaptions(doc, page.height());
}

void setReportPageLayout(QPrinter &printer)
{
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(15, 15, 15, 15),
                                      QPageLayout::Millimeter));
}

void printReport(QPrinter &printer, const Report &report)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    // The document is laid out in the printer's own pixels, so that text,
    // borders and pictures come out at their sizes on any resolution.
    const QRectF paper = printer.pageLayout().paintRectPixels(printer.resolution());
    const qreal footer = footerPoints * printer.resolution() / 72;
    const QSizeF page(paper.width(), paper.height() - footer);
    const qreal toScreen = screenDpi / printer.resolution();
    const auto doc = reportDocument(report, page * toScreen);
    doc->documentLayout()->setPaintDevice(&printer);
    paginateReport(*doc, page);

    const int pages = doc->pageCount();
    QFont footerFont = doc->defaultFont();
    footerFont.setPointSize(8);
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !printer.newPage())
            break;
        painter.save();
        // One device pixel less, so that the first line of the next page never shows at the foot.
        const QRectF shown(0, i * page.height(), page.width(), page.height() - 1);
        painter.translate(0, -shown.top());
        painter.setClipRect(shown);
        doc->drawContents(&painter, shown);
        painter.restore();
        painter.setFont(footerFont);
        painter.drawText(QRectF(0, page.height(), page.width(), footer), Qt::AlignRight | Qt::AlignBottom,
                         QStringLiteral("Страница %1 из %2").arg(i + 1).arg(pages));
    }
    painter.end();
}
