#pragma once
#include "lessonclient.h"
#include "records.h"

#include <vector>

// A controlled test as a run on the pupil's PC plays it: its questions and
// their options as bank records, laid out as a run lays each kind out, with
// nothing in them that tells the answer (the server gave none). The run keeps
// each answer in the words the server judges.
struct LessonRunData {
    std::vector<WoprosRec> questions; // in the test's order
    std::vector<OtwetRec> options;
};

LessonRunData lessonRunData(const std::vector<ShownQuestion> &questions);
