#pragma once
#include "resultfilter.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class Journal;

// What the journal says of one pupil and of one class.

struct GradeAt {
    QDateTime started;
    int grade = 0; // 2 to 5
};

// A topic where the pupil lost points, the most lost first.
struct TopicLoss {
    QString subject, topic;
    int runs = 0;
    int pointsLost = 0, pointsPossible = 0;
};

// The pupil's mistakes of one topic as the repeating of mistakes sees them.
struct TopicMemory {
    QString subject, topic;
    int learnt = 0;      // once wrong, since right and resting three weeks or more
    int due = 0;         // to repeat today or earlier
    int notRepeated = 0; // the last answer was wrong
};

struct PupilRun {
    QDateTime started;
    QString subject, topic, grade;
    int pointsEarned = 0, pointsPossible = 0;
    bool practice = false; // its grade is none to show
};

struct PupilPage {
    QString pupil, className;
    int runs = 0;     // graded runs: practice is counted apart
    int stopped = 0;  // runs stopped before the end (grade "0")
    int practice = 0; // practice runs, whether or not the filter asks for them
    std::optional<double> averageGrade;
    QString lastGrade;
    std::vector<PupilRun> list;  // every run, the latest first; practice when the filter asks for it
    std::vector<GradeAt> grades; // in time order, the runs that ended
    std::vector<TopicLoss> weakTopics;
    std::vector<TopicMemory> memory; // by subject and topic
};

// The pupil's page over the results the filter passes (its pupil is replaced
// by this pupil, named exactly, in any letter case); nothing when the journal
// cannot be read (error says why, in Russian).
std::optional<PupilPage> pupilPage(Journal &journal, const QString &pupil, const ResultFilter &filter, QString &error,
                                   const QDateTime &now = QDateTime::currentDateTime());

struct ClassPupil {
    QString pupil;
    int runs = 0;
    std::optional<double> averageGrade;
    QString lastGrade;
};

// The pupils of a class with their results over the filter, by name.
std::optional<std::vector<ClassPupil>> classPage(Journal &journal, const QString &className, const ResultFilter &filter,
                                                 QString &error);

struct ClassSummary {
    QString className;
    int pupils = 0, runs = 0;
    std::optional<double> averageGrade;
};

// The results over the filter grouped by class, in the order of the classes;
// results without a class are left out.
std::optional<std::vector<ClassSummary>> classSummaries(Journal &journal, const ResultFilter &filter, QString &error);

// The classes of the results a user may see (the scope's user code, own pupil and practice), in order.
QStringList journalClasses(Journal &journal, const ResultFilter &scope);

// Forgets the pupil's schedule of mistakes: every question starts afresh at
// the next answer. How many questions waited to be repeated, or nothing with error.
std::optional<int> resetSchedule(Journal &journal, const QString &pupil, QString &error);
