// A journal view as a workbook and on paper: what each kind of column becomes
// in the sheet and on the page, the sheet's view and page setup, what a failed
// write leaves behind, and how a long table runs over pages.
#include "Report.h"
#include "ReportDocument.h"
#include "ReportWorkbook.h"
#include "WritersModule.h"
#include "durablefile.h"
#include "errors.h"
#include "xmltree.h"

#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFormat>
#include <QtTest>

#include <cstring>
#include <link.h>
#include <optional>

namespace
{
using Kind = ReportColumn::Kind;

const QString longAnswer = QStringLiteral("Очень длинный ответ ученика на вопрос. ").repeated(8);
const QDate exam(2026, 12, 7);

Report sampleReport(int rows, bool withChart = true)
{
    Report r;
    r.title = QStringLiteral("Результаты: 9 Г, история России и всеобщая история");
    r.filterLine = QStringLiteral("Класс 9 Г; с 01.09.2026 по 31.12.2026");
    ReportTable runs;
    runs.columns = {{QStringLiteral("Код"), Kind::Text},       {QStringLiteral("Ответ"), Kind::Text},
                    {QStringLiteral("Баллы"), Kind::Integer},  {QStringLiteral("Средний балл"), Kind::Decimal},
                    {QStringLiteral("Верно"), Kind::Percent},  {QStringLiteral("Дата"), Kind::Date},
                    {QStringLiteral("Начало"), Kind::DateTime}};
    for (int i = 0; i < rows; ++i)
        runs.rows.push_back(
            {QStringLiteral("02"), longAnswer, 14, 3.456, 0.85, exam, QDateTime(exam, QTime(8, 5, 36))});
    r.tables.push_back(runs);
    ReportTable grades;
    grades.caption = QStringLiteral("Оценки");
    grades.columns = {{QStringLiteral("Оценка"), Kind::Text}, {QStringLiteral("Учеников"), Kind::Integer}};
    grades.rows = {{QStringLiteral("5"), 3}, {QStringLiteral("4"), QVariant()}};
    r.tables.push_back(grades);
    if (withChart) {
        QImage chart(400, 200, QImage::Format_RGB32);
        chart.fill(Qt::darkBlue);
        r.charts.push_back({QStringLiteral("Распределение оценок"), chart});
    }
    return r;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A written workbook, its parts parsed.
struct Book {
    QByteArray zip;
    XmlNode sheet, styles, workbook;
    QStringList texts;
    std::vector<const XmlNode *> formats; // cellXfs, by style index

    explicit Book(const QByteArray &bytes) : zip(bytes), texts(sharedStrings(bytes))
    {
        QString error;
        sheet = parseXml(zipEntry(zip, QStringLiteral("xl/worksheets/sheet1.xml")), &error);
        styles = parseXml(zipEntry(zip, QStringLiteral("xl/styles.xml")), &error);
        workbook = parseXml(zipEntry(zip, QStringLiteral("xl/workbook.xml")), &error);
        formats = styles.all(QStringLiteral("cellXfs")).front()->all(QStringLiteral("xf"));
    }
    const XmlNode *cell(const QString &ref) const
    {
        for (const XmlNode *c : sheet.all(QStringLiteral("c")))
            if (c->attribute(QStringLiteral("r")) == ref)
                return c;
        return nullptr;
    }
    // "text:…" for a shared string, "number:…" otherwise.
    QString value(const QString &ref) const
    {
        const XmlNode *c = cell(ref);
        const XmlNode *v = c ? c->child(QStringLiteral("v")) : nullptr;
        if (!v)
            return {};
        if (c->attribute(QStringLiteral("t")) == u"s")
            return QStringLiteral("text:") + texts.value(v->text.toInt());
        return QStringLiteral("number:") + v->text;
    }
    // The code of a cell's number format, built-in or the workbook's own.
    QString numberFormat(const QString &ref) const
    {
        const XmlNode *xf = formats.at(cell(ref)->attribute(QStringLiteral("s")).toInt());
        const QString id = xf->attribute(QStringLiteral("numFmtId"));
        for (const XmlNode *f : styles.all(QStringLiteral("numFmt")))
            if (f->attribute(QStringLiteral("numFmtId")) == id)
                return f->attribute(QStringLiteral("formatCode"));
        static const QMap<QString, QString> builtIn = {{"0", "General"}, {"1", "0"}, {"2", "0.00"}, {"9", "0%"}};
        return builtIn.value(id, id);
    }
    bool wraps(const QString &ref) const
    {
        const XmlNode *xf = formats.at(cell(ref)->attribute(QStringLiteral("s")).toInt());
        const XmlNode *a = xf->child(QStringLiteral("alignment"));
        return a && a->attribute(QStringLiteral("wrapText")) == u"1";
    }
    QString attribute(const QString &element, const QString &name) const
    {
        const auto found = sheet.all(element);
        return found.empty() ? QStringLiteral("(none)") : found.front()->attribute(name);
    }
};

int pdfPages(const QByteArray &pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    return int(QString::fromLatin1(pdf).count(page));
}
} // namespace

class ReportTest : public QObject
{
    Q_OBJECT

