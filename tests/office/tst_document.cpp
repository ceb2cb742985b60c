// The in-memory document: how positions are counted, bold spans, tables.
#include "DocxDocument.h"
#include "errors.h"

#include <QtTest>

namespace
{

// Protocol-style line: a new paragraph, then L; plain unless it is a right one.
void optionLine(WordDocument &d, const QString &line, bool right)
{
    d.insertParagraphAfter();
    const int s = d.end();
    d.insertAfter(line);
    if (!right)
        d.unbold(s, s + int(line.size()) - 1);
}

// The text of every paragraph with its weight: "B:" bold, "P:" plain, "M:" mixed; "" empty.
QStringList paragraphs(const DocumentModel &m)
{
    QStringList out;
    for (const auto &b : m.blocks()) {
        if (b.isTable()) {
            out << QStringLiteral("<table %1>").arg(b.table + 1);
            continue;
        }
        QString text;
        bool anyBold = false, anyPlain = false;
        for (const auto &r : b.runs) {
            text += r.text;
            (r.bold ? anyBold : anyPlain) = true;
        }
        out << (anyBold && anyPlain ? "M:" : anyPlain ? "P:" : anyBold ? "B:" : "") + text;
    }
    return out;
}

} // namespace

class DocumentTest : public QObject
{
    Q_OBJECT

    DocxDocument doc;

    // Every test ends with the document's own accounts agreeing.
    void checkPositions()
    {
        QCOMPARE(doc.model().characters().size(), doc.end());
        QVERIFY(!doc.model().blocks().back().isTable());
    }

private slots:
    void init() { doc.newDocument(); }
    void cleanup() { checkPositions(); }

    void marksAndTextCountOneEach()
    {
        QCOMPARE(doc.end(), 1);
        doc.insertAfter(QStringLiteral("abc"));
        QCOMPARE(doc.end(), 4);
        doc.insertParagraphAfter();
        doc.insertParagraphAfter();
        doc.insertAfter(QStringLiteral("Щ"));
        QCOMPARE(doc.end(), 7);
        QCOMPARE(doc.model().characters(), QStringLiteral("abc\n\nЩ\n"));
    }

    void protocolLinesUnboldExactlyTheWrongOptions()
    {
        doc.setFontSize(10);
        doc.setBold(true);
        doc.insertParagraphAfter();
        doc.insertAfter(QStringLiteral("1. Столица Франции?"));
        optionLine(doc, QStringLiteral("в- :  Лион"), false);
        optionLine(doc, QStringLiteral("в+ :  Париж"), true);
        optionLine(doc, QStringLiteral("-- :  Марсель"), false);
        optionLine(doc, QStringLiteral("-+ :  Ницца"), true);
        // exact answer: appended to the question line itself
        doc.insertParagraphAfter();
        doc.insertAfter(QStringLiteral("2. Год?"));
        doc.insertAfter(QStringLiteral("++ :  1941 Вы 1941"));

        QCOMPARE(paragraphs(doc.model()),
                 QStringList({"", "B:1. Столица Франции?", "P:в- :  Лион", "B:в+ :  Париж", "P:-- :  Марсель",
                              "B:-+ :  Ницца", "B:2. Год?++ :  1941 Вы 1941"}));
        // the characters right before and after a plain line stay bold
        const QString chars = doc.model().characters();
        const int lyon = int(chars.indexOf(QStringLiteral("в- :  Лион"))) + 1;
        QVERIFY(doc.model().isBoldAt(lyon - 1) || chars.at(lyon - 2) == u'\n');
        QVERIFY(!doc.model().isBoldAt(lyon));
        QVERIFY(!doc.model().isBoldAt(lyon + 9));
        QVERIFY(doc.model().isBoldAt(lyon + 11)); // first character of the next line
        QCOMPARE(doc.model().fontSize(), 10.0);
    }

