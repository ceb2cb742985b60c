// The .docx file: its parts, its XML, and how making it visible writes and opens it;
// the .xlsx workbook packed the same way.
#include "DocxDocument.h"
#include "DocxWriter.h"
#include "XlsxTable.h"
#include "ZipWriter.h"
#include "errors.h"
#include "programstate.h"
#include "xmltree.h"

#include <QtTest>

namespace
{

// What a paragraph holds: its text and, per run, whether it is bold.
struct RunInfo {
    QString text;
    bool bold;
    QString size;
};
std::vector<RunInfo> runsOf(const XmlNode &p)
{
    std::vector<RunInfo> out;
    for (const XmlNode *r : p.all(QStringLiteral("w:r"))) {
        QString text;
        for (const auto &c : r->children)
            if (c.name == u"w:t")
                text += c.text;
        const XmlNode *props = r->child(QStringLiteral("w:rPr"));
        const XmlNode *sz = props ? props->child(QStringLiteral("w:sz")) : nullptr;
        out.push_back({text, props && props->child(QStringLiteral("w:b")), sz ? sz->attribute("w:val") : QString()});
    }
    return out;
}

XmlNode bodyOf(const DocumentModel &m)
{
    QString error;
    XmlNode root = parseXml(documentXml(m), &error);
    if (!error.isEmpty())
        qWarning() << "document.xml not well formed:" << error;
    const auto bodies = root.all(QStringLiteral("w:body"));
    return bodies.empty() ? XmlNode{} : *bodies.front();
}

struct Recorder {
    QStringList opened, errors, notOpened;
    bool openSucceeds = true;
    DesktopHooks hooks()
    {
        return {[this](const QString &p) {
                    opened << p;
                    return openSucceeds;
                },
                {},
                [this](const QString &t) { errors << t; },
                [this](const QString &p) { notOpened << p; }};
    }
};

} // namespace

class DocxTest : public QObject
{
    Q_OBJECT

    QTemporaryDir root;

private slots:
    void init()
    {
        QVERIFY(root.isValid());
        QDir(root.path()).removeRecursively();
        QDir().mkpath(root.path());
        setInstallRoot(root.path());
    }

