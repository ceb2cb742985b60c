#pragma once
#include "resultfilter.h"
#include "runresult.h"

#include <QString>
#include <vector>

class Journal;

// What the journal window shows beside the results table.

// The questions of one result in the order they were asked; empty when the
// result is unknown or the journal cannot be read (the model says why).
std::vector<QuestionResult> questionsOf(Journal &journal, const QString &resultId);

// How one question fared over the results that pass a filter.
struct QuestionReportRow {
    QString key;
    int pupils = 0;            // different pupils who were asked it
    int shown = 0;             // times it was asked
    double shareRight = 0;     // of the times asked, 0 to 1
    double averagePoints = 0;  // earned per time asked
    double averageSeconds = 0; // spent per time asked
};
// One row per question key, by key, over the results the filter passes
// (usually a subject and a topic); empty when the journal cannot be read.
std::vector<QuestionReportRow> questionReport(Journal &journal, const ResultFilter &filter);
