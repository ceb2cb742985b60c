#pragma once
#include "grading.h"
#include "remark.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

class Journal;

// Re-marking the kept runs that asked a question, after a teacher corrected
// its key in the bank: first what would change, then, once agreed, the
// change in one transaction. A re-marked run keeps its earlier points and
// grade beside the new ones and the day it was re-marked; a later report of
// the run arriving from an outbox does not undo it.

// A question of a run that earns other points now.
struct RemarkedAnswer {
    QString resultId;
    int position = 0;
    int pointsBefore = 0, points = 0;
    bool rightBefore = false, right = false;
    QString rightAnswer;
};

// A run whose points change.
struct RemarkedRun {
    QString id, pupil;
    QDateTime started;
    int pointsBefore = 0, points = 0, possible = 0;
    QString gradeBefore, grade;
    bool practice = false; // earns no grade
};

struct RemarkPlan {
    QString subject, questionKey;
    int answers = 0;  // answers of the question the journal keeps
    int unjudged = 0; // of them, those that could not be judged again (see remarkAnswer)
    std::vector<RemarkedAnswer> changed;
    std::vector<RemarkedRun> runs;
    int gradesChanged() const;
};

// What re-marking the question's answers with these options would change in
// the runs of the subject; nothing when the journal cannot be read (error
// says why, in Russian).
std::optional<RemarkPlan> planRemark(Journal &journal, const QString &subject, const QString &questionKey,
                                     const std::vector<KeyOption> &options, const GradeBounds &bounds, QString &error);

// Carries the plan out in one transaction, each changed run marked as
// re-marked at the moment given; false with error when nothing was changed.
bool applyRemark(Journal &journal, const RemarkPlan &plan, const GradeBounds &bounds, const QDateTime &at,
                 QString &error);