    void escaping_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("specials") << QStringLiteral("a<b>&\"c'") << QStringLiteral("a&lt;b&gt;&amp;&quot;c&apos;");
        QTest::newRow("cyrillic") << QStringLiteral("Ответ №1") << QStringLiteral("Ответ №1");
        QTest::newRow("controls left out")
            << QStringLiteral("a\x01\x0b\x1f") + QChar(0xFFFE) + "b" << QStringLiteral("ab");
        QTest::newRow("tab and line ends kept") << QStringLiteral("a\tb\r\nc") << QStringLiteral("a\tb\r\nc");
        QTest::newRow("surrogate pair kept, lone one left out")
            << QString::fromUtf16(u"x\U0001F600y\xD800z") << QString::fromUtf16(u"x\U0001F600yz");
    }
    void escaping()
    {
        QFETCH(QString, text);
        QFETCH(QString, escaped);
        QCOMPARE(xmlEscaped(text), escaped);
    }

    void packageHoldsThreeWellFormedParts()
    {
        DocumentModel m;
        m.insertAfter(QStringLiteral("<w:t>&amp; \x02 ") + QChar(0xDC00) + QStringLiteral(" ]]> конец"));
        m.addTable(0, 1, 1);
        m.setCellText(1, 1, 1, QStringLiteral("\"ячейка\" & <x>"));
        const QByteArray zip = docxPackage(m);
        QCOMPARE(zipEntryNames(zip), QStringList({"[Content_Types].xml", "_rels/.rels", "word/document.xml"}));
        for (const QString &part : zipEntryNames(zip)) {
            QString error;
            parseXml(zipEntry(zip, part), &error);
            QVERIFY2(error.isEmpty(), qPrintable(part + ": " + error));
        }
        QString error;
        const XmlNode doc = parseXml(zipEntry(zip, QStringLiteral("word/document.xml")), &error);
        QStringList texts;
        for (const XmlNode *t : doc.all(QStringLiteral("w:t")))
            texts << t->text;
        QCOMPARE(texts, QStringList({"\"ячейка\" & <x>", "<w:t>&amp;   ]]> конец"}));
        QVERIFY(zipEntry(zip, QStringLiteral("[Content_Types].xml")).contains("/word/document.xml"));
        QVERIFY(zipEntry(zip, QStringLiteral("_rels/.rels")).contains("Target=\"word/document.xml\""));
    }

    void zipPartsComeBackWhetherPackedOrStored()
    {
        // Empty, tiny (stored: deflating would not shrink it), large and
        // repetitive, and a name in Cyrillic.
        QByteArray big;
        for (int i = 0; i < 20000; ++i)
            big += QByteArray::number(i % 97) + ' ';
        const std::vector<ZipPart> parts = {
            {QStringLiteral("empty"), {}}, {QStringLiteral("a"), "x"}, {QStringLiteral("dir/big.xml"), big},
            {QStringLiteral("папка/файл.txt"), QStringLiteral("текст").toUtf8()}};
        const QByteArray zip = zipArchive(parts);
        QStringList names;
        for (const ZipPart &p : parts)
            names << p.name;
        QCOMPARE(zipEntryNames(zip), names);
        for (const ZipPart &p : parts)
            QCOMPARE(zipEntry(zip, p.name), p.bytes);
        QVERIFY(zip.size() < big.size() / 2);
    }

    void workbookHoldsCaptionsNumbersAndTexts()
    {
        QStringList captions;
        for (int c = 0; c < 28; ++c)
            captions << QStringLiteral("Столбец %1").arg(c + 1);
        const std::vector<QStringList> rows = {
            {"12", " 3.5 ", "1,5", "inf", "", "<a & b>\x01", "-0.25", "1e3"},
            {QString(40000, u'я')},
        };
        const QString path = root.filePath("book.xlsx");
        writeXlsxTable(path, QStringLiteral("'Журнал: [все] *оценки?/\\ за год и ещё немного'"), captions, rows);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray zip = f.readAll();
        for (const QString &part : zipEntryNames(zip)) {
            QString error;
            parseXml(zipEntry(zip, part), &error);
            QVERIFY2(error.isEmpty(), qPrintable(part + ": " + error));
        }
        QString error;
        const XmlNode book = parseXml(zipEntry(zip, QStringLiteral("xl/workbook.xml")), &error);
        const QString name = book.all(QStringLiteral("sheet")).front()->attribute(QStringLiteral("name"));
        QCOMPARE(name, QStringLiteral("Журнал все оценки за год и ещё…")); // 31 characters
        for (const QChar c : QStringLiteral("[]:*?/\\"))
            QVERIFY(!name.contains(c));

        const XmlNode sheet = parseXml(zipEntry(zip, QStringLiteral("xl/worksheets/sheet1.xml")), &error);
        const auto texts = sharedStrings(zip);
        QMap<QString, QPair<QString, QString>> cells; // reference → "text" or "number", value
        for (const XmlNode *c : sheet.all(QStringLiteral("c"))) {
            const XmlNode *v = c->child(QStringLiteral("v"));
            const bool text = c->attribute(QStringLiteral("t")) == u"s";
            cells[c->attribute(QStringLiteral("r"))] = {text ? QStringLiteral("text") : QStringLiteral("number"),
                                                        !v     ? QStringLiteral("?")
                                                        : text ? texts.value(v->text.toInt())
                                                               : v->text};
        }
        using Cell = QPair<QString, QString>;
        QCOMPARE(cells.value("A1"), Cell("text", "Столбец 1"));
        QCOMPARE(cells.value("Z1"), Cell("text", "Столбец 26"));
        QCOMPARE(cells.value("AB1"), Cell("text", "Столбец 28"));
        QCOMPARE(cells.value("A2"), Cell("number", "12"));
        QCOMPARE(cells.value("B2"), Cell("number", "3.5"));
        QCOMPARE(cells.value("C2"), Cell("text", "1,5"));
        QCOMPARE(cells.value("D2"), Cell("text", "inf"));
        QVERIFY(!cells.contains("E2"));                       // nothing to write
        QCOMPARE(cells.value("F2"), Cell("text", "<a & b>")); // the control character left out
        QCOMPARE(cells.value("G2"), Cell("number", "-0.25"));
        QCOMPARE(cells.value("H2"), Cell("number", "1000"));
        QCOMPARE(cells.value("A3").second.size(), 32767);
        QVERIFY(sheet.all(QStringLiteral("pane")).front()->attribute(QStringLiteral("state")) == u"frozen");

        // A folder that is not there: an error naming the file, no file.
        const QString nowhere = root.filePath("no/such/folder/book.xlsx");
        QVERIFY_THROWS_EXCEPTION(TrivoError, writeXlsxTable(nowhere, "x", captions, rows));
        QVERIFY(!QFile::exists(nowhere));
    }

    void runsCarryBoldAndSize()
    {
        DocumentModel m;
        m.setFontSize(10);
        m.setBold(true);
        m.insertAfter(QStringLiteral("Вопрос "));
        const int s = m.end();
        m.insertAfter(QStringLiteral("plain"));
        m.unbold(s, s + 4);
        m.insertAfter(QStringLiteral(" bold"));
        const XmlNode body = bodyOf(m);
        const auto paragraphs = body.all(QStringLiteral("w:p"));
        QCOMPARE(paragraphs.size(), size_t(1));
        const auto runs = runsOf(*paragraphs[0]);
        QCOMPARE(runs.size(), size_t(3));
        QCOMPARE(runs[0].text, QStringLiteral("Вопрос "));
        QVERIFY(runs[0].bold);
        QCOMPARE(runs[1].text, QStringLiteral("plain"));
        QVERIFY(!runs[1].bold);
        QVERIFY(runs[2].bold);
        for (const auto &r : runs)
            QCOMPARE(r.size, QStringLiteral("20")); // half-points
        for (const XmlNode *t : body.all(QStringLiteral("w:t")))
            QCOMPARE(t->attribute("xml:space"), QStringLiteral("preserve"));
    }

    void tablesCarryWidthsBordersAndCellParagraphs()
    {
        DocumentModel m;
        m.addTable(0, 2, 3);
        m.enableBorders(1);
        m.setColumnWidth(1, 1, 23);
        m.setColumnWidth(1, 3, 300.5);
        m.setCellText(1, 2, 2, QStringLiteral("b"));
        m.addTable(m.end() - 1, 1, 1); // right after the first: the two must stay apart
        const XmlNode body = bodyOf(m);

        QStringList shape;
        for (const auto &c : body.children)
            shape << c.name;
        QCOMPARE(shape, QStringList({"w:tbl", "w:p", "w:tbl", "w:p", "w:sectPr"}));

        const auto tables = body.all(QStringLiteral("w:tbl"));
        QVERIFY(tables[0]->child("w:tblPr")->child("w:tblBorders"));
        QCOMPARE(tables[0]->all("w:tblBorders").front()->children.size(), size_t(6));
        QVERIFY(!tables[1]->child("w:tblPr")->child("w:tblBorders"));

        QStringList grid;
        for (const XmlNode *g : tables[0]->all(QStringLiteral("w:gridCol")))
            grid << g->attribute("w:w");
        const QString unset = grid[1];
        QCOMPARE(grid[0], QStringLiteral("460"));
        QCOMPARE(grid[2], QStringLiteral("6010"));
        QVERIFY(unset.toInt() > 0);

        const auto cells = tables[0]->all(QStringLiteral("w:tc"));
        QCOMPARE(cells.size(), size_t(6));
        for (size_t i = 0; i < cells.size(); ++i) {
            const XmlNode *width = cells[i]->child("w:tcPr")->child("w:tcW");
            QCOMPARE(width->attribute("w:type"), QStringLiteral("dxa"));
            QCOMPARE(width->attribute("w:w"), grid[qsizetype(i % 3)]);
            QCOMPARE(cells[i]->children.back().name, QStringLiteral("w:p")); // every cell ends with a paragraph
        }
        QCOMPARE(runsOf(*cells[4]).front().text, QStringLiteral("b"));
    }

    void tabsAndLineEndsBecomeTabsAndBreaks()
    {
        DocumentModel m;
        m.insertAfter(QStringLiteral("a\tb\r\nc\nd\re"));
        const XmlNode body = bodyOf(m);
        QCOMPARE(body.all(QStringLiteral("w:tab")).size(), size_t(1));
        QCOMPARE(body.all(QStringLiteral("w:br")).size(), size_t(3));
        QStringList texts;
        for (const XmlNode *t : body.all(QStringLiteral("w:t")))
            texts << t->text;
        QCOMPARE(texts, QStringList({"a", "b", "c", "d", "e"}));
    }

    void makeVisibleWritesNewFilesAndOpensThem()
    {
        Recorder desk;
        DocxDocument doc(desk.hooks());
        doc.insertAfter(QStringLiteral("первый"));
        QVERIFY(doc.makeVisible());
        QCOMPARE(desk.opened.size(), 1);
        const QString first = desk.opened[0];
        QCOMPARE(QFileInfo(first).absolutePath(), QDir(root.path()).filePath("Documents"));
        QVERIFY(first.endsWith(".docx"));
        const QByteArray firstBytes = [&] {
            QFile f(first);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QCOMPARE(firstBytes, docxPackage(doc.model()));

        // unchanged: the same file is opened again, nothing new is written
        QVERIFY(doc.makeVisible());
        QCOMPARE(desk.opened, QStringList({first, first}));

        // changed within the same second: a second file beside the first
        doc.insertAfter(QStringLiteral(" и второй"));
        QVERIFY(doc.makeVisible());
        QCOMPARE(desk.opened.size(), 3);
        QVERIFY(desk.opened[2] != first);
        QFile f(first);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), firstBytes);
        QCOMPARE(QDir(root.path() + "/Documents").entryList(QDir::Files | QDir::Hidden).size(), 2); // no leftovers
        QVERIFY(desk.errors.isEmpty());
    }

    void unwritableFolderIsReportedAndRetried()
    {
        Recorder desk;
        DocxDocument doc(desk.hooks());
        doc.insertAfter(QStringLiteral("ничего не теряется"));
        // a file where the folder should be: no folder can be made, not even by root
        QFile blocker(QDir(root.path()).filePath("Documents"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        QVERIFY(!doc.makeVisible());
        QVERIFY(desk.opened.isEmpty());
        QCOMPARE(desk.errors.size(), 1);
        QVERIFY2(desk.errors[0].contains("Documents"), qPrintable(desk.errors[0]));
        QCOMPARE(doc.model().characters(), QStringLiteral("ничего не теряется\n"));

        QVERIFY(blocker.remove());
        QVERIFY(doc.makeVisible());
        QCOMPARE(desk.opened.size(), 1);
        QVERIFY(QFileInfo::exists(desk.opened[0]));
    }

    void noProgramToOpenIsReportedAndRetried()
    {
        Recorder desk;
        desk.openSucceeds = false;
        DocxDocument doc(desk.hooks());
        doc.insertAfter(QStringLiteral("x"));
        QVERIFY(!doc.makeVisible());
        const QString written = doc.lastFile();
        QVERIFY(QFileInfo::exists(written));
        QCOMPARE(desk.notOpened, QStringList{written}); // the window says where it is
        QVERIFY(desk.errors.isEmpty());

        // Without a reporter for it, the error text still names the file.
        DesktopHooks plain = desk.hooks();
        plain.reportNotOpened = {};
        DocxDocument other(plain);
        other.insertAfter(QStringLiteral("y"));
        QVERIFY(!other.makeVisible());
        QCOMPARE(desk.errors.size(), 1);
        QVERIFY(desk.errors[0].contains(QDir::toNativeSeparators(other.lastFile())));
        QVERIFY(QFile::remove(other.lastFile()));

        desk.openSucceeds = true;
        QVERIFY(doc.makeVisible());
        QCOMPARE(desk.opened.last(), written);
        QCOMPARE(QDir(root.path() + "/Documents").entryList(QDir::Files).size(), 1);

        DocxDocument withoutHooks; // no opener at all counts as failing, and nothing crashes
        QVERIFY(!withoutHooks.makeVisible());
    }

    void newFileNeverReplacesAnEarlierOne()
    {
        const QString folder = QDir(root.path()).filePath("out");
        const QString a = writeNewFile(folder, "stamp", ".docx", "one");
        const QString b = writeNewFile(folder, "stamp", ".docx", "two");
        const QString c = writeNewFile(folder, "stamp", ".docx", "three");
        QCOMPARE(QFileInfo(a).fileName(), QStringLiteral("stamp.docx"));
        QCOMPARE(QFileInfo(b).fileName(), QStringLiteral("stamp_2.docx"));
        QCOMPARE(QFileInfo(c).fileName(), QStringLiteral("stamp_3.docx"));
        QFile f(a);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("one"));
    }
};

QTEST_GUILESS_MAIN(DocxTest)
#include "tst_docx.moc"
