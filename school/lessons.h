#pragma once
#include "bank.h"
#include "grading.h"
#include "random.h"
#include "remark.h"

#include <QDateTime>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QString>
#include <optional>
#include <vector>

// A controlled test in the computer room, as the teacher runs it: the
// teacher's PC draws the questions from its own bank and puts them on the
// school's server, the questions as the pupils' PCs may see them in one table
// and their keys in another that only the server's judging reads. The
// server keeps the time; the teacher ends the test for everyone or gives one
// pupil more time, and reads who answered what. Every call works on a
// connection of a teacher's own role, off the window's thread; nothing here
// throws, a failure is a Russian text in error.

struct LessonPlan {
    QString className;
    QString subject;
    QString topic; // the topic's name; empty for the whole-subject exam
    bool exam = false;
    int seconds = 0;       // the time of the whole test
    int questionCount = 0; // at most this many questions are drawn
    GradeBounds grades;    // the teacher's settings: the server grades by them
};

// A question as the bank holds it, with its options and their roles.
struct LessonQuestion {
    QString key; // Predm_Tema_Test_Wopr
    QString text;
    int points = 0;
    std::vector<KeyOption> options; // in the bank's order
};

// The questions of a test drawn from the subject's bank: a topic's (codes
// predm, tema) in random order, or the whole-subject exam's draw, cut to
// count. A question without options is left out (nobody could answer it
// right). Nothing, with error, when the bank cannot be read or a question's
// points are no number.
std::optional<std::vector<LessonQuestion>> drawLessonQuestions(const BankFiles &bank, const QString &predm,
                                                               const QString &tema, bool exam, int count,
                                                               QString &error, RandomGen &gen = rng());

// What a pupil's PC is given of a question's options: nothing that says
// which option is right, where an option belongs, or which options pair.
// Each kind as the run lays it out, with the order shuffled wherever the
// judging does not read it:
//   ticks           {"options": [texts, shuffled]}: the pupil ticks some
//   ranking         {"options": [texts, the bank's order]}: a number beside each
//   exact answer    {}: a line to type into, nothing else
//   matching        {"left": [texts, the bank's order], "right": [texts,
//                   shuffled]}: the pupil puts a right item beside each left one
//   classification  {"groups": [{"number", "text"}, the bank's order],
//                   "items": [texts, the bank's order]}: a group's number
//                   beside each item
// The answer goes back in the words a run keeps it (remark.h): the ticked
// texts one to a line; the typed text; "item — number" (ranking,
// classification) or "left — right" (matching) lines, one per item of the
// list the judging reads, in the order given here.
QJsonObject shownOptions(const std::vector<KeyOption> &options, RandomGen &gen = rng());

// Starts the test for the class now: the lesson's id, or nothing with error.
std::optional<qint64> startLesson(QSqlDatabase &db, const LessonPlan &plan,
                                  const std::vector<LessonQuestion> &questions, QString &error, RandomGen &gen = rng());
// The class's test under way: the latest one not ended early whose time,
// with any pupil's extra time, is not over. None (0) when there is none;
// nothing, with error, when it cannot be read.
std::optional<qint64> lessonUnderWay(QSqlDatabase &db, const QString &className, QString &error);
// The account of a pupil of the class by the name the school keeps; 0 when none.
std::optional<qint64> pupilOfClass(QSqlDatabase &db, const QString &className, const QString &fio, QString &error);
// Ends the test now for every pupil, whatever extra time one was given.
bool endLesson(QSqlDatabase &db, qint64 lesson, QString &error);
// Gives one pupil seconds more (added to what they were given before).
bool addTime(QSqlDatabase &db, qint64 lesson, qint64 accountId, int seconds, QString &error);

// One pupil of the class in the test.
struct LessonPupil {
    qint64 accountId = 0;
    QString fio;
    int extraSeconds = 0;
    int secondsLeft = 0; // 0 once the pupil's time is over
    QDateTime finished;  // when the pupil ended their test; invalid while not
    int answered = 0, points = 0;
};

// One answer as the server judged it.
struct LessonAnswer {
    qint64 accountId = 0;
    int position = 0;
    QString given;
    int points = 0;
    bool right = false;
    QString rightAnswer;
    QDateTime answered, received; // on the pupil's PC (server time), on the server
};

struct LessonState {
    qint64 id = 0;
    LessonPlan plan;
    QString teacher;
    QDateTime starts, ends, endedEarly; // server time; endedEarly invalid unless ended early
    int secondsLeft = 0;                // of the test for everyone, without extra time
    int pointsPossible = 0;
    std::vector<LessonPupil> pupils;   // the class's pupils and any who answered, by name
    std::vector<LessonAnswer> answers; // by pupil's name, then position
};

// The test as it stands; nothing, with error, when it cannot be read or is no test.
std::optional<LessonState> lessonState(QSqlDatabase &db, qint64 lesson, QString &error);
