#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// A class list as a teacher brings it: a text file of lines «ФИО; класс» (a
// tab or a comma will do for the semicolon; UTF-8, UTF-16 with its mark, or
// code page 1251) or a workbook (.xlsx: its first sheet, ФИО in column A, the
// class in column B). A header row («ФИО; класс») and blank rows are skipped;
// columns after the class are ignored. A class starts with its year («9Б»,
// «10-А»): a name in its place means the columns were swapped.
//
// A list with a bad row is taken as a whole or not at all: the teacher reads
// which rows are wrong, mends the file and loads it again. Half a class
// imported is worse than none, since the cards are printed from what the
// server holds and a pupil without a card goes unnoticed until the lesson.

struct ClassListPupil {
    QString fio;       // blanks collapsed: «Иванов Иван Петрович»
    QString className; // blanks dropped, letters in capitals: «9Б», «10-А»
    int row = 0;       // the line or the sheet's row it came from
};

struct ClassList {
    std::vector<ClassListPupil> pupils;
    // What is wrong with the file or a row, in Russian, each naming the row
    // («Строка 7: нет класса»). Empty for a list that may be imported.
    QStringList problems;
    bool ok() const { return problems.isEmpty() && !pupils.empty(); }
};

// Limits that keep a damaged or hostile file from taking the memory: a school
// is far below them.
namespace ClassListLimits
{
constexpr qsizetype fileBytes = 8 * 1024 * 1024;  // a text file, or a workbook as stored
constexpr qsizetype partBytes = 32 * 1024 * 1024; // a part of a workbook, unpacked
constexpr int rows = 5000;                        // pupils of one list
constexpr int fioLength = 100, classLength = 12;  // characters
constexpr int sharedStrings = 200000;             // a workbook's table of texts
constexpr int problemsShown = 50;                 // rows named before «и ещё …»
} // namespace ClassListLimits

// The list in the text file's bytes.
ClassList classListOfText(const QByteArray &bytes);
// Unpacks the named parts of a zip archive in memory, each at most limit
// bytes: a part's bytes, nothing for a part the archive lacks; false with the
// reason (Russian) in error. The program's is the writers' module's
// (office), which loads libzip only when a workbook is read.
using ZipUnpacker = std::function<bool(const QByteArray &archive, const QStringList &names, qint64 limit,
                                       std::vector<std::optional<QByteArray>> &parts, QString &error)>;

// The list in the workbook's bytes (.xlsx).
ClassList classListOfWorkbook(const QByteArray &bytes, const ZipUnpacker &unzip);
// The list in a sheet's part and the workbook's table of texts, unpacked
// (xl/worksheets/sheetN.xml, xl/sharedStrings.xml; the latter may be empty).
ClassList classListOfSheet(const QByteArray &sheet, const QByteArray &sharedStringsPart);
// Reads the file at path: a workbook when its bytes are a zip archive, else
// text (an old binary workbook is refused, with what to do about it).
ClassList readClassList(const QString &path, const ZipUnpacker &unzip);

// The problems as one text for a message box, the first of them by rows.
QString classListProblemsText(const ClassList &list);
