#pragma once
#include "bank.h"
#include "random.h"
#include "stringtable.h"

#include <QHash>
#include <vector>

// Filling and ordering the run tables.

// Question rows of a topic, in file order: Predm, Tema, Test, Wopr, Nazwan as
// stored, a fresh random key Round(r * keyRange), Ball, and the pending mark "у".
std::vector<QStringList> topicQuestionRows(const std::vector<WoprosRec> &questions, const QString &predm,
                                           const QString &tema, RandomGen &gen, int keyRange = 100);
// The same straight from Wopros.dat; only the topic's records are decoded.
std::vector<QStringList> topicQuestionRows(const RecordFile &wopros, const QString &predm, const QString &tema,
                                           RandomGen &gen, int keyRange = 100);
// The one question row of a record (used by the exam as well).
QStringList questionRow(const WoprosRec &q, RandomGen &gen, int keyRange);

// Answer rows of a topic (all seven fields), in file order.
std::vector<QStringList> topicAnswerRows(const std::vector<OtwetRec> &answers, const QString &predm,
                                         const QString &tema);
// The same straight from Otwet.dat; only the topic's records are decoded.
std::vector<QStringList> topicAnswerRows(const RecordFile &otwet, const QString &predm, const QString &tema);
// The topic's Otwet.dat records as they are, for a table of records.
QByteArray topicAnswerRecords(const RecordFile &otwet, const QString &predm, const QString &tema);
// The Otwet.dat records, as they are and in file order, of the questions
// whose codes lead these rows (Predm, Tema, Test, Wopr), matched as the answer
// index matches them. The file is read once, in pieces; nothing else is kept.
QByteArray questionAnswerRecords(const RecordFile &otwet, const std::vector<QStringList> &questions);

// The key (Predm_Tema_Test_Wopr) of every question of Wopros.dat and the hash
// of its text (questionTextHash), the first of equal keys winning.
QHash<QString, QString> questionTextHashes(const RecordFile &wopros);

// Puts rows into the order of the program's selection procedure on the key
// column: from the last row up, the topmost row with the greatest key (text
// order of the cp1251 bytes) is swapped into the last unsorted place. The
// same order is reached in O(n log n).
void orderByKeys(std::vector<QStringList> &rows, int keyColumn);

// Keeps at most limit rows (a negative limit keeps none).
void cutToLimit(std::vector<QStringList> &rows, int limit);

// Sum of the points column; an empty cell adds nothing, anything else that is
// not a whole number raises the standard conversion error.
int pointsSum(const std::vector<QStringList> &rows, int ballColumn);

// The answer rows of each question of a run, found at once: key = the four
// trimmed codes; value = the answer table's row numbers in order. Given the
// run's questions (codes in their first four columns), only their answers are
// indexed, so a whole subject's answer table costs one pass and no decoding.
class AnswerIndex
{
public:
    void build(const StringTable &otwTabl, const StringTable *questions = nullptr);
    const std::vector<int> &rowsOf(const QString &predm, const QString &tema, const QString &test,
                                   const QString &wopr) const;

private:
    QHash<QByteArray, std::vector<int>> m_rows;
};

// Clock text h:mm:ss of a number of seconds (the time spent on a run).
QString durationText(int seconds);
