#pragma once
#include "runresult.h"

#include <QString>
#include <vector>

class Journal;

// A result's questions, for the journal window's section of a run.

// The questions of one result in the order they were asked; empty when the
// result is unknown or the journal cannot be read (the model says why).
std::vector<QuestionResult> questionsOf(Journal &journal, const QString &resultId);
