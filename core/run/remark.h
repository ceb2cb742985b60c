#pragma once
#include <QString>
#include <optional>
#include <vector>

// Judging again an answer a run kept in words, with the question's options
// as the bank holds them now: the runs kept before a teacher corrected a key
// are marked as if the key had been right all along.

// One option of a question as the bank keeps it (Otwet.dat: Otwe, Kod_P, Nazwan).
struct KeyOption {
    QString label, code, text;
};

// The kind of question the options make, named as a run names it.
QString answerTypeOf(const std::vector<KeyOption> &options);

struct Remarked {
    int points = 0;
    bool right = false;
    QString rightAnswer; // the right answer, in the form a run keeps it
};

// The points an answer of this kind earns against the options, by the rules
// a run judges with (partial credit included). Nothing when the answer cannot
// be judged from what was kept: the question is of another kind now, the
// answer names options the question no longer has, or it was cut short.
std::optional<Remarked> remarkAnswer(const QString &answerType, const QString &given, int points,
                                     const std::vector<KeyOption> &options);

// The options of the question the key names (Predm_Tema_Test_Wopr) in the
// subject folder's bank, in the bank's order; none when it has none. Throws
// TrivoError when the file cannot be read.
std::vector<KeyOption> bankOptionsOf(const QString &subjectFolder, const QString &questionKey);
