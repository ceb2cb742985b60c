#pragma once
#include <QString>
#include <QStringList>
#include <vector>

// Tests laid out like the state-exam papers: a task label (А1, В2, A3, B4) on a
// line of its own, the task text on the next lines, then each option as a
// label line (1), +2), -1), r3), Ф)) followed by one or two lines of its text.
// The import marks every line, keeps the marked lines in the scratch file
// EGE.dat of the installation folder, and joins them into staging rows of the
// same form as the simple layouts give (textimport.h).

namespace EgeMark
{
inline const QString Task = QStringLiteral("НВ");   // first line of a task
inline const QString Option = QStringLiteral("НО"); // first line of an option
inline const QString Last = QStringLiteral("КК");   // last line of a piece
inline const QString End = QStringLiteral("КТ");    // the record after the last line
} // namespace EgeMark

// Text of the end-of-test record.
inline const QString EgeEndText = QStringLiteral("Конец Теста");

// One record of EGE.dat: a line and its mark.
struct EgeRec {
    QString Kod_P;  // capacity 5
    QString Nazwan; // capacity 210
    static constexpr int Size = 217;
    static EgeRec decode(const QByteArray &b);
    QByteArray encode() const;
    bool operator==(const EgeRec &) const = default;
};

// True for a task label line: А, В (Cyrillic) or A, B (Latin) and a digit.
bool isEgeTaskLabel(const QString &line);
// True for an option label line: its first ")" is its 2nd, 3rd or 4th character.
bool isEgeOptionLabel(const QString &line);

// First pass: the lines of the file (as readImportLines gives them) marked.
// The line before a task or option label and the last line are marked "КК";
// a label directly followed by another label thus loses its role. The records
// end with the end-of-test record.
std::vector<EgeRec> markEgeLines(const QStringList &lines);

// The scratch file: emptied when an import starts, then holding the marked
// records of the last import. Throws TrivoError when it cannot be written.
void clearEgeScratch(const QString &path);
void writeEgeScratch(const QString &path, const std::vector<EgeRec> &records);

// Last pass: the marked records joined into staging rows from row 1: the
// title, then for each task one question row ("N.  text") and for each option
// one option row ("label text", with "Otwe" and "Kod_P" from the label).
std::vector<QStringList> joinEgeRecords(const std::vector<EgeRec> &records);