    QTemporaryDir root;

private slots:
    void workbookKeepsKindsViewAndPageSetup()
    {
        const QString path = root.filePath("view.xlsx");
        writeReportWorkbook(path, sampleReport(2));
        const Book book(fileBytes(path));

        // Title and filter on top, the header on row 4, the rows under it.
        QCOMPARE(book.value("A1"), "text:" + sampleReport(0).title);
        QCOMPARE(book.value("A2"), "text:" + sampleReport(0).filterLine);
        QCOMPARE(book.value("A4"), QStringLiteral("text:Код"));
        QCOMPARE(book.value("A5"), QStringLiteral("text:02")); // a code stays text
        QCOMPARE(book.value("B5"), "text:" + longAnswer);
        QVERIFY(book.wraps("B5"));
        QVERIFY(!book.wraps("A5"));
        QCOMPARE(book.value("C5"), QStringLiteral("number:14"));
        QCOMPARE(book.numberFormat("C5"), QStringLiteral("0"));
        QCOMPARE(book.value("D5"), QStringLiteral("number:3.456"));
        QCOMPARE(book.numberFormat("D5"), QStringLiteral("0.00"));
        QCOMPARE(book.value("E5"), QStringLiteral("number:0.85"));
        QCOMPARE(book.numberFormat("E5"), QStringLiteral("0%"));
        const qint64 serial = QDate(1899, 12, 30).daysTo(exam);
        QCOMPARE(book.value("F5"), "number:" + QString::number(serial));
        QCOMPARE(book.numberFormat("F5"), QStringLiteral("dd.mm.yyyy"));
        QVERIFY(book.value("G5").startsWith("number:"));
        QCOMPARE(book.value("G5").mid(7).toDouble(), double(serial) + (8 * 60 + 5) / 1440.0); // seconds dropped
        QCOMPARE(book.numberFormat("G5"), QStringLiteral("dd.mm.yyyy hh:mm"));
        // The second table under its caption, an empty cell left empty.
        QCOMPARE(book.value("A8"), QStringLiteral("text:Оценки"));
        QCOMPARE(book.value("A9"), QStringLiteral("text:Оценка"));
        QCOMPARE(book.value("B10"), QStringLiteral("number:3"));
        QCOMPARE(book.value("B11"), QString());
        QCOMPARE(book.value("A13"), QStringLiteral("text:Распределение оценок"));

        // The first table's header stays in view and filters; long text wraps in a capped column.
        QCOMPARE(book.attribute("pane", "state"), QStringLiteral("frozen"));
        QCOMPARE(book.attribute("pane", "topLeftCell"), QStringLiteral("A5"));
        QCOMPARE(book.attribute("autoFilter", "ref"), QStringLiteral("A4:G6"));
        const auto columns = book.sheet.all(QStringLiteral("col"));
        QVERIFY(columns.size() >= 7);
        QVERIFY(columns[1]->attribute("width").toDouble() <= 62);
        QVERIFY(columns[1]->attribute("width").toDouble() >= 40);
        QVERIFY(columns[0]->attribute("width").toDouble() < 12);

        // Printed landscape on A4, one page wide, the header on every page.
        QCOMPARE(book.attribute("pageSetup", "orientation"), QStringLiteral("landscape"));
        QCOMPARE(book.attribute("pageSetup", "paperSize"), QStringLiteral("9"));
        QCOMPARE(book.attribute("pageSetup", "fitToHeight"), QStringLiteral("0"));
        QVERIFY(QStringList({"", "1"}).contains(book.attribute("pageSetup", "fitToWidth")));
        QCOMPARE(book.attribute("pageSetUpPr", "fitToPage"), QStringLiteral("1"));
        QStringList names;
        for (const XmlNode *n : book.workbook.all(QStringLiteral("definedName")))
            names << n->attribute("name") + "=" + n->text;
        QVERIFY2(names.join(' ').contains("_xlnm.Print_Titles=") && names.join(' ').contains("$4:$4"),
                 qPrintable(names.join(' ')));

        // The sheet is named for the view; the chart went in as a picture.
        const QString sheetName = book.workbook.all(QStringLiteral("sheet")).front()->attribute("name");
        QCOMPARE(sheetName, sampleReport(0).title.replace(u':', u' ').left(31));
        QVERIFY(zipEntryNames(book.zip).contains("xl/media/image1.png"));
        QVERIFY(zipEntry(book.zip, "xl/media/image1.png").startsWith("\x89PNG"));
    }

