#pragma once
#include "resultfilter.h"

#include <QStringList>
#include <vector>

class Journal;

// What the journal window offers to choose from and counts for its charts.

struct JournalChoices {
    QStringList subjects, topics; // every one that has a result, in order
};
// The subjects and topics of the results a user may see (all for an empty code).
JournalChoices journalChoices(Journal &journal, const QString &userCode);

// How many results that pass the filter have each grade: [0] for "2" … [3] for "5".
std::vector<int> gradeCounts(Journal &journal, const ResultFilter &filter);
