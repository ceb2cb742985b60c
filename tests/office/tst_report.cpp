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

#include <QAbstractTextDocumentLayout>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFormat>
#include <QTextLayout>
#include <QTextTable>
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

    explicit Book(const QByteArray &bytes, int sheetNumber = 1) : zip(bytes), texts(sharedStrings(bytes))
    {
        QString error;
        sheet = parseXml(zipEntry(zip, QStringLiteral("xl/worksheets/sheet%1.xml").arg(sheetNumber)), &error);
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

// Where a block's first line is (the layout may have taken it on to the next page).
qreal firstLineTop(QAbstractTextDocumentLayout *layout, const QTextBlock &b)
{
    const qreal top = layout->blockBoundingRect(b).top();
    return b.layout()->lineCount() > 0 ? top + b.layout()->lineAt(0).y() : top;
}

// What is wrong with how the document's tables fall on its pages: a page a
// table reaches (from its header row to the foot of its last row, under its
// padding, border and margin) with no text of its rows on it, or a heading on
// a page before its table's rows. Empty when nothing is.
QString pagesWithoutRows(QTextDocument &doc, qreal pageHeight)
{
    QAbstractTextDocumentLayout *layout = doc.documentLayout();
    const auto pageOf = [pageHeight](qreal y) { return int((y + 0.5) / pageHeight); };
    QStringList faults;
    int number = 0;
    for (QTextFrame *frame : doc.rootFrame()->childFrames()) {
        const auto *table = qobject_cast<QTextTable *>(frame);
        if (!table)
            continue;
        ++number;
        QSet<int> withRows;
        qreal end = 0;
        for (int row = 1; row < table->rows(); ++row)
            for (int column = 0; column < table->columns(); ++column) {
                const QTextBlock b = table->cellAt(row, column).firstCursorPosition().block();
                const QRectF shown = layout->blockBoundingRect(b);
                end = std::max(end, shown.bottom());
                for (int p = pageOf(firstLineTop(layout, b)); !b.text().isEmpty() && p <= pageOf(shown.bottom() - 1);
                     ++p)
                    withRows.insert(p);
            }
        const QTextTableFormat f = table->format();
        end += f.cellPadding() + f.border() + f.bottomMargin();
        const QTextBlock header = table->cellAt(0, 0).firstCursorPosition().block();
        for (int p = pageOf(firstLineTop(layout, header)); p <= pageOf(end - 1); ++p)
            if (!withRows.contains(p))
                faults << QStringLiteral("table %1 on page %2 without rows").arg(number).arg(p + 1);
        const QTextBlock heading = doc.findBlock(table->firstPosition() - 1);
        const QTextBlock first = table->cellAt(1, 0).firstCursorPosition().block();
        if (pageOf(firstLineTop(layout, heading)) != pageOf(firstLineTop(layout, first)))
            faults << QStringLiteral("table %1: «%2» on the page before its rows").arg(number).arg(heading.text());
    }
    return faults.join(QStringLiteral("; "));
}

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
        // The chart under the first sheet's table.
        QCOMPARE(book.value("A8"), QStringLiteral("text:Распределение оценок"));

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
        QVERIFY(zipEntryNames(book.zip).contains("xl/media/image1.png"));
        QVERIFY(zipEntry(book.zip, "xl/media/image1.png").startsWith("\x89PNG"));

        // The second table on a sheet of its own, named for it, under the
        // same title rows and its caption, an empty cell left empty; its
        // columns as wide as its own values want, its header in view,
        // filtering and printed on every page.
        QStringList sheets;
        for (const XmlNode *n : book.workbook.all(QStringLiteral("sheet")))
            sheets << n->attribute("name");
        QCOMPARE(sheets, reportSheetNames(sampleReport(0)));
        QCOMPARE(sheets.size(), 2);
        QCOMPARE(sheets[1], QStringLiteral("Оценки"));
        const Book grades(fileBytes(path), 2);
        QCOMPARE(grades.value("A1"), "text:" + sampleReport(0).title);
        QCOMPARE(grades.value("A4"), QStringLiteral("text:Оценки"));
        QCOMPARE(grades.value("A5"), QStringLiteral("text:Оценка"));
        QCOMPARE(grades.value("B6"), QStringLiteral("number:3"));
        QCOMPARE(grades.value("B7"), QString());
        QCOMPARE(grades.attribute("pane", "topLeftCell"), QStringLiteral("A6"));
        QCOMPARE(grades.attribute("autoFilter", "ref"), QStringLiteral("A5:B7"));
        QVERIFY(names.join(' ').contains(QStringLiteral("'Оценки'!$5:$5")));
        const auto narrow = grades.sheet.all(QStringLiteral("col"));
        QCOMPARE(narrow.size(), size_t(2));
        QVERIFY2(narrow[1]->attribute("width").toDouble() < 15, qPrintable(narrow[1]->attribute("width")));
    }

    // Each table's sheet is named for its caption as fully as a sheet may
    // be named: 31 characters, none of []:*?/\, no apostrophe at either end,
    // and no two alike whatever their case.
    void sheetsAreNamedInFull_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("captions, the first by the title")
            << "Журнал результатов" << QStringList{"", "Прохождения", "Где теряет больше баллов"}
            << QStringList{"Журнал результатов", "Прохождения", "Где теряет больше баллов"};
        QTest::newRow("forbidden characters")
            << "x" << QStringList{"Анализ: [7/8] *вопросы?\\"} << QStringList{"Анализ 7 8 вопросы"};
        QTest::newRow("longer than 31") << "Результаты: 9 Г, история России и всеобщая история" << QStringList{""}
                                        << QStringList{"Результаты 9 Г, история России…"};
        QTest::newRow("alike in another case")
            << "x" << QStringList{"Оценки", "ОЦЕНКИ", "оценки"} << QStringList{"Оценки", "ОЦЕНКИ (2)", "оценки (3)"};
        QTest::newRow("long and alike") << "x"
                                        << QStringList{"Работа над ошибками по темам истории: 5А",
                                                       "Работа над ошибками по темам истории: 5Б"}
                                        << QStringList{"Работа над ошибками по темам и…",
                                                       "Работа над ошибками по тем… (2)"};
        QTest::newRow("apostrophes, nothing left, a name kept for itself")
            << "x" << QStringList{"'Итоги'", "?*", "History"} << QStringList{"Итоги", "Лист2", "History (2)"};
        QTest::newRow("no table: the title") << "Диаграмма" << QStringList{} << QStringList{"Диаграмма"};
    }
    void sheetsAreNamedInFull()
    {
        QFETCH(QString, title);
        QFETCH(QStringList, captions);
        QFETCH(QStringList, names);
        Report r;
        r.title = title;
        for (const QString &c : captions)
            r.tables.push_back({c, {{QStringLiteral("Столбец")}}, {}});
        QCOMPARE(reportSheetNames(r), names);
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
        Report printed = sampleReport(2);
        printed.printed = QDateTime(exam, QTime(10, 15, 42));
        const auto doc = reportDocument(printed, area);
        const QString text = doc->toRawText(); // keeps the no-break space of "85 %"
        for (const QString &part :
             {sampleReport(0).title, QStringLiteral("Напечатано 07.12.2026 10:15"), sampleReport(0).filterLine,
              QStringLiteral("Оценки"), QStringLiteral("85\u00A0%"), QStringLiteral("07.12.2026 08:05")})
            QVERIFY2(text.contains(part), qPrintable(part));
        QVERIFY(!reportDocument(sampleReport(2), area)->toRawText().contains(QStringLiteral("Напечатано")));
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

    // However a table falls on the pages, each page it reaches holds some of
    // its rows (never its header row alone, repeated over nothing), and its
    // heading is on the page its header row begins. The first table's rows
    // push the others down a little more each time: rows of one line, some
    // with an empty cell, and rows of remarks wrapped over several lines;
    // pages of two heights.
    void noPageHoldsAHeaderRowAlone_data()
    {
        QTest::addColumn<QString>("remark");
        QTest::addColumn<qreal>("pageHeight");
        const QString wrapped = QStringLiteral("Сильные ученики чаще отвечают «988»: проверьте ключ. ").repeated(5);
        for (const qreal height : {700.0, 613.7, 600.0}) {
            QTest::addRow("no remarks, %g", height) << QString() << height;
            QTest::addRow("one-line rows, %g", height) << QStringLiteral("мало данных (4 ответа)") << height;
            QTest::addRow("wrapped remarks, %g", height) << wrapped << height;
        }
    }
    void noPageHoldsAHeaderRowAlone()
    {
        QFETCH(QString, remark);
        QFETCH(qreal, pageHeight);
        const QSizeF page(1060, pageHeight);
        for (int before = 1; before <= 60; ++before) {
            Report r;
            r.title = QStringLiteral("Журнал результатов — Анализ вопросов: Дроби");
            ReportTable analysis{
                QStringLiteral("Анализ вопросов"), {{QStringLiteral("Вопрос")}, {QStringLiteral("Замечания")}}, {}};
            for (int i = 0; i < before; ++i) // every third question without a remark
                analysis.rows.push_back({QStringLiteral("Вопрос %1").arg(i + 1), i % 3 ? remark : QString()});
            ReportTable results{QStringLiteral("Результаты"),
                                {{QStringLiteral("Ученик")}, {QStringLiteral("Оценка")}},
                                {{QStringLiteral("Петров Пётр"), QStringLiteral("5")}}};
            r.tables = {analysis, results, results};
            const auto doc = reportDocument(r, page);
            paginateReport(*doc, page);
            const QString fault = pagesWithoutRows(*doc, page.height());
            QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("after %1 rows: %2").arg(before).arg(fault)));
        }
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