    void unboldSpansAcrossParagraphsAndCells()
    {
        doc.setBold(true);
        doc.insertAfter(QStringLiteral("abcd"));
        doc.addTable(doc.end() - 1, 1, 2);
        doc.table(1).setCellText(1, 1, QStringLiteral("xy"));
        doc.table(1).setCellText(1, 2, QStringLiteral("zw"));
        doc.insertAfter(QStringLiteral("tail"));
        QCOMPARE(doc.model().characters(), QStringLiteral("abcd\nxy|zw|/tail\n"));
        doc.unbold(3, 9); // "cd", the mark, "xy", the cell mark, "z"
        const auto &cells = doc.model().tableAt(1).cells;
        QCOMPARE(paragraphs(doc.model()).first(), QStringLiteral("M:abcd"));
        QCOMPARE(cells[0].size(), size_t(1));
        QVERIFY(!cells[0][0].bold);
        QCOMPARE(cells[1].size(), size_t(2));
        QCOMPARE(cells[1][0].text, QStringLiteral("z"));
        QVERIFY(!cells[1][0].bold && cells[1][1].bold);
        QVERIFY(doc.model().bold()); // later text stays bold: the final mark was not in the span
    }

    void unboldReachingTheFinalMarkMakesLaterTextPlain()
    {
        doc.setBold(true);
        doc.insertAfter(QStringLiteral("ab"));
        doc.unbold(0, doc.end());
        doc.insertAfter(QStringLiteral("c"));
        QCOMPARE(paragraphs(doc.model()), QStringList({"P:abc"}));
        doc.setBold(true);
        QCOMPARE(paragraphs(doc.model()), QStringList({"B:abc"}));
    }

