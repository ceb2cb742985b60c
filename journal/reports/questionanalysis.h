#pragma once
#include "resultfilter.h"
#include "scoreline.h"

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
    // The figures point at a wrong key (see analyseQuestions), and the
    // wrong answer the upper third of the runs gives more often than the
    // keyed one, when there is such an answer.
    bool keySuspect = false;
    QString strongAnswer;
};

// How consistent the runs of one topic are. When every run asked the same
// questions this is Cronbach's alpha. When the runs drew different questions
// (a whole-subject exam) it is the alpha of a run of as many questions worked
// out from the pairs of questions asked together: the average variance of a
// question over the runs that asked it and the average covariance of two
// over the runs that asked both, each pooled by its runs.
enum class ReliabilityBasis { SameQuestions, Pairs };

struct TopicReliability {
    QString subject, topic;
    int runs = 0;                // the runs behind the alpha: all the topic's runs
    int questions = 0;           // questions a run asked (on average, rounded, when drawn)
    std::optional<double> alpha; // none when too few runs or pairs, or no spread
    ReliabilityBasis basis = ReliabilityBasis::SameQuestions;
    int pool = 0;  // different questions asked
    int pairs = 0; // pairs of questions asked together in at least two runs
};

struct QuestionAnalysis {
    std::vector<QuestionFigures> questions; // by key
    std::vector<TopicReliability> topics;   // by subject and topic
};

// Flags need this many answers; the alpha this many runs, and when the runs
// drew their questions, this many pairs of questions asked together.
constexpr int flagMinimum = 8;
constexpr int alphaMinimum = 5;
constexpr int pairMinimum = 10;

// Works the figures out from the runs; a pure function, tested on small
// journals worked out by hand.
//
// «слишком лёгкий» and «слишком трудный» go by the share of the points
// earned. A key is suspect when the discrimination is negative beyond
// chance: the upper one-sided 90 % bound of the correlation (Fisher's z) is
// below zero. With at least 15 runs to compare (an upper third of five),
// the strong pupils' answer is evidence too: when the upper third of the
// runs by the rest of their points gives the most frequent wrong answer
// more often than the keyed one, a 75 % bound below zero is enough, and
// when the question's points do not vary (no one earned them), a 90 % lower
// bound above zero of the correlation of giving that answer with the rest.
// On simulated classes (bench/keyflags.cpp) this flags fewer than 1 in 200
// honest questions in classes of 25 and 1 in 100 in classes of 10, and a
// reversed key in more than 4 of 5 classes of 25.
QuestionAnalysis analyseQuestions(const std::vector<AnalysedRun> &runs);

// «мало данных (7 ответов)», for a question asked too few times for flags.
QString fewAnswersText(int answers);
// The word for an alpha, judged on it as shown with two decimals:
// «высокая» from 0,80, «достаточная» from 0,70, «низкая» below.
QString reliabilityWord(double alpha);

// The same over the runs of the journal that pass the filter, read in one
// pass; nothing when the journal cannot be read (error says why, in Russian).
std::optional<QuestionAnalysis> analyseQuestions(Journal &journal, const ResultFilter &filter, QString &error);
