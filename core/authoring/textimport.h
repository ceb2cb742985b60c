#pragma once
#include "stringtable.h"

#include <QStringList>
#include <vector>

// Reading an author's question file into the staging table IzTXT, from which
// the decoder makes a new topic. Three layouts exist: digit-led and w-led
// (here) and the state-exam layout (egeimport.h); all fill the staging table
// the same way:
//   row 1: the title (first non-empty line) in "Nazwan" only;
//   later rows: "Wopr" the running question count at that line, and for an
//   option line "Otwe" its label and "Kod_P" its role code.
// A row whose "Wopr" differs from the row above starts a question.

// Columns of the staging table.
namespace StagingCol
{
enum : int { Predm = 0, Tema = 1, Test = 2, Wopr = 3, Otwe = 4, KodP = 5, Nazwan = 6, Count = 7 };
}

// A staging row with every cell empty.
QStringList emptyStagingRow();

// Of each line of an import file only this many characters are read.
constexpr int ImportLineLength = 250;
// Non-empty lines of an import file: many times what a topic of 999 questions
// needs. A file with more is refused, so that its lines and staging rows
// cannot take the memory.
constexpr int MaxImportLines = 100000;

// How the text of an import file was read.
enum class ImportEncoding { Cp1251, Utf8, Utf16, Rtf };

struct ImportText {
    QStringList lines;
    ImportEncoding encoding = ImportEncoding::Cp1251;
    // Turned into plain text by the office suite before it was read (wordfiles.h).
    bool converted = false;
};

// The lines of an import file as the imports read them: each cut to its first
// 250 characters and trimmed, lines that are then empty left out. A plain file
// that starts with a UTF-16 byte-order mark is read as UTF-16; one whose bytes
// are all well-formed UTF-8, or that starts with the UTF-8 byte-order mark, as
// UTF-8; any other as code page 1251. A Ctrl-Z
// ends the text; CR LF, LF and a lone CR all end a line. An RTF document gives
// the text of its paragraphs. Throws TrivoError when the file is missing or
// cannot be read, and, naming the line, when it has more than MaxImportLines
// lines that are not empty.
ImportText readImportText(const QString &path);
// The same for bytes already in memory.
ImportText importTextOf(const QByteArray &bytes);
// Only the lines.
QStringList readImportLines(const QString &path);
QStringList importLinesOf(const QByteArray &bytes);

// The encoding as the user is told it: "UTF-8", "UTF-16", "Windows-1251" or "RTF".
QString importEncodingName(ImportEncoding encoding);

// A raw line as an import takes it: first 250 characters, trimmed.
QString importLine(const QString &raw);

// Staging rows (from row 1, each of 7 cells) for the lines of a file. The
// rows end with one empty row, as the author expects a free row to type into.
// Lines are taken through importLine(); blank ones are skipped.
std::vector<QStringList> stageDigitLed(const QStringList &lines);
std::vector<QStringList> stageWLed(const QStringList &lines);

// Replaces the data rows of the staging table at once (its captions stay).
void setStagingRows(StringTable &izTxt, std::vector<QStringList> rows);

// Option letters of the w-led layout: the n-th option line of a question gets
// the n-th letter. The first 18 are the layout's own; further options go on
// through the alphabet, and past these the line is kept as written.
QString wLedOptionLetter(int n);