    void failedWriteLeavesNoFileAndKeepsTheOld_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("oldFile");
        QTest::addColumn<int>("syncError");
        QTest::newRow("folder missing") << "no/such/folder/view.xlsx" << false << 0;
        QTest::newRow("disk fails under an old file") << "old/view.xlsx" << true << EIO;
    }
    void failedWriteLeavesNoFileAndKeepsTheOld()
    {
        QFETCH(QString, relative);
        QFETCH(bool, oldFile);
        QFETCH(int, syncError);
        const QString path = root.filePath(relative);
        if (oldFile) {
            QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
        }
        std::optional<StoreFaultForTests> fault;
        if (syncError)
            fault.emplace(StoreStep::Sync, syncError);
        try {
            writeReportWorkbook(path, sampleReport(3));
            QFAIL("the write did not fail");
        } catch (const TrivoError &e) {
            QVERIFY2(e.text().startsWith(QStringLiteral("Не удалось записать")) && e.text().contains("view.xlsx"),
                     qPrintable(e.text()));
        }
        if (oldFile) {
            QCOMPARE(fileBytes(path), QByteArray("old"));
            QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
                     QStringList{"view.xlsx"});
        } else {
            QVERIFY(!QFileInfo::exists(path));
        }
    }

    // A module that is missing, foreign or cut short is a Russian message,
    // never a crash: a cut one would load and then fault on its missing pages.
    void unusableWritersModuleIsReported_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("content");
        QFile real(writersModulePath());
        QVERIFY(real.open(QIODevice::ReadOnly));
        const QByteArray module = real.readAll();
        ElfW(Ehdr) header;
        QVERIFY(size_t(module.size()) > sizeof header);
        std::memcpy(&header, module.constData(), sizeof header);
        const qsizetype pastSegmentTable = qsizetype(header.e_phoff + header.e_phnum * header.e_phentsize);
        QVERIFY(module.size() > 20000);

        QTest::newRow("missing") << false << QByteArray();
        QTest::newRow("empty") << true << QByteArray();
        QTest::newRow("text") << true << QByteArray("not a library");
        QTest::newRow("just the ELF header") << true << module.left(sizeof header);
        QTest::newRow("just past the segment table") << true << module.left(pastSegmentTable);
        QTest::newRow("first 20000 bytes") << true << module.left(20000);
        QTest::newRow("half") << true << module.left(module.size() / 2);
        QTest::newRow("a byte short") << true << module.chopped(1);
    }

    void unusableWritersModuleIsReported()
    {
        QFETCH(bool, exists);
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath("libtrivo-writers.so");
        if (exists) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(content), content.size());
        }
        try {
            loadWritersModule(path);
            QFAIL("a module was loaded");
        } catch (const TrivoError &e) {
            QVERIFY2(e.text().startsWith(QStringLiteral("Не удалось загрузить модуль записи документов")) &&
                         e.text().contains(path) && e.text().endsWith(QStringLiteral("установите программу заново.")),
                     qPrintable(e.text()));
        }
    }

    // The check refuses no whole module, wherever it lies.
    void wholeWritersModuleCopyLoads()
    {
        const QString copy = root.filePath("whole/libtrivo-writers.so");
        QVERIFY(QDir(root.path()).mkpath("whole"));
        QVERIFY(QFile::copy(writersModulePath(), copy));
        const WritersModule m = loadWritersModule(copy);
        QVERIFY(m.zipArchive && m.writeWorkbook);
    }

    void cellsAreShownAsOnPaper_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("shown");
        QTest::newRow("code") << QVariant(QStringLiteral("02")) << int(Kind::Text) << "02";
        QTest::newRow("integer") << QVariant(1234567) << int(Kind::Integer) << "1234567";
        QTest::newRow("decimal, comma") << QVariant(3.456) << int(Kind::Decimal) << "3,46";
        QTest::newRow("percent rounded") << QVariant(0.855) << int(Kind::Percent) << QStringLiteral("86\u00A0%");
        QTest::newRow("whole percent") << QVariant(1.0) << int(Kind::Percent) << QStringLiteral("100\u00A0%");
        QTest::newRow("date") << QVariant(exam) << int(Kind::Date) << "07.12.2026";
        QTest::newRow("to the minute") << QVariant(QDateTime(exam, QTime(8, 5, 59))) << int(Kind::DateTime)
                                       << "07.12.2026 08:05";
        QTest::newRow("empty") << QVariant() << int(Kind::Integer) << "";
        QTest::newRow("text in a number column") << QVariant(QStringLiteral("нет")) << int(Kind::Percent) << "нет";
    }
    void cellsAreShownAsOnPaper()
    {
        QFETCH(QVariant, value);
        QFETCH(int, kind);
        QFETCH(QString, shown);
        QCOMPARE(shownReportCell(value, Kind(kind)), shown);
    }

    void printedViewHoldsTheTextAndFitsTheChart()
    {
        const QSizeF area(1000, 600);
        const auto doc = reportDocument(sampleReport(2), area);
        const QString text = doc->toRawText(); // keeps the no-break space of "85 %"
        for (const QString &part : {sampleReport(0).title, sampleReport(0).filterLine, QStringLiteral("Оценки"),
                                    QStringLiteral("85\u00A0%"), QStringLiteral("07.12.2026 08:05")})
            QVERIFY2(text.contains(part), qPrintable(part));
        QImage wide(3000, 500, QImage::Format_RGB32);
        wide.fill(Qt::white);
        Report r;
        r.title = QStringLiteral("Диаграмма");
        r.charts.push_back({QStringLiteral("Широкая"), wide});
        const auto chartDoc = reportDocument(r, area);
        QTextCursor found = chartDoc->find(QString(QChar::ObjectReplacementCharacter));
        QVERIFY(!found.isNull());
        const QTextImageFormat image = found.charFormat().toImageFormat();
        QCOMPARE(image.width(), area.width());
        QCOMPARE(image.height(), area.width() / 6);
    }

    void longTableRunsOverPages_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("fewestPages");
        QTest::addColumn<int>("mostPages");
        QTest::newRow("short view") << 3 << 1 << 1;
        QTest::newRow("200 rows") << 200 << 10 << 40;
    }
    void longTableRunsOverPages()
    {
        QFETCH(int, rows);
        QFETCH(int, fewestPages);
        QFETCH(int, mostPages);
        const QString pdf = root.filePath(QStringLiteral("view-%1.pdf").arg(rows));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        setReportPageLayout(printer);
        printReport(printer, sampleReport(rows, false));
        const int pages = pdfPages(fileBytes(pdf));
        QVERIFY2(pages >= fewestPages && pages <= mostPages, qPrintable(QString::number(pages)));
        QVERIFY(printer.pageLayout().orientation() == QPageLayout::Landscape);
    }
};

QTEST_MAIN(ReportTest)
#include "tst_report.moc"
