#pragma once
#include "questionanalysis.h"
#include "runresult.h"

#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

// A run's questions in one line, kept with the result so that the analysis
// of a topic reads one row a run and not one a question: for each question
// in the order asked its key, points possible and earned, whether right and
// its seconds, and for a wrong typed answer or wrong ticks the type, what
// was given and what is right. Empty for a run of no questions.
QString questionScores(const RunResult &r);
// The questions of such a line; nothing when it is not one.
std::optional<std::vector<AskedQuestion>> askedFromScores(QStringView line);
