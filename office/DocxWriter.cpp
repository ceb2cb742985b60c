#include "DocxWriter.h"
#include "DocumentModel.h"
#include "PackageParts.h"
#include "ZipWriter.h"
#include "errors.h"

#include <cmath>

namespace
{

// A4 with 2 cm above and below and 1.5 cm at the sides, in twentieths of a point.
constexpr int pageWidth = 11906, pageHeight = 16838;
constexpr int marginTopBottom = 1134, marginSides = 850;
constexpr int textWidth = pageWidth - 2 * marginSides;

bool allowedInXml(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

class BodyWriter
{
public:
    explicit BodyWriter(const DocumentModel &doc) : m_doc(doc)
    {
        const int halfPoints = int(std::lround(doc.fontSize() * 2));
        m_size = QStringLiteral("<w:sz w:val=\"%1\"/><w:szCs w:val=\"%1\"/>").arg(halfPoints);
    }

    QString write()
    {
        m_out.reserve(m_doc.end() * 2 + 4096);
        m_out += QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
            "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>");
        bool afterTable = false;
        for (const auto &b : m_doc.blocks()) {
            if (b.isTable()) {
                // Two tables with nothing between them would be read as one.
                if (afterTable)
                    paragraph({});
                table(m_doc.tableAt(b.table + 1));
            } else {
                paragraph(b.runs);
            }
            afterTable = b.isTable();
        }
        m_out += QStringLiteral("<w:sectPr><w:pgSz w:w=\"%1\" w:h=\"%2\"/>"
                                "<w:pgMar w:top=\"%3\" w:right=\"%4\" w:bottom=\"%3\" w:left=\"%4\" "
                                "w:header=\"709\" w:footer=\"709\" w:gutter=\"0\"/></w:sectPr>")
                     .arg(pageWidth)
                     .arg(pageHeight)
                     .arg(marginTopBottom)
                     .arg(marginSides);
        m_out += QStringLiteral("</w:body></w:document>");
        return std::move(m_out);
    }

private:
    void runProperties(bool bold)
    {
        m_out += QStringLiteral("<w:rPr>");
        if (bold)
            m_out += QStringLiteral("<w:b/><w:bCs/>");
        m_out += m_size;
        m_out += QStringLiteral("</w:rPr>");
    }

    void textPiece(QStringView text)
    {
        if (text.isEmpty())
            return;
        m_out += QStringLiteral("<w:t xml:space=\"preserve\">");
        m_out += xmlEscaped(text);
        m_out += QStringLiteral("</w:t>");
    }

    // A tab stays a tab; a line end (CR, LF or CR LF) inside a text breaks the line.
    void run(const DocumentModel::Run &r)
    {
        m_out += QStringLiteral("<w:r>");
        runProperties(r.bold);
        const QStringView t(r.text);
        qsizetype from = 0;
        for (qsizetype i = 0; i < t.size(); ++i) {
            const QChar c = t[i];
            if (c != u'\t' && c != u'\r' && c != u'\n')
                continue;
            textPiece(t.sliced(from, i - from));
            if (c == u'\t') {
                m_out += QStringLiteral("<w:tab/>");
            } else {
                m_out += QStringLiteral("<w:br/>");
                if (c == u'\r' && i + 1 < t.size() && t[i + 1] == u'\n')
                    ++i;
            }
            from = i + 1;
        }
        textPiece(t.sliced(from));
        m_out += QStringLiteral("</w:r>");
    }

    void paragraph(const DocumentModel::Runs &runs)
    {
        m_out += QStringLiteral("<w:p><w:pPr>");
        runProperties(m_doc.bold());
        m_out += QStringLiteral("</w:pPr>");
        for (const auto &r : runs)
            if (!r.text.isEmpty())
                run(r);
        m_out += QStringLiteral("</w:p>");
    }

    void table(const DocumentModel::Table &t)
    {
        std::vector<int> widths;
        int total = 0;
        for (double w : t.widths) {
            widths.push_back(w > 0 ? int(std::lround(w * 20)) : textWidth / t.columns);
            total += widths.back();
        }
        m_out += QStringLiteral("<w:tbl><w:tblPr><w:tblW w:w=\"%1\" w:type=\"dxa\"/>").arg(total);
        if (t.borders) {
            m_out += QStringLiteral("<w:tblBorders>");
            for (const char *side : {"top", "left", "bottom", "right", "insideH", "insideV"})
                m_out += QStringLiteral("<w:%1 w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>")
                             .arg(QLatin1String(side));
            m_out += QStringLiteral("</w:tblBorders>");
        }
        m_out += QStringLiteral("<w:tblLayout w:type=\"fixed\"/></w:tblPr><w:tblGrid>");
        for (int w : widths)
            m_out += QStringLiteral("<w:gridCol w:w=\"%1\"/>").arg(w);
        m_out += QStringLiteral("</w:tblGrid>");
        for (int r = 1; r <= t.rows; ++r) {
            m_out += QStringLiteral("<w:tr>");
            for (int c = 1; c <= t.columns; ++c) {
                m_out += QStringLiteral("<w:tc><w:tcPr><w:tcW w:w=\"%1\" w:type=\"dxa\"/></w:tcPr>")
                             .arg(widths[size_t(c - 1)]);
                paragraph(t.cell(r, c)); // every cell ends with a paragraph, even an empty one
                m_out += QStringLiteral("</w:tc>");
            }
            m_out += QStringLiteral("</w:tr>");
        }
        m_out += QStringLiteral("</w:tbl>");
    }

    const DocumentModel &m_doc;
    QString m_size;
    QString m_out;
};

} // namespace

QString xmlEscaped(QStringView text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            continue;
        case u'<':
            out += QLatin1String("&lt;");
            continue;
        case u'>':
            out += QLatin1String("&gt;");
            continue;
        case u'"':
            out += QLatin1String("&quot;");
            continue;
        case u'\'':
            out += QLatin1String("&apos;");
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
            continue;
        }
        if (!c.isSurrogate() && allowedInXml(c.unicode()))
            out += c;
    }
    return out;
}

QByteArray documentXml(const DocumentModel &document)
{
    return BodyWriter(document).write().toUtf8();
}

QByteArray docxPackage(const DocumentModel &document)
{
    return zipArchive(
        {{QStringLiteral("[Content_Types].xml"),
          contentTypesPart({{"/word/document.xml",
                             "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"}})},
         {QStringLiteral("_rels/.rels"), relationshipsPart({{"officeDocument", "word/document.xml"}})},
         {QStringLiteral("word/document.xml"), documentXml(document)}});
}