    void badSpansAreRefusedOrEmpty()
    {
        doc.setBold(true);
        doc.insertAfter(QStringLiteral("abc"));
        const quint64 before = doc.model().revision();
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.unbold(-1, 2));
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.unbold(1, doc.end() + 1));
        QCOMPARE(doc.model().revision(), before);
        doc.unbold(3, 2); // empty
        QCOMPARE(paragraphs(doc.model()), QStringList({"B:abc"}));
    }

    void tableAtEndMinusOneLandsBeforeTheFinalParagraph_data()
    {
        QTest::addColumn<bool>("finalParagraphEmpty");
        QTest::newRow("question line in the final paragraph") << false;
        QTest::newRow("empty final paragraph") << true;
    }
    void tableAtEndMinusOneLandsBeforeTheFinalParagraph()
    {
        QFETCH(bool, finalParagraphEmpty);
        doc.insertParagraphAfter();
        doc.insertAfter(QStringLiteral("3. Соотнесите"));
        if (finalParagraphEmpty)
            doc.insertParagraphAfter();
        const int before = doc.end();
        doc.addTable(doc.end() - 1, 2, 3);
        doc.insertAfter(QStringLiteral(" "));
        QCOMPARE(doc.tableCount(), 1);
        // 6 cell marks + 2 row marks, + the mark the split paragraph needs + the blank
        QCOMPARE(doc.end(), before + 8 + (finalParagraphEmpty ? 0 : 1) + 1);
        QCOMPARE(doc.model().characters(), QStringLiteral("\n3. Соотнесите\n|||/|||/ \n"));
        QCOMPARE(paragraphs(doc.model()), QStringList({"", "P:3. Соотнесите", "<table 1>", "P: "}));
    }

    void tableAtTheStartForThePrintout()
    {
        doc.setFontSize(8);
        doc.addTable(0, 3, 10);
        doc.insertAfter(QStringLiteral(" "));
        auto t = doc.table(1);
        t.enableBorders();
        for (int c = 1; c <= 10; ++c)
            t.setColumnWidth(c, 23);
        t.setColumnWidth(7, 300);
        t.setCellText(2, 7, QStringLiteral("Тема"));
        QCOMPARE(paragraphs(doc.model()), QStringList({"<table 1>", "P: "}));
        const auto &table = doc.model().tableAt(1);
        QVERIFY(table.borders);
        QCOMPARE(table.widths[0], 23.0);
        QCOMPARE(table.widths[6], 300.0);
        QCOMPARE(plainTextOfCell(table, 2, 7), QStringLiteral("Тема"));
        QCOMPARE(doc.end(), 3 * 10 + 3 + 4 + 2);
    }

    void tableInsideParagraphTextSplitsIt()
    {
        doc.insertAfter(QStringLiteral("abcdef"));
        doc.addTable(3, 1, 1);
        QCOMPARE(doc.model().characters(), QStringLiteral("abc\n|/def\n"));
        // a position inside that table puts the next one after it
        doc.addTable(5, 1, 2);
        QCOMPARE(doc.model().characters(), QStringLiteral("abc\n|/||/def\n"));
        // a position on the final mark itself still leaves the final paragraph last
        doc.addTable(doc.end(), 1, 1);
        QCOMPARE(doc.model().characters(), QStringLiteral("abc\n|/||/def\n|/\n"));
    }

    void tablesAreAddressedInTheOrderAdded()
    {
        doc.insertAfter(QStringLiteral("x"));
        doc.addTable(doc.end() - 1, 1, 1); // first added, at the end
        doc.addTable(0, 1, 1);             // second added, at the start
        doc.table(1).setCellText(1, 1, QStringLiteral("first"));
        doc.table(2).setCellText(1, 1, QStringLiteral("second"));
        QCOMPARE(doc.model().characters(), QStringLiteral("second|/x\nfirst|/\n"));
    }

    void cellTextReplacesAndMovesTheEnd()
    {
        doc.addTable(0, 2, 2);
        const int before = doc.end();
        doc.table(1).setCellText(2, 2, QStringLiteral("длинный текст"));
        QCOMPARE(doc.end(), before + 13);
        doc.table(1).setCellText(2, 2, QStringLiteral("к"));
        QCOMPARE(doc.end(), before + 1);
        doc.setBold(true);
        doc.table(1).setCellText(1, 1, QStringLiteral("b"));
        QVERIFY(doc.model().tableAt(1).cell(1, 1).front().bold);
    }

    void wrongAddressesAreRefusedAndChangeNothing()
    {
        doc.addTable(0, 11, 2);
        const quint64 before = doc.model().revision();
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.table(0));
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.table(2));
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.setCellText(2, 1, 1, QStringLiteral("x")));
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.setCellText(1, 12, 1, QStringLiteral("x")));
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.setCellText(1, 1, 0, QStringLiteral("x")));
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.setColumnWidth(1, 3, 50));
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.setColumnWidth(1, 1, 0));
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.setColumnWidth(1, 1, qQNaN()));
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.enableBorders(2));
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.addTable(-1, 1, 1));
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.addTable(doc.end() + 1, 1, 1));
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.addTable(0, 0, 1));
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.addTable(0, 1, 64));
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.setFontSize(0));
        QVERIFY_THROWS_EXCEPTION(TrivoError, doc.setFontSize(2000));
        QCOMPARE(doc.model().revision(), before);
        try {
            doc.setCellText(1, 12, 1, QStringLiteral("x"));
        } catch (const TrivoError &e) {
            QCOMPARE(e.text(), QStringLiteral("Текст ячейки: в таблице 1 нет ячейки (12, 1)"));
        }
    }

    void newDocumentStartsOver()
    {
        doc.setFontSize(10);
        doc.setBold(true);
        doc.insertAfter(QStringLiteral("x"));
        doc.addTable(0, 1, 1);
        doc.newDocument();
        QCOMPARE(doc.end(), 1);
        QCOMPARE(doc.tableCount(), 0);
        QVERIFY(!doc.model().bold());
        QCOMPARE(doc.model().fontSize(), DocumentModel::defaultFontSize);
    }

private:
    static QString plainTextOfCell(const DocumentModel::Table &t, int r, int c)
    {
        QString s;
        for (const auto &run : t.cell(r, c))
            s += run.text;
        return s;
    }
};

QTEST_GUILESS_MAIN(DocumentTest)
#include "tst_document.moc"
