// Reading import files and staging the digit-led and w-led layouts.
#include "TestFiles.h"
#include "egeimport.h"
#include "errors.h"
#include "rtftext.h"
#include "text.h"
#include "textimport.h"

#include "StagingRows.h"
#include "peakmemory.h"

#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(ImportEncoding)

namespace
{
const QStringList emptyRow = row({}, {}, {}, {});

QString repeated(QChar c, int n)
{
    return QString(n, c);
}
} // namespace

class TestTextImport : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    QString fileWith(const QByteArray &bytes)
    {
        static int n = 0;
        const QString p = dir.filePath(QStringLiteral("in%1.txt").arg(++n));
        writeBytes(p, bytes);
        return p;
    }

private slots:
    void linesOfAFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        QTest::newRow("LF alone") << QByteArray("a\nb") << QStringList{"a", "b"};
        QTest::newRow("CR alone") << QByteArray("a\rb\r") << QStringList{"a", "b"};
        QTest::newRow("blank lines make nothing")
            << QByteArray("\r\n  \t\r\na\r\n\r\n\x01\x1f \r\nb") << QStringList{"a", "b"};
        QTest::newRow("trimmed") << QByteArray(" \t x y \x07\r\n") << QStringList{"x y"};
        QTest::newRow("Ctrl-Z ends the text") << QByteArray("a\r\nb\x1a"
                                                            "c\r\nd")
                                              << QStringList{"a", "b"};
        QTest::newRow("code page 1251") << QByteArray("\xc4\xf0\xee\xe1\xe8") << QStringList{"Дроби"};
        QTest::newRow("nothing") << QByteArray() << QStringList{};
    }
    void linesOfAFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(readImportLines(fileWith(bytes)), lines);
        QCOMPARE(importLinesOf(bytes), lines);
    }

    void encodingIsTakenFromTheBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<ImportEncoding>("encoding");
        const QByteArray utf8 = QStringLiteral("Дроби\r\n1. Чему равна ½ от 10?\r\n+б) 5").toUtf8();
        const QStringList text{"Дроби", "1. Чему равна ½ от 10?", "+б) 5"};
        QTest::newRow("UTF-8") << utf8 << text << ImportEncoding::Utf8;
        QTest::newRow("UTF-8 with its mark") << "\xEF\xBB\xBF" + utf8 << text << ImportEncoding::Utf8;
        QTest::newRow("four-byte character")
            << QByteArray("a\xF0\x9F\x98\x80") << QStringList{"a😀"} << ImportEncoding::Utf8;
        QTest::newRow("ASCII reads the same either way")
            << QByteArray("1. 2+2\r\n+4") << QStringList{"1. 2+2", "+4"} << ImportEncoding::Utf8;
        QTest::newRow("code page 1251") << QByteArray("\xc4\xf0\xee\xe1\xe8\r\n\xab\xc0\xbb \xb9\xa8")
                                        << QStringList{"Дроби", "«А» №Ё"} << ImportEncoding::Cp1251;
        // Bytes that are neither: read as code page 1251, byte by byte.
        QTest::newRow("stray high bytes")
            << QByteArray("a\x98\xff\x80") << QStringList{fromCp1251("a\x98\xff\x80")} << ImportEncoding::Cp1251;
        QTest::newRow("overlong form") << QByteArray("\xC0\xAF") << QStringList{"АЇ"} << ImportEncoding::Cp1251;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << QStringList{fromCp1251("\xED\xA0\x80")}
                                   << ImportEncoding::Cp1251;
        QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << QStringList{fromCp1251("\xF4\x90\x80\x80")}
                                       << ImportEncoding::Cp1251;
        QTest::newRow("cut short at the end")
            << QByteArray("\xD0\x94\xD0") << QStringList{fromCp1251("\xD0\x94\xD0")} << ImportEncoding::Cp1251;
        // The mark says UTF-8 even where a byte is wrong.
        QTest::newRow("mark and a bad byte")
            << QByteArray("\xEF\xBB\xBFx\xFFy") << QStringList{"x\uFFFDy"} << ImportEncoding::Utf8;
        // Stray continuation bytes read as characters of their own, and the
        // line is still cut at 250 of them.
        QTest::newRow("mark and stray continuation bytes")
            << "\xEF\xBB\xBFx" + QByteArray(300, '\x80') << QStringList{"x" + repeated(u'\uFFFD', 249)}
            << ImportEncoding::Utf8;
        // What follows the Ctrl-Z is not text and does not count.
        QTest::newRow("junk after Ctrl-Z")
            << QByteArray("\xD0\x94\xD0\xB0\x1a\xFF") << QStringList{"Да"} << ImportEncoding::Utf8;
        QTest::newRow("nothing") << QByteArray() << QStringList{} << ImportEncoding::Utf8;
        // Notepad's "Unicode", either byte order; its mark is the only sign of it.
        const QString utf16 = QStringLiteral("Дроби\r\n1. Чему равна ½ от 10?\r\n+б) 5");
        QTest::newRow("UTF-16 LE with its mark")
            << "\xFF\xFE" + QStringEncoder(QStringEncoder::Utf16LE).encode(utf16).operator QByteArray() << text
            << ImportEncoding::Utf16;
        QTest::newRow("UTF-16 BE with its mark, a character of two units, a Ctrl-Z")
            << "\xFE\xFF" + QStringEncoder(QStringEncoder::Utf16BE)
                                .encode(QStringLiteral("a😀\nДа\x1a\nнет"))
                                .
                                operator QByteArray()
            << QStringList{"a😀", "Да"} << ImportEncoding::Utf16;
    }
    void encodingIsTakenFromTheBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QFETCH(ImportEncoding, encoding);
        const ImportText fromFile = readImportText(fileWith(bytes));
        QCOMPARE(fromFile.lines, lines);
        QCOMPARE(fromFile.encoding, encoding);
        QVERIFY(!fromFile.converted);
        const ImportText inMemory = importTextOf(bytes);
        QCOMPARE(inMemory.lines, lines);
        QCOMPARE(inMemory.encoding, encoding);
    }

    void utf8LinesAreCutByCharacters()
    {
        // 300 two-byte letters: 250 letters are kept, not 250 bytes.
        const QByteArray line = QString(300, u'ж').toUtf8();
        QCOMPARE(readImportLines(fileWith(line + "\nконец")), QStringList({repeated(u'ж', 250), "конец"}));
    }

    void utf8CharacterSplitAcrossReads()
    {
        // Three bytes a line: the 21846th letter starts at the last byte of the
        // first 64 KiB piece and ends in the next one.
        QByteArray b;
        for (int i = 0; i < 30000; ++i)
            b += "\xD0\x96\n";
        const ImportText t = readImportText(fileWith(b));
        QCOMPARE(t.encoding, ImportEncoding::Utf8);
        QCOMPARE(t.lines.size(), 30000);
        QCOMPARE(t.lines.count(QStringLiteral("Ж")), 30000);
        // One stray byte at the very end turns the whole file to code page 1251.
        QCOMPARE(readImportText(fileWith(b + "\xFF")).encoding, ImportEncoding::Cp1251);
        // In UTF-16 the two units of one character fall into two pieces.
        const QString text = QString(QStringLiteral("x\n")).repeated(16383) + QStringLiteral("y😀\n");
        const ImportText w = readImportText(
            fileWith("\xFF\xFE" + QStringEncoder(QStringEncoder::Utf16LE).encode(text).operator QByteArray()));
        QCOMPARE(w.lines.size(), 16384);
        QCOMPARE(w.lines.last(), QStringLiteral("y😀"));
    }

    void longLinesAreCutBeforeTrimming()
    {
        // 10 blanks and 300 letters: the first 250 characters are kept, then trimmed.
        const QByteArray line = QByteArray(10, ' ') + QByteArray(300, 'x');
        const QStringList got = readImportLines(fileWith(line + "\r\nnext"));
        QCOMPARE(got, QStringList({repeated(u'x', 240), "next"}));
        QCOMPARE(importLine(QString(10, u' ') + repeated(u'x', 300)), repeated(u'x', 240));
    }

    void lineEndSplitAcrossReads()
    {
        // The file is read in pieces of 64 KiB; a CR LF across two pieces is one line end.
        QByteArray b(64 * 1024 - 1, 'a');
        b += "\r\nb";
        QCOMPARE(readImportLines(fileWith(b)), QStringList({repeated(u'a', 250), "b"}));
    }

    void unreadableFilesAreReported()
    {
        try {
            readImportLines(dir.filePath("missing.txt"));
            QFAIL("no error");
        } catch (const TrivoError &e) {
            QCOMPARE(e.text(), fileNotFoundText());
        }
        QVERIFY_THROWS_EXCEPTION(TrivoError, readImportLines(dir.path()));
    }

    void rtfDocumentGivesItsParagraphs()
    {
        const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Times;}}{\\*\\generator X;}"
                               "{\\info{\\title Hidden}}\\pard \\u1040?1\\par\r\n"
                               "\\'c2\\'ee\\'ef\\'f0\\'ee\\'f1 \\{1\\} \\\\ x\\tab y\\line "
                               "{\\uc0\\u1060)}\\par\n"
                               "\\u-3913?\\par last}";
        QVERIFY(looksLikeRtf(rtf));
        QCOMPARE(rtfParagraphs(rtf), QStringList({"А1", "Вопрос {1} \\ x\ty", "Ф)", QString(QChar(0xF0B7)), "last"}));
        // The imports take them as lines like any other.
        QCOMPARE(importLinesOf(rtf), QStringList({"А1", "Вопрос {1} \\ x\ty", "Ф)", QString(QChar(0xF0B7)), "last"}));
        QCOMPARE(importTextOf(rtf).encoding, ImportEncoding::Rtf);
    }

    void brokenRtfNeverFails()
    {
        QCOMPARE(rtfParagraphs("{\\rtf1 a}}}}\\par b\\"), QStringList({"a", "b"}));
        QCOMPARE(rtfParagraphs("{\\rtf1 \\u"), QStringList());
        QCOMPARE(rtfParagraphs("{\\rtf1 x\\bin999999 hidden"), QStringList({"x"}));
        QByteArray deep = "{\\rtf1 ";
        deep += QByteArray(100000, '{') + "deep" + QByteArray(100000, '}') + "\\par end}";
        QCOMPARE(rtfParagraphs(deep), QStringList({"deep", "end"}));
    }

    // A file of more lines than a topic can use is refused at the first line
    // too many, counted in the file; up to there every line is read.
    void tooManyLinesAreRefusedByLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QString tooMany =
            QStringLiteral("%1: в файле больше 100000 непустых строк, в одну тему столько не войдёт");
        QTest::newRow("three million short lines")
            << QByteArray("1\n").repeated(3'000'000) << tooMany.arg("Строка 100001");
        QTest::newRow("blank lines between")
            << QByteArray("1\r\n\r\n").repeated(100'001) << tooMany.arg("Строка 200001");
        QTest::newRow("RTF paragraphs") << "{\\rtf1 " + QByteArray("1\\par ").repeated(100'001) + "}"
                                        << tooMany.arg("Абзац 100001");
    }
    void tooManyLinesAreRefusedByLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        for (const bool fromFile : {false, true}) {
            try {
                fromFile ? readImportText(fileWith(bytes)) : importTextOf(bytes);
                QFAIL("no error");
            } catch (const TrivoError &e) {
                QCOMPARE(e.text(), message);
            }
        }
        QCOMPARE(importLinesOf(QByteArray("1\n").repeated(MaxImportLines)).size(), MaxImportLines);
    }

    // The most lines read, and many more, staged in every layout.
    void importStaysWithinMemory_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("the most lines") << QByteArray("1\n").repeated(MaxImportLines);
        QTest::newRow("six megabytes of lines") << QByteArray("1\n").repeated(3'000'000);
        QTest::newRow("long lines") << QByteArray(300, 'x').append('\n').repeated(20'000);
    }
    void importStaysWithinMemory()
    {
        QFETCH(QByteArray, bytes);
        const QString path = fileWith(bytes);
        const qint64 growth = peakGrowthOf([&] {
            const QStringList lines = readImportLines(path);
            stageDigitLed(lines);
            stageWLed(lines);
            joinEgeRecords(markEgeLines(lines));
        });
        QVERIFY2(growth >= 0, "the import crashed");
        QVERIFY2(growth <= memoryAllowedFor(bytes.size()),
                 qPrintable(QStringLiteral("%1 MiB for a file of %2 KiB").arg(growth >> 20).arg(bytes.size() >> 10)));
    }

    void digitLedExample()
    {
        const QStringList lines{"Дроби",     "1. Чему равна половина от 10?",       "а) 2",    "",
                                "  +б) 5  ", "2. Расположите числа по возрастанию", "r2) 1/2", "r1) 1/4"};
        const Rows want{title("Дроби"),
                        row("1", {}, {}, "1. Чему равна половина от 10?"),
                        row("1", "а", {}, "а) 2"),
                        row("1", "б", "+", "+б) 5"),
                        row("2", {}, {}, "2. Расположите числа по возрастанию"),
                        row("2", "2", "1", "r2) 1/2"),
                        row("2", "1", "1", "r1) 1/4"),
                        emptyRow};
        QCOMPARE(stageDigitLed(lines), want);
    }

    void digitLedLineKinds_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("staged"); // the row after the title and question 1
        QTest::newRow("digit: always a question") << "1) текст" << row("2", {}, {}, "1) текст");
        QTest::newRow("capital R is a wrong option") << "R2) x" << row("1", "R", {}, "R2) x");
        QTest::newRow("capital W is a wrong option") << "W x" << row("1", "W", {}, "W x");
        QTest::newRow("lone +") << "+" << row("1", {}, "+", "+");
        QTest::newRow("lone r") << "r" << row("1", {}, "1", "r");
        QTest::newRow("minus is a wrong option") << "-1) x" << row("1", "-", {}, "-1) x");
    }
    void digitLedLineKinds()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, staged);
        const Rows rows = stageDigitLed({"Тема", "1. Вопрос", line});
        QCOMPARE(rows.size(), size_t(4));
        QCOMPARE(rows[2], staged);
    }

    void emptyAndTitleOnlyFiles()
    {
        QCOMPARE(stageDigitLed({}), Rows{emptyRow});
        QCOMPARE(stageWLed({"", "  "}), Rows{emptyRow});
        QCOMPARE(stageDigitLed({"1. Похоже на вопрос"}), Rows({title("1. Похоже на вопрос"), emptyRow}));
        QCOMPARE(stageWLed({"w1. Тоже заголовок"}), Rows({title("w1. Тоже заголовок"), emptyRow}));
    }

    void optionsBeforeTheFirstQuestion()
    {
        const Rows rows = stageDigitLed({"Тема", "а) рано", "1. Вопрос", "б) x"});
        QCOMPARE(rows[1], row("0", "а", {}, "а) рано"));
        QCOMPARE(rows[3], row("1", "б", {}, "б) x"));
    }

    void wLedExample()
    {
        const QStringList lines{"Тема",  "w 3. Текст", "1. Один", "+2. Пять", "3. Два", "Ответ без номера",
                                "+17.x", "wВопрос",    "+.a",     "W. b"};
        const Rows want{title("Тема"),
                        row("1", {}, {}, " 3. Текст"),
                        row("1", "а", {}, "а) Один"),
                        row("1", "б", "+", "+б) Пять"),
                        row("1", "в", {}, "в) Два"),
                        row("1", "О", {}, "Ответ без номера"),
                        row("1", "д", "+", "+д)x"),
                        row("2", {}, {}, "Вопрос"),
                        row("2", "а", "+", "+а)a"),
                        row("2", "б", {}, "б) b"),
                        emptyRow};
        QCOMPARE(stageWLed(lines), want);
    }

    void wLedLettersRunOut()
    {
        QStringList lines{"Тема", "w1. Много ответов"};
        for (int i = 1; i <= 30; ++i)
            lines << QStringLiteral("%1. ответ").arg(i);
        const Rows rows = stageWLed(lines);
        QCOMPARE(rows[2 + 17][StagingCol::Nazwan], QStringLiteral("т) ответ")); // the 18th
        QCOMPARE(rows[2 + 18][StagingCol::Nazwan], QStringLiteral("у) ответ"));
        QCOMPARE(rows[2 + 27][StagingCol::Nazwan], QStringLiteral("я) ответ")); // the 28th
        QCOMPARE(rows[2 + 28], row("1", "2", {}, "29. ответ"));                 // kept as written
        QCOMPARE(wLedOptionLetter(0), QString());
    }

    void stagingReplacesTheTable()
    {
        StringTable t(7, 1);
        t.setHeaders({"Predm", "Tema", "Test", "Wopr", "Otwe", "Kod_P", "Nazwan"});
        setStagingRows(t, stageDigitLed({"a", "1. b", "c", "2. d", "e"}));
        QCOMPARE(t.rowCount(), 7);
        setStagingRows(t, stageDigitLed({"Тема"}));
        QCOMPARE(t.rowCount(), 3);
        QCOMPARE(t.row(0).at(6), QStringLiteral("Nazwan"));
        QCOMPARE(t.row(1), title("Тема"));
        QCOMPARE(t.row(2), emptyRow);
    }
};

QTEST_APPLESS_MAIN(TestTextImport)
#include "test_textimport.moc"
