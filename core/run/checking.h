#pragma once
#include <QString>
#include <QStringList>
#include <vector>

// Judging one answer. The functions only decide; the main window reads the
// student's answer from its controls and paints the result back.

// Points after partial credit: round(earned + points * k / n), half to even.
// n = 0 gives no credit.
int partialCredit(int earned, int points, int k, int n);

struct TickRow {
    bool ticked = false;
    QString code; // Kod_P of the option
};
// The count of the tick check: ticked "+" rows add one; a ticked row with a
// blank code voids the answer (0); other codes neither add nor void.
int tickCount(const std::vector<TickRow> &rows);
// What training says of a ticks answer that was not all right, by the count
// above against the right options: «Ответ неверный» when it is 0 (nothing
// right ticked, or a wrong tick voided the rest), else «Ответ верный
// частично: 1 из 3».
QString ticksVerdictText(int counted, int rightOptions);
// The protocol code of a tick option: "в"/"-" for ticked or not, then "+"/"-" for right or not.
QString tickAnswerCode(bool ticked, bool right);

// Exact answer: trimmed texts equal, case-sensitive, nothing else normalised.
bool exactAnswerRight(const QString &typed, const QString &expected);

// Matching: every row's left label equals the label of the right item placed
// beside it, as stored.
bool matchingRight(const std::vector<std::pair<QString, QString>> &leftAndRightLabels);

// Classification and ranking: how many of the typed numbers equal the stored
// right ones (both trimmed), row by row.
int numbersRight(const QStringList &typed, const QStringList &right);
