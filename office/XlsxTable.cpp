#include "XlsxTable.h"
#include "DocxWriter.h"
#include "PackageParts.h"
#include "ZipWriter.h"
#include "durablefile.h"
#include "errors.h"

#include <QFileInfo>

#include <cmath>

namespace
{
const char mainNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char relNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const QByteArray sheetType = "application/vnd.openxmlformats-officedocument.spreadsheetml.";

// Two cell formats: 0 plain, 1 bold (the captions).
QByteArray styles()
{
    return QByteArray(xmlHead) + "<styleSheet xmlns=\"" + mainNs + "\">" +
           "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font>"
           "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
           "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
           "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
           "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
           "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
           "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
           "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/></cellXfs>"
           "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
           "</styleSheet>";
}

// A sheet's name is 1 to 31 characters, none of []:*?/\ and not starting or
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

QByteArray workbook(const QString &sheet)
{
    return QByteArray(xmlHead) + "<workbook xmlns=\"" + mainNs + "\" xmlns:r=\"" + relNs + "\"><sheets>" +
           "<sheet name=\"" + xmlEscaped(sheetName(sheet)).toUtf8() + "\" sheetId=\"1\" r:id=\"rId1\"/>" +
           "</sheets></workbook>";
}

// "A", "B", ..., "Z", "AA", ... followed by the row's number.
QByteArray cellRef(int row, int column)
{
    QByteArray letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(char('A' + (c - 1) % 26));
    return letters + QByteArray::number(row + 1);
}

void appendCell(QByteArray &out, int row, int column, const QString &text, bool caption)
{
    const QString trimmed = text.trimmed();
    bool number = false;
    const double value = trimmed.toDouble(&number);
    out += "<c r=\"" + cellRef(row, column) + '"';
    if (caption)
        out += " s=\"1\"";
    if (number && !caption && std::isfinite(value)) {
        out += "><v>" + QByteArray::number(value, 'g', QLocale::FloatingPointShortest) + "</v></c>";
        return;
    }
    // A cell holds at most 32,767 characters.
    out += " t=\"inlineStr\"><is><t xml:space=\"preserve\">" + xmlEscaped(QStringView(text).left(32767)).toUtf8() +
           "</t></is></c>";
}

QByteArray worksheet(const QStringList &captions, const std::vector<QStringList> &rows)
{
    QByteArray out = QByteArray(xmlHead) + "<worksheet xmlns=\"" + mainNs + "\" xmlns:r=\"" + relNs + "\">" +
                     // The captions stay in view while the rows scroll.
                     "<sheetViews><sheetView workbookViewId=\"0\">"
                     "<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"
                     "</sheetView></sheetViews><sheetData>";
    auto appendRow = [&](int r, const QStringList &cells, bool caption) {
        out += "<row r=\"" + QByteArray::number(r + 1) + "\">";
        for (int c = 0; c < cells.size(); ++c)
            appendCell(out, r, c, cells[c], caption);
        out += "</row>";
    };
    appendRow(0, captions, true);
    for (size_t r = 0; r < rows.size(); ++r)
        appendRow(int(r) + 1, rows[r], false);
    return out + "</sheetData></worksheet>";
}
} // namespace

void writeXlsxTable(const QString &path, const QString &sheet, const QStringList &captions,
                    const std::vector<QStringList> &rows)
{
    // A spreadsheet has 1,048,576 rows and 16,384 columns.
    qsizetype widest = captions.size();
    for (const QStringList &row : rows)
        widest = std::max(widest, row.size());
    if (rows.size() + 1 > 1048576 || widest > 16384)
        throw TrivoError(QStringLiteral("Не удалось записать таблицу %1: она больше листа электронной таблицы")
                             .arg(QFileInfo(path).fileName()));
    const QByteArray book = zipArchive({
        {QStringLiteral("[Content_Types].xml"),
         contentTypesPart({{"/xl/workbook.xml", sheetType + "sheet.main+xml"},
                           {"/xl/worksheets/sheet1.xml", sheetType + "worksheet+xml"},
                           {"/xl/styles.xml", sheetType + "styles+xml"}})},
        {QStringLiteral("_rels/.rels"), relationshipsPart({{"officeDocument", "xl/workbook.xml"}})},
        {QStringLiteral("xl/workbook.xml"), workbook(sheet)},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         relationshipsPart({{"worksheet", "worksheets/sheet1.xml"}, {"styles", "styles.xml"}})},
        {QStringLiteral("xl/styles.xml"), styles()},
        {QStringLiteral("xl/worksheets/sheet1.xml"), worksheet(captions, rows)},
    });
    replaceFile(path, book); // all or nothing: a failed write leaves no half a workbook
}
