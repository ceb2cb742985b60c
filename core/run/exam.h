#pragma once
#include "bank.h"
#include "random.h"

#include <QStringList>
#include <vector>

// The whole-subject exam and its composition (Exam.dat).

// Composition grid rows (Predm, Tema, Nazwan, Woprosov, Nado) of Exam.dat.
std::vector<QStringList> examRows(const RecordFile &exam);
// Column 3 of every row := the number of the topic's questions in Wopros.dat
// (codes matched trimmed). One pass over the file, whatever the number of rows.
void countTopicQuestions(std::vector<QStringList> &rows, const RecordFile &wopros);
// The Nado a topic gets from "take k from each": all its questions when it has
// fewer. Raises the standard conversion error for a count that is no number.
QString nadoFor(const QString &woprosov, const QString &k);
// Stores the grid: trimmed cells cut to their fields; a shorter grid leaves no
// old records behind.
void storeExam(const RecordFile &exam, const std::vector<QStringList> &rows);

// k distinct positions of 0..n-1 drawn the exam's way: d = Round(r * n),
// drawing again for a taken position or for n itself. k is bounded by n so the
// draw always ends. Returns the flags of the positions.
std::vector<bool> drawPositions(int n, int k, RandomGen &gen);

// The drawn questions as Wopros.dat records: for each Exam.dat topic in
// order, Nado of its first Woprosov questions (in Wopros.dat order) chosen by
// drawPositions. A topic whose Woprosov exceeds its real questions gives
// fewer. Each record is given as decoding and encoding it would; the question
// file is read once, in pieces, and no record is kept but the drawn ones.
// Raises the standard conversion error for a count that is no number.
QByteArray drawExamRecords(const RecordFile &exam, const RecordFile &wopros, RandomGen &gen);
