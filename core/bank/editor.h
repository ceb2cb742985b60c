#pragma once
#include "bank.h"
#include "stringtable.h"

#include <QStringList>
#include <algorithm>
#include <optional>
#include <vector>

// What the editor window does to its tables and to the bank files, apart from
// the imports: storing, inserting and deleting rows, finding the rows that
// belong together, points, the exam record of a new topic, picture links and
// the rows of a topic printout.

// Writes the data rows of a table to its file, one record per row in table
// order, cell c into the record's c-th field as it stands (no trimming, no
// check; the record cuts it to its field), replacing the whole file: a shorter table leaves no old records, a
// table without data rows empties the file. On failure the old file stays as
// it was and TrivoError names the file.
void saveSections(const RecordFile &file, const StringTable &razdelTab);
void saveTopics(const RecordFile &file, const StringTable &temaTabl);
void saveQuestions(const RecordFile &file, const StringTable &wopTabl);
void saveAnswers(const RecordFile &file, const StringTable &otwTabl);

inline int dataRowCount(const StringTable &t)
{
    return std::max(t.rowCount() - 1, 0);
}

// A new row of "?" at the selected data row, the rows from there on moving
// down; at the last row the new row goes below it instead. Returns the row
// selected afterwards (the new one), or 0 and changes nothing when the
// selected row is no data row.
int insertMarkedRow(StringTable &t, int selected);
// Removes the selected data row, the rows below moving up. Returns the row
// selected afterwards: the same number, or the new last row when the last was
// removed; 0 when no data row is left or the selected row was no data row.
int deleteDataRow(StringTable &t, int selected);

// The first question row (from row 1 down) of the topic with these codes, 0 when none.
int firstQuestionRow(const StringTable &wopTabl, const QString &predm, const QString &tema);
// The first answer row with the four codes of question row `row` of wopTabl, 0 when none.
int firstAnswerRow(const StringTable &otwTabl, const StringTable &wopTabl, int row);
// The key Predm_Tema_Test_Wopr of a question row, which names its picture.
QString questionKeyOfRow(const StringTable &wopTabl, int row);

// Column "Ball" of every data row gets `points`.
void setPointsEverywhere(StringTable &wopTabl, const QString &points);

// The exam record of the last topic row (5 questions, 1 asked); nothing when
// the topic table has no data row.
std::optional<ExamRec> examRecOfLastTopic(const StringTable &temaTabl);

// The rows of the printout of topic row `topicRow`, ten cells each: the
// captions, the topic, then each of its questions (matched by Predm and Tema)
// followed by the answer rows with its four codes, in table order. Cells are
// copied as they stand. Empty when topicRow is no data row.
std::vector<QStringList> topicPrintoutRows(const StringTable &temaTabl, int topicRow, const StringTable &wopTabl,
                                           const StringTable &otwTabl);

// Picture links: the picture of a question is <Foto folder>/<key>.gif.
enum class PictureLink {
    Linked,       // moved there (copied when it was a file of the Foto folder already)
    AlreadyThere, // a picture of that name exists and was kept
    SameFile,     // the chosen file is that picture already
};
// A key that can name a file of the Foto folder: not empty, no folder part.
bool isPictureKey(const QString &key);
// Moves the chosen file to <fotoFolder>/<key>.gif, never replacing a file
// there. A file chosen inside the Foto folder is copied instead: it may be
// another question's picture, which a move would take away. Raises TrivoError
// for a key that cannot name a picture and when the move or copy fails.
PictureLink linkPicture(const QString &chosenFile, const QString &fotoFolder, const QString &key);
