#include "LoginCards.h"
#include "DocxDocument.h"
#include "DocxWriter.h"
#include "errors.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace
{
QString cardText(const LoginCard &c)
{
    return QStringLiteral("%1\nКласс: %2\nКод для входа: %3").arg(c.fio, c.className, c.code);
}

QString titleOf(const QString &forWhom)
{
    return QStringLiteral("Карточки для входа: %1").arg(forWhom);
}

// Where the run of cards of cards[from]'s class ends.
size_t classEnd(const std::vector<LoginCard> &cards, size_t from)
{
    size_t to = from + 1;
    while (to < cards.size() && cards[to].className == cards[from].className)
        ++to;
    return to;
}

QFont sized(double points, bool bold)
{
    QFont f;
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// One card in its box: the name at the top (wrapped, smaller when it is
// long), the class under it, the code large at the foot.
void drawCard(QPainter &p, const QRectF &box, const LoginCard &c, double dotsPerPoint)
{
    const double pad = 8 * dotsPerPoint;
    const QRectF inner = box.adjusted(pad, pad, -pad, -pad);
    p.setFont(sized(c.fio.size() > 40 ? 11 : 14, true));
    QRectF used;
    p.drawText(inner, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, c.fio, &used);
    p.setFont(sized(12, false));
    const QRectF classLine(inner.left(), used.bottom() + 4 * dotsPerPoint, inner.width(), inner.height());
    p.drawText(classLine, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Класс: %1").arg(c.className));
    p.setFont(sized(11, false));
    const QFontMetricsF small(p.font(), p.device());
    const QFont big = sized(26, true);
    const QFontMetricsF large(big, p.device());
    const QRectF codeLine(inner.left(), inner.bottom() - large.height(), inner.width(), large.height());
    p.drawText(QRectF(inner.left(), codeLine.top() - small.height(), inner.width(), small.height()),
               Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Код для входа:"));
    p.setFont(big);
    p.drawText(codeLine, Qt::AlignLeft | Qt::AlignVCenter, c.code);
}
} // namespace

void fillLoginCards(WordDocument &doc, const QString &title, const std::vector<LoginCard> &cards)
{
    doc.newDocument();
    doc.setFontSize(14);
    doc.insertAfter(title);
    doc.insertParagraphAfter();
    // Cards of several classes: each class's table under its name.
    const bool several = !cards.empty() && classEnd(cards, 0) < cards.size();
    for (size_t from = 0; from < cards.size();) {
        const size_t to = classEnd(cards, from);
        if (several) {
            doc.insertParagraphAfter();
            doc.insertAfter(QStringLiteral("Класс %1").arg(cards[from].className));
            doc.insertParagraphAfter();
        }
        const int n = int(to - from);
        doc.addTable(doc.end() - 1, (n + loginCardColumns - 1) / loginCardColumns, loginCardColumns);
        WordTable table = doc.table(doc.tableCount());
        for (int c = 1; c <= loginCardColumns; ++c)
            table.setColumnWidth(c, 250);
        for (int i = 0; i < n; ++i)
            table.setCellText(i / loginCardColumns + 1, i % loginCardColumns + 1, cardText(cards[from + size_t(i)]));
        table.enableBorders(); // the lines to cut along
        from = to;
    }
}

QByteArray loginCardsPdf(const QString &title, const std::vector<LoginCard> &cards)
{
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&out);
    pdf.setTitle(title);
    pdf.setCreator(QStringLiteral("Trivo"));
    pdf.setResolution(300);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                  QPageLayout::Millimeter));
    QPainter p;
    if (!p.begin(&pdf))
        throw TrivoError(QStringLiteral("Не удалось начать файл PDF с карточками"));
    const double dotsPerPoint = pdf.resolution() / 72.0;
    const QRectF page = pdf.pageLayout().paintRectPixels(pdf.resolution());
    const QSizeF card(page.width() / loginCardColumns, page.height() / loginCardRows);
    QPen cut(Qt::gray, 1 * dotsPerPoint, Qt::DashLine);
    int onPage = 0;
    for (size_t i = 0; i < cards.size(); ++i, ++onPage) {
        const bool newClass = i > 0 && cards[i].className != cards[i - 1].className;
        if (onPage == loginCardsPerPage || (newClass && onPage > 0)) {
            if (!pdf.newPage())
                throw TrivoError(QStringLiteral("Не удалось начать новую страницу файла PDF с карточками"));
            onPage = 0;
        }
        const QRectF box(
            QPointF((onPage % loginCardColumns) * card.width(), (onPage / loginCardColumns) * card.height()), card);
        p.setPen(cut);
        p.drawRect(box);
        p.setPen(Qt::black);
        drawCard(p, box, cards[i], dotsPerPoint);
    }
    if (cards.empty()) {
        p.setFont(sized(14, false));
        p.drawText(QRectF(QPointF(0, 0), page.size()), Qt::AlignLeft | Qt::AlignTop,
                   title + QStringLiteral("\nНет ни одного ученика."));
    }
    p.end();
    return bytes;
}

QString loginCardsFileBase(const QString &forWhom)
{
    // A name any file system takes: a class is letters, digits and a dash.
    QString base = QStringLiteral("Карточки_") + forWhom;
    for (QChar &c : base)
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_')
            c = u'_';
    return base;
}

LoginCardFiles writeLoginCards(const QString &folder, const QString &base, const QString &forWhom,
                               const std::vector<LoginCard> &cards)
{
    const QString title = titleOf(forWhom);
    DocxDocument doc;
    fillLoginCards(doc, title, cards);
    const QByteArray docx = docxPackage(doc.model());
    const QByteArray pdf = loginCardsPdf(title, cards);
    LoginCardFiles files;
    files.docx = writeNewFile(folder, base, QStringLiteral(".docx"), docx);
    files.pdf = writeNewFile(folder, base, QStringLiteral(".pdf"), pdf);
    return files;
}
