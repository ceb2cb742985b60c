#pragma once
#include "runresult.h"

#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

// One question of one run, as the journal kept it.
struct AskedQuestion {
    QString key, text, answerType;
    int pointsPossible = 0, pointsEarned = 0;
    bool right = false;
    int seconds = 0;
    QString given, rightAnswer; // lines, as the run kept them ("" before the journal kept them)
};

// A run's questions in one line, kept with the result so that the analysis
// of a topic reads one row a run and not one a question: for each question
// in the order asked its key, points possible and earned, whether right and
// its seconds, and for a wrong typed answer or wrong ticks the type, what
// was given and what is right. Empty for a run of no questions.
QString questionScores(const RunResult &r);
// The questions of such a line; nothing when it is not one.
std::optional<std::vector<AskedQuestion>> askedFromScores(QStringView line);
