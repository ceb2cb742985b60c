// Class lists as teachers bring them: text files in the encodings a school's
// PCs write, and workbooks, both the program's own and hand-made ones; every
// bad row named, and a damaged or oversized file refused in words.
#include "XlsxTable.h"
#include "ZipWriter.h"
#include "classlist.h"
#include "errors.h"
#include "text.h"

#include <QtTest>

namespace
{
QByteArray utf16le(const QString &s)
{
    QByteArray out("\xFF\xFE", 2);
    out.append(reinterpret_cast<const char *>(s.utf16()), s.size() * 2);
    return out;
}

QByteArray workbook(const QByteArray &sheet, const QByteArray &shared, const QString &sheetPath)
{
    const QByteArray rels = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                            "<Relationship Id=\"rId7\" Target=\"" +
                            sheetPath.toUtf8() + "\"/></Relationships>";
    std::vector<ZipPart> parts = {
        {QStringLiteral("xl/workbook.xml"),
         "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
         "<sheet name=\"Лист1\" sheetId=\"1\" r:id=\"rId7\"/></sheets></workbook>"},
        {QStringLiteral("xl/_rels/workbook.xml.rels"), rels},
        {QStringLiteral("xl/") + sheetPath, sheet}};
    if (!shared.isEmpty())
        parts.push_back({QStringLiteral("xl/sharedStrings.xml"), shared});
    return zipArchive(parts);
}

QStringList pupilsOf(const ClassList &list)
{
    QStringList out;
    for (const ClassListPupil &p : list.pupils)
        out << QStringLiteral("%1|%2|%3").arg(p.fio, p.className).arg(p.row);
    return out;
}
} // namespace

class ClassListTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void reads_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("pupils");   // name|class|row
        QTest::addColumn<QStringList>("problems"); // each problem's start

        QTest::newRow("header, separators, blanks")
            << QStringLiteral("ФИО; класс\r\nИванов  Иван Петрович ; 9 б\r\n\r\nПетрова Анна\t10А\n"
                              "Сидоров Пётр, 11-в, пришёл в марте\n   \n")
                   .toUtf8()
            << QStringList{"Иванов Иван Петрович|9Б|2", "Петрова Анна|10А|4", "Сидоров Пётр|11-В|5"} << QStringList{};
        QTest::newRow("cp1251") << toCp1251(QStringLiteral("Фамилия Имя;Класс\r\nЁлкина Яна;7а\r\n"))
                                << QStringList{"Ёлкина Яна|7А|2"} << QStringList{};
        QTest::newRow("utf-16 from a spreadsheet") << utf16le(QStringLiteral("ФИО\tКласс\r\nИванов Иван\t5А\r\n"))
                                                   << QStringList{"Иванов Иван|5А|2"} << QStringList{};
        QTest::newRow("bad rows")
            << QStringLiteral("Иванов Иван; 9Б\nПетров Пётр\n; 9Б\n9Б; Сидоров\nиванов иван; 9б\n12345; 9Б\n").toUtf8()
            << QStringList{"Иванов Иван|9Б|1"}
            << QStringList{"Строка 2: нет класса", "Строка 3: нет ФИО", "Строка 4: «СИДОРОВ» не похоже на класс",
                           "Строка 5: иванов иван (9Б) уже есть в строке 1", "Строка 6: в ФИО «12345» нет букв"};
        QTest::newRow("a name too long") << (QString(101, u'Я') + QStringLiteral("; 9Б")).toUtf8() << QStringList{}
                                         << QStringList{"Строка 1: ФИО длиннее 100 знаков"};
        QByteArray many;
        for (int i = 0; i <= ClassListLimits::rows; ++i)
            many += QStringLiteral("Ученик %1; 9Б\n").arg(i).toUtf8();
        QTest::newRow("too many rows") << many << QStringList{} << QStringList{"В списке больше 5000 строк"};
        QTest::newRow("empty") << QByteArray("\n\n") << QStringList{} << QStringList{};

        const QByteArray shared = "<sst><si><t>ФИО</t></si><si><t>Класс</t></si><si><r><t>Петрова </t></r>"
                                  "<r><t>Анна</t></r><rPh><t>ぺ</t></rPh></si></sst>";
        const QByteArray sheet =
            "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c></row>"
            "<row r=\"2\"><c t=\"inlineStr\"><is><t>Иванов Иван</t></is></c><c><v>9</v></c><c><v>x</v></c></row>"
            "<row r=\"4\"><c r=\"C4\"><v>1</v></c><c r=\"B4\" t=\"str\"><v>9Б</v></c></row>"
            "<row r=\"5\"><c r=\"A5\" t=\"s\"><v>2</v></c><c r=\"B5\" t=\"inlineStr\"><is><t>9 б</t></is></c></row>"
            "</sheetData></worksheet>";
        QTest::newRow("workbook by hand")
            << workbook(sheet, shared, QStringLiteral("worksheets/pupils.xml"))
            << QStringList{"Иванов Иван|9|2", "Петрова Анна|9Б|5"} << QStringList{"Строка 4: нет ФИО"};
        QTest::newRow("workbook not well formed")
            << workbook("<worksheet><sheetData><row><c><v>Иванов</v></c><c><v>9А</v></c></row><row>", {},
                        QStringLiteral("worksheets/sheet1.xml"))
            << QStringList{"Иванов|9А|1"} << QStringList{"Лист книги повреждён"};
        QTest::newRow("a sheet that unpacks too large")
            << workbook(QByteArray(ClassListLimits::partBytes + 1, ' '), {}, QStringLiteral("worksheets/sheet1.xml"))
            << QStringList{} << QStringList{"Книга не прочитана: часть xl/worksheets/sheet1.xml больше 32 МБ"};
        QTest::newRow("not a workbook") << QByteArray("PK\x03\x04 nothing more", 20) << QStringList{}
                                        << QStringList{"Книга не прочитана: архив не читается"};
        QTest::newRow("an old binary workbook") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") << QStringList{}
                                                << QStringList{"Это книга старого формата (.xls)"};
    }

    void reads()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, pupils);
        QFETCH(QStringList, problems);
        const QString path = dir.filePath(QStringLiteral("list"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(file) == file.size());
        f.close();
        const ClassList list = readClassList(path, unzipPartsInto);
        QCOMPARE(pupilsOf(list), pupils);
        QCOMPARE(list.problems.size(), problems.size());
        for (int i = 0; i < problems.size(); ++i)
            QVERIFY2(list.problems[i].startsWith(problems[i]), qPrintable(list.problems[i]));
        // Only a list without a problem is taken, and only one with a pupil.
        QCOMPARE(list.ok(), problems.isEmpty() && !pupils.isEmpty());
        QCOMPARE(classListProblemsText(list).isEmpty(), list.ok());
    }

    // A workbook as the program itself writes one: shared strings, a number for a class.
    void readsTheProgramsOwnWorkbook()
    {
        const QString path = dir.filePath(QStringLiteral("класс.xlsx"));
        writeXlsxTable(path, QStringLiteral("9Б"), {QStringLiteral("ФИО"), QStringLiteral("Класс")},
                       {{QStringLiteral("Иванов Иван"), QStringLiteral("9Б")},
                        {QStringLiteral("Петрова Анна"), QStringLiteral("10")}});
        const ClassList list = readClassList(path, unzipPartsInto);
        QVERIFY2(list.ok(), qPrintable(classListProblemsText(list)));
        QCOMPARE(pupilsOf(list), (QStringList{"Иванов Иван|9Б|2", "Петрова Анна|10|3"}));
    }
};

QTEST_GUILESS_MAIN(ClassListTest)
#include "test_classlist.moc"
