// The state-exam layout: marking the lines, the scratch file and joining the
// marked lines into staging rows.
#include "TestFiles.h"
#include "egeimport.h"
#include "errors.h"
#include "textimport.h"

#include "StagingRows.h"

#include <QTemporaryDir>
#include <QtTest>

namespace
{
Rows imported(const QStringList &lines)
{
    return joinEgeRecords(markEgeLines(lines));
}
QStringList marksOf(const std::vector<EgeRec> &recs)
{
    QStringList m;
    for (const EgeRec &r : recs)
        m << r.Kod_P;
    return m;
}
} // namespace

class TestEgeImport : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void paperExample()
    {
        const QStringList lines{"История. Вариант 1",
                                "А1",
                                "В каком году началась Северная война?",
                                "+1)",
                                "1700",
                                "2)",
                                "",
                                "1709",
                                "В1",
                                "Назовите столицу Франции.",
                                "Ф)",
                                "Париж"};
        const std::vector<EgeRec> marked = markEgeLines(lines);
        QCOMPARE(marksOf(marked),
                 QStringList({"КК", "НВ", "КК", "НО", "КК", "НО", "КК", "НВ", "КК", "НО", "КК", "КТ"}));
        QCOMPARE(marked.back().Nazwan, EgeEndText);
        const Rows want{title("История. Вариант 1"),
                        question(1, "1.  В каком году началась Северная война?"),
                        row("1", "1", "+", "+1) 1700"),
                        row("1", "2", {}, "2) 1709"),
                        question(2, "2.  Назовите столицу Франции."),
                        row("2", "1", "Ф", "Ф) Париж")};
        QCOMPARE(joinEgeRecords(marked), want);
    }

    void labels_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("task");
        QTest::addColumn<bool>("option");
        QTest::newRow("А1 Cyrillic") << "А1" << true << false;
        QTest::newRow("B12 Latin") << "B12" << true << false;
        QTest::newRow("A1 with text") << "A1 Текст" << true << false;
        QTest::newRow("С1 is no task") << "С1" << false << false;
        QTest::newRow("А without digit") << "А Текст" << false << false;
        QTest::newRow("1)") << "1)" << false << true;
        QTest::newRow("10)") << "10)" << false << true;
        QTest::newRow("+10)") << "+10)" << false << true;
        QTest::newRow("+100) is no label") << "+100)" << false << false;
        QTest::newRow(") first is no label") << ") x" << false << false;
        QTest::newRow("(1) enumeration") << "(1) перечисление" << false << true;
        QTest::newRow("А1) is both") << "А1)" << true << true;
    }
    void labels()
    {
        QFETCH(QString, line);
        QFETCH(bool, task);
        QFETCH(bool, option);
        QCOMPARE(isEgeTaskLabel(line), task);
        QCOMPARE(isEgeOptionLabel(line), option);
        if (task && option) // the option role wins
            QCOMPARE(markEgeLines({"Т", line, "x"}).at(1).Kod_P, EgeMark::Option);
    }

    void roleOfEachOptionLabel()
    {
        const Rows rows = imported({"Т", "А1", "?", "+2)", "a", "-1)", "b", "r3)", "c", "Ф)", "d", "4)", "e"});
        QCOMPARE(rows.size(), size_t(7));
        QCOMPARE(rows[2], row("1", "2", "+", "+2) a"));
        QCOMPARE(rows[3], row("1", "1", "-", "-1) b"));
        QCOMPARE(rows[4], row("1", "3", "1", "r3) c"));
        QCOMPARE(rows[5], row("1", "1", "Ф", "Ф) d"));
        QCOMPARE(rows[6], row("1", "4", {}, "4) e"));
    }

    void piecesThatAreJoined_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<Rows>("rows");
        QTest::newRow("question text over lines")
            << QStringList{"Т", "А1", "Прочтите.", "Часть текста", "1)", "x"}
            << Rows{title("Т"), question(1, "1.  Прочтите. Часть текста"), row("1", "1", {}, "1) x")};
        QTest::newRow("option text over two lines, a third is a row of its own")
            << QStringList{"Т", "А1", "?", "1)", "a", "b", "c", "+2)", "d"}
            << Rows{title("Т"), question(1, "1.  ?"), row("1", "1", {}, "1) a b"), row("1", "c", {}, "c"),
                    row("1", "2", "+", "+2) d")};
        QTest::newRow("a label directly before a label loses its role")
            << QStringList{"Т", "А1", "Вопрос", "1)", "2)", "текст"}
            << Rows{title("Т"), question(1, "1.  Вопрос 1)"), row("1", "2", {}, "2) текст")};
        QTest::newRow("a task label's own text is kept")
            << QStringList{"Т",  "А1 В каком году", "началась война?", "1)", "1700", "А2. Столица", "Италии?", "Ф)",
                           "Рим"}
            << Rows{title("Т"), question(1, "1.  В каком году началась война?"), row("1", "1", {}, "1) 1700"),
                    question(2, "2.  Столица Италии?"), row("2", "1", "Ф", "Ф) Рим")};
        QTest::newRow("a task without options stays a question")
            << QStringList{"Т", "А1", "Первый", "А2", "Второй", "1)", "x"}
            << Rows{title("Т"), question(1, "1.  Первый"), question(2, "2.  Второй"), row("2", "1", {}, "1) x")};
        QTest::newRow("a heading never swallows the next task")
            << QStringList{"Т", "А1", "?", "1)", "a", "b", "Часть 2", "В1", "Вопрос 2", "Ф)", "x"}
            << Rows{title("Т"),
                    question(1, "1.  ?"),
                    row("1", "1", {}, "1) a b"),
                    row("1", "Ч", {}, "Часть 2"),
                    question(2, "2.  Вопрос 2"),
                    row("2", "1", "Ф", "Ф) x")};
        QTest::newRow("a task label right before an option label")
            << QStringList{"Т", "А1", "+1)", "1700"}
            << Rows{title("Т"), row("0", "А", {}, "А1"), row("0", "1", "+", "+1) 1700")};
        QTest::newRow("lines before the first task") << QStringList{"Т", "Инструкция", "к работе", "А1", "?", "1)", "x"}
                                                     << Rows{title("Т"), row("0", "И", {}, "Инструкция к работе"),
                                                             question(1, "1.  ?"), row("1", "1", {}, "1) x")};
        // The last line is always marked as the end of a piece, so it is never a label.
        QTest::newRow("a label as the last line")
            << QStringList{"Т", "А1", "?", "1)"} << Rows{title("Т"), question(1, "1.  ? 1)")};
        QTest::newRow("a task as the last line")
            << QStringList{"Т", "1)", "x", "А1"} << Rows{title("Т"), row("0", "1", {}, "1) x А1")};
        QTest::newRow("empty file") << QStringList{} << Rows{title(EgeEndText)};
        QTest::newRow("title only") << QStringList{"А1"} << Rows{title("А1")};
    }
    void piecesThatAreJoined()
    {
        QFETCH(QStringList, lines);
        QFETCH(Rows, rows);
        QCOMPARE(imported(lines), rows);
    }

    void longLinesAreCut()
    {
        const QString longLine(300, u'ж');
        const std::vector<EgeRec> marked = markEgeLines({"Т", longLine});
        QCOMPARE(marked.at(1).Nazwan.size(), 210);
    }

    void scratchFileHoldsTheMarkedLines()
    {
        const QString path = dir.filePath("EGE.dat");
        const std::vector<EgeRec> marked = markEgeLines({"Т", "А1", "Вопрос", "1)", "x"});
        writeEgeScratch(path, marked);
        const QByteArray bytes = readBytes(path);
        QCOMPARE(bytes.size(), qsizetype(6 * EgeRec::Size));
        QCOMPARE(bytes.mid(EgeRec::Size, 3), QByteArray("\x02\xcd\xc2")); // НВ of the task label
        std::vector<EgeRec> back;
        for (int i = 0; i < 6; ++i)
            back.push_back(EgeRec::decode(bytes.mid(i * EgeRec::Size, EgeRec::Size)));
        QCOMPARE(back, marked);

        clearEgeScratch(path);
        QCOMPARE(readBytes(path), QByteArray());
        QVERIFY_THROWS_EXCEPTION(TrivoError, clearEgeScratch(dir.filePath("no/such/folder/EGE.dat")));
    }
};

QTEST_APPLESS_MAIN(TestEgeImport)
#include "test_egeimport.moc"
