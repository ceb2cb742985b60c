#pragma once
#include "resultfilter.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class Journal;

// The analysis of a topic's questions over the runs the teacher filtered:
// how easy each question was, whether it tells the pupils who know the topic
// from those who do not, where the wrong answers go, and how consistent the
// runs are as a whole.

// One question of one run, as the journal kept it.
struct AskedQuestion {
    QString key, text, answerType;
    int pointsPossible = 0, pointsEarned = 0;
    bool right = false;
    int seconds = 0;
    QString given, rightAnswer; // lines, as the run kept them ("" before the journal kept them)
};

// One run with its questions in the order asked.
struct AnalysedRun {
    QString subject, topic;
    QDateTime started;
    std::vector<AskedQuestion> questions;
};

struct WrongAnswer {
    QString answer; // a wrong option ticked, or a wrong text typed
    int times = 0;
};

struct QuestionFigures {
    QString key;
    QString text; // as the latest run showed it
    QString answerType;
    QString rightAnswer;
    int asked = 0;
    double shareRight = 0; // of the times asked, 0 to 1
    double facility = 0;   // the average share of the question's points earned
    // The correlation between the share of the question's points and the
    // share of the points of the rest of the run; none with fewer than three
    // runs or when either does not vary.
    std::optional<double> discrimination;
    double averageSeconds = 0;
    std::vector<WrongAnswer> wrongAnswers; // ticks and typed answers, most often first
    QStringList flags;                     // in words: «слишком лёгкий» …
};

// How consistent the runs of one topic are that asked the same questions.
struct TopicReliability {
    QString subject, topic;
    int runs = 0;                // runs that asked exactly these questions
    int questions = 0;           // how many questions they asked
    std::optional<double> alpha; // Cronbach's alpha; none when too few runs or no spread
};

struct QuestionAnalysis {
    std::vector<QuestionFigures> questions; // by key
    std::vector<TopicReliability> topics;   // by subject and topic
};

// Flags need this many answers; the alpha this many runs of the same questions.
constexpr int flagMinimum = 5;
constexpr int alphaMinimum = 5;

// Works the figures out from the runs; a pure function, tested on small
// journals worked out by hand.
QuestionAnalysis analyseQuestions(const std::vector<AnalysedRun> &runs);

// The same over the runs of the journal that pass the filter, read in one
// pass; nothing when the journal cannot be read (error says why, in Russian).
std::optional<QuestionAnalysis> analyseQuestions(Journal &journal, const ResultFilter &filter, QString &error);
