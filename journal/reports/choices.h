#pragma once
#include "resultfilter.h"

#include <QStringList>
#include <optional>
#include <vector>

class Journal;

// What the journal window offers to choose from and counts for its charts.

struct JournalChoices {
    QStringList subjects, topics, classes; // every one that has a result, in order
};
// The subjects, topics and classes of the results a user may see: those of
// the scope's user code and own pupil (all when they are empty), with practice when it asks.
JournalChoices journalChoices(Journal &journal, const ResultFilter &scope);

// How many results pass the filter; nothing when the journal cannot be read.
std::optional<int> resultCount(Journal &journal, const ResultFilter &filter);

// How many results that pass the filter have each grade: [0] for "2" … [3] for "5".
std::vector<int> gradeCounts(Journal &journal, const ResultFilter &filter);
